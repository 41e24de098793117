// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>
#include <QtGlobal>

#include <sstream>

// Collects what the code under test writes to the Qt log and to the standard
// C++ streams (std::cout, std::wcout, std::cerr) while it is alive.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // Qt log lines as the default handler would print them ("message value value").
    QStringList lines() const;
    // Only the lines of one type (QtDebugMsg, QtWarningMsg, ...).
    QStringList lines(QtMsgType type) const;
    bool contains(const QString &text) const;   // any Qt line containing `text`
    int count(const QString &text) const;       // how many Qt lines contain `text`
    void clear();

    QString stdOut() const;   // std::cout and std::wcout together
    QString stdErr() const;

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message);
    QtMessageHandler previous;
    std::ostringstream out;
    std::wostringstream wout;
    std::ostringstream err;
    std::streambuf *oldOut;
    std::wstreambuf *oldWout;
    std::streambuf *oldErr;
};
