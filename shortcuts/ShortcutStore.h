// SPDX-License-Identifier: MIT
#pragma once

#include <QKeySequence>
#include <QMap>
#include <QString>

// The user's global keys in shortcuts.ini beside the other INI files: one
// line per bound action in [Shortcuts], the action's name as key and the
// key's portable text as value (speakers.dim=Ctrl+Alt+D).
class ShortcutStore
{
public:
    // The data folder's file by default.
    explicit ShortcutStore(const QString &path = QString());

    QString path() const { return filePath; }
    // Every line that names an action and one key; any other line is logged and skipped.
    QMap<QString, QKeySequence> load() const;
    // An empty key takes the action's line out.
    void set(const QString &action, const QKeySequence &key);

    // A single key with at most Shift, Ctrl, Alt and Meta; empty for anything else.
    static QKeySequence parse(const QString &text);

private:
    QString filePath;
};
