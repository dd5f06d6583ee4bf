#pragma once

#include "foundation/ClassDescriptor.h"
#include "foundation/Id.h"
#include "foundation/NSObject.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class NSCoder;

// Objects that can be written into a keyed archive. C++ can't make an object
// from its class name, so a class that can also be read back registers a
// decoding factory under its class name (NSCoder::registerClass).
class NSCoding {
public:
    virtual ~NSCoding() = default;
    virtual void encodeWithCoder(NSCoder& coder) const = 0;
    // Whether the object's class may be written and read where secure coding
    // is required. NSSecureCoding answers true.
    virtual bool classSupportsSecureCoding() const { return false; }
    static bool supportsSecureCoding() { return false; }
};

// A class that adopts secure coding: its factory checks the class of every
// object it decodes (decodeObjectOfClass), so it may be read from data that
// came from outside.
class NSSecureCoding : public NSCoding {
public:
    bool classSupportsSecureCoding() const override { return true; }
    static bool supportsSecureCoding() { return true; }
};

// The platform's coder, keyed form only: NSKeyedArchiver writes,
// NSKeyedUnarchiver reads. The operations of the other direction are
// programmer errors and raise an invalid-argument exception.
class NSCoder {
public:
    // Makes the object from a coder positioned on its archived fields;
    // nullptr when it can't (the decode then answers nil).
    using Factory = std::function<std::shared_ptr<NSObject>(NSCoder& coder)>;

    struct ClassEntry {
        const ClassDescriptor* descriptor = nullptr;
        Factory factory;
        bool supportsSecureCoding = false;
    };

    NSCoder() = default;
    NSCoder(const NSCoder&) = delete;
    NSCoder& operator=(const NSCoder&) = delete;
    virtual ~NSCoder() = default;

    // The class registry shared by every unarchiver. Registering a class again
    // replaces its entry.
    static void registerClass(const ClassDescriptor& cls, Factory factory, bool supportsSecureCoding);
    // For a class T with `static std::shared_ptr<T> initWithCoder(NSCoder&)`
    // and the static supportsSecureCoding of its coding base.
    template <class T> static void registerClass()
    {
        registerClass(
            T::descriptor(), [](NSCoder& coder) -> std::shared_ptr<NSObject> { return T::initWithCoder(coder); },
            T::supportsSecureCoding());
    }
    static std::optional<ClassEntry> classNamed(const String& name);

    virtual bool allowsKeyedCoding() const { return true; }
    virtual bool requiresSecureCoding() const { return false; }

    // Writing. A nil object writes nothing for the key (containsValueForKey
    // then answers false).
    virtual void encodeObject(const Id& object, const String& key);
    virtual void encodeBool(bool value, const String& key);
    virtual void encodeInteger(std::int64_t value, const String& key);
    virtual void encodeUnsigned(std::uint64_t value, const String& key);
    virtual void encodeDouble(double value, const String& key);
    void encodeInt32(std::int32_t value, const String& key) { encodeInteger(value, key); }
    void encodeInt64(std::int64_t value, const String& key) { encodeInteger(value, key); }
    void encodeFloat(float value, const String& key) { encodeDouble(value, key); }

    // Reading. Missing keys give nil, false, 0.
    virtual bool containsValueForKey(const String& key) const;
    // Unrestricted; under required secure coding it is restricted to the
    // classes allowed by the decode it is nested in.
    virtual Id decodeObjectForKey(const String& key);
    // Restricted: the value must be of one of the classes (or of a subclass);
    // anything else is a failure of the whole decode with an error, and nil.
    virtual Id decodeObjectOfClass(const ClassDescriptor& cls, const String& key);
    virtual Id decodeObjectOfClasses(const std::vector<const ClassDescriptor*>& classes, const String& key);
    template <class T> std::shared_ptr<T> decodeObjectOfClass(const String& key)
    {
        return decodeObjectOfClass(T::descriptor(), key).template object<T>();
    }
    virtual bool decodeBoolForKey(const String& key);
    virtual std::int64_t decodeIntegerForKey(const String& key);
    virtual std::uint64_t decodeUnsignedForKey(const String& key);
    virtual double decodeDoubleForKey(const String& key);
    std::int32_t decodeInt32ForKey(const String& key) { return static_cast<std::int32_t>(decodeIntegerForKey(key)); }
    std::int64_t decodeInt64ForKey(const String& key) { return decodeIntegerForKey(key); }
    float decodeFloatForKey(const String& key) { return static_cast<float>(decodeDoubleForKey(key)); }

    // The first failure of this coder, or nullopt.
    virtual std::optional<String> error() const { return std::nullopt; }
    // For factories: fail the whole decode with a message.
    virtual void failWithError(const String& message);

protected:
    [[noreturn]] void wrongDirection(const char* selector) const;
    virtual const char* coderClassName() const { return "NSCoder"; }
};
