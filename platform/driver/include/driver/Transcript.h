#pragma once

#include "foundation/Id.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/String.h"
#include "simulation/DesktopListenerToken.h"

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class NSObject;
class NSWindow;

namespace simulation {
struct DesktopChange;
class SimulatedDesktop;
}

// What the system did, written as readable lines: the desktop's changes
// (frontmost application, hiding, launches, quits, trust, policies) and the
// activation requests with their options as they happen, the notifications
// that go between programs and the popovers as they are posted, the beeps,
// controls beginning and ending to edit a bound value (with the value they
// left), and, at each
// flush, what changed of the program's windows, of the list in the window
// the user looks at (the rows it shows, with their texts, and the selected
// one), of its status item and of its stored user defaults since the last
// one, a write that did not reach the disk told as failed.
//
// Every line is written printable: control characters (of the commands read,
// of names and values on the desktop) come out escaped, so that nothing in
// the input can work the terminal.
class Transcript {
public:
    explicit Transcript(std::ostream& out);
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    // Starts watching the current desktop and the program; what is there
    // already counts as seen, except the status items, which are told at
    // the first flush.
    void start();
    void stop();

    // A line as it is; "> " before a command, "  " before a note.
    void line(const std::string& text);
    void command(const std::string& text);
    void note(const std::string& text);
    // Writes what happened since the last flush.
    void flush();
    // Writes what was told so far (the desktop's changes, notifications,
    // popovers, the user defaults written) and flushes the stream, so that
    // what is written next to another stream (a log line) follows it; the
    // program's windows and status item wait for the flush.
    void catchUp();
    // The program's windows, popovers and the frontmost application now.
    void status();

    // How a value reads in the transcript: text in double quotes with its
    // quotes, backslashes and control characters escaped, Booleans as true
    // and false.
    static std::string describe(const Id& value);
    // The text with its control characters escaped: tab, line feed and
    // carriage return as \t, \n and \r, the others of ASCII as \xHH, those of
    // Unicode's second block as \uHHHH; a byte that begins no character of
    // UTF-8 as \xHH.
    static std::string printable(std::string_view text);
    // The user defaults' storage problems not told yet, as lines; they count
    // as told from then on. For what happened before the transcript starts.
    std::vector<std::string> takeStorageProblems();

private:
    struct ShownWindow {
        std::weak_ptr<NSWindow> window;
        const NSWindow* address = nullptr;
        std::string label;
    };

    // The list in the window the user looks at: its rows as it shows them
    // and its selection (TranscriptLists.cpp); no rows when no list is shown.
    struct ShownList {
        std::string rows;
        std::string selection;
    };
    static ShownList shownListNow();
    // Tells the shown list's rows and selection when they changed.
    void takeList();

    void desktopChanged(const simulation::DesktopChange& change);
    void takeActivations();
    // The beeps the program made since the last look.
    void takeBeeps();
    // A control that edits a bound value began or ended editing it.
    void editingChanged(NSObject& editor, bool began);
    void pending(std::string text);
    void writeTold();
    // The user defaults written, removed or refused since the last look.
    void takeDefaults();
    std::string applicationName(pid_t pid) const;
    std::vector<ShownWindow> visibleWindows() const;
    std::vector<std::string> statusItems() const;
    std::vector<NSUserDefaults::StorageProblem> newStorageProblems();
    static std::string describe(const NSUserDefaults::StorageProblem& problem, const std::string& path);

    std::ostream& out_;
    std::shared_ptr<simulation::SimulatedDesktop> desktop_;
    simulation::DesktopListenerToken listener_;
    std::vector<std::shared_ptr<NSObject>> observers_;
    bool started_ = false;
    std::vector<std::string> pending_;
    std::size_t activationsSeen_ = 0;
    std::size_t beepsSeen_ = 0;
    std::vector<ShownWindow> windows_;
    std::vector<std::string> statusItems_;
    ShownList list_;
    Dictionary defaults_;
    std::uint64_t storageProblemsSeen_ = 0;
};
