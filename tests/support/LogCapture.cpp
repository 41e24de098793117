// SPDX-License-Identifier: MIT
#include "LogCapture.h"

#include <QList>
#include <QMutex>
#include <QPair>

#include <iostream>

namespace {
QMutex mutex;
QList<QPair<QtMsgType, QString>> captured;
LogCapture *active = nullptr;
} // namespace

LogCapture::LogCapture()
    : previous(qInstallMessageHandler(&LogCapture::handler)), oldOut(std::cout.rdbuf(out.rdbuf())),
      oldWout(std::wcout.rdbuf(wout.rdbuf())), oldErr(std::cerr.rdbuf(err.rdbuf()))
{
    QMutexLocker lock(&mutex);
    captured.clear();
    active = this;
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previous);
    std::cout.rdbuf(oldOut);
    std::wcout.rdbuf(oldWout);
    std::cerr.rdbuf(oldErr);
    QMutexLocker lock(&mutex);
    active = nullptr;
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&mutex);
    captured.append({type, message});
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&mutex);
    QStringList result;
    for (const auto &entry : captured)
        result << entry.second;
    return result;
}

QStringList LogCapture::lines(QtMsgType type) const
{
    QMutexLocker lock(&mutex);
    QStringList result;
    for (const auto &entry : captured)
        if (entry.first == type)
            result << entry.second;
    return result;
}

bool LogCapture::contains(const QString &text) const
{
    return count(text) > 0;
}

int LogCapture::count(const QString &text) const
{
    int n = 0;
    for (const QString &line : lines())
        if (line.contains(text))
            ++n;
    return n;
}

void LogCapture::clear()
{
    QMutexLocker lock(&mutex);
    captured.clear();
    out.str({});
    wout.str({});
    err.str({});
}

QString LogCapture::stdOut() const
{
    return QString::fromStdString(out.str()) + QString::fromStdWString(wout.str());
}

QString LogCapture::stdErr() const
{
    return QString::fromStdString(err.str());
}
