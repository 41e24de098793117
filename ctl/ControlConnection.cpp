// SPDX-License-Identifier: MIT
#include "ctl/ControlConnection.h"

#include "platform/ControlChannel.h"
#include "platform/NamedPipe.h"

#include <QDeadlineTimer>
#include <QJsonDocument>

ControlConnection::ControlConnection(QObject *parent) : QObject(parent) {}

bool ControlConnection::connectToProgram(int timeoutMs)
{
    const QString name = QString::fromStdString(zelvoro::platform::controlChannelName());
    socket.connectToServer(name);
    if (socket.waitForConnected(timeoutMs)) {
        // Requests may carry snapshot contents: nothing goes to a server that is not the user's program.
        std::string reason;
        if (zelvoro::platform::checkPipeServer(socket.socketDescriptor(),
                                               zelvoro::platform::PipeServerAccounts::ThisUserOnly, reason) == 0)
            return true;
        lastError = QStringLiteral("refused to talk to the server of %1: %2")
                        .arg(name, QString::fromStdString(reason));
        socket.abort();
        return false;
    }
    // Qt words a missing socket as an invalid name; say what it means here.
    const bool absent = socket.error() == QLocalSocket::ServerNotFoundError ||
                        socket.error() == QLocalSocket::ConnectionRefusedError;
    lastError = absent
                    ? QStringLiteral("Zelvoro Mixer is not running (nothing serves %1)").arg(name)
                    : QStringLiteral("cannot reach Zelvoro Mixer at %1: %2").arg(name, socket.errorString());
    socket.abort();
    return false;
}

bool ControlConnection::takeLine(QByteArray &line)
{
    const int end = buffer.indexOf('\n');
    if (end < 0)
        return false;
    line = buffer.left(end);
    buffer.remove(0, end + 1);
    return true;
}

QJsonObject ControlConnection::request(QJsonObject request, int timeoutMs)
{
    const int id = nextId++;
    request[QStringLiteral("id")] = id;
    const QByteArray line = QJsonDocument(request).toJson(QJsonDocument::Compact);
    if (line.size() > maximumLine) {
        lastError = QStringLiteral("the request is %1 bytes long, the channel takes at most %2")
                        .arg(line.size())
                        .arg(maximumLine);
        return {};
    }
    socket.write(line + '\n');
    const QDeadlineTimer deadline(timeoutMs);
    if (!socket.waitForBytesWritten(timeoutMs) && socket.bytesToWrite() > 0) {
        lastError = QStringLiteral("could not send the request: %1").arg(socket.errorString());
        return {};
    }
    while (true) {
        QByteArray answerLine;
        while (takeLine(answerLine)) {
            const QJsonObject answer = QJsonDocument::fromJson(answerLine).object();
            // Event lines of a watch and answers to other ids are not ours; an
            // answer without an id speaks of the connection (too many clients).
            const QJsonValue answerId = answer.value(QStringLiteral("id"));
            if ((answerId.isUndefined() || answerId.toInt(-1) == id) && answer.contains(QStringLiteral("ok")))
                return answer;
        }
        if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0) {
            lastError = QStringLiteral("Zelvoro Mixer closed the connection without an answer");
            return {};
        }
        if (deadline.hasExpired()) {
            lastError = QStringLiteral("Zelvoro Mixer did not answer within %1 s").arg(timeoutMs / 1000.0);
            return {};
        }
        socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        buffer += socket.readAll();
    }
}

void ControlConnection::startEvents()
{
    connect(&socket, &QLocalSocket::readyRead, this, &ControlConnection::readEvents);
    connect(&socket, &QLocalSocket::disconnected, this, &ControlConnection::closed);
    // Lines that came with the answer.
    readEvents();
    if (socket.state() != QLocalSocket::ConnectedState)
        emit closed();
}

void ControlConnection::readEvents()
{
    buffer += socket.readAll();
    QByteArray line;
    while (takeLine(line)) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (!event.isEmpty())
            emit eventReceived(event);
    }
}
