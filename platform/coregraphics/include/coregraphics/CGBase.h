#pragma once

#include <cstdint>

// The scalar types the graphics calls share. Coordinates are doubles, as on
// the 64-bit platform.
using CGFloat = double;

// A window's identifier in the window server: unique across the desktop for
// as long as the window exists; 0 names no window.
using CGWindowID = std::uint32_t;
inline constexpr CGWindowID kCGNullWindowID = 0;

// Results of the graphics calls that can fail.
enum CGError : std::int32_t {
    kCGErrorSuccess = 0,
    kCGErrorFailure = 1000,
    kCGErrorIllegalArgument = 1001,
    kCGErrorInvalidConnection = 1002,
    kCGErrorCannotComplete = 1004,
    kCGErrorNotImplemented = 1006,
    kCGErrorRangeCheck = 1007,
    kCGErrorNoneAvailable = 1011,
};
