#include "foundation/Id.h"

#include "foundation/NSObject.h"

#include <cmath>
#include <ctime>
#include <functional>
#include <limits>
#include <ostream>

namespace {

std::size_t combine(std::size_t seed, std::size_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

const std::vector<Id>& emptyItems()
{
    static const std::vector<Id> empty;
    return empty;
}

const std::vector<Dictionary::Entry>& emptyEntries()
{
    static const std::vector<Dictionary::Entry> empty;
    return empty;
}

const std::vector<std::uint8_t>& emptyBytes()
{
    static const std::vector<std::uint8_t> empty;
    return empty;
}

String quoted(const String& s)
{
    std::u16string out = u"\"";
    for (char16_t c : s.utf16()) {
        if (c == u'"' || c == u'\\')
            out.push_back(u'\\');
        out.push_back(c);
    }
    out.push_back(u'"');
    return String(std::move(out));
}

// How an element of a collection appears in the collection's description.
String elementDescription(const Id& value)
{
    return value.isString() ? quoted(*value.string()) : value.description();
}

}  // namespace

// Data

Data::Data(std::vector<std::uint8_t> bytes)
    : bytes_(std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes)))
{
}

Data::Data(const void* bytes, std::size_t length)
    : Data(std::vector<std::uint8_t>(static_cast<const std::uint8_t*>(bytes),
                                     static_cast<const std::uint8_t*>(bytes) + length))
{
}

const std::vector<std::uint8_t>& Data::vector() const
{
    return bytes_ ? *bytes_ : emptyBytes();
}

std::size_t Data::hash() const
{
    std::size_t h = length();
    for (auto b : vector())
        h = combine(h, b);
    return h;
}

// Date

String Date::description() const
{
    // Seconds between the Unix epoch and the reference date.
    constexpr double referenceDateSince1970 = 978307200;
    double since1970 = std::floor(seconds_ + referenceDateSince1970);
    std::tm utc{};
    char text[64];
    if (since1970 == since1970 && std::fabs(since1970) < 1e15) {
        auto time = static_cast<std::time_t>(since1970);
        if (::gmtime_r(&time, &utc) && std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &utc))
            return String(text);
    }
    return String::format("%.17g seconds after 2001-01-01 00:00:00 +0000", seconds_);
}

std::size_t Date::hash() const
{
    return std::hash<double>()(seconds_);
}

// Array

Array::Array(std::initializer_list<Id> items)
    : Array(std::vector<Id>(items))
{
}

Array::Array(std::vector<Id> items)
{
    if (!items.empty())
        items_ = std::make_shared<std::vector<Id>>(std::move(items));
}

std::size_t Array::count() const
{
    return items_ ? items_->size() : 0;
}

const Id& Array::operator[](std::size_t index) const
{
    return items().at(index);
}

const std::vector<Id>& Array::items() const
{
    return items_ ? *items_ : emptyItems();
}

bool Array::contains(const Id& value) const
{
    for (const auto& item : items()) {
        if (item == value)
            return true;
    }
    return false;
}

std::vector<Id>& Array::mutableItems()
{
    if (!items_)
        items_ = std::make_shared<std::vector<Id>>();
    else if (items_.use_count() > 1)
        items_ = std::make_shared<std::vector<Id>>(*items_);
    return *items_;
}

void Array::add(Id value)
{
    mutableItems().push_back(std::move(value));
}

void Array::insert(std::size_t index, Id value)
{
    auto& items = mutableItems();
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(std::min(index, items.size())), std::move(value));
}

void Array::removeAt(std::size_t index)
{
    if (index >= count())
        return;
    auto& items = mutableItems();
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
}

void Array::set(std::size_t index, Id value)
{
    if (index < count())
        mutableItems()[index] = std::move(value);
}

bool operator==(const Array& a, const Array& b)
{
    return a.items_ == b.items_ || a.items() == b.items();
}

std::size_t Array::hash() const
{
    return count();
}

// Dictionary

Dictionary::Dictionary(std::initializer_list<Entry> entries)
{
    for (const auto& [key, value] : entries)
        setObject(value, key);
}

std::size_t Dictionary::count() const
{
    return entries_ ? entries_->size() : 0;
}

const std::vector<Dictionary::Entry>& Dictionary::entries() const
{
    return entries_ ? *entries_ : emptyEntries();
}

const Dictionary::Entry* Dictionary::find(const Id& key) const
{
    for (const auto& entry : entries()) {
        if (entry.first == key)
            return &entry;
    }
    return nullptr;
}

Id Dictionary::objectForKey(const Id& key) const
{
    const Entry* entry = find(key);
    return entry ? entry->second : Id();
}

Id Dictionary::operator[](const Id& key) const
{
    return objectForKey(key);
}

bool Dictionary::contains(const Id& key) const
{
    return find(key) != nullptr;
}

Array Dictionary::allKeys() const
{
    std::vector<Id> keys;
    keys.reserve(count());
    for (const auto& entry : entries())
        keys.push_back(entry.first);
    return Array(std::move(keys));
}

std::vector<Dictionary::Entry>& Dictionary::mutableEntries()
{
    if (!entries_)
        entries_ = std::make_shared<std::vector<Entry>>();
    else if (entries_.use_count() > 1)
        entries_ = std::make_shared<std::vector<Entry>>(*entries_);
    return *entries_;
}

void Dictionary::setObject(Id value, const Id& key)
{
    if (value.isNil()) {
        removeObject(key);
        return;
    }
    auto& entries = mutableEntries();
    for (auto& entry : entries) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    entries.emplace_back(key, std::move(value));
}

void Dictionary::removeObject(const Id& key)
{
    if (!find(key))
        return;
    std::erase_if(mutableEntries(), [&key](const Entry& entry) { return entry.first == key; });
}

bool operator==(const Dictionary& a, const Dictionary& b)
{
    if (a.entries_ == b.entries_)
        return true;
    if (a.count() != b.count())
        return false;
    for (const auto& [key, value] : a.entries()) {
        const Dictionary::Entry* other = b.find(key);
        if (!other || !(other->second == value))
            return false;
    }
    return true;
}

std::size_t Dictionary::hash() const
{
    return count();
}

// Id

Id Id::null()
{
    Id id;
    id.value_ = NullMarker{};
    return id;
}

Id Id::boolean(bool value)
{
    Id id;
    id.value_ = value;
    return id;
}

Id Id::number(double value)
{
    Id id;
    id.value_ = value;
    return id;
}

bool Id::isNumber() const
{
    switch (kind()) {
    case Kind::Boolean:
    case Kind::Signed:
    case Kind::Unsigned:
    case Kind::Floating:
        return true;
    default:
        return false;
    }
}

bool Id::boolValue() const
{
    switch (kind()) {
    case Kind::Boolean:
        return std::get<bool>(value_);
    case Kind::Signed:
        return std::get<std::int64_t>(value_) != 0;
    case Kind::Unsigned:
        return std::get<std::uint64_t>(value_) != 0;
    case Kind::Floating:
        return std::get<double>(value_) != 0.0;
    default:
        return false;
    }
}

std::int64_t Id::integerValue() const
{
    switch (kind()) {
    case Kind::Boolean:
        return std::get<bool>(value_) ? 1 : 0;
    case Kind::Signed:
        return std::get<std::int64_t>(value_);
    case Kind::Unsigned:
        return static_cast<std::int64_t>(std::get<std::uint64_t>(value_));
    case Kind::Floating: {
        double d = std::get<double>(value_);
        if (!(d == d) || d >= 9.2233720368547758e18 || d < -9.2233720368547758e18)
            return 0;  // out of range: no defined conversion
        return static_cast<std::int64_t>(d);
    }
    default:
        return 0;
    }
}

std::uint64_t Id::unsignedValue() const
{
    switch (kind()) {
    case Kind::Unsigned:
        return std::get<std::uint64_t>(value_);
    case Kind::Floating: {
        double d = std::get<double>(value_);
        if (!(d == d) || d >= 1.8446744073709552e19 || d <= -9.2233720368547758e18)
            return 0;
        return d < 0 ? static_cast<std::uint64_t>(static_cast<std::int64_t>(d)) : static_cast<std::uint64_t>(d);
    }
    default:
        return static_cast<std::uint64_t>(integerValue());
    }
}

double Id::doubleValue() const
{
    switch (kind()) {
    case Kind::Floating:
        return std::get<double>(value_);
    case Kind::Unsigned:
        return static_cast<double>(std::get<std::uint64_t>(value_));
    default:
        return static_cast<double>(integerValue());
    }
}

NSObject* Id::objectPointer() const
{
    auto* ref = std::get_if<std::shared_ptr<NSObject>>(&value_);
    return ref ? ref->get() : nullptr;
}

const std::shared_ptr<NSObject>& Id::objectReference() const
{
    static const std::shared_ptr<NSObject> none;
    auto* ref = std::get_if<std::shared_ptr<NSObject>>(&value_);
    return ref ? *ref : none;
}

Id Id::operator[](const String& key) const
{
    const Dictionary* d = dictionary();
    return d ? d->objectForKey(key) : Id();
}

String Id::description() const
{
    switch (kind()) {
    case Kind::Nil:
        return "(null)";
    case Kind::Null:
        return "<null>";
    case Kind::Boolean:
        return std::get<bool>(value_) ? "1" : "0";
    case Kind::Signed:
        return String::format("%lld", static_cast<long long>(std::get<std::int64_t>(value_)));
    case Kind::Unsigned:
        return String::format("%llu", static_cast<unsigned long long>(std::get<std::uint64_t>(value_)));
    case Kind::Floating:
        return String::format("%.17g", std::get<double>(value_));
    case Kind::String:
        return std::get<String>(value_);
    case Kind::Date:
        return std::get<Date>(value_).description();
    case Kind::Data: {
        std::string hex = "<";
        const auto& bytes = std::get<Data>(value_).vector();
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            static const char digits[] = "0123456789abcdef";
            if (i && i % 4 == 0)
                hex += ' ';
            hex += digits[bytes[i] >> 4];
            hex += digits[bytes[i] & 15];
        }
        return String(hex + ">");
    }
    case Kind::Array: {
        String out = "(";
        bool first = true;
        for (const auto& item : std::get<Array>(value_)) {
            out = out.appending(first ? "" : ", ").appending(elementDescription(item));
            first = false;
        }
        return out.appending(")");
    }
    case Kind::Dictionary: {
        String out = "{";
        bool first = true;
        for (const auto& [key, value] : std::get<Dictionary>(value_)) {
            out = out.appending(first ? "" : "; ")
                      .appending(elementDescription(key))
                      .appending(" = ")
                      .appending(elementDescription(value));
            first = false;
        }
        return out.appending("}");
    }
    case Kind::Object:
        return std::get<std::shared_ptr<NSObject>>(value_)->description();
    }
    return {};
}

bool operator==(const Id& a, const Id& b)
{
    using Kind = Id::Kind;
    Kind ka = a.kind(), kb = b.kind();
    if (a.isNumber() && b.isNumber()) {
        if ((ka == Kind::Boolean) != (kb == Kind::Boolean))
            return false;
        if (ka == Kind::Floating || kb == Kind::Floating)
            return a.doubleValue() == b.doubleValue();
        if (ka == Kind::Signed && kb == Kind::Signed)
            return a.integerValue() == b.integerValue();
        if (ka == Kind::Unsigned && kb == Kind::Unsigned)
            return a.unsignedValue() == b.unsignedValue();
        if (ka == Kind::Boolean)
            return a.boolValue() == b.boolValue();
        // One signed, one unsigned: equal only when the signed one isn't negative.
        const Id& s = ka == Kind::Signed ? a : b;
        const Id& u = ka == Kind::Signed ? b : a;
        return s.integerValue() >= 0 && static_cast<std::uint64_t>(s.integerValue()) == u.unsignedValue();
    }
    if (ka != kb)
        return false;
    switch (ka) {
    case Kind::Nil:
    case Kind::Null:
        return true;
    case Kind::String:
        return *a.string() == *b.string();
    case Kind::Data:
        return *a.data() == *b.data();
    case Kind::Date:
        return *a.date() == *b.date();
    case Kind::Array:
        return *a.array() == *b.array();
    case Kind::Dictionary:
        return *a.dictionary() == *b.dictionary();
    case Kind::Object:
        return a.objectPointer() == b.objectPointer() || a.objectPointer()->isEqual(b);
    default:
        return false;
    }
}

std::size_t Id::hash() const
{
    switch (kind()) {
    case Kind::Nil:
        return 0;
    case Kind::Null:
        return 1;
    case Kind::Boolean:
        return std::get<bool>(value_) ? 3 : 2;
    case Kind::Signed:
    case Kind::Unsigned:
    case Kind::Floating: {
        // Equal numbers of different kinds must hash alike.
        double d = doubleValue();
        if (kind() != Kind::Floating || (std::floor(d) == d && std::fabs(d) < 9.2e18)) {
            if (kind() == Kind::Unsigned)
                return std::hash<std::uint64_t>()(unsignedValue());
            return std::hash<std::uint64_t>()(static_cast<std::uint64_t>(integerValue()));
        }
        return std::hash<double>()(d);
    }
    case Kind::String:
        return string()->hash();
    case Kind::Data:
        return data()->hash();
    case Kind::Date:
        return date()->hash();
    case Kind::Array:
        return array()->hash();
    case Kind::Dictionary:
        return dictionary()->hash();
    case Kind::Object:
        return objectPointer()->hash();
    }
    return 0;
}

bool Id::isIdenticalTo(const Id& other) const
{
    if (kind() != other.kind())
        return false;
    switch (kind()) {
    case Kind::Object:
        return objectPointer() == other.objectPointer();
    case Kind::String:
        return string()->utf16().data() == other.string()->utf16().data();
    default:
        return *this == other;
    }
}

std::ostream& operator<<(std::ostream& stream, const Id& value)
{
    return stream << value.description();
}
