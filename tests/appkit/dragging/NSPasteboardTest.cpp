#include "appkit/NSPasteboard.h"

#include <gtest/gtest.h>

namespace {

class Colour : public NSObject, public NSPasteboardWriting {
    KS_OBJECT(Colour, NSObject)
public:
    std::vector<NSPasteboardType> writableTypesForPasteboard(const NSPasteboard&) const override
    {
        return {"com.example.colour", NSPasteboardTypeString};
    }
    Id pasteboardPropertyListForType(const NSPasteboardType& type) const override
    {
        return type == NSPasteboardTypeString ? Id("teal") : Id(Data{});
    }
};

TEST(NSPasteboardTest, NamesGiveOnePasteboardEach)
{
    EXPECT_EQ(NSPasteboard::pasteboardWithName(NSPasteboardNameDrag),
              NSPasteboard::pasteboardWithName(NSPasteboardNameDrag));
    EXPECT_NE(NSPasteboard::generalPasteboard(), NSPasteboard::pasteboardWithName(NSPasteboardNameDrag));
}

TEST(NSPasteboardTest, HoldsStringsAndWritersUntilCleared)
{
    NSPasteboard pasteboard("test");
    NSInteger count = pasteboard.clearContents();
    ASSERT_TRUE(pasteboard.writeObjects({Id("hello"), Id(std::make_shared<Colour>())}));

    EXPECT_EQ(pasteboard.itemCount(), 2u);
    EXPECT_EQ(pasteboard.types(), (std::vector<NSPasteboardType>{NSPasteboardTypeString, "com.example.colour"}));
    EXPECT_EQ(pasteboard.stringForType(NSPasteboardTypeString), String("hello"));
    EXPECT_EQ(pasteboard.availableTypeFromArray({"public.png", "com.example.colour"}), String("com.example.colour"));

    EXPECT_EQ(pasteboard.clearContents(), count + 1);
    EXPECT_EQ(pasteboard.itemCount(), 0u);
    EXPECT_FALSE(pasteboard.stringForType(NSPasteboardTypeString));
}

TEST(NSPasteboardTest, RefusesObjectsThatCannotWriteThemselves)
{
    NSPasteboard pasteboard("test");
    EXPECT_FALSE(pasteboard.writeObjects({Id("kept out"), Id::number(3)}));
    EXPECT_EQ(pasteboard.itemCount(), 0u);
}

}  // namespace
