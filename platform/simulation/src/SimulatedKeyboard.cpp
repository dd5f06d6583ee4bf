#include "simulation/SimulatedKeyboard.h"

#include "foundation/Clock.h"
#include "foundation/NSRunLoop.h"
#include "simulation/SimulatedDesktop.h"
#include "simulation/SimulatedEventTaps.h"
#include "simulation/SimulatedHotKeys.h"
#include "textinput/KeyboardLayoutRegistry.h"
#include "textinput/TISInputSource.h"
#include "textinput/UCKeyboardLayout.h"

#include <utility>

namespace simulation {

namespace {

constexpr std::uint64_t kShiftFlag = 0x20000;
constexpr std::uint64_t kControlFlag = 0x40000;
constexpr std::uint64_t kOptionFlag = 0x80000;
constexpr std::uint64_t kCommandFlag = 0x100000;

// Hot keys are held as Carbon modifiers; key events carry event flags.
std::uint32_t carbonModifiers(std::uint64_t flags)
{
    std::uint32_t modifiers = 0;
    if (flags & kCommandFlag)
        modifiers |= 0x100;
    if (flags & kShiftFlag)
        modifiers |= 0x200;
    if (flags & kOptionFlag)
        modifiers |= 0x800;
    if (flags & kControlFlag)
        modifiers |= 0x1000;
    return modifiers;
}

String translated(const UCKeyboardLayout* layout, std::uint16_t keyCode, std::uint16_t action,
                  std::uint32_t modifierKeyState, OptionBits options, std::uint32_t* deadKeyState)
{
    UniChar units[16];
    UniCharCount length = 0;
    const auto status = UCKeyTranslate(layout, keyCode, action, modifierKeyState, LMGetKbdType(), options, deadKeyState,
                                       std::size(units), &length, units);
    if (status != 0)
        return {};
    return String(std::u16string(units, length));
}

}  // namespace

std::shared_ptr<SimulatedKeyboard> SimulatedKeyboard::create(SimulatedDesktop& desktop,
                                                             std::shared_ptr<SimulatedEventTaps> eventTaps,
                                                             std::shared_ptr<SimulatedHotKeys> hotKeys)
{
    return std::shared_ptr<SimulatedKeyboard>(new SimulatedKeyboard(desktop, std::move(eventTaps), std::move(hotKeys)));
}

SimulatedKeyboard::SimulatedKeyboard(SimulatedDesktop& desktop, std::shared_ptr<SimulatedEventTaps> eventTaps,
                                     std::shared_ptr<SimulatedHotKeys> hotKeys)
    : desktop_(&desktop)
    , eventTaps_(std::move(eventTaps))
    , hotKeys_(std::move(hotKeys))
{
}

void SimulatedKeyboard::pressKey(std::uint16_t keyCode, std::uint64_t modifierFlags)
{
    keyDown(keyCode, modifierFlags);
    keyUp(keyCode, modifierFlags);
}

void SimulatedKeyboard::keyDown(std::uint16_t keyCode, std::uint64_t modifierFlags, bool isRepeat)
{
    type({.type = KeyEventType::KeyDown, .keyCode = keyCode, .flags = modifierFlags, .isRepeat = isRepeat});
}

void SimulatedKeyboard::keyUp(std::uint16_t keyCode, std::uint64_t modifierFlags)
{
    type({.type = KeyEventType::KeyUp, .keyCode = keyCode, .flags = modifierFlags});
}

void SimulatedKeyboard::flagsChanged(std::uint16_t keyCode, std::uint64_t modifierFlags)
{
    type({.type = KeyEventType::FlagsChanged, .keyCode = keyCode, .flags = modifierFlags});
}

std::uint64_t SimulatedKeyboard::modifierFlags() const
{
    std::lock_guard lock(mutex_);
    return modifierFlags_;
}

void SimulatedKeyboard::setApplicationDelivery(ApplicationDelivery delivery)
{
    std::lock_guard lock(mutex_);
    applicationDelivery_ = std::move(delivery);
}

std::vector<KeyDelivery> SimulatedKeyboard::deliveries() const
{
    std::lock_guard lock(mutex_);
    return deliveries_;
}

bool SimulatedKeyboard::isIdle() const
{
    std::lock_guard lock(mutex_);
    return !flight_ && queue_.empty();
}

void SimulatedKeyboard::type(KeyEvent event)
{
    event.timestamp = Clock::current()->now();
    {
        std::lock_guard lock(mutex_);
        if (!desktop_)
            return;
        modifierFlags_ = event.flags;
        queue_.push_back(std::move(event));
        if (flight_)
            return;
    }
    proceed();
}

void SimulatedKeyboard::proceed()
{
    for (;;) {
        std::optional<TapCall> call;
        {
            std::lock_guard lock(mutex_);
            if (!desktop_ || waiting_ || !takeNextEvent())
                return;
            call = routeToTap();
            if (!call) {
                Passage passage = passHotKeys();
                if (passage == Passage::Onward)
                    passage = passToApplication();
                if (passage == Passage::Waiting)
                    return;
                flight_.reset();
                continue;
            }
        }
        // The tap may answer before this returns; proceeding is then its
        // business, and this loop is done.
        std::weak_ptr<SimulatedKeyboard> weakSelf = weak_from_this();
        call->endpoint->receiveKeyEvent(call->event, [weakSelf, stage = call->stage, tap = call->tap,
                                                      listenOnly = call->listenOnly](std::optional<KeyEvent> answer) {
            if (auto self = weakSelf.lock())
                self->tapAnswered(stage, tap, listenOnly, std::move(answer));
        });
        return;
    }
}

bool SimulatedKeyboard::takeNextEvent()
{
    if (flight_)
        return true;
    if (queue_.empty())
        return false;
    flight_ = Flight{.event = std::move(queue_.front()), .taps = eventTaps_->order()};
    queue_.pop_front();
    return true;
}

std::optional<SimulatedKeyboard::TapCall> SimulatedKeyboard::routeToTap()
{
    Flight& flight = *flight_;
    while (flight.nextTap < flight.taps.size()) {
        std::uint64_t tap = flight.taps[flight.nextTap++];
        auto route = eventTaps_->route(tap, flight.event.type);
        if (!route)
            continue;
        std::uint64_t stage = beginWait();
        timeout_ = NSRunLoop::mainRunLoop().performAfterDelay(tapTimeout, [weakSelf = weak_from_this(), stage, tap] {
            if (auto self = weakSelf.lock())
                self->tapTimedOut(stage, tap);
        });
        return TapCall{.endpoint = std::move(route->endpoint),
                       .event = flight.event,
                       .stage = stage,
                       .tap = tap,
                       .listenOnly = route->listenOnly};
    }
    return std::nullopt;
}

SimulatedKeyboard::Passage SimulatedKeyboard::passHotKeys()
{
    const KeyEvent& event = flight_->event;
    std::optional<SimulatedHotKeys::Match> hotKey;
    bool pressed = true;
    if (event.type == KeyEventType::KeyDown) {
        hotKey = hotKeys_->match(event.keyCode, carbonModifiers(event.flags));
        if (hotKey)
            pressedHotKeys_[event.keyCode] = hotKey->token;
    } else if (event.type == KeyEventType::KeyUp) {
        if (auto it = pressedHotKeys_.find(event.keyCode); it != pressedHotKeys_.end()) {
            hotKey = hotKeys_->registration(it->second);
            pressedHotKeys_.erase(it);
            pressed = false;
        }
    }
    if (!hotKey)
        return Passage::Onward;
    hotKeys_->recordDelivery({.hotKey = hotKey->registration, .pressed = pressed});
    if (!hotKey->handler)
        return Passage::Done;
    NSRunLoop::mainRunLoop().performBlock(
        [weakSelf = weak_from_this(), stage = beginWait(), handler = std::move(hotKey->handler), pressed] {
            auto self = weakSelf.lock();
            if (!self || !self->awaits(stage))
                return;
            handler(pressed);
            self->stageDone(stage);
        });
    return Passage::Waiting;
}

SimulatedKeyboard::Passage SimulatedKeyboard::passToApplication()
{
    const pid_t pid = desktop_->frontmostApplication();
    if (pid == 0)
        return Passage::Done;
    KeyEvent& event = flight_->event;
    translate(event);
    deliveries_.push_back({.pid = pid, .event = event});
    if (pid != desktop_->ownProcess() || !applicationDelivery_)
        return Passage::Done;
    NSRunLoop::mainRunLoop().performBlock(
        [weakSelf = weak_from_this(), stage = beginWait(), delivery = applicationDelivery_, pid, delivered = event] {
            auto self = weakSelf.lock();
            if (!self || !self->awaits(stage))
                return;
            delivery(pid, delivered);
            self->stageDone(stage);
        });
    return Passage::Waiting;
}

std::uint64_t SimulatedKeyboard::beginWait()
{
    waiting_ = true;
    return ++stage_;
}

void SimulatedKeyboard::tapAnswered(std::uint64_t stage, std::uint64_t, bool listenOnly, std::optional<KeyEvent> event)
{
    {
        std::lock_guard lock(mutex_);
        if (stage != stage_ || !waiting_ || !flight_)
            return;
        NSRunLoop::mainRunLoop().cancel(timeout_);
        waiting_ = false;
        // A listen-only tap sees events but can't change them.
        if (!listenOnly) {
            if (!event) {
                flight_.reset();
            } else {
                auto& current = flight_->event;
                current.type = event->type;
                current.keyCode = event->keyCode;
                current.flags = event->flags;
                current.isRepeat = event->isRepeat;
            }
        }
    }
    proceed();
}

void SimulatedKeyboard::tapTimedOut(std::uint64_t stage, std::uint64_t tap)
{
    {
        std::lock_guard lock(mutex_);
        if (stage != stage_ || !waiting_)
            return;
        waiting_ = false;
    }
    eventTaps_->disableBySystem(tap, EventTapDisableReason::Timeout);
    proceed();
}

bool SimulatedKeyboard::awaits(std::uint64_t stage) const
{
    std::lock_guard lock(mutex_);
    return stage == stage_ && waiting_;
}

void SimulatedKeyboard::stageDone(std::uint64_t stage)
{
    {
        std::lock_guard lock(mutex_);
        if (stage != stage_ || !waiting_)
            return;
        waiting_ = false;
        flight_.reset();
    }
    proceed();
}

void SimulatedKeyboard::translate(KeyEvent& event)
{
    if (event.type == KeyEventType::FlagsChanged)
        return;
    auto source = textinput::KeyboardLayoutRegistry::current()->currentKeyboardLayoutInputSource();
    const UCKeyboardLayout* layout = TISGetInputSourceProperty(source, kTISPropertyUnicodeKeyLayoutData);
    if (!layout)
        return;
    const auto state = textinput::modifierKeyStateForModifierFlags(event.flags);
    if (event.type == KeyEventType::KeyDown) {
        event.characters = translated(layout, event.keyCode, event.isRepeat ? kUCKeyActionAutoKey : kUCKeyActionDown,
                                      state, 0, &deadKeyState_);
    } else {
        std::uint32_t unused = 0;
        event.characters = translated(layout, event.keyCode, kUCKeyActionUp, state, 0, &unused);
    }
    // Only shift still counts without the modifiers, and a dead key shows
    // itself rather than waiting for the next key.
    std::uint32_t unused = 0;
    event.charactersIgnoringModifiers =
        translated(layout, event.keyCode, kUCKeyActionDown, state & textinput::ModifierKeyState::shift,
                   kUCKeyTranslateNoDeadKeysMask, &unused);
}

void SimulatedKeyboard::detach()
{
    std::lock_guard lock(mutex_);
    desktop_ = nullptr;
    queue_.clear();
    flight_.reset();
    waiting_ = false;
    ++stage_;
    NSRunLoop::mainRunLoop().cancel(timeout_);
}

}  // namespace simulation
