// The per-application shortcuts: their names, what is loaded from the user
// defaults, the bound recorder's reads and writes, and when the dictionary is
// written back or removed, also across runs of the program over one home.

#include "Kestrova/ShortcutRegistry.h"

#include "Kestrova/PreferencesKey.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSControl.h"
#include "appkit/NSRunningApplication.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSObjectController.h"
#include "shortcut-library/SRKeyBindingTransformer.h"
#include "shortcut-library/SRShortcut.h"
#include "shortcut-library/SRShortcutFormatter.h"

#include <thread>

namespace {

const String kShortcuts = "shortcuts";

std::shared_ptr<SRShortcut> parse(const char16_t* keyBinding)
{
    return SRShortcut::shortcutWithKeyBinding(String(keyBinding));
}

class ShortcutRegistryTest : public KestrovaTest {
protected:
    void setRemember(std::optional<bool> remember)
    {
        if (remember)
            defaults().setBool(*remember, raw(PreferencesKey::rememberShortcuts));
        else
            defaults().removeObjectForKey(raw(PreferencesKey::rememberShortcuts));
    }
    Id stored() { return defaults().objectForKey(kShortcuts); }
    Dictionary content() { return *registry().shortcutController()->content().dictionary(); }
    ShortcutRegistry& registry() { return ShortcutRegistry::shared(); }

    // What the assign-shortcuts list does when a recording ends: the value
    // goes through the recorder's binding, the map follows, the signal fires.
    void record(NSControl& recorder, const String& appName, const std::shared_ptr<SRShortcut>& shortcut)
    {
        recorder.setObjectValue(Id(shortcut));
        propagateBindingValue(recorder, NSValueBinding, Id(shortcut));
        String key = ShortcutRegistry::applicationKey(appName);
        registry().shortcuts().erase(key);
        if (shortcut)
            registry().shortcuts()[key] = shortcut;
        registry().shortcutsChanged().onNext();
    }

    // The program ends and starts again over the same home: nothing but the
    // file on disk is carried over.
    void restart()
    {
        resetProgram();
        NSUserDefaults::resetStandardUserDefaults(String(home().path()), "com.kestrova.Kestrova");
    }

    // The dictionary as another process would read it from disk now.
    Id onDisk()
    {
        return NSUserDefaults::create(String(home().path()), "com.kestrova.Kestrova")->objectForKey(kShortcuts);
    }
};

TEST_F(ShortcutRegistryTest, TheApplicationKeyIsTheNameWithEveryDotReplaced)
{
    struct Case {
        std::optional<String> name;
        const char* key;
    };
    const Case cases[] = {
        {String("Alpha.Beta.Gamma"), "Alpha-Beta-Gamma"},
        {String("..x."), "--x-"},
        {String("Safari"), "Safari"},
        {String("Alpha-Beta"), "Alpha-Beta"},
        {String(""), ""},
        {std::nullopt, ""},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name.value_or("(no name)"));
        EXPECT_EQ(ShortcutRegistry::applicationKey(row.name), String(row.key));
    }

    simulation::DesktopState state = switcherDesktop();
    state.applications.push_back({.pid = 500, .bundleIdentifier = String("com.example.nameless")});
    simulation::ScopedDesktop withNameless(state);
    auto application = NSRunningApplication::runningApplicationWithProcessIdentifier(500);
    ASSERT_TRUE(application);
    EXPECT_EQ(ShortcutRegistry::applicationKey(*application), String());
}

TEST_F(ShortcutRegistryTest, LoadingOffersOnlyReadableEntriesAndASaveWritesEveryEntryBackUnchanged)
{
    const Dictionary storedEarlier{
        {"Safari", String(u"@~k")},
        {"Broken", "not a key binding"},
        {"Dotted.Name", "@j"},
        {"Number", Id::number(5)},
        {"Empty", ""},
        {"Alpha-Beta", String(u"^\t")},
    };
    defaults().setObject(Id(storedEarlier), kShortcuts);
    setRemember(true);

    EXPECT_EQ(content(), storedEarlier);
    std::vector<String> parsed;
    for (const auto& [key, shortcut] : registry().shortcuts())
        parsed.push_back(key);
    EXPECT_EQ(parsed, (std::vector<String>{"Alpha-Beta", "Safari"}));

    struct Case {
        const char* appName;
        const char16_t* expected;  // nullptr: no shortcut
    };
    const Case cases[] = {
        {"Safari", u"@~k"},  {"Alpha.Beta", u"^\t"}, {"Alpha-Beta", u"^\t"},   {"Broken", nullptr},
        {"Number", nullptr}, {"Empty", nullptr},     {"Dotted.Name", nullptr}, {"Nowhere", nullptr},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.appName);
        auto shortcut = registry().shortcut(row.appName);
        if (!row.expected) {
            EXPECT_FALSE(shortcut);
            continue;
        }
        ASSERT_TRUE(shortcut);
        EXPECT_TRUE(shortcut->isEqualToShortcut(parse(row.expected).get()));
    }
    // What a tile shows for it: glyphs, then the key.
    EXPECT_EQ(registry().shortcutFormatter().stringForObjectValue(Id(registry().shortcut("Safari"))),
              String(u"\u2325\u2318K"));

    registry().shortcutsChanged().onNext();
    EXPECT_EQ(stored(), Id(storedEarlier));
}

TEST_F(ShortcutRegistryTest, AStoredValueThatIsNoDictionaryIsIgnored)
{
    defaults().setObject(Id("^a"), kShortcuts);
    EXPECT_EQ(content(), Dictionary());
    EXPECT_TRUE(registry().shortcuts().empty());
    EXPECT_FALSE(registry().shortcut("^a"));
    EXPECT_EQ(stored(), Id("^a"));  // untouched until the first change
}

TEST_F(ShortcutRegistryTest, NothingIsWrittenBeforeTheFirstChangeOfARunThenEveryChangeWritesOrRemoves)
{
    const Dictionary storedEarlier{{"Safari", "@k"}};
    defaults().setObject(Id(storedEarlier), kShortcuts);
    setRemember(std::nullopt);
    registry();

    enum class Step { RememberOn, RememberOff, RememberAbsent, Change };
    struct Case {
        const char* what;
        Step step;
        bool storedAfter;
    };
    const Case steps[] = {
        {"remember on before any change", Step::RememberOn, true},
        {"remember off before any change", Step::RememberOff, true},
        {"remember on again", Step::RememberOn, true},
        {"remember absent before any change", Step::RememberAbsent, true},
        {"first change, remember absent counts as off", Step::Change, false},
        {"remember on writes the whole dictionary", Step::RememberOn, true},
        {"remember off removes it", Step::RememberOff, false},
        {"a change while off keeps it removed", Step::Change, false},
        {"remember on", Step::RememberOn, true},
        {"a change while on writes", Step::Change, true},
    };
    for (const Case& row : steps) {
        SCOPED_TRACE(row.what);
        switch (row.step) {
        case Step::RememberOn:
            setRemember(true);
            break;
        case Step::RememberOff:
            setRemember(false);
            break;
        case Step::RememberAbsent:
            setRemember(std::nullopt);
            break;
        case Step::Change:
            registry().shortcutsChanged().onNext();
            break;
        }
        EXPECT_EQ(stored(), row.storedAfter ? Id(storedEarlier) : Id());
    }
}

TEST_F(ShortcutRegistryTest, ABoundRecorderShowsAndWritesItsApplicationsEntry)
{
    struct Case {
        const char* appName;
        const char* key;
    };
    const Case cases[] = {{"Alpha.Beta", "Alpha-Beta"}, {"", ""}};
    for (const Case& row : cases) {
        SCOPED_TRACE(row.appName);
        defaults().setObject(Id(Dictionary{{row.key, "@k"}, {"Other", "@o"}}), kShortcuts);
        ShortcutRegistry::resetSharedForTesting();

        auto recorder = std::make_shared<NSControl>();
        registry().bind(*recorder, row.appName);
        auto shown = recorder->objectValue().object<SRShortcut>();
        ASSERT_TRUE(shown);
        EXPECT_TRUE(shown->isEqualToShortcut(parse(u"@k").get()));

        // Recording writes the key-binding string, not the shortcut object.
        propagateBindingValue(*recorder, NSValueBinding, Id(parse(u"^~j")));
        EXPECT_EQ(content()[row.key], Id("^~j"));
        ASSERT_TRUE(registry().shortcut(row.appName));
        EXPECT_TRUE(registry().shortcut(row.appName)->isEqualToShortcut(parse(u"^~j").get()));

        // An entry changed elsewhere (a second recorder on the same
        // application) reaches this one.
        auto twin = std::make_shared<NSControl>();
        registry().bind(*twin, row.key);
        propagateBindingValue(*twin, NSValueBinding, Id(parse(u"$@p")));
        ASSERT_TRUE(recorder->objectValue().object<SRShortcut>());
        EXPECT_TRUE(recorder->objectValue().object<SRShortcut>()->isEqualToShortcut(parse(u"$@p").get()));

        // Clearing removes the entry; the others stay.
        propagateBindingValue(*recorder, NSValueBinding, Id());
        EXPECT_EQ(content(), (Dictionary{{"Other", "@o"}}));
        EXPECT_FALSE(registry().shortcut(row.appName));

        recorder->unbind(NSValueBinding);
        twin->unbind(NSValueBinding);
    }
}

TEST_F(ShortcutRegistryTest, TheBindingCarriesAKeyBindingTransformerOfItsOwnAndTheRecordersOptions)
{
    auto recorder = std::make_shared<NSControl>();
    registry().bind(*recorder, "Alpha.Beta");
    Id info = recorder->infoForBinding(NSValueBinding);
    ASSERT_TRUE(info.isDictionary());
    EXPECT_TRUE(info[NSObservedObjectKey].isIdenticalTo(Id(registry().shortcutController())));
    EXPECT_EQ(info[NSObservedKeyPathKey], Id("content.Alpha-Beta"));
    Id options = info[NSOptionsKey];
    auto transformer = options[NSValueTransformerBindingOption].object<SRKeyBindingTransformer>();
    ASSERT_TRUE(transformer);
    EXPECT_NE(transformer.get(), &SRKeyBindingTransformer::sharedTransformer());
    for (const String& option : {NSContinuouslyUpdatesValueBindingOption, NSValidatesImmediatelyBindingOption,
                                 NSRaisesForNotApplicableKeysBindingOption, NSDeletesObjectsOnRemoveBindingOption}) {
        SCOPED_TRACE(option);
        EXPECT_EQ(options[option], Id::boolean(true));
    }
    recorder->unbind(NSValueBinding);
}

TEST_F(ShortcutRegistryTest, AppKeyFindsTheApplicationHoldingAnEqualShortcut)
{
    defaults().setObject(Id(Dictionary{{"Safari", "@k"}, {"Finder", "^~f"}}), kShortcuts);
    // Texts never take part: only the key code and the flags.
    auto sameKeys =
        SRShortcut::shortcutWithCode(parse(u"@k")->keyCode(), parse(u"@k")->modifierFlags(), String("x"), String("y"));
    EXPECT_EQ(registry().appKey(*sameKeys), std::optional<String>("Safari"));
    EXPECT_EQ(registry().appKey(*parse(u"^~f")), std::optional<String>("Finder"));
    EXPECT_EQ(registry().appKey(*parse(u"$@k")), std::nullopt);
    EXPECT_EQ(registry().appKey(*parse(u"@f")), std::nullopt);
}

TEST_F(ShortcutRegistryTest, TheStoredFormSurvivesARestartAndLoadingIgnoresRememberShortcuts)
{
    // First run: an entry this program can't read is on disk already; the
    // user gives Safari a shortcut.
    defaults().setObject(Id(Dictionary{{"Broken", "??"}}), kShortcuts);
    setRemember(true);
    auto recorder = std::make_shared<NSControl>();
    registry().bind(*recorder, "Safari");
    record(*recorder, "Safari", parse(u"~@k"));
    recorder->unbind(NSValueBinding);
    const Dictionary afterFirstRun{{"Broken", "??"}, {"Safari", "~@k"}};
    EXPECT_EQ(onDisk(), Id(afterFirstRun));

    // Second run, with remembering off from the start: the dictionary still
    // loads, and toggling before any change leaves the file alone.
    restart();
    setRemember(false);
    ASSERT_TRUE(registry().shortcut("Safari"));
    EXPECT_TRUE(registry().shortcut("Safari")->isEqualToShortcut(parse(u"~@k").get()));
    EXPECT_EQ(registry().appKey(*parse(u"~@k")), std::optional<String>("Safari"));
    setRemember(true);
    setRemember(false);
    EXPECT_EQ(onDisk(), Id(afterFirstRun));

    // Recording a new shortcut then stores it with everything else.
    setRemember(true);
    recorder = std::make_shared<NSControl>();
    registry().bind(*recorder, "Finder");
    record(*recorder, "Finder", parse(u"^f"));
    recorder->unbind(NSValueBinding);
    EXPECT_EQ(onDisk(), Id(Dictionary{{"Broken", "??"}, {"Safari", "~@k"}, {"Finder", "^f"}}));

    // Third run sees both.
    restart();
    EXPECT_TRUE(registry().shortcut("Safari"));
    EXPECT_TRUE(registry().shortcut("Finder"));
    EXPECT_FALSE(registry().shortcut("Broken"));
}

TEST_F(ShortcutRegistryTest, SharedIsMadeOnceWhenFirstAskedConcurrently)
{
    defaults().setObject(Id(Dictionary{{"Safari", "@k"}}), kShortcuts);
    std::vector<ShortcutRegistry*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = &ShortcutRegistry::shared(); });
    for (auto& thread : threads)
        thread.join();
    for (ShortcutRegistry* registry : seen)
        EXPECT_EQ(registry, &ShortcutRegistry::shared());
    EXPECT_EQ(registry().shortcuts().size(), 1u);
}

}  // namespace
