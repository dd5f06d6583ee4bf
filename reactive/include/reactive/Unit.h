#pragma once

namespace reactive {

// The element of a stream that only signals that something happened (a change
// signal). C++ has no value of type void, so this empty type stands in for it.
struct Unit {
    friend constexpr bool operator==(Unit, Unit) noexcept { return true; }
};

}  // namespace reactive
