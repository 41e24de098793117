// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

// The 37-byte vendor command frame carried by control codes 0xFFDC209C and
// 0xFFDC20A0. Byte 0 is always 0x01, byte 1 the command number.
class VendorCommand
{
public:
    static constexpr std::size_t kSize = 37;
    using Frame = std::array<std::uint8_t, kSize>;

    enum Command : std::uint8_t {
        OutVolume = 0x03,
        MicVolume = 0x07,
        Mic20dB = 0x5A,
        Mic48V = 0x5B,
        OtgOff = 0x5E,
        OtgOn = 0x5F,
        UpgradeFirmware = 0x60,
        MicInstrument = 0x64,
        FirmwareVersion = 0x65,
        CloseFeedback = 0x68,
    };

    // Level commands (0x03, 0x07): byte 3 = 0x02, byte 4 = channel, bytes 5-6 = value (LE, low 16 bits).
    static Frame level(Command command, std::uint32_t channel, std::uint32_t value);
    // Switch commands (0x5A, 0x5B, 0x64): byte 3 = state, byte 4 = channel.
    static Frame toggle(Command command, std::uint32_t channel, std::uint32_t state);
    // Commands without arguments: bytes 0 and 1 only.
    static Frame plain(Command command);
};

