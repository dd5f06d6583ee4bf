#include "foundation/NSKeyedUnarchiver.h"

#include "foundation/NSException.h"
#include "foundation/NSKeyedArchiver.h"
#include "foundation/PropertyList.h"
#include "foundation/ValueClasses.h"

namespace {

const std::vector<const ClassDescriptor*>& propertyListClasses()
{
    static const auto* classes = new std::vector<const ClassDescriptor*>{
        &ValueClass::string(), &ValueClass::number(),     &ValueClass::data(),
        &ValueClass::array(),  &ValueClass::dictionary(), &ValueClass::null(),
    };
    return *classes;
}

String classList(const std::vector<const ClassDescriptor*>& classes)
{
    String list;
    for (std::size_t i = 0; i < classes.size(); ++i) {
        if (i)
            list = list.appending(", ");
        list = list.appending(classes[i] ? classes[i]->name() : String("nil"));
    }
    return list;
}

}  // namespace

NSKeyedUnarchiver::NSKeyedUnarchiver(const Data& data, bool requiresSecureCoding)
    : requiresSecureCoding_(requiresSecureCoding)
{
    fields_.emplace_back();
    allowedStack_.push_back(nullptr);

    auto read = PropertyList::parse(data);
    if (!read || read->format == PropertyList::Format::OpenStep) {
        failWithError(String("the data is not a keyed archive: ")
                          .appending(String(read ? std::string("not a binary or XML property list") : read.error())));
        return;
    }
    const Dictionary* root = read->value.dictionary();
    Id archiverValue = root ? root->objectForKey("$archiver") : Id();
    const String* archiver = archiverValue.string();
    if (!archiver || *archiver != String(NSKeyedArchiver::archiverName)) {
        failWithError("the data is not a keyed archive: no \"$archiver\" of ours");
        return;
    }
    Id version = root->objectForKey("$version");
    if (!version.isNumber() || version.isBoolean() || version.integerValue() != NSKeyedArchiver::formatVersion) {
        failWithError("the keyed archive has an unknown version");
        return;
    }
    Id topValue = root->objectForKey("$top");
    Id objectsValue = root->objectForKey("$objects");
    const Dictionary* top = topValue.dictionary();
    const Array* objects = objectsValue.array();
    if (!top || !objects) {
        failWithError("the keyed archive is malformed: \"$top\" or \"$objects\" is missing");
        return;
    }
    fields_.front() = *top;
    objects_ = *objects;
    states_.assign(objects_.count(), ObjectState::NotDecoded);
    decoded_.assign(objects_.count(), Id());
}

Id NSKeyedUnarchiver::unarchivedObjectOfClass(const ClassDescriptor& cls, const Data& data, String* error)
{
    return unarchivedObjectOfClasses({&cls}, data, error);
}

Id NSKeyedUnarchiver::unarchivedObjectOfClasses(const std::vector<const ClassDescriptor*>& classes, const Data& data,
                                                String* error)
{
    NSKeyedUnarchiver unarchiver(data, true);
    Id root = unarchiver.decodeObjectOfClasses(classes, "root");
    if (unarchiver.error_) {
        if (error)
            *error = *unarchiver.error_;
        return {};
    }
    return root;
}

Id NSKeyedUnarchiver::unarchiveObjectWithData(const Data& data, String* error)
{
    NSKeyedUnarchiver unarchiver(data, false);
    Id root = unarchiver.decodeObjectForKey("root");
    if (unarchiver.error_) {
        if (error)
            *error = *unarchiver.error_;
        return {};
    }
    return root;
}

void NSKeyedUnarchiver::failWithError(const String& message)
{
    if (!error_)
        error_ = message;
}

Id NSKeyedUnarchiver::rawField(const String& key) const
{
    if (error_ || fields_.empty())
        return {};
    return fields_.back().objectForKey(key);
}

bool NSKeyedUnarchiver::containsValueForKey(const String& key) const
{
    return !rawField(key).isNil();
}

Id NSKeyedUnarchiver::decodeObjectForKey(const String& key)
{
    if (!requiresSecureCoding_)
        return decodeRestricted(nullptr, key);
    const auto* enclosing = allowedStack_.back();
    return decodeRestricted(enclosing ? enclosing : &propertyListClasses(), key);
}

Id NSKeyedUnarchiver::decodeObjectOfClass(const ClassDescriptor& cls, const String& key)
{
    std::vector<const ClassDescriptor*> classes{&cls};
    return decodeRestricted(&classes, key);
}

Id NSKeyedUnarchiver::decodeObjectOfClasses(const std::vector<const ClassDescriptor*>& classes, const String& key)
{
    return decodeRestricted(&classes, key);
}

Id NSKeyedUnarchiver::decodeRestricted(const std::vector<const ClassDescriptor*>* classes, const String& key)
{
    Id slot = rawField(key);
    if (slot.isNil())
        return {};
    // Without secure coding the classes a caller names are not checked, as
    // the platform does.
    return decodeSlot(slot, requiresSecureCoding_ ? classes : nullptr, key, depth_);
}

bool NSKeyedUnarchiver::allowed(const ClassDescriptor& cls, const std::vector<const ClassDescriptor*>& classes) const
{
    for (const ClassDescriptor* candidate : classes) {
        if (candidate && cls.isSubclassOf(*candidate))
            return true;
    }
    return false;
}

void NSKeyedUnarchiver::failClass(const String& className, const String& key,
                                  const std::vector<const ClassDescriptor*>& classes)
{
    failWithError(String::format("value for key '%s' was of unexpected class '%s'. Allowed classes are '{(%s)}'.",
                                 key.utf8().c_str(), className.utf8().c_str(), classList(classes).utf8().c_str()));
}

Id NSKeyedUnarchiver::decodeSlot(const Id& slot, const std::vector<const ClassDescriptor*>* classes, const String& key,
                                 int depth)
{
    if (error_)
        return {};
    if (depth > maximumDepth) {
        failWithError("the keyed archive is nested too deeply");
        return {};
    }
    auto check = [&](const ClassDescriptor& cls) {
        if (classes && !allowed(cls, *classes)) {
            failClass(cls.name(), key, *classes);
            return false;
        }
        return true;
    };

    switch (slot.kind()) {
    case Id::Kind::Boolean:
    case Id::Kind::Signed:
    case Id::Kind::Unsigned:
    case Id::Kind::Floating:
    case Id::Kind::String:
    case Id::Kind::Data:
    case Id::Kind::Date:
        return check(*classOfValue(slot)) ? slot : Id();
    case Id::Kind::Array: {
        if (!check(ValueClass::array()))
            return {};
        std::vector<Id> items;
        items.reserve(slot.array()->count());
        for (const Id& item : *slot.array()) {
            Id value = decodeSlot(item, classes, key, depth + 1);
            if (value.isNil()) {
                failWithError("the keyed archive is malformed: a collection holds nil");
                return {};
            }
            items.push_back(std::move(value));
        }
        return Array(std::move(items));
    }
    case Id::Kind::Dictionary: {
        const Dictionary& dict = *slot.dictionary();
        if (dict.count() != 1 || !dict.entries().front().first.isString())
            break;
        const String& tag = *dict.entries().front().first.string();
        const Id& payload = dict.entries().front().second;
        if (tag == String("$ref")) {
            if (!payload.isNumber() || payload.isBoolean())
                break;
            return decodeObjectAt(payload.integerValue(), classes, key, depth);
        }
        if (tag == String("$uint")) {
            if (!payload.isNumber() || payload.isBoolean() || payload.kind() == Id::Kind::Floating)
                break;
            if (!check(ValueClass::number()))
                return {};
            return Id::number(static_cast<std::uint64_t>(payload.integerValue()));
        }
        if (tag == String("$null"))
            return check(ValueClass::null()) ? Id::null() : Id();
        if (tag == String("$dict")) {
            const Array* pairs = payload.array();
            if (!pairs || pairs->count() % 2 != 0)
                break;
            if (!check(ValueClass::dictionary()))
                return {};
            Dictionary result;
            for (std::size_t i = 0; i < pairs->count(); i += 2) {
                Id k = decodeSlot((*pairs)[i], classes, key, depth + 1);
                Id v = error_ ? Id() : decodeSlot((*pairs)[i + 1], classes, key, depth + 1);
                if (k.isNil() || v.isNil()) {
                    failWithError("the keyed archive is malformed: a collection holds nil");
                    return {};
                }
                result.setObject(v, k);
            }
            return result;
        }
        break;
    }
    default:
        break;
    }
    failWithError(String::format("the keyed archive is malformed: unreadable value for key '%s'", key.utf8().c_str()));
    return {};
}

Id NSKeyedUnarchiver::decodeObjectAt(std::int64_t index, const std::vector<const ClassDescriptor*>* classes,
                                     const String& key, int depth)
{
    if (index < 0 || static_cast<std::uint64_t>(index) >= objects_.count()) {
        failWithError(String::format("the keyed archive is malformed: object reference %lld is out of range",
                                     static_cast<long long>(index)));
        return {};
    }
    auto i = static_cast<std::size_t>(index);
    switch (states_[i]) {
    case ObjectState::Decoded: {
        const Id& object = decoded_[i];
        if (object.isNil())
            return {};
        if (classes && !allowed(*classOfValue(object), *classes)) {
            failClass(classOfValue(object)->name(), key, *classes);
            return {};
        }
        return object;
    }
    case ObjectState::Decoding:
        failWithError("the keyed archive is malformed: its objects refer to each other in a cycle");
        return {};
    case ObjectState::Failed:
        return {};
    case ObjectState::NotDecoded:
        break;
    }

    const Dictionary* object = objects_[i].dictionary();
    Id classValue = object ? object->objectForKey("$class") : Id();
    Id fieldsValue = object ? object->objectForKey("$fields") : Id();
    const String* className = classValue.string();
    const Dictionary* fields = fieldsValue.dictionary();
    if (!className || !fields) {
        failWithError(String::format("the keyed archive is malformed: object %zu has no class or fields", i));
        states_[i] = ObjectState::Failed;
        return {};
    }
    auto entry = NSCoder::classNamed(*className);
    if (!entry || !entry->factory) {
        failWithError(String::format("cannot decode object of class (%s) for key (%s); the class is not registered "
                                     "for decoding",
                                     className->utf8().c_str(), key.utf8().c_str()));
        states_[i] = ObjectState::Failed;
        return {};
    }
    if (classes) {
        if (!allowed(*entry->descriptor, *classes)) {
            failClass(*className, key, *classes);
            states_[i] = ObjectState::Failed;
            return {};
        }
        if (!entry->supportsSecureCoding) {
            failWithError(String::format("cannot decode object of class (%s) for key (%s): the class does not adopt "
                                         "NSSecureCoding, which this decode requires",
                                         className->utf8().c_str(), key.utf8().c_str()));
            states_[i] = ObjectState::Failed;
            return {};
        }
    }

    states_[i] = ObjectState::Decoding;
    fields_.push_back(*fields);
    allowedStack_.push_back(classes);
    int savedDepth = depth_;
    depth_ = depth + 1;
    std::shared_ptr<NSObject> made;
    try {
        made = entry->factory(*this);
    } catch (const NSException& exception) {
        failWithError(String::format("decoding an object of class %s raised %s: %s", className->utf8().c_str(),
                                     exception.name().utf8().c_str(), exception.reason().utf8().c_str()));
    }
    depth_ = savedDepth;
    allowedStack_.pop_back();
    fields_.pop_back();

    if (error_) {
        states_[i] = ObjectState::Failed;
        return {};
    }
    Id result(made);
    if (!result.isNil() && classes && !allowed(made->classDescriptor(), *classes)) {
        failClass(made->className(), key, *classes);
        states_[i] = ObjectState::Failed;
        return {};
    }
    states_[i] = ObjectState::Decoded;
    decoded_[i] = result;
    return result;
}

bool NSKeyedUnarchiver::decodeBoolForKey(const String& key)
{
    Id value = rawField(key);
    return value.isNumber() ? value.boolValue() : false;
}

std::int64_t NSKeyedUnarchiver::decodeIntegerForKey(const String& key)
{
    Id value = rawField(key);
    if (value.isNumber())
        return value.integerValue();
    if (const Dictionary* dict = value.dictionary(); dict && dict->count() == 1) {
        Id bits = dict->objectForKey("$uint");
        if (bits.isNumber())
            return bits.integerValue();
    }
    return 0;
}

std::uint64_t NSKeyedUnarchiver::decodeUnsignedForKey(const String& key)
{
    return static_cast<std::uint64_t>(decodeIntegerForKey(key));
}

double NSKeyedUnarchiver::decodeDoubleForKey(const String& key)
{
    Id value = rawField(key);
    if (value.isNumber())
        return value.doubleValue();
    if (const Dictionary* dict = value.dictionary(); dict && dict->count() == 1) {
        Id bits = dict->objectForKey("$uint");
        if (bits.isNumber())
            return static_cast<double>(static_cast<std::uint64_t>(bits.integerValue()));
    }
    return 0;
}
