#pragma once

#include "Kestrova/RunningApp.h"
#include "appkit/NSCollectionViewItem.h"
#include "shortcut-library/SRRecorderControl.h"

#include <memory>
#include <optional>

class NSPopover;
class RunningAppDelegate;

// One row of the assign-shortcuts list: an application's icon and name, and
// a recorder in which the user records, replaces or clears its shortcut.
// Every modifier may be used, none is required, and a key alone will do. A
// shortcut that some application already holds, this row's own included,
// is refused: the row's popover says so next to the recorder (and the
// recorder beeps and goes on recording).
//
// Its view comes from the nib "AssignShortcutViewItem", which must connect
// recordControl and popover besides the image view and text field.
class AssignShortcutViewItem : public NSCollectionViewItem, public SRRecorderControlDelegate {
    KS_OBJECT(AssignShortcutViewItem, NSCollectionViewItem)

public:
    AssignShortcutViewItem();
    ~AssignShortcutViewItem() override;

    std::shared_ptr<SRRecorderControl> recordControl() const { return recordControl_.lock(); }
    // The recorder, which the nib must have connected.
    std::shared_ptr<SRRecorderControl> requireRecordControl() const;
    void setRecordControl(const std::shared_ptr<SRRecorderControl>& control) { recordControl_ = control; }
    std::shared_ptr<NSPopover> popover() const { return popover_.lock(); }
    void setPopover(const std::shared_ptr<NSPopover>& popover) { popover_ = popover; }
    // Held weakly.
    std::shared_ptr<RunningAppDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::weak_ptr<RunningAppDelegate>& delegate) { delegate_ = delegate; }
    const std::optional<RunningApp>& runningApp() const { return runningApp_; }

    // Applies the recorder settings and becomes the recorder's delegate.
    void viewDidLoad() override;
    // Shows the application: its icon (at 64 x 64 points) and its name.
    void configure(const RunningApp& runningApp);
    // Unbinds the recorder, so that a row off screen writes nothing.
    void viewWillDisappear() override;
    // Ends a recording still going, unbinds the recorder and forgets the
    // application, so that nothing of it reaches the row's next one.
    void prepareForReuse() override;
    // The row's popover, next to the recorder; nothing for an item that no
    // list made.
    void showDuplicatePopover();

    // SRRecorderControlDelegate
    void recorderControlDidBeginRecording(SRRecorderControl& control) override;
    bool recorderControlCanRecordShortcut(SRRecorderControl& control, const SRShortcut& shortcut) override;
    void recorderControlDidEndRecording(SRRecorderControl& control) override;

protected:
    static void describe(ClassDescriptor& d);

private:
    std::shared_ptr<NSPopover> requirePopover() const;

    std::weak_ptr<SRRecorderControl> recordControl_;
    std::weak_ptr<NSPopover> popover_;
    std::weak_ptr<RunningAppDelegate> delegate_;
    std::optional<RunningApp> runningApp_;
};
