// SPDX-License-Identifier: MIT
#include "settings/ThreadSettingsPip.h"

#include "settings/AsioMessage.h"
#include "settings/PipeServer.h"

#include "platform/WinError.h"

#include <QDeadlineTimer>
#include <QDebug>

namespace {

const QString kIncomingPipe = QStringLiteral("\\\\.\\pipe\\ZelvoroASIOToPannel");
constexpr int kMaxRetryDelayMs = 30000;

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

// Another process held the name: wait it out with back-off instead of failing
// every pass, with one line when the retries start and one when the pipe is
// ours. False when the thread is asked to stop first.
bool ThreadSettingsPip::createAgain()
{
    using zelvoro::platform::winerror::Success;
    std::uint32_t error = pipeServer->retryCreatePipe();
    int attempts = 1;
    if (error != Success)
        qDebug().noquote() << QStringLiteral("%1 could not be created (error %2): retrying after %3 ms, doubling up to "
                                             "%4 ms.")
                                  .arg(kIncomingPipe)
                                  .arg(error)
                                  .arg(retryDelayMs)
                                  .arg(kMaxRetryDelayMs);
    for (int delay = retryDelayMs; error != Success; delay = qMin(delay * 2, kMaxRetryDelayMs)) {
        const QDeadlineTimer due(delay);
        while (!due.hasExpired()) {
            if (isInterruptionRequested())
                return false;
            QThread::msleep(static_cast<unsigned long>(qBound(qint64(1), due.remainingTime(), qint64(50))));
        }
        error = pipeServer->retryCreatePipe();
        ++attempts;
    }
    qDebug().noquote() << QStringLiteral("%1 created after %2 attempts: serving it again.").arg(kIncomingPipe).arg(attempts);
    return true;
}

void ThreadSettingsPip::run()
{
    while (!isInterruptionRequested()) {
        if (!pipeServer->isCreated() && !createAgain())
            break;
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
