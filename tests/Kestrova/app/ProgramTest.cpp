// The program end to end: driver commands in, the transcript of what the
// system did out. Once in this process, with the program's storyboard and
// classes on a virtual clock, and through the built program itself.

#include "driver/DesktopSession.h"

#include "KestrovaTestFixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Every expected line appears, in this order, among the transcript's lines
// (with anything in between).
::testing::AssertionResult appearInOrder(const std::string& transcript, const std::vector<std::string>& expected)
{
    auto lines = linesOf(transcript);
    std::size_t at = 0;
    for (const auto& wanted : expected) {
        while (at < lines.size() && lines[at] != wanted)
            ++at;
        if (at == lines.size())
            return ::testing::AssertionFailure() << "missing (in order): " << wanted << "\n--- transcript ---\n"
                                                 << transcript;
        ++at;
    }
    return ::testing::AssertionSuccess();
}

bool contains(const std::string& transcript, const std::string& line)
{
    auto lines = linesOf(transcript);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SessionTest : public KestrovaTest {
protected:
    std::string run(const std::string& script)
    {
        std::ostringstream out;
        std::istringstream in(script);
        DesktopSession session(out, in);
        loadApplicationScene();
        std::string line;
        session.launch(*app());
        while (std::getline(in, line) && session.execute(line)) {
        }
        session.finish();
        errors_ = session.errors();
        return out.str();
    }
    int errors_ = 0;
};

TEST_F(SessionTest, TheSwitcherRoadAsTheTranscriptTellsIt)
{
    std::string transcript = run("shortcut\n"
                                 "press escape\n"
                                 "default miniMode true\n"
                                 "trust off\n"
                                 "shortcut\n"
                                 "press cmd+w\n"
                                 "quit\n");
    EXPECT_EQ(errors_, 0);
    EXPECT_TRUE(appearInOrder(
        transcript,
        {
            "defaults on disk: none",
            "> launch",
            "  default written: shortcut-Kestrova = \"^\\t\"",
            "  window shown: WelcomeWindow \"Welcome to Kestrova\"",
            "  status item: image \"Status Item\", menu: Preferences\u2026 | Assign Shortcuts\u2026 | - | About "
            "Kestrova | - | Quit Kestrova",
            "  default written: rememberShortcuts = true",
            "> shortcut",
            "  activation of Kestrova: activateFromApplication:options: options 3 (all windows, ignoring other apps), "
            "asked by Kestrova, from Finder",
            "  frontmost: Kestrova (was Finder)",
            "  activation of Kestrova: activateWithOptions: options 3 (all windows, ignoring other apps), asked by "
            "Kestrova",
            "  window shown: MainWindow (key)",
            "> press escape",
            "  hidden: Kestrova",
            "  frontmost: Finder (was Kestrova)",
            "  activation of Finder: activateWithOptions: options 0, asked by Kestrova",
            "  window closed: MainWindow",
            "> default miniMode true",
            "  default written: miniMode = true",
            "> trust off",
            "  Accessibility trust: withdrawn",
            "> shortcut",
            "  popover shown: PermissionViewController, 420x192, not animated",
            "> press cmd+w",
            "  hidden: Kestrova",
            "  popover closed: PermissionViewController, 420x192",
            "> quit",
            "  quit: Kestrova",
            "ended",
        }));
}

TEST_F(SessionTest, KeysGoToTheFrontmostApplicationAndBadLinesAreReported)
{
    std::string transcript = run("press escape\n"
                                 "jump\n"
                                 "activate Nowhere\n"
                                 "menu About Kestrova\n"
                                 "status\n");
    EXPECT_EQ(errors_, 1);
    EXPECT_TRUE(appearInOrder(transcript, {
                                              "> press escape",
                                              "  the key goes to Finder",
                                              "! line 2: unknown command 'jump'",
                                              "> activate Nowhere",
                                              "  no application 'Nowhere' runs",
                                              "> menu About Kestrova",
                                              "  window shown: AboutWindow \"About Kestrova\" (key)",
                                              "> status",
                                              "  frontmost: Kestrova",
                                              "> (end of the commands)",
                                              "  quit: Kestrova",
                                          }));
}

TEST_F(SessionTest, WaitingRunsWhatWasDeferred)
{
    std::string transcript = run("shortcut\n"
                                 "menu Preferences\n"
                                 "wait 0.1\n");
    // The preferences popover takes the key window from the main window,
    // which closes itself on the next turn of the main queue.
    EXPECT_TRUE(appearInOrder(transcript, {
                                              "> menu Preferences",
                                              "  popover shown: PreferencesViewController, 320x120, animated",
                                              "  window closed: MainWindow",
                                          }));
}

TEST_F(SessionTest, AMenuChoiceClosesTheMiniSwitchersPopover)
{
    std::string transcript = run("default miniMode true\n"
                                 "shortcut\n"
                                 "menu Preferences\n");
    // The click on the status item closes the transient popover before the
    // chosen item shows its own.
    EXPECT_TRUE(appearInOrder(transcript, {
                                              "> shortcut",
                                              "  popover shown: NavigationController, 260x64, not animated",
                                              "> menu Preferences",
                                              "  popover closed: NavigationController, 260x64",
                                              "  popover shown: PreferencesViewController, 320x120, animated",
                                              "> (end of the commands)",
                                          }));
}

// The driver's drags onto the windows list: another application's text, a
// row dragged and let go with Escape, and a row dropped.
TEST_F(SessionTest, TheWindowsListTakesOnlyItsOwnRows)
{
    for (const char* title : {"Gamma", "Beta", "Alpha"})
        desktop().openWindow(kSafari, {.title = String(title)});
    std::string transcript = run("shortcut\n"
                                 "press down\n"
                                 "press down\n"
                                 "press return\n"
                                 "drag text \"a clipping\" to 1\n"
                                 "drag 3 to 1 cancel\n"
                                 "drag 3 to 1\n"
                                 "drag 4 to 1\n"
                                 "press 1\n");
    EXPECT_EQ(errors_, 0);
    EXPECT_TRUE(appearInOrder(transcript, {
                                              "> drag text \"a clipping\" to 1",
                                              "  the list refuses the text",
                                              "> drag 3 to 1 cancel",
                                              "  the drag is cancelled",
                                              "> drag 3 to 1",
                                              "  the drop is taken (move)",
                                              "> drag 4 to 1",
                                              "  the list has 3 rows",
                                              "> press 1",
                                              "  desktop window raised: Safari \"Gamma\"",
                                              "  activation of Safari: activateWithOptions: options 0, asked by "
                                              "Kestrova",
                                          }));
}

// What the switcher's list shows, told as it changes: its rows with their
// texts, then the selection as keys and the mouse move it.
TEST_F(SessionTest, TheListsRowsAndSelectionAreTold)
{
    std::string transcript = run("close Welcome to Kestrova\n"
                                 "shortcut\n"
                                 "press down\n"
                                 "press down\n"
                                 "click 100 40\n"
                                 "click 100 5000\n");
    EXPECT_EQ(errors_, 0);
    EXPECT_TRUE(appearInOrder(transcript, {
                                              "> shortcut",
                                              "  window shown: MainWindow (key)",
                                              "  list of 2 rows: Finder \u00b7 No shortcut | Safari \u00b7 No shortcut",
                                              "> press down",
                                              "  selected: row 1, Finder \u00b7 No shortcut",
                                              "> press down",
                                              "  selected: row 2, Safari \u00b7 No shortcut",
                                              // The mouse picks the first tile, in the top half of the window.
                                              "> click 100 40",
                                              "  selected: row 1, Finder \u00b7 No shortcut",
                                              "> click 100 5000",
                                              "  the window is 460x176",
                                          }));
}

TEST_F(SessionTest, ASnapshotThatCannotBeMadeIsTold)
{
    std::string transcript = run("snapshot /nonexistent/welcome.png\n"
                                 "close Welcome to Kestrova\n"
                                 "snapshot nothing.png\n");
    EXPECT_EQ(errors_, 0);
    EXPECT_TRUE(appearInOrder(transcript, {
                                              "> snapshot /nonexistent/welcome.png",
                                              "  snapshot of WelcomeWindow 480x310 not written to "
                                              "/nonexistent/welcome.png",
                                              "> snapshot nothing.png",
                                              "  no window of the program on screen",
                                          }));
}

// The assign-shortcuts list worked with the mouse and the keyboard, and what
// the transcript tells of it: recording begins and ends with the value it
// left, refusals beep, and the stored dictionary follows.
TEST_F(SessionTest, TheAssignListThroughTheMouseAndTheKeyboard)
{
    defaults().setBool(false, "firstLaunch");
    TemporaryFolder pictures;
    std::string picture = pictures.path() + "/assign.png";
    std::string transcript = run("menu Assign Shortcuts\n"
                                 "click 2 \"Click to record shortcut\"\n"
                                 "hold cmd\n"
                                 "hold shift\n"
                                 "press k\n"
                                 "release shift\n"
                                 "release cmd\n"
                                 "click 1 \"Click to record shortcut\"\n"
                                 "press cmd+K\n"
                                 "click 1 \"Cancel recording\"\n"
                                 "click 2 \"Click to record shortcut\"\n"
                                 "snapshot " +
                                 picture +
                                 "\n"
                                 "click 2 \"Delete current shortcut\"\n"
                                 "click 3\n"
                                 "click 2 \"Use old shortcut\"\n"
                                 "quit\n");
    EXPECT_EQ(errors_, 0);
    EXPECT_TRUE(appearInOrder(
        transcript, {
                        "> menu Assign Shortcuts",
                        "  popover shown: AssignShortcutsViewController, 326x88, animated",
                        "> click 2 \"Click to record shortcut\"",
                        "  activation of Kestrova: click",
                        "  frontmost: Kestrova (was Finder)",
                        "  SRRecorderControl begins editing content.Safari",
                        "> press k",
                        "  SRRecorderControl ends editing content.Safari = \"$@k\" (shows \"\u21e7\u2318K\")",
                        "  default written: shortcuts = {\"Safari\": \"$@k\"}",
                        // Finder can't have Safari's shortcut.
                        "> click 1 \"Click to record shortcut\"",
                        "  SRRecorderControl begins editing content.Finder",
                        "> press cmd+K",
                        "  popover shown: NSViewController \"This shortcut is already in use\", 280x84, animated",
                        "  beep",
                        "> click 1 \"Cancel recording\"",
                        "  SRRecorderControl ends editing content.Finder = nil",
                        "  popover closed: NSViewController \"This shortcut is already in use\", 280x84",
                        "> click 2 \"Click to record shortcut\"",
                        "  SRRecorderControl begins editing content.Safari",
                        "> snapshot " + picture,
                        "  snapshot of PopoverWindow 326x88 written to " + picture,
                        "> click 2 \"Delete current shortcut\"",
                        "  SRRecorderControl ends editing content.Safari = nil",
                        "  default written: shortcuts = {}",
                        "> click 3",
                        "  the list has 2 rows",
                        // Idle, the recorder shows no cancel button.
                        "> click 2 \"Use old shortcut\"",
                        "  nothing in row 2 has the tool tip \"Use old shortcut\"",
                    }));
    EXPECT_EQ(readFile(picture).substr(1, 3), "PNG");
}

// The built program, as scripts/run.sh starts it.
class ProgramTest : public ::testing::Test {
protected:
    struct Result {
        int status = -1;
        std::string out;
        std::string err;
    };

    // `launcher` goes before the program on the command line.
    Result run(const std::string& arguments, const std::string& script = "", const std::string& launcher = "")
    {
        std::string scriptFile = folder_.write("script.txt", script);
        return runProgram(arguments + " --script '" + scriptFile + "'", false, launcher);
    }

    // With `mergeErrors`, standard error goes into the same pipe as the
    // output, and `err` stays empty.
    Result runProgram(const std::string& arguments, bool mergeErrors = false, const std::string& launcher = "")
    {
        std::string errFile = folder_.path() + "/stderr.txt";
        std::string command = launcher + "'" + program_ + "' " + arguments +
                              (mergeErrors ? std::string(" 2>&1") : " 2>'" + errFile + "'");
        Result result;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe)
            return result;
        char buffer[4096];
        std::size_t read;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            result.out.append(buffer, read);
        int status = ::pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.err = readFile(errFile);
        return result;
    }

    std::string home() const { return "--home '" + folder_.path() + "/home'"; }

    TemporaryFolder folder_;
    std::string program_ = KESTROVA_PROGRAM;
};

TEST_F(ProgramTest, ALaterRunSeesWhatTheFirstWrote)
{
    auto first = run(home(), "default rememberShortcuts false\nquit\n");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(appearInOrder(first.out, {
                                             "defaults on disk: none",
                                             "  default written: shortcut-Kestrova = \"^\\t\"",
                                             "  window shown: WelcomeWindow \"Welcome to Kestrova\"",
                                             "  default written: rememberShortcuts = true",
                                             "> default rememberShortcuts false",
                                             "  default written: rememberShortcuts = false",
                                             "ended",
                                         }));

    auto second = run(home(), "quit\n");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_TRUE(contains(second.out, "default on disk: rememberShortcuts = false"));
    EXPECT_TRUE(contains(second.out, "default on disk: shortcut-Kestrova = \"^\\t\""));
    EXPECT_EQ(second.out.find("default written"), std::string::npos) << second.out;
}

TEST_F(ProgramTest, TheTourRunsThroughEveryRoad)
{
    // In a folder of its own, where it writes its snapshots.
    auto tour = runProgram(home() + " --script '" KESTROVA_SOURCE_DIR "/examples/tour.txt'", false,
                           "cd '" + folder_.path() + "' && ");
    ASSERT_EQ(tour.status, 0) << tour.err << tour.out;
    EXPECT_EQ(tour.out.find("! line"), std::string::npos) << tour.out;
    EXPECT_TRUE(appearInOrder(
        tour.out, {
                      "Kestrova on the simulated desktop: macOS 14.4.1, 1 screen, Accessibility trusted",
                      "defaults on disk: none",
                      "  default written: shortcut-Kestrova = \"^\\t\"",
                      "  window shown: WelcomeWindow \"Welcome to Kestrova\"",
                      "> close Welcome to Kestrova",
                      "  window closed: WelcomeWindow \"Welcome to Kestrova\"",
                      // The global shortcut on the keyboard, and Escape back to Finder.
                      "> press ctrl+tab",
                      "  frontmost: Kestrova (was Finder)",
                      "  window shown: MainWindow (key)",
                      "> press escape",
                      "  activation of Finder: activateWithOptions: options 0, asked by Kestrova",
                      "  window closed: MainWindow",
                      // A click elsewhere keeps that application in front.
                      "> activate Mail",
                      "  frontmost: Mail (was Kestrova)",
                      "  window closed: MainWindow",
                      "> press cmd+w",
                      "  hidden: Kestrova",
                      // The about window, once.
                      "> menu About Kestrova",
                      "  window shown: AboutWindow \"About Kestrova\" (key)",
                      "> close About Kestrova",
                      "> menu Preferences",
                      "  popover shown: PreferencesViewController, 320x120, animated",
                      // Mini mode, trusted and not.
                      "> default miniMode true",
                      "> shortcut",
                      "  popover shown: NavigationController, 260x64, not animated",
                      "> trust off",
                      "> shortcut",
                      "  popover shown: PermissionViewController, 420x192, not animated",
                      "> press cmd+w",
                      "  popover closed: PermissionViewController, 420x192",
                      // Safari's windows: reordered, then one raised.
                      "> drag 3 to 1",
                      "  the drop is taken (move)",
                      "> press 3",
                      "  desktop window raised: Safari \"Release Notes\"",
                      "  activation of Safari: activateWithOptions: options 0, asked by Kestrova",
                      // Safari's shortcut, refused for Notes, then used in the switcher.
                      "> menu Assign Shortcuts",
                      "  popover shown: AssignShortcutsViewController, 341x220, animated",
                      "> click 4 \"Click to record shortcut\"",
                      "  SRRecorderControl begins editing content.Safari",
                      "> press s",
                      "  SRRecorderControl ends editing content.Safari = \"^~s\" (shows \"\u2303\u2325S\")",
                      "  default written: shortcuts = {\"Safari\": \"^~s\"}",
                      "> press ctrl+alt+s",
                      "  beep",
                      "> press escape",
                      "  SRRecorderControl ends editing content.Notes = nil",
                      "> press alt+cmd+t",
                      "  default written: shortcuts = {\"Safari\": \"^~s\", \"Terminal\": \"~@t\"}",
                      // The switcher: shortcuts first, chosen by shortcut and by Return.
                      "> press ctrl+tab",
                      "  window shown: MainWindow (key)",
                      "  list of 5 rows: Safari \u00b7 \u2303\u2325S | Terminal \u00b7 \u2325\u2318T | "
                      "Finder \u00b7 No shortcut | Mail \u00b7 No shortcut | Notes \u00b7 No shortcut",
                      "> press alt+cmd+t",
                      "  frontmost: Terminal (was Kestrova)",
                      "> press ctrl+alt+s",
                      "  list of 3 rows: 1 \u00b7 Weather Forecast | 2 \u00b7 Start Page | 3 \u00b7 Release "
                      "Notes",
                      "  selected: row 3, Finder \u00b7 No shortcut",
                      "> press return",
                      "  frontmost: Finder (was Kestrova)",
                      "> shortcut",
                      "  popover shown: NavigationController, 260x64, not animated",
                      "> press alt+cmd+t",
                      "  frontmost: Terminal (was Kestrova)",
                      "> quit",
                      "  quit: Kestrova",
                      "ended",
                  }));
    std::size_t aboutWindows = 0;
    for (const auto& line : linesOf(tour.out))
        aboutWindows += line.rfind("  window shown: AboutWindow", 0) == 0;
    EXPECT_EQ(aboutWindows, 1u) << "a second request brings the same window forward";
    for (const char* name : {"tour-assign-shortcuts", "tour-switcher", "tour-safari-windows", "tour-mini"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readFile(folder_.path() + "/" + name + ".png").substr(1, 3), "PNG");
    }
}

// What a PNG file's header says its size is; 0 x 0 for anything else.
std::pair<unsigned, unsigned> pngSize(const std::string& path)
{
    std::string data = readFile(path);
    if (data.size() < 24 || data.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return {0, 0};
    auto word = [&](std::size_t at) {
        unsigned value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<unsigned char>(data[at + i]);
        return value;
    };
    return {word(16), word(20)};
}

TEST_F(ProgramTest, TheWindowsListExampleRunsAndWritesItsSnapshots)
{
    auto result = runProgram(home() + " --script '" KESTROVA_SOURCE_DIR "/examples/windows-list.txt'", false,
                             "cd '" + folder_.path() + "' && ");
    ASSERT_EQ(result.status, 0) << result.err << result.out;
    EXPECT_EQ(result.out.find("! line"), std::string::npos) << result.out;
    EXPECT_TRUE(appearInOrder(result.out, {
                                              "> press ctrl+tab",
                                              "  window shown: MainWindow (key)",
                                              "> snapshot switcher.png",
                                              "  snapshot of MainWindow 460x396 written to switcher.png",
                                              "> drag 3 to 1",
                                              "  the drop is taken (move)",
                                              "> press escape",
                                              "  window closed: MainWindow",
                                              "> press 3",
                                              "  desktop window raised: Safari \"Release Notes\"",
                                              "  activation of Safari: activateWithOptions: options 0, asked by "
                                              "Kestrova",
                                              "  frontmost: Safari (was Kestrova)",
                                              "  window closed: MainWindow",
                                              "ended",
                                          }));
    for (const char* name : {"switcher", "safari-windows", "safari-reordered", "safari-reopened", "safari-selected"}) {
        SCOPED_TRACE(name);
        // The main window at the screen's backing scale of 2.
        EXPECT_EQ(pngSize(folder_.path() + "/" + name + ".png"), (std::pair<unsigned, unsigned>{920, 792}));
    }
}

TEST_F(ProgramTest, TheAssignShortcutsExampleRuns)
{
    // With the log, which tells of the hot key's pause.
    auto result = runProgram(home() + " --script '" KESTROVA_SOURCE_DIR "/examples/assign-shortcuts.txt'", true);
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_EQ(result.out.find("! line"), std::string::npos) << result.out;
    EXPECT_TRUE(appearInOrder(
        result.out, {
                        "> click 4 \"Click to record shortcut\"",
                        "  frontmost: Kestrova (was Finder)",
                        "default [-[SRGlobalShortcutMonitor pause]] Unregistered Carbon hot key 1 {keyCode=48} "
                        "{modifierFlags=262144}",
                        "  SRRecorderControl begins editing content.Safari",
                        "> press s",
                        "default [-[SRGlobalShortcutMonitor resume]] Registered Carbon hot key 2 {keyCode=48} "
                        "{modifierFlags=262144}",
                        "  SRRecorderControl ends editing content.Safari = \"^~s\" (shows \"\u2303\u2325S\")",
                        "  default written: shortcuts = {\"Safari\": \"^~s\"}",
                        "> click 3 \"Click to record shortcut\"",
                        "  SRRecorderControl begins editing content.Notes",
                        "> press ctrl+alt+s",
                        "  popover shown: NSViewController \"This shortcut is already in use\", 280x84, animated",
                        "  beep",
                        "> press escape",
                        "  SRRecorderControl ends editing content.Notes = nil",
                        "  popover closed: NSViewController \"This shortcut is already in use\", 280x84",
                        "> press cmd+w",
                        "  popover closed: AssignShortcutsViewController, 341x220",
                        "> press ctrl+tab",
                        "  window shown: MainWindow (key)",
                        "> press ctrl+alt+s",
                        "ended",
                    }));
    // Nothing but the recorder took the chord: the switcher's shortcut went
    // to Safari's row only once the list was away.
    EXPECT_EQ(result.out.find("the key goes to"), std::string::npos) << result.out;
}

TEST_F(ProgramTest, TheTwoScreenExampleRuns)
{
    auto result =
        runProgram(home() + " --desktop '" KESTROVA_SOURCE_DIR
                            "/examples/two-screens.json' --script '" KESTROVA_SOURCE_DIR "/examples/two-screens.txt'");
    ASSERT_EQ(result.status, 0) << result.err << result.out;
    EXPECT_EQ(result.out.find("! line"), std::string::npos) << result.out;
    EXPECT_TRUE(appearInOrder(result.out, {
                                              "Kestrova on the simulated desktop: macOS 14.4.1, 2 screens, "
                                              "Accessibility trusted",
                                              "> press ctrl+tab",
                                              "  window shown: MainWindow (key)",
                                              "> activate Notes",
                                              "  frontmost: Notes (was Finder)",
                                              // A window on the second screen, raised and clicked at
                                              // its centre 0.02 s later.
                                              "> press 2",
                                              "  desktop window raised: Safari \"Release Notes\"",
                                              "> wait 0.1",
                                              "  pointer moved to (2400, 450)",
                                              "  event posted: left mouse down at (2400, 450)",
                                              "  event posted: left mouse up at (2400, 450)",
                                              "ended",
                                          }));
}

TEST_F(ProgramTest, LogLinesComeOutWhereTheyHappenedInAPipe)
{
    std::string script = folder_.write("script.txt", "press ctrl+tab\nquit\n");
    auto result = runProgram(home() + " --script '" + script + "'", true);
    ASSERT_EQ(result.status, 0) << result.out;
    EXPECT_TRUE(appearInOrder(result.out, {
                                              "Kestrova on the simulated desktop: macOS 14.4.1, 1 screen, "
                                              "Accessibility trusted",
                                              "> launch",
                                              // The write, then what it caused.
                                              "  default written: shortcut-Kestrova = \"^\\t\"",
                                              "default [-[SRGlobalShortcutMonitor "
                                              "observeValueForKeyPath:ofObject:change:context:]] Registered Carbon "
                                              "hot key 1 {keyCode=48} {modifierFlags=262144}",
                                              "> press ctrl+tab",
                                              "  frontmost: Kestrova (was Finder)",
                                              "default [-[SRGlobalShortcutMonitor handleEvent:]] No actions for the "
                                              "shortcut",
                                              "> quit",
                                              "ended",
                                          }));
}

TEST_F(ProgramTest, RunsOnADescribedDesktop)
{
    std::string desktop = folder_.write("desktop.json", R"({
      "osVersion": 13,
      "applications": [
        {"pid": 10, "bundleIdentifier": "com.kestrova.Kestrova", "name": "Kestrova", "self": true,
         "activationPolicy": "accessory"},
        {"pid": 20, "bundleIdentifier": "com.apple.Safari", "name": "Safari", "frontmost": true},
        {"pid": 30, "bundleIdentifier": "com.kestrova.KestrovaHelper", "name": "KestrovaHelper",
         "activationPolicy": "prohibited"}
      ]
    })");
    auto result = run(home() + " --desktop '" + desktop + "'", "shortcut\nquit\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(
        appearInOrder(result.out, {
                                      "Kestrova on the simulated desktop: macOS 13.0, 1 screen, Accessibility trusted",
                                      "> launch",
                                      "  notification posted: killLauncher, object \"com.kestrova.Kestrova\"",
                                      "> shortcut",
                                      "  activation of Kestrova: activateWithOptions: options 3 (all windows, ignoring "
                                      "other apps), asked by Kestrova",
                                      "  frontmost: Kestrova (was Safari)",
                                  }));
    EXPECT_EQ(result.out.find("activateFromApplication"), std::string::npos);
}

TEST_F(ProgramTest, RefusesWhatItCannotRun)
{
    auto badArgument = run("--colour blue");
    EXPECT_EQ(badArgument.status, 2);
    EXPECT_NE(badArgument.err.find("unknown argument '--colour'"), std::string::npos) << badArgument.err;

    std::string desktop = folder_.write("broken.json", R"({"applications": [{"pid": "one"}]})");
    auto badDesktop = run(home() + " --desktop '" + desktop + "'");
    EXPECT_EQ(badDesktop.status, 1);
    EXPECT_NE(badDesktop.err.find("applications[0].pid"), std::string::npos) << badDesktop.err;

    auto badLine = run(home(), "jump\nquit\n");
    EXPECT_EQ(badLine.status, 1);
    EXPECT_TRUE(contains(badLine.out, "! line 1: unknown command 'jump'"));
}

TEST_F(ProgramTest, DefaultsThatCannotBeStoredAreToldAndFailTheRun)
{
    // A read-only folder binds only a user other than the superuser: the
    // superuser runs the program as nobody, from a copy of the bundle where
    // nobody can't reach the built one.
    const bool superuser = ::geteuid() == 0;
    const std::string asNobody = superuser ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    if (superuser && std::system((asNobody + "test -x '" + program_ + "'").c_str()) != 0) {
        ::chmod(folder_.path().c_str(), 0755);
        std::filesystem::copy(builtAppBundle(), folder_.path() + "/Kestrova.app",
                              std::filesystem::copy_options::recursive);
        program_ = folder_.path() + "/Kestrova.app/Contents/MacOS/Kestrova";
    }
    struct Case {
        const char* name;
        std::function<void(const std::string& home)> prepare;
        std::string launcher;
        std::string reason;  // after the home
    };
    const Case cases[] = {
        {.name = "the home's Library is a file",
         .prepare = [&](const std::string& home) { folder_.write(home + "/Library", "in the way"); },
         .launcher = "",
         .reason = "cannot make the folder %/Library/Preferences"},
        {.name = "the home is a file",
         .prepare = [&](const std::string& home) { folder_.write(home, "in the way"); },
         .launcher = "",
         .reason = "cannot make the folder %/Library/Preferences"},
        {.name = "the preferences folder is read-only",
         .prepare =
             [&](const std::string& home) {
                 std::string preferences = folder_.path() + "/" + home + "/Library/Preferences";
                 std::filesystem::create_directories(preferences);
                 for (std::string at = preferences; at.size() >= folder_.path().size();
                      at = std::filesystem::path(at).parent_path().string())
                     ::chmod(at.c_str(), 0755);
                 ::chmod(preferences.c_str(), superuser ? 0755 : 0555);
             },
         .launcher = asNobody,
         .reason = "Permission denied"},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string home = "home" + std::to_string(++row);
        c.prepare(home);
        const std::string homePath = folder_.path() + "/" + home;
        std::string reason = c.reason;
        if (auto at = reason.find('%'); at != std::string::npos)
            reason.replace(at, 1, homePath);
        auto result = run("--home '" + homePath + "'", "default miniMode true\ndefault miniMode\nquit\n", c.launcher);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_TRUE(
            appearInOrder(result.out, {
                                          "defaults on disk: none",
                                          "> launch",
                                          "  default write failed: shortcut-Kestrova = \"^\\t\" (" + reason + ")",
                                          "  default write failed: rememberShortcuts = true (" + reason + ")",
                                          "> default miniMode true",
                                          "  default write failed: miniMode = true (" + reason + ")",
                                          "> default miniMode",
                                          "  default removal failed: miniMode (" + reason + ")",
                                          "ended",
                                      }));
        EXPECT_EQ(result.out.find("default written"), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find("default removed"), std::string::npos) << result.out;
        EXPECT_NE(result.err.find("Could not write the user defaults file " + homePath +
                                  "/Library/Preferences/com.kestrova.Kestrova.plist: " + reason),
                  std::string::npos)
            << result.err;
    }
}

TEST_F(ProgramTest, ACorruptDefaultsFileIsShownMovedAsideAndTheRunGoesOn)
{
    const std::string preferences = folder_.path() + "/home/Library/Preferences";
    const std::string file = preferences + "/com.kestrova.Kestrova.plist";
    const std::string corrupt =
        "<?xml "
        "version=\"1.0\"?><plist><dict><key>shortcuts</key><integer>99999999999999999999</integer></dict></plist>";
    folder_.write("home/Library/Preferences/com.kestrova.Kestrova.plist", corrupt);

    auto result = run(home(), "quit\n");
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(preferences))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    const std::string aside = preferences + "/" + names[1];
    EXPECT_EQ(readFile(aside), corrupt);
    EXPECT_TRUE(appearInOrder(result.out,
                              {
                                  "defaults file unreadable: " + file +
                                      " (integer \"99999999999999999999\" does not fit in 64 bits); kept as " + aside,
                                  "defaults on disk: none",
                                  "> launch",
                                  "  default written: shortcut-Kestrova = \"^\\t\"",
                              }));
}

TEST_F(ProgramTest, ATextWithU0000IsRefusedNotStoredCut)
{
    auto result = run(home(), "default title \"a" + std::string(1, '\0') + "b\"\nquit\n");
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_TRUE(appearInOrder(result.out, {
                                              "  default write refused: title (a string holds U+0000, which a "
                                              "property list cannot carry)",
                                              "ended",
                                          }));
    EXPECT_EQ(readFile(folder_.path() + "/home/Library/Preferences/com.kestrova.Kestrova.plist").find("title"),
              std::string::npos);
}

}  // namespace
