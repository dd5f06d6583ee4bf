#include "appkit/NSNib.h"

#include "appkit/NSCollectionViewItem.h"
#include "appkit/NSImageView.h"
#include "appkit/NSTextField.h"
#include "appkit/NSView.h"
#include "foundation/Log.h"

#include <gtest/gtest.h>

namespace {

class NibItem : public NSCollectionViewItem {
    KS_OBJECT(NibItem, NSCollectionViewItem)
};

// A loader for an item's nib: a view with an image view and a label, wired
// to the owner's outlets, and a spare top-level object. Counts the owners it
// was given.
struct ItemNib {
    int loads = 0;
    std::weak_ptr<NSObject> spare;
    bool setsView = true;

    NSNib::Loader loader()
    {
        return [this](const Id& owner) -> std::optional<NSNib::Objects> {
            ++loads;
            auto view = std::make_shared<NSView>(NSMakeRect(0, 0, 120, 40));
            auto image = std::make_shared<NSImageView>();
            auto label = NSTextField::labelWithString("name");
            view->addSubview(image);
            view->addSubview(label);
            auto extra = std::make_shared<NSObject>();
            spare = extra;
            if (auto item = owner.object<NSCollectionViewItem>()) {
                if (setsView)
                    item->setView(view);
                item->setImageView(image);
                item->setTextField(label);
            }
            return NSNib::Objects{view, extra};
        };
    }
};

class NSNibTest : public ::testing::Test {
protected:
    ~NSNibTest() override
    {
        for (const char* name : {"NibItem", "Other", "Rows"})
            NSNib::registerNib(name, nullptr);
    }
};

TEST_F(NSNibTest, ANameFindsTheLoaderLastRegisteredForIt)
{
    EXPECT_EQ(NSNib::nibNamed("Rows"), nullptr);

    ItemNib first;
    ItemNib second;
    NSNib::registerNib("Rows", first.loader());
    NSNib::registerNib("Rows", second.loader());
    auto nib = NSNib::nibNamed("Rows");
    ASSERT_NE(nib, nullptr);
    EXPECT_EQ(nib->name(), String("Rows"));

    NSNib::Objects one;
    NSNib::Objects two;
    ASSERT_TRUE(nib->instantiateWithOwner(Id(), &one));
    ASSERT_TRUE(nib->instantiateWithOwner(Id(), &two));
    EXPECT_EQ(first.loads, 0);
    EXPECT_EQ(second.loads, 2);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_NE(one[0], two[0]);

    NSNib::registerNib("Rows", nullptr);
    EXPECT_EQ(NSNib::nibNamed("Rows"), nullptr);

    NSNib failing("Failing", [](const Id&) { return std::optional<NSNib::Objects>(); });
    NSNib::Objects none{std::make_shared<NSObject>()};
    EXPECT_FALSE(failing.instantiateWithOwner(Id(), &none));
    EXPECT_EQ(none.size(), 1u);
}

TEST_F(NSNibTest, AnItemLoadsItsViewFromItsNibAsTheOwner)
{
    struct Case {
        const char* name;
        const char* registeredAs;  // nullptr: no nib
        const char* nibName;
        bool setsView;
        bool viewFromNib;
        const char* logged;  // nullptr: nothing
    };
    const Case cases[] = {
        {.name = "named after the class",
         .registeredAs = "NibItem",
         .nibName = "",
         .setsView = true,
         .viewFromNib = true,
         .logged = nullptr},
        {.name = "named explicitly",
         .registeredAs = "Other",
         .nibName = "Other",
         .setsView = true,
         .viewFromNib = true,
         .logged = nullptr},
        {.name = "no nib and none asked for",
         .registeredAs = nullptr,
         .nibName = "",
         .setsView = true,
         .viewFromNib = false,
         .logged = nullptr},
        {.name = "the named nib is missing",
         .registeredAs = "NibItem",
         .nibName = "Missing",
         .setsView = true,
         .viewFromNib = false,
         .logged = "Could not find a nib named 'Missing' for NibItem"},
        {.name = "the nib sets no view",
         .registeredAs = "NibItem",
         .nibName = "",
         .setsView = false,
         .viewFromNib = false,
         .logged = "The nib 'NibItem' did not set the view of NibItem"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ItemNib nib;
        nib.setsView = c.setsView;
        if (c.registeredAs)
            NSNib::registerNib(c.registeredAs, nib.loader());
        ScopedLogCapture log;

        auto item = std::make_shared<NibItem>();
        item->setNibName(c.nibName);
        auto view = item->view();
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->subviews().size(), c.viewFromNib ? 2u : 0u);
        if (c.viewFromNib) {
            EXPECT_NE(item->imageView(), nullptr);
            ASSERT_NE(item->textField(), nullptr);
            EXPECT_EQ(item->textField()->stringValue(), String("name"));
            // The item keeps its nib's objects alive; they go with it.
            EXPECT_FALSE(nib.spare.expired());
            item.reset();
            EXPECT_TRUE(nib.spare.expired());
        }
        if (c.logged)
            EXPECT_TRUE(log.sink().contains(LogLevel::Error, c.logged));
        else
            EXPECT_TRUE(log.sink().entries().empty());
        NSNib::registerNib("NibItem", nullptr);
        NSNib::registerNib("Other", nullptr);
    }
}

}  // namespace
