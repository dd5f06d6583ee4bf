#include "simulation/SimulatedKeyboard.h"

#include "TestDesktops.h"
#include "foundation/CFNotificationCenter.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/DesktopDescription.h"
#include "simulation/ScopedDesktop.h"
#include "simulation/SimulatedDesktop.h"
#include "textinput/KeyboardLayoutRegistry.h"
#include "textinput/TISInputSource.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace simulation;

namespace {

constexpr std::uint64_t kShift = 0x20000;
constexpr std::uint64_t kControl = 0x40000;
constexpr std::uint64_t kOption = 0x80000;
constexpr std::uint64_t kCommand = 0x100000;
constexpr std::uint16_t kTab = 48;
constexpr std::uint16_t kA = 0;
constexpr std::uint16_t kB = 11;

DesktopState state(std::string_view json = test_desktops::kOtherInFront)
{
    return test_desktops::fromJson(json);
}

std::string describe(const KeyEvent& event)
{
    const char* kind = event.type == KeyEventType::KeyDown ? "down"
                       : event.type == KeyEventType::KeyUp ? "up"
                                                           : "flags";
    return std::string(kind) + " " + std::to_string(event.keyCode);
}

using Recorder = std::vector<std::string>;

// A tap's process side that answers at once (or, holding, not at all) and
// says what it saw.
class FakeTap final : public EventTapEndpoint {
public:
    FakeTap(Recorder& recorder, std::string name)
        : recorder_(recorder)
        , name_(std::move(name))
    {
    }

    void receiveKeyEvent(const KeyEvent& event, Reply reply) override
    {
        recorder_.push_back("tap " + name_ + " " + describe(event));
        if (holds)
            held.push_back(std::move(reply));
        else
            reply(answer(event));
    }
    void disabledBySystem(EventTapDisableReason reason) override { notices.push_back(reason); }

    std::function<std::optional<KeyEvent>(const KeyEvent&)> answer = [](const KeyEvent& event) { return event; };
    bool holds = false;
    std::vector<Reply> held;
    std::vector<EventTapDisableReason> notices;

private:
    Recorder& recorder_;
    std::string name_;
};

struct KeyboardTest : ::testing::Test {
    KeyboardTest()
    {
        keyboard().setApplicationDelivery([this](pid_t pid, const KeyEvent& event) {
            recorder.push_back("app " + std::to_string(pid) + " " + describe(event));
        });
    }

    SimulatedKeyboard& keyboard() { return *desktop->keyboard(); }

    // The fixture keeps the tap alive unless told to forget it.
    std::shared_ptr<FakeTap> addTap(const std::string& name, SimulatedEventTaps::Options options = {}, bool keep = true)
    {
        if (options.eventsOfInterest == 0)
            options.eventsOfInterest = (1u << 10) | (1u << 11) | (1u << 12);
        auto tap = std::make_shared<FakeTap>(recorder, name);
        identifiers.push_back(desktop->eventTaps()->add(options, tap));
        if (keep)
            taps.push_back(tap);
        return tap;
    }

    std::vector<std::string> applicationEvents()
    {
        std::vector<std::string> result;
        for (const auto& delivery : keyboard().deliveries())
            result.push_back(std::to_string(delivery.pid) + " " + describe(delivery.event));
        return result;
    }

    ScopedVirtualClock clock;
    ScopedDesktop desktop{state()};
    Recorder recorder;
    std::vector<std::uint64_t> identifiers;
    std::vector<std::shared_ptr<FakeTap>> taps;
};

TEST_F(KeyboardTest, KeyPassesTapsThenHotKeysThenTheFrontmostApplication)
{
    ASSERT_TRUE(desktop->activate(40));
    addTap("t");
    ASSERT_TRUE(
        desktop->hotKeys()->registerHotKey({.pid = 40, .keyCode = kTab, .modifiers = 0x1000}, [this](bool pressed) {
            recorder.push_back(pressed ? "hot key pressed" : "hot key released");
        }));

    keyboard().pressKey(kTab, kControl);
    keyboard().pressKey(kA);
    // Our process hears of it only on the main run loop.
    EXPECT_EQ(recorder, (Recorder{"tap t down 48"}));
    EXPECT_FALSE(keyboard().isIdle());

    clock.advance(0);
    EXPECT_EQ(recorder, (Recorder{"tap t down 48", "hot key pressed", "tap t up 48", "hot key released", "tap t down 0",
                                  "app 40 down 0", "tap t up 0", "app 40 up 0"}));
    EXPECT_TRUE(keyboard().isIdle());
    EXPECT_EQ(applicationEvents(), (std::vector<std::string>{"40 down 0", "40 up 0"}));
}

TEST_F(KeyboardTest, NothingOfADesktopThatIsGoneReachesTheProgram)
{
    int calls = 0;
    {
        ScopedDesktop gone{state()};
        ASSERT_TRUE(gone->activate(40));
        gone->keyboard()->setApplicationDelivery([&](pid_t, const KeyEvent&) { ++calls; });
        ASSERT_TRUE(
            gone->hotKeys()->registerHotKey({.pid = 40, .keyCode = kTab, .modifiers = 0x1000}, [&](bool) { ++calls; }));
        gone->keyboard()->keyDown(kTab, kControl);
        gone->keyboard()->keyDown(kA);
    }
    clock.advance(0);
    EXPECT_EQ(calls, 0);
}

TEST_F(KeyboardTest, WhatATapAnswersDecidesWhatGoesOn)
{
    struct Row {
        const char* name;
        bool listenOnly;
        std::function<std::optional<KeyEvent>(const KeyEvent&)> answer;
        std::vector<std::string> delivered;
        String characters;
    };
    const Row rows[] = {
        {"swallowing", false, [](const KeyEvent&) { return std::nullopt; }, {}, ""},
        {"changing the key",
         false,
         [](KeyEvent event) {
             event.keyCode = kB;
             return std::optional(event);
         },
         {"10 down 11"},
         "b"},
        {"adding shift",
         false,
         [](KeyEvent event) {
             event.flags |= kShift;
             return std::optional(event);
         },
         {"10 down 0"},
         "A"},
        {"listen-only swallowing", true, [](const KeyEvent&) { return std::nullopt; }, {"10 down 0"}, "a"},
        {"listen-only changing",
         true,
         [](KeyEvent event) {
             event.keyCode = kB;
             return std::optional(event);
         },
         {"10 down 0"},
         "a"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedDesktop fresh{state()};
        auto tap = std::make_shared<FakeTap>(recorder, row.name);
        tap->answer = row.answer;
        fresh->eventTaps()->add({.eventsOfInterest = 1u << 10, .listenOnly = row.listenOnly}, tap);

        fresh->keyboard()->keyDown(kA);
        clock.advance(0);
        std::vector<std::string> delivered;
        for (const auto& delivery : fresh->keyboard()->deliveries())
            delivered.push_back(std::to_string(delivery.pid) + " " + describe(delivery.event));
        EXPECT_EQ(delivered, row.delivered);
        if (!fresh->keyboard()->deliveries().empty()) {
            EXPECT_EQ(fresh->keyboard()->deliveries()[0].event.characters, row.characters);
        }
    }
}

TEST_F(KeyboardTest, SwallowingTheKeyDownOfAHotKeyLeavesItsKeyUpToTheApplication)
{
    auto tap = addTap("t", {.eventsOfInterest = 1u << 10});
    tap->answer = [](const KeyEvent&) { return std::nullopt; };
    ASSERT_TRUE(desktop->hotKeys()->registerHotKey({.pid = 10, .keyCode = kTab, .modifiers = 0x1000}));

    keyboard().pressKey(kTab, kControl);
    clock.advance(0);
    EXPECT_TRUE(desktop->hotKeys()->deliveries().empty());
    EXPECT_EQ(applicationEvents(), (std::vector<std::string>{"10 up 48"}));
}

TEST_F(KeyboardTest, TapsAreVisitedByLocationThenPlacement)
{
    addTap("a", {.location = 1, .placement = EventTapPlacement::TailAppend});
    addTap("b", {.location = 1, .placement = EventTapPlacement::HeadInsert});
    addTap("c", {.location = 0, .placement = EventTapPlacement::TailAppend});
    addTap("d", {.location = 1, .placement = EventTapPlacement::TailAppend});

    std::vector<std::uint64_t> order;
    for (const auto& tap : desktop->eventTaps()->taps())
        order.push_back(tap.identifier);
    EXPECT_EQ(order, (std::vector<std::uint64_t>{identifiers[2], identifiers[1], identifiers[0], identifiers[3]}));

    keyboard().keyDown(kA);
    EXPECT_EQ(recorder, (Recorder{"tap c down 0", "tap b down 0", "tap a down 0", "tap d down 0"}));
}

TEST_F(KeyboardTest, TapsThatAreOffGoneOrNotInterestedAreSkipped)
{
    addTap("downs", {.eventsOfInterest = 1u << 10});
    addTap("off");
    ASSERT_TRUE(desktop->eventTaps()->setEnabled(identifiers[1], false));
    addTap("gone", {}, false);

    keyboard().pressKey(kA);
    keyboard().flagsChanged(56, kShift);
    clock.advance(0);
    EXPECT_EQ(recorder, (Recorder{"tap downs down 0"}));
    EXPECT_EQ(applicationEvents(), (std::vector<std::string>{"10 down 0", "10 up 0", "10 flags 56"}));
    EXPECT_EQ(keyboard().modifierFlags(), kShift);
}

TEST_F(KeyboardTest, TapThatDoesNotAnswerIsDisabledByTimeout)
{
    auto tap = addTap("slow");
    tap->holds = true;

    keyboard().pressKey(kA);
    clock.advance(SimulatedKeyboard::tapTimeout / 2);
    EXPECT_TRUE(applicationEvents().empty());

    clock.advance(SimulatedKeyboard::tapTimeout);
    EXPECT_EQ(tap->notices, (std::vector<EventTapDisableReason>{EventTapDisableReason::Timeout}));
    EXPECT_FALSE(desktop->eventTaps()->isEnabled(identifiers[0]));
    // The key up no longer passes the tap that was turned off.
    EXPECT_EQ(applicationEvents(), (std::vector<std::string>{"10 down 0", "10 up 0"}));

    // A late answer changes nothing.
    ASSERT_EQ(tap->held.size(), 1u);
    tap->held[0](std::nullopt);
    EXPECT_EQ(applicationEvents().size(), 2u);
}

TEST_F(KeyboardTest, OtherProcessesHotKeysAreConsumedAndRecorded)
{
    ASSERT_TRUE(desktop->hotKeys()->registerHotKey(
        {.pid = 10, .keyCode = kTab, .modifiers = 0x1000, .signature = 0x4F544852, .identifier = 7}));

    keyboard().pressKey(kTab, kControl);
    // Modifiers let go before the key: still the release of the hot key.
    keyboard().keyDown(kTab, kControl);
    keyboard().keyUp(kTab, 0);
    // Without the hot key's modifiers it is an ordinary key.
    keyboard().pressKey(kTab);
    clock.advance(0);

    const auto deliveries = desktop->hotKeys()->deliveries();
    ASSERT_EQ(deliveries.size(), 4u);
    const bool pressed[] = {true, false, true, false};
    for (std::size_t index = 0; index < deliveries.size(); ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(deliveries[index].hotKey.pid, 10);
        EXPECT_EQ(deliveries[index].hotKey.identifier, 7u);
        EXPECT_EQ(deliveries[index].pressed, pressed[index]);
    }
    EXPECT_EQ(applicationEvents(), (std::vector<std::string>{"10 down 48", "10 up 48"}));
}

TEST_F(KeyboardTest, ACombinationIsHeldByOneRegistrationAtATime)
{
    auto& hotKeys = *desktop->hotKeys();
    auto token = hotKeys.registerHotKey({.pid = 10, .keyCode = kTab, .modifiers = 0x1000});
    ASSERT_TRUE(token);

    struct Row {
        const char* name;
        std::uint32_t keyCode;
        std::uint32_t modifiers;
        bool accepted;
    };
    const Row rows[] = {
        {"same combination", kTab, 0x1000, false},
        {"with caps lock, which doesn't count", kTab, 0x1000 | 0x400, false},
        {"another modifier", kTab, 0x1000 | 0x100, true},
        {"another key", kA, 0x1000, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto mine = hotKeys.registerHotKey({.pid = 40, .keyCode = row.keyCode, .modifiers = row.modifiers});
        EXPECT_EQ(mine.has_value(), row.accepted);
        if (mine) {
            EXPECT_TRUE(hotKeys.unregisterHotKey(*mine));
        }
    }

    EXPECT_TRUE(hotKeys.unregisterHotKey(*token));
    EXPECT_FALSE(hotKeys.unregisterHotKey(*token));
    EXPECT_TRUE(hotKeys.registerHotKey({.pid = 40, .keyCode = kTab, .modifiers = 0x1000}));
    EXPECT_EQ(hotKeys.holder(kTab, 0x1000)->pid, 40);
}

TEST_F(KeyboardTest, CharactersComeFromTheSelectedLayout)
{
    struct Row {
        std::string_view layout;
        std::uint16_t keyCode;
        std::uint64_t flags;
        String characters;
        String ignoringModifiers;
    };
    const Row rows[] = {
        {textinput::InputSourceID::US, 16, 0, "y", "y"},
        {textinput::InputSourceID::German, 16, 0, "z", "z"},
        {textinput::InputSourceID::German, 16, kShift, "Z", "Z"},
        {textinput::InputSourceID::French, 12, 0, "a", "a"},
        {textinput::InputSourceID::Russian, 3, 0, u"\u0430", u"\u0430"},
        {textinput::InputSourceID::ABC, kA, kOption, u"\u00E5", "a"},
        {textinput::InputSourceID::US, kA, kControl, u"\u0001", "a"},
        {textinput::InputSourceID::US, kA, kCommand | kShift, "A", "A"},
        {textinput::InputSourceID::US, 126, 0, u"\u001E", u"\u001E"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.layout) + " " + std::to_string(row.keyCode));
        ScopedDesktop fresh{state()};
        ASSERT_TRUE(fresh->selectKeyboardLayout(row.layout));
        fresh->keyboard()->keyDown(row.keyCode, row.flags);
        auto deliveries = fresh->keyboard()->deliveries();
        ASSERT_EQ(deliveries.size(), 1u);
        EXPECT_EQ(deliveries[0].event.characters, row.characters);
        EXPECT_EQ(deliveries[0].event.charactersIgnoringModifiers, row.ignoringModifiers);
    }
}

TEST_F(KeyboardTest, DeadKeyWaitsForTheNextKey)
{
    ASSERT_TRUE(desktop->selectKeyboardLayout(textinput::InputSourceID::German));
    // On the German layout the key left of 1 is a dead circumflex.
    keyboard().pressKey(50);
    keyboard().pressKey(14);
    auto deliveries = keyboard().deliveries();
    ASSERT_EQ(deliveries.size(), 4u);
    EXPECT_EQ(deliveries[0].event.characters, "");
    EXPECT_EQ(deliveries[0].event.charactersIgnoringModifiers, "^");
    EXPECT_EQ(deliveries[2].event.characters, u"\u00EA");
}

// Counts what the distributed centre delivers to a Core Foundation observer.
int layoutNotifications = 0;
void countLayoutNotification(NSNotificationCenter*, void*, const String& name, const Id&, const Id&)
{
    if (name == String(kTISNotifySelectedKeyboardInputSourceChanged))
        ++layoutNotifications;
}

TEST_F(KeyboardTest, SelectingALayoutPostsTheDistributedNotification)
{
    layoutNotifications = 0;
    int observer = 0;
    auto* center = CFNotificationCenterGetDistributedCenter();
    CFNotificationCenterAddObserver(center, &observer, countLayoutNotification,
                                    String(kTISNotifySelectedKeyboardInputSourceChanged), Id(),
                                    CFNotificationSuspensionBehaviorCoalesce);

    EXPECT_TRUE(desktop->selectKeyboardLayout(textinput::InputSourceID::German));
    EXPECT_EQ(layoutNotifications, 0);
    clock.advance(0);
    EXPECT_EQ(layoutNotifications, 1);
    EXPECT_EQ(TISGetInputSourceProperty(TISCopyCurrentKeyboardLayoutInputSource(), kTISPropertyInputSourceID),
              std::string(textinput::InputSourceID::German));

    EXPECT_TRUE(desktop->selectKeyboardLayout(textinput::InputSourceID::German));
    EXPECT_FALSE(desktop->selectKeyboardLayout("org.kestrova.keylayout.Nonexistent"));
    // Selecting through the text-input call is a change of the desktop's
    // layout too.
    EXPECT_EQ(
        TISSelectInputSource(textinput::KeyboardLayoutCatalog::shared().inputSource(textinput::InputSourceID::US)), 0);
    clock.advance(0);
    EXPECT_EQ(layoutNotifications, 2);

    CFNotificationCenterRemoveEveryObserver(center, &observer);
}

TEST(KeyboardLayoutsTest, DesktopNamesItsLayoutAndScopesNest)
{
    auto russian = std::make_shared<textinput::KeyboardLayoutRegistry>(textinput::InputSourceID::Russian);
    textinput::ScopedCurrentKeyboardLayoutRegistry outer(russian);
    auto currentIdentifier = [] {
        return TISGetInputSourceProperty(TISCopyCurrentKeyboardLayoutInputSource(), kTISPropertyInputSourceID);
    };
    {
        ScopedDesktop desktop{state(R"({"keyboardLayout": "com.apple.keylayout.German"})")};
        EXPECT_EQ(currentIdentifier(), std::string(textinput::InputSourceID::German));
        EXPECT_EQ(desktop->keyboardLayouts(), textinput::KeyboardLayoutRegistry::current());
    }
    EXPECT_EQ(currentIdentifier(), std::string(textinput::InputSourceID::Russian));

    auto refused = DesktopDescription::parse(R"({"keyboardLayout": "com.apple.keylayout.Klingon"})");
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "keyboardLayout: unknown keyboard layout com.apple.keylayout.Klingon");
}

}  // namespace
