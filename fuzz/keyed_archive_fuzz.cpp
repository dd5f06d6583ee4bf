// Feeds hostile data to the keyed unarchiver: raw bytes as an archive, and,
// to get past the property-list layer more often, JSON that is turned into
// the archive's property list first (first byte odd). Decoding must end in a
// value or an error, never a crash, runaway recursion or a leak; what decodes
// must archive again.

#include "foundation/NSCoder.h"
#include "foundation/NSKeyedArchiver.h"
#include "foundation/NSKeyedUnarchiver.h"
#include "foundation/PropertyList.h"
#include "foundation/ValueClasses.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// A securely coded node with an object child, a list and scalars, so that
// the fuzzer can build graphs (shared nodes, cycles) and mixed values.
class FuzzNode : public NSObject, public NSSecureCoding {
    KS_OBJECT(FuzzNode, NSObject)

public:
    std::shared_ptr<FuzzNode> child;
    Id items;
    Id name;
    std::int64_t count = 0;
    bool flag = false;

    void encodeWithCoder(NSCoder& coder) const override
    {
        coder.encodeObject(Id(child), "child");
        coder.encodeObject(items, "items");
        coder.encodeObject(name, "name");
        coder.encodeInteger(count, "count");
        coder.encodeBool(flag, "flag");
    }
    static std::shared_ptr<FuzzNode> initWithCoder(NSCoder& coder)
    {
        auto node = std::make_shared<FuzzNode>();
        node->child = coder.decodeObjectOfClass<FuzzNode>("child");
        node->items = coder.decodeObjectOfClasses({&ValueClass::array(), &ValueClass::dictionary(),
                                                   &ValueClass::string(), &ValueClass::number(), &ValueClass::data(),
                                                   &ValueClass::null(), &FuzzNode::descriptor()},
                                                  "items");
        node->name = coder.decodeObjectOfClass(ValueClass::string(), "name");
        node->count = coder.decodeIntegerForKey("count");
        node->flag = coder.decodeBoolForKey("flag");
        (void)coder.decodeDoubleForKey("count");
        (void)coder.decodeUnsignedForKey("count");
        (void)coder.containsValueForKey("other");
        return node;
    }
};

// Decodes anything with an unrestricted decode of its own.
class FuzzLoose : public NSObject, public NSCoding {
    KS_OBJECT(FuzzLoose, NSObject)

public:
    Id value;
    void encodeWithCoder(NSCoder& coder) const override { coder.encodeObject(value, "value"); }
    static std::shared_ptr<FuzzLoose> initWithCoder(NSCoder& coder)
    {
        auto loose = std::make_shared<FuzzLoose>();
        loose->value = coder.decodeObjectForKey("value");
        return loose;
    }
};

Id fromJson(const nlohmann::json& json, int depth)
{
    if (depth > 300)
        return {};
    switch (json.type()) {
    case nlohmann::json::value_t::boolean:
        return Id::boolean(json.get<bool>());
    case nlohmann::json::value_t::number_integer:
        return Id::number(json.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned:
        return Id::number(json.get<std::uint64_t>());
    case nlohmann::json::value_t::number_float:
        return Id::number(json.get<double>());
    case nlohmann::json::value_t::string:
        return String(json.get<std::string>());
    case nlohmann::json::value_t::array: {
        Array array;
        for (const auto& item : json) {
            Id value = fromJson(item, depth + 1);
            if (value.isNil())
                return {};
            array.add(value);
        }
        return array;
    }
    case nlohmann::json::value_t::object: {
        Dictionary dict;
        for (const auto& [key, item] : json.items()) {
            Id value = fromJson(item, depth + 1);
            if (value.isNil())
                return {};
            dict.setObject(value, String(key));
        }
        return dict;
    }
    default:
        return {};
    }
}

void decodeAll(const Data& data)
{
    static const bool registered = [] {
        NSCoder::registerClass<FuzzNode>();
        NSCoder::registerClass<FuzzLoose>();
        return true;
    }();
    (void)registered;

    String error;
    Id loose = NSKeyedUnarchiver::unarchiveObjectWithData(data, &error);
    if (loose.isNil() == error.empty() && !loose.isNil())
        std::abort();  // a value and an error at once

    String secureError;
    Id secure = NSKeyedUnarchiver::unarchivedObjectOfClasses(
        {&FuzzNode::descriptor(), &ValueClass::array(), &ValueClass::string(), &ValueClass::number()}, data,
        &secureError);
    if (!secure.isNil() && !secureError.empty())
        std::abort();
    // Secure decoding never makes the insecure class.
    if (secure.object<FuzzLoose>())
        std::abort();

    // Whatever decoded archives again.
    if (!loose.isNil()) {
        String again;
        if (!NSKeyedArchiver::archivedDataWithRootObject(loose, false, &again) && !again.hasPrefix("cannot archive"))
            std::abort();
    }

    NSKeyedUnarchiver unarchiver(data, true);
    (void)unarchiver.decodeObjectOfClass(FuzzNode::descriptor(), "root");
    (void)unarchiver.decodeObjectForKey("root");
    (void)unarchiver.decodeIntegerForKey("root");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        auto json = nlohmann::json::parse(data + 1, data + size, nullptr, false);
        if (json.is_discarded())
            return 0;
        Id root = fromJson(json, 0);
        if (root.isNil())
            return 0;
        auto bytes = PropertyList::serialize(root, PropertyList::Format::Binary);
        if (!bytes)
            return 0;
        decodeAll(Data(std::move(*bytes)));
        return 0;
    }
    decodeAll(Data(data + 1, size - 1));
    return 0;
}
