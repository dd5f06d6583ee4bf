#pragma once

#include "simulation/KeyboardRecords.h"

#include <sys/types.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace simulation {

class EventTapEndpoint;
class SimulatedDesktop;
class SimulatedEventTaps;
class SimulatedHotKeys;

// The keyboard of the simulated desktop. Each key event passes, in order:
//
// 1. the enabled event taps that want its type, in the taps' order; a tap
//    that may filter can change the event or swallow it;
// 2. the registered hot keys: a key down of a held combination is a hot-key
//    press, the key up of that key its release; both go to the holder and
//    the key goes no further;
// 3. the frontmost application: our own process through the application
//    delivery hook (AppKit's event path), every process into the log of
//    deliveries.
//
// Processes are reached through run loops, as real ones are: a tap on the
// run loop its source was added to, hot keys and our application on the main
// run loop. So a press shows its effects once those run loops run (in tests:
// advancing the virtual clock). One event is on its way at a time; later
// ones wait, so that every stage sees them in the order they were typed.
//
// A tap that hasn't answered within `tapTimeout` seconds is disabled by the
// system (time-out) and the event goes on unchanged, as on the platform.
//
// The keyboard is owned by its desktop. Every member may be called from any
// thread; nothing is called out with the lock held.
class SimulatedKeyboard : public std::enable_shared_from_this<SimulatedKeyboard> {
public:
    using ApplicationDelivery = std::function<void(pid_t pid, const KeyEvent& event)>;

    static constexpr double tapTimeout = 1.0;

    // `desktop` owns the keyboard and detaches it before it goes.
    static std::shared_ptr<SimulatedKeyboard> create(SimulatedDesktop& desktop,
                                                     std::shared_ptr<SimulatedEventTaps> eventTaps,
                                                     std::shared_ptr<SimulatedHotKeys> hotKeys);
    SimulatedKeyboard(const SimulatedKeyboard&) = delete;
    SimulatedKeyboard& operator=(const SimulatedKeyboard&) = delete;

    // A key down and its key up, with the modifiers held throughout (the
    // modifier keys themselves are not pressed: flagsChanged does that).
    void pressKey(std::uint16_t keyCode, std::uint64_t modifierFlags = 0);
    void keyDown(std::uint16_t keyCode, std::uint64_t modifierFlags = 0, bool isRepeat = false);
    void keyUp(std::uint16_t keyCode, std::uint64_t modifierFlags = 0);
    // A modifier key (such as left shift, 56) went down or up; `modifierFlags`
    // are the modifiers held afterwards.
    void flagsChanged(std::uint16_t keyCode, std::uint64_t modifierFlags);

    // The modifiers held as of the last event typed.
    std::uint64_t modifierFlags() const;

    // Our own process's key events, on the main run loop. One hook at a
    // time; an empty function removes it.
    void setApplicationDelivery(ApplicationDelivery delivery);

    // Every event that reached an application, in order.
    std::vector<KeyDelivery> deliveries() const;
    // Nothing typed is still on its way.
    bool isIdle() const;

private:
    friend class SimulatedDesktop;

    SimulatedKeyboard(SimulatedDesktop& desktop, std::shared_ptr<SimulatedEventTaps> eventTaps,
                      std::shared_ptr<SimulatedHotKeys> hotKeys);

    struct Flight {
        KeyEvent event;
        std::vector<std::uint64_t> taps;
        std::size_t nextTap = 0;
    };

    // A tap that is to see the event in flight, and the wait for its answer.
    struct TapCall {
        std::shared_ptr<EventTapEndpoint> endpoint;
        KeyEvent event;
        std::uint64_t stage = 0;
        std::uint64_t tap = 0;
        bool listenOnly = false;
    };
    // Where the event in flight is after a stage: on to the next one, done
    // with (consumed or delivered), or waiting for a process.
    enum class Passage { Onward, Done, Waiting };

    void type(KeyEvent event);
    // Moves the events along until one waits for a process, or none is left.
    void proceed();
    // The stages of proceeding, called with the lock held. The event in
    // flight, taken from the queue when there is none; false when none is
    // left.
    bool takeNextEvent();
    // 1. The next tap that wants the event, its wait begun (with the
    //    time-out); none once the taps are through.
    std::optional<TapCall> routeToTap();
    // 2. A hot key's press or release goes to its holder.
    Passage passHotKeys();
    // 3. The frontmost application; our own process through the delivery
    //    hook, on the main run loop.
    Passage passToApplication();
    // Starts a wait for a process; the stage to answer it with.
    std::uint64_t beginWait();
    void tapAnswered(std::uint64_t stage, std::uint64_t tap, bool listenOnly, std::optional<KeyEvent> event);
    void tapTimedOut(std::uint64_t stage, std::uint64_t tap);
    // Whether the keyboard still waits for that delivery: not once its
    // desktop is gone, so that nothing of a desktop reaches the program after
    // it.
    bool awaits(std::uint64_t stage) const;
    void stageDone(std::uint64_t stage);
    void translate(KeyEvent& event);
    // The desktop is going: events on their way are dropped.
    void detach();

    mutable std::mutex mutex_;
    SimulatedDesktop* desktop_ = nullptr;
    std::shared_ptr<SimulatedEventTaps> eventTaps_;
    std::shared_ptr<SimulatedHotKeys> hotKeys_;
    ApplicationDelivery applicationDelivery_;
    std::deque<KeyEvent> queue_;
    std::optional<Flight> flight_;
    // Counts the waits for a process, so that a late answer to one that was
    // given up (a timed-out tap) is ignored.
    std::uint64_t stage_ = 0;
    bool waiting_ = false;
    std::uint64_t timeout_ = 0;
    // Key codes whose key down was a hot-key press, with the hot key's token:
    // their key up is its release.
    std::map<std::uint16_t, std::uint64_t> pressedHotKeys_;
    std::uint32_t deadKeyState_ = 0;
    std::uint64_t modifierFlags_ = 0;
    std::vector<KeyDelivery> deliveries_;
};

}  // namespace simulation
