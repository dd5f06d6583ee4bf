#include "Kestrova/AssignShortcutsViewController.h"

#include "Kestrova/ApplicationLists.h"
#include "Kestrova/AssignShortcutViewItem.h"
#include "Kestrova/FatalError.h"
#include "Kestrova/ListLayout.h"
#include "Kestrova/RunningAppsDataSource.h"
#include "Kestrova/ShortcutRegistry.h"
#include "Kestrova/StoryboardContract.h"
#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSTextField.h"
#include "appkit/NSWorkspace.h"
#include "shortcut-library/SRShortcut.h"

namespace {

const String kItemIdentifier("AssignShortcut");
const String kRowNib("AssignShortcutViewItem");
// Beyond this many rows the list scrolls, and shows half of one more.
constexpr std::size_t kRowsShownWhole = 5;
constexpr CGFloat kRowsShownWhenScrolling = 5.5;
// Room beside the widest row, for the scroller.
constexpr CGFloat kWidthMargin = 20;

// A row made from the nib only to be measured.
std::shared_ptr<AssignShortcutViewItem> sizingRow()
{
    auto row = std::make_shared<AssignShortcutViewItem>();
    row->setNibName(kRowNib);
    row->view();
    return row;
}

}  // namespace

class AssignShortcutsViewController::CollectionViewDataSource : public RunningAppsDataSource {
public:
    std::weak_ptr<AssignShortcutsViewController> viewController;

    std::shared_ptr<NSCollectionViewItem>
    collectionViewItemForRepresentedObjectAtIndexPath(NSCollectionView& collectionView,
                                                      const NSIndexPath& indexPath) override
    {
        auto row = requireItem<AssignShortcutViewItem>(collectionView, kItemIdentifier, indexPath);
        const RunningApp& runningApp = runningAppAt(indexPath);
        row->setDelegate(std::weak_ptr<RunningAppDelegate>(viewController.lock()));
        row->configure(runningApp);
        // From here on the recorder shows the stored shortcut and writes
        // back what the user records.
        ShortcutRegistry::shared().bind(*row->requireRecordControl(), applicationName(*runningApp.runningApplication));
        return row;
    }
};

AssignShortcutsViewController::AssignShortcutsViewController()
    : collectionViewDataSource_(std::make_shared<CollectionViewDataSource>())
{
}

AssignShortcutsViewController::~AssignShortcutsViewController() = default;

void AssignShortcutsViewController::describe(ClassDescriptor& d)
{
    d.property<AssignShortcutsViewController>(
        "collectionView", [](AssignShortcutsViewController& c) { return Id(c.collectionView()); },
        [](AssignShortcutsViewController& c, const Id& value) {
            c.setCollectionView(value.object<NSCollectionView>());
        });
}

void AssignShortcutsViewController::viewDidLoad()
{
    NSViewController::viewDidLoad();
    loadRunningApps();
    sizeViewToFit();
    setUpCollectionView();
}

void AssignShortcutsViewController::loadRunningApps()
{
    auto applications = regularApplications(NSWorkspace::sharedWorkspace());
    sortNamesAscending(applications);
    auto runningApps = runningAppsOf(applications);
    runningApps_.insert(runningApps_.end(), runningApps.begin(), runningApps.end());
}

void AssignShortcutsViewController::sizeViewToFit()
{
    CGFloat width = 0;
    CGFloat rowHeight = 0;
    // One row measures them all: each name is a new text, and each fitting
    // size a new layout.
    std::shared_ptr<AssignShortcutViewItem> row;
    for (const auto& runningApp : runningApps_) {
        if (!row)
            row = sizingRow();
        if (auto textField = row->textField())
            textField->setStringValue(applicationName(*runningApp.runningApplication));
        NSSize fitting = row->view()->fittingSize();
        width = std::max(width, fitting.width + kWidthMargin);
        rowHeight = fitting.height;
    }
    std::size_t count = runningApps_.size();
    CGFloat rows = count > kRowsShownWhole ? kRowsShownWhenScrolling : CGFloat(count);
    view()->setFrameSize({width, rowHeight * rows});
}

void AssignShortcutsViewController::setUpCollectionView()
{
    auto list = collectionView_.lock();
    auto layout = list ? std::dynamic_pointer_cast<NSCollectionViewGridLayout>(list->collectionViewLayout()) : nullptr;
    if (!layout)
        fatalError("Expect the assign-shortcuts list to have a collection view with a grid layout");
    useOneColumn(*layout, sizingRow()->view()->fittingSize());

    collectionViewDataSource_->runningApps = runningApps_;
    collectionViewDataSource_->viewController =
        std::static_pointer_cast<AssignShortcutsViewController>(shared_from_this());
    list->registerClass<AssignShortcutViewItem>(kItemIdentifier);
    list->setDataSource(collectionViewDataSource_);
}

void AssignShortcutsViewController::updateShortcut(const std::shared_ptr<SRShortcut>& shortcut,
                                                   const NSRunningApplication& application)
{
    auto& registry = ShortcutRegistry::shared();
    String key = ShortcutRegistry::applicationKey(application);
    registry.shortcuts().erase(key);
    if (shortcut)
        registry.shortcuts()[key] = shortcut;
    // Also when nothing changed: the save follows every end of recording.
    registry.shortcutsChanged().onNext();
}
