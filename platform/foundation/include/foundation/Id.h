#pragma once

#include "foundation/String.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

class NSObject;
class Id;

// Bytes, shared between copies.
class Data {
public:
    Data() = default;
    Data(std::vector<std::uint8_t> bytes);
    Data(const void* bytes, std::size_t length);

    std::size_t length() const { return bytes_ ? bytes_->size() : 0; }
    const std::uint8_t* bytes() const { return bytes_ ? bytes_->data() : nullptr; }
    const std::vector<std::uint8_t>& vector() const;

    friend bool operator==(const Data& a, const Data& b) { return a.vector() == b.vector(); }
    std::size_t hash() const;

private:
    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
};

// A point in time: seconds since 2001-01-01 00:00:00 UTC, the reference date
// of property lists. It is a value of its own, not a number, so that a date
// read from a file goes back as a date.
class Date {
public:
    constexpr Date() = default;
    constexpr explicit Date(double secondsSinceReferenceDate)
        : seconds_(secondsSinceReferenceDate)
    {
    }

    constexpr double timeIntervalSinceReferenceDate() const { return seconds_; }
    // "2001-01-01 00:01:00 +0000", to the second, as the platform prints a date.
    String description() const;

    friend constexpr bool operator==(Date a, Date b) { return a.seconds_ == b.seconds_; }
    std::size_t hash() const;

private:
    double seconds_ = 0;
};

// An ordered list of values. Copies share storage until one of them changes.
class Array {
public:
    Array() = default;
    Array(std::initializer_list<Id> items);
    Array(std::vector<Id> items);

    std::size_t count() const;
    bool empty() const { return count() == 0; }
    const Id& operator[](std::size_t index) const;
    const std::vector<Id>& items() const;
    std::vector<Id>::const_iterator begin() const { return items().begin(); }
    std::vector<Id>::const_iterator end() const { return items().end(); }
    bool contains(const Id& value) const;

    void add(Id value);
    void insert(std::size_t index, Id value);
    void removeAt(std::size_t index);
    void set(std::size_t index, Id value);

    friend bool operator==(const Array& a, const Array& b);
    std::size_t hash() const;

private:
    std::vector<Id>& mutableItems();
    std::shared_ptr<std::vector<Id>> items_;
};

// A map of values that iterates in insertion order, so that everything built
// from it (files, transcripts, test expectations) is deterministic.
class Dictionary {
public:
    using Entry = std::pair<Id, Id>;

    Dictionary() = default;
    Dictionary(std::initializer_list<Entry> entries);

    std::size_t count() const;
    bool empty() const { return count() == 0; }
    // The value for a key, or nil.
    Id objectForKey(const Id& key) const;
    Id operator[](const Id& key) const;
    bool contains(const Id& key) const;
    const std::vector<Entry>& entries() const;
    std::vector<Entry>::const_iterator begin() const { return entries().begin(); }
    std::vector<Entry>::const_iterator end() const { return entries().end(); }
    Array allKeys() const;

    // Setting nil removes the key, as a mutable dictionary's setValue:forKey: does.
    void setObject(Id value, const Id& key);
    void removeObject(const Id& key);

    friend bool operator==(const Dictionary& a, const Dictionary& b);
    std::size_t hash() const;

private:
    const Entry* find(const Id& key) const;
    std::vector<Entry>& mutableEntries();
    std::shared_ptr<std::vector<Entry>> entries_;
};

// One handle for "any object": nil, the null marker, a number that remembers
// its kind (a Boolean is not the number 1), a string, data, a date, an array,
// a dictionary, or a reference to an object.
class Id {
public:
    enum class Kind : std::uint8_t {
        Nil,
        Null,
        Boolean,
        Signed,
        Unsigned,
        Floating,
        String,
        Data,
        Date,
        Array,
        Dictionary,
        Object
    };

    Id() = default;
    Id(std::nullptr_t) { }
    Id(String value)
        : value_(std::move(value))
    {
    }
    Id(const char* utf8)
        : value_(String(utf8))
    {
    }
    Id(Data value)
        : value_(std::move(value))
    {
    }
    Id(Date value)
        : value_(value)
    {
    }
    Id(Array value)
        : value_(std::move(value))
    {
    }
    Id(Dictionary value)
        : value_(std::move(value))
    {
    }
    template <class T, class = std::enable_if_t<std::is_base_of_v<NSObject, T>>> Id(std::shared_ptr<T> object)
    {
        if (object)
            value_ = std::static_pointer_cast<NSObject>(std::move(object));
    }

    static Id null();
    static Id boolean(bool value);
    template <class T, class = std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>>
    static Id number(T value)
    {
        Id id;
        if constexpr (std::is_signed_v<T>)
            id.value_ = static_cast<std::int64_t>(value);
        else
            id.value_ = static_cast<std::uint64_t>(value);
        return id;
    }
    static Id number(double value);

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    bool isNil() const { return kind() == Kind::Nil; }
    bool isNull() const { return kind() == Kind::Null; }
    bool isNilOrNull() const { return isNil() || isNull(); }
    explicit operator bool() const { return !isNil(); }
    bool isBoolean() const { return kind() == Kind::Boolean; }
    // Booleans are numbers too, as the platform's number class holds both.
    bool isNumber() const;
    bool isString() const { return kind() == Kind::String; }
    bool isData() const { return kind() == Kind::Data; }
    bool isDate() const { return kind() == Kind::Date; }
    bool isArray() const { return kind() == Kind::Array; }
    bool isDictionary() const { return kind() == Kind::Dictionary; }
    bool isObject() const { return kind() == Kind::Object; }

    // Number readers convert like the platform's number accessors: a value of
    // another kind is cast, a non-number reads as zero.
    bool boolValue() const;
    std::int64_t integerValue() const;
    std::uint64_t unsignedValue() const;
    double doubleValue() const;
    template <class T> T numberValue() const
    {
        if constexpr (std::is_floating_point_v<T>)
            return static_cast<T>(doubleValue());
        else if constexpr (std::is_signed_v<T>)
            return static_cast<T>(integerValue());
        else
            return static_cast<T>(unsignedValue());
    }

    // Typed views; nullptr when the value is of another kind.
    // Pointers into this value: a temporary's would dangle, so they are
    // refused at compile time; hold the Id first.
    const String* string() const& { return std::get_if<String>(&value_); }
    const Data* data() const& { return std::get_if<Data>(&value_); }
    const Date* date() const& { return std::get_if<Date>(&value_); }
    const Array* array() const& { return std::get_if<Array>(&value_); }
    const Dictionary* dictionary() const& { return std::get_if<Dictionary>(&value_); }
    const String* string() const&& = delete;
    const Data* data() const&& = delete;
    const Date* date() const&& = delete;
    const Array* array() const&& = delete;
    const Dictionary* dictionary() const&& = delete;
    NSObject* objectPointer() const;
    const std::shared_ptr<NSObject>& objectReference() const;
    template <class T> std::shared_ptr<T> object() const
    {
        auto* ref = std::get_if<std::shared_ptr<NSObject>>(&value_);
        return ref ? std::dynamic_pointer_cast<T>(*ref) : nullptr;
    }

    // Dictionary lookup; nil for anything but a dictionary.
    Id operator[](const String& key) const;

    String description() const;

    // Value kinds compare by value (numbers across their kinds, but a Boolean
    // only with a Boolean); objects by their isEqual.
    friend bool operator==(const Id& a, const Id& b);
    std::size_t hash() const;
    // Same object or same value storage: the platform's pointer comparison.
    bool isIdenticalTo(const Id& other) const;

private:
    struct NullMarker {
        friend bool operator==(NullMarker, NullMarker) { return true; }
    };
    std::variant<std::monostate, NullMarker, bool, std::int64_t, std::uint64_t, double, String, Data, Date, Array,
                 Dictionary, std::shared_ptr<NSObject>>
        value_;
};

std::ostream& operator<<(std::ostream& stream, const Id& value);

template <> struct std::hash<Id> {
    std::size_t operator()(const Id& v) const noexcept { return v.hash(); }
};
