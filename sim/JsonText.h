// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// JSON value texts for the journal.
class JsonText
{
public:
    // Shortest text that reads back as the same double; NaN and infinities,
    // which JSON cannot carry as numbers, become the strings "NaN",
    // "Infinity" and "-Infinity".
    static std::string number(double value);
    static std::string string(const std::string &text);
    // Lower-case hex digits, two per byte, no separators.
    static std::string hex(const std::uint8_t *bytes, std::size_t size);
    // "0xFFDC2040"
    static std::string code(std::uint32_t code);
};
