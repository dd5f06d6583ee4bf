#pragma once

#include "foundation/NSCoder.h"

#include <optional>
#include <vector>

// Reads the archives NSKeyedArchiver writes (binary or XML property lists).
// Hostile data never crashes it: every index, kind and count is checked,
// nesting is bounded, a reference cycle is refused, and any failure ends the
// decode with an error: from then on every decode answers nil / 0.
//
// With secure coding required (the class-restricted entry points), an
// archived object is made only when its class is registered as supporting
// secure coding and is, or descends from, one of the classes the decode
// allows; value kinds must be allowed too (ValueClass::string() etc.), and a
// collection's elements are checked against the same classes.
class NSKeyedUnarchiver final : public NSCoder {
public:
    static constexpr int maximumDepth = 200;

    // Secure decoding of the root object.
    static Id unarchivedObjectOfClass(const ClassDescriptor& cls, const Data& data, String* error = nullptr);
    static Id unarchivedObjectOfClasses(const std::vector<const ClassDescriptor*>& classes, const Data& data,
                                        String* error = nullptr);
    template <class T> static std::shared_ptr<T> unarchivedObjectOfClass(const Data& data, String* error = nullptr)
    {
        return unarchivedObjectOfClass(T::descriptor(), data, error).template object<T>();
    }
    // Unrestricted decoding of the root object: every registered class, with
    // or without secure coding, and no class checks.
    static Id unarchiveObjectWithData(const Data& data, String* error = nullptr);

    // An unarchiver over the data positioned at the top level; a malformed
    // archive leaves it failed (see error()).
    NSKeyedUnarchiver(const Data& data, bool requiresSecureCoding = true);

    bool requiresSecureCoding() const override { return requiresSecureCoding_; }

    using NSCoder::decodeObjectOfClass;
    bool containsValueForKey(const String& key) const override;
    Id decodeObjectForKey(const String& key) override;
    Id decodeObjectOfClass(const ClassDescriptor& cls, const String& key) override;
    Id decodeObjectOfClasses(const std::vector<const ClassDescriptor*>& classes, const String& key) override;
    bool decodeBoolForKey(const String& key) override;
    std::int64_t decodeIntegerForKey(const String& key) override;
    std::uint64_t decodeUnsignedForKey(const String& key) override;
    double decodeDoubleForKey(const String& key) override;

    std::optional<String> error() const override { return error_; }
    void failWithError(const String& message) override;

protected:
    const char* coderClassName() const override { return "NSKeyedUnarchiver"; }

private:
    enum class ObjectState : std::uint8_t { NotDecoded, Decoding, Decoded, Failed };

    Id rawField(const String& key) const;
    // `classes` nullptr: no restriction.
    Id decodeSlot(const Id& slot, const std::vector<const ClassDescriptor*>* classes, const String& key, int depth);
    Id decodeObjectAt(std::int64_t index, const std::vector<const ClassDescriptor*>* classes, const String& key,
                      int depth);
    Id decodeRestricted(const std::vector<const ClassDescriptor*>* classes, const String& key);
    bool allowed(const ClassDescriptor& cls, const std::vector<const ClassDescriptor*>& classes) const;
    void failClass(const String& className, const String& key, const std::vector<const ClassDescriptor*>& classes);

    bool requiresSecureCoding_;
    std::optional<String> error_;
    Array objects_;
    std::vector<ObjectState> states_;
    std::vector<Id> decoded_;
    // The fields being read: "$top" at the bottom, the object being decoded on top.
    std::vector<Dictionary> fields_;
    // The classes allowed by the decode each field level is nested in.
    std::vector<const std::vector<const ClassDescriptor*>*> allowedStack_;
    int depth_ = 0;
};
