// SPDX-License-Identifier: MIT
// The 37-byte vendor command frame, built for Windows.
#include "WineCheck.h"

#include "driver/VendorCommand.h"

#include <array>
#include <string>

namespace {

std::string hex(const VendorCommand::Frame &frame)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : frame) {
        if (!text.empty())
            text += ' ';
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text;
}

std::string expectedHex(std::initializer_list<std::uint8_t> head)
{
    VendorCommand::Frame frame{};
    std::size_t i = 0;
    for (std::uint8_t byte : head)
        frame[i++] = byte;
    return hex(frame);
}

void switchFrames()
{
    CHECK_EQ(VendorCommand::kSize, std::size_t{37});
    CHECK_EQ(hex(VendorCommand::toggle(VendorCommand::Mic48V, 2, 1)),
             expectedHex({0x01, 0x5B, 0x00, 0x01, 0x02}));
    CHECK_EQ(hex(VendorCommand::toggle(VendorCommand::Mic20dB, 1, 0)),
             expectedHex({0x01, 0x5A, 0x00, 0x00, 0x01}));
    CHECK_EQ(hex(VendorCommand::toggle(VendorCommand::MicInstrument, 1, 1)),
             expectedHex({0x01, 0x64, 0x00, 0x01, 0x01}));
    // State and channel keep their low 8 bits only.
    CHECK_EQ(hex(VendorCommand::toggle(VendorCommand::Mic48V, 0x102, 0x301)),
             expectedHex({0x01, 0x5B, 0x00, 0x01, 0x02}));
}

void levelFrames()
{
    CHECK_EQ(hex(VendorCommand::level(VendorCommand::MicVolume, 1, 84)),
             expectedHex({0x01, 0x07, 0x00, 0x02, 0x01, 0x54, 0x00}));
    CHECK_EQ(hex(VendorCommand::level(VendorCommand::OutVolume, 6, 100)),
             expectedHex({0x01, 0x03, 0x00, 0x02, 0x06, 0x64, 0x00}));
    CHECK_EQ(hex(VendorCommand::level(VendorCommand::OutVolume, 2, 0xABCD)),
             expectedHex({0x01, 0x03, 0x00, 0x02, 0x02, 0xCD, 0xAB}));
    // Values above 65535 are cut to their low 16 bits.
    CHECK_EQ(hex(VendorCommand::level(VendorCommand::MicVolume, 1, 0x12345)),
             expectedHex({0x01, 0x07, 0x00, 0x02, 0x01, 0x45, 0x23}));
    CHECK_EQ(hex(VendorCommand::level(VendorCommand::MicVolume, 1, 65536 + 84)),
             hex(VendorCommand::level(VendorCommand::MicVolume, 1, 84)));
}

void plainFrames()
{
    const std::array<std::pair<VendorCommand::Command, std::uint8_t>, 5> commands = {{
        {VendorCommand::OtgOn, 0x5F},
        {VendorCommand::OtgOff, 0x5E},
        {VendorCommand::CloseFeedback, 0x68},
        {VendorCommand::UpgradeFirmware, 0x60},
        {VendorCommand::FirmwareVersion, 0x65},
    }};
    for (const auto &[command, number] : commands)
        CHECK_EQ(hex(VendorCommand::plain(command)), expectedHex({0x01, number}));
}

} // namespace

int main()
{
    RUN(switchFrames);
    RUN(levelFrames);
    RUN(plainFrames);
    return winecheck::finish();
}
