#include "Kestrova/A11yElement.h"

#include "WindowsTestSupport.h"
#include "appkit/NSRunningApplication.h"
#include "quartz/CGEvent.h"
#include "simulation/SimulatedDesktop.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

using simulation::PointerLogEntry;

namespace {

// Mail frontmost with its window on the main screen; Safari behind it with
// windows on both screens (when there are two), some of which won't give
// their place or size, or won't be raised.
std::string desktopWith(int screens)
{
    std::string screenList = screens == 1 ? R"([{"x": 0, "y": 0, "width": 1000, "height": 800}])"
                                          : R"([{"x": 0, "y": 0, "width": 1000, "height": 800},
                                                {"x": 1000, "y": 0, "width": 1000, "height": 800}])";
    return R"({"screens": )" + screenList + R"(,
  "applications": [
    {"pid": 1, "name": "Kestrova", "activationPolicy": "accessory", "self": true},
    {"pid": 10, "name": "Mail", "frontmost": true, "windows": [
      {"number": 100, "title": "Inbox", "frame": {"x": 0, "y": 0, "width": 1000, "height": 800}}
    ]},
    {"pid": 20, "name": "Safari", "windows": [
      {"number": 200, "title": "Start", "frame": {"x": 100, "y": 100, "width": 400, "height": 300}},
      {"number": 201, "title": "Docs", "frame": {"x": 1600, "y": 100, "width": 400, "height": 300}},
      {"number": 202, "title": "No position", "frame": {"x": 1200, "y": 200, "width": 200, "height": 100},
       "failures": {"read": {"AXPosition": "cannotComplete"}}},
      {"number": 203, "title": "No size", "frame": {"x": 1200, "y": 200, "width": 200, "height": 100},
       "failures": {"read": {"AXSize": "failure"}}},
      {"number": 204, "title": "Odd position", "frame": {"x": 1200, "y": 200, "width": 200, "height": 100},
       "failures": {"values": {"AXPosition": 42}}},
      {"number": 205, "title": "Silent size", "frame": {"x": 1200, "y": 200, "width": 200, "height": 100},
       "failures": {"values": {"AXSize": null}}},
      {"number": 206, "title": "Stubborn", "frame": {"x": 1200, "y": 500, "width": 200, "height": 100},
       "failures": {"write": {"AXMain": "failure"}}},
      {"number": 207, "title": "Frozen", "frame": {"x": 1200, "y": 500, "width": 200, "height": 100},
       "failures": {"raise": "cannotComplete"}}
    ]}
  ]})";
}

class A11yElementTest : public WindowsTest {
protected:
    explicit A11yElementTest(int screens = 1)
        : WindowsTest(desktopWith(screens))
    {
    }

    // Safari's window with that number, as the interface gives it.
    std::shared_ptr<A11yElement> safariWindow(CGWindowID number)
    {
        for (auto& window : windowsOf(20)) {
            if (window->windowNumber() == number)
                return window;
        }
        ADD_FAILURE() << "no window " << number;
        return nullptr;
    }

    std::vector<CGWindowID> safariOrder()
    {
        std::vector<CGWindowID> numbers;
        auto safari = desktop().application(20);
        for (const auto& window : safari->windows)
            numbers.push_back(window.number);
        return numbers;
    }

    void expectNoPointerActivity() { EXPECT_TRUE(desktop().pointerLog().empty()); }
};

class TwoScreensTest : public A11yElementTest {
protected:
    TwoScreensTest()
        : A11yElementTest(2)
    {
    }

    // The pointer moved to `centre`, mouse and pointer were joined again,
    // and one left click went down and up there, in that order.
    void expectClickAt(CGPoint centre)
    {
        auto log = desktop().pointerLog();
        ASSERT_EQ(log.size(), 4u);
        EXPECT_EQ(log[0].kind, PointerLogEntry::Kind::Warp);
        EXPECT_EQ(log[0].location, centre);
        EXPECT_EQ(log[1].kind, PointerLogEntry::Kind::Associate);
        EXPECT_TRUE(log[1].associated);
        EXPECT_EQ(log[2].event.type, kCGEventLeftMouseDown);
        EXPECT_EQ(log[3].event.type, kCGEventLeftMouseUp);
        for (std::size_t i = 2; i < log.size(); ++i) {
            EXPECT_EQ(log[i].kind, PointerLogEntry::Kind::Post);
            EXPECT_EQ(log[i].event.location, centre);
            EXPECT_EQ(log[i].event.mouseButton, kCGMouseButtonLeft);
            EXPECT_EQ(log[i].event.tap, kCGHIDEventTap);
        }
    }
};

TEST(A11yTitleTest, OnlyUsableTitlesCountAndUnreadableOnesAreUnknown)
{
    struct Row {
        const char* window;  // as the description gives it
        const char* title;
        bool titled;
    };
    const Row rows[] = {
        {.window = R"({"title": ""})", .title = "", .titled = false},
        {.window = R"({"title": "Unknown"})", .title = "Unknown", .titled = false},
        {.window = R"({"title": "Find in page"})", .title = "Find in page", .titled = false},
        {.window = R"({"title": "Find in page: kestrova"})", .title = "Find in page: kestrova", .titled = false},
        {.window = R"({"title": "Find in pag"})", .title = "Find in pag", .titled = true},
        {.window = R"({"title": "find in page"})", .title = "find in page", .titled = true},
        {.window = R"({"title": " Find in page"})", .title = " Find in page", .titled = true},
        {.window = R"({"title": null})", .title = "Unknown", .titled = false},
        {.window = R"({"title": "Hidden", "failures": {"read": {"AXTitle": "cannotComplete"}}})",
         .title = "Unknown",
         .titled = false},
        {.window = R"({"title": "Number", "failures": {"values": {"AXTitle": 42}}})",
         .title = "Unknown",
         .titled = false},
        {.window = R"({"title": "Report \u00e9t\u00e9"})", .title = "Report \u00e9t\u00e9", .titled = true},
    };
    std::string windows;
    for (const auto& row : rows)
        windows += (windows.empty() ? "" : ", ") + std::string(row.window);
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop(
        parseDesktop(R"({"applications": [{"pid": 30, "name": "Notes", "windows": [)" + windows + "]}]}"));

    auto application = A11yElement::forApplication(30);
    EXPECT_EQ(application->title(), String("Notes"));
    auto all = application->windows();
    ASSERT_EQ(all.size(), std::size(rows));
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(rows[i].window);
        EXPECT_EQ(all[i]->title(), String(rows[i].title));
        if (rows[i].titled)
            expected.push_back(rows[i].title);
    }
    EXPECT_EQ(titlesOf(titledWindows(*application)), expected);
}

TEST_F(A11yElementTest, ReadsThatTheInterfaceRefusesGiveTheirFallbacks)
{
    auto safari = A11yElement::forApplication(20);
    auto start = safariWindow(200);
    ASSERT_EQ(safari->windows().size(), 8u);
    EXPECT_EQ(start->windowNumber(), 200u);
    EXPECT_EQ(safari->windowNumber(), 0u) << "an application is no window";
    EXPECT_EQ(start->center(), (CGPoint{300, 250}));

    struct Row {
        const char* what;
        std::function<void(simulation::SimulatedDesktop&)> change;
    };
    const Row rows[] = {
        {.what = "trust withdrawn", .change = [](auto& desktop) { desktop.setTrusted(false); }},
        {.what = "hung application",
         .change = [](auto& desktop) { desktop.setApplicationFailures(20, {.unresponsive = true}); }},
        {.what = "application quit", .change = [](auto& desktop) { desktop.quitApplication(20); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        simulation::ScopedDesktop fresh(parseDesktop(desktopWith(1)));
        auto application = A11yElement::forApplication(20);
        auto window = application->windows().at(0);
        row.change(fresh.desktop());
        EXPECT_EQ(application->title(), String("Unknown"));
        EXPECT_TRUE(application->windows().empty());
        EXPECT_TRUE(titledWindows(*application).empty());
        EXPECT_EQ(window->title(), String("Unknown"));
        EXPECT_EQ(window->windowNumber(), 0u);
        EXPECT_EQ(window->center(), std::nullopt);
    }

    // A windows attribute that isn't a list of elements is no windows.
    for (const char* answer : {R"("windows")", "[1, 2]", "[]"}) {
        SCOPED_TRACE(answer);
        simulation::ScopedDesktop fresh(parseDesktop(R"({"applications": [{"pid": 40, "windows": [{"title": "t"}],
            "failures": {"values": {"AXWindows": )" + std::string(answer) +
                                                     "}}}]}"));
        EXPECT_TRUE(A11yElement::forApplication(40)->windows().empty());
    }

    // One window's number failing leaves the others readable.
    desktop().setWindowFailures(201, {.windowNumber = true});
    EXPECT_EQ(windowsOf(20)[1]->windowNumber(), 0u);
    EXPECT_EQ(windowsOf(20)[0]->windowNumber(), 200u);
}

TEST_F(A11yElementTest, WithOneScreenRaisingOnlyMakesTheWindowMain)
{
    auto docs = safariWindow(201);
    docs->raise();
    advance(1);
    EXPECT_EQ(safariOrder().front(), 201u);
    EXPECT_EQ(desktop().application(20)->mainWindow, 201u);
    EXPECT_EQ(desktop().application(20)->focusedWindow, 201u);
    EXPECT_EQ(desktop().frontmostApplication(), 10) << "the caller activates the application, not the raise";
    expectNoPointerActivity();
    EXPECT_TRUE(desktop().postedEvents().empty());
}

TEST_F(A11yElementTest, AFailingWriteDoesNotKeepTheOthersFromRaising)
{
    // Its own main attribute refuses; main window and focused window still
    // bring it forward.
    safariWindow(206)->raise();
    EXPECT_EQ(safariOrder().front(), 206u);

    // A window that can't be raised at all stays where it is, quietly.
    safariWindow(207)->raise();
    EXPECT_EQ(safariOrder().front(), 206u);
    EXPECT_EQ(desktop().application(20)->mainWindow, 206u);
}

TEST_F(TwoScreensTest, RaisingClicksTheWindowsCentreOnTheMainQueueAfterwards)
{
    auto docs = safariWindow(201);
    docs->raise();
    EXPECT_EQ(safariOrder().front(), 201u);
    advance(0);
    expectNoPointerActivity();

    advance(0.02);
    expectClickAt({1800, 250});
    // The click lands on the window under the pointer, on the second screen,
    // and brings its application forward with it.
    EXPECT_EQ(desktop().frontmostApplication(), 20);
    EXPECT_EQ(desktop().windowAtPoint({1800, 250})->second, 201u);
    ASSERT_FALSE(desktop().activations().empty());
    EXPECT_EQ(desktop().activations().back().via, String("click"));

    advance(1);
    EXPECT_EQ(desktop().pointerLog().size(), 4u) << "one click per raise";
}

TEST_F(TwoScreensTest, AWindowWhosePlaceCantBeReadIsNotClicked)
{
    // Each of these would put the centre near the main screen's corner, on
    // Mail's window, with zeros for what couldn't be read.
    for (CGWindowID number : {202u, 203u, 204u, 205u}) {
        SCOPED_TRACE(number);
        auto window = safariWindow(number);
        EXPECT_EQ(window->center(), std::nullopt);
        window->raise();
        advance(0.02);
        EXPECT_EQ(safariOrder().front(), number) << "the raise itself still happens";
    }
    expectNoPointerActivity();
    EXPECT_EQ(desktop().frontmostApplication(), 10);
    EXPECT_TRUE(desktop().activations().empty());
}

TEST_F(TwoScreensTest, NoClickForAnElementThatWentBeforeItsTurn)
{
    auto docs = safariWindow(201);
    docs->raise();
    docs.reset();
    advance(0.02);
    expectNoPointerActivity();
    EXPECT_EQ(safariOrder().front(), 201u);
}

TEST_F(TwoScreensTest, AMouseEventThatCantBeMadeLeavesTheOtherPosted)
{
    desktop().setRefusedEventTypes({kCGEventLeftMouseDown});
    auto docs = safariWindow(201);
    docs->raise();
    advance(0.02);
    auto events = desktop().postedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, kCGEventLeftMouseUp);
    EXPECT_EQ(events[0].location, (CGPoint{1800, 250}));
    EXPECT_EQ(desktop().pointerLocation(), (CGPoint{1800, 250}));
}

TEST_F(TwoScreensTest, WithoutTrustNothingMovesAndNothingIsClicked)
{
    auto docs = safariWindow(201);
    desktop().setTrusted(false);
    docs->raise();
    advance(0.02);
    EXPECT_EQ(safariOrder().front(), 200u);
    expectNoPointerActivity();
}

}  // namespace
