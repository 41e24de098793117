// SPDX-License-Identifier: MIT
#pragma once

#include "platform/NamedPipe.h"

#include <QString>

#include <array>
#include <atomic>
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
    // createPipe without its lines, for the retries after it failed (the
    // caller says when the failures start and end); 0 or the Windows error.
    std::uint32_t retryCreatePipe();
    bool isCreated() const { return pipeHandle != zelvoro::platform::kInvalidPipeServer; }
    // Waits for one client, reads its message into `buffer` (only the bytes
    // it carries are written) and disconnects it.
    bool readMessage(Message &buffer);
    // Ends a wait in readMessage from another thread; later reads fail at once.
    void release();

private:
    QString pipeName;
    // Atomic: a retry on the pipe thread may create it while release() wakes it from the GUI thread.
    std::atomic<zelvoro::platform::PipeServerHandle> pipeHandle{zelvoro::platform::kInvalidPipeServer};
};
