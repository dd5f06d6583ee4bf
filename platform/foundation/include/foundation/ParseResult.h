#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

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
};

template <typename T> class [[nodiscard]] ParseResult {
public:
    ParseResult(T value)
        : value_(std::move(value))
    {
    }
    ParseResult(ParseError error)
        : error_(std::move(error.message))
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
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    // Empty on success.
    const std::string& error() const { return error_; }

    // A failure of an inner parser, passed up with the place prefixed:
    // `return inner.failureAt("windows[0]")` gives "windows[0].title: ...".
    ParseError failureAt(std::string_view place) const
    {
        assert(!ok());
        return ParseError{std::string(place) + (error_.starts_with('[') ? "" : ".") + error_};
    }

private:
    std::optional<T> value_;
    std::string error_;
};
