#include "foundation/NSUserDefaultsController.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TemporaryFolder.h"

using testing::ElementsAre;

namespace {

const String domain = "org.kestrova.tests.controller";

struct DefaultsFixture {
    TemporaryFolder home;
    std::shared_ptr<NSUserDefaults> defaults = NSUserDefaults::create(home.path(), domain);
    std::shared_ptr<NSUserDefaultsController> controller = std::make_shared<NSUserDefaultsController>(*defaults);
};

}  // namespace

TEST(NSUserDefaultsControllerTest, ValuesKeyPathsReadWriteAndRemoveTheDefaults)
{
    DefaultsFixture f;
    NSUserDefaultsController& controller = *f.controller;
    EXPECT_TRUE(controller.valueForKeyPath("values.shortcut-Kestrova").isNil());

    controller.setValueForKeyPath("^\t", "values.shortcut-Kestrova");
    controller.setValueForKeyPath(Id::boolean(true), "values.rememberShortcuts");
    EXPECT_EQ(f.defaults->objectForKey("shortcut-Kestrova"), Id("^\t"));
    EXPECT_EQ(controller.valueForKeyPath("values.rememberShortcuts"), Id::boolean(true));
    // Applied at once: another reader of the same file sees it.
    EXPECT_EQ(NSUserDefaults::create(f.home.path(), domain)->objectForKey("shortcut-Kestrova"), Id("^\t"));

    controller.setValueForKeyPath(Id(), "values.shortcut-Kestrova");
    EXPECT_TRUE(f.defaults->objectForKey("shortcut-Kestrova").isNil());
    EXPECT_FALSE(f.defaults->persistentDomain().contains("shortcut-Kestrova"));
}

TEST(NSUserDefaultsControllerTest, ObserversHearChangesMadeOnEitherSideOnce)
{
    DefaultsFixture f;
    std::vector<std::string> log;
    ObservationToken token =
        observe(*f.controller, "values.rememberShortcuts", NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld,
                [&](const KeyValueChange& c) {
                    log.push_back(c.oldValue.description().utf8() + "->" + c.newValue.description().utf8());
                });
    f.controller->setValueForKeyPath(Id::boolean(true), "values.rememberShortcuts");
    f.defaults->setBool(false, "rememberShortcuts");
    f.defaults->setBool(false, "rememberShortcuts");  // no change
    f.defaults->setBool(true, "miniMode");            // another key
    f.controller->setValueForKeyPath(Id(), "values.rememberShortcuts");
    EXPECT_THAT(log, ElementsAre("<null>->1", "1->0", "0-><null>"));
}

TEST(NSUserDefaultsControllerTest, TheSharedControllerIsOverTheStandardDefaults)
{
    TemporaryFolder home;
    NSUserDefaults::resetStandardUserDefaults(home.path(), domain);
    NSUserDefaultsController& shared = NSUserDefaultsController::sharedUserDefaultsController();
    EXPECT_EQ(&shared, &NSUserDefaultsController::sharedUserDefaultsController());
    EXPECT_EQ(&shared.defaults(), &NSUserDefaults::standardUserDefaults());
    EXPECT_TRUE(shared.isKindOf<NSController>());
    EXPECT_TRUE(shared.appliesImmediately());
    // The defaults object is reachable as a key, for observing it directly.
    EXPECT_EQ(shared.valueForKey("defaults").objectPointer(), &NSUserDefaults::standardUserDefaults());

    shared.setValueForKeyPath(Id::boolean(false), "values.firstLaunch");
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults().objectForKey("firstLaunch").isBoolean());
    EXPECT_FALSE(NSUserDefaults::standardUserDefaults().boolForKey("firstLaunch"));
    shared.setValueForKeyPath(Id(), "values.firstLaunch");
    EXPECT_TRUE(shared.valueForKeyPath("values.firstLaunch").isNil());
}
