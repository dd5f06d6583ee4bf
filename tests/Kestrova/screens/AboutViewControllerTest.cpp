// The about window: the version from the main bundle, and closing it hides
// the program without writing anything.

#include "Kestrova/AboutViewController.h"
#include "Kestrova/AboutWindow.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"
#include "appkit/NSWindowController.h"

namespace {

class AboutViewControllerTest : public KestrovaTest {
protected:
    // A bundle whose information property list holds `entries` (plist XML).
    std::string bundleWithInfo(const std::string& name, const std::string& entries)
    {
        home().write(name + ".app/Contents/Info.plist",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                     "<key>CFBundleIdentifier</key><string>com.kestrova.test</string>\n" +
                         entries + "</dict>\n</plist>\n");
        return home().path() + "/" + name + ".app";
    }

    // The controller with a label of its own, its view loaded.
    static std::string versionShown()
    {
        auto controller = std::make_shared<AboutViewController>();
        auto label = NSTextField::labelWithString("");
        controller->setVersionLabel(label);
        controller->setViewLoader([] { return std::make_shared<NSView>(); });
        controller->loadViewIfNeeded();
        return label->stringValue().utf8();
    }

    std::shared_ptr<NSWindow> openAbout()
    {
        defaults().setBool(false, "firstLaunch");
        auto delegate = launch();
        delegate->openAbout(Id());
        drain();
        auto shown = visibleWindowsOf<AboutWindow>();
        return shown.size() == 1 ? shown.front() : nullptr;
    }
};

TEST_F(AboutViewControllerTest, ShowsTheShortVersionOrUnknown)
{
    struct Case {
        const char* name;
        const char* entries;
        const char* shown;
    };
    const Case cases[] = {
        {"a short version", "<key>CFBundleShortVersionString</key><string>2.1</string>", "Version 2.1"},
        {"none", "<key>CFBundleVersion</key><string>7</string>", "Version Unknown"},
        {"not a string", "<key>CFBundleShortVersionString</key><integer>2</integer>", "Version Unknown"},
        {"an empty one", "<key>CFBundleShortVersionString</key><string></string>", "Version "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bundle = NSBundle::bundleWithPath(String(bundleWithInfo(c.name, c.entries)));
        ASSERT_TRUE(bundle);
        NSBundle::setMainBundle(bundle);
        EXPECT_EQ(versionShown(), c.shown);
    }
    NSBundle::setMainBundle(nullptr);
    EXPECT_EQ(versionShown(), "Version Unknown") << "no main bundle at all";
}

TEST_F(AboutViewControllerTest, AnUnconnectedLabelStopsTheProgramWhenTheViewLoads)
{
    auto controller = std::make_shared<AboutViewController>();
    controller->setViewLoader([] { return std::make_shared<NSView>(); });
    try {
        controller->loadViewIfNeeded();
        ADD_FAILURE() << "the program went on";
    } catch (const ProgramStopped& stopped) {
        EXPECT_EQ(std::string(stopped.what()),
                  "Expect the `versionLabel` outlet of `AboutViewController` to be connected");
    }
}

TEST_F(AboutViewControllerTest, TheWindowShowsTheBundlesVersionUnderTheName)
{
    auto window = openAbout();
    ASSERT_TRUE(window);
    auto controller = std::dynamic_pointer_cast<AboutViewController>(window->contentViewController());
    ASSERT_TRUE(controller);
    ASSERT_TRUE(controller->versionLabel());
    Id version = NSBundle::mainBundle()->objectForInfoDictionaryKey("CFBundleShortVersionString");
    ASSERT_TRUE(version.string());
    EXPECT_EQ(controller->versionLabel()->stringValue(), String("Version ").appending(*version.string()));

    window->layoutIfNeeded();
    std::shared_ptr<NSTextField> name;
    for (const auto& view : window->contentView()->subviews())
        if (auto field = std::dynamic_pointer_cast<NSTextField>(view);
            field && field->stringValue() == String("Kestrova"))
            name = field;
    ASSERT_TRUE(name);
    NSRect versionFrame = controller->versionLabel()->frame();
    EXPECT_LT(CGRectGetMaxY(versionFrame), CGRectGetMinY(name->frame()) + 1) << "the version under the name";
    EXPECT_NEAR(CGRectGetMidX(versionFrame), CGRectGetMidX(window->contentView()->bounds()), 1);
    EXPECT_GE(versionFrame.size.width, controller->versionLabel()->intrinsicContentSize().width)
        << "the whole text fits";
}

TEST_F(AboutViewControllerTest, ClosingHidesTheProgramAndWritesNoDefault)
{
    auto window = openAbout();
    ASSERT_TRUE(window);
    Dictionary before = defaults().dictionaryRepresentation();
    window->performClose(Id());
    drain();
    EXPECT_TRUE(visibleWindowsOf<AboutWindow>().empty());
    auto own = desktop().application(kOwn);
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->hidden);
    EXPECT_NE(desktop().frontmostApplication(), kOwn);
    EXPECT_EQ(defaults().dictionaryRepresentation(), before);
}

}  // namespace
