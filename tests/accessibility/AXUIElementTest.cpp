#include "accessibility/AXUIElement.h"

#include "TestDesktops.h"
#include "accessibility/AXUIElementPrivate.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

#include <string>
#include <unordered_set>
#include <vector>

using namespace simulation;

namespace {

// Safari (frontmost) with three windows, the third minimised and untitled;
// Notes without a name, with one dialog; a hung application; our own
// process.
constexpr const char* kDesktop = R"({
  "applications": [
    {"pid": 10, "name": "Safari", "frontmost": true, "windows": [
      {"number": 100, "title": "Start", "frame": {"x": 10, "y": 20, "width": 300, "height": 200}},
      {"number": 101, "title": "", "frame": {"x": 50, "y": 60, "width": 640, "height": 480}},
      {"number": 102, "minimized": true}
    ]},
    {"pid": 20, "windows": [{"number": 200, "title": "Save", "subrole": "AXDialog"}]},
    {"pid": 30, "name": "Hung", "failures": {"unresponsive": true}, "windows": [{"number": 300, "title": "t"}]},
    {"pid": 40, "name": "Kestrova", "activationPolicy": "accessory", "self": true}
  ]
})";

DesktopState state(const char* json = kDesktop)
{
    return test_desktops::fromJson(json);
}

AXUIElementRef windowElement(pid_t pid, CGWindowID number)
{
    return std::make_shared<AXUIElement>(AXUIElement::Kind::Window, pid, number);
}

std::vector<AXUIElementRef> windowsOf(pid_t pid)
{
    Id value;
    EXPECT_EQ(AXUIElementCopyAttributeValue(AXUIElementCreateApplication(pid), kAXWindowsAttribute, &value),
              kAXErrorSuccess);
    std::vector<AXUIElementRef> windows;
    if (const Array* array = value.array()) {
        for (const auto& item : *array)
            windows.push_back(item.object<AXUIElement>());
    }
    return windows;
}

CGWindowID numberOf(const AXUIElementRef& element)
{
    CGWindowID number = 0;
    EXPECT_EQ(_AXUIElementGetWindow(element, &number), kAXErrorSuccess);
    return number;
}

std::vector<CGWindowID> numbersOf(pid_t pid)
{
    std::vector<CGWindowID> numbers;
    for (const auto& window : windowsOf(pid))
        numbers.push_back(numberOf(window));
    return numbers;
}

Id read(const AXUIElementRef& element, const char* attribute, AXError expected = kAXErrorSuccess)
{
    Id value = Id("left over");
    EXPECT_EQ(AXUIElementCopyAttributeValue(element, attribute, &value), expected) << attribute;
    if (expected != kAXErrorSuccess) {
        EXPECT_TRUE(value.isNil()) << attribute;
    }
    return value;
}

TEST(AXUIElementTest, WindowsComeFrontToBackAsElementsEqualByIdentity)
{
    ScopedDesktop desktop(state());
    auto windows = windowsOf(10);
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(numbersOf(10), (std::vector<CGWindowID>{100, 101, 102}));

    // A second read gives new objects that name the same windows.
    auto again = windowsOf(10);
    EXPECT_NE(windows[0].get(), again[0].get());
    EXPECT_EQ(Id(windows[0]), Id(again[0]));
    EXPECT_NE(Id(windows[0]), Id(again[1]));
    EXPECT_NE(Id(windows[0]), Id(AXUIElementCreateApplication(10)));
    EXPECT_EQ(Id(AXUIElementCreateApplication(10)), Id(AXUIElementCreateApplication(10)));
    EXPECT_NE(Id(AXUIElementCreateApplication(10)), Id(AXUIElementCreateApplication(20)));
    std::unordered_set<Id> set{Id(windows[0]), Id(again[0]), Id(windows[1])};
    EXPECT_EQ(set.size(), 2u);

    pid_t pid = 0;
    EXPECT_EQ(AXUIElementGetPid(windows[1], &pid), kAXErrorSuccess);
    EXPECT_EQ(pid, 10);
    EXPECT_EQ(AXUIElementGetPid(AXUIElementCreateSystemWide(), &pid), kAXErrorIllegalArgument);

    EXPECT_TRUE(windowsOf(40).empty());
}

TEST(AXUIElementTest, AttributesAnswerFromTheDesktop)
{
    ScopedDesktop desktop(state());
    auto safari = AXUIElementCreateApplication(10);
    auto notes = AXUIElementCreateApplication(20);
    struct Row {
        AXUIElementRef element;
        const char* attribute;
        AXError error;
        Id value;
    };
    const Row rows[] = {
        {.element = safari, .attribute = kAXRoleAttribute, .error = kAXErrorSuccess, .value = "AXApplication"},
        {.element = safari, .attribute = kAXTitleAttribute, .error = kAXErrorSuccess, .value = "Safari"},
        {.element = notes, .attribute = kAXTitleAttribute, .error = kAXErrorNoValue, .value = Id()},
        {.element = safari, .attribute = kAXFrontmostAttribute, .error = kAXErrorSuccess, .value = Id::boolean(true)},
        {.element = notes, .attribute = kAXFrontmostAttribute, .error = kAXErrorSuccess, .value = Id::boolean(false)},
        {.element = safari, .attribute = kAXHiddenAttribute, .error = kAXErrorSuccess, .value = Id::boolean(false)},
        {.element = safari,
         .attribute = kAXMainWindowAttribute,
         .error = kAXErrorSuccess,
         .value = Id(windowElement(10, 100))},
        {.element = safari,
         .attribute = kAXFocusedWindowAttribute,
         .error = kAXErrorSuccess,
         .value = Id(windowElement(10, 100))},
        {.element = safari, .attribute = kAXMinimizedAttribute, .error = kAXErrorAttributeUnsupported, .value = Id()},
        {.element = windowElement(10, 100), .attribute = kAXTitleAttribute, .error = kAXErrorSuccess, .value = "Start"},
        {.element = windowElement(10, 101), .attribute = kAXTitleAttribute, .error = kAXErrorSuccess, .value = ""},
        {.element = windowElement(10, 102), .attribute = kAXTitleAttribute, .error = kAXErrorNoValue, .value = Id()},
        {.element = windowElement(10, 100),
         .attribute = kAXRoleAttribute,
         .error = kAXErrorSuccess,
         .value = "AXWindow"},
        {.element = windowElement(10, 100),
         .attribute = kAXSubroleAttribute,
         .error = kAXErrorSuccess,
         .value = "AXStandardWindow"},
        {.element = windowElement(20, 200),
         .attribute = kAXSubroleAttribute,
         .error = kAXErrorSuccess,
         .value = "AXDialog"},
        {.element = windowElement(10, 100),
         .attribute = kAXMainAttribute,
         .error = kAXErrorSuccess,
         .value = Id::boolean(true)},
        {.element = windowElement(10, 101),
         .attribute = kAXMainAttribute,
         .error = kAXErrorSuccess,
         .value = Id::boolean(false)},
        {.element = windowElement(10, 101),
         .attribute = kAXFocusedAttribute,
         .error = kAXErrorSuccess,
         .value = Id::boolean(false)},
        {.element = windowElement(10, 102),
         .attribute = kAXMinimizedAttribute,
         .error = kAXErrorSuccess,
         .value = Id::boolean(true)},
        {.element = windowElement(10, 100),
         .attribute = kAXMainWindowAttribute,
         .error = kAXErrorAttributeUnsupported,
         .value = Id()},
        {.element = windowElement(10, 100),
         .attribute = "AXColour",
         .error = kAXErrorAttributeUnsupported,
         .value = Id()},
        {.element = AXUIElementCreateSystemWide(),
         .attribute = kAXRoleAttribute,
         .error = kAXErrorSuccess,
         .value = "AXSystemWide"},
        {.element = AXUIElementCreateSystemWide(),
         .attribute = kAXFocusedApplicationAttribute,
         .error = kAXErrorSuccess,
         .value = Id(safari)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.element->description().utf8() + " " + row.attribute);
        Id value = read(row.element, row.attribute, row.error);
        EXPECT_EQ(value, row.value);
    }
}

TEST(AXUIElementTest, PositionAndSizeAreBoxedValues)
{
    ScopedDesktop desktop(state());
    Id position = read(windowElement(10, 101), kAXPositionAttribute);
    Id size = read(windowElement(10, 101), kAXSizeAttribute);
    CGPoint point;
    CGSize extent;
    ASSERT_TRUE(AXValueGetValue(position.object<AXValue>(), kAXValueCGPointType, &point));
    ASSERT_TRUE(AXValueGetValue(size.object<AXValue>(), kAXValueCGSizeType, &extent));
    EXPECT_EQ(point, (CGPoint{50, 60}));
    EXPECT_EQ(extent, (CGSize{640, 480}));

    CGPoint moved{5, 6};
    CGSize resized{7, 8};
    auto element = windowElement(10, 101);
    EXPECT_EQ(
        AXUIElementSetAttributeValue(element, kAXPositionAttribute, Id(AXValueCreate(kAXValueCGPointType, &moved))),
        kAXErrorSuccess);
    EXPECT_EQ(AXUIElementSetAttributeValue(element, kAXSizeAttribute, Id(AXValueCreate(kAXValueCGSizeType, &resized))),
              kAXErrorSuccess);
    EXPECT_EQ(desktop->window(101)->window.frame, CGRectMake(5, 6, 7, 8));
    // A size is no position.
    EXPECT_EQ(
        AXUIElementSetAttributeValue(element, kAXPositionAttribute, Id(AXValueCreate(kAXValueCGSizeType, &resized))),
        kAXErrorIllegalArgument);
    EXPECT_EQ(AXUIElementSetAttributeValue(element, kAXTitleAttribute, Id("renamed")), kAXErrorAttributeUnsupported);
}

TEST(AXUIElementTest, InjectedFailuresAndAnswersReplaceTheRealOnes)
{
    ScopedDesktop desktop(state(R"({"applications": [
      {"pid": 10, "failures": {"values": {"AXWindows": "not an array"}}},
      {"pid": 20, "failures": {"read": {"AXTitle": "failure"}}, "windows": [
        {"number": 200, "title": "t", "failures": {"read": {"AXTitle": "cannotComplete", "*": "noValue"}}},
        {"number": 201, "title": "t", "failures": {"values": {"AXTitle": 42, "AXPosition": null}}},
        {"number": 202, "title": "t", "failures": {"unresponsive": true}}
      ]}
    ]})"));
    struct Row {
        AXUIElementRef element;
        const char* attribute;
        AXError error;
        Id value;
    };
    const Row rows[] = {
        {.element = AXUIElementCreateApplication(10),
         .attribute = kAXWindowsAttribute,
         .error = kAXErrorSuccess,
         .value = "not an array"},
        {.element = AXUIElementCreateApplication(20),
         .attribute = kAXTitleAttribute,
         .error = kAXErrorFailure,
         .value = Id()},
        // The application's failures are its own; its windows still answer.
        {.element = AXUIElementCreateApplication(20),
         .attribute = kAXRoleAttribute,
         .error = kAXErrorSuccess,
         .value = "AXApplication"},
        {.element = windowElement(20, 200),
         .attribute = kAXTitleAttribute,
         .error = kAXErrorCannotComplete,
         .value = Id()},
        {.element = windowElement(20, 200), .attribute = kAXRoleAttribute, .error = kAXErrorNoValue, .value = Id()},
        {.element = windowElement(20, 201),
         .attribute = kAXTitleAttribute,
         .error = kAXErrorSuccess,
         .value = Id::number(42)},
        {.element = windowElement(20, 201), .attribute = kAXPositionAttribute, .error = kAXErrorSuccess, .value = Id()},
        {.element = windowElement(20, 201),
         .attribute = kAXRoleAttribute,
         .error = kAXErrorSuccess,
         .value = "AXWindow"},
        {.element = windowElement(20, 202),
         .attribute = kAXTitleAttribute,
         .error = kAXErrorCannotComplete,
         .value = Id()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.element->description().utf8() + " " + row.attribute);
        EXPECT_EQ(read(row.element, row.attribute, row.error), row.value);
    }
    EXPECT_EQ(AXUIElementSetAttributeValue(windowElement(20, 202), kAXMainAttribute, Id::boolean(true)),
              kAXErrorCannotComplete);
    CGWindowID number = 7;
    EXPECT_EQ(_AXUIElementGetWindow(windowElement(20, 202), &number), kAXErrorCannotComplete);
    EXPECT_EQ(number, 7u);
}

TEST(AXUIElementTest, AHungApplicationAnswersNothingForItselfOrItsWindows)
{
    ScopedDesktop desktop(state());
    CGWindowID number = 0;
    read(AXUIElementCreateApplication(30), kAXWindowsAttribute, kAXErrorCannotComplete);
    read(windowElement(30, 300), kAXTitleAttribute, kAXErrorCannotComplete);
    EXPECT_EQ(AXUIElementPerformAction(windowElement(30, 300), kAXRaiseAction), kAXErrorCannotComplete);
    EXPECT_EQ(_AXUIElementGetWindow(windowElement(30, 300), &number), kAXErrorCannotComplete);
}

TEST(AXUIElementTest, WithoutTrustEveryCallIsDisabled)
{
    auto untrusted = state();
    untrusted.trusted = false;
    ScopedDesktop desktop(std::move(untrusted));
    read(AXUIElementCreateApplication(10), kAXWindowsAttribute, kAXErrorAPIDisabled);
    read(windowElement(10, 100), kAXTitleAttribute, kAXErrorAPIDisabled);
    read(AXUIElementCreateSystemWide(), kAXFocusedApplicationAttribute, kAXErrorAPIDisabled);
    EXPECT_EQ(AXUIElementSetAttributeValue(windowElement(10, 101), kAXMainAttribute, Id::boolean(true)),
              kAXErrorAPIDisabled);
    EXPECT_EQ(AXUIElementPerformAction(windowElement(10, 101), kAXRaiseAction), kAXErrorAPIDisabled);
    CGWindowID number = 0;
    EXPECT_EQ(_AXUIElementGetWindow(windowElement(10, 101), &number), kAXErrorAPIDisabled);
    EXPECT_EQ(number, 0u);
    EXPECT_EQ(desktop->application(10)->mainWindow, 100u);

    desktop->setTrusted(true);
    EXPECT_EQ(read(windowElement(10, 100), kAXTitleAttribute), Id("Start"));
}

TEST(AXUIElementTest, MakingAWindowMainRaisesItWithinItsApplication)
{
    ScopedDesktop desktop(state());
    auto windows = windowsOf(10);
    // Main, main window and focused window written as true on the window
    // itself each bring it to the front; false, or a value that isn't a
    // Boolean, moves nothing.
    for (const char* attribute : {kAXMainAttribute, kAXMainWindowAttribute, kAXFocusedWindowAttribute}) {
        SCOPED_TRACE(attribute);
        EXPECT_EQ(AXUIElementSetAttributeValue(windows[1], attribute, Id::boolean(false)), kAXErrorSuccess);
        EXPECT_EQ(AXUIElementSetAttributeValue(windows[1], attribute, Id::number(1)), kAXErrorIllegalArgument);
        EXPECT_EQ(numbersOf(10), (std::vector<CGWindowID>{100, 101, 102}));
        EXPECT_EQ(AXUIElementSetAttributeValue(windows[1], attribute, Id::boolean(true)), kAXErrorSuccess);
        EXPECT_EQ(numbersOf(10), (std::vector<CGWindowID>{101, 100, 102}));
        EXPECT_EQ(AXUIElementSetAttributeValue(windows[0], kAXMainAttribute, Id::boolean(true)), kAXErrorSuccess);
        EXPECT_EQ(numbersOf(10), (std::vector<CGWindowID>{100, 101, 102}));
    }

    EXPECT_EQ(AXUIElementSetAttributeValue(windows[1], kAXMainAttribute, Id::boolean(true)), kAXErrorSuccess);
    EXPECT_EQ(numbersOf(10), (std::vector<CGWindowID>{101, 100, 102}));
    EXPECT_EQ(read(windows[1], kAXMainAttribute), Id::boolean(true));
    EXPECT_EQ(read(windows[1], kAXFocusedAttribute), Id::boolean(true));
    EXPECT_EQ(read(windows[0], kAXMainAttribute), Id::boolean(false));
    // Elements read before the raise still name their windows.
    EXPECT_EQ(numberOf(windows[0]), 100u);

    // The raise action and the application's main window do the same.
    EXPECT_EQ(AXUIElementPerformAction(windows[0], kAXRaiseAction), kAXErrorSuccess);
    EXPECT_EQ(numbersOf(10), (std::vector<CGWindowID>{100, 101, 102}));
    auto safari = AXUIElementCreateApplication(10);
    EXPECT_EQ(AXUIElementSetAttributeValue(safari, kAXMainWindowAttribute, Id(windows[1])), kAXErrorSuccess);
    EXPECT_EQ(numbersOf(10), (std::vector<CGWindowID>{101, 100, 102}));
    EXPECT_EQ(AXUIElementSetAttributeValue(safari, kAXFocusedWindowAttribute, Id(windows[0])), kAXErrorSuccess);
    EXPECT_EQ(desktop->application(10)->focusedWindow, 100u);
    EXPECT_EQ(desktop->application(10)->mainWindow, 101u);

    // Nothing of this activates the application.
    EXPECT_TRUE(desktop->activations().empty());
}

TEST(AXUIElementTest, WritesThatCantBeCarriedOutChangeNothing)
{
    ScopedDesktop desktop(state(R"({"applications": [
      {"pid": 10, "windows": [
        {"number": 100},
        {"number": 101, "failures": {"raise": "cannotComplete"}},
        {"number": 102, "failures": {"write": {"AXMain": "failure"}}}
      ]},
      {"pid": 20, "windows": [{"number": 200}]}
    ]})"));
    auto safari = AXUIElementCreateApplication(10);
    struct Row {
        const char* what;
        AXError error;
        AXError result;
    };
    const Row rows[] = {
        {.what = "raise failure through main",
         .error = kAXErrorCannotComplete,
         .result = AXUIElementSetAttributeValue(windowElement(10, 101), kAXMainAttribute, Id::boolean(true))},
        {.what = "raise failure through the action",
         .error = kAXErrorCannotComplete,
         .result = AXUIElementPerformAction(windowElement(10, 101), kAXRaiseAction)},
        {.what = "raise failure through the window's focused window",
         .error = kAXErrorCannotComplete,
         .result = AXUIElementSetAttributeValue(windowElement(10, 101), kAXFocusedWindowAttribute, Id::boolean(true))},
        {.what = "raise failure through the application",
         .error = kAXErrorCannotComplete,
         .result = AXUIElementSetAttributeValue(safari, kAXMainWindowAttribute, Id(windowElement(10, 101)))},
        {.what = "write failure",
         .error = kAXErrorFailure,
         .result = AXUIElementSetAttributeValue(windowElement(10, 102), kAXMainAttribute, Id::boolean(true))},
        {.what = "not a Boolean",
         .error = kAXErrorIllegalArgument,
         .result = AXUIElementSetAttributeValue(windowElement(10, 100), kAXMainAttribute, Id::number(1))},
        {.what = "another application's window",
         .error = kAXErrorIllegalArgument,
         .result = AXUIElementSetAttributeValue(safari, kAXMainWindowAttribute, Id(windowElement(20, 200)))},
        {.what = "not an element",
         .error = kAXErrorIllegalArgument,
         .result = AXUIElementSetAttributeValue(safari, kAXMainWindowAttribute, Id("100"))},
        {.what = "unknown action",
         .error = kAXErrorActionUnsupported,
         .result = AXUIElementPerformAction(windowElement(10, 102), "AXPress")},
        {.what = "action on an application",
         .error = kAXErrorActionUnsupported,
         .result = AXUIElementPerformAction(safari, kAXRaiseAction)},
        {.what = "system-wide",
         .error = kAXErrorAttributeUnsupported,
         .result =
             AXUIElementSetAttributeValue(AXUIElementCreateSystemWide(), kAXFrontmostAttribute, Id::boolean(true))},
        {.what = "no element",
         .error = kAXErrorIllegalArgument,
         .result = AXUIElementSetAttributeValue(nullptr, kAXMainAttribute, Id::boolean(true))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.result, row.error);
    }
    EXPECT_EQ(numbersOf(10), (std::vector<CGWindowID>{100, 101, 102}));
    EXPECT_EQ(desktop->application(10)->mainWindow, 100u);
}

TEST(AXUIElementTest, FrontmostAndHiddenDriveTheApplication)
{
    ScopedDesktop desktop(state());
    auto notes = AXUIElementCreateApplication(20);
    EXPECT_EQ(AXUIElementSetAttributeValue(notes, kAXFrontmostAttribute, Id::boolean(true)), kAXErrorSuccess);
    EXPECT_EQ(desktop->frontmostApplication(), 20);
    ASSERT_EQ(desktop->activations().size(), 1u);
    EXPECT_EQ(desktop->activations()[0].requester, 40);
    EXPECT_EQ(desktop->activations()[0].via, String("AXFrontmost"));

    EXPECT_EQ(AXUIElementSetAttributeValue(notes, kAXHiddenAttribute, Id::boolean(true)), kAXErrorSuccess);
    EXPECT_TRUE(desktop->application(20)->hidden);
    EXPECT_EQ(desktop->frontmostApplication(), 10);
    EXPECT_EQ(AXUIElementSetAttributeValue(notes, kAXHiddenAttribute, Id("yes")), kAXErrorIllegalArgument);
}

TEST(AXUIElementTest, ElementsOfThingsThatAreGoneAreInvalid)
{
    ScopedDesktop desktop(state());
    auto windows = windowsOf(10);
    desktop->closeWindow(101);
    read(windows[1], kAXTitleAttribute, kAXErrorInvalidUIElement);
    CGWindowID number = 0;
    EXPECT_EQ(_AXUIElementGetWindow(windows[1], &number), kAXErrorInvalidUIElement);
    EXPECT_EQ(AXUIElementPerformAction(windows[1], kAXRaiseAction), kAXErrorInvalidUIElement);

    desktop->quitApplication(10);
    read(AXUIElementCreateApplication(10), kAXWindowsAttribute, kAXErrorInvalidUIElement);
    read(windows[0], kAXTitleAttribute, kAXErrorInvalidUIElement);
    read(AXUIElementCreateApplication(12345), kAXTitleAttribute, kAXErrorInvalidUIElement);
    read(nullptr, kAXTitleAttribute, kAXErrorIllegalArgument);
    EXPECT_EQ(AXUIElementCopyAttributeValue(windows[0], kAXTitleAttribute, nullptr), kAXErrorIllegalArgument);
}

TEST(AXUIElementTest, WindowNumbersFailOnlyWhereTheyShould)
{
    ScopedDesktop desktop(state(R"({"applications": [{"pid": 10, "windows": [
      {"number": 100, "failures": {"windowNumber": true}},
      {"number": 101, "failures": {"windowNumber": true}},
      {"number": 102}
    ]}]})"));
    auto windows = windowsOf(10);
    CGWindowID number = 0;
    EXPECT_EQ(_AXUIElementGetWindow(windows[0], &number), kAXErrorFailure);
    EXPECT_EQ(_AXUIElementGetWindow(windows[1], &number), kAXErrorFailure);
    EXPECT_EQ(number, 0u);
    // The elements stay distinct: the failure is in the call, not the window.
    EXPECT_NE(Id(windows[0]), Id(windows[1]));
    EXPECT_EQ(_AXUIElementGetWindow(windows[2], &number), kAXErrorSuccess);
    EXPECT_EQ(number, 102u);
    EXPECT_EQ(_AXUIElementGetWindow(AXUIElementCreateApplication(10), &number), kAXErrorIllegalArgument);
    EXPECT_EQ(_AXUIElementGetWindow(windows[2], nullptr), kAXErrorIllegalArgument);
}

TEST(AXUIElementTest, TrustCheckPromptsOnlyWhenAskedAndUntrusted)
{
    auto untrusted = state();
    untrusted.trusted = false;
    ScopedDesktop desktop(std::move(untrusted));
    Dictionary prompt{{kAXTrustedCheckOptionPrompt, Id::boolean(true)}};

    EXPECT_FALSE(AXIsProcessTrusted());
    EXPECT_FALSE(AXIsProcessTrustedWithOptions());
    EXPECT_FALSE(AXIsProcessTrustedWithOptions(Dictionary{{kAXTrustedCheckOptionPrompt, Id::boolean(false)}}));
    EXPECT_FALSE(AXIsProcessTrustedWithOptions(Dictionary{{kAXTrustedCheckOptionPrompt, "true"}}));
    EXPECT_TRUE(desktop->trustPrompts().empty());

    // The user grants access from the dialog; the answer is the one from the
    // time of asking.
    auto grant = desktop->addListener([&](const DesktopChange& change) {
        if (change.kind == DesktopChange::Kind::TrustPrompted)
            desktop->setTrusted(true);
    });
    EXPECT_FALSE(AXIsProcessTrustedWithOptions(prompt));
    ASSERT_EQ(desktop->trustPrompts().size(), 1u);
    EXPECT_EQ(desktop->trustPrompts()[0].process, 40);
    EXPECT_TRUE(AXIsProcessTrusted());
    EXPECT_TRUE(AXIsProcessTrustedWithOptions(prompt));
    EXPECT_EQ(desktop->trustPrompts().size(), 1u);
}

TEST(AXUIElementTest, ValuesUnpackOnlyAsTheirOwnType)
{
    CGRect rect = CGRectMake(1, 2, 3, 4);
    auto value = AXValueCreate(kAXValueCGRectType, &rect);
    ASSERT_TRUE(value);
    EXPECT_EQ(AXValueGetType(value), kAXValueCGRectType);
    CGRect out;
    EXPECT_TRUE(AXValueGetValue(value, kAXValueCGRectType, &out));
    EXPECT_EQ(out, rect);
    CGPoint untouched{9, 9};
    EXPECT_FALSE(AXValueGetValue(value, kAXValueCGPointType, &untouched));
    EXPECT_EQ(untouched, (CGPoint{9, 9}));
    EXPECT_FALSE(AXValueGetValue(nullptr, kAXValueCGPointType, &untouched));
    EXPECT_EQ(AXValueGetType(nullptr), kAXValueIllegalType);
    EXPECT_FALSE(AXValueCreate(kAXValueIllegalType, &rect));
    EXPECT_FALSE(AXValueCreate(kAXValueCGPointType, nullptr));
    EXPECT_EQ(Id(value), Id(AXValueCreate(kAXValueCGRectType, &rect)));
}

}  // namespace
