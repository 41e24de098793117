// SPDX-License-Identifier: MIT
#include "sim/JsonText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string JsonText::number(double value)
{
    if (std::isnan(value))
        return "\"NaN\"";
    if (std::isinf(value))
        return value > 0 ? "\"Infinity\"" : "\"-Infinity\"";
    char text[32];
    // The shortest of %.15g..%.17g that round-trips keeps lines readable (1 rather than 1.0000000000000000).
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, value);
        if (std::strtod(text, nullptr) == value)
            break;
    }
    return text;
}

std::string JsonText::string(const std::string &text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

std::string JsonText::hex(const std::uint8_t *bytes, std::size_t size)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return out;
}

std::string JsonText::code(std::uint32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", code);
    return text;
}
