#include "foundation/NSUserDefaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TemporaryFolder.h"
#include "foundation/Log.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/PropertyList.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

const String domain = "org.kestrova.tests";

std::string preferencesFolder(const TemporaryFolder& home)
{
    return home / "Library/Preferences";
}

std::string plistPath(const TemporaryFolder& home)
{
    return preferencesFolder(home) + "/" + domain.utf8() + ".plist";
}

}  // namespace

TEST(NSUserDefaultsTest, ValuesWrittenInOneRunAreReadByTheNext)
{
    TemporaryFolder home;
    {
        auto first = NSUserDefaults::create(home.path(), domain);
        first->setBool(true, "rememberShortcuts");
        first->setInteger(-42, "count");
        first->setDouble(2.5, "ratio");
        first->setObject("^\t", "shortcut-Kestrova");
        first->setObject(Data(std::vector<std::uint8_t>{0, 1, 2, 255}), "blob");
        first->setObject(Array{"a", Id::number(1)}, "list");
        first->setObject(Dictionary{{"Safari", "^s"}, {"Mail", "^m"}}, "shortcuts");
    }
    auto second = NSUserDefaults::create(home.path(), domain);
    EXPECT_TRUE(second->objectForKey("rememberShortcuts").isBoolean());
    EXPECT_TRUE(second->boolForKey("rememberShortcuts"));
    EXPECT_EQ(second->integerForKey("count"), -42);
    EXPECT_DOUBLE_EQ(second->doubleForKey("ratio"), 2.5);
    EXPECT_EQ(second->stringForKey("shortcut-Kestrova"), String("^\t"));
    EXPECT_EQ(second->dataForKey("blob"), Data(std::vector<std::uint8_t>{0, 1, 2, 255}));
    EXPECT_EQ(second->arrayForKey("list"), (Array{"a", Id::number(1)}));
    auto shortcuts = second->dictionaryForKey("shortcuts");
    ASSERT_TRUE(shortcuts);
    EXPECT_EQ(*shortcuts, (Dictionary{{"Safari", "^s"}, {"Mail", "^m"}}));
    // Insertion order survives the file.
    EXPECT_EQ(shortcuts->entries().front().first, Id("Safari"));
}

TEST(NSUserDefaultsTest, TypedReadsOfAbsentOrOtherKinds)
{
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    defaults->setObject("YES", "yesText");
    defaults->setObject("12", "numberText");
    defaults->setObject(Id::number(3), "three");

    struct Case {
        const char* key;
        bool boolValue;
        std::int64_t integerValue;
        bool hasString;
    };
    const Case cases[] = {
        {.key = "absent", .boolValue = false, .integerValue = 0, .hasString = false},
        {.key = "yesText", .boolValue = true, .integerValue = 0, .hasString = true},
        {.key = "numberText", .boolValue = true, .integerValue = 12, .hasString = true},
        {.key = "three", .boolValue = true, .integerValue = 3, .hasString = true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(defaults->boolForKey(c.key), c.boolValue);
        EXPECT_EQ(defaults->integerForKey(c.key), c.integerValue);
        EXPECT_EQ(defaults->stringForKey(c.key).has_value(), c.hasString);
    }
    EXPECT_TRUE(defaults->objectForKey("absent").isNil());
    EXPECT_FALSE(defaults->dictionaryForKey("three"));
    EXPECT_EQ(defaults->stringForKey("three"), String("3"));
}

TEST(NSUserDefaultsTest, SettingNilRemovesTheKey)
{
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    defaults->setObject("x", "a");
    defaults->setObject(Id(), "a");
    EXPECT_TRUE(defaults->objectForKey("a").isNil());
    defaults->setObject("y", "b");
    defaults->removeObjectForKey("b");
    EXPECT_TRUE(NSUserDefaults::create(home.path(), domain)->persistentDomain().empty());
}

TEST(NSUserDefaultsTest, WritesGoThroughATemporaryFileThatIsRenamed)
{
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    for (int i = 0; i < 20; ++i)
        defaults->setInteger(i, String::format("key%d", i));
    EXPECT_THAT(TemporaryFolder::list(preferencesFolder(home)), ElementsAre(domain.utf8() + ".plist"));
    auto read = PropertyList::readFile(plistPath(home));
    ASSERT_TRUE(read.ok()) << read.error;
    EXPECT_EQ(read.value.dictionary()->count(), 20u);
}

TEST(NSUserDefaultsTest, CorruptFileIsMovedAsideAndNotLost)
{
    TemporaryFolder home;
    const std::string garbage = "<?xml version=\"1.0\"?><plist><dict><key>half";
    home.write("Library/Preferences/" + domain.utf8() + ".plist", garbage);

    ScopedLogCapture capture;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    EXPECT_TRUE(defaults->persistentDomain().empty());
    ASSERT_EQ(capture.sink().entries().size(), 1u);
    EXPECT_EQ(capture.sink().entries()[0].level, LogLevel::Error);
    EXPECT_THAT(capture.sink().entries()[0].text,
                StartsWith("Could not read the user defaults file " + plistPath(home)));

    std::vector<std::string> names = TemporaryFolder::list(preferencesFolder(home));
    ASSERT_EQ(names.size(), 1u);
    EXPECT_THAT(names[0], StartsWith(domain.utf8() + ".plist.corrupt-"));
    EXPECT_THAT(capture.sink().entries()[0].text, HasSubstr(names[0]));
    const std::string aside = preferencesFolder(home) + "/" + names[0];
    EXPECT_EQ(TemporaryFolder::read(aside), garbage);

    // Writing afterwards makes a new file and leaves the kept one alone.
    defaults->setBool(true, "firstLaunch");
    EXPECT_EQ(TemporaryFolder::read(aside), garbage);
    EXPECT_TRUE(NSUserDefaults::create(home.path(), domain)->boolForKey("firstLaunch"));
    EXPECT_EQ(TemporaryFolder::list(preferencesFolder(home)).size(), 2u);
}

TEST(NSUserDefaultsTest, FileWhoseTopLevelIsNotADictionaryCountsAsCorrupt)
{
    TemporaryFolder home;
    auto bytes = PropertyList::serialize(Array{"not", "a", "dictionary"}, PropertyList::Format::XML);
    home.write("Library/Preferences/" + domain.utf8() + ".plist", std::string(bytes->begin(), bytes->end()));
    ScopedLogCapture capture;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    EXPECT_TRUE(defaults->persistentDomain().empty());
    ASSERT_EQ(capture.sink().entries().size(), 1u);
    EXPECT_THAT(capture.sink().entries()[0].text, HasSubstr("the top level is not a dictionary"));
    EXPECT_EQ(TemporaryFolder::list(preferencesFolder(home)).size(), 1u);
}

TEST(NSUserDefaultsTest, FileThatCannotBeReadIsNeverWrittenOver)
{
    // A folder where the file should be can be opened but not read, whoever
    // runs the test (file permissions don't bind the superuser).
    TemporaryFolder home;
    std::string precious = home.write("Library/Preferences/" + domain.utf8() + ".plist/precious", "keep me");
    ScopedLogCapture capture;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    ASSERT_FALSE(capture.sink().entries().empty());
    EXPECT_THAT(capture.sink().entries()[0].text,
                StartsWith("Could not open the user defaults file " + plistPath(home)));
    defaults->setBool(true, "x");
    EXPECT_TRUE(defaults->boolForKey("x"));
    EXPECT_FALSE(defaults->synchronize());
    EXPECT_EQ(TemporaryFolder::read(precious), "keep me");
    EXPECT_THAT(TemporaryFolder::list(preferencesFolder(home)), ElementsAre(domain.utf8() + ".plist"));
}

TEST(NSUserDefaultsTest, ReadsBinaryAndOpenStepFiles)
{
    struct Case {
        const char* name;
        std::string contents;
    };
    auto binary = PropertyList::serialize(Dictionary{{"miniMode", Id::boolean(true)}}, PropertyList::Format::Binary);
    const Case cases[] = {
        {.name = "binary", .contents = std::string(binary->begin(), binary->end())},
        {.name = "OpenStep", .contents = "{ miniMode = 1; }"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder home;
        home.write("Library/Preferences/" + domain.utf8() + ".plist", c.contents);
        EXPECT_TRUE(NSUserDefaults::create(home.path(), domain)->boolForKey("miniMode"));
    }
}

TEST(NSUserDefaultsTest, TwoInstancesKeepEachOthersKeys)
{
    TemporaryFolder home;
    auto a = NSUserDefaults::create(home.path(), domain);
    auto b = NSUserDefaults::create(home.path(), domain);
    a->setObject("one", "a");
    b->setObject("two", "b");
    a->setObject("three", "c");
    auto c = NSUserDefaults::create(home.path(), domain);
    EXPECT_EQ(c->stringForKey("a"), String("one"));
    EXPECT_EQ(c->stringForKey("b"), String("two"));
    EXPECT_EQ(c->stringForKey("c"), String("three"));

    // a sees b's key once it synchronises, and its observers hear of it.
    EXPECT_TRUE(a->objectForKey("b").isNil());
    std::vector<std::string> changes;
    auto token = observe(
        *a, "b", NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld, [&](const KeyValueChange& change) {
            changes.push_back(change.oldValue.description().utf8() + "->" + change.newValue.description().utf8());
        });
    EXPECT_TRUE(a->synchronize());
    EXPECT_EQ(a->stringForKey("b"), String("two"));
    EXPECT_THAT(changes, ElementsAre("<null>->two"));
}

TEST(NSUserDefaultsTest, ObservingADefaultSeesEveryChangeOfIt)
{
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    std::vector<std::string> changes;
    auto token = observe(*defaults, "rememberShortcuts",
                         NSKeyValueObservingOptionNew | NSKeyValueObservingOptionOld | NSKeyValueObservingOptionInitial,
                         [&](const KeyValueChange& change) {
                             changes.push_back(change.oldValue.description().utf8() + "->" +
                                               change.newValue.description().utf8());
                         });
    defaults->setBool(true, "rememberShortcuts");
    defaults->setBool(true, "rememberShortcuts");  // unchanged: nothing
    defaults->setValueForKey(Id::boolean(false), "rememberShortcuts");
    defaults->setBool(true, "otherKey");
    defaults->removeObjectForKey("rememberShortcuts");
    EXPECT_THAT(changes, ElementsAre("(null)-><null>", "<null>->1", "1->0", "0-><null>"));
}

TEST(NSUserDefaultsTest, KeyPathsReachIntoStoredDictionaries)
{
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    defaults->setObject(Dictionary{{"Safari", "^s"}}, "shortcuts");
    EXPECT_EQ(defaults->valueForKeyPath("shortcuts.Safari"), Id("^s"));
    EXPECT_TRUE(defaults->valueForKey("missing").isNil());
}

TEST(NSUserDefaultsTest, NonPropertyListValuesAreRefused)
{
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    ScopedLogCapture capture;
    defaults->setObject(std::make_shared<NSObject>(), "object");
    defaults->setObject(Id::null(), "null");
    defaults->setObject(Dictionary{{Id::number(1), "numeric key"}}, "dictionary");
    EXPECT_TRUE(defaults->persistentDomain().empty());
    ASSERT_EQ(capture.sink().entries().size(), 3u);
    EXPECT_THAT(capture.sink().entries()[0].text, StartsWith("Attempt to insert non-property list object <NSObject: "));
    EXPECT_THAT(capture.sink().entries()[1].text, HasSubstr("for key null"));
}

TEST(NSUserDefaultsTest, RegisteredDefaultsAnswerButAreNotStored)
{
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    defaults->registerDefaults(Dictionary{{"firstLaunch", Id::boolean(true)}});
    EXPECT_TRUE(defaults->boolForKey("firstLaunch"));
    defaults->setBool(false, "firstLaunch");
    EXPECT_FALSE(defaults->boolForKey("firstLaunch"));
    defaults->removeObjectForKey("firstLaunch");
    EXPECT_TRUE(defaults->boolForKey("firstLaunch"));
    EXPECT_TRUE(NSUserDefaults::create(home.path(), domain)->objectForKey("firstLaunch").isNil());
}

TEST(NSUserDefaultsTest, ResettingTheStandardDefaultsRebindsTheSameObject)
{
    TemporaryFolder home;
    NSUserDefaults::resetStandardUserDefaults(home.path(), domain);
    NSUserDefaults& standard = NSUserDefaults::standardUserDefaults();
    EXPECT_EQ(NSHomeDirectory(), String(home.path()));
    EXPECT_EQ(standard.path(), plistPath(home));
    EXPECT_EQ(standard.domainName(), domain);
    standard.setBool(true, "launchAtLogin");
    EXPECT_TRUE(NSUserDefaults::create(home.path(), domain)->boolForKey("launchAtLogin"));

    TemporaryFolder other;
    NSUserDefaults::resetStandardUserDefaults(other.path(), "org.kestrova.other");
    EXPECT_EQ(&NSUserDefaults::standardUserDefaults(), &standard);
    EXPECT_FALSE(standard.boolForKey("launchAtLogin"));
    EXPECT_EQ(standard.domainName(), String("org.kestrova.other"));

    NSUserDefaults::resetStandardUserDefaults(home.path(), domain);
    EXPECT_TRUE(standard.boolForKey("launchAtLogin"));
}
