// SPDX-License-Identifier: MIT
#include "ctl/ControlClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <csignal>
#include <cstdio>

namespace {

// Connecting to a local channel is immediate when the program runs; the
// limit only covers a program too busy to accept.
constexpr int connectTimeoutMs = 3000;
// A snapshot file is a few hundred bytes; anything near the line limit is not one.
constexpr qint64 largestSnapshotFile = 32 * 1024;

volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterrupt(int)
{
    interrupted = 1;
}

void print(const QString &text)
{
    if (text.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

ControlClient::ControlClient(const CommandLine &command, QObject *parent)
    : QObject(parent), command(command), formatter(command.json)
{
}

ExitStatus ControlClient::fail(ExitStatus status, const QString &message)
{
    const QByteArray bytes = QStringLiteral("zelvoroctl: %1\n").arg(message).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    return status;
}

ExitStatus ControlClient::failedAnswer(const QJsonObject &answer)
{
    const QString code = answer.value(QStringLiteral("code")).toString();
    QString error = answer.value(QStringLiteral("error")).toString();
    // The program never saw the path, only the text: a refused text is named here.
    if (command.fileUse == CommandLine::FileUse::SendContent && code == QLatin1String("usage"))
        error = QStringLiteral("%1: %2").arg(command.file, error);
    if (command.json)
        print(formatter.answer(command.request.value(QStringLiteral("cmd")).toString(), answer));
    if (code == QLatin1String("usage"))
        return fail(ExitStatus::BadUsage, error);
    if (code == QLatin1String("no-device"))
        return fail(ExitStatus::NoDevice, error);
    return fail(ExitStatus::Refused, error);
}

ExitStatus ControlClient::run()
{
    QJsonObject request = command.request;
    if (command.fileUse == CommandLine::FileUse::SendContent) {
        // The program never opens a path a client names: the content travels.
        QFile file(command.file);
        if (!file.open(QIODevice::ReadOnly))
            return fail(ExitStatus::BadUsage,
                        QStringLiteral("cannot read %1: %2").arg(command.file, file.errorString()));
        if (file.size() > largestSnapshotFile)
            return fail(ExitStatus::BadUsage, QStringLiteral("%1 is %2 bytes, too large for a snapshot")
                                                  .arg(command.file)
                                                  .arg(file.size()));
        request[QStringLiteral("content")] = QString::fromUtf8(file.readAll());
        // Escaping can make the line much longer than the file; the id adds a few bytes.
        const qsizetype line = QJsonDocument(request).toJson(QJsonDocument::Compact).size() + 16;
        if (line > ControlConnection::maximumLine)
            return fail(ExitStatus::BadUsage,
                        QStringLiteral("%1 makes a request of %2 bytes, the channel takes at most %3")
                            .arg(command.file)
                            .arg(line)
                            .arg(ControlConnection::maximumLine));
    }

    if (!connection.connectToProgram(connectTimeoutMs))
        return fail(ExitStatus::NotRunning, connection.error());
    const QJsonObject answer = connection.request(request, command.timeoutMs);
    if (answer.isEmpty())
        return fail(ExitStatus::NotRunning, connection.error());
    if (!answer.value(QStringLiteral("ok")).toBool())
        return failedAnswer(answer);
    if (command.watch)
        return watch();

    if (command.fileUse == CommandLine::FileUse::WriteAnswer) {
        QSaveFile file(command.file);
        const QByteArray content = answer.value(QStringLiteral("content")).toString().toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
            return fail(ExitStatus::BadUsage,
                        QStringLiteral("cannot write %1: %2").arg(command.file, file.errorString()));
        if (!command.json)
            print(QStringLiteral("snapshot saved: %1\n").arg(command.file));
    }
    print(formatter.answer(request.value(QStringLiteral("cmd")).toString(), answer));
    return ExitStatus::Done;
}

ExitStatus ControlClient::watch()
{
    ExitStatus status = ExitStatus::Done;
    QEventLoop loop;
    connect(&connection, &ControlConnection::eventReceived, this,
            [this](const QJsonObject &event) { print(formatter.event(event)); });
    connect(&connection, &ControlConnection::closed, &loop, [&] {
        status = fail(ExitStatus::NotRunning, QStringLiteral("Zelvoro Mixer ended the connection"));
        loop.quit();
    });
    // The handler only raises a flag; the loop looks at it, so the socket is
    // closed in the ordinary way and the output is whole.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    QTimer interruptCheck;
    connect(&interruptCheck, &QTimer::timeout, &loop, [&] {
        if (interrupted)
            loop.quit();
    });
    interruptCheck.start(50);
    connection.startEvents();
    if (status == ExitStatus::Done)
        loop.exec();
    return status;
}
