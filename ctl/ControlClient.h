// SPDX-License-Identifier: MIT
#pragma once

#include "ctl/CommandLine.h"
#include "ctl/ControlConnection.h"
#include "ctl/ExitStatus.h"
#include "ctl/OutputFormatter.h"

#include <QObject>
#include <QTimer>

// Carries out one parsed command against the running program: reads or
// writes a --file snapshot itself, sends the request, prints the answer and
// gives the exit status. A watch runs the event loop until Ctrl+C, SIGTERM or
// the program's end.
class ControlClient : public QObject
{
    Q_OBJECT

public:
    explicit ControlClient(const CommandLine &command, QObject *parent = nullptr);

    ExitStatus run();

private:
    ExitStatus fail(ExitStatus status, const QString &message);
    ExitStatus failedAnswer(const QJsonObject &answer);
    ExitStatus watch();

    CommandLine command;
    OutputFormatter formatter;
    ControlConnection connection;
};
