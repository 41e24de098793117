// SPDX-License-Identifier: MIT
#pragma once

#include "control/ControlOutcome.h"
#include "control/ControlRow.h"

#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class DevicePanel;
class EngineControls;
class QWidget;

// The connected device as the control channel sees it: the panel's controls
// by the names in its key table, and the engine settings. Every change goes
// through the control's own setter; the outcome comes from the panel's
// controlApplied. Reports each applied change and each connection change.
class MixerControls : public QObject
{
    Q_OBJECT

public:
    explicit MixerControls(EngineControls *engine, QObject *parent = nullptr);

    bool isConnected() const { return !panel.isNull(); }
    QString model() const { return isConnected() ? modelName : QString(); }
    QList<ControlRow> rows() const;
    const ControlRow *row(const QList<ControlRow> &rows, const QString &name) const;
    EngineControls *engineControls() const { return engine; }

    QJsonObject status() const;
    ControlOutcome get(const QString &name) const;
    ControlOutcome set(const QString &name, const QJsonValue &value);
    ControlOutcome toggle(const QString &name);
    // Applies one raw value through the row's control; refused with the panel's failure line.
    ControlOutcome applyRow(const ControlRow &row, int raw);

public slots:
    // From the main window: a ready device's panel, or null when it is gone.
    void setDevice(QWidget *panel, const QString &model, const QString &firmware);

signals:
    void changed(const QString &name, const QJsonValue &value);
    void connectionChanged(bool connected, const QString &model, const QString &firmware);

private:
    ControlOutcome unknownName(const QString &name) const;
    void controlApplied(QObject *control, bool accepted, const QString &failureLine);

    EngineControls *engine;
    QPointer<DevicePanel> panel;
    QString modelName;
    QString firmware;
    // Set while applyRow runs: the control it changes and how its handler ended.
    QObject *applying = nullptr;
    bool refused = false;
    QString failure;
    // The value each control was last reported with.
    QHash<const QObject *, QJsonValue> reported;
};
