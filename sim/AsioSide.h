// SPDX-License-Identifier: MIT
#pragma once

#include "sim/SocketServer.h"

#include <cstdint>
#include <vector>

class Console;

// The ASIO driver's ends of the two pipes: it serves ZelvoroPannelToASIO
// and reports each reset byte, and it sends messages to the panel's
// ZelvoroASIOToPannel on request.
class AsioSide
{
public:
    explicit AsioSide(Console &console);
    ~AsioSide();
    AsioSide(const AsioSide &) = delete;
    AsioSide &operator=(const AsioSide &) = delete;

    // Starts serving the outgoing pipe; returns 0 or a Windows error code.
    std::uint32_t start();
    void stop();

    // Connects to the panel's pipe and writes one frame; returns 0 or a Windows error code.
    static std::uint32_t sendToPanel(const std::vector<std::uint8_t> &message);
    // The message that asks the panel to open its settings: words 0, 0, 0, 0, 1.
    static std::vector<std::uint8_t> openSettingsMessage();

    static constexpr std::uint8_t kResetByte = 0x31;

private:
    void serveConnection(int fd);

    Console &console;
    SocketServer server;
};
