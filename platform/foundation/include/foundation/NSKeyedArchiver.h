#pragma once

#include "foundation/NSCoder.h"
#include "foundation/PropertyList.h"

#include <optional>
#include <unordered_map>
#include <vector>

// Writes a keyed archive: our own format over a binary property list.
//
//   {
//     "$archiver": "KestrovaKeyedArchiver",
//     "$version": 1,
//     "$top": { key: slot, ... },          what was encoded at the top level
//     "$objects": [ object, ... ]          every archived object, once
//   }
//   object := { "$class": class name, "$fields": { key: slot, ... } }
//   slot   := Boolean | integer | real | string | data   the value itself
//           | [ slot, ... ]                               an array
//           | { "$dict": [ key slot, value slot, ... ] }  a dictionary
//           | { "$uint": integer }                        an unsigned number
//           | { "$null": true }                           the null marker
//           | { "$ref": index into "$objects" }           an object
//
// An object referred to twice is archived once and comes back as one object.
// A cycle (an object that contains itself) can't be archived. Objects must
// adopt NSCoding; with secure coding required, NSSecureCoding.
class NSKeyedArchiver final : public NSCoder {
public:
    static constexpr const char* archiverName = "KestrovaKeyedArchiver";
    static constexpr int formatVersion = 1;
    // Values and objects nested deeper than this are refused.
    static constexpr int maximumDepth = 200;

    explicit NSKeyedArchiver(bool requiresSecureCoding = true);

    // The archive of one root object (under the key "root"); nullopt with an
    // error for a value that can't be archived.
    static std::optional<Data> archivedDataWithRootObject(const Id& object, bool requiringSecureCoding,
                                                          String* error = nullptr);

    bool requiresSecureCoding() const override { return requiresSecureCoding_; }
    void setOutputFormat(PropertyList::Format format) { format_ = format; }

    void encodeObject(const Id& object, const String& key) override;
    void encodeBool(bool value, const String& key) override;
    void encodeInteger(std::int64_t value, const String& key) override;
    void encodeUnsigned(std::uint64_t value, const String& key) override;
    void encodeDouble(double value, const String& key) override;
    void failWithError(const String& message) override;
    std::optional<String> error() const override { return error_; }

    // Ends encoding; nullopt when something failed (see error()).
    std::optional<Data> encodedData();

protected:
    const char* coderClassName() const override { return "NSKeyedArchiver"; }

private:
    Id slotForValue(const Id& value, int depth);
    void setField(const String& key, Id slot);

    bool requiresSecureCoding_;
    PropertyList::Format format_ = PropertyList::Format::Binary;
    std::optional<String> error_;
    std::vector<Dictionary> objects_;  // "$objects", fields filled in as each object finishes
    std::vector<String> classNames_;
    std::unordered_map<const NSObject*, std::size_t> indices_;
    std::vector<const NSObject*> inProgress_;
    // The fields being written: "$top" at the bottom, the object being encoded on top.
    std::vector<Dictionary> fields_;
    int depth_ = 0;
};
