// SPDX-License-Identifier: MIT
#pragma once

#include "panels/DevicePanel.h"

#include <QJsonValue>
#include <QString>
#include <QVariant>

// One row of a panel's key table seen from the control channel: converts
// between the control's raw value (what the INI file holds), the value as
// the control shows it (dB, "on"/"off") and JSON, and applies a raw value
// through the control's own setter so that its handler runs.
class ControlRow
{
public:
    explicit ControlRow(const DevicePanel::StateKey &key);

    QString name() const { return QLatin1String(key.name); }
    QString iniKey() const { return QLatin1String(key.key); }
    QString unit() const { return QLatin1String(key.unit); }
    bool isSwitch() const { return key.button != nullptr; }
    QObject *control() const;

    int raw() const;
    QJsonValue shown() const { return shown(raw()); }
    QJsonValue shown(int raw) const;
    // The range of shown values (a gain knob with an offset also shows 0).
    int shownMinimum() const;
    int shownMaximum() const;
    QString rangeText() const;

    // A client's value; false with the reason (the range, the texts) when it does not fit.
    bool fromJson(const QJsonValue &value, int &raw, QString &error) const;
    // A snapshot file's text, as the model's INI file holds it.
    bool fromIni(const QString &text, int &raw, QString &error) const;
    QVariant toIni(int raw) const;

    // Through Knob::setValue or Button::setStatus: the control's handler sends and stores it.
    void apply(int raw) const;

private:
    bool fromShown(qint64 shownValue, int &raw, QString &error) const;

    DevicePanel::StateKey key;
};
