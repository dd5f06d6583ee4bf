#pragma once

#include "simulation/KeyboardRecords.h"

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace simulation {

// The system's hot-key service: one registry of system-wide hot keys for all
// processes, the table of the system's own shortcuts, and the failures the
// Carbon Event Manager's calls can be made to answer.
//
// A combination (key code and the four modifiers) can be held by one
// registration at a time, whichever process asks; modifier bits beyond the
// four are ignored. Every member may be called from any thread.
class SimulatedHotKeys {
public:
    // Told of a press (true) or release (false) of a hot key of our own
    // process, on the main run loop. Other processes' hot keys have none:
    // their presses are only recorded.
    using Handler = std::function<void(bool pressed)>;

    struct Match {
        std::uint64_t token = 0;
        HotKeyRegistration registration = {};
        Handler handler;
    };

    // The Carbon modifiers a combination is told apart by.
    static constexpr std::uint32_t kCombinationModifiers = 0x100 | 0x200 | 0x800 | 0x1000;

    // Answers the registration's token, or nothing when its combination is
    // held already.
    std::optional<std::uint64_t> registerHotKey(HotKeyRegistration registration, Handler handler = {});
    bool unregisterHotKey(std::uint64_t token);
    // In the order registered.
    std::vector<HotKeyRegistration> registrations() const;
    std::optional<HotKeyRegistration> holder(std::uint32_t keyCode, std::uint32_t modifiers) const;

    // For the keyboard.
    std::optional<Match> match(std::uint32_t keyCode, std::uint32_t modifiers) const;
    std::optional<Match> registration(std::uint64_t token) const;
    void recordDelivery(HotKeyDelivery delivery);
    // Every press and release the keyboard handed to a holder, ours or not.
    std::vector<HotKeyDelivery> deliveries() const;

    // The usual ones (Spotlight, application switching, screenshots,
    // Mission Control, ...), some switched off.
    static std::vector<SymbolicHotKey> defaultSymbolicHotKeys();
    std::vector<SymbolicHotKey> symbolicHotKeys() const;
    void setSymbolicHotKeys(std::vector<SymbolicHotKey> hotKeys);

    CarbonFailures failures() const;
    void setFailures(CarbonFailures failures);

private:
    struct Entry {
        std::uint64_t token = 0;
        HotKeyRegistration registration;
        Handler handler;
    };

    const Entry* findCombination(std::uint32_t keyCode, std::uint32_t modifiers) const;

    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t nextToken_ = 1;
    std::vector<HotKeyDelivery> deliveries_;
    std::vector<SymbolicHotKey> symbolicHotKeys_ = defaultSymbolicHotKeys();
    CarbonFailures failures_;
};

}  // namespace simulation
