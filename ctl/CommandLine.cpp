// SPDX-License-Identifier: MIT
#include "ctl/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

namespace {

const char *const commandsText = R"(Drives the running Zelvoro Mixer from scripts, hotkeys and other programs.

Commands:
  status [--json]            connection, model, firmware, every control, the
                             engine settings and the last meter levels
  get NAME                   one control's value
  set NAME VALUE             change a control, exactly as its knob or button
  toggle NAME                switch a switch (48v, pad, inst, direct, mute, dim)
  watch [--json]             one line per change, whoever made it, until
                             interrupted (Ctrl+C)
  snapshot save NAME | --file PATH
  snapshot load NAME | --file PATH
  snapshot list
  snapshot delete NAME       whole-mixer presets of the connected model
  open main|settings         show the main window or the audio settings
  quit                       end Zelvoro Mixer as the tray's Quit does

Names (where the connected model has the control):
  mic1.gain mic1.48v mic1.pad mic1.inst mic1.direct (mic2.* on the KS2)
  speakers.level speakers.mute speakers.dim
  headphones.level headphones.mute headphones.dim
  phone.headphones phone.speakers
  engine.rate engine.buffer engine.latency engine.safe-mode
Values: dB for levels and gains (levels -80..6), on/off for switches, the
settings dialog's texts for the engine (44100, 256, 16, Enabled ...).

Examples:
  zelvoroctl set mic1.48v on
  zelvoroctl set speakers.level -20
  zelvoroctl toggle headphones.mute
  zelvoroctl get headphones.level
  zelvoroctl status --json | jq -r '.model'
  zelvoroctl watch --json
  zelvoroctl snapshot save podcast
  zelvoroctl snapshot load podcast
  zelvoroctl snapshot save --file ~/tracking.ini

Exit status: 0 done, 1 the device refused, 2 bad usage, name or value,
3 Zelvoro Mixer is not running (or does not answer), 4 no device connected.)";

QCommandLineOption jsonOption()
{
    return {QStringLiteral("json"),
            QStringLiteral("Print the answer (or each change) as one JSON object per line.")};
}

QCommandLineOption fileOption()
{
    return {QStringLiteral("file"),
            QStringLiteral("snapshot save/load: write or read this file instead of a named snapshot."),
            QStringLiteral("path")};
}

QCommandLineOption timeoutOption()
{
    return {QStringLiteral("timeout"), QStringLiteral("Seconds to wait for the answer (default 10)."),
            QStringLiteral("seconds")};
}

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QString::fromLatin1(commandsText));
    parser.addOption(jsonOption());
    parser.addOption(fileOption());
    parser.addOption(timeoutOption());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("One of the commands above, with its arguments."),
                                 QStringLiteral("<command> [arguments]"));
}

CommandLine failure(const QString &error)
{
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = error;
    return line;
}

bool setTimeout(CommandLine &line, const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    // Written so that NaN fails too; a millisecond is the channel's resolution.
    if (!ok || !(seconds >= 0.001 && seconds <= 3600))
        return false;
    line.timeoutMs = qRound(seconds * 1000);
    return true;
}

} // namespace

QString CommandLine::helpText()
{
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    // Everything after the command word is the command's: a value such as
    // "-20" must not be taken for an option. Options there are read below.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(arguments))
        return failure(parser.errorText());

    CommandLine line;
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        line.action = Action::Help;
        return line;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        line.action = Action::Version;
        return line;
    }
    line.json = parser.isSet(QStringLiteral("json"));
    if (parser.isSet(QStringLiteral("file")))
        line.file = parser.value(QStringLiteral("file"));
    if (parser.isSet(QStringLiteral("timeout")) && !setTimeout(line, parser.value(QStringLiteral("timeout"))))
        return failure(QStringLiteral("--timeout takes a number of seconds from 0.001 to 3600"));

    // The options that may follow the command word; a leading '-' with a digit is a value.
    static const QRegularExpression number(QStringLiteral("^-[0-9.]"));
    QStringList words;
    bool optionsEnded = false;
    const QStringList rest = parser.positionalArguments();
    for (int i = 0; i < rest.size(); ++i) {
        const QString &word = rest.at(i);
        if (optionsEnded || !word.startsWith(QLatin1Char('-')) || number.match(word).hasMatch()) {
            words << word;
        } else if (word == QLatin1String("--")) {
            optionsEnded = true;
        } else if (word == QLatin1String("--json")) {
            line.json = true;
        } else if (word == QLatin1String("-h") || word == QLatin1String("--help") ||
                   word == QLatin1String("-?")) {
            line.action = Action::Help;
            return line;
        } else if (word.startsWith(QLatin1String("--file=")) ||
                   word.startsWith(QLatin1String("--timeout="))) {
            const QString value = word.section(QLatin1Char('='), 1);
            if (word.startsWith(QLatin1String("--file=")))
                line.file = value;
            else if (!setTimeout(line, value))
                return failure(QStringLiteral("--timeout takes a number of seconds from 0.001 to 3600"));
        } else if (word == QLatin1String("--file") || word == QLatin1String("--timeout")) {
            if (i + 1 >= rest.size())
                return failure(QStringLiteral("Missing value after '%1'.").arg(word));
            const QString value = rest.at(++i);
            if (word == QLatin1String("--file"))
                line.file = value;
            else if (!setTimeout(line, value))
                return failure(QStringLiteral("--timeout takes a number of seconds from 0.001 to 3600"));
        } else {
            return failure(QStringLiteral("Unknown option '%1'.").arg(word));
        }
    }
    if (words.isEmpty())
        return failure(QStringLiteral("No command given; see zelvoroctl --help."));

    const QString command = words.takeFirst();
    auto expect = [&](int count, const QString &usage) {
        return words.size() == count ? QString() : QStringLiteral("usage: zelvoroctl %1").arg(usage);
    };
    QString usageError;
    QJsonObject &request = line.request;
    if (command == QLatin1String("status") || command == QLatin1String("quit")) {
        usageError = expect(0, command);
        request[QStringLiteral("cmd")] = command;
    } else if (command == QLatin1String("watch")) {
        usageError = expect(0, command);
        request[QStringLiteral("cmd")] = command;
        line.watch = true;
    } else if (command == QLatin1String("get") || command == QLatin1String("toggle")) {
        usageError = expect(1, command + QStringLiteral(" NAME"));
        request[QStringLiteral("cmd")] = command;
        request[QStringLiteral("name")] = words.value(0);
    } else if (command == QLatin1String("set")) {
        usageError = expect(2, QStringLiteral("set NAME VALUE"));
        request[QStringLiteral("cmd")] = command;
        request[QStringLiteral("name")] = words.value(0);
        // Sent as typed; the program checks it against the control's type and range.
        request[QStringLiteral("value")] = words.value(1);
    } else if (command == QLatin1String("open")) {
        usageError = expect(1, QStringLiteral("open main|settings"));
        if (usageError.isEmpty() && words.at(0) != QLatin1String("main") &&
            words.at(0) != QLatin1String("settings"))
            usageError = QStringLiteral("open takes main or settings, not '%1'").arg(words.at(0));
        request[QStringLiteral("cmd")] = command;
        request[QStringLiteral("window")] = words.value(0);
    } else if (command == QLatin1String("snapshot")) {
        const QString what = words.isEmpty() ? QString() : words.takeFirst();
        const bool withFile = !line.file.isEmpty();
        if (what == QLatin1String("save") || what == QLatin1String("load")) {
            const QString usage = QStringLiteral("snapshot %1 NAME | snapshot %1 --file PATH").arg(what);
            usageError = expect(withFile ? 0 : 1, usage);
            request[QStringLiteral("cmd")] = QStringLiteral("snapshot-") + what;
            if (!withFile)
                request[QStringLiteral("name")] = words.value(0);
            else
                line.fileUse = what == QLatin1String("save") ? FileUse::WriteAnswer : FileUse::SendContent;
        } else if (what == QLatin1String("list")) {
            usageError = expect(0, QStringLiteral("snapshot list"));
            request[QStringLiteral("cmd")] = QStringLiteral("snapshot-list");
        } else if (what == QLatin1String("delete")) {
            usageError = expect(1, QStringLiteral("snapshot delete NAME"));
            request[QStringLiteral("cmd")] = QStringLiteral("snapshot-delete");
            request[QStringLiteral("name")] = words.value(0);
        } else {
            usageError = QStringLiteral("usage: zelvoroctl snapshot save|load|list|delete ...");
        }
        if (usageError.isEmpty() && withFile && line.fileUse == FileUse::None)
            usageError = QStringLiteral("--file is for snapshot save and snapshot load");
    } else {
        return failure(QStringLiteral("Unknown command '%1'; see zelvoroctl --help.").arg(command));
    }
    if (usageError.isEmpty() && !line.file.isEmpty() && command != QLatin1String("snapshot"))
        usageError = QStringLiteral("--file is for snapshot save and snapshot load");
    if (!usageError.isEmpty())
        return failure(usageError);
    line.action = Action::Run;
    return line;
}
