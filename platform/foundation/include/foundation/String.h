#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// An immutable text value. Lengths and indices count UTF-16 code units, as the
// rest of the system expects; conversion to UTF-8 is for output and logging.
// Copies share one buffer, so passing strings around is cheap.
class String {
public:
    String() = default;
    String(const char* utf8)
        : String(std::string_view(utf8))
    {
    }
    String(std::string_view utf8);
    String(const std::string& utf8)
        : String(std::string_view(utf8))
    {
    }
    String(std::u16string utf16);
    String(const char16_t* utf16)
        : String(std::u16string(utf16))
    {
    }

    static String fromUtf32(std::u32string_view text);
    static String fromCharacter(char32_t character);
    // printf-style formatting; the result is read as UTF-8.
    static String format(const char* format, ...) __attribute__((format(printf, 1, 2)));

    std::size_t length() const { return units_ ? units_->size() : 0; }
    bool empty() const { return length() == 0; }
    char16_t characterAtIndex(std::size_t index) const { return (*units_)[index]; }
    const std::u16string& utf16() const;
    std::string utf8() const;

    String substring(std::size_t from, std::size_t count = std::u16string::npos) const;
    String appending(const String& other) const;
    bool hasPrefix(const String& prefix) const;
    bool hasSuffix(const String& suffix) const;
    // Case-insensitive comparison by full Unicode case folding.
    bool caseInsensitiveEquals(const String& other) const;
    String lowercase() const;
    String uppercase() const;
    // Index of the first occurrence, or npos.
    std::size_t find(const String& needle, std::size_t from = 0) const;
    String replacingOccurrences(const String& target, const String& replacement) const;

    friend bool operator==(const String& a, const String& b) { return a.utf16() == b.utf16(); }
    friend std::strong_ordering operator<=>(const String& a, const String& b) { return a.utf16() <=> b.utf16(); }
    std::size_t hash() const;

    static constexpr std::size_t npos = std::u16string::npos;

private:
    std::shared_ptr<const std::u16string> units_;
};

std::ostream& operator<<(std::ostream& stream, const String& string);

template <> struct std::hash<String> {
    std::size_t operator()(const String& s) const noexcept { return s.hash(); }
};
