#include "Kestrova/WindowManager.h"

#include "WindowsTestSupport.h"
#include "appkit/NSRunningApplication.h"
#include "simulation/SimulatedDesktop.h"

#include <map>
#include <string>
#include <vector>

namespace {

// Safari with windows A, B and C (front to back) and an untitled find bar;
// Terminal with no titled window; Notes, whose window numbers the interface
// won't give, with X, Y and Z.
constexpr const char* kDesktop = R"({"applications": [
  {"pid": 1, "name": "Kestrova", "activationPolicy": "accessory", "self": true},
  {"pid": 10, "name": "Safari", "windows": [
    {"number": 101, "title": "A"}, {"number": 102, "title": "B"},
    {"number": 109, "title": "Find in page"}, {"number": 103, "title": "C"}
  ]},
  {"pid": 20, "name": "Terminal", "windows": [{"number": 200, "title": ""}]},
  {"pid": 30, "name": "Notes", "windows": [
    {"number": 301, "title": "X", "failures": {"windowNumber": true}},
    {"number": 302, "title": "Y", "failures": {"windowNumber": true}},
    {"number": 303, "title": "Z", "failures": {"windowNumber": true}}
  ]}
]})";

constexpr pid_t kSafari = 10;
constexpr pid_t kTerminal = 20;
constexpr pid_t kNotes = 30;

using Titles = std::vector<std::string>;

class WindowManagerTest : public WindowsTest {
protected:
    WindowManagerTest()
        : WindowsTest(kDesktop)
    {
    }

    static std::shared_ptr<NSRunningApplication> application(pid_t pid)
    {
        return NSRunningApplication::runningApplicationWithProcessIdentifier(pid);
    }
    static RunningApp runningApp(pid_t pid) { return {application(pid), A11yElement::forApplication(pid)}; }

    void refresh(pid_t pid) { manager.refreshWindows(*application(pid), *A11yElement::forApplication(pid)); }
    Titles saved(pid_t pid) const { return titlesOf(manager.windows(pid)); }
    void move(long from, long to, pid_t pid = kSafari)
    {
        manager.moveWindow(NSIndexPath(from, 0), NSIndexPath(to, 0), *application(pid));
    }
    // Puts the desktop's windows of the application in this order, front to
    // back, by raising them from the back.
    void arrange(const std::vector<CGWindowID>& frontToBack)
    {
        for (auto it = frontToBack.rbegin(); it != frontToBack.rend(); ++it)
            desktop().raiseWindow(*it);
    }

    WindowManager manager;
};

TEST_F(WindowManagerTest, TheFirstRefreshKeepsTheTitledWindowsInTheInterfacesOrder)
{
    EXPECT_TRUE(manager.windowsByPid().empty());
    refresh(kSafari);
    refresh(kTerminal);
    EXPECT_EQ(saved(kSafari), (Titles{"A", "B", "C"}));
    ASSERT_TRUE(manager.windowsByPid().contains(kTerminal)) << "refreshed, so it has an entry";
    EXPECT_TRUE(manager.windowsByPid().at(kTerminal).empty());
    EXPECT_FALSE(manager.windowsByPid().contains(kNotes));
    EXPECT_TRUE(manager.windows(kNotes).empty());
}

TEST_F(WindowManagerTest, RefreshingKeepsTheUsersOrderAddsNewWindowsLastAndDropsClosedOnes)
{
    refresh(kSafari);
    move(2, 0);
    ASSERT_EQ(saved(kSafari), (Titles{"C", "A", "B"}));
    auto before = manager.windows(kSafari);

    // D opens, and the desktop's order changes under it: B, D, C, A.
    auto d = desktop().openWindow(kSafari, {.title = String("D")});
    ASSERT_TRUE(d);
    arrange({102, *d, 103, 101});
    refresh(kSafari);
    EXPECT_EQ(saved(kSafari), (Titles{"C", "A", "B", "D"}));
    // The survivors are the very objects saved, so that the order lives in
    // them.
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(manager.windows(kSafari)[i], before[i]);

    desktop().closeWindow(101);
    refresh(kSafari);
    EXPECT_EQ(saved(kSafari), (Titles{"C", "B", "D"}));

    // A window that loses its title leaves the order; given one again, it
    // comes back at the end.
    desktop().setWindowTitle(103, String(""));
    refresh(kSafari);
    EXPECT_EQ(saved(kSafari), (Titles{"B", "D"}));
    desktop().setWindowTitle(103, String("C"));
    refresh(kSafari);
    EXPECT_EQ(saved(kSafari), (Titles{"B", "D", "C"}));
}

TEST_F(WindowManagerTest, DraggingMovesOneWindowToTheGapItWasDroppedIn)
{
    struct Row {
        long from;
        long to;
        Titles order;
    };
    const Row rows[] = {
        {.from = 0, .to = 2, .order = {"B", "A", "C"}},
        {.from = 2, .to = 0, .order = {"C", "A", "B"}},
        {.from = 1, .to = 1, .order = {"A", "B", "C"}},
        {.from = 1, .to = 2, .order = {"A", "B", "C"}},
        {.from = 0, .to = 0, .order = {"A", "B", "C"}},
        {.from = 0, .to = 3, .order = {"B", "C", "A"}},
        {.from = 2, .to = 1, .order = {"A", "C", "B"}},
        // Rows that aren't there change nothing.
        {.from = 3, .to = 0, .order = {"A", "B", "C"}},
        {.from = -1, .to = 0, .order = {"A", "B", "C"}},
        {.from = 0, .to = 4, .order = {"A", "B", "C"}},
        {.from = 1, .to = -1, .order = {"A", "B", "C"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.from) + " -> " + std::to_string(row.to));
        manager.pruneWindows({});
        refresh(kSafari);
        move(row.from, row.to);
        EXPECT_EQ(saved(kSafari), row.order);
    }

    // A process that was never refreshed has nothing to move.
    move(0, 1, kNotes);
    EXPECT_FALSE(manager.windowsByPid().contains(kNotes));
}

TEST_F(WindowManagerTest, PruningForgetsTheProcessesNoLongerListed)
{
    refresh(kSafari);
    refresh(kTerminal);
    refresh(kNotes);
    manager.pruneWindows({runningApp(kSafari), runningApp(kNotes)});
    EXPECT_FALSE(manager.windowsByPid().contains(kTerminal));
    EXPECT_EQ(saved(kSafari), (Titles{"A", "B", "C"}));
    EXPECT_EQ(saved(kNotes), (Titles{"X", "Y", "Z"}));

    manager.pruneWindows({});
    EXPECT_TRUE(manager.windowsByPid().empty());
}

TEST_F(WindowManagerTest, WindowsWhoseNumbersCantBeReadStayApartAndKeepTheirOrder)
{
    refresh(kNotes);
    EXPECT_EQ(saved(kNotes), (Titles{"X", "Y", "Z"})) << "three windows, not one";
    move(1, 0, kNotes);
    auto before = manager.windows(kNotes);
    refresh(kNotes);
    EXPECT_EQ(saved(kNotes), (Titles{"Y", "X", "Z"}));
    EXPECT_EQ(manager.windows(kNotes), before);

    desktop().closeWindow(301);
    auto w = desktop().openWindow(kNotes, {.title = String("W"), .failures = {.windowNumber = true}});
    ASSERT_TRUE(w);
    refresh(kNotes);
    EXPECT_EQ(saved(kNotes), (Titles{"Y", "Z", "W"}));

    // A number that comes and goes doesn't move the window either.
    desktop().setWindowFailures(302, {});
    refresh(kNotes);
    EXPECT_EQ(saved(kNotes), (Titles{"Y", "Z", "W"}));
    desktop().setWindowFailures(302, {.windowNumber = true});
    refresh(kNotes);
    EXPECT_EQ(saved(kNotes), (Titles{"Y", "Z", "W"}));
}

TEST_F(WindowManagerTest, TheSameWindowIsKnownByItsNumberOrElseByItsElement)
{
    auto safari = windowsOf(kSafari);
    auto again = windowsOf(kSafari);
    auto notes = windowsOf(kNotes);
    auto notesAgain = windowsOf(kNotes);
    auto application = A11yElement::forApplication(kSafari);
    struct Row {
        const char* what;
        const A11yElement& a;
        const A11yElement& b;
        bool same;
    };
    const Row rows[] = {
        {.what = "one window read twice", .a = *safari[0], .b = *again[0], .same = true},
        {.what = "two windows", .a = *safari[0], .b = *again[1], .same = false},
        {.what = "one window without a number, read twice", .a = *notes[0], .b = *notesAgain[0], .same = true},
        {.what = "two windows without numbers", .a = *notes[0], .b = *notes[1], .same = false},
        {.what = "a window and its application", .a = *safari[0], .b = *application, .same = false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.a.isSameWindow(row.b), row.same);
        EXPECT_EQ(row.b.isSameWindow(row.a), row.same);
    }
}

TEST(WindowManagerSharedTest, OneInstanceThatTestsCanEmpty)
{
    EXPECT_EQ(&WindowManager::shared(), &WindowManager::shared());
    ScopedVirtualClock clock;
    simulation::ScopedDesktop desktop(parseDesktop(kDesktop));
    WindowManager::shared().refreshWindows(*NSRunningApplication::runningApplicationWithProcessIdentifier(kSafari),
                                           *A11yElement::forApplication(kSafari));
    EXPECT_EQ(titlesOf(WindowManager::shared().windows(kSafari)), (Titles{"A", "B", "C"}));
    WindowManager::resetSharedForTesting();
    EXPECT_TRUE(WindowManager::shared().windowsByPid().empty());
}

}  // namespace
