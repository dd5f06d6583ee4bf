#pragma once

#include "Kestrova/RunningApp.h"
#include "Kestrova/SwitcherItem.h"

#include <memory>
#include <optional>

class SRShortcutFormatter;

// One running application in the main list: its icon, its name, the text
// of its stored shortcut ("No shortcut" without one), and a box behind them
// that is half-transparent grey while the tile is selected. Its view comes
// from the nib "AppViewItem", which must connect imageView, textField,
// shortcutLabel and box.
class AppViewItem : public SwitcherItem {
    KS_OBJECT(AppViewItem, SwitcherItem)

public:
    AppViewItem();
    ~AppViewItem() override;

    const std::shared_ptr<SRShortcutFormatter>& shortcutFormatter() const { return shortcutFormatter_; }

    const std::optional<RunningApp>& runningApp() const { return runningApp_; }
    void setRunningApp(const std::optional<RunningApp>& runningApp) { runningApp_ = runningApp; }

    void viewDidLoad() override;
    // Fills the tile from runningApp; nothing without one.
    void configure();
    void prepareForReuse() override;

private:
    std::shared_ptr<SRShortcutFormatter> shortcutFormatter_;
    std::optional<RunningApp> runningApp_;
};
