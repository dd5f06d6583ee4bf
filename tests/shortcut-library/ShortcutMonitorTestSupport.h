#pragma once

// A monitor that records its hooks, and dispatches by the rule every
// monitor follows.

#include "ShortcutActionTestSupport.h"
#include "shortcut-library/SRShortcutMonitor.h"

#include <map>
#include <mutex>
#include <string>

namespace testing_support {

inline std::string nameOf(const SRShortcut& shortcut)
{
    return std::to_string(shortcut.keyCode()) + "/" + std::to_string(shortcut.modifierFlags());
}

class RecordingMonitor : public SRShortcutMonitor {
    KS_OBJECT(RecordingMonitor, SRShortcutMonitor)
public:
    Journal hooks;

    bool dispatch(const SRShortcut& shortcut, SRKeyEventType keyEvent,
                  const std::shared_ptr<NSObject>& target = nullptr)
    {
        return performActions(enabledActionsForShortcut(shortcut, keyEvent), target);
    }

    // How many add hooks each shortcut got, less its remove hooks; a hook
    // that would take a balance out of 0..1 is remembered as a fault.
    std::map<std::string, int> balances() const
    {
        std::lock_guard lock(balanceMutex_);
        return balances_;
    }
    std::vector<std::string> faults() const
    {
        std::lock_guard lock(balanceMutex_);
        return faults_;
    }
    bool recordsHooks = true;

protected:
    void willAddShortcut(const std::shared_ptr<SRShortcut>& s) override { note("willAdd", *s, 0); }
    void didAddShortcut(const std::shared_ptr<SRShortcut>& s) override { note("didAdd", *s, +1); }
    void willRemoveShortcut(const std::shared_ptr<SRShortcut>& s) override { note("willRemove", *s, -1); }
    void didRemoveShortcut(const std::shared_ptr<SRShortcut>& s) override { note("didRemove", *s, 0); }

private:
    void note(const char* hook, const SRShortcut& shortcut, int change)
    {
        std::string name = nameOf(shortcut);
        if (recordsHooks)
            hooks.record(std::string(hook) + " " + name);
        std::lock_guard lock(balanceMutex_);
        int& balance = balances_[name];
        balance += change;
        if (balance < 0 || balance > 1)
            faults_.push_back(std::string(hook) + " " + name + " -> " + std::to_string(balance));
    }

    mutable std::mutex balanceMutex_;
    std::map<std::string, int> balances_;
    std::vector<std::string> faults_;
};

// A handler action that records its name when performed and answers as told.
inline std::shared_ptr<SRShortcutAction> namedAction(Journal& journal, std::string name,
                                                     const std::shared_ptr<SRShortcut>& shortcut, bool answer = true)
{
    return SRShortcutAction::shortcutActionWithShortcut(shortcut, [&journal, name, answer](SRShortcutAction&) {
        journal.record(name);
        return answer;
    });
}

}  // namespace testing_support
