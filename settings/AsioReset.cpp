// SPDX-License-Identifier: MIT
#include "settings/AsioReset.h"

#include "platform/NamedPipe.h"

#include <QDebug>

#include <string>

namespace platform = zelvoro::platform;

void sendAsioReset()
{
    std::uint32_t error = 0;
    const platform::NativeHandle pipe = platform::openPipeClient(L"\\\\.\\pipe\\ZelvoroPannelToASIO", error);
    if (pipe == platform::kInvalidHandle) {
        qDebug() << "Error: Could not open pipe. Error code:" << error;
        return;
    }
    // Whoever took the name first would get the byte: only the user's own processes or the system's.
    std::string reason;
    if (platform::checkPipeServer(pipe, platform::PipeServerAccounts::ThisUserOrSystem, reason) != 0) {
        qDebug().noquote() << QStringLiteral("Error: ASIO reset not sent, the pipe's server was refused: %1")
                                  .arg(QString::fromStdString(reason));
        platform::closePipeClient(pipe);
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
