#include "driver/DesktopSession.h"

#include "TemporaryFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Runs the session's start-up with these arguments, catching what it says on
// standard error.
struct Start {
    std::optional<int> status;
    std::string said;
};

Start start(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "Kestrova");
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    std::ostringstream out;
    std::istringstream in;
    std::ostringstream err;
    auto* was = std::cerr.rdbuf(err.rdbuf());
    DesktopSession session(out, in);
    Start result;
    result.status = session.prepare(static_cast<int>(argv.size()), argv.data());
    std::cerr.rdbuf(was);
    result.said = err.str();
    return result;
}

TEST(DesktopSessionStartUpTest, ArgumentsAreReadOrRefusedByName)
{
    char program[] = "Kestrova", desktop[] = "--desktop", file[] = "d.json", home[] = "--home", empty[] = "";
    char* good[] = {program, desktop, file};
    auto options = DesktopSession::parseArguments(3, good);
    ASSERT_TRUE(options) << options.error();
    EXPECT_EQ(options->desktopFile, "d.json");

    struct Case {
        std::vector<char*> argv;
        const char* error;
    };
    char colour[] = "--colour";
    const Case cases[] = {
        {{program, colour}, "unknown argument '--colour'"},
        {{program, home}, "--home needs a value"},
        {{program, home, empty}, "--home needs a value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        auto argv = c.argv;
        auto refused = DesktopSession::parseArguments(static_cast<int>(argv.size()), argv.data());
        EXPECT_FALSE(refused);
        EXPECT_EQ(refused.error(), c.error);
    }
}

// The program can only run on a desktop that it is part of, and one that
// exists as a file.
TEST(DesktopSessionStartUpTest, StartUpRefusesDesktopsTheProgramCannotRunOn)
{
    TemporaryFolder folder;
    std::string withoutSelf = folder.write("without-self.json", R"({"applications": [{"name": "Finder"}]})");
    std::string selfQuit =
        folder.write("self-quit.json", R"({"applications": [{"name": "Kestrova", "self": true, "terminated": true}]})");

    struct Case {
        std::string desktop;
        std::string said;
    };
    const Case cases[] = {
        {folder.path(), folder.path() + ": is a folder, not a desktop description"},
        {withoutSelf, withoutSelf + ": applications: expected our own process, an application with \"self\": true"},
        {selfQuit, selfQuit + ": applications[0].terminated: our own process can't be terminated"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktop);
        auto result = start({"--desktop", c.desktop});
        EXPECT_EQ(result.status, EXIT_FAILURE);
        EXPECT_NE(result.said.find(c.said + "\n"), std::string::npos) << result.said;
    }
}

TEST(DesktopSessionStartUpTest, AScriptMustBeAFileThatCanBeRead)
{
    TemporaryFolder folder;
    struct Case {
        std::string script;
        std::string said;
    };
    const Case cases[] = {
        {folder.path(), folder.path() + ": is a folder, not a script"},
        {folder / "missing.txt", "can't read the script " + (folder / "missing.txt")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        auto result = start({"--script", c.script});
        EXPECT_EQ(result.status, EXIT_FAILURE);
        EXPECT_NE(result.said.find(c.said + "\n"), std::string::npos) << result.said;
    }
}

TEST(DesktopSessionStartUpTest, BadLinesAreReportedWithTheirNumberAndCounted)
{
    std::ostringstream out;
    std::istringstream in;
    DesktopSession session(out, in);
    for (const char* line : {"# numbers too large for their kind", "", "press f4294967297", "default n 1e999"})
        EXPECT_TRUE(session.execute(line));
    EXPECT_EQ(out.str(), "! line 3: press: unknown key 'f4294967297'\n"
                         "! line 4: default: the number 1e999 is out of range\n");
    EXPECT_EQ(session.errors(), 2);
}

}  // namespace
