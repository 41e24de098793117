// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// What one zelvoroctl invocation asks for: the request to send and how to
// present its answer, or a usage error. Parsing touches neither the channel
// nor any file.
class CommandLine
{
public:
    enum class Action
    {
        Run,
        Help,
        Version,
        Error
    };
    // --file: the client reads or writes the snapshot file itself.
    enum class FileUse
    {
        None,
        WriteAnswer,
        SendContent
    };

    // Parses the full argument list (program name first).
    static CommandLine parse(const QStringList &arguments);
    static QString helpText();

    Action action = Action::Error;
    QString error;       // for Action::Error
    QJsonObject request; // without "id"
    bool json = false;
    bool watch = false;
    FileUse fileUse = FileUse::None;
    QString file;
    int timeoutMs = 10000; // for the answer; connecting has its own short limit
};
