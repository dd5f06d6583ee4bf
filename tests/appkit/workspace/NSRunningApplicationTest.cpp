#include "appkit/NSRunningApplication.h"
#include "AppKitTestFixture.h"
#include "appkit/NSError.h"
#include "appkit/NSImage.h"
#include "appkit/NSWorkspace.h"
#include "appkit/NSWorkspaceOpenConfiguration.h"
#include "foundation/NSException.h"
#include "foundation/NSURL.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using RunningApplicationTest = AppKitTest;

TEST_F(RunningApplicationTest, OneObjectPerProcess)
{
    auto& workspace = NSWorkspace::sharedWorkspace();
    auto running = workspace.runningApplications();
    ASSERT_EQ(running.size(), 3u);
    EXPECT_EQ(running[0], NSRunningApplication::currentApplication());
    EXPECT_EQ(running[1], workspace.frontmostApplication());
    EXPECT_EQ(running[1], NSRunningApplication::runningApplicationWithProcessIdentifier(kFinder));
    EXPECT_EQ(running[2], NSRunningApplication::runningApplicationsWithBundleIdentifier("com.apple.Safari").at(0));
    EXPECT_EQ(NSRunningApplication::runningApplicationWithProcessIdentifier(999), nullptr);

    // Another desktop has other processes, even under the same numbers.
    simulation::ScopedDesktop other(standardDesktop());
    EXPECT_NE(NSRunningApplication::currentApplication(), running[0]);
}

TEST_F(RunningApplicationTest, PropertiesAreTheDesktopsAndTheLastStateStaysAfterQuitting)
{
    auto finder = NSRunningApplication::runningApplicationWithProcessIdentifier(kFinder);
    EXPECT_EQ(finder->processIdentifier(), kFinder);
    EXPECT_EQ(finder->bundleIdentifier(), std::optional<String>("com.apple.finder"));
    EXPECT_EQ(finder->localizedName(), std::optional<String>("Finder"));
    EXPECT_EQ(finder->bundleURL()->path(), String("/System/Library/CoreServices/Finder.app"));
    EXPECT_EQ(finder->activationPolicy(), NSApplicationActivationPolicyRegular);
    ASSERT_NE(finder->icon(), nullptr);
    EXPECT_EQ(finder->icon(), finder->icon());
    EXPECT_EQ(finder->icon()->name(), String("Finder"));
    EXPECT_TRUE(finder->isActive());
    EXPECT_FALSE(finder->isHidden());

    auto safari = NSRunningApplication::runningApplicationWithProcessIdentifier(kSafari);
    EXPECT_TRUE(safari->hide());
    EXPECT_TRUE(safari->isHidden());
    EXPECT_TRUE(safari->terminate());
    EXPECT_TRUE(safari->isTerminated());
    EXPECT_FALSE(safari->isActive());
    EXPECT_EQ(safari->localizedName(), std::optional<String>("Safari"));
    EXPECT_EQ(NSRunningApplication::runningApplicationWithProcessIdentifier(kSafari), nullptr);
    EXPECT_FALSE(safari->activateWithOptions(0)) << "a process that quit can't be activated";
}

// A PNG as far as its size goes: the signature and the header chunk.
std::string pngHeader(std::uint32_t width, std::uint32_t height)
{
    std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
    for (std::uint32_t value : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += static_cast<char>((value >> shift) & 0xFF);
    return bytes;
}

TEST_F(RunningApplicationTest, EveryApplicationHasAnIconFromItsFileItsNameOrMadeForIt)
{
    auto folder = std::filesystem::temp_directory_path() / ("kestrova-icons-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string iconFile = (folder / "Mail.png").string();
    std::ofstream(iconFile, std::ios::binary) << pngHeader(64, 32);

    auto state = standardDesktop();
    state.applications.push_back({.pid = 400, .localizedName = String("Mail"), .iconFile = String(iconFile)});
    state.applications.push_back({.pid = 401,
                                  .localizedName = String("Lost"),
                                  .iconFile = String((folder / "missing.png").string()),
                                  .iconName = String("Lost Icon")});
    state.applications.push_back({.pid = 402, .bundleIdentifier = String("com.example.Nameless")});
    state.applications.push_back({.pid = 403});
    simulation::ScopedDesktop scoped(std::move(state));

    struct Row {
        pid_t pid;
        const char* path;
        NSSize size;
        const char* name;
    };
    const Row rows[] = {
        {.pid = kFinder, .path = "", .size = {512, 512}, .name = "Finder"},
        {.pid = kSafari, .path = "", .size = {512, 512}, .name = "Safari"},
        {.pid = 400, .path = iconFile.c_str(), .size = {64, 32}, .name = ""},
        // A file that isn't there leaves the name to go by.
        {.pid = 401, .path = "", .size = {512, 512}, .name = "Lost Icon"},
        {.pid = 402, .path = "", .size = {512, 512}, .name = "com.example.Nameless"},
        {.pid = 403, .path = "", .size = {512, 512}, .name = ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pid);
        auto application = NSRunningApplication::runningApplicationWithProcessIdentifier(row.pid);
        auto icon = application->icon();
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon, application->icon());
        EXPECT_EQ(icon->path(), String(row.path));
        EXPECT_EQ(icon->size(), row.size);
        EXPECT_EQ(icon->name(), String(row.name));
    }
    std::filesystem::remove_all(folder);
}

TEST_F(RunningApplicationTest, AnApplicationTheWorkspaceStillListsAfterItQuitIsTerminated)
{
    auto state = standardDesktop();
    state.applications.push_back({.pid = 400, .localizedName = String("Gone"), .terminated = true});
    simulation::ScopedDesktop scoped(std::move(state));
    auto running = NSWorkspace::sharedWorkspace().runningApplications();
    ASSERT_EQ(running.size(), 4u);
    EXPECT_EQ(running[3]->processIdentifier(), 400);
    EXPECT_TRUE(running[3]->isTerminated());
    EXPECT_FALSE(running[3]->isActive());
    EXPECT_EQ(running[3]->localizedName(), std::optional<String>("Gone"));
    EXPECT_FALSE(running[2]->isTerminated());
}

struct ActivationCase {
    const char* name;
    int majorVersion;
};

class ActivationLogTest : public AppKitTest, public ::testing::WithParamInterface<ActivationCase> {
protected:
    ActivationLogTest()
        : AppKitTest(standardDesktop(GetParam().majorVersion))
    {
    }
    bool sonoma() const { return GetParam().majorVersion >= 14; }
};

// The two ways the program activates itself and hands activation on, as the
// switcher does on either system.
TEST_P(ActivationLogTest, RequestsCarryTheirOptionsAndWhoYielded)
{
    auto current = NSRunningApplication::currentApplication();
    auto finder = NSWorkspace::sharedWorkspace().frontmostApplication();
    auto safari = NSRunningApplication::runningApplicationWithProcessIdentifier(kSafari);
    std::size_t before = desktop().activations().size();

    if (sonoma()) {
        EXPECT_TRUE(current->activateFromApplication(finder, 3));
        app()->yieldActivationToApplication(safari);
        EXPECT_TRUE(safari->activateWithOptions(0));
    } else {
        EXPECT_THROW(current->activateFromApplication(finder, 3), NSException);
        EXPECT_THROW(app()->yieldActivationToApplication(safari), NSException);
        EXPECT_TRUE(current->activateWithOptions(3));
        EXPECT_TRUE(safari->activateWithOptions(NSApplicationActivateIgnoringOtherApps));
    }

    auto log = desktop().activations();
    ASSERT_EQ(log.size(), before + 2);
    const auto& own = log[before];
    EXPECT_EQ(own.target, kOwn);
    EXPECT_EQ(own.requester, std::optional<pid_t>(kOwn));
    EXPECT_EQ(own.options, 3u);
    EXPECT_EQ(own.via, String(sonoma() ? "activateFromApplication:options:" : "activateWithOptions:"));
    EXPECT_EQ(own.fromApplication, sonoma() ? std::optional<pid_t>(kFinder) : std::nullopt);
    const auto& other = log[before + 1];
    EXPECT_EQ(other.target, kSafari);
    EXPECT_EQ(other.options, sonoma() ? 0u : 2u);
    EXPECT_EQ(other.via, String("activateWithOptions:"));
    // A yield is a permission, not an activation: it goes into the log of
    // what the program did.
    std::vector<pid_t> yieldedTo;
    for (const auto& entry : desktop().programRecords()) {
        EXPECT_EQ(entry.kind, simulation::ProgramRecord::Kind::ActivationYielded);
        EXPECT_EQ(entry.process, kOwn);
        yieldedTo.push_back(entry.target);
    }
    EXPECT_EQ(yieldedTo, sonoma() ? std::vector<pid_t>{kSafari} : std::vector<pid_t>{});
    EXPECT_EQ(desktop().frontmostApplication(), kSafari);
}

INSTANTIATE_TEST_SUITE_P(Systems, ActivationLogTest,
                         ::testing::Values(ActivationCase{.name = "Ventura", .majorVersion = 13},
                                           ActivationCase{.name = "Sonoma", .majorVersion = 14},
                                           ActivationCase{.name = "Sequoia", .majorVersion = 15}),
                         [](const ::testing::TestParamInfo<ActivationCase>& tested) {
                             return std::string(tested.param.name);
                         });

using WorkspaceTest = AppKitTest;

TEST_F(WorkspaceTest, FindsInstalledApplicationsByBundleIdentifier)
{
    auto& workspace = NSWorkspace::sharedWorkspace();
    auto notes = workspace.URLForApplicationWithBundleIdentifier("com.example.Notes");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->path(), String("/Applications/Notes.app"));
    EXPECT_EQ(workspace.URLForApplicationWithBundleIdentifier("com.apple.Safari")->path(),
              String("/Applications/Safari.app"));
    EXPECT_EQ(workspace.URLForApplicationWithBundleIdentifier("com.example.Missing"), nullptr);
}

TEST_F(WorkspaceTest, OpeningLaunchesAtOnceAndAnswersOnTheMainQueue)
{
    struct Case {
        const char* name;
        const char* path;
        bool activates;
        bool launches;
    } cases[] = {
        {.name = "activating", .path = "/Applications/Notes.app", .activates = true, .launches = true},
        {.name = "in the background", .path = "/Applications/Notes.app", .activates = false, .launches = true},
        {.name = "unknown bundle", .path = "/Applications/Missing.app", .activates = true, .launches = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        simulation::ScopedDesktop fresh(standardDesktop());
        auto configuration = NSWorkspaceOpenConfiguration::configuration();
        configuration->setActivates(c.activates);
        std::vector<std::shared_ptr<NSRunningApplication>> launched;
        std::vector<std::shared_ptr<NSError>> errors;
        NSWorkspace::sharedWorkspace().openApplicationAtURL(NSURL::fileURLWithPath(c.path), configuration,
                                                            [&](const auto& application, const auto& error) {
                                                                launched.push_back(application);
                                                                errors.push_back(error);
                                                            });
        EXPECT_EQ(fresh->runningApplications("com.example.Notes").size(), c.launches ? 1u : 0u);
        EXPECT_TRUE(launched.empty());
        drain();
        ASSERT_EQ(launched.size(), 1u);
        if (c.launches) {
            ASSERT_NE(launched[0], nullptr);
            EXPECT_EQ(launched[0]->bundleIdentifier(), std::optional<String>("com.example.Notes"));
            EXPECT_EQ(launched[0]->isActive(), c.activates);
            EXPECT_EQ(errors[0], nullptr);
        } else {
            EXPECT_EQ(launched[0], nullptr);
            ASSERT_NE(errors[0], nullptr);
            EXPECT_EQ(errors[0]->domain(), NSCocoaErrorDomain);
        }
    }
    // Without a completion handler the launch happens all the same.
    NSWorkspace::sharedWorkspace().openApplicationAtURL(NSURL::fileURLWithPath("/Applications/Notes.app"),
                                                        NSWorkspaceOpenConfiguration::configuration(), nullptr);
    EXPECT_EQ(desktop().runningApplications("com.example.Notes").size(), 1u);
}

}  // namespace
