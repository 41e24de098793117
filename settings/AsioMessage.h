// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The information block the ASIO driver writes to the incoming pipe: up to
// 1024 bytes, of which the first 20 are five little-endian 32-bit words.
// Bytes a short message does not carry read as 0, as they do in the
// zero-filled receive buffer.
class AsioMessage
{
public:
    static constexpr std::size_t kMaxBytes = 1024;
    static constexpr std::size_t kWords = 5;

    // Reads at most kMaxBytes of `data` (the pipe refuses longer messages
    // before they get here).
    static AsioMessage decode(const std::uint8_t *data, std::size_t size);

    // A non-zero fifth word asks for the settings window.
    bool opensWindow() const { return words[kWords - 1] != 0; }

    std::array<std::uint32_t, kWords> words{};
};
