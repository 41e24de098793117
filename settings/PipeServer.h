// SPDX-License-Identifier: MIT
#pragma once

#include "platform/NamedPipe.h"

#include <QString>

#include <array>
#include <cstdint>

// Owner of the server end of a named pipe the ASIO driver writes to.
class PipeServer
{
public:
    static constexpr std::size_t kMessageSize = 1024;
    using Message = std::array<std::uint8_t, kMessageSize>;

    explicit PipeServer(const QString &pipeName);
    ~PipeServer();
    PipeServer(const PipeServer &) = delete;
    PipeServer &operator=(const PipeServer &) = delete;

    bool createPipe();
    // Waits for one client, reads its message into `buffer` (only the bytes
    // it carries are written) and disconnects it.
    bool readMessage(Message &buffer);
    // Ends a wait in readMessage from another thread; later reads fail at once.
    void release();

private:
    QString pipeName;
    zelvoro::platform::PipeServerHandle pipeHandle = zelvoro::platform::kInvalidPipeServer;
};
