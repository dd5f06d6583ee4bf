#pragma once

#include <cassert>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// Where in a text a reader found a fault: the offset in the units it reads,
// and the 1-based line and column (the column in those units too).
struct TextPosition {
    std::size_t offset = 0;
    std::size_t line = 0;
    std::size_t column = 0;

    bool operator==(const TextPosition&) const = default;
};

// What a parser of outside input answers: the value, or a message that names
// what is wrong and where ("applications[2].title: expected a string",
// "line 3: unknown command"). Parsers never throw on bad input.
//
//     ParseResult<KeyStroke> parse(std::string_view text)
//     {
//         if (text.empty())
//             return ParseError{"empty key"};
//         return KeyStroke{...};
//     }
struct ParseError {
    std::string message;
    // Readers of running text also give the place as a position, for
    // callers that point at it; the message names it as well.
    std::optional<TextPosition> position = std::nullopt;
};

template <typename T> class [[nodiscard]] ParseResult {
public:
    ParseResult(T value)
        : value_(std::move(value))
    {
    }
    ParseResult(ParseError error)
        : error_(std::move(error.message))
        , position_(error.position)
    {
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }

    const T& value() const&
    {
        assert(ok());
        return *value_;
    }
    T& value() &
    {
        assert(ok());
        return *value_;
    }
    T&& value() &&
    {
        assert(ok());
        return std::move(*value_);
    }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    // Empty on success.
    const std::string& error() const { return error_; }
    // Set on failure by readers that track their position in a text.
    const std::optional<TextPosition>& position() const { return position_; }

    // The failure as it is, to pass up unchanged into a result of another
    // type.
    ParseError failure() const
    {
        assert(!ok());
        return ParseError{error_, position_};
    }

    // A failure of an inner parser, passed up with the place prefixed:
    // `return inner.failureAt("windows[0]")` gives "windows[0].title: ...".
    ParseError failureAt(std::string_view place) const
    {
        assert(!ok());
        return ParseError{std::string(place) + (error_.starts_with('[') ? "" : ".") + error_, position_};
    }

private:
    std::optional<T> value_;
    std::string error_;
    std::optional<TextPosition> position_;
};
