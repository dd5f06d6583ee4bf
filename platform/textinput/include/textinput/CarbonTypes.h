#pragma once

// The scalar types of the text-input calls. They keep the platform's names so
// that the code above reads as code written against the platform does; a
// UniChar is a UTF-16 code unit.

#include <cstdint>

using OSStatus = std::int32_t;
using UniChar = char16_t;
using UniCharCount = unsigned long;
using OptionBits = std::uint32_t;
