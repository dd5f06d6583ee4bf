#include "driver/DesktopSession.h"

#include "../foundation/TemporaryFolder.h"
#include "appkit/NSApplication.h"
#include "foundation/NSBundle.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/NSUserDefaults.h"
#include "foundation/ScopedVirtualClock.h"
#include "simulation/ScopedDesktop.h"

#include <gtest/gtest.h>

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
        std::ostringstream out;
        std::istringstream in;
        DesktopSession session(out, in);
        session.launch(*NSApplication::sharedApplication());
        for (const auto& line : lines)
            if (!session.execute(line))
                break;
        session.finish();
        return out.str();
    }

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

}  // namespace
