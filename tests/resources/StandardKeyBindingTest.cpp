#include "foundation/OpenStepPropertyList.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

Id readBindings()
{
    std::ifstream file(KESTROVA_SOURCE_DIR "/resources/AppKit/StandardKeyBinding.dict", std::ios::binary);
    EXPECT_TRUE(file) << "StandardKeyBinding.dict is missing";
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto result = OpenStepPropertyList::parse(bytes.data(), bytes.size());
    EXPECT_TRUE(result.ok()) << result.error();
    return result.ok() ? *result : Id();
}

bool isSelectorName(const Id& value)
{
    const String* name = value.string();
    return name && name->length() > 1 && name->hasSuffix(":") && name->find(" ") == String::npos;
}

// A key string: modifier characters in the order ^ ~ $ @, each at most once,
// then exactly one key character.
bool isKeyBinding(const String& key)
{
    const std::u16string modifiers = u"^~$@";
    std::size_t next = 0;
    std::size_t index = 0;
    for (; index + 1 < key.length(); ++index) {
        auto position = modifiers.find(key.characterAtIndex(index), next);
        if (position == std::u16string::npos)
            return false;
        next = position + 1;
    }
    return index + 1 == key.length();
}

void expectBindings(const Dictionary& bindings, bool nested)
{
    for (const auto& [key, value] : bindings) {
        ASSERT_TRUE(key.isString());
        SCOPED_TRACE(key.string()->utf8());
        EXPECT_TRUE(isKeyBinding(*key.string()));
        if (value.isArray()) {
            EXPECT_FALSE(value.array()->empty());
            for (const Id& element : *value.array())
                EXPECT_TRUE(isSelectorName(element));
        } else if (value.isDictionary()) {
            // Keys that may follow this one; one level is all the file uses.
            EXPECT_FALSE(nested);
            expectBindings(*value.dictionary(), true);
        } else {
            EXPECT_TRUE(isSelectorName(value));
        }
    }
}

TEST(StandardKeyBindingTest, EveryEntryBindsAKeyStringToActionMessages)
{
    const Id bindings = readBindings();
    ASSERT_TRUE(bindings.isDictionary());
    expectBindings(*bindings.dictionary(), false);
}

TEST(StandardKeyBindingTest, StandardEditingKeys)
{
    const Id bindings = readBindings();
    struct Row {
        std::u16string key;
        Id value;
    };
    const Row rows[] = {
        {u"^a", "moveToBeginningOfParagraph:"},
        {u"\uF702", "moveLeft:"},
        {u"~\uF702", "moveWordLeft:"},
        {u"@\uF703", "moveToRightEndOfLine:"},
        {u"$@\uF701", "moveToEndOfDocumentAndModifySelection:"},
        {u"~\uF700", Array{"moveBackward:", "moveToBeginningOfParagraph:"}},
        {u"\u0008", "deleteBackward:"},
        {u"\u007F", "deleteForward:"},
        {u"\u000D", "insertNewline:"},
        {u"\u0009", "insertTab:"},
        {u"\u001B", "cancelOperation:"},
        {u"^ ", "setMark:"},
        {u"\uF72C", "scrollPageUp:"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(String(row.key).utf8());
        EXPECT_EQ(bindings[String(row.key)], row.value);
    }
    EXPECT_TRUE(bindings["^x"].isDictionary());
}

}  // namespace
