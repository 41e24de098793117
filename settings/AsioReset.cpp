// SPDX-License-Identifier: MIT
#include "settings/AsioReset.h"

#include "platform/NamedPipe.h"

#include <QDebug>

namespace platform = zelvoro::platform;

void sendAsioReset()
{
    std::uint32_t error = 0;
    const platform::NativeHandle pipe = platform::openPipeClient(L"\\\\.\\pipe\\ZelvoroPannelToASIO", error);
    if (pipe == platform::kInvalidHandle) {
        qDebug() << "Error: Could not open pipe. Error code:" << error;
        return;
    }
    qDebug() << "Pipe opened successfully.";
    const char reset = 0x31;
    if (platform::writePipeMessage(pipe, &reset, 1, error))
        qDebug() << "ASIO reset signal sent successfully.";
    else
        qDebug() << "Error: Failed to send ASIO reset signal. Error code:" << error;
    platform::closePipeClient(pipe);
    qDebug() << "设置通知ASIO逻辑";
}
