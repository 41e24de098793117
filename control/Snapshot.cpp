// SPDX-License-Identifier: MIT
#include "control/Snapshot.h"

#include "control/EngineControls.h"
#include "control/SnapshotText.h"

#include <QDateTime>
#include <QSet>
#include <QSettings>

namespace {

const QString kModelKey = QStringLiteral("Snapshot/model");
const QString kFormatKey = QStringLiteral("Snapshot/format");
const QString kSavedKey = QStringLiteral("Snapshot/saved");

QString engineKey(const EngineControls::Entry &entry)
{
    return QStringLiteral("Engine/") + QLatin1String(entry.snapshotKey);
}

// A value as plain text: QSettings turns "a,b" into a list, which no key of ours holds.
bool plainText(const QSettings &ini, const QString &key, QString &text, QString &error)
{
    const QVariant value = ini.value(key);
    if (value.userType() != QMetaType::QString) {
        error = QStringLiteral("key %1: not a single value").arg(key);
        return false;
    }
    text = value.toString();
    return true;
}

} // namespace

bool Snapshot::readHeader(const QString &content, QString &model, QString &saved)
{
    SnapshotText text;
    QString error;
    if (!text.open(content, error))
        return false;
    QSettings &ini = text.settings();
    if (!plainText(ini, kModelKey, model, error))
        return false;
    saved = ini.value(kSavedKey).toString();
    return true;
}

bool Snapshot::read(const QString &content, const QString &connectedModel, const QList<ControlRow> &rows,
                    const EngineControls &engineControls, Snapshot &out, QString &error)
{
    SnapshotText text;
    if (!text.open(content, error))
        return false;
    QSettings &ini = text.settings();
    Snapshot snapshot;

    QString format;
    if (!ini.contains(kModelKey)) {
        error = QStringLiteral("key %1: missing (not a snapshot)").arg(kModelKey);
        return false;
    }
    if (!plainText(ini, kModelKey, snapshot.model, error))
        return false;
    if (snapshot.model != connectedModel) {
        error = QStringLiteral("key %1: the snapshot is for the %2, the connected device is a %3")
                    .arg(kModelKey, snapshot.model.left(64), connectedModel);
        return false;
    }
    if (!ini.contains(kFormatKey) || !plainText(ini, kFormatKey, format, error) ||
        format != QString::number(kFormat)) {
        error = QStringLiteral("key %1: unknown format version \"%2\" (this program reads %3)")
                    .arg(kFormatKey, format.left(64))
                    .arg(kFormat);
        return false;
    }
    snapshot.saved = ini.value(kSavedKey).toString();

    QSet<QString> known{kModelKey, kFormatKey, kSavedKey};
    for (const ControlRow &row : rows) {
        const QString key = row.iniKey();
        known.insert(key);
        if (!ini.contains(key))
            continue;
        QString value;
        int raw = 0;
        QString why;
        if (!plainText(ini, key, value, error))
            return false;
        if (!row.fromIni(value, raw, why)) {
            error = QStringLiteral("key %1 (%2): %3").arg(key, row.name(), why);
            return false;
        }
        snapshot.controls.insert(key, raw);
    }
    for (const EngineControls::Entry &entry : EngineControls::entries()) {
        const QString key = engineKey(entry);
        known.insert(key);
        if (!ini.contains(key))
            continue;
        QString value;
        if (!plainText(ini, key, value, error))
            return false;
        const QStringList allowed = engineControls.allowed(entry);
        if (!allowed.contains(value)) {
            error = QStringLiteral("key %1 (%2): \"%3\" is not one of %4")
                        .arg(key, QLatin1String(entry.name), value.left(64), allowed.join(QStringLiteral(", ")));
            return false;
        }
        snapshot.engine.insert(QLatin1String(entry.name), value);
    }
    for (const QString &key : ini.allKeys()) {
        if (!known.contains(key)) {
            error = QStringLiteral("key %1: not a key of the %2").arg(key.left(64), connectedModel);
            return false;
        }
    }
    out = snapshot;
    return true;
}

QString Snapshot::write(const QList<ControlRow> &rows) const
{
    SnapshotText text;
    QString error;
    if (!text.create(error))
        return QString();
    QSettings &ini = text.settings();
    ini.setValue(kModelKey, model);
    ini.setValue(kFormatKey, kFormat);
    ini.setValue(kSavedKey, saved);
    for (const ControlRow &row : rows) {
        if (controls.contains(row.iniKey()))
            ini.setValue(row.iniKey(), row.toIni(controls.value(row.iniKey())));
    }
    for (const EngineControls::Entry &entry : EngineControls::entries()) {
        if (engine.contains(QLatin1String(entry.name)))
            ini.setValue(engineKey(entry), engine.value(QLatin1String(entry.name)));
    }
    return text.text();
}
