#include "driver/AutostartProgram.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Command = std::vector<std::string>;

TEST(AutostartProgramTest, ReadsTheProgramAnEntryStarts)
{
    struct Case {
        const char* label;
        const char* text;
        Command command;
        const char* name;
    };
    const Case cases[] = {
        {.label = "as the login item's registration writes it",
         .text = "[Desktop Entry]\nType=Application\nVersion=1.5\nName=KestrovaHelper\n"
                 "Exec=\"/opt/Kestrova.app/Contents/Library/LoginItems/KestrovaHelper.app/Contents/MacOS/"
                 "KestrovaHelper\"\nTerminal=false\nNoDisplay=true\n",
         .command = {"/opt/Kestrova.app/Contents/Library/LoginItems/KestrovaHelper.app/Contents/MacOS/KestrovaHelper"},
         .name = "KestrovaHelper"},
        {.label = "quoting and escapes undone",
         .text = "[Desktop Entry]\nType=Application\nName=A\n"
                 "Exec=\"/a b/\\\\\"q\\\\\" \\\\$x \\\\\\\\\" plain\\sword 100%%\n",
         .command = {"/a b/\"q\" $x \\", "plain", "word", "100%"},
         .name = "A"},
        {.label = "field codes dropped",
         .text = "[Desktop Entry]\nType=Application\nExec=/bin/tool %U --flag %f x%iy\n",
         .command = {"/bin/tool", "--flag", "xy"},
         .name = "/bin/tool"},
        {.label = "other groups, comments, localized keys and blanks around =",
         .text = "# made by hand\n[Desktop Entry]\nName[de]=Helfer\nName = Helper\nType=Application\n"
                 "Exec = /bin/helper\n[Desktop Action Other]\nExec=/bin/other\n",
         .command = {"/bin/helper"},
         .name = "Helper"},
        {.label = "carriage returns at line ends",
         .text = "[Desktop Entry]\r\nType=Application\r\nExec=/bin/helper\r\n",
         .command = {"/bin/helper"},
         .name = "/bin/helper"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto program = AutostartProgram::parse(c.text);
        ASSERT_TRUE(program) << program.error();
        ASSERT_TRUE(*program);
        EXPECT_EQ((*program)->command, c.command);
        EXPECT_EQ((*program)->name, c.name);
    }
}

TEST(AutostartProgramTest, EntriesThatStartNothingAtLoginAndOnesThatCantBeRead)
{
    struct Case {
        const char* text;
        const char* error;  // empty: a usable entry that starts nothing
    };
    const Case cases[] = {
        {"[Desktop Entry]\nType=Application\nHidden=true\nExec=/bin/x\n", ""},
        {"[Desktop Entry]\nType=Application\nX-GNOME-Autostart-enabled=false\nExec=/bin/x\n", ""},
        {"[Desktop Entry]\nType=Link\nURL=file:///\n", ""},
        {"[Desktop Entry]\nExec=/bin/x\n", ""},
        {"", "no [Desktop Entry] group"},
        {"Exec=/bin/x\n", "line 1: a key before the [Desktop Entry] group"},
        {"[Desktop Entry\nType=Application\n", "line 1: a group header without its ]"},
        {"[Desktop Entry]\njust words\n", "line 2: neither a group, a key nor a comment"},
        {"[Desktop Entry]\n=value\n", "line 2: neither a group, a key nor a comment"},
        {"[Desktop Entry]\n[Desktop Entry]\n", "line 2: a second [Desktop Entry] group"},
        {"[Desktop Entry]\nType=Application\n", "no Exec key"},
        {"[Desktop Entry]\nType=Application\nExec=\n", "Exec names no program"},
        {"[Desktop Entry]\nType=Application\nExec=%U\n", "Exec names no program"},
        {"[Desktop Entry]\nType=Application\nExec=\"/bin/x\n", "Exec: a quote is not closed"},
        {"[Desktop Entry]\nType=Application\nExec=/bin/x 5%\n", "Exec: a lone % ends an argument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto program = AutostartProgram::parse(c.text);
        if (*c.error) {
            ASSERT_FALSE(program);
            EXPECT_EQ(program.error(), c.error);
        } else {
            ASSERT_TRUE(program) << program.error();
            EXPECT_FALSE(*program);
        }
    }
}

TEST(AutostartProgramTest, TheHomesEnabledEntriesByFileNameWithTheBrokenOnesTold)
{
    TemporaryFolder home;
    home.write(".config/autostart/b.desktop", "[Desktop Entry]\nType=Application\nExec=/bin/b\n");
    home.write(".config/autostart/a.desktop", "[Desktop Entry]\nType=Application\nExec=/bin/a\n");
    home.write(".config/autostart/off.desktop", "[Desktop Entry]\nType=Application\nHidden=true\nExec=/bin/o\n");
    home.write(".config/autostart/broken.desktop", "nonsense\n");
    home.write(".config/autostart/notes.txt", "[Desktop Entry]\nType=Application\nExec=/bin/n\n");

    std::vector<std::string> problems;
    auto programs = AutostartProgram::enabledIn(home.path(), problems);
    ASSERT_EQ(programs.size(), 2u);
    EXPECT_EQ(programs[0].command, Command{"/bin/a"});
    EXPECT_EQ(programs[0].file, home / ".config/autostart/a.desktop");
    EXPECT_EQ(programs[1].command, Command{"/bin/b"});
    EXPECT_EQ(problems, std::vector<std::string>{home / ".config/autostart/broken.desktop" +
                                                 ": line 1: neither a group, a key nor a comment"});

    TemporaryFolder empty;
    problems.clear();
    EXPECT_TRUE(AutostartProgram::enabledIn(empty.path(), problems).empty());
    EXPECT_TRUE(problems.empty());
}

TEST(AutostartProgramTest, AProgramThatCantRunIsNotStarted)
{
    TemporaryFolder logs;
    std::string error;
    AutostartProgram missing{.file = "", .name = "Missing", .command = {logs / "no-such-program"}};
    EXPECT_FALSE(missing.start(logs.path(), error));
    EXPECT_NE(error.find("no-such-program"), std::string::npos) << error;
    AutostartProgram none;
    EXPECT_FALSE(none.start(logs.path(), error));
}

}  // namespace
