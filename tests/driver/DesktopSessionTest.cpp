#include "driver/DesktopSession.h"

#include "TemporaryFolder.h"
#include "appkit/NSApplication.h"
#include "appkit/NSApplicationDelegate.h"
#include "appkit/NSButton.h"
#include "appkit/NSMenu.h"
#include "appkit/NSMenuItem.h"
#include "appkit/NSPopover.h"
#include "appkit/NSStatusBar.h"
#include "appkit/NSStatusBarButton.h"
#include "appkit/NSStatusItem.h"
#include "appkit/NSView.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindow.h"
#include "driver/Transcript.h"
#include "foundation/Log.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"
#include "simulation/SimulatedDesktop.h"
#include "simulation/SimulatedKeyboard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// An application bundle that carries nothing but its Info.plist.
std::string writeBundle(const TemporaryFolder& folder, const std::string& name)
{
    folder.write(name + ".app/Contents/Info.plist", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                    "<plist version=\"1.0\"><dict>"
                                                    "<key>CFBundleIdentifier</key><string>com.example." +
                                                        name +
                                                        "</string>"
                                                        "<key>CFBundleName</key><string>" +
                                                        name + "</string></dict></plist>\n");
    return folder / (name + ".app");
}

// Sends a stream to a string for the scope.
class ScopedCapture {
public:
    explicit ScopedCapture(std::ostream& stream)
        : stream_(stream)
        , previous_(stream.rdbuf(captured_.rdbuf()))
    {
    }
    ~ScopedCapture() { stream_.rdbuf(previous_); }
    std::string text() const { return captured_.str(); }

private:
    std::ostream& stream_;
    std::ostringstream captured_;
    std::streambuf* previous_;
};

// A session on a small desktop of its own, with a home of its own, for a
// program whose main bundle the test chooses.
class DesktopSessionTest : public ::testing::Test {
protected:
    DesktopSessionTest()
    {
        NSApplication::resetForTesting();
        setHomeDirectory(String(home_.path()));
        NSUserDefaults::resetStandardUserDefaults(String(home_.path()), "com.example.session");
    }
    ~DesktopSessionTest() override
    {
        NSApplication::resetForTesting();
        NSBundle::setMainBundle(nullptr);
    }

    void useBundle(const std::string& path) { NSBundle::setMainBundle(NSBundle::bundleWithPath(String(path))); }

    // The transcript of a run of these lines.
    std::string run(const std::vector<std::string>& lines)
    {
        std::istringstream in;
        DesktopSession session(out, in);
        session.launch(*NSApplication::sharedApplication());
        for (const auto& line : lines)
            if (!session.execute(line))
                break;
        session.finish();
        return out.str();
    }

    std::ostringstream out;

    static std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

    ScopedVirtualClock clock_;
    simulation::ScopedDesktop desktop_{simulation::DesktopState{
        .applications = {{.pid = 10, .localizedName = String("Self"), .ownProcess = true},
                         {.pid = 20, .localizedName = String("Other")}},
        .frontmostApplication = 20,
    }};
    TemporaryFolder home_;
    TemporaryFolder bundles_;
};

TEST_F(DesktopSessionTest, TheProgramGoesByItsMainBundlesName)
{
    useBundle(writeBundle(bundles_, "Larkspur"));
    EXPECT_EQ(firstLine(run({})), "Larkspur on the simulated desktop: macOS 14.0, 1 screen, Accessibility trusted");

    DesktopSession session(std::cout, std::cin);
    ScopedCapture errors(std::cerr);
    char program[] = "Larkspur";
    char wrong[] = "--colour";
    char* argv[] = {program, wrong, nullptr};
    EXPECT_EQ(session.prepare(2, argv), std::optional<int>(2));
    EXPECT_EQ(errors.text().rfind("Larkspur: ", 0), 0u) << errors.text();
    EXPECT_NE(errors.text().find("\nusage: Larkspur [--desktop FILE]"), std::string::npos) << errors.text();
}

TEST_F(DesktopSessionTest, WithoutABundleNameTheProgramGoesByTheNameItWasStartedBy)
{
    // The test binary's folder is a bundle without an information dictionary.
    NSBundle::setMainBundle(nullptr);
    EXPECT_EQ(firstLine(run({})).rfind("driver_tests on the simulated desktop", 0), 0u);
}

TEST_F(DesktopSessionTest, ControlCharactersOfTheInputComeOutEscaped)
{
    std::string transcript = run({
        "activate \x1b[2JNowhere",
        "default greeting \"a\x1b]0;b\x07"
        "c\"",
        "close \xc2\x9b"
        "31m",
        "close caf\xc3\xa9\x9b",
    });
    for (const std::string expected : {
             "> activate \\x1b[2JNowhere",
             "  no application '\\x1b[2JNowhere' runs",
             "  default written: greeting = \"a\\x1b]0;b\\x07c\"",
             "> close \\u009b31m",
             "  no window '\\u009b31m' on screen",
             // A character of UTF-8 stays; a byte that begins none doesn't.
             "> close caf\xc3\xa9\\x9b",
         }) {
        EXPECT_NE(transcript.find("\n" + expected + "\n"), std::string::npos) << expected << "\n" << transcript;
    }
    EXPECT_TRUE(std::none_of(transcript.begin(), transcript.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\n') || byte == 0x7F;
    })) << transcript;
    EXPECT_EQ(transcript.find("\xc2\x9b"), std::string::npos);
}

TEST_F(DesktopSessionTest, DisplaySettingsChangeAndTheKeyWindowIsReadAsAssistiveSoftwareWould)
{
    std::istringstream in;
    DesktopSession session(out, in);
    session.launch(*NSApplication::sharedApplication());
    for (const char* line : {"accessibility", "appearance dark", "contrast on", "tint graphite", "activate Self"})
        ASSERT_TRUE(session.execute(line));
    auto& desktop = *simulation::SimulatedDesktop::current();
    EXPECT_EQ(desktop.appearance(), simulation::Appearance::Dark);
    EXPECT_TRUE(desktop.increaseContrast());
    EXPECT_EQ(desktop.controlTint(), simulation::ControlTint::Graphite);

    auto window = std::make_shared<NSWindow>(NSMakeRect(0, 0, 200, 100));
    window->setTitle("Settings");
    window->setContentView(std::make_shared<NSView>(NSMakeRect(0, 0, 200, 100)));
    auto button = std::make_shared<NSButton>(NSMakeRect(10, 10, 80, 24));
    button->setTitle("OK");
    window->contentView()->addSubview(button);
    window->makeKeyAndOrderFront(Id());
    ASSERT_TRUE(session.execute("accessibility"));
    session.finish();
    std::string transcript = out.str();
    for (const std::string expected : {
             "> accessibility\n  no window is key\n",
             "> accessibility\n  AXWindow \"Settings\" (window)\n    AXButton \"OK\" (button) [AXPress]\n",
         })
        EXPECT_NE(transcript.find(expected), std::string::npos) << expected << "\n" << transcript;
}

TEST_F(DesktopSessionTest, PrintableKeepsTextAndEscapesControls)
{
    struct Row {
        const char* text;
        const char* printed;
    };
    const Row rows[] = {
        {"plain \"text\" \\ as typed", "plain \"text\" \\ as typed"},
        {"tab\tline\nreturn\r", "tab\\tline\\nreturn\\r"},
        {"\x01\x1f\x7f", "\\x01\\x1f\\x7f"},
        {"\xc2\x80\xc2\x9f\xc2\xa0", "\\u0080\\u009f\xc2\xa0"},
        {"\xe2\x8c\x98 \xf0\x9f\x99\x82", "\xe2\x8c\x98 \xf0\x9f\x99\x82"},
        // Overlong, surrogate, cut short, beyond Unicode.
        {"\xc0\x9b", "\\xc0\\x9b"},
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"\xe2\x8c", "\\xe2\\x8c"},
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.printed);
        EXPECT_EQ(Transcript::printable(row.text), row.printed);
    }
}

// Writes down, for each log line, the transcript as it stood then.
class TranscriptAtLogLines final : public LogSink {
public:
    explicit TranscriptAtLogLines(const std::ostringstream& out)
        : out_(out)
    {
    }
    void write(const LogEntry& entry) override { seen.push_back({entry.text, out_.str()}); }

    std::vector<std::pair<std::string, std::string>> seen;

private:
    const std::ostringstream& out_;
};

TEST_F(DesktopSessionTest, LogLinesFollowTheTranscriptLinesOfWhatCausedThem)
{
    // The program says something when it loses the front.
    struct Delegate : NSObject, NSApplicationDelegate {
        void applicationDidResignActive(NSNotification&) override { Log::info("resigned"); }
    };
    auto delegate = std::make_shared<Delegate>();
    NSApplication::sharedApplication()->setDelegate(delegate);
    desktop_->activate(10);
    auto sink = std::make_shared<TranscriptAtLogLines>(out);
    auto previous = Log::sink();
    Log::setSink(sink);

    std::string transcript = run({"activate Other"});
    Log::setSink(previous);

    ASSERT_EQ(sink->seen.size(), 1u) << transcript;
    EXPECT_EQ(sink->seen[0].first, "resigned");
    // Told before the line was logged: the command and what the desktop did.
    const std::string& before = sink->seen[0].second;
    std::string command = "> activate Other\n  activation of Other: command\n  frontmost: Other (was Self)\n";
    ASSERT_GE(before.size(), command.size());
    EXPECT_EQ(before.substr(before.size() - command.size()), command) << before;
    EXPECT_EQ(Log::sink(), previous) << "the session gives the log back";
}

// A status item whose menu shows the about panel, and a popover under it.
class StatusMenuSessionTest : public DesktopSessionTest {
protected:
    StatusMenuSessionTest()
    {
        auto menu = std::make_shared<NSMenu>();
        menu->addItem(std::make_shared<NSMenuItem>(String("About Self"), Selector("orderFrontStandardAboutPanel:")));
        item->setMenu(menu);
        auto content = std::make_shared<NSViewController>();
        content->setView(std::make_shared<NSView>(NSMakeRect(0, 0, 200, 100)));
        popover->setContentViewController(content);
    }
    ~StatusMenuSessionTest() override
    {
        popover->close();
        NSStatusBar::systemStatusBar().removeStatusItem(item);
    }

    void showPopover(NSPopoverBehavior behavior)
    {
        popover->setBehavior(behavior);
        auto button = item->button();
        popover->showRelativeToRect(button->bounds(), button, NSRectEdgeMinY);
    }
    std::size_t recorded(simulation::ProgramRecord::Kind kind) { return desktop_->countProgramRecords(kind); }

    std::shared_ptr<NSStatusItem> item =
        NSStatusBar::systemStatusBar().statusItemWithLength(NSVariableStatusItemLength);
    std::shared_ptr<NSPopover> popover = std::make_shared<NSPopover>();
};

TEST_F(StatusMenuSessionTest, ChoosingAMenuItemIsAClickOutsideThePopover)
{
    struct Row {
        const char* name;
        NSPopoverBehavior behavior;
        bool closes;
    };
    const Row rows[] = {
        {"transient", NSPopoverBehaviorTransient, true},
        {"application defined", NSPopoverBehaviorApplicationDefined, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        out.str("");
        showPopover(row.behavior);
        std::size_t menus = recorded(simulation::ProgramRecord::Kind::MenuOpened);
        std::size_t panels = recorded(simulation::ProgramRecord::Kind::AboutPanel);

        std::string transcript = run({"menu About Self"});
        EXPECT_EQ(popover->isShown(), !row.closes);
        bool told =
            transcript.find("> menu About Self\n  popover closed: NSViewController, 200x100\n") != std::string::npos;
        EXPECT_EQ(told, row.closes) << transcript;
        // The menu opened, and its item did its work.
        EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::MenuOpened), menus + 1);
        EXPECT_EQ(recorded(simulation::ProgramRecord::Kind::AboutPanel), panels + 1);
        popover->close();
    }
}

TEST_F(StatusMenuSessionTest, ClosingThePopoversWindowClosesThePopover)
{
    showPopover(NSPopoverBehaviorApplicationDefined);
    std::string transcript = run({"close PopoverWindow"});
    EXPECT_FALSE(popover->isShown());
    EXPECT_NE(transcript.find("> close PopoverWindow\n  popover closed: NSViewController, 200x100\n"),
              std::string::npos)
        << transcript;
}

// Modifier keys stay down until released; a key pressed meanwhile comes with
// them, and a modifier whose other key is still down stays held.
TEST_F(DesktopSessionTest, HeldModifiersComeWithTheKeysPressed)
{
    auto desktop = simulation::SimulatedDesktop::current();
    std::vector<std::uint64_t> flags;
    std::istringstream in;
    DesktopSession session(out, in);
    session.launch(*NSApplication::sharedApplication());
    for (const char* line : {"hold right cmd", "hold cmd", "release right cmd", "hold shift", "press a", "release cmd",
                             "release shift", "release shift"}) {
        session.execute(line);
        flags.push_back(desktop->keyboard()->modifierFlags());
    }
    session.finish();
    const std::uint64_t command = NSEventModifierFlagCommand;
    const std::uint64_t shift = NSEventModifierFlagShift;
    EXPECT_EQ(flags,
              (std::vector<std::uint64_t>{command, command, command, command | shift, command | shift, shift, 0, 0}));

    // What went to the application in front: the modifier changes, and the
    // key with both modifiers held.
    std::vector<std::string> events;
    for (const auto& delivery : desktop->keyboard()->deliveries())
        events.push_back(std::to_string(static_cast<int>(delivery.event.type)) + " " +
                         std::to_string(delivery.event.keyCode) + " " + std::to_string(delivery.event.flags));
    const std::string both = std::to_string(command | shift);
    EXPECT_EQ(events, (std::vector<std::string>{"12 54 " + std::to_string(command), "12 55 " + std::to_string(command),
                                                "12 54 " + std::to_string(command), "12 56 " + both, "10 0 " + both,
                                                "11 0 " + both, "12 55 " + std::to_string(shift), "12 56 0"}));
    EXPECT_NE(out.str().find("> release shift\n  the key is not down\n"), std::string::npos) << out.str();
}

}  // namespace
