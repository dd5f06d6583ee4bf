#pragma once

#include "Kestrova/RunningApp.h"
#include "appkit/NSCollectionViewItem.h"

#include <memory>
#include <optional>

class NSBox;
class NSTextField;
class SRShortcutFormatter;

// One running application in the main list: its icon, its name, the text
// of its stored shortcut ("No shortcut" without one), and a box behind them
// that is half-transparent grey while the tile is selected. Its view comes
// from the nib "AppViewItem", which must connect imageView, textField,
// shortcutLabel and box.
class AppViewItem : public NSCollectionViewItem {
    KS_OBJECT(AppViewItem, NSCollectionViewItem)

public:
    AppViewItem();
    ~AppViewItem() override;

    std::shared_ptr<NSTextField> shortcutLabel() const { return shortcutLabel_.lock(); }
    void setShortcutLabel(const std::shared_ptr<NSTextField>& label) { shortcutLabel_ = label; }
    std::shared_ptr<NSBox> box() const { return box_.lock(); }
    void setBox(const std::shared_ptr<NSBox>& box) { box_ = box; }
    const std::shared_ptr<SRShortcutFormatter>& shortcutFormatter() const { return shortcutFormatter_; }

    const std::optional<RunningApp>& runningApp() const { return runningApp_; }
    void setRunningApp(const std::optional<RunningApp>& runningApp) { runningApp_ = runningApp; }

    void viewDidLoad() override;
    // Fills the tile from runningApp; nothing without one.
    void configure();
    // Runs on every set, also one that changes nothing.
    void setSelected(bool selected) override;
    void updateBox(bool selected);
    void prepareForReuse() override;

protected:
    static void describe(ClassDescriptor& d);

private:
    // The outlet, which the nib must have connected.
    std::shared_ptr<NSTextField> requireShortcutLabel() const;
    std::shared_ptr<NSBox> requireBox() const;

    std::weak_ptr<NSTextField> shortcutLabel_;
    std::weak_ptr<NSBox> box_;
    std::shared_ptr<SRShortcutFormatter> shortcutFormatter_;
    std::optional<RunningApp> runningApp_;
};
