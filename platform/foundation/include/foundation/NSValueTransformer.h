#pragma once

#include "foundation/Id.h"
#include "foundation/NSObject.h"
#include "foundation/String.h"

#include <memory>
#include <vector>

// Names of the standard transformers, registered from the start.
extern const String NSNegateBooleanTransformerName;
extern const String NSIsNilTransformerName;
extern const String NSIsNotNilTransformerName;

// Turns a value into another, for bindings and for code that converts between
// forms. The default passes the value through unchanged and can reverse that.
class NSValueTransformer : public NSObject {
    KS_OBJECT(NSValueTransformer, NSObject)
public:
    virtual Id transformedValue(const Id& value);
    // Transformers that allow reversing and do not override this are their
    // own inverse (negating a Boolean): the default transforms again. One
    // that does not allow it raises an internal-inconsistency exception.
    virtual Id reverseTransformedValue(const Id& value);
    virtual bool allowsReverseTransformation() const { return true; }
    // The name of the class of what transformedValue answers: "NSString",
    // "NSNumber" and the like for plain values, a class name for objects.
    virtual String transformedValueClass() const { return "NSObject"; }

    // The registry of named transformers, shared by the process. A nil
    // transformer removes the name.
    static void setValueTransformer(std::shared_ptr<NSValueTransformer> transformer, const String& name);
    static std::shared_ptr<NSValueTransformer> valueTransformerForName(const String& name);
    static std::vector<String> valueTransformerNames();
};
