#include "shortcut-library/SRCommon.h"

#include "foundation/NSException.h"

#include <gtest/gtest.h>

namespace {

// A value class whose equality compares `value`, with subclasses that inherit
// it, override it, or lie outside the hierarchy. Every call is logged so the
// tests can see whose method decided.
std::vector<std::string> calls;

class Base : public NSObject {
    KS_OBJECT(Base, NSObject)
public:
    explicit Base(int v = 0)
        : value(v)
    {
    }
    int value;
    bool isEqual(const Id& other) const override
    {
        return SR_isEqual(*this, other, "isEqualToBase:", Base::descriptor());
    }

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<Base>("isEqualToBase:", ReturnKind::Boolean, [](Base& self, std::span<const Id> args) {
            calls.push_back("Base(" + std::to_string(self.value) + ")");
            auto other = args[0].object<Base>();
            return Id::boolean(other && other->value == self.value);
        });
    }
};

class Plain : public Base {
    KS_OBJECT(Plain, Base)
public:
    using Base::Base;
};

class OtherPlain : public Base {
    KS_OBJECT(OtherPlain, Base)
public:
    using Base::Base;
};

class Strict : public Base {
    KS_OBJECT(Strict, Base)
public:
    using Base::Base;

protected:
    static void describe(ClassDescriptor& d)
    {
        d.method<Strict>("isEqualToBase:", ReturnKind::Boolean, [](Strict& self, std::span<const Id> args) {
            calls.push_back("Strict(" + std::to_string(self.value) + ")");
            auto other = args[0].object<Strict>();
            return Id::boolean(other && other->value == self.value);
        });
    }
};

class Stranger : public NSObject {
    KS_OBJECT(Stranger, NSObject)
};

class SRCommonTest : public ::testing::Test {
protected:
    void SetUp() override { calls.clear(); }
};

TEST_F(SRCommonTest, TheMoreSpecialisedObjectDecides)
{
    auto base = std::make_shared<Base>(1);
    auto strict = std::make_shared<Strict>(1);
    EXPECT_FALSE(base->isEqual(Id(strict)));  // Strict's method sees a Base and refuses
    EXPECT_EQ(calls, (std::vector<std::string>{"Strict(1)"}));
    calls.clear();
    EXPECT_FALSE(strict->isEqual(Id(base)));
    EXPECT_EQ(calls, (std::vector<std::string>{"Strict(1)"}));
}

TEST_F(SRCommonTest, SiblingsCompareOnlyThroughASharedMethod)
{
    auto plain = std::make_shared<Plain>(2);
    EXPECT_TRUE(plain->isEqual(Id(std::make_shared<OtherPlain>(2))));
    EXPECT_FALSE(plain->isEqual(Id(std::make_shared<OtherPlain>(3))));
    calls.clear();
    EXPECT_FALSE(plain->isEqual(Id(std::make_shared<Strict>(2))));  // Strict overrides: unequal without asking
    EXPECT_TRUE(calls.empty());
}

TEST_F(SRCommonTest, IdentityNilAndOutsiders)
{
    auto base = std::make_shared<Base>(1);
    EXPECT_TRUE(base->isEqual(Id(base)));
    EXPECT_FALSE(base->isEqual(Id()));
    EXPECT_FALSE(base->isEqual(Id(std::make_shared<Stranger>())));
    EXPECT_TRUE(calls.empty());
}

TEST_F(SRCommonTest, AReceiverOutsideTheAncestorIsAProgrammerError)
{
    auto stranger = std::make_shared<Stranger>();
    try {
        SR_isEqual(*stranger, Id(std::make_shared<Base>(1)), "isEqualToBase:", Base::descriptor());
        FAIL() << "no assertion";
    } catch (const NSException& e) {
        EXPECT_EQ(e.reason(), String("Receiver must be an instance of the specified ancestor."));
    }
}

}  // namespace
