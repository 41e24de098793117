// SPDX-License-Identifier: MIT
// zelvoroctl: the running Zelvoro Mixer from scripts, hotkeys and other programs.
#include "ctl/CommandLine.h"
#include "ctl/ControlClient.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelvoroctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELVORO_VERSION));

    const CommandLine command = CommandLine::parse(QCoreApplication::arguments());
    switch (command.action) {
    case CommandLine::Action::Help:
        std::fputs(qPrintable(CommandLine::helpText()), stdout);
        return static_cast<int>(ExitStatus::Done);
    case CommandLine::Action::Version:
        std::printf("zelvoroctl %s\n", ZELVORO_VERSION);
        return static_cast<int>(ExitStatus::Done);
    case CommandLine::Action::Error:
        std::fprintf(stderr, "zelvoroctl: %s\n", qPrintable(command.error));
        return static_cast<int>(ExitStatus::BadUsage);
    case CommandLine::Action::Run:
        break;
    }
    ControlClient client(command);
    return static_cast<int>(client.run());
}
