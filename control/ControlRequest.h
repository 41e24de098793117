// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonValue>
#include <QString>

// One request of the control channel, as the parser checked it: the command
// is known and each argument it needs has the right JSON type.
struct ControlRequest
{
    enum class Command {
        Version,
        Status,
        Get,
        Set,
        Toggle,
        Watch,
        SnapshotSave,
        SnapshotLoad,
        SnapshotList,
        SnapshotDelete,
        Open,
        Quit,
    };

    // Echoed as it came; undefined when the request had none.
    QJsonValue id = QJsonValue(QJsonValue::Undefined);
    Command command = Command::Status;
    // A control or snapshot name (empty when the command takes none).
    QString name;
    // The value of a set: an integer, a string or a boolean.
    QJsonValue value;
    // Snapshot file text given by the client; hasContent tells an empty text from none.
    QString content;
    bool hasContent = false;
    // "main" or "settings" for open.
    QString window;
};
