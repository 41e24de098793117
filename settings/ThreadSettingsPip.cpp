// SPDX-License-Identifier: MIT
#include "settings/ThreadSettingsPip.h"

#include "settings/PipeServer.h"

#include <QDebug>

namespace {

const QString kIncomingPipe = QStringLiteral("\\\\.\\pipe\\ZelvoroASIOToPannel");

std::uint32_t wordAt(const PipeServer::Message &message, std::size_t index)
{
    const std::size_t at = index * 4;
    return std::uint32_t(message[at]) | std::uint32_t(message[at + 1]) << 8 |
           std::uint32_t(message[at + 2]) << 16 | std::uint32_t(message[at + 3]) << 24;
}

} // namespace

ThreadSettingsPip::ThreadSettingsPip(QObject *parent)
    : QThread(parent), pipeServer(new PipeServer(kIncomingPipe))
{
    if (!pipeServer->createPipe())
        qDebug() << "Failed to create named pipe in ThreadSettingsPip.";
    qDebug() << "ThreadSettingsPip initialized.";
}

ThreadSettingsPip::~ThreadSettingsPip()
{
    // The loop spends its life blocked on the pipe, where quit() cannot reach
    // it: ask it to stop, wake the pipe until the thread has left, and only
    // then close the pipe under it.
    requestInterruption();
    while (!wait(20))
        pipeServer->release();
    delete pipeServer;
    pipeServer = nullptr;
}

void ThreadSettingsPip::run()
{
    while (!isInterruptionRequested()) {
        qDebug() << "ThreadSettingsPip is running waiting Asio Info...";
        PipeServer::Message buffer{};
        if (pipeServer->readMessage(buffer)) {
            qDebug() << "Received data from pipe:" << wordAt(buffer, 0) << wordAt(buffer, 1)
                     << wordAt(buffer, 2) << wordAt(buffer, 3) << wordAt(buffer, 4);
            if (wordAt(buffer, 4) != 0) {
                qDebug() << "Open Window Signal from ASIO.";
                emit progressUpdated(1);
            }
        } else {
            if (isInterruptionRequested())
                break;
            qDebug() << "No data received from pipe.";
        }
        QThread::msleep(100);
    }
}
