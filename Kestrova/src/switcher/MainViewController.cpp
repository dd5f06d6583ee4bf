#include "Kestrova/MainViewController.h"

#include "Kestrova/AppViewItem.h"
#include "Kestrova/FatalError.h"
#include "Kestrova/ListLayout.h"
#include "Kestrova/RunningAppObject.h"
#include "Kestrova/RunningAppsDataSource.h"
#include "Kestrova/StoryboardContract.h"
#include "Kestrova/SwitcherShortcuts.h"
#include "Kestrova/WindowManager.h"
#include "Kestrova/WindowsViewController.h"
#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSEvent.h"
#include "appkit/NSStoryboardSegue.h"
#include "appkit/NSWindow.h"
#include "appkit/NSWindowController.h"
#include "shortcut-library/SRLocalShortcutMonitor.h"

namespace {

const String kItemIdentifier("RunningApp");
const String kTileNib("AppViewItem");
constexpr std::size_t kTilesShownWhole = 4;
constexpr CGFloat kTilesShownWhenScrolling = 4.5;

}  // namespace

class MainViewController::CollectionViewDataSource : public RunningAppsDataSource {
public:
    std::shared_ptr<NSCollectionViewItem>
    collectionViewItemForRepresentedObjectAtIndexPath(NSCollectionView& collectionView,
                                                      const NSIndexPath& indexPath) override
    {
        auto tile = requireItem<AppViewItem>(collectionView, kItemIdentifier, indexPath);
        tile->setRunningApp(runningAppAt(indexPath));
        tile->configure();
        return tile;
    }
};

MainViewController::MainViewController()
    : collectionViewDataSource_(std::make_shared<CollectionViewDataSource>())
    , shortcutMonitor_(std::make_shared<SRLocalShortcutMonitor>())
{
}

MainViewController::~MainViewController()
{
    // A monitor left behind would hold nothing but a dead controller; it is
    // removed all the same, as the view would have on leaving the screen.
    if (eventMonitor_)
        NSEvent::removeMonitor(eventMonitor_);
}

void MainViewController::describe(ClassDescriptor& d)
{
    d.property<MainViewController>(
        "collectionView",
        [](MainViewController& c) { return Id(std::dynamic_pointer_cast<NSObject>(c.collectionView())); },
        [](MainViewController& c, const Id& value) { c.setCollectionView(value.object<NSCollectionView>()); });
}

void MainViewController::viewDidLoad()
{
    NSViewController::viewDidLoad();
    reloadRunningApps();
    setUpCollectionView();
}

void MainViewController::viewDidAppear()
{
    NSViewController::viewDidAppear();
    installKeyMonitor();
    fitWindowToList();
}

void MainViewController::viewWillDisappear()
{
    NSViewController::viewWillDisappear();
    if (eventMonitor_)
        NSEvent::removeMonitor(std::exchange(eventMonitor_, Id()));
}

void MainViewController::reloadRunningApps()
{
    runningApps_ = switcherApplications();
    auto self = std::weak_ptr<NSViewController>(std::static_pointer_cast<NSViewController>(shared_from_this()));
    addShortcutActions(*shortcutMonitor_, runningApps_, self);
}

NSSize MainViewController::sizingTileSize()
{
    if (!tileSize_)
        tileSize_ = fittingSizeOfItem<AppViewItem>(kTileNib);
    return *tileSize_;
}

void MainViewController::setUpCollectionView()
{
    auto view = collectionView_.lock();
    auto layout = view ? std::dynamic_pointer_cast<NSCollectionViewGridLayout>(view->collectionViewLayout()) : nullptr;
    if (!layout)
        fatalError("Expect the main list to have a collection view with a grid layout");
    useOneColumn(*layout, sizingTileSize());

    WindowManager::shared().pruneWindows(runningApps_);
    collectionViewDataSource_->runningApps = runningApps_;

    view->registerClass<AppViewItem>(kItemIdentifier);
    view->setDataSource(collectionViewDataSource_);
    view->setDelegate(std::dynamic_pointer_cast<NSCollectionViewDelegate>(shared_from_this()));
}

void MainViewController::installKeyMonitor()
{
    eventMonitor_ =
        installShortcutKeyMonitor(std::static_pointer_cast<NSViewController>(shared_from_this()), shortcutMonitor_);
}

void MainViewController::fitWindowToList()
{
    CGFloat height = sizingTileSize().height;
    auto window = view()->window();
    auto controller = window ? window->windowController() : nullptr;
    auto target = controller ? controller->window() : nullptr;
    if (!target)
        return;
    std::size_t count = runningApps_.size();
    CGFloat factor = count > kTilesShownWhole ? kTilesShownWhenScrolling : CGFloat(count);
    NSRect frame = target->frame();
    target->setFrame({frame.origin, {frame.size.width, factor * height}}, true);
    target->center();
}

void MainViewController::chooseItem(NSCollectionView&, const NSIndexPath& indexPath)
{
    if (indexPath.item() < 0 || std::size_t(indexPath.item()) >= runningApps_.size())
        return;
    selectApp(runningApps_[std::size_t(indexPath.item())],
              std::static_pointer_cast<NSViewController>(shared_from_this()));
}

void MainViewController::prepareForSegue(NSStoryboardSegue& segue, const Id& sender)
{
    auto chosen = sender.object<RunningAppObject>();
    auto destination = segue.destinationController().object<WindowsViewController>();
    if (chosen && destination && segue.identifier() == String("Windows"))
        destination->setRunningApp(chosen->runningApp());
}
