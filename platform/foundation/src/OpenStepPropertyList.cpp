#include "foundation/OpenStepPropertyList.h"

#include <string>
#include <vector>

namespace OpenStepPropertyList {

namespace {

bool isUnquotedCharacter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$' ||
           c == u'+' || c == u'/' || c == u':' || c == u'.' || c == u'-';
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Recursive descent over the decoded text. Every failure records the first
// error and unwinds by returning nil; nothing throws.
class Parser {
public:
    explicit Parser(std::u16string_view text)
        : text_(text)
    {
    }

    ParseResult<Id> parseTopLevel(bool stringsTable)
    {
        Id value = readTopLevel(stringsTable);
        if (failed())
            return failure();
        return value;
    }

private:
    Id readTopLevel(bool stringsTable)
    {
        skipSpace();
        if (failed())
            return {};
        if (atEnd()) {
            if (stringsTable)
                return Dictionary();
            fail("empty property list");
            return {};
        }

        Id value;
        if (stringsTable && peek() != u'{') {
            value = parseBracelessDictionary();
        } else {
            std::size_t start = position_;
            value = parseValue(0);
            if (!failed() && value.isString()) {
                skipSpace();
                if (!failed() && !atEnd() && (peek() == u'=' || peek() == u';')) {
                    // A strings-table style file: start again as a dictionary without braces.
                    position_ = start;
                    value = parseBracelessDictionary();
                }
            }
        }
        if (!failed()) {
            skipSpace();
            if (!failed() && !atEnd())
                fail("unexpected text after the property list");
        }
        if (!failed() && stringsTable && !allStrings(value))
            fail("a strings table holds only strings");
        return value;
    }

    bool failed() const { return !message_.empty(); }
    bool atEnd() const { return position_ >= text_.size(); }
    char16_t peek() const { return text_[position_]; }

    void fail(const char* message) { failAt(position_, message); }
    void failAt(std::size_t offset, const char* message)
    {
        if (failed())
            return;
        message_ = message;
        errorOffset_ = offset;
    }

    // The first error, with its line and column.
    ParseError failure() const
    {
        TextPosition position{.offset = errorOffset_, .line = 1, .column = 1};
        for (std::size_t i = 0; i < errorOffset_ && i < text_.size(); ++i) {
            if (text_[i] == u'\n') {
                ++position.line;
                position.column = 1;
            } else {
                ++position.column;
            }
        }
        return ParseError{"line " + std::to_string(position.line) + ", column " + std::to_string(position.column) +
                              ": " + message_,
                          position};
    }

    static bool allStrings(const Id& value)
    {
        const Dictionary* dict = value.dictionary();
        if (!dict)
            return false;
        for (const auto& [key, item] : *dict) {
            if (!key.isString() || !item.isString())
                return false;
        }
        return true;
    }

    // White space and both kinds of comment.
    void skipSpace()
    {
        while (!atEnd()) {
            char16_t c = peek();
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v' || c == 0xFEFF ||
                c == 0x2028 || c == 0x2029) {
                ++position_;
            } else if (c == u'/' && position_ + 1 < text_.size() && text_[position_ + 1] == u'/') {
                position_ += 2;
                while (!atEnd() && peek() != u'\n' && peek() != u'\r')
                    ++position_;
            } else if (c == u'/' && position_ + 1 < text_.size() && text_[position_ + 1] == u'*') {
                std::size_t start = position_;
                position_ += 2;
                bool closed = false;
                while (position_ + 1 < text_.size()) {
                    if (text_[position_] == u'*' && text_[position_ + 1] == u'/') {
                        position_ += 2;
                        closed = true;
                        break;
                    }
                    ++position_;
                }
                if (!closed) {
                    position_ = text_.size();
                    failAt(start, "unterminated comment");
                    return;
                }
            } else {
                return;
            }
        }
    }

    Id parseValue(int depth)
    {
        if (depth >= maximumDepth) {
            fail("nested too deeply");
            return {};
        }
        skipSpace();
        if (failed())
            return {};
        if (atEnd()) {
            fail("unexpected end of input, expected a value");
            return {};
        }
        char16_t c = peek();
        if (c == u'{')
            return parseDictionary(depth);
        if (c == u'(')
            return parseArray(depth);
        if (c == u'<')
            return parseData();
        if (c == u'"' || c == u'\'')
            return parseQuoted();
        if (isUnquotedCharacter(c))
            return parseUnquoted();
        fail("unexpected character, expected a value");
        return {};
    }

    Id parseString()
    {
        skipSpace();
        if (failed())
            return {};
        if (atEnd()) {
            fail("unexpected end of input, expected a string");
            return {};
        }
        char16_t c = peek();
        if (c == u'"' || c == u'\'')
            return parseQuoted();
        if (isUnquotedCharacter(c))
            return parseUnquoted();
        fail("expected a string");
        return {};
    }

    Id parseUnquoted()
    {
        std::size_t start = position_;
        while (!atEnd() && isUnquotedCharacter(peek()))
            ++position_;
        return String(std::u16string(text_.substr(start, position_ - start)));
    }

    Id parseQuoted()
    {
        std::size_t start = position_;
        char16_t quote = peek();
        ++position_;
        std::u16string out;
        while (true) {
            if (atEnd()) {
                failAt(start, "unterminated string");
                return {};
            }
            char16_t c = peek();
            ++position_;
            if (c == quote)
                break;
            if (c != u'\\') {
                out.push_back(c);
                continue;
            }
            if (atEnd()) {
                failAt(start, "unterminated string");
                return {};
            }
            char16_t e = peek();
            ++position_;
            switch (e) {
            case u'a':
                out.push_back(u'\a');
                break;
            case u'b':
                out.push_back(u'\b');
                break;
            case u'f':
                out.push_back(u'\f');
                break;
            case u'n':
                out.push_back(u'\n');
                break;
            case u'r':
                out.push_back(u'\r');
                break;
            case u't':
                out.push_back(u'\t');
                break;
            case u'v':
                out.push_back(u'\v');
                break;
            case u'U':
            case u'u': {
                unsigned value = 0;
                int digits = 0;
                while (digits < 4 && !atEnd() && hexValue(peek()) >= 0) {
                    value = value * 16 + static_cast<unsigned>(hexValue(peek()));
                    ++position_;
                    ++digits;
                }
                if (digits == 0) {
                    failAt(position_ - 2, "\\U escape without hex digits");
                    return {};
                }
                out.push_back(static_cast<char16_t>(value));
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    unsigned value = e - u'0';
                    int digits = 1;
                    while (digits < 3 && !atEnd() && peek() >= u'0' && peek() <= u'7') {
                        value = value * 8 + (peek() - u'0');
                        ++position_;
                        ++digits;
                    }
                    if (value > 0377) {
                        failAt(position_ - 4, "octal escape out of range");
                        return {};
                    }
                    out.push_back(static_cast<char16_t>(value));
                } else {
                    out.push_back(e);
                }
                break;
            }
        }
        return String(std::move(out));
    }

    Id parseData()
    {
        std::size_t start = position_;
        ++position_;  // '<'
        std::vector<std::uint8_t> bytes;
        int high = -1;
        while (true) {
            while (!atEnd() && (peek() == u' ' || peek() == u'\t' || peek() == u'\n' || peek() == u'\r'))
                ++position_;
            if (atEnd()) {
                failAt(start, "unterminated data");
                return {};
            }
            char16_t c = peek();
            if (c == u'>') {
                if (high >= 0) {
                    fail("odd number of hex digits in data");
                    return {};
                }
                ++position_;
                break;
            }
            int v = hexValue(c);
            if (v < 0) {
                fail("unexpected character in data");
                return {};
            }
            ++position_;
            if (high < 0) {
                high = v;
            } else {
                bytes.push_back(static_cast<std::uint8_t>(high * 16 + v));
                high = -1;
            }
        }
        return Data(std::move(bytes));
    }

    Id parseArray(int depth)
    {
        ++position_;  // '('
        std::vector<Id> items;
        skipSpace();
        if (failed())
            return {};
        if (!atEnd() && peek() == u')') {
            ++position_;
            return Array(std::move(items));
        }
        while (true) {
            Id item = parseValue(depth + 1);
            if (failed())
                return {};
            items.push_back(std::move(item));
            skipSpace();
            if (failed())
                return {};
            if (atEnd()) {
                fail("unterminated array, expected ',' or ')'");
                return {};
            }
            char16_t c = peek();
            if (c == u')') {
                ++position_;
                break;
            }
            if (c != u',') {
                fail("expected ',' or ')' in array");
                return {};
            }
            ++position_;
            skipSpace();
            if (failed())
                return {};
            if (!atEnd() && peek() == u')') {  // a trailing comma
                ++position_;
                break;
            }
        }
        return Array(std::move(items));
    }

    // Entries up to `terminator` (a '}' for braces, end of input without).
    bool parseEntries(Dictionary& dict, int depth, bool braced)
    {
        while (true) {
            skipSpace();
            if (failed())
                return false;
            if (atEnd()) {
                if (braced) {
                    fail("unterminated dictionary, expected '}'");
                    return false;
                }
                return true;
            }
            if (braced && peek() == u'}') {
                ++position_;
                return true;
            }
            Id key = parseString();
            if (failed())
                return false;
            skipSpace();
            if (failed())
                return false;
            if (!atEnd() && peek() == u';' && !braced) {
                // "key"; in a strings table: the key is its own text.
                ++position_;
                dict.setObject(key, key);
                continue;
            }
            if (atEnd() || peek() != u'=') {
                fail("expected '=' after a dictionary key");
                return false;
            }
            ++position_;
            Id value = parseValue(depth + 1);
            if (failed())
                return false;
            skipSpace();
            if (failed())
                return false;
            if (atEnd() || peek() != u';') {
                fail("expected ';' after a dictionary value");
                return false;
            }
            ++position_;
            dict.setObject(value, key);
        }
    }

    Id parseDictionary(int depth)
    {
        ++position_;  // '{'
        Dictionary dict;
        if (!parseEntries(dict, depth, true))
            return {};
        return dict;
    }

    Id parseBracelessDictionary()
    {
        Dictionary dict;
        if (!parseEntries(dict, 0, false))
            return {};
        return dict;
    }

    std::u16string_view text_;
    std::size_t position_ = 0;
    std::string message_;
    std::size_t errorOffset_ = 0;
};

}  // namespace

std::u16string decode(const void* bytes, std::size_t length)
{
    auto* p = static_cast<const unsigned char*>(bytes);
    if (!p || length == 0)
        return std::u16string();
    if (length >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        bool little = p[0] == 0xFF;
        std::u16string out;
        out.reserve((length - 2) / 2);
        for (std::size_t i = 2; i + 1 < length; i += 2)
            out.push_back(static_cast<char16_t>(little ? (p[i] | (p[i + 1] << 8)) : ((p[i] << 8) | p[i + 1])));
        if ((length - 2) % 2)
            out.push_back(0xFFFD);  // a stray last byte
        return out;
    }
    std::string_view utf8(reinterpret_cast<const char*>(p), length);
    if (utf8.size() >= 3 && utf8.substr(0, 3) == "\xEF\xBB\xBF")
        utf8.remove_prefix(3);
    return String(utf8).utf16();
}

ParseResult<Id> parse(std::u16string_view text)
{
    return Parser(text).parseTopLevel(false);
}

ParseResult<Id> parse(const void* bytes, std::size_t length)
{
    std::u16string text = decode(bytes, length);
    return parse(std::u16string_view(text));
}

ParseResult<Id> parseStringsTable(std::u16string_view text)
{
    return Parser(text).parseTopLevel(true);
}

ParseResult<Id> parseStringsTable(const void* bytes, std::size_t length)
{
    std::u16string text = decode(bytes, length);
    return parseStringsTable(std::u16string_view(text));
}

}  // namespace OpenStepPropertyList
