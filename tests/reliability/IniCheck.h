// SPDX-License-Identifier: MIT
#pragma once

// Reading an INI file back the way the program does, and telling whether a
// run left it whole: parseable, no torn line, no lost key, and every value
// either as before or as a clean run of the same action left it.

#include <QFile>
#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>

namespace reliability {

struct IniState
{
    bool exists = false;
    QMap<QString, QString> values;
    QString error; // empty when the file is whole
};

inline IniState readIni(const QString &path)
{
    IniState state;
    QFile file(path);
    if (!file.exists())
        return state;
    state.exists = true;
    if (!file.open(QIODevice::ReadOnly)) {
        state.error = QStringLiteral("cannot open %1").arg(path);
        return state;
    }
    const QByteArray content = file.readAll();
    // Every line QSettings writes is a section header or a key=value pair.
    for (const QByteArray &raw : content.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (!(line.startsWith('[') && line.endsWith(']')) && !line.contains('=')) {
            state.error = QStringLiteral("torn line in %1: %2").arg(path, QString::fromUtf8(line));
            return state;
        }
    }
    if (!content.isEmpty() && !content.endsWith('\n'))
        state.error = QStringLiteral("%1 does not end with a whole line").arg(path);
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        state.error =
            QStringLiteral("QSettings reports status %1 for %2").arg(int(settings.status())).arg(path);
        return state;
    }
    for (const QString &key : settings.allKeys())
        state.values.insert(key, settings.value(key).toString());
    return state;
}

// Empty when `after` is acceptable: whole, every key of `before` still
// there, each value the old one or the one a clean run produced.
inline QString compareIni(const IniState &before, const IniState &after, const IniState &clean)
{
    if (!after.error.isEmpty())
        return after.error;
    if (before.exists && !after.exists)
        return QStringLiteral("INI file disappeared");
    for (auto it = before.values.cbegin(); it != before.values.cend(); ++it) {
        if (!after.values.contains(it.key()))
            return QStringLiteral("lost key %1").arg(it.key());
        const QString now = after.values.value(it.key());
        if (now != it.value() && now != clean.values.value(it.key()))
            return QStringLiteral("key %1 holds %2, neither old %3 nor new %4")
                .arg(it.key(), now, it.value(), clean.values.value(it.key()));
    }
    for (auto it = after.values.cbegin(); it != after.values.cend(); ++it)
        if (!before.values.contains(it.key()) && clean.values.value(it.key()) != it.value())
            return QStringLiteral("new key %1 holds %2, a clean run wrote %3")
                .arg(it.key(), it.value(), clean.values.value(it.key()));
    return {};
}

} // namespace reliability
