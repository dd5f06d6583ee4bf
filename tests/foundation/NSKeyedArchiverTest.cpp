#include "foundation/NSKeyedArchiver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "foundation/NSException.h"
#include "foundation/NSKeyedUnarchiver.h"
#include "foundation/PropertyList.h"
#include "foundation/ValueClasses.h"

using testing::HasSubstr;

namespace {

// A small value like the library's shortcut: numbers and optional strings.
class TestShortcut : public NSObject, public NSSecureCoding {
    KS_OBJECT(TestShortcut, NSObject)

public:
    std::uint16_t keyCode = 0xFFFF;
    std::uint64_t flags = 0;
    Id characters;

    void encodeWithCoder(NSCoder& coder) const override
    {
        coder.encodeObject("1.0", "version");
        coder.encodeObject(Id::number(keyCode), "keyCode");
        coder.encodeObject(Id::number(flags), "modifierFlags");
        coder.encodeObject(characters, "characters");
    }
    static std::shared_ptr<TestShortcut> initWithCoder(NSCoder& coder)
    {
        auto shortcut = std::make_shared<TestShortcut>();
        shortcut->keyCode = coder.decodeObjectOfClass(ValueClass::number(), "keyCode").numberValue<std::uint16_t>();
        shortcut->flags = coder.decodeObjectOfClass(ValueClass::number(), "modifierFlags").unsignedValue();
        shortcut->characters = coder.decodeObjectOfClass(ValueClass::string(), "characters");
        return shortcut;
    }
};

// An object graph node: scalars of every kind, a child and a list of things.
class TestNode : public NSObject, public NSSecureCoding {
    KS_OBJECT(TestNode, NSObject)

public:
    String name;
    std::shared_ptr<TestNode> child;
    Id other;
    bool flag = false;
    std::int64_t count = 0;
    std::uint64_t big = 0;
    double ratio = 0;

    void encodeWithCoder(NSCoder& coder) const override
    {
        coder.encodeObject(name, "name");
        coder.encodeObject(Id(child), "child");
        coder.encodeObject(other, "other");
        coder.encodeBool(flag, "flag");
        coder.encodeInteger(count, "count");
        coder.encodeUnsigned(big, "big");
        coder.encodeDouble(ratio, "ratio");
    }
    static std::shared_ptr<TestNode> initWithCoder(NSCoder& coder)
    {
        auto node = std::make_shared<TestNode>();
        Id name = coder.decodeObjectOfClass(ValueClass::string(), "name");
        if (name.isString())
            node->name = *name.string();
        node->child = coder.decodeObjectOfClass<TestNode>("child");
        node->other = coder.decodeObjectForKey("other");
        node->flag = coder.decodeBoolForKey("flag");
        node->count = coder.decodeIntegerForKey("count");
        node->big = coder.decodeUnsignedForKey("big");
        node->ratio = coder.decodeDoubleForKey("ratio");
        return node;
    }
};

// Codable, but not securely.
class InsecureThing : public NSObject, public NSCoding {
    KS_OBJECT(InsecureThing, NSObject)

public:
    void encodeWithCoder(NSCoder& coder) const override { coder.encodeObject("x", "x"); }
    static std::shared_ptr<InsecureThing> initWithCoder(NSCoder&) { return std::make_shared<InsecureThing>(); }
};

class NSKeyedArchiverTest : public testing::Test {
protected:
    void SetUp() override
    {
        NSCoder::registerClass<TestShortcut>();
        NSCoder::registerClass<TestNode>();
        NSCoder::registerClass<InsecureThing>();
    }
};

Data archiveOf(const Dictionary& top, const Array& objects, const char* archiver = NSKeyedArchiver::archiverName)
{
    Dictionary root{{"$archiver", archiver}, {"$version", Id::number(1)}, {"$top", top}, {"$objects", objects}};
    auto bytes = PropertyList::serialize(root, PropertyList::Format::Binary);
    EXPECT_TRUE(bytes);
    return bytes ? Data(std::move(*bytes)) : Data();
}

Dictionary ref(int index)
{
    return Dictionary{{"$ref", Id::number(index)}};
}

Dictionary object(const char* cls, Dictionary fields)
{
    return Dictionary{{"$class", cls}, {"$fields", fields}};
}

}  // namespace

TEST_F(NSKeyedArchiverTest, ObjectRoundTripsThroughSecureCoding)
{
    auto shortcut = std::make_shared<TestShortcut>();
    shortcut->keyCode = 48;
    shortcut->flags = 0x40000;
    shortcut->characters = "\t";
    String error;
    auto data = NSKeyedArchiver::archivedDataWithRootObject(shortcut, true, &error);
    ASSERT_TRUE(data) << error;
    auto decoded = NSKeyedUnarchiver::unarchivedObjectOfClass<TestShortcut>(*data, &error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_NE(decoded, shortcut);
    EXPECT_EQ(decoded->keyCode, 48);
    EXPECT_EQ(decoded->flags, 0x40000u);
    EXPECT_EQ(decoded->characters, Id("\t"));
    EXPECT_TRUE(NSKeyedUnarchiver::unarchiveObjectWithData(*data).object<TestShortcut>());
}

TEST_F(NSKeyedArchiverTest, ScalarsAndValueKindsRoundTrip)
{
    auto node = std::make_shared<TestNode>();
    node->name = "root";
    node->flag = true;
    node->count = -5;
    node->big = ~std::uint64_t{0};
    node->ratio = 0.25;
    node->other = Dictionary{{"list", Array{Id::number(1), "two", Id::null(), Data(std::vector<std::uint8_t>{3})}},
                             {Id::number(7), Id::number(std::uint64_t{9})}};
    auto data = NSKeyedArchiver::archivedDataWithRootObject(node, false);
    ASSERT_TRUE(data);
    String error;
    auto decoded = NSKeyedUnarchiver::unarchiveObjectWithData(*data, &error).object<TestNode>();
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->name, String("root"));
    EXPECT_TRUE(decoded->flag);
    EXPECT_EQ(decoded->count, -5);
    EXPECT_EQ(decoded->big, ~std::uint64_t{0});
    EXPECT_DOUBLE_EQ(decoded->ratio, 0.25);
    EXPECT_EQ(decoded->other, node->other);
    const Dictionary* other = decoded->other.dictionary();
    ASSERT_TRUE(other);
    EXPECT_EQ(other->objectForKey(Id::number(7)).kind(), Id::Kind::Unsigned);
    Id list = other->objectForKey("list");
    ASSERT_TRUE(list.array());
    EXPECT_TRUE((*list.array())[2].isNull());
}

TEST_F(NSKeyedArchiverTest, RootValuesNeedNoClass)
{
    struct Case {
        const char* name;
        Id value;
        const ClassDescriptor* cls;
    };
    const Case cases[] = {
        {.name = "string", .value = "text", .cls = &ValueClass::string()},
        {.name = "number", .value = Id::number(3), .cls = &ValueClass::number()},
        {.name = "boolean", .value = Id::boolean(true), .cls = &ValueClass::number()},
        {.name = "data", .value = Data(std::vector<std::uint8_t>{1, 2}), .cls = &ValueClass::data()},
        {.name = "date", .value = Date(60.25), .cls = &ValueClass::date()},
        {.name = "unsigned", .value = Id::number(~std::uint64_t{0}), .cls = &ValueClass::number()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto data = NSKeyedArchiver::archivedDataWithRootObject(c.value, true);
        ASSERT_TRUE(data);
        Id decoded = NSKeyedUnarchiver::unarchivedObjectOfClass(*c.cls, *data);
        EXPECT_EQ(decoded, c.value);
        EXPECT_EQ(decoded.kind(), c.value.kind());
    }
    auto data = NSKeyedArchiver::archivedDataWithRootObject(Id(), true);
    ASSERT_TRUE(data);
    String error;
    EXPECT_TRUE(NSKeyedUnarchiver::unarchiveObjectWithData(*data, &error).isNil());
    EXPECT_EQ(error, String());
}

TEST_F(NSKeyedArchiverTest, SharedObjectsComeBackShared)
{
    auto shared = std::make_shared<TestNode>();
    shared->name = "shared";
    auto root = std::make_shared<TestNode>();
    root->child = shared;
    root->other = Array{Id(shared)};
    auto data = NSKeyedArchiver::archivedDataWithRootObject(root, true);
    ASSERT_TRUE(data);
    auto decoded = NSKeyedUnarchiver::unarchivedObjectOfClasses({&TestNode::descriptor(), &ValueClass::array()}, *data)
                       .object<TestNode>();
    ASSERT_TRUE(decoded);
    ASSERT_TRUE(decoded->child);
    EXPECT_EQ(decoded->child->name, String("shared"));
    EXPECT_EQ((*decoded->other.array())[0].objectPointer(), decoded->child.get());
}

TEST_F(NSKeyedArchiverTest, CyclesAreRefusedWhenArchiving)
{
    auto a = std::make_shared<TestNode>();
    auto b = std::make_shared<TestNode>();
    a->child = b;
    b->child = a;
    String error;
    EXPECT_FALSE(NSKeyedArchiver::archivedDataWithRootObject(a, true, &error));
    EXPECT_EQ(error, String("cannot archive an object of class TestNode that contains itself"));
    b->child.reset();  // break the cycle so both are released
}

TEST_F(NSKeyedArchiverTest, ObjectsThatCannotBeArchived)
{
    String error;
    EXPECT_FALSE(NSKeyedArchiver::archivedDataWithRootObject(std::make_shared<NSObject>(), false, &error));
    EXPECT_EQ(error, String("cannot archive an object of class NSObject: it does not adopt NSCoding"));
    EXPECT_FALSE(NSKeyedArchiver::archivedDataWithRootObject(std::make_shared<InsecureThing>(), true, &error));
    EXPECT_THAT(error.utf8(), HasSubstr("does not adopt NSSecureCoding"));
    EXPECT_TRUE(NSKeyedArchiver::archivedDataWithRootObject(std::make_shared<InsecureThing>(), false));
}

TEST_F(NSKeyedArchiverTest, SecureDecodingRefusesClassesItWasNotAllowed)
{
    auto shortcut = std::make_shared<TestShortcut>();
    shortcut->keyCode = 1;
    auto data = NSKeyedArchiver::archivedDataWithRootObject(shortcut, true);
    ASSERT_TRUE(data);
    String error;
    EXPECT_TRUE(NSKeyedUnarchiver::unarchivedObjectOfClass(TestNode::descriptor(), *data, &error).isNil());
    EXPECT_EQ(error, String("value for key 'root' was of unexpected class 'TestShortcut'. Allowed classes are "
                            "'{(TestNode)}'."));
    // A superclass allows its subclasses.
    EXPECT_TRUE(NSKeyedUnarchiver::unarchivedObjectOfClass(NSObject::descriptor(), *data).object<TestShortcut>());

    auto insecure = NSKeyedArchiver::archivedDataWithRootObject(std::make_shared<InsecureThing>(), false);
    ASSERT_TRUE(insecure);
    EXPECT_TRUE(NSKeyedUnarchiver::unarchivedObjectOfClass(InsecureThing::descriptor(), *insecure, &error).isNil());
    EXPECT_THAT(error.utf8(), HasSubstr("does not adopt NSSecureCoding"));
    EXPECT_TRUE(NSKeyedUnarchiver::unarchiveObjectWithData(*insecure).object<InsecureThing>());
}

TEST_F(NSKeyedArchiverTest, FieldOfTheWrongClassFailsTheDecode)
{
    // "characters" holds a number where the class reads a string.
    Data data =
        archiveOf(Dictionary{{"root", ref(0)}},
                  Array{object("TestShortcut", Dictionary{{"keyCode", Id::number(3)}, {"characters", Id::number(4)}})});
    String error;
    EXPECT_TRUE(NSKeyedUnarchiver::unarchivedObjectOfClass(TestShortcut::descriptor(), data, &error).isNil());
    EXPECT_EQ(error, String("value for key 'characters' was of unexpected class 'NSNumber'. Allowed classes are "
                            "'{(NSString)}'."));
    // Without secure coding the named classes are not checked.
    auto loose = NSKeyedUnarchiver::unarchiveObjectWithData(data).object<TestShortcut>();
    ASSERT_TRUE(loose);
    EXPECT_EQ(loose->characters, Id::number(4));
}

TEST_F(NSKeyedArchiverTest, CollectionElementsAreCheckedToo)
{
    auto data = NSKeyedArchiver::archivedDataWithRootObject(Array{"a", Id::number(1)}, true);
    ASSERT_TRUE(data);
    String error;
    EXPECT_TRUE(NSKeyedUnarchiver::unarchivedObjectOfClass(ValueClass::array(), *data, &error).isNil());
    EXPECT_THAT(error.utf8(), HasSubstr("unexpected class 'NSString'"));
    EXPECT_EQ(NSKeyedUnarchiver::unarchivedObjectOfClasses(
                  {&ValueClass::array(), &ValueClass::string(), &ValueClass::number()}, *data),
              (Array{"a", Id::number(1)}));
}

TEST_F(NSKeyedArchiverTest, InstanceInterface)
{
    NSKeyedArchiver archiver(true);
    archiver.encodeBool(true, "enabled");
    archiver.encodeInteger(12, "tag");
    archiver.encodeObject("id-1", "identifier");
    auto data = archiver.encodedData();
    ASSERT_TRUE(data);
    NSKeyedUnarchiver unarchiver(*data);
    EXPECT_TRUE(unarchiver.requiresSecureCoding());
    EXPECT_TRUE(unarchiver.containsValueForKey("enabled"));
    EXPECT_FALSE(unarchiver.containsValueForKey("missing"));
    EXPECT_TRUE(unarchiver.decodeBoolForKey("enabled"));
    EXPECT_EQ(unarchiver.decodeIntegerForKey("tag"), 12);
    EXPECT_EQ(unarchiver.decodeIntegerForKey("missing"), 0);
    EXPECT_EQ(unarchiver.decodeObjectForKey("identifier"), Id("id-1"));
    EXPECT_FALSE(unarchiver.error());
    EXPECT_THROW(unarchiver.encodeBool(true, "x"), NSException);
}

TEST_F(NSKeyedArchiverTest, HostileArchivesFailCleanly)
{
    Id deep = ref(0);
    // Deeper than the archive allows, within what a property list may hold.
    for (int i = 0; i < NSKeyedUnarchiver::maximumDepth + 20; ++i)
        deep = Array{deep};
    struct Case {
        const char* name;
        Data data;
        const char* message;
    };
    const std::string junk = "not an archive";
    std::vector<Case> cases;
    auto add = [&cases](const char* name, Data data, const char* message) { cases.push_back({name, data, message}); };
    add("junk", Data(junk.data(), junk.size()), "not a keyed archive");
    add("empty", Data(), "not a keyed archive");
    add("other archiver", archiveOf({}, {}, "NSKeyedArchiver"), "no \"$archiver\"");
    add("reference out of range", archiveOf({{"root", ref(3)}}, {}), "out of range");
    add("negative reference", archiveOf({{"root", ref(-1)}}, {}), "out of range");
    add("self reference", archiveOf({{"root", ref(0)}}, Array{object("TestNode", {{"child", ref(0)}})}), "cycle");
    add("two-object cycle",
        archiveOf({{"root", ref(0)}},
                  Array{object("TestNode", {{"child", ref(1)}}), object("TestNode", {{"child", ref(0)}})}),
        "cycle");
    add("unknown class", archiveOf({{"root", ref(0)}}, Array{object("Nope", {})}),
        "cannot decode object of class (Nope) for key (root)");
    add("object without fields", archiveOf({{"root", ref(0)}}, Array{Dictionary{{"$class", "TestNode"}}}),
        "has no class or fields");
    add("unknown tag", archiveOf({{"root", Dictionary{{"$what", Id::number(1)}}}}, {}), "unreadable value");
    add("odd dictionary", archiveOf({{"root", Dictionary{{"$dict", Array{"a"}}}}}, {}), "unreadable value");
    add("deep", archiveOf({{"root", deep}}, {}), "nested too deeply");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        String error;
        EXPECT_TRUE(NSKeyedUnarchiver::unarchiveObjectWithData(c.data, &error).isNil());
        EXPECT_FALSE(error.empty());
        EXPECT_THAT(error.utf8(), HasSubstr(c.message));
        EXPECT_TRUE(NSKeyedUnarchiver::unarchivedObjectOfClass(TestNode::descriptor(), c.data, &error).isNil());
    }
}
