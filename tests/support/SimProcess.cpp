// SPDX-License-Identifier: MIT
#include "SimProcess.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QFile>
#include <QJsonDocument>

SimProcess::SimProcess(const QStringList &arguments) : arguments(arguments)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setReadChannel(QProcess::StandardOutput);
}

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::executable()
{
    return QStringLiteral(ZELVORO_SIM_PATH);
}

QString SimProcess::journalPath() const
{
    return dir.filePath(QStringLiteral("journal.jsonl"));
}

bool SimProcess::start(int timeoutMs)
{
    QStringList args = arguments;
    args << QStringLiteral("--journal") << journalPath();
    process.start(executable(), args);
    // A test that cannot start the simulator reports why, not a later symptom.
    const auto failed = [this] {
        qWarning().noquote() << "zelvoro-sim did not start:" << process.errorString() << "exit"
                             << process.exitCode() << pendingOutput + QString::fromUtf8(process.readAllStandardError());
        return false;
    };
    if (!process.waitForStarted(timeoutMs))
        return failed();
    // The simulator prints "ready" once its sockets accept connections.
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            if (line == QLatin1String("ready"))
                return true;
            pendingOutput += line + QLatin1Char('\n');
        }
        if (process.state() != QProcess::Running)
            return failed();
        process.waitForReadyRead(50);
    }
    return failed();
}

QString SimProcess::command(const QString &line, int timeoutMs)
{
    if (process.state() != QProcess::Running)
        return QStringLiteral("error simulator not running");
    process.write(line.toUtf8() + '\n');
    process.waitForBytesWritten(timeoutMs);
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        while (process.canReadLine()) {
            const QString answer = QString::fromUtf8(process.readLine()).trimmed();
            if (answer.startsWith(QLatin1String("ok")) || answer.startsWith(QLatin1String("error")))
                return answer;
            pendingOutput += answer + QLatin1Char('\n');
        }
        if (!process.waitForReadyRead(50) && process.state() != QProcess::Running)
            break;
    }
    return QStringLiteral("error no answer");
}

QString SimProcess::output()
{
    while (process.canReadLine())
        pendingOutput += QString::fromUtf8(process.readLine());
    pendingOutput += QString::fromUtf8(process.readAll());
    QString out = pendingOutput;
    pendingOutput.clear();
    return out;
}

void SimProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.write("quit\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(3000)) {
        process.terminate();
        if (!process.waitForFinished(2000))
            process.kill();
        process.waitForFinished(1000);
    }
}

QList<QJsonObject> SimProcess::journal() const
{
    QList<QJsonObject> records;
    QFile file(journalPath());
    if (!file.open(QIODevice::ReadOnly))
        return records;
    int index = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        if (index++ < journalSkip)
            continue;
        records << QJsonDocument::fromJson(line).object();
    }
    return records;
}

QList<QJsonObject> SimProcess::journalSince(int mark) const
{
    return journal().mid(mark);
}

void SimProcess::clearJournal()
{
    journalSkip += static_cast<int>(journal().size());
}
