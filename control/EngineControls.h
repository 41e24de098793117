// SPDX-License-Identifier: MIT
#pragma once

#include "control/ControlOutcome.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QComboBox;
class Settings;

// The four audio engine settings of the settings dialog by their stable
// names. A change selects the text in the dialog's own box, so the box's
// handler applies it to the driver and stores it, as a user's choice does.
class EngineControls : public QObject
{
    Q_OBJECT

public:
    // One engine setting: its name, the dialog's box, its key in setting.ini
    // and in a snapshot's [Engine] group.
    struct Entry
    {
        const char *name;
        const char *box;
        const char *iniKey;
        const char *snapshotKey;
    };
    static const QList<Entry> &entries();
    static const Entry *find(const QString &name);

    explicit EngineControls(Settings *settings, QObject *parent = nullptr);

    QString value(const Entry &entry) const;
    QStringList allowed(const Entry &entry) const;
    QJsonObject values() const;

    // Checks the text against the box's items; usage errors list them.
    bool check(const Entry &entry, const QJsonValue &value, QString &text, QString &error) const;
    // Selects the text; refused with the dialog's failure line.
    ControlOutcome apply(const Entry &entry, const QString &text);

signals:
    void changed(const QString &name, const QJsonValue &value);

private:
    QComboBox *box(const Entry &entry) const;
    void engineApplied(const QString &key, bool accepted, const QString &failureLine);

    QPointer<Settings> settings;
    // Set while apply() runs: the outcome of the handler it started.
    const Entry *applying = nullptr;
    bool refused = false;
    QString failure;
};
