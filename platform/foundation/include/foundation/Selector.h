#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

// A method name, interned so that comparing two selectors compares pointers.
// The default selector is the null selector.
class Selector {
public:
    constexpr Selector() = default;
    Selector(std::string_view name);
    Selector(const char* name)
        : Selector(std::string_view(name))
    {
    }

    bool isNull() const { return name_ == nullptr; }
    explicit operator bool() const { return !isNull(); }
    const char* name() const { return name_ ? name_ : ""; }
    // Arguments the selector takes: one per colon.
    int argumentCount() const;

    friend bool operator==(Selector a, Selector b) { return a.name_ == b.name_; }

private:
    const char* name_ = nullptr;
};

template <> struct std::hash<Selector> {
    std::size_t operator()(Selector s) const noexcept { return std::hash<const void*>()(s.name()); }
};
