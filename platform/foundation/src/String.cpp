#include "foundation/String.h"

#include "VFormat.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <cstdarg>
#include <functional>
#include <ostream>

namespace {

const std::u16string& emptyUnits()
{
    static const std::u16string empty;
    return empty;
}

void appendUtf16(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

// Decodes UTF-8, replacing every malformed sequence with U+FFFD, so text from
// outside never makes a string that can't be written back.
std::u16string decodeUtf8(std::string_view in)
{
    std::u16string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        auto byte = static_cast<unsigned char>(in[i]);
        if (byte < 0x80) {
            out.push_back(byte);
            ++i;
            continue;
        }
        int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
        char32_t c = extra == 3 ? (byte & 0x07) : extra == 2 ? (byte & 0x0F) : (byte & 0x1F);
        // A lead byte needs `extra` continuation bytes after it.
        bool valid = extra > 0 && byte < 0xF5 && in.size() - i > static_cast<std::size_t>(extra);
        for (int k = 1; valid && k <= extra; ++k) {
            auto next = static_cast<unsigned char>(in[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (valid && (c < minimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out.push_back(0xFFFD);
            ++i;
            while (i < in.size() && (static_cast<unsigned char>(in[i]) & 0xC0) == 0x80)
                ++i;
            continue;
        }
        appendUtf16(out, c);
        i += extra + 1;
    }
    return out;
}

std::string encodeUtf8(const std::u16string& in)
{
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        char32_t c = in[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string mapCase(const std::u16string& in, bool upper)
{
    if (in.empty())
        return in;
    std::u16string out(in.size() + 8, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        auto* dst = reinterpret_cast<UChar*>(out.data());
        auto* src = reinterpret_cast<const UChar*>(in.data());
        int32_t length = upper ? u_strToUpper(dst, static_cast<int32_t>(out.size()), src,
                                              static_cast<int32_t>(in.size()), "", &status)
                               : u_strToLower(dst, static_cast<int32_t>(out.size()), src,
                                              static_cast<int32_t>(in.size()), "", &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.assign(static_cast<std::size_t>(length), u'\0');
            continue;
        }
        if (U_FAILURE(status))
            return in;
        out.resize(static_cast<std::size_t>(length));
        return out;
    }
    return in;
}

}  // namespace

String::String(std::string_view utf8)
{
    if (!utf8.empty())
        units_ = std::make_shared<const std::u16string>(decodeUtf8(utf8));
}

String::String(std::u16string utf16)
{
    if (!utf16.empty())
        units_ = std::make_shared<const std::u16string>(std::move(utf16));
}

String String::fromUtf32(std::u32string_view text)
{
    std::u16string units;
    for (char32_t c : text)
        appendUtf16(units, c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? U'\uFFFD' : c);
    return String(std::move(units));
}

String String::fromCharacter(char32_t character)
{
    return fromUtf32(std::u32string_view(&character, 1));
}

String String::format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = detail::vformat(format, args);
    va_end(args);
    return String(text);
}

const std::u16string& String::utf16() const
{
    return units_ ? *units_ : emptyUnits();
}

std::string String::utf8() const
{
    return encodeUtf8(utf16());
}

String String::substring(std::size_t from, std::size_t count) const
{
    if (from >= length())
        return {};
    return String(utf16().substr(from, count));
}

String String::appending(const String& other) const
{
    if (other.empty())
        return *this;
    if (empty())
        return other;
    return String(utf16() + other.utf16());
}

bool String::hasPrefix(const String& prefix) const
{
    return utf16().compare(0, prefix.length(), prefix.utf16()) == 0 && prefix.length() <= length();
}

bool String::hasSuffix(const String& suffix) const
{
    return suffix.length() <= length() &&
           utf16().compare(length() - suffix.length(), suffix.length(), suffix.utf16()) == 0;
}

bool String::caseInsensitiveEquals(const String& other) const
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t result = u_strCaseCompare(reinterpret_cast<const UChar*>(utf16().data()), static_cast<int32_t>(length()),
                                      reinterpret_cast<const UChar*>(other.utf16().data()),
                                      static_cast<int32_t>(other.length()), U_FOLD_CASE_DEFAULT, &status);
    return U_SUCCESS(status) && result == 0;
}

String String::lowercase() const
{
    return String(mapCase(utf16(), false));
}

String String::uppercase() const
{
    return String(mapCase(utf16(), true));
}

std::size_t String::find(const String& needle, std::size_t from) const
{
    return utf16().find(needle.utf16(), from);
}

String String::replacingOccurrences(const String& target, const String& replacement) const
{
    if (target.empty() || find(target) == npos)
        return *this;
    std::u16string out;
    const auto& units = utf16();
    std::size_t start = 0;
    for (std::size_t at; (at = units.find(target.utf16(), start)) != npos; start = at + target.length()) {
        out.append(units, start, at - start);
        out.append(replacement.utf16());
    }
    out.append(units, start);
    return String(std::move(out));
}

std::size_t String::hash() const
{
    return std::hash<std::u16string>()(utf16());
}

std::ostream& operator<<(std::ostream& stream, const String& string)
{
    return stream << string.utf8();
}
