#include "Kestrova/AssignShortcutViewItem.h"

#include "Kestrova/ApplicationLists.h"
#include "Kestrova/RunningAppDelegate.h"
#include "Kestrova/ShortcutRegistry.h"
#include "Kestrova/StoryboardContract.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "appkit/NSPopover.h"
#include "appkit/NSTextField.h"
#include "foundation/NSKeyValueBinding.h"

AssignShortcutViewItem::AssignShortcutViewItem() = default;

AssignShortcutViewItem::~AssignShortcutViewItem() = default;

void AssignShortcutViewItem::describe(ClassDescriptor& d)
{
    d.property<AssignShortcutViewItem>(
        "recordControl", [](AssignShortcutViewItem& item) { return Id(item.recordControl()); },
        [](AssignShortcutViewItem& item, const Id& value) {
            item.setRecordControl(value.object<SRRecorderControl>());
        });
    d.property<AssignShortcutViewItem>(
        "popover", [](AssignShortcutViewItem& item) { return Id(item.popover()); },
        [](AssignShortcutViewItem& item, const Id& value) { item.setPopover(value.object<NSPopover>()); });
}

std::shared_ptr<SRRecorderControl> AssignShortcutViewItem::requireRecordControl() const
{
    return requireOutlet(*this, recordControl_, "recordControl");
}

std::shared_ptr<NSPopover> AssignShortcutViewItem::requirePopover() const
{
    return requireOutlet(*this, popover_, "popover");
}

void AssignShortcutViewItem::viewDidLoad()
{
    NSCollectionViewItem::viewDidLoad();
    view()->setWantsLayer(true);
    auto control = requireRecordControl();
    control->setAllowedModifierFlags(SRCocoaModifierFlagsMask, 0, true);
    control->setDelegate(std::dynamic_pointer_cast<SRRecorderControlDelegate>(shared_from_this()));
}

void AssignShortcutViewItem::configure(const RunningApp& runningApp)
{
    runningApp_ = runningApp;
    showApplication(*this, *runningApp.runningApplication);
}

void AssignShortcutViewItem::viewWillDisappear()
{
    NSCollectionViewItem::viewWillDisappear();
    requireRecordControl()->unbind(NSValueBinding);
}

void AssignShortcutViewItem::prepareForReuse()
{
    NSCollectionViewItem::prepareForReuse();
    auto control = requireRecordControl();
    // A recording must not carry over into the next application's row: it
    // ends here, while it still belongs to this one.
    control->prepareForReuse();
    control->unbind(NSValueBinding);
    if (auto imageView = this->imageView())
        imageView->setImage(nullptr);
    if (auto textField = this->textField())
        textField->setStringValue(String());
    runningApp_.reset();
}

void AssignShortcutViewItem::showDuplicatePopover()
{
    auto list = collectionView();
    if (!list)
        return;
    auto control = requireRecordControl();
    auto popover = requirePopover();
    // From the recorder's leading edge across the row's place in the list,
    // so that the popover stands next to the recorder.
    NSRect recorder = control->frame();
    NSRect row = view()->frame();
    NSRect rect =
        NSMakeRect(CGRectGetMinX(recorder), row.origin.y, row.size.width, row.size.height - CGRectGetMinY(recorder));
    popover->showRelativeToRect(rect, list, NSRectEdgeMaxY);
}

void AssignShortcutViewItem::recorderControlDidBeginRecording(SRRecorderControl&) { }

bool AssignShortcutViewItem::recorderControlCanRecordShortcut(SRRecorderControl&, const SRShortcut& shortcut)
{
    // Any holder refuses, this row included: recording again what the row
    // shows is no change the user could mean.
    if (ShortcutRegistry::shared().appKey(shortcut)) {
        showDuplicatePopover();
        return false;
    }
    return true;
}

void AssignShortcutViewItem::recorderControlDidEndRecording(SRRecorderControl& control)
{
    if (!runningApp_)
        return;
    requirePopover()->performClose(Id());
    if (auto delegate = delegate_.lock())
        delegate->updateShortcut(control.objectValueShortcut(), *runningApp_->runningApplication);
}
