#include "Kestrova/WindowsViewController.h"

#include "Kestrova/ApplicationLists.h"
#include "Kestrova/CollectionViewDragDropLayout.h"
#include "Kestrova/FatalError.h"
#include "Kestrova/ListLayout.h"
#include "Kestrova/MyCollectionViewDelegate.h"
#include "Kestrova/NavigationController.h"
#include "Kestrova/StoryboardContract.h"
#include "Kestrova/SwitcherShortcuts.h"
#include "Kestrova/SystemVersion.h"
#include "Kestrova/WindowManager.h"
#include "Kestrova/WindowViewItem.h"
#include "appkit/CALayer.h"
#include "appkit/NSColor.h"
#include "appkit/NSEvent.h"
#include "appkit/NSLayoutConstraint.h"
#include "appkit/NSPasteboard.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSTextField.h"

#include <utility>

namespace {

const String kItemIdentifier("Window");
const String kItemNib("WindowViewItem");
// What a dragged row puts on the drag pasteboard: the drag needs something
// there to begin, but the drop reads which rows were dragged from the
// session it saw begin, never from the pasteboard.
const String kDraggedRowText("hello");

struct DigitKey {
    unsigned short keyCode;
    std::size_t row;
};

// The digit row's key codes don't follow the digits: 5 and 6 are swapped,
// and the equals (24) and minus (27) keys sit among them.
constexpr DigitKey kDigitKeys[] = {
    {18, 0}, {19, 1}, {20, 2}, {21, 3}, {23, 4}, {22, 5}, {26, 6}, {28, 7}, {25, 8}, {29, 9},
};

const WindowManager::Windows& windowsOf(const RunningApp& runningApp)
{
    return WindowManager::shared().windows(runningApp.runningApplication->processIdentifier());
}

[[noreturn]] void noRunningApp()
{
    fatalError("Expect the windows list to be given a running application");
}

}  // namespace

// The rows: the application's windows in the saved order, read afresh at
// every (re)load, so a reordering shows as soon as the list reloads.
class WindowsViewController::CollectionViewDataSource : public NSObject, public NSCollectionViewDataSource {
public:
    std::optional<RunningApp> runningApp;
    std::weak_ptr<WindowsViewController> viewController;

    const WindowManager::Windows& windows() const
    {
        if (!runningApp)
            noRunningApp();
        return windowsOf(*runningApp);
    }

    NSInteger numberOfSectionsInCollectionView(NSCollectionView&) override { return 1; }
    NSInteger collectionViewNumberOfItemsInSection(NSCollectionView&, NSInteger) override
    {
        return NSInteger(windows().size());
    }

    std::shared_ptr<NSCollectionViewItem>
    collectionViewItemForRepresentedObjectAtIndexPath(NSCollectionView& collectionView,
                                                      const NSIndexPath& indexPath) override
    {
        auto row = requireItem<WindowViewItem>(collectionView, kItemIdentifier, indexPath);
        const auto& window = entryAt(windows(), indexPath);
        row->setDelegate(viewController.lock());
        row->configure(window, std::size_t(indexPath.item()));
        return row;
    }

    // The line that shows where a dragged row would go.
    std::shared_ptr<NSView> collectionViewViewForSupplementaryElementOfKindAtIndexPath(NSCollectionView&, const String&,
                                                                                       const NSIndexPath&) override
    {
        auto indicator = std::make_shared<NSView>();
        indicator->setWantsLayer(true);
        indicator->layer()->setBackgroundColor(NSColor::keyboardFocusIndicatorColor()->CGColor());
        return indicator;
    }
};

// Choosing with Return, and reordering by drag and drop. A drag moves one
// row: the first of those the session began with.
class WindowsViewController::CollectionViewDelegate : public NSObject,
                                                      public NSCollectionViewDelegate,
                                                      public MyCollectionViewDelegate {
public:
    std::weak_ptr<CollectionViewDataSource> dataSource;
    NSIndexPathSet indexPathsOfItemsBeingDragged;

    void chooseItem(NSCollectionView& collectionView, const NSIndexPath& indexPath) override
    {
        auto row = std::dynamic_pointer_cast<WindowViewItem>(collectionView.itemAtIndexPath(indexPath));
        if (row && row->delegate())
            pick(*row);
    }

    bool collectionViewCanDragItemsAtIndexPaths(NSCollectionView&, const NSIndexPathSet&, NSEvent&) override
    {
        return true;
    }
    Id collectionViewPasteboardWriterForItemAtIndexPath(NSCollectionView&, const NSIndexPath&) override
    {
        return Id(kDraggedRowText);
    }
    void collectionViewDraggingSessionWillBeginAtPoint(NSCollectionView&, NSDraggingSession&, NSPoint,
                                                       const NSIndexPathSet& indexPaths) override
    {
        indexPathsOfItemsBeingDragged = indexPaths;
    }
    void collectionViewDraggingSessionEndedAtPoint(NSCollectionView&, NSDraggingSession&, NSPoint,
                                                   NSDragOperation) override
    {
        indexPathsOfItemsBeingDragged = {};
    }

    // Every place is offered as a gap between rows: a drop onto a row would
    // have nothing to mean.
    NSDragOperation collectionViewValidateDrop(NSCollectionView&, NSDraggingInfo&, NSIndexPath&,
                                               NSCollectionViewDropOperation& proposedDropOperation) override
    {
        proposedDropOperation = NSCollectionViewDropBefore;
        return NSDragOperationMove;
    }

    bool collectionViewAcceptDrop(NSCollectionView& collectionView, NSDraggingInfo&, const NSIndexPath& indexPath,
                                  NSCollectionViewDropOperation) override
    {
        // Without a row of this list being dragged (text dragged in from
        // another application) there is nothing to move. Refusing tells the
        // drag's source that nothing was taken, so a source that moves what
        // it drags doesn't delete it.
        auto from = indexPathsOfItemsBeingDragged.anyObject();
        if (!from)
            return false;
        auto source = dataSource.lock();
        if (!source || !source->runningApp)
            noRunningApp();
        WindowManager::shared().moveWindow(*from, indexPath, *source->runningApp->runningApplication);
        collectionView.reloadData();
        return true;
    }
};

WindowsViewController::WindowsViewController()
    : collectionViewDataSource_(std::make_shared<CollectionViewDataSource>())
    , collectionViewDelegate_(std::make_shared<CollectionViewDelegate>())
{
}

WindowsViewController::~WindowsViewController()
{
    if (eventMonitor_)
        NSEvent::removeMonitor(eventMonitor_);
}

void WindowsViewController::describe(ClassDescriptor& d)
{
    d.property<WindowsViewController>(
        "collectionView",
        [](WindowsViewController& c) { return Id(std::dynamic_pointer_cast<NSObject>(c.collectionView())); },
        [](WindowsViewController& c, const Id& value) { c.setCollectionView(value.object<NSCollectionView>()); });
    d.property<WindowsViewController>(
        "nameLabel", [](WindowsViewController& c) { return Id(c.nameLabel()); },
        [](WindowsViewController& c, const Id& value) { c.setNameLabel(value.object<NSTextField>()); });
    d.method<WindowsViewController>("backButtonDidActionWithSender:", ReturnKind::Void,
                                    [](WindowsViewController& c, std::span<const Id> arguments) {
                                        c.backButtonDidAction(arguments[0]);
                                        return Id();
                                    });
}

std::optional<std::size_t> WindowsViewController::windowIndex(unsigned short keyCode)
{
    for (const auto& key : kDigitKeys)
        if (key.keyCode == keyCode)
            return key.row;
    return std::nullopt;
}

std::shared_ptr<NSCollectionView> WindowsViewController::requireCollectionView() const
{
    auto view = collectionView_.lock();
    if (!view)
        fatalError("Expect the windows list to have a collection view");
    return view;
}

void WindowsViewController::viewDidLoad()
{
    NSViewController::viewDidLoad();
    auto label = nameLabel();
    if (!label)
        fatalError("Expect the windows list to have a name label");
    if (!runningApp_)
        noRunningApp();
    label->setStringValue(applicationName(*runningApp_->runningApplication).appending("'s windows"));
    // A long name is cut short rather than widening the window or popover
    // the list is shown in (mini mode gives it a width of its own).
    label->setContentCompressionResistancePriority(NSLayoutPriorityDefaultLow, NSLayoutConstraintOrientationHorizontal);
    setUpCollectionView();
}

void WindowsViewController::setUpCollectionView()
{
    auto layout = std::make_shared<CollectionViewDragDropLayout>();
    useOneColumn(*layout, fittingSizeOfItem<WindowViewItem>(kItemNib));

    collectionViewDataSource_->runningApp = runningApp_;
    collectionViewDataSource_->viewController = std::static_pointer_cast<WindowsViewController>(shared_from_this());
    collectionViewDelegate_->dataSource = collectionViewDataSource_;

    auto view = requireCollectionView();
    view->registerClass<WindowViewItem>(kItemIdentifier);
    view->setCollectionViewLayout(layout);
    view->setDataSource(collectionViewDataSource_);
    view->setDelegate(collectionViewDelegate_);
    view->registerForDraggedTypes({NSPasteboardTypeString});
    view->setDraggingSourceOperationMask(NSDragOperationEvery, true);
}

void WindowsViewController::viewDidAppear()
{
    NSViewController::viewDidAppear();
    // One monitor at a time, or a digit would pick twice.
    if (eventMonitor_)
        NSEvent::removeMonitor(std::exchange(eventMonitor_, Id()));
    std::weak_ptr<WindowsViewController> self = std::static_pointer_cast<WindowsViewController>(shared_from_this());
    eventMonitor_ = installKeyDownMonitor([self](const NSEvent& event) {
        auto controller = self.lock();
        return controller && controller->handleKeyDown(event);
    });
}

void WindowsViewController::viewWillDisappear()
{
    NSViewController::viewWillDisappear();
    if (eventMonitor_)
        NSEvent::removeMonitor(std::exchange(eventMonitor_, Id()));
}

bool WindowsViewController::handleKeyDown(const NSEvent& event)
{
    auto row = windowIndex(event.keyCode());
    if (!row)
        return false;
    auto view = requireCollectionView();
    NSIndexPath indexPath(NSInteger(*row), 0);
    // The list shows only the rows that fit (five in mini mode's popover),
    // but every row has its digit: one scrolled out of sight is brought into
    // view, as a row the user picks should be seen.
    if (NSInteger(*row) < view->numberOfItemsInSection(0))
        view->scrollToItemsAtIndexPaths(NSIndexPathSet::setWithObject(indexPath),
                                        NSCollectionViewScrollPositionNearestHorizontalEdge);
    auto item = std::dynamic_pointer_cast<WindowViewItem>(view->itemAtIndexPath(indexPath));
    if (!item)
        return false;
    if (item->delegate())
        pick(*item);
    return true;
}

void WindowsViewController::pick(const WindowViewItem& row)
{
    const auto& window = row.window();
    auto delegate = row.delegate();
    if (!window)
        fatalError("Expect a row of the windows list to stand for a window");
    if (!delegate || !delegate->runningApp())
        noRunningApp();
    // The application is held here: raising and activating may take the
    // list, and the row with it, off the screen.
    auto application = delegate->runningApp()->runningApplication;
    window->raise();
    application->activateWithOptions(isMacOS14OrLater() ? NSApplicationActivationOptions(0)
                                                        : NSApplicationActivateIgnoringOtherApps);
}

void WindowsViewController::backButtonDidAction(const Id&)
{
    if (auto navigation = std::dynamic_pointer_cast<NavigationController>(parentViewController()))
        navigation->pop(std::static_pointer_cast<NSViewController>(shared_from_this()));
}
