#include "foundation/NSObject.h"

#include "TestNode.h"
#include "foundation/Foundation.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using test_objects::Node;
using test_objects::SubNode;

TEST(NSObjectTest, ClassIdentityFollowsTheDescriptorChain)
{
    auto sub = std::make_shared<SubNode>();
    EXPECT_EQ(sub->className(), String("SubNode"));
    EXPECT_TRUE(sub->isKindOf<Node>());
    EXPECT_TRUE(sub->isKindOf<NSObject>());
    EXPECT_FALSE(sub->isMemberOfClass(Node::descriptor()));
    EXPECT_FALSE(std::make_shared<Node>()->isKindOf<SubNode>());
    // The subclass registers nothing, so it finds the very method of its superclass.
    EXPECT_EQ(sub->methodForSelector("ping"), std::make_shared<Node>()->methodForSelector("ping"));
    EXPECT_TRUE(sub->respondsToSelector("ping"));
    EXPECT_FALSE(sub->respondsToSelector("pong:"));
    EXPECT_TRUE(sub->performSelector("ping").boolValue());
    EXPECT_THROW(sub->performSelector("pong:"), NSException);
}

TEST(NSObjectTest, KeyValueCodingReadsWritesAndRefusesUnknownKeys)
{
    auto node = std::make_shared<Node>();
    node->setValueForKey("a", "name");
    node->setChild(std::make_shared<Node>());
    node->setValueForKeyPath("b", "child.name");
    EXPECT_EQ(node->valueForKeyPath("child.name"), Id("b"));
    EXPECT_EQ(node->valueForKey("title"), Id("a/b"));
    try {
        node->valueForKey("missing");
        FAIL() << "no exception";
    } catch (const NSException& e) {
        EXPECT_EQ(e.name(), NSUndefinedKeyException);
    }
    Dictionary d{{"x", Dictionary{{"y", Id::number(3)}}}};
    EXPECT_EQ(valueForKeyPath(Id(d), "x.y"), Id::number(3));
    EXPECT_TRUE(valueForKeyPath(Id(d), "x.z").isNil());
}

}  // namespace
