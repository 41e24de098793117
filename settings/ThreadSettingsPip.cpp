// SPDX-License-Identifier: MIT
#include "settings/ThreadSettingsPip.h"

#include "settings/AsioMessage.h"
#include "settings/PipeServer.h"

#include <QDebug>

namespace {

const QString kIncomingPipe = QStringLiteral("\\\\.\\pipe\\ZelvoroASIOToPannel");

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
            const AsioMessage message = AsioMessage::decode(buffer.data(), buffer.size());
            qDebug() << "Received data from pipe:" << message.words[0] << message.words[1] << message.words[2]
                     << message.words[3] << message.words[4];
            if (message.opensWindow()) {
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
