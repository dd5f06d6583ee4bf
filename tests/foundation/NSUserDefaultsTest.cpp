#include "foundation/NSUserDefaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "BinaryPropertyList.h"
#include "TemporaryFolder.h"
#include "TypedForm.h"
#include "foundation/Log.h"
#include "foundation/NSPathUtilities.h"
#include "foundation/PropertyList.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
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

std::string plistFile()
{
    return "Library/Preferences/" + domain.utf8() + ".plist";
}

using Problem = NSUserDefaults::StorageProblem;

std::vector<std::string> problemLines(const NSUserDefaults& defaults)
{
    static const char* const kinds[] = {"moved aside", "unreadable", "write failed", "write refused"};
    std::vector<std::string> lines;
    for (const Problem& problem : defaults.storageProblems()) {
        std::string line = std::string(kinds[static_cast<int>(problem.kind)]) + ": ";
        if (!problem.key.empty())
            line += problem.key.utf8() + " = " + typedForm(problem.value) + ": ";
        lines.push_back(line + problem.reason);
    }
    return lines;
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
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
    ASSERT_TRUE(read.ok()) << read.error();
    EXPECT_EQ(read->value.dictionary()->count(), 20u);
}

TEST(NSUserDefaultsTest, ValuesAnotherWriterStoredSurviveARewriteOfAnotherKey)
{
    struct Value {
        const char* key;
        Id value;
    };
    const std::vector<Value> inBoth = {
        {.key = "lastUpdateCheck", .value = Date(731340441)},
        {.key = "automaticUpdateChecks", .value = Id::boolean(true)},
        {.key = "sendsProfile", .value = Id::boolean(false)},
        {.key = "skippedVersion", .value = "2.1"},
        {.key = "title", .value = String(u"Caf\u00e9 \u2318 <&>")},
        {.key = "updateInterval", .value = Id::number(86400.5)},
        {.key = "ratio", .value = Id::number(0.1)},
        {.key = "launchCount", .value = Id::number(42)},
        {.key = "offset", .value = Id::number(-17)},
        {.key = "smallest", .value = Id::number(std::numeric_limits<std::int64_t>::min())},
        {.key = "largestSigned", .value = Id::number(std::numeric_limits<std::int64_t>::max())},
        {.key = "aboveSigned", .value = Id::number(std::uint64_t{1} << 63)},
        {.key = "largest", .value = Id::number(std::numeric_limits<std::uint64_t>::max())},
        {.key = "token", .value = Data(std::vector<std::uint8_t>{0, 1, 2, 255})},
        {.key = "history",
         .value = Array{Dictionary{{"when", Date(-31622401)}, {"count", Id::number(3)}}, Date(63113904000), Array{}}},
        {.key = "nothing", .value = Dictionary{}},
        {.key = "firstSeen", .value = Date(-63113904000)},  // 0001-01-01
    };
    struct Case {
        const char* file;
        PropertyList::Format format;
        // What only the binary form holds.
        std::vector<Value> more{};
        std::vector<double> dates{};
    };
    const Case cases[] = {
        {.file = "OtherWriterPreferences.plist", .format = PropertyList::Format::XML},
        {.file = "OtherWriterPreferences.bplist",
         .format = PropertyList::Format::Binary,
         .more = {{.key = "lastOpened", .value = Date(731326272.5)}},  // 2024-03-05 10:11:12.5
         .dates = {731340441, -31622401, 63113904000, -63113904000, 731326272.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string fixture =
            TemporaryFolder::read(std::string(KESTROVA_SOURCE_DIR "/tests/foundation/fixtures/") + c.file);
        ASSERT_FALSE(fixture.empty());
        TemporaryFolder home;
        home.write(plistFile(), fixture);

        ScopedLogCapture capture;
        auto defaults = NSUserDefaults::create(home.path(), domain);
        defaults->setBool(true, "rememberShortcuts");
        EXPECT_THAT(capture.sink().texts(), IsEmpty());
        EXPECT_THAT(problemLines(*defaults), IsEmpty());

        auto reread = NSUserDefaults::create(home.path(), domain);
        std::vector<Value> values = inBoth;
        values.insert(values.end(), c.more.begin(), c.more.end());
        for (const Value& v : values) {
            SCOPED_TRACE(v.key);
            EXPECT_EQ(typedForm(defaults->objectForKey(v.key)), typedForm(v.value));
            EXPECT_EQ(typedForm(reread->objectForKey(v.key)), typedForm(v.value));
        }
        EXPECT_EQ(reread->persistentDomain().count(), values.size() + 1);

        std::string written = TemporaryFolder::read(plistPath(home));
        auto document = PropertyList::parse(written.data(), written.size());
        ASSERT_TRUE(document.ok()) << document.error();
        EXPECT_EQ(document->format, c.format);
        // Each date as the very bits the other writer gave it.
        for (double date : c.dates)
            EXPECT_THAT(written, HasSubstr(binaryDate(date))) << date;
        if (c.format != PropertyList::Format::XML)
            continue;
        // Element for element what the other writer wrote, plus the new key.
        for (const char* element : {"<date>", "<real>", "<integer>", "<data>", "<string>", "<false/>", "<dict>"})
            EXPECT_EQ(occurrences(written, element), occurrences(fixture, element)) << element;
        EXPECT_EQ(occurrences(written, "<true/>"), occurrences(fixture, "<true/>") + 1);
        EXPECT_THAT(written, HasSubstr("<date>0001-01-01T00:00:00Z</date>"));
    }
}

TEST(NSUserDefaultsTest, AFileKeepsItsFormAndRefusesOnlyWhatTheFormCannotHold)
{
    const Id farFuture = Date(PropertyList::latestXMLDate + 1);  // 10000-01-01
    struct Case {
        const char* name;
        std::optional<PropertyList::Format> existing;  // nullopt: no file yet
        PropertyList::Format written;
        bool holdsFarFuture;
    };
    const Case cases[] = {
        {.name = "new file", .existing = std::nullopt, .written = PropertyList::Format::XML, .holdsFarFuture = false},
        {.name = "XML file",
         .existing = PropertyList::Format::XML,
         .written = PropertyList::Format::XML,
         .holdsFarFuture = false},
        {.name = "binary file",
         .existing = PropertyList::Format::Binary,
         .written = PropertyList::Format::Binary,
         .holdsFarFuture = true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder home;
        if (c.existing) {
            auto bytes = PropertyList::serialize(Dictionary{{"miniMode", Id::boolean(true)}}, *c.existing);
            home.write(plistFile(), std::string(bytes->begin(), bytes->end()));
        }
        ScopedLogCapture capture;
        auto defaults = NSUserDefaults::create(home.path(), domain);
        defaults->setObject(Date(0.25), "lastOpened");
        defaults->setObject(farFuture, "renewal");

        auto read = PropertyList::readFile(plistPath(home));
        ASSERT_TRUE(read.ok()) << read.error();
        EXPECT_EQ(read->format, c.written);
        const Dictionary& stored = *read->value.dictionary();
        EXPECT_EQ(typedForm(stored.objectForKey("lastOpened")),
                  typedForm(Date(c.written == PropertyList::Format::XML ? 0 : 0.25)));
        if (c.holdsFarFuture) {
            EXPECT_EQ(typedForm(stored.objectForKey("renewal")), typedForm(farFuture));
            EXPECT_THAT(capture.sink().texts(), IsEmpty());
            continue;
        }
        const std::string why = "a date outside the years 0000 to 9999, which the XML form can't hold";
        EXPECT_TRUE(stored.objectForKey("renewal").isNil());
        EXPECT_TRUE(defaults->objectForKey("renewal").isNil());
        EXPECT_THAT(capture.sink().texts(), ElementsAre(StartsWith("Cannot store ")));
        EXPECT_THAT(capture.sink().texts(), ElementsAre(testing::EndsWith(" for key renewal: " + why)));
        EXPECT_THAT(problemLines(*defaults), ElementsAre("write refused: renewal = (null): " + why));
    }
}

TEST(NSUserDefaultsTest, UnreadableFileIsMovedAsideAndNotLost)
{
    struct Case {
        const char* name;
        std::string contents;
        const char* reason;
    };
    const auto xml = [](const std::string& body) {
        return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + body + "</dict></plist>";
    };
    const Case cases[] = {
        {.name = "cut short",
         .contents = "<?xml version=\"1.0\"?><plist><dict><key>half",
         .reason = "malformed XML property list"},
        {.name = "integer beyond 64 bits",
         .contents = xml("<key>count</key><integer>99999999999999999999</integer>"),
         .reason = "integer \"99999999999999999999\" does not fit in 64 bits"},
        {.name = "date that is none",
         .contents = xml("<key>lastUpdateCheck</key><date>soon</date>"),
         .reason = "date \"soon\" is not a date"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder home;
        home.write(plistFile(), c.contents);

        ScopedLogCapture capture;
        auto defaults = NSUserDefaults::create(home.path(), domain);
        EXPECT_TRUE(defaults->persistentDomain().empty());
        std::vector<std::string> names = TemporaryFolder::list(preferencesFolder(home));
        ASSERT_EQ(names.size(), 1u);
        EXPECT_THAT(names[0], StartsWith(domain.utf8() + ".plist.corrupt-"));
        const std::string aside = preferencesFolder(home) + "/" + names[0];
        EXPECT_EQ(TemporaryFolder::read(aside), c.contents);
        ASSERT_EQ(capture.sink().entries().size(), 1u);
        EXPECT_EQ(capture.sink().entries()[0].level, LogLevel::Error);
        EXPECT_EQ(capture.sink().entries()[0].text, "Could not read the user defaults file " + plistPath(home) + " (" +
                                                        c.reason + "); kept it as " + aside);
        auto problems = defaults->storageProblems();
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_EQ(problems[0].kind, Problem::Kind::MovedAside);
        EXPECT_EQ(problems[0].reason, c.reason);
        EXPECT_EQ(problems[0].movedTo, aside);
        EXPECT_EQ(defaults->failedWriteCount(), 0u);

        // Writing afterwards makes a new file and leaves the kept one alone.
        defaults->setBool(true, "firstLaunch");
        EXPECT_EQ(TemporaryFolder::read(aside), c.contents);
        EXPECT_TRUE(NSUserDefaults::create(home.path(), domain)->boolForKey("firstLaunch"));
        EXPECT_EQ(TemporaryFolder::list(preferencesFolder(home)).size(), 2u);
    }
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
    // Each attempt to read it is told, and so is the write it stopped.
    EXPECT_THAT(problemLines(*defaults), ElementsAre("unreadable: Is a directory", "unreadable: Is a directory",
                                                     "write failed: x = true: the file could not be read, so it is "
                                                     "not written over",
                                                     "unreadable: Is a directory"));
    EXPECT_EQ(defaults->failedWriteCount(), 1u);
}

TEST(NSUserDefaultsTest, WritesThatCannotReachTheDiskAreToldAndKeptInMemory)
{
    struct Case {
        const char* name;
        const char* file;  // what stands in the way, relative to the home
        const char* home;  // the home, relative to the temporary folder
    };
    const Case cases[] = {
        {.name = "the home's Library is a file", .file = "home/Library", .home = "home"},
        {.name = "the home is a file", .file = "home", .home = "home"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder folder;
        folder.write(c.file, "in the way");
        const std::string home = folder / c.home;
        const std::string path = NSUserDefaults::pathForDomain(String(home), domain);
        const std::string preferences = home + "/Library/Preferences";

        ScopedLogCapture capture;
        auto defaults = NSUserDefaults::create(String(home), domain);
        EXPECT_THAT(capture.sink().texts(), IsEmpty());  // nothing to read is no problem
        defaults->setObject("^\t", "shortcut-Kestrova");
        defaults->removeObjectForKey("shortcut-Kestrova");
        defaults->setBool(true, "rememberShortcuts");

        EXPECT_TRUE(defaults->boolForKey("rememberShortcuts"));
        EXPECT_FALSE(defaults->synchronize());
        const std::string failure =
            "Could not write the user defaults file " + path + ": cannot make the folder " + preferences;
        EXPECT_THAT(capture.sink().texts(), ElementsAre(failure, failure, failure));
        const std::string reason = "cannot make the folder " + preferences;
        EXPECT_THAT(problemLines(*defaults), ElementsAre("write failed: shortcut-Kestrova = string \"^\t\": " + reason,
                                                         "write failed: shortcut-Kestrova = (null): " + reason,
                                                         "write failed: rememberShortcuts = true: " + reason));
        EXPECT_EQ(defaults->failedWriteCount(), 3u);
        EXPECT_EQ(TemporaryFolder::read(folder / c.file), "in the way");
    }
}

TEST(NSUserDefaultsTest, StringsHoldingU0000AreRefusedRatherThanCut)
{
    TemporaryFolder home;
    auto defaults = NSUserDefaults::create(home.path(), domain);
    defaults->setObject("kept", "name");
    const std::string before = TemporaryFolder::read(plistPath(home));
    std::vector<std::string> changes;
    auto token = observe(*defaults, "name", NSKeyValueObservingOptionNew, [&](const KeyValueChange& change) {
        changes.push_back(change.newValue.description().utf8());
    });

    ScopedLogCapture capture;
    const String withNul(std::u16string(u"a\0b", 3));
    defaults->setObject(withNul, "name");
    defaults->setObject(Dictionary{{"Safari", withNul}}, "shortcuts");

    EXPECT_EQ(defaults->stringForKey("name"), String("kept"));
    EXPECT_TRUE(defaults->objectForKey("shortcuts").isNil());
    EXPECT_THAT(changes, IsEmpty());
    EXPECT_EQ(TemporaryFolder::read(plistPath(home)), before);
    const std::string why = "a string holds U+0000, which a property list cannot carry";
    EXPECT_THAT(
        capture.sink().texts(),
        ElementsAre("Attempt to insert non-property list object a\\u0000b for key name: " + why,
                    "Attempt to insert non-property list object {\"Safari\" = \"a\\u0000b\"} for key shortcuts: " +
                        why));
    EXPECT_THAT(problemLines(*defaults),
                ElementsAre("write refused: name = (null): " + why, "write refused: shortcuts = (null): " + why));
    EXPECT_EQ(defaults->failedWriteCount(), 2u);
}

TEST(NSUserDefaultsTest, StorageProblemsKeepTheMostRecentAndCountOnAcrossRebinding)
{
    TemporaryFolder home;
    home.write("Library", "in the way");
    ScopedLogCapture capture;
    NSUserDefaults::resetStandardUserDefaults(home.path(), domain);
    NSUserDefaults& standard = NSUserDefaults::standardUserDefaults();
    const std::size_t attempts = NSUserDefaults::maximumStorageProblems + 6;
    for (std::size_t i = 0; i < attempts; ++i)
        standard.setInteger(static_cast<std::int64_t>(i), "count");
    auto problems = standard.storageProblems();
    ASSERT_EQ(problems.size(), NSUserDefaults::maximumStorageProblems);
    EXPECT_EQ(problems.front().value, Id::number(6));
    EXPECT_EQ(problems.back().number, problems.front().number + problems.size() - 1);
    EXPECT_EQ(standard.failedWriteCount(), attempts);

    TemporaryFolder other;
    NSUserDefaults::resetStandardUserDefaults(other.path(), domain);
    EXPECT_THAT(standard.storageProblems(), IsEmpty());
    EXPECT_EQ(standard.failedWriteCount(), 0u);
    standard.setObject(String(std::u16string(u"\0", 1)), "count");
    ASSERT_EQ(standard.storageProblems().size(), 1u);
    EXPECT_GT(standard.storageProblems()[0].number, problems.back().number);
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
