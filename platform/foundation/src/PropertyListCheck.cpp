#include "PropertyListCheck.h"

#include <cstdint>
#include <limits>

namespace PropertyList::detail {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexDigit(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string quoted(std::string_view text)
{
    constexpr std::size_t shown = 40;
    std::string out = "\"" + std::string(text.substr(0, shown));
    return out + (text.size() > shown ? "...\"" : "\"");
}

// Decimal or 0x-hexadecimal, with an optional sign, from -2^63 to 2^64-1.
std::optional<std::string> integerProblem(std::string_view text)
{
    std::string_view number = trimmed(text);
    std::string_view digits = number;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    unsigned base = 10;
    if (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty())
        return "integer " + quoted(text) + " is not a number";
    if (base == 10 && digits.size() > 1 && digits.front() == '0')
        return "integer " + quoted(number) + " has a leading zero";
    std::uint64_t magnitude = 0;
    bool overflow = false;
    for (char c : digits) {
        int digit = base == 16 ? hexDigit(c) : (isDigit(c) ? c - '0' : -1);
        if (digit < 0)
            return "integer " + quoted(text) + " is not a number";
        if (magnitude > (std::numeric_limits<std::uint64_t>::max() - static_cast<unsigned>(digit)) / base)
            overflow = true;
        else
            magnitude = magnitude * base + static_cast<unsigned>(digit);
    }
    constexpr std::uint64_t mostNegative = std::uint64_t{1} << 63;
    if (overflow || (negative && magnitude > mostNegative))
        return "integer " + quoted(number) + " does not fit in 64 bits";
    return std::nullopt;
}

// YYYY-MM-DDTHH:MM:SS, optionally with a fraction of a second, then Z.
std::optional<std::string> dateProblem(std::string_view text)
{
    auto field = [&](std::size_t at, std::size_t length, int low, int high) {
        if (at + length > text.size())
            return false;
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i) {
            if (!isDigit(text[i]))
                return false;
            value = value * 10 + (text[i] - '0');
        }
        return value >= low && value <= high;
    };
    auto at = [&](std::size_t index, char c) { return index < text.size() && text[index] == c; };
    bool shape = field(0, 4, 0, 9999) && at(4, '-') && field(5, 2, 1, 12) && at(7, '-') && field(8, 2, 1, 31) &&
                 at(10, 'T') && field(11, 2, 0, 23) && at(13, ':') && field(14, 2, 0, 59) && at(16, ':') &&
                 field(17, 2, 0, 59);
    std::size_t end = 19;
    if (shape && at(end, '.')) {
        ++end;
        std::size_t digits = end;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        shape = end > digits;
    }
    if (!shape || !at(end, 'Z') || end + 1 != text.size())
        return "date " + quoted(text) + " is not a date";
    // The day must be in its month: libplist would move 30 February to March.
    int year = (text[0] - '0') * 1000 + (text[1] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
    int month = (text[5] - '0') * 10 + (text[6] - '0');
    int day = (text[8] - '0') * 10 + (text[9] - '0');
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > lengths[month - 1] + (month == 2 && leap ? 1 : 0))
        return "date " + quoted(text) + " is not a date";
    return std::nullopt;
}

// The text of a tag's element up to the next markup, or nullopt for a tag
// that closes itself.
std::optional<std::string_view> elementText(std::string_view text, std::size_t tagEnd)
{
    if (tagEnd > 0 && text[tagEnd - 1] == '/')
        return std::nullopt;
    std::size_t from = tagEnd + 1;
    std::size_t to = text.find('<', from);
    return text.substr(from, to == std::string_view::npos ? std::string_view::npos : to - from);
}

std::uint64_t bigEndian(const unsigned char* bytes, std::size_t length)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < length; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// A string object's problem, if any: a U+0000 in it.
std::optional<std::string> binaryStringProblem(const unsigned char* data, std::size_t at, std::size_t end,
                                               std::size_t unit)
{
    std::uint64_t count = data[at] & 0x0F;
    std::size_t from = at + 1;
    if (count == 0x0F) {
        // The length follows as an integer object.
        if (from >= end || (data[from] >> 4) != 0x1 || (data[from] & 0x0F) > 3)
            return std::nullopt;
        std::size_t width = std::size_t{1} << (data[from] & 0x0F);
        if (end - from - 1 < width)
            return std::nullopt;
        count = bigEndian(data + from + 1, width);
        from += 1 + width;
    }
    if (count > (end - from) / unit)
        return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
        bool zero = unit == 1 ? data[from + i] == 0 : (data[from + 2 * i] == 0 && data[from + 2 * i + 1] == 0);
        if (zero)
            return "a string holds U+0000";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> misreadInXML(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos)
        return "the text holds a NUL character";
    std::size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        std::string_view rest = text.substr(i);
        const char* close = ">";
        if (rest.starts_with("<!--"))
            close = "-->";
        else if (rest.starts_with("<![CDATA["))
            close = "]]>";
        else if (rest.starts_with("<?"))
            close = "?>";
        std::size_t end = text.find(close, i + 1);
        if (end == std::string_view::npos)
            return std::nullopt;
        end += std::string_view(close).size() - 1;
        std::string_view tag = text.substr(i + 1, end - i - 1);
        std::size_t nameLength = 0;
        while (nameLength < tag.size() && !isBlank(tag[nameLength]) && tag[nameLength] != '/')
            ++nameLength;
        std::string_view name = tag.substr(0, nameLength);
        if (name == "integer" || name == "date") {
            auto content = elementText(text, end);
            std::string_view value = content.value_or(std::string_view());
            auto problem = name == "integer" ? integerProblem(value) : dateProblem(value);
            if (problem)
                return problem;
        }
        i = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> misreadInBinary(std::string_view bytes)
{
    constexpr std::size_t header = 8;
    constexpr std::size_t trailer = 32;
    if (bytes.size() < header + trailer)
        return std::nullopt;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* tail = data + bytes.size() - trailer;
    std::size_t offsetSize = tail[6];
    std::uint64_t objects = bigEndian(tail + 8, 8);
    std::uint64_t table = bigEndian(tail + 24, 8);
    std::size_t end = bytes.size() - trailer;
    // Anything malformed here is libplist's to refuse; only what it read is
    // looked at.
    if (offsetSize < 1 || offsetSize > 8 || table < header || table > end || objects > (end - table) / offsetSize)
        return std::nullopt;
    for (std::uint64_t n = 0; n < objects; ++n) {
        std::uint64_t at = bigEndian(data + table + n * offsetSize, offsetSize);
        if (at < header || at >= table)
            continue;
        unsigned char marker = data[at];
        switch (marker >> 4) {
        case 0x1: {
            // 1, 2, 4 and 8 bytes hold a 64-bit integer; 16 bytes one whose
            // upper half must be zero.
            unsigned power = marker & 0x0F;
            if (power > 4)
                return std::string("an integer does not fit in 64 bits");
            if (power == 4) {
                if (table - at < 17)
                    break;
                if (bigEndian(data + at + 1, 8) != 0)
                    return std::string("an integer does not fit in 64 bits");
            }
            break;
        }
        case 0x5:
            if (auto problem = binaryStringProblem(data, static_cast<std::size_t>(at), table, 1))
                return problem;
            break;
        case 0x6:
            if (auto problem = binaryStringProblem(data, static_cast<std::size_t>(at), table, 2))
                return problem;
            break;
        default:
            break;
        }
    }
    return std::nullopt;
}

}  // namespace PropertyList::detail
