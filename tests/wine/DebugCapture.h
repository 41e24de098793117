// SPDX-License-Identifier: MIT
// Collects the Qt debug log of the code under test while it is alive, one
// line per message, exactly as the code wrote it: the handler receives the
// message text before any platform output (stderr or the debugger) and its
// code page come into play.
#pragma once

#include <QMessageLogContext>
#include <QString>
#include <QtGlobal>

#include <mutex>
#include <string>

class DebugCapture
{
public:
    DebugCapture() : previous(qInstallMessageHandler(&DebugCapture::handler))
    {
        std::lock_guard<std::mutex> guard(lock());
        active() = this;
    }
    ~DebugCapture()
    {
        qInstallMessageHandler(previous);
        std::lock_guard<std::mutex> guard(lock());
        active() = nullptr;
    }
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    // The messages in UTF-8, each ended by a newline.
    std::string text() const
    {
        std::lock_guard<std::mutex> guard(lock());
        return collected;
    }

private:
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        std::lock_guard<std::mutex> guard(lock());
        if (active())
            active()->collected += message.toStdString() + '\n';
    }
    static DebugCapture *&active()
    {
        static DebugCapture *current = nullptr;
        return current;
    }
    static std::mutex &lock()
    {
        static std::mutex mutex;
        return mutex;
    }

    QtMessageHandler previous;
    std::string collected;
};
