// SPDX-License-Identifier: MIT
#include "control/ControlRequestParser.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <array>
#include <utility>

namespace {

using Command = ControlRequest::Command;

const std::array<std::pair<const char *, Command>, 12> kCommands = {{
    {"version", Command::Version},
    {"status", Command::Status},
    {"get", Command::Get},
    {"set", Command::Set},
    {"toggle", Command::Toggle},
    {"watch", Command::Watch},
    {"snapshot-save", Command::SnapshotSave},
    {"snapshot-load", Command::SnapshotLoad},
    {"snapshot-list", Command::SnapshotList},
    {"snapshot-delete", Command::SnapshotDelete},
    {"open", Command::Open},
    {"quit", Command::Quit},
}};

// Reads an optional string argument; false (with the error) when it is there but not a string.
bool readString(const QJsonObject &object, const char *field, QString &out, bool &present, QString &error)
{
    const QJsonValue value = object.value(QLatin1String(field));
    present = !value.isUndefined();
    if (!present)
        return true;
    if (!value.isString()) {
        error = QStringLiteral("\"%1\" must be a string").arg(QLatin1String(field));
        return false;
    }
    out = value.toString();
    return true;
}

bool requireString(const QJsonObject &object, const char *field, QString &out, QString &error)
{
    bool present = false;
    if (!readString(object, field, out, present, error))
        return false;
    if (!present || out.isEmpty()) {
        error = QStringLiteral("missing \"%1\"").arg(QLatin1String(field));
        return false;
    }
    return true;
}

} // namespace

QString ControlRequestParser::commandName(ControlRequest::Command command)
{
    for (const auto &entry : kCommands) {
        if (entry.second == command)
            return QLatin1String(entry.first);
    }
    return QString();
}

ControlRequestParser::Result ControlRequestParser::parse(const QByteArray &line)
{
    Result result;
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error = QStringLiteral("malformed JSON at offset %1: %2")
                           .arg(parseError.offset)
                           .arg(parseError.errorString());
        return result;
    }
    if (!document.isObject()) {
        result.error = QStringLiteral("a request must be a JSON object");
        return result;
    }
    const QJsonObject object = document.object();
    ControlRequest &request = result.request;
    request.id = object.value(QLatin1String("id"));

    const QJsonValue cmd = object.value(QLatin1String("cmd"));
    if (!cmd.isString()) {
        result.error = cmd.isUndefined() ? QStringLiteral("missing \"cmd\"") : QStringLiteral("\"cmd\" must be a string");
        return result;
    }
    const QString cmdText = cmd.toString();
    bool known = false;
    for (const auto &entry : kCommands) {
        if (cmdText == QLatin1String(entry.first)) {
            request.command = entry.second;
            known = true;
            break;
        }
    }
    if (!known) {
        result.error = QStringLiteral("unknown command \"%1\"").arg(cmdText.left(64));
        return result;
    }

    QString &error = result.error;
    bool present = false;
    switch (request.command) {
    case Command::Get:
    case Command::Toggle:
    case Command::SnapshotDelete:
        if (!requireString(object, "name", request.name, error))
            return result;
        break;
    case Command::Set: {
        if (!requireString(object, "name", request.name, error))
            return result;
        request.value = object.value(QLatin1String("value"));
        if (request.value.isUndefined()) {
            error = QStringLiteral("missing \"value\"");
            return result;
        }
        if (!request.value.isDouble() && !request.value.isString() && !request.value.isBool()) {
            error = QStringLiteral("\"value\" must be a number, a string or a boolean");
            return result;
        }
        break;
    }
    case Command::SnapshotSave:
        if (!readString(object, "name", request.name, present, error))
            return result;
        if (present && request.name.isEmpty()) {
            error = QStringLiteral("empty snapshot name");
            return result;
        }
        break;
    case Command::SnapshotLoad: {
        bool hasName = false;
        if (!readString(object, "name", request.name, hasName, error) ||
            !readString(object, "content", request.content, request.hasContent, error))
            return result;
        if (hasName == request.hasContent) {
            error = QStringLiteral("snapshot-load takes either \"name\" or \"content\"");
            return result;
        }
        if (hasName && request.name.isEmpty()) {
            error = QStringLiteral("empty snapshot name");
            return result;
        }
        break;
    }
    case Command::Open:
        if (!requireString(object, "window", request.window, error))
            return result;
        if (request.window != QLatin1String("main") && request.window != QLatin1String("settings")) {
            error = QStringLiteral("unknown window \"%1\" (main or settings)").arg(request.window.left(64));
            return result;
        }
        break;
    case Command::Version:
    case Command::Status:
    case Command::Watch:
    case Command::SnapshotList:
    case Command::Quit:
        break;
    }
    result.ok = true;
    return result;
}
