#include "foundation/NSKeyedArchiver.h"

#include "foundation/NSObject.h"

#include <algorithm>

NSKeyedArchiver::NSKeyedArchiver(bool requiresSecureCoding)
    : requiresSecureCoding_(requiresSecureCoding)
{
    fields_.emplace_back();
}

std::optional<Data> NSKeyedArchiver::archivedDataWithRootObject(const Id& object, bool requiringSecureCoding,
                                                                String* error)
{
    NSKeyedArchiver archiver(requiringSecureCoding);
    archiver.encodeObject(object, "root");
    auto data = archiver.encodedData();
    if (!data && error)
        *error = archiver.error().value_or(String("the archive could not be written"));
    return data;
}

void NSKeyedArchiver::failWithError(const String& message)
{
    if (!error_)
        error_ = message;
}

void NSKeyedArchiver::setField(const String& key, Id slot)
{
    if (error_ || fields_.empty())
        return;
    fields_.back().setObject(std::move(slot), key);
}

void NSKeyedArchiver::encodeObject(const Id& object, const String& key)
{
    if (error_ || object.isNil())
        return;
    Id slot = slotForValue(object, depth_);
    if (!slot.isNil())
        setField(key, std::move(slot));
}

void NSKeyedArchiver::encodeBool(bool value, const String& key)
{
    setField(key, Id::boolean(value));
}

void NSKeyedArchiver::encodeInteger(std::int64_t value, const String& key)
{
    setField(key, Id::number(value));
}

void NSKeyedArchiver::encodeUnsigned(std::uint64_t value, const String& key)
{
    setField(key, Dictionary{{"$uint", Id::number(value)}});
}

void NSKeyedArchiver::encodeDouble(double value, const String& key)
{
    setField(key, Id::number(value));
}

Id NSKeyedArchiver::slotForValue(const Id& value, int depth)
{
    if (error_)
        return {};
    if (depth > maximumDepth) {
        failWithError("cannot archive: the value is nested too deeply");
        return {};
    }
    switch (value.kind()) {
    case Id::Kind::Nil:
        failWithError("cannot archive nil inside a collection");
        return {};
    case Id::Kind::Boolean:
    case Id::Kind::Signed:
    case Id::Kind::Floating:
    case Id::Kind::String:
    case Id::Kind::Data:
    case Id::Kind::Date:
        return value;
    case Id::Kind::Unsigned:
        return Dictionary{{"$uint", value}};
    case Id::Kind::Null:
        return Dictionary{{"$null", Id::boolean(true)}};
    case Id::Kind::Array: {
        std::vector<Id> slots;
        slots.reserve(value.array()->count());
        for (const Id& item : *value.array()) {
            Id slot = slotForValue(item, depth + 1);
            if (slot.isNil())
                return {};
            slots.push_back(std::move(slot));
        }
        return Array(std::move(slots));
    }
    case Id::Kind::Dictionary: {
        std::vector<Id> pairs;
        pairs.reserve(value.dictionary()->count() * 2);
        for (const auto& [key, item] : *value.dictionary()) {
            Id keySlot = slotForValue(key, depth + 1);
            if (keySlot.isNil())
                return {};
            Id itemSlot = slotForValue(item, depth + 1);
            if (itemSlot.isNil())
                return {};
            pairs.push_back(std::move(keySlot));
            pairs.push_back(std::move(itemSlot));
        }
        return Dictionary{{"$dict", Array(std::move(pairs))}};
    }
    case Id::Kind::Object:
        break;
    }

    const NSObject* object = value.objectPointer();
    const String& className = object->className();
    const auto* coding = dynamic_cast<const NSCoding*>(object);
    if (!coding) {
        failWithError(String::format("cannot archive an object of class %s: it does not adopt NSCoding",
                                     className.utf8().c_str()));
        return {};
    }
    if (requiresSecureCoding_ && !coding->classSupportsSecureCoding()) {
        failWithError(String::format("cannot archive an object of class %s: it does not adopt NSSecureCoding, which "
                                     "secure coding requires",
                                     className.utf8().c_str()));
        return {};
    }
    if (auto it = indices_.find(object); it != indices_.end()) {
        if (std::find(inProgress_.begin(), inProgress_.end(), object) != inProgress_.end()) {
            failWithError(
                String::format("cannot archive an object of class %s that contains itself", className.utf8().c_str()));
            return {};
        }
        return Dictionary{{"$ref", Id::number(static_cast<std::int64_t>(it->second))}};
    }

    std::size_t index = objects_.size();
    objects_.emplace_back();
    indices_.emplace(object, index);
    inProgress_.push_back(object);
    fields_.emplace_back();
    int savedDepth = depth_;
    depth_ = depth + 1;
    coding->encodeWithCoder(*this);
    depth_ = savedDepth;
    Dictionary fields = std::move(fields_.back());
    fields_.pop_back();
    inProgress_.pop_back();
    if (error_)
        return {};
    objects_[index] = Dictionary{{"$class", className}, {"$fields", fields}};
    return Dictionary{{"$ref", Id::number(static_cast<std::int64_t>(index))}};
}

std::optional<Data> NSKeyedArchiver::encodedData()
{
    if (error_)
        return std::nullopt;
    std::vector<Id> objects(objects_.begin(), objects_.end());
    Dictionary root{
        {"$archiver", archiverName},
        {"$version", Id::number(formatVersion)},
        {"$top", fields_.front()},
        {"$objects", Array(std::move(objects))},
    };
    std::string message;
    auto bytes = PropertyList::serialize(root, format_, &message);
    if (!bytes) {
        failWithError(String("cannot archive: ").appending(String(message)));
        return std::nullopt;
    }
    return Data(std::move(*bytes));
}
