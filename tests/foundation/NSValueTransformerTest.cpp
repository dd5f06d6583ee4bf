#include "foundation/NSValueTransformer.h"

#include <gtest/gtest.h>

#include "foundation/NSException.h"

namespace {

class Doubling : public NSValueTransformer {
    KS_OBJECT(Doubling, NSValueTransformer)
public:
    Id transformedValue(const Id& value) override { return Id::number(value.integerValue() * 2); }
    bool allowsReverseTransformation() const override { return false; }
    String transformedValueClass() const override { return "NSNumber"; }
};

}  // namespace

TEST(NSValueTransformerTest, TheRegistryNamesReplacesAndForgetsTransformers)
{
    const String name = "DoublingTransformerForTest";
    EXPECT_EQ(NSValueTransformer::valueTransformerForName(name), nullptr);
    auto first = std::make_shared<Doubling>();
    auto second = std::make_shared<Doubling>();
    NSValueTransformer::setValueTransformer(first, name);
    EXPECT_EQ(NSValueTransformer::valueTransformerForName(name), first);
    NSValueTransformer::setValueTransformer(second, name);
    EXPECT_EQ(NSValueTransformer::valueTransformerForName(name), second);
    NSValueTransformer::setValueTransformer(nullptr, name);
    EXPECT_EQ(NSValueTransformer::valueTransformerForName(name), nullptr);
}

TEST(NSValueTransformerTest, StandardTransformersAreRegistered)
{
    struct Case {
        const String& name;
        Id input;
        Id expected;
        bool reversible;
    };
    const Case cases[] = {
        {.name = NSNegateBooleanTransformerName,
         .input = Id::boolean(true),
         .expected = Id::boolean(false),
         .reversible = true},
        {.name = NSNegateBooleanTransformerName, .input = Id(), .expected = Id::boolean(true), .reversible = true},
        {.name = NSIsNilTransformerName, .input = Id(), .expected = Id::boolean(true), .reversible = false},
        {.name = NSIsNilTransformerName, .input = "x", .expected = Id::boolean(false), .reversible = false},
        {.name = NSIsNotNilTransformerName, .input = "x", .expected = Id::boolean(true), .reversible = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.utf8() + " " + c.input.description().utf8());
        auto transformer = NSValueTransformer::valueTransformerForName(c.name);
        ASSERT_NE(transformer, nullptr);
        EXPECT_EQ(transformer->transformedValue(c.input), c.expected);
        EXPECT_EQ(transformer->allowsReverseTransformation(), c.reversible);
        EXPECT_EQ(transformer->transformedValueClass(), String("NSNumber"));
    }
    auto negate = NSValueTransformer::valueTransformerForName(NSNegateBooleanTransformerName);
    EXPECT_EQ(negate->reverseTransformedValue(Id::boolean(false)), Id::boolean(true));
}

TEST(NSValueTransformerTest, TheBasePassesValuesThroughAndRefusesReversingWhenItMustNot)
{
    auto identity = std::make_shared<NSValueTransformer>();
    EXPECT_EQ(identity->transformedValue("a"), Id("a"));
    EXPECT_EQ(identity->reverseTransformedValue("a"), Id("a"));
    EXPECT_EQ(identity->transformedValueClass(), String("NSObject"));

    Doubling doubling;
    EXPECT_EQ(doubling.transformedValue(Id::number(21)), Id::number(42));
    try {
        doubling.reverseTransformedValue(Id::number(42));
        FAIL() << "no exception";
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), NSInternalInconsistencyException);
    }
}
