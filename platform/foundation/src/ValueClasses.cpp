#include "foundation/ValueClasses.h"

#include "foundation/NSObject.h"

namespace ValueClass {

const ClassDescriptor& string()
{
    static const ClassDescriptor d("NSString", &NSObject::descriptor());
    return d;
}

const ClassDescriptor& number()
{
    static const ClassDescriptor d("NSNumber", &NSObject::descriptor());
    return d;
}

const ClassDescriptor& data()
{
    static const ClassDescriptor d("NSData", &NSObject::descriptor());
    return d;
}

const ClassDescriptor& date()
{
    static const ClassDescriptor d("NSDate", &NSObject::descriptor());
    return d;
}

const ClassDescriptor& array()
{
    static const ClassDescriptor d("NSArray", &NSObject::descriptor());
    return d;
}

const ClassDescriptor& dictionary()
{
    static const ClassDescriptor d("NSDictionary", &NSObject::descriptor());
    return d;
}

const ClassDescriptor& null()
{
    static const ClassDescriptor d("NSNull", &NSObject::descriptor());
    return d;
}

}  // namespace ValueClass

const ClassDescriptor* classOfValue(const Id& value)
{
    switch (value.kind()) {
    case Id::Kind::Nil:
        return nullptr;
    case Id::Kind::Null:
        return &ValueClass::null();
    case Id::Kind::Boolean:
    case Id::Kind::Signed:
    case Id::Kind::Unsigned:
    case Id::Kind::Floating:
        return &ValueClass::number();
    case Id::Kind::String:
        return &ValueClass::string();
    case Id::Kind::Data:
        return &ValueClass::data();
    case Id::Kind::Date:
        return &ValueClass::date();
    case Id::Kind::Array:
        return &ValueClass::array();
    case Id::Kind::Dictionary:
        return &ValueClass::dictionary();
    case Id::Kind::Object:
        return &value.objectPointer()->classDescriptor();
    }
    return nullptr;
}

bool valueIsKindOfClass(const Id& value, const ClassDescriptor& cls)
{
    const ClassDescriptor* own = classOfValue(value);
    return own && own->isSubclassOf(cls);
}
