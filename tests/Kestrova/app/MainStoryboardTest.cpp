// The main storyboard and the bundle the build lays out: what the program
// relies on finding there.

#include "Kestrova/AboutWindow.h"
#include "Kestrova/AssignShortcutsViewController.h"
#include "Kestrova/CloseableView.h"
#include "Kestrova/MainViewController.h"
#include "Kestrova/MainWindow.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/MiniViewController.h"
#include "Kestrova/NavigationController.h"
#include "Kestrova/PermissionViewController.h"
#include "Kestrova/PreferencesViewController.h"
#include "Kestrova/StoryboardContract.h"
#include "Kestrova/WelcomeWindow.h"
#include "Kestrova/WelcomeWindowController.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSViewController.h"
#include "appkit/NSWindowController.h"

#include <functional>

namespace {

class MainStoryboardTest : public KestrovaTest { };

TEST_F(MainStoryboardTest, TheBundleNamesItselfAndItsStoryboard)
{
    auto bundle = NSBundle::mainBundle();
    EXPECT_EQ(bundle->bundleIdentifier(), String("com.kestrova.Kestrova"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("NSMainStoryboardFile"), Id(String("Main")));
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey("CFBundleShortVersionString").isString());
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey("CFBundleVersion").isString());
    EXPECT_FALSE(bundle->pathForImageResource("Status Item").empty());
    EXPECT_TRUE(NSBundle::bundleWithPath(bundle->resourcePath().appending("/ShortcutLibrary_ShortcutLibrary.bundle")));
    auto helper =
        NSBundle::bundleWithPath(bundle->bundlePath().appending("/Contents/Library/LoginItems/KestrovaHelper.app"));
    ASSERT_TRUE(helper);
    EXPECT_EQ(helper->bundleIdentifier(), String("com.kestrova.KestrovaHelper"));
}

TEST_F(MainStoryboardTest, EveryNamedSceneHasItsClass)
{
    using Check = std::function<void(const Id&)>;
    auto navigationWith = [](const ClassDescriptor& root) {
        return Check([&root](const Id& made) {
            auto navigation = made.object<NavigationController>();
            ASSERT_TRUE(navigation);
            ASSERT_EQ(navigation->childViewControllers().size(), 1u);
            EXPECT_TRUE(navigation->childViewControllers()[0]->isKindOfClass(root));
            EXPECT_TRUE(navigation->view()->isKindOf<CloseableView>());
        });
    };
    auto windowWith = [](const ClassDescriptor& controller, const ClassDescriptor& window) {
        return Check([&controller, &window](const Id& made) {
            auto windowController = made.object<NSWindowController>();
            ASSERT_TRUE(windowController);
            EXPECT_TRUE(windowController->isKindOfClass(controller));
            EXPECT_TRUE(windowController->window()->isKindOfClass(window));
        });
    };
    auto viewControllerOf = [](const ClassDescriptor& cls) {
        return Check([&cls](const Id& made) {
            auto controller = made.object<NSViewController>();
            ASSERT_TRUE(controller);
            EXPECT_TRUE(controller->isKindOfClass(cls));
        });
    };
    struct Case {
        const char* identifier;
        Check check;
    };
    const Case cases[] = {
        {"Main", windowWith(MainWindowController::descriptor(), MainWindow::descriptor())},
        {"Navigation", navigationWith(MainViewController::descriptor())},
        {"MiniNavigationController", navigationWith(MiniViewController::descriptor())},
        {"Permission", viewControllerOf(PermissionViewController::descriptor())},
        {"Welcome", windowWith(WelcomeWindowController::descriptor(), WelcomeWindow::descriptor())},
        {"PreferencesViewController", viewControllerOf(PreferencesViewController::descriptor())},
        {"AssignShortcutsViewController", viewControllerOf(AssignShortcutsViewController::descriptor())},
        {"AboutWindowController", windowWith(NSWindowController::descriptor(), AboutWindow::descriptor())},
    };
    auto storyboard = NSStoryboard::mainStoryboard();
    ASSERT_TRUE(storyboard);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.identifier);
        Id first = storyboard->instantiateControllerWithIdentifier(c.identifier);
        c.check(first);
        // Every opening makes a fresh scene.
        EXPECT_FALSE(first.isIdenticalTo(storyboard->instantiateControllerWithIdentifier(c.identifier)));
    }
}

TEST_F(MainStoryboardTest, ASceneOfTheWrongClassStopsTheProgram)
{
    auto storyboard = NSStoryboard::mainStoryboard();
    try {
        requireController<MainWindowController>(*storyboard, "Welcome");
        FAIL() << "a welcome window controller passed for the main one";
    } catch (const ProgramStopped& stopped) {
        EXPECT_STREQ(stopped.what(), "Expect controller with identifier `Welcome` to be type of "
                                     "`Kestrova.MainWindowController` ");
    }
    EXPECT_THROW(requireController<MainWindowController>(*storyboard, "NoSuchScene"), ProgramStopped);
}

}  // namespace
