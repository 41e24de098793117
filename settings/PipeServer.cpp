// SPDX-License-Identifier: MIT
#include "settings/PipeServer.h"

#include "platform/WinError.h"

#include <QDebug>

#include <cstring>

namespace platform = zelvoro::platform;

PipeServer::PipeServer(const QString &pipeName) : pipeName(pipeName) {}

PipeServer::~PipeServer()
{
    if (pipeHandle != platform::kInvalidPipeServer) {
        platform::closePipeServer(pipeHandle);
        pipeHandle = platform::kInvalidPipeServer;
        qDebug() << "Pipe closed.";
    }
}

bool PipeServer::createPipe()
{
    const std::uint32_t error = retryCreatePipe();
    if (error != platform::winerror::Success) {
        qDebug() << "Error: Could not create pipe. Error code:" << error;
        return false;
    }
    qDebug() << "Pipe created successfully.";
    return true;
}

std::uint32_t PipeServer::retryCreatePipe()
{
    std::uint32_t error = 0;
    pipeHandle = platform::createPipeServer(pipeName.toStdWString(), error);
    return pipeHandle == platform::kInvalidPipeServer ? error : platform::winerror::Success;
}

bool PipeServer::readMessage(Message &buffer)
{
    std::uint32_t error = 0;
    // ERROR_OPERATION_ABORTED only comes from release() at teardown: not an error worth a line.
    if (!platform::connectPipeClient(pipeHandle, error)) {
        if (error != platform::winerror::OperationAborted)
            qDebug() << "Error connecting to pipe. Error code:" << error;
        return false;
    }
    Message received{};
    std::uint32_t bytesRead = 0;
    const bool ok = platform::readPipeMessage(pipeHandle, received.data(), kMessageSize, bytesRead, error);
    if (ok)
        std::memcpy(buffer.data(), received.data(), bytesRead);
    else if (error != platform::winerror::OperationAborted)
        qDebug() << "Error reading from pipe. Error code:" << error;
    platform::disconnectPipeClient(pipeHandle);
    return ok;
}

void PipeServer::release()
{
    platform::releasePipeServer(pipeHandle);
}
