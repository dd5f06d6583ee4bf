// The screens through the driver: what a person sees happen in the
// transcript.

#include "KestrovaTestFixture.h"
#include "driver/DesktopSession.h"

#include <sstream>

namespace {

class ScreensSessionTest : public KestrovaTest {
protected:
    ScreensSessionTest()
        : KestrovaTest({.helperLoginItem = true})
    {
    }

    // The transcript's lines from the first command on.
    std::vector<std::string> run(const std::string& script)
    {
        std::ostringstream out;
        std::istringstream in(script);
        DesktopSession session(out, in);
        loadApplicationScene();
        session.launch(*app());
        for (std::string line; std::getline(in, line) && session.execute(line);) {
        }
        session.finish();
        std::vector<std::string> lines;
        std::istringstream transcript(out.str());
        bool commands = false;
        for (std::string line; std::getline(transcript, line);) {
            commands = commands || (line.rfind("> ", 0) == 0 && line != "> launch");
            if (commands)
                lines.push_back(line);
        }
        return lines;
    }

    // The commands and the lines that hold any of the texts.
    static std::vector<std::string> only(const std::vector<std::string>& lines, std::initializer_list<std::string> kept)
    {
        std::vector<std::string> result;
        for (const auto& line : lines) {
            bool keep = line.rfind("> ", 0) == 0;
            for (const auto& text : kept)
                keep = keep || line.find(text) != std::string::npos;
            if (keep)
                result.push_back(line);
        }
        return result;
    }
};

TEST_F(ScreensSessionTest, LaunchAtLoginTakesEffectWhileThePreferencesAreOpen)
{
    auto lines = run("default firstLaunch false\n"
                     "default launchAtLogin true\n"
                     "menu Preferences\n"
                     "default launchAtLogin false\n"
                     "default launchAtLogin false\n"
                     "default launchAtLogin true\n"
                     "quit\n");
    EXPECT_EQ(only(lines, {"login items"}), (std::vector<std::string>{
                                                "> default firstLaunch false",
                                                "> default launchAtLogin true",
                                                "> menu Preferences",
                                                "  login items changed",
                                                "> default launchAtLogin false",
                                                "  login items changed",
                                                "> default launchAtLogin false",
                                                "> default launchAtLogin true",
                                                "  login items changed",
                                                "> quit",
                                            }));
    EXPECT_TRUE(desktop().loginItem("com.kestrova.KestrovaHelper")->enabled);
}

TEST_F(ScreensSessionTest, ClosingTheWelcomeRecordsItAndHidesTheProgram)
{
    auto lines = run("close Welcome to Kestrova\n"
                     "menu About Kestrova\n"
                     "close About Kestrova\n");
    EXPECT_EQ(only(lines, {"hidden: ", "  window "}), (std::vector<std::string>{
                                                          "> close Welcome to Kestrova",
                                                          "  hidden: Kestrova",
                                                          "  window closed: WelcomeWindow \"Welcome to Kestrova\"",
                                                          "> menu About Kestrova",
                                                          "  unhidden: Kestrova",
                                                          "  window shown: AboutWindow \"About Kestrova\" (key)",
                                                          "> close About Kestrova",
                                                          "  hidden: Kestrova",
                                                          "  window closed: AboutWindow \"About Kestrova\"",
                                                          "> (end of the commands)",
                                                      }));
    EXPECT_EQ(only(lines, {"default written"}), (std::vector<std::string>{
                                                    "> close Welcome to Kestrova",
                                                    "  default written: firstLaunch = false",
                                                    "> menu About Kestrova",
                                                    "> close About Kestrova",
                                                    "> (end of the commands)",
                                                }));
}

}  // namespace
