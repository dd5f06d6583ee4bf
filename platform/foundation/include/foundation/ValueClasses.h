#pragma once

#include "foundation/ClassDescriptor.h"
#include "foundation/Id.h"

// Class descriptors that stand for the value kinds of Id, for interfaces that
// take classes, such as decoding restricted to named classes. Every one is a
// subclass of NSObject's descriptor. A Boolean and every number are NSNumber.
namespace ValueClass {

const ClassDescriptor& string();      // "NSString"
const ClassDescriptor& number();      // "NSNumber"
const ClassDescriptor& data();        // "NSData"
const ClassDescriptor& date();        // "NSDate"
const ClassDescriptor& array();       // "NSArray"
const ClassDescriptor& dictionary();  // "NSDictionary"
const ClassDescriptor& null();        // "NSNull"

}  // namespace ValueClass

// The class of a value: the value kind's descriptor, an object's own class, or
// nullptr for nil.
const ClassDescriptor* classOfValue(const Id& value);
// True when the value's class is `cls` or descends from it; false for nil.
bool valueIsKindOfClass(const Id& value, const ClassDescriptor& cls);
