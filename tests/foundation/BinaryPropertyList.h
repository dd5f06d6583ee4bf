#pragma once

// Pieces of binary property lists written byte by byte, for input no writer
// of ours makes and for finding a value's exact bytes in a written file.

#include <cstdint>
#include <cstring>
#include <string>

// A binary property list of one object: its marker byte and payload.
inline std::string binaryDocument(const std::string& object)
{
    std::string bytes = "bplist00" + object;
    auto table = static_cast<char>(bytes.size());
    bytes += '\x08';
    bytes += std::string(6, '\0') + "\x01\x01";
    bytes += std::string(7, '\0') + "\x01";
    bytes += std::string(8, '\0');
    bytes += std::string(7, '\0') + table;
    return bytes;
}

// A date object: its marker and the bits of its seconds since the reference
// date, big-endian.
inline std::string binaryDate(double seconds)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    std::string object = "\x33";
    for (int i = 7; i >= 0; --i)
        object += static_cast<char>((bits >> (8 * i)) & 0xFF);
    return object;
}
