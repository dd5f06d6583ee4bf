#include "Kestrova/MyCollectionView.h"

#include "Kestrova/MyCollectionViewDelegate.h"
#include "KestrovaTestFixture.h"
#include "appkit/NSCollectionViewGridLayout.h"
#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSView.h"

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr unsigned short kReturn = 36;
constexpr unsigned short kDown = 125;
constexpr unsigned short kUp = 126;
constexpr unsigned short kA = 0;

std::string text(const NSIndexPathSet& paths)
{
    std::string result = "{";
    for (const auto& path : paths)
        result += (result.size() > 1 ? "," : "") + path.description().utf8();
    return result + "}";
}

class Rows : public NSCollectionViewDataSource {
public:
    NSInteger count = 0;
    NSInteger collectionViewNumberOfItemsInSection(NSCollectionView&, NSInteger) override { return count; }
    std::shared_ptr<NSCollectionViewItem>
    collectionViewItemForRepresentedObjectAtIndexPath(NSCollectionView& view, const NSIndexPath& indexPath) override
    {
        return view.makeItemWithIdentifier("Row", indexPath);
    }
};

// A delegate that hears the selection and chooses items.
class Chooser : public NSCollectionViewDelegate, public MyCollectionViewDelegate {
public:
    std::vector<std::string> heard;
    NSCollectionView* choseIn = nullptr;

    void collectionViewDidSelectItemsAtIndexPaths(NSCollectionView&, const NSIndexPathSet& paths) override
    {
        heard.push_back("select " + text(paths));
    }
    void collectionViewDidDeselectItemsAtIndexPaths(NSCollectionView&, const NSIndexPathSet& paths) override
    {
        heard.push_back("deselect " + text(paths));
    }
    void chooseItem(NSCollectionView& collectionView, const NSIndexPath& indexPath) override
    {
        choseIn = &collectionView;
        heard.push_back("choose " + indexPath.description().utf8());
    }
};

// A delegate that implements nothing and chooses nothing.
class PlainDelegate : public NSCollectionViewDelegate { };

// A view that takes one key as its own key equivalent.
class KeyTaker : public NSView {
public:
    explicit KeyTaker(unsigned short keyCode)
        : keyCode_(keyCode)
    {
    }
    bool performKeyEquivalent(NSEvent& event) override { return event.keyCode() == keyCode_; }

private:
    unsigned short keyCode_;
};

struct Key {
    unsigned short code;
    NSEventModifierFlags flags = 0;
};

// A list of rows in the key window of the active program; keys go through
// the application's real event path.
class MyCollectionViewTest : public KestrovaTest {
protected:
    void show(NSInteger count, const NSCollectionView::ItemFactory& makeItem = nullptr)
    {
        rows->count = count;
        list = std::make_shared<MyCollectionView>(NSMakeRect(0, 0, 300, 200));
        auto layout = std::make_shared<NSCollectionViewGridLayout>();
        layout->setMaximumNumberOfColumns(1);
        layout->setMinimumItemSize({300, 40});
        list->setCollectionViewLayout(layout);
        list->registerClass(
            NSCollectionViewItem::descriptor(),
            makeItem ? makeItem : [] { return std::make_shared<NSCollectionViewItem>(); }, "Row");
        list->setDataSource(rows);
        list->setDelegate(chooser);

        window = std::make_shared<NSWindow>(NSMakeRect(0, 0, 300, 200));
        auto content = std::make_shared<NSView>(NSMakeRect(0, 0, 300, 200));
        content->addSubview(list);
        window->setContentView(content);
        app()->activateIgnoringOtherApps(true);
        window->makeKeyAndOrderFront(Id());
        drain();
    }

    void select(std::optional<NSInteger> item)
    {
        if (item)
            list->selectItemsAtIndexPaths({NSIndexPath(*item, 0)}, NSCollectionViewScrollPositionNone);
    }

    // Sends the keys; true when none of them went on to the end of the
    // responder chain.
    bool press(const std::vector<Key>& keys)
    {
        std::size_t beeps = desktop().countProgramRecords(simulation::ProgramRecord::Kind::Beep);
        for (const auto& key : keys)
            sendKey(key.code, key.code == kReturn ? String("\r") : String(" "), key.flags);
        return desktop().countProgramRecords(simulation::ProgramRecord::Kind::Beep) == beeps;
    }

    std::vector<bool> selectedFlags()
    {
        std::vector<bool> flags;
        for (const auto& item : list->visibleItems())
            flags.push_back(item->isSelected());
        return flags;
    }

    std::shared_ptr<Rows> rows = std::make_shared<Rows>();
    std::shared_ptr<Chooser> chooser = std::make_shared<Chooser>();
    std::shared_ptr<MyCollectionView> list;
    std::shared_ptr<NSWindow> window;
};

TEST_F(MyCollectionViewTest, ArrowKeysMoveASingleSelectionAndTellTheDelegate)
{
    struct Case {
        const char* name;
        NSInteger count;
        std::optional<NSInteger> selected;
        std::vector<Key> keys;
        std::optional<NSInteger> expected;
        std::vector<std::string> heard;
    };
    const Case cases[] = {
        {.name = "Down with nothing selected",
         .count = 3,
         .selected = std::nullopt,
         .keys = {{kDown}},
         .expected = 0,
         .heard = {"deselect {}", "select {0-0}"}},
        {.name = "Up with nothing selected",
         .count = 3,
         .selected = std::nullopt,
         .keys = {{kUp}},
         .expected = 0,
         .heard = {"deselect {}", "select {0-0}"}},
        {.name = "Down",
         .count = 3,
         .selected = 0,
         .keys = {{kDown}},
         .expected = 1,
         .heard = {"deselect {0-0}", "select {0-1}"}},
        {.name = "Up",
         .count = 3,
         .selected = 2,
         .keys = {{kUp}},
         .expected = 1,
         .heard = {"deselect {0-2}", "select {0-1}"}},
        {.name = "Down on the last item",
         .count = 3,
         .selected = 2,
         .keys = {{kDown}},
         .expected = 2,
         .heard = {"deselect {0-2}", "select {0-2}"}},
        {.name = "Up on the first item",
         .count = 3,
         .selected = 0,
         .keys = {{kUp}},
         .expected = 0,
         .heard = {"deselect {0-0}", "select {0-0}"}},
        {.name = "modifiers are not looked at",
         .count = 4,
         .selected = std::nullopt,
         .keys = {{kDown, NSEventModifierFlagShift},
                  {kDown, NSEventModifierFlagOption},
                  {kDown, NSEventModifierFlagControl},
                  {kUp, NSEventModifierFlagCommand}},
         .expected = 1,
         .heard = {"deselect {}", "select {0-0}", "deselect {0-0}", "select {0-1}", "deselect {0-1}", "select {0-2}",
                   "deselect {0-2}", "select {0-1}"}},
        {.name = "an empty list",
         .count = 0,
         .selected = std::nullopt,
         .keys = {{kDown}, {kUp}},
         .expected = std::nullopt,
         .heard = {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        chooser->heard.clear();
        show(c.count);
        select(c.selected);

        EXPECT_TRUE(press(c.keys));
        NSIndexPathSet expected;
        if (c.expected)
            expected.addObject(NSIndexPath(*c.expected, 0));
        EXPECT_EQ(text(list->selectionIndexPaths()), text(expected));
        EXPECT_EQ(chooser->heard, c.heard);
        std::vector<bool> flags(std::size_t(c.count), false);
        if (c.expected)
            flags[std::size_t(*c.expected)] = true;
        EXPECT_EQ(selectedFlags(), flags);
        window->orderOut(Id());
    }
}

TEST_F(MyCollectionViewTest, WithoutADataSourceTheArrowsSelectNothing)
{
    show(3);
    list->setDataSource(nullptr);
    EXPECT_TRUE(press({{kDown}, {kUp}}));
    EXPECT_TRUE(list->selectionIndexPaths().empty());
    EXPECT_TRUE(chooser->heard.empty());
}

TEST_F(MyCollectionViewTest, ReturnHandsTheSelectedItemToAChoosingDelegate)
{
    struct Case {
        const char* name;
        std::optional<NSInteger> selected;
        int delegate;  // 0 the chooser, 1 a plain delegate, 2 none
        NSEventModifierFlags flags;
        std::vector<std::string> heard;
    };
    const Case cases[] = {
        {.name = "a selected item", .selected = 1, .delegate = 0, .flags = 0, .heard = {"choose 0-1"}},
        {.name = "Command-Return",
         .selected = 2,
         .delegate = 0,
         .flags = NSEventModifierFlagCommand,
         .heard = {"choose 0-2"}},
        {.name = "nothing selected", .selected = std::nullopt, .delegate = 0, .flags = 0, .heard = {}},
        {.name = "a delegate that does not choose", .selected = 1, .delegate = 1, .flags = 0, .heard = {}},
        {.name = "no delegate", .selected = 1, .delegate = 2, .flags = 0, .heard = {}},
    };
    auto plain = std::make_shared<PlainDelegate>();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        chooser->heard.clear();
        chooser->choseIn = nullptr;
        show(3);
        if (c.delegate == 1)
            list->setDelegate(plain);
        else if (c.delegate == 2)
            list->setDelegate(nullptr);
        select(c.selected);

        EXPECT_TRUE(press({{kReturn, c.flags}}));
        EXPECT_EQ(chooser->heard, c.heard);
        if (!c.heard.empty()) {
            EXPECT_EQ(chooser->choseIn, list.get());
        }
        window->orderOut(Id());
    }
}

TEST_F(MyCollectionViewTest, ItemViewsTakeTheirKeysBeforeTheList)
{
    show(2, [] {
        auto item = std::make_shared<NSCollectionViewItem>();
        item->setViewLoader([] { return std::make_shared<KeyTaker>(kReturn); });
        return item;
    });
    select(0);
    EXPECT_TRUE(press({{kReturn}}));
    EXPECT_TRUE(chooser->heard.empty());

    // Keys the items decline are the list's as before.
    EXPECT_TRUE(press({{kDown}}));
    EXPECT_EQ(text(list->selectionIndexPaths()), "{0-1}");
}

TEST_F(MyCollectionViewTest, OtherKeysGoOnPastTheList)
{
    show(3);
    select(1);
    EXPECT_FALSE(press({{kA}}));
    EXPECT_EQ(text(list->selectionIndexPaths()), "{0-1}");
    EXPECT_TRUE(chooser->heard.empty());
}

TEST_F(MyCollectionViewTest, TheMovesAreResponderActionsOfTheFirstResponder)
{
    EXPECT_TRUE(NSStoryboard::isClassRegistered("MyCollectionView"));
    show(3);
    ASSERT_TRUE(window->makeFirstResponder(list));

    EXPECT_TRUE(app()->sendAction("moveDown:", Id(), Id()));
    EXPECT_TRUE(app()->sendAction("moveDown:", Id(), Id("someone")));
    EXPECT_TRUE(app()->sendAction("moveUp:", Id(), Id()));
    EXPECT_TRUE(app()->sendAction("insertNewline:", Id(), Id()));
    EXPECT_EQ(chooser->heard, (std::vector<std::string>{"deselect {}", "select {0-0}", "deselect {0-0}", "select {0-1}",
                                                        "deselect {0-1}", "select {0-0}", "choose 0-0"}));
}

}  // namespace
