#include "foundation/DistributedNotificationMessage.h"

#include "MessageFactory.h"
#include "TypedDescription.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

using ::testing::HasSubstr;
namespace Message = DistributedNotificationMessage;

namespace {

Id nested(int depth)
{
    Id value = Dictionary{};
    for (int i = 1; i < depth; ++i)
        value = Dictionary{{"inner", value}};
    return value;
}

TEST(DistributedNotificationMessageTest, WhatIsWrittenIsReadBackWithItsKinds)
{
    MessageFactory factory;
    struct Case {
        const char* label;
        Message::Contents contents;
    };
    const Case cases[] = {
        {.label = "bare", .contents = {.name = "killLauncher"}},
        {.label = "object, immediately",
         .contents = {.name = "killLauncher", .object = "org.kestrova.Kestrova", .deliverImmediately = true}},
        {.label = "empty object and user information",
         .contents = {.name = "", .object = "", .userInfo = Dictionary{}}},
        {.label = "every kind",
         .contents = {.name = "n",
                      .userInfo = Dictionary{{"b", Id::boolean(false)},
                                             {"i", Id::number(-9223372036854775807LL - 1)},
                                             {"u", Id::number(18446744073709551615ULL)},
                                             {"d", Id::number(-0.5)},
                                             {"s", "\xE2\x8C\x98 Tab"},
                                             {"data", Data(std::vector<std::uint8_t>{})},
                                             {"array", Array{Array{Id::boolean(true)}, Dictionary{{"k", "v"}}}}}}},
        {.label = "as deep as allowed", .contents = {.name = "n", .userInfo = nested(Message::maximumDepth)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        MessageReference message{factory.signal()};
        ASSERT_TRUE(message.message);
        std::string error;
        ASSERT_TRUE(Message::append(message, c.contents, error)) << error;
        ASSERT_TRUE(MessageFactory::seal(message));
        auto read = Message::read(message);
        ASSERT_TRUE(read) << read.error();
        EXPECT_EQ(read->name, c.contents.name);
        EXPECT_EQ(typedDescription(read->object), typedDescription(c.contents.object));
        EXPECT_EQ(typedDescription(read->userInfo), typedDescription(c.contents.userInfo));
        EXPECT_EQ(read->deliverImmediately, c.contents.deliverImmediately);
    }
}

TEST(DistributedNotificationMessageTest, TooDeepAUserInformationDoesNotTravel)
{
    MessageFactory factory;
    MessageReference message{factory.signal()};
    std::string error;
    EXPECT_FALSE(Message::append(message, {.name = "n", .userInfo = nested(Message::maximumDepth + 1)}, error));
    EXPECT_EQ(error, "the user information is nested too deeply");
}

// Other programs may send what we never write: the reader maps what a
// property list can hold and refuses the rest.
TEST(DistributedNotificationMessageTest, ForeignMessagesAreReadLenientlyOrRefusedWithAReason)
{
    MessageFactory factory;
    using Build = std::function<int(sd_bus_message*)>;
    // Wraps the user information, given as appending one variant's contents
    // under the key "v", in a well-formed signal.
    auto withValue = [](Build value) {
        return [value](sd_bus_message* m) {
            int r = sd_bus_message_append(m, "sas", "n", 0);
            r = r < 0 ? r : sd_bus_message_open_container(m, 'a', "a{sv}");
            r = r < 0 ? r : sd_bus_message_open_container(m, 'a', "{sv}");
            r = r < 0 ? r : sd_bus_message_open_container(m, 'e', "sv");
            r = r < 0 ? r : sd_bus_message_append(m, "s", "v");
            r = r < 0 ? r : value(m);
            r = r < 0 ? r : sd_bus_message_close_container(m);
            r = r < 0 ? r : sd_bus_message_close_container(m);
            r = r < 0 ? r : sd_bus_message_close_container(m);
            return r < 0 ? r : sd_bus_message_append(m, "b", 0);
        };
    };
    struct Case {
        const char* label;
        Build build;
        std::string value;  // the typed "v", or the start of the error
        bool ok = true;
    };
    const Case cases[] = {
        {.label = "byte",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "y", 200); }),
         .value = "u:200"},
        {.label = "int16",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "n", -2); }),
         .value = "i:-2"},
        {.label = "uint16",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "q", 2); }),
         .value = "u:2"},
        {.label = "int32",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "i", -7); }),
         .value = "i:-7"},
        {.label = "uint32",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "u", 7u); }),
         .value = "u:7"},
        {.label = "object path",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "o", "/a/b"); }),
         .value = "s:'/a/b'"},
        {.label = "signature",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "g", "a{sv}"); }),
         .value = "s:'a{sv}'"},
        {.label = "structure",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "(sb)", "x", 1); }),
         .value = "[s:'x', b:true]"},
        {.label = "strings",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "as", 2, "a", "b"); }),
         .value = "[s:'a', s:'b']"},
        {.label = "plain dictionary",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "a{ss}", 1, "k", "v"); }),
         .value = "{s:'k': s:'v'}"},
        {.label = "variant in variant",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "v", "b", 0); }),
         .value = "b:false"},
        {.label = "numeric keys",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "a{is}", 1, 4, "v"); }),
         .value = "userInfo.v: a key is not a string",
         .ok = false},
        {.label = "file descriptor",
         .build = withValue([](sd_bus_message* m) { return sd_bus_message_append(m, "v", "h", 0); }),
         .value = "userInfo.v: a value of type 'h' can't be read",
         .ok = false},
        {.label = "old shape",
         .build = [](sd_bus_message* m) { return sd_bus_message_append(m, "ss", "n", "object"); },
         .value = "unexpected arguments (ss)",
         .ok = false},
        {.label = "two objects",
         .build = [](sd_bus_message* m) { return sd_bus_message_append(m, "sasaa{sv}b", "n", 2, "a", "b", 0, 0); },
         .value = "object: more than one",
         .ok = false},
        {.label = "two user informations",
         .build = [](sd_bus_message* m) { return sd_bus_message_append(m, "sasaa{sv}b", "n", 0, 2, 0, 0, 0); },
         .value = "userInfo: more than one",
         .ok = false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        MessageReference message{factory.signal()};
        ASSERT_GE(c.build(message), 0);
        ASSERT_TRUE(MessageFactory::seal(message));
        auto read = Message::read(message);
        ASSERT_EQ(read.ok(), c.ok) << read.error();
        if (c.ok)
            EXPECT_EQ(typedDescription(read->userInfo), "{s:'v': " + c.value + "}");
        else
            EXPECT_THAT(read.error(), HasSubstr(c.value));
    }
}

}  // namespace
