// SPDX-License-Identifier: MIT
#include "driver/VendorCommand.h"

VendorCommand::Frame VendorCommand::plain(Command command)
{
    Frame frame{};
    frame[0] = 0x01;
    frame[1] = command;
    return frame;
}

VendorCommand::Frame VendorCommand::level(Command command, std::uint32_t channel, std::uint32_t value)
{
    Frame frame = plain(command);
    frame[3] = 0x02;
    frame[4] = static_cast<std::uint8_t>(channel);
    frame[5] = static_cast<std::uint8_t>(value);
    frame[6] = static_cast<std::uint8_t>(value >> 8);
    return frame;
}

VendorCommand::Frame VendorCommand::toggle(Command command, std::uint32_t channel, std::uint32_t state)
{
    Frame frame = plain(command);
    frame[3] = static_cast<std::uint8_t>(state);
    frame[4] = static_cast<std::uint8_t>(channel);
    return frame;
}

