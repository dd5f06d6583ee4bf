// The assign-shortcuts list in the status item's popover, worked with the
// simulated mouse and keyboard: what it lists and how large it is, what a
// recording stores and saves, the refusal of a shortcut already held, the
// global hot key while a recorder records, and the shortcuts across runs.

#include "Kestrova/AssignShortcutsViewController.h"
#include "Kestrova/AssignShortcutViewItem.h"

#include "Kestrova/ActiveState.h"
#include "Kestrova/InactiveState.h"
#include "Kestrova/MainViewController.h"
#include "Kestrova/MainWindowController.h"
#include "Kestrova/PreferencesKey.h"
#include "Kestrova/StoryboardContract.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSCollectionView.h"
#include "appkit/NSImage.h"
#include "appkit/NSImageView.h"
#include "appkit/NSPopover.h"
#include "appkit/NSTextField.h"
#include "foundation/NSKeyValueBinding.h"
#include "foundation/NSObjectController.h"
#include "shortcut-library/SRGlobalShortcutMonitor.h"
#include "shortcut-library/SRRecorderControl.h"
#include "shortcut-library/SRShortcut.h"
#include "simulation/SimulatedKeyboard.h"

namespace {

namespace keys {
constexpr unsigned short a = 0;
constexpr unsigned short s = 1;
constexpr unsigned short m = 46;
constexpr unsigned short tab = 48;
constexpr unsigned short deleteKey = 51;
constexpr unsigned short escape = 53;
}  // namespace keys

constexpr NSEventModifierFlags control = NSEventModifierFlagControl;
constexpr NSEventModifierFlags option = NSEventModifierFlagOption;
constexpr NSEventModifierFlags command = NSEventModifierFlagCommand;
// Control-Tab as a hot key: Carbon's control modifier.
constexpr std::uint32_t kCarbonControl = 0x1000;

const String kShortcuts = "shortcuts";

// Applications beside the program, Finder and Safari.
simulation::SimulatedApplication application(pid_t pid, const char* name)
{
    return {
        .pid = pid, .bundleIdentifier = String("com.example.").appending(String(name)), .localizedName = String(name)};
}

class AssignShortcutsTest : public KestrovaTest {
public:
    AssignShortcutsTest()
    {
        defaults().setBool(false, "firstLaunch");
        delegate_ = launch();
    }

    // The status menu's "Assign Shortcuts…"; the user's click on the popover
    // brings the program to the front.
    std::shared_ptr<AssignShortcutsViewController> open()
    {
        delegate_->openAssignShortcuts(Id());
        drain();
        desktop().activate(kOwn);
        drain();
        auto popover = delegate_->popover();
        return popover ? std::dynamic_pointer_cast<AssignShortcutsViewController>(popover->contentViewController())
                       : nullptr;
    }

    std::shared_ptr<AssignShortcutViewItem> row(AssignShortcutsViewController& list, NSInteger index)
    {
        auto view = list.collectionView();
        view->scrollToItemsAtIndexPaths({NSIndexPath(index, 0)}, NSCollectionViewScrollPositionNearestHorizontalEdge);
        return std::dynamic_pointer_cast<AssignShortcutViewItem>(view->itemAtIndexPath(NSIndexPath(index, 0)));
    }

    // A click at a point of the view, in its own coordinates.
    void click(const std::shared_ptr<NSView>& view, NSPoint point)
    {
        auto window = view->window();
        ASSERT_TRUE(window);
        NSPoint at = view->convertPoint(point, nullptr);
        for (NSEventType type : {NSEventTypeLeftMouseDown, NSEventTypeLeftMouseUp})
            mouse(*window, type, at);
        drain();
    }
    static NSPoint centre(NSRect rect)
    {
        return NSMakePoint(rect.origin.x + rect.size.width / 2, rect.origin.y + rect.size.height / 2);
    }
    void clickRecorder(AssignShortcutViewItem& item)
    {
        auto recorder = item.recordControl();
        click(recorder, centre(recorder->bounds()));
    }
    void clickCancel(AssignShortcutViewItem& item)
    {
        auto recorder = item.recordControl();
        click(recorder, centre(recorder->cancelButtonRect()));
    }
    void clickClear(AssignShortcutViewItem& item)
    {
        auto recorder = item.recordControl();
        click(recorder, centre(recorder->clearButtonRect()));
    }

    void press(unsigned short keyCode, NSEventModifierFlags flags = 0)
    {
        desktop().keyboard()->pressKey(keyCode, flags);
        drain();
    }

    // Records on the row with the mouse and the keyboard.
    void record(AssignShortcutViewItem& item, unsigned short keyCode, NSEventModifierFlags flags)
    {
        clickRecorder(item);
        ASSERT_TRUE(item.recordControl()->isRecording());
        press(keyCode, flags);
    }

    std::size_t beeps() { return desktop().countProgramRecords(simulation::ProgramRecord::Kind::Beep); }
    Id content(const char* key)
    {
        return ShortcutRegistry::shared().shortcutController()->valueForKeyPath(
            String("content.").appending(String(key)));
    }
    Id stored() { return defaults().objectForKey(kShortcuts); }
    // The stored dictionary by key; empty when there is none.
    std::map<std::string, std::string> storedEntries()
    {
        std::map<std::string, std::string> entries;
        Id all = stored();
        if (const Dictionary* dictionary = all.dictionary())
            for (const auto& [key, value] : *dictionary)
                entries[key.string() ? key.string()->utf8() : "?"] = value.string() ? value.string()->utf8() : "?";
        return entries;
    }
    using Entries = std::map<std::string, std::string>;
    bool globalHotKeyRegistered()
    {
        for (const auto& hotKey : desktop().hotKeys()->registrations())
            if (hotKey.pid == kOwn && hotKey.keyCode == keys::tab && hotKey.modifiers == kCarbonControl)
                return true;
        return false;
    }
    static bool holds(const std::shared_ptr<SRShortcut>& shortcut, unsigned short keyCode, NSEventModifierFlags flags)
    {
        return shortcut && shortcut->keyCode() == keyCode && shortcut->modifierFlags() == flags;
    }
    bool registryHolds(const char* key, unsigned short keyCode, NSEventModifierFlags flags)
    {
        auto& shortcuts = ShortcutRegistry::shared().shortcuts();
        auto found = shortcuts.find(String(key));
        return found != shortcuts.end() && holds(found->second, keyCode, flags);
    }

    // The program ends and starts again over the same home.
    void restart()
    {
        resetProgram();
        NSUserDefaults::resetStandardUserDefaults(String(home().path()), "com.kestrova.Kestrova");
        delegate_ = launch();
    }

    std::shared_ptr<AppDelegate> delegate_;
};

TEST_F(AssignShortcutsTest, ListsEveryRegularApplicationByNameWithItsRecorder)
{
    desktop().addRunningApplication(application(500, "alpha"));
    desktop().addRunningApplication(application(501, "Zed"));
    auto helper = application(502, "Helper");
    helper.activationPolicy = simulation::ActivationPolicy::Accessory;
    desktop().addRunningApplication(helper);
    drain();
    auto list = open();
    ASSERT_TRUE(list);

    // By name with case kept: upper case before lower case; the accessory
    // applications (the program among them) are left out.
    std::vector<std::string> names;
    for (NSInteger i = 0; i < NSInteger(list->runningApps().size()); ++i) {
        auto item = row(*list, i);
        ASSERT_TRUE(item);
        names.push_back(item->textField()->stringValue().utf8());
        auto recorder = item->recordControl();
        EXPECT_EQ(recorder->allowedModifierFlags(), 0x1E0000u);
        EXPECT_EQ(recorder->requiredModifierFlags(), 0u);
        EXPECT_TRUE(recorder->allowsEmptyModifierFlags());
        EXPECT_EQ(recorder->delegate().get(), static_cast<SRRecorderControlDelegate*>(item.get()));
        EXPECT_TRUE(recorder->infoForBinding(NSValueBinding)) << names.back();
        EXPECT_EQ(item->delegate().get(), static_cast<RunningAppDelegate*>(list.get()));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Finder", "Safari", "Zed", "alpha"}));
    auto icon = row(*list, 1)->imageView()->image();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->size().width, 64);
    EXPECT_EQ(icon->size().height, 64);
}

TEST_F(AssignShortcutsTest, ThePopoverIsAsHighAsFiveRowsAndAHalfFromSixApplications)
{
    // Rows are measured with their names filled in: the longest name makes
    // the list wider than the rows of short names alone.
    auto rowSize = [](const char* name) {
        auto item = std::make_shared<AssignShortcutViewItem>();
        item->setNibName("AssignShortcutViewItem");
        auto view = item->view();
        item->textField()->setStringValue(String(name));
        return view->fittingSize();
    };
    const NSSize shortRow = rowSize("Safari");
    const char* longName = "A Rather Long Application Name For The List";
    const NSSize longRow = rowSize(longName);
    ASSERT_GT(longRow.width, shortRow.width);

    struct Case {
        const char* name;
        std::vector<const char*> more;
        double rows;
        double width;
    };
    const Case cases[] = {
        {"two of them: every row", {}, 2, rowSize("Finder").width + 20},
        {"five: every row", {"Mail", "Notes", "Terminal"}, 5, rowSize("Terminal").width + 20},
        {"six: five and a half", {"Mail", "Notes", "Terminal", longName}, 5.5, longRow.width + 20},
    };
    pid_t pid = 600;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* name : c.more)
            desktop().addRunningApplication(application(pid++, name));
        drain();
        auto list = open();
        ASSERT_TRUE(list);
        EXPECT_EQ(list->view()->frame().size.height, c.rows * shortRow.height);
        EXPECT_EQ(list->view()->frame().size.width, std::max(c.width, rowSize("Safari").width + 20));
        EXPECT_EQ(delegate_->popover()->contentSize(), list->view()->frame().size);
        delegate_->popover()->close();
        for (pid_t quit = 600; quit < pid; ++quit)
            desktop().quitApplication(quit);
        pid = 600;
        drain();
    }
}

TEST_F(AssignShortcutsTest, ARecordedShortcutIsStoredSavedAndResumesTheHotKey)
{
    auto list = open();
    auto safari = row(*list, 1);
    ASSERT_EQ(safari->textField()->stringValue(), String("Safari"));
    int changes = 0;
    auto watching = ShortcutRegistry::shared().shortcutsChanged().subscribe([&](reactive::Unit) { ++changes; });

    clickRecorder(*safari);
    EXPECT_TRUE(safari->recordControl()->isRecording());
    EXPECT_FALSE(globalHotKeyRegistered()) << "the hot keys are paused while a recorder records";
    EXPECT_FALSE(stored()) << "nothing is saved before the first change";

    press(keys::s, control | option);
    EXPECT_FALSE(safari->recordControl()->isRecording());
    EXPECT_TRUE(globalHotKeyRegistered());
    EXPECT_EQ(content("Safari"), Id(String("^~s")));
    EXPECT_TRUE(registryHolds("Safari", keys::s, control | option));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(storedEntries(), (Entries{{"Safari", "^~s"}}));
    EXPECT_EQ(beeps(), 0u);
}

// While a recorder records, the global shortcut reaches it instead of
// opening the switcher; once recorded it works again, and the switcher it
// opens answers the new shortcut.
TEST_F(AssignShortcutsTest, TheGlobalShortcutCanBeRecordedWhileTheHotKeysArePaused)
{
    auto list = open();
    auto safari = row(*list, 1);
    clickRecorder(*safari);
    press(keys::tab, control);
    EXPECT_TRUE(std::dynamic_pointer_cast<InactiveState>(delegate_->appState())) << "the hot key did not fire";
    EXPECT_FALSE(delegate_->mainWindowController());
    EXPECT_EQ(content("Safari"), Id(String("^\t")));
    ASSERT_TRUE(globalHotKeyRegistered());

    // The popover goes; Control-Tab typed in Finder opens the switcher again.
    press(keys::m, command);  // nothing of the list's
    delegate_->popover()->close();
    desktop().activate(kFinder);
    drain();
    press(keys::tab, control);
    EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate_->appState()));
    ASSERT_TRUE(delegate_->mainWindowController());
}

TEST_F(AssignShortcutsTest, AShortcutAlreadyHeldIsRefusedWithTheRowsPopover)
{
    auto list = open();
    auto finder = row(*list, 0);
    auto safari = row(*list, 1);
    record(*finder, keys::a, command | option);
    record(*safari, keys::s, control | option);
    ASSERT_TRUE(registryHolds("Finder", keys::a, command | option));
    ASSERT_EQ(storedEntries(), (Entries{{"Finder", "~@a"}, {"Safari", "^~s"}}));

    struct Case {
        const char* name;
        unsigned short keyCode;
        NSEventModifierFlags flags;
    };
    const Case cases[] = {
        {"Finder's shortcut", keys::a, command | option},
        {"the row's own", keys::s, control | option},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t beepsBefore = beeps();
        clickRecorder(*safari);
        press(c.keyCode, c.flags);
        EXPECT_TRUE(safari->recordControl()->isRecording());
        EXPECT_EQ(beeps() - beepsBefore, 1u);
        EXPECT_TRUE(safari->popover()->isShown());
        EXPECT_FALSE(finder->popover()->isShown()) << "the popover of the row being recorded";
        EXPECT_TRUE(registryHolds("Finder", keys::a, command | option));
        EXPECT_TRUE(registryHolds("Safari", keys::s, control | option));
        EXPECT_EQ(content("Safari"), Id(String("^~s")));

        // Escape keeps the old shortcut and closes the popover.
        press(keys::escape);
        EXPECT_FALSE(safari->recordControl()->isRecording());
        EXPECT_FALSE(safari->popover()->isShown());
        EXPECT_TRUE(registryHolds("Safari", keys::s, control | option));
    }
    EXPECT_EQ(storedEntries(), (Entries{{"Finder", "~@a"}, {"Safari", "^~s"}}));
}

TEST_F(AssignShortcutsTest, EndsOfRecordingKeepOrClearTheShortcut)
{
    struct Case {
        const char* name;
        std::function<void(AssignShortcutsTest&, AssignShortcutViewItem&)> end;
        bool cleared;
    };
    const Case cases[] = {
        {"Escape", [](AssignShortcutsTest& t, AssignShortcutViewItem&) { t.press(keys::escape); }, false},
        {"the cancel button", [](AssignShortcutsTest& t, AssignShortcutViewItem& item) { t.clickCancel(item); }, false},
        {"Delete", [](AssignShortcutsTest& t, AssignShortcutViewItem&) { t.press(keys::deleteKey); }, true},
        {"the clear button", [](AssignShortcutsTest& t, AssignShortcutViewItem& item) { t.clickClear(item); }, true},
    };
    auto list = open();
    auto safari = row(*list, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        record(*safari, keys::s, control | option);
        ASSERT_TRUE(registryHolds("Safari", keys::s, control | option));
        int changes = 0;
        auto watching = ShortcutRegistry::shared().shortcutsChanged().subscribe([&](reactive::Unit) { ++changes; });

        clickRecorder(*safari);
        c.end(*this, *safari);
        EXPECT_FALSE(safari->recordControl()->isRecording());
        EXPECT_EQ(changes, 1) << "the change signal fires at every end";
        if (c.cleared) {
            EXPECT_FALSE(content("Safari"));
            EXPECT_FALSE(ShortcutRegistry::shared().shortcuts().contains("Safari"));
            EXPECT_TRUE(stored().isDictionary() && storedEntries().empty());
        } else {
            EXPECT_TRUE(registryHolds("Safari", keys::s, control | option));
            EXPECT_EQ(storedEntries(), (Entries{{"Safari", "^~s"}}));
        }
        EXPECT_TRUE(globalHotKeyRegistered());
    }
}

TEST_F(AssignShortcutsTest, ARecorderReleasedWhileRecordingResumesTheHotKeys)
{
    {
        auto list = open();
        auto safari = row(*list, 1);
        clickRecorder(*safari);
        ASSERT_FALSE(globalHotKeyRegistered());
        // The popover's content is replaced, which lets the scene go without
        // ending the recording: only the recorder's going gives the pause
        // back.
        delegate_->popover()->setContentViewController(std::make_shared<NSViewController>());
        drain();
        ASSERT_TRUE(safari->recordControl()->isRecording());
        ASSERT_FALSE(globalHotKeyRegistered());
    }
    drain();
    EXPECT_TRUE(globalHotKeyRegistered());
    press(keys::tab, control);
    EXPECT_TRUE(std::dynamic_pointer_cast<ActiveState>(delegate_->appState()));
}

TEST_F(AssignShortcutsTest, ClosingThePopoverUnbindsEveryRowAndReopeningBindsAgain)
{
    auto list = open();
    record(*row(*list, 1), keys::s, control | option);
    std::vector<std::shared_ptr<SRRecorderControl>> recorders;
    for (NSInteger i = 0; i < 2; ++i)
        recorders.push_back(row(*list, i)->recordControl());

    press(keys::m, command);
    delegate_->popover()->close();
    drain();
    for (const auto& recorder : recorders) {
        EXPECT_FALSE(recorder->infoForBinding(NSValueBinding));
        // An unbound recorder writes nothing.
        recorder->setObjectValue(SRShortcut::shortcutWithCode(keys::a, command));
    }
    EXPECT_EQ(content("Safari"), Id(String("^~s")));
    EXPECT_FALSE(content("Finder"));

    auto again = open();
    ASSERT_NE(again, list);
    EXPECT_TRUE(holds(row(*again, 1)->recordControl()->objectValueShortcut(), keys::s, control | option));
    EXPECT_FALSE(row(*again, 0)->recordControl()->objectValueShortcut());
}

TEST_F(AssignShortcutsTest, AReusedRowEndsItsRecordingAndForgetsItsApplication)
{
    auto list = open();
    auto safari = row(*list, 1);
    clickRecorder(*safari);
    safari->prepareForReuse();
    EXPECT_FALSE(safari->recordControl()->isRecording());
    EXPECT_TRUE(globalHotKeyRegistered());
    EXPECT_FALSE(safari->recordControl()->infoForBinding(NSValueBinding));
    EXPECT_FALSE(safari->runningApp());
    EXPECT_EQ(safari->textField()->stringValue(), String());
    EXPECT_FALSE(safari->imageView()->image());
}

TEST_F(AssignShortcutsTest, ANameWithDotsIsStoredUnderItsKeyWithDashes)
{
    desktop().addRunningApplication(application(500, "Tool.2"));
    drain();
    auto list = open();
    auto tool = row(*list, 2);
    ASSERT_EQ(tool->textField()->stringValue(), String("Tool.2"));
    record(*tool, keys::m, command | option);
    EXPECT_TRUE(registryHolds("Tool-2", keys::m, command | option));
    EXPECT_EQ(storedEntries(), (Entries{{"Tool-2", "~@m"}}));
}

TEST_F(AssignShortcutsTest, TheShortcutSurvivesARestartWithRememberShortcutsOn)
{
    record(*row(*open(), 1), keys::s, control | option);
    restart();

    // The switcher answers it: Control-Option-S in the main list picks
    // Safari.
    press(keys::tab, control);
    ASSERT_TRUE(delegate_->mainWindowController());
    press(keys::s, control | option);
    EXPECT_EQ(desktop().frontmostApplication(), kSafari);

    // And the list shows it, and refuses it for Finder.
    auto list = open();
    EXPECT_TRUE(holds(row(*list, 1)->recordControl()->objectValueShortcut(), keys::s, control | option));
    auto finder = row(*list, 0);
    std::size_t beepsBefore = beeps();
    record(*finder, keys::s, control | option);
    EXPECT_EQ(beeps() - beepsBefore, 1u);
    EXPECT_TRUE(finder->popover()->isShown());
}

// With "rememberShortcuts" off a change removes the stored dictionary;
// until the first change of a run, nothing is touched, whatever the
// preference does.
TEST_F(AssignShortcutsTest, WithRememberShortcutsOffAChangeRemovesWhatIsStored)
{
    record(*row(*open(), 1), keys::s, control | option);
    ASSERT_TRUE(stored());
    restart();

    defaults().setBool(false, raw(PreferencesKey::rememberShortcuts));
    defaults().setBool(true, raw(PreferencesKey::rememberShortcuts));
    defaults().setBool(false, raw(PreferencesKey::rememberShortcuts));
    drain();
    EXPECT_EQ(storedEntries(), (Entries{{"Safari", "^~s"}})) << "no change of this run yet";

    auto list = open();
    record(*row(*list, 0), keys::a, command | option);
    EXPECT_FALSE(stored());
    EXPECT_TRUE(registryHolds("Finder", keys::a, command | option));

    defaults().setBool(true, raw(PreferencesKey::rememberShortcuts));
    drain();
    EXPECT_EQ(storedEntries(), (Entries{{"Finder", "~@a"}, {"Safari", "^~s"}}));
}

TEST_F(AssignShortcutsTest, AnItemOfAnotherClassStopsTheProgram)
{
    auto list = requireController<AssignShortcutsViewController>(*NSStoryboard::mainStoryboard(),
                                                                 "AssignShortcutsViewController");
    auto view = list->view();
    list->collectionView()->registerClass<NSCollectionViewItem>("AssignShortcut");
    auto window = std::make_shared<NSWindow>(view->frame());
    window->setContentView(view);
    try {
        list->collectionView()->visibleItems();
        FAIL() << "the program went on";
    } catch (const ProgramStopped& stopped) {
        EXPECT_STREQ(stopped.what(), "Expect item with identifier `AssignShortcut` to be type of "
                                     "`Kestrova.AssignShortcutViewItem` ");
    }
}

}  // namespace
