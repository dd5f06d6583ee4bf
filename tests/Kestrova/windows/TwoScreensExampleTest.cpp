// The example desktop with two screens, as the windows list will use it: the
// window order of an application and a raise, told by the transcript.

#include "Kestrova/A11yElement.h"
#include "Kestrova/WindowManager.h"

#include "KestrovaTestFixture.h"
#include "WindowsTestSupport.h"
#include "appkit/NSRunningApplication.h"
#include "appkit/NSScreen.h"
#include "driver/Transcript.h"

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr pid_t kSafariPid = 533;
constexpr pid_t kNotesPid = 561;

simulation::DesktopState exampleDesktop()
{
    auto result = simulation::DesktopDescription::readFile(KESTROVA_SOURCE_DIR "/examples/two-screens.json",
                                                           simulation::DesktopDescription::OwnProcess::Required);
    if (!result) {
        ADD_FAILURE() << result.error();
        return {};
    }
    return std::move(*result);
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class TwoScreensExampleTest : public KestrovaTest {
protected:
    TwoScreensExampleTest()
        : example_(exampleDesktop())
        , transcript_(out_)
    {
        WindowManager::resetSharedForTesting();
        transcript_.start();
    }
    ~TwoScreensExampleTest() override
    {
        transcript_.stop();
        WindowManager::resetSharedForTesting();
    }

    // What the transcript told since the last call.
    std::vector<std::string> told()
    {
        transcript_.flush();
        auto lines = linesOf(out_.str());
        out_.str("");
        return lines;
    }

    // Raises the window titled `title` of the application's saved order and
    // activates the application, as choosing it in the windows list does,
    // then lets the click come.
    void choose(pid_t pid, const std::string& title)
    {
        for (const auto& window : WindowManager::shared().windows(pid)) {
            if (window->title().utf8() != title)
                continue;
            window->raise();
            NSRunningApplication::runningApplicationWithProcessIdentifier(pid)->activateWithOptions(0);
            advance(0.02);
            return;
        }
        ADD_FAILURE() << "no window " << title;
    }

    void refresh(pid_t pid)
    {
        WindowManager::shared().refreshWindows(*NSRunningApplication::runningApplicationWithProcessIdentifier(pid),
                                               *A11yElement::forApplication(pid));
    }

private:
    simulation::ScopedDesktop example_;
    std::ostringstream out_;
    Transcript transcript_;
};

TEST_F(TwoScreensExampleTest, ARaisedWindowIsClickedAtItsCentreOnTheSecondScreen)
{
    ASSERT_EQ(NSScreen::screens().size(), 2u);
    refresh(kSafariPid);
    // The find bar is left out; the two windows without readable numbers
    // are two rows.
    EXPECT_EQ(titlesOf(WindowManager::shared().windows(kSafariPid)),
              (std::vector<std::string>{"Start Page", "Release Notes", "Weather Forecast", "Travel Plans"}));

    choose(kSafariPid, "Release Notes");
    EXPECT_EQ(told(), (std::vector<std::string>{
                          "  desktop window raised: Safari \"Release Notes\"",
                          "  activation of Safari: activateWithOptions: options 0, asked by Kestrova",
                          "  frontmost: Safari (was Finder)",
                          "  pointer moved to (2400, 450)",
                          "  event posted: left mouse down at (2400, 450)",
                          "  event posted: left mouse up at (2400, 450)",
                      }));

    // A window whose place can't be read is raised, and not clicked.
    refresh(kNotesPid);
    choose(kNotesPid, "Ideas");
    EXPECT_EQ(told(), (std::vector<std::string>{
                          "  desktop window raised: Notes \"Ideas\"",
                          "  activation of Notes: activateWithOptions: options 0, asked by Kestrova",
                          "  frontmost: Notes (was Safari)",
                      }));
}

TEST_F(TwoScreensExampleTest, TheExampleHoldsTheApplicationsTheListsMustCopeWith)
{
    auto notes = NSRunningApplication::runningApplicationWithProcessIdentifier(kNotesPid);
    ASSERT_NE(notes->icon(), nullptr);
    EXPECT_EQ(notes->icon()->path(), String(KESTROVA_SOURCE_DIR "/examples/icons/Notes.png"));
    EXPECT_EQ(notes->icon()->size(), (NSSize{64, 64}));

    auto nameless = NSRunningApplication::runningApplicationWithProcessIdentifier(575);
    EXPECT_EQ(nameless->localizedName(), std::nullopt);
    EXPECT_EQ(nameless->icon()->size(), (NSSize{512, 512}));

    auto xcode = NSRunningApplication::forProcess(590);
    EXPECT_TRUE(xcode->isTerminated());
    EXPECT_TRUE(A11yElement::forApplication(590)->windows().empty());
}

}  // namespace
