// SPDX-License-Identifier: MIT
#include "control/MixerControls.h"

#include "control/EngineControls.h"
#include "panels/DevicePanel.h"

#include <QDebug>
#include <QJsonArray>

MixerControls::MixerControls(EngineControls *engine, QObject *parent) : QObject(parent), engine(engine)
{
    connect(engine, &EngineControls::changed, this, &MixerControls::changed);
}

void MixerControls::setDevice(QWidget *widget, const QString &model, const QString &deviceFirmware)
{
    if (panel)
        disconnect(panel, nullptr, this, nullptr);
    panel = qobject_cast<DevicePanel *>(widget);
    modelName = panel ? model : QString();
    firmware = panel ? deviceFirmware : QString();
    if (panel) {
        connect(panel, &DevicePanel::controlApplied, this, &MixerControls::controlApplied);
        // A panel that goes without a teardown (the window closing) counts as gone.
        connect(panel, &QObject::destroyed, this, [this] { emit connectionChanged(false, QString(), QString()); });
    }
    reported.clear();
    emit connectionChanged(isConnected(), modelName, firmware);
    // The panel replayed its stored state while it started, before it could be
    // watched: report the replay now, in table order.
    for (const ControlRow &row : rows()) {
        reported.insert(row.control(), row.shown());
        emit changed(row.name(), row.shown());
    }
}

QList<ControlRow> MixerControls::rows() const
{
    QList<ControlRow> list;
    if (panel) {
        for (const DevicePanel::StateKey &key : panel->stateKeys())
            list.append(ControlRow(key));
    }
    return list;
}

const ControlRow *MixerControls::row(const QList<ControlRow> &rows, const QString &name) const
{
    for (const ControlRow &candidate : rows) {
        if (candidate.name() == name)
            return &candidate;
    }
    return nullptr;
}

QJsonObject MixerControls::status() const
{
    QJsonObject object{{QStringLiteral("connected"), isConnected()},
                       {QStringLiteral("model"), isConnected() ? QJsonValue(modelName) : QJsonValue()},
                       {QStringLiteral("firmware"), isConnected() ? QJsonValue(firmware) : QJsonValue()},
                       {QStringLiteral("engine"), engine->values()}};
    if (!isConnected())
        return object;
    QJsonArray controls;
    for (const ControlRow &row : rows()) {
        controls.append(QJsonObject{{QStringLiteral("name"), row.name()},
                                    {QStringLiteral("value"), row.shown()},
                                    {QStringLiteral("unit"), row.unit()},
                                    {QStringLiteral("min"), row.shownMinimum()},
                                    {QStringLiteral("max"), row.shownMaximum()}});
    }
    object.insert(QStringLiteral("controls"), controls);
    object.insert(QStringLiteral("meters"), QJsonObject::fromVariantMap(panel->meterLevels()));
    return object;
}

ControlOutcome MixerControls::unknownName(const QString &name) const
{
    if (!isConnected())
        return ControlOutcome::failure(ControlOutcome::Code::NoDevice, QStringLiteral("no device connected"));
    QStringList names;
    for (const ControlRow &row : rows())
        names << row.name();
    for (const EngineControls::Entry &entry : EngineControls::entries())
        names << QLatin1String(entry.name);
    return ControlOutcome::failure(ControlOutcome::Code::Usage,
                                   QStringLiteral("the %1 has no control \"%2\"; its names: %3")
                                       .arg(modelName, name.left(64), names.join(QStringLiteral(" "))));
}

ControlOutcome MixerControls::get(const QString &name) const
{
    if (!isConnected())
        return unknownName(name);
    if (const EngineControls::Entry *entry = EngineControls::find(name))
        return ControlOutcome::success({{QStringLiteral("name"), name}, {QStringLiteral("value"), engine->value(*entry)}});
    const QList<ControlRow> list = rows();
    const ControlRow *found = row(list, name);
    if (!found)
        return unknownName(name);
    return ControlOutcome::success({{QStringLiteral("name"), name}, {QStringLiteral("value"), found->shown()}});
}

ControlOutcome MixerControls::set(const QString &name, const QJsonValue &value)
{
    if (!isConnected())
        return unknownName(name);
    QString error;
    if (const EngineControls::Entry *entry = EngineControls::find(name)) {
        QString text;
        if (!engine->check(*entry, value, text, error))
            return ControlOutcome::failure(ControlOutcome::Code::Usage, error);
        return engine->apply(*entry, text);
    }
    const QList<ControlRow> list = rows();
    const ControlRow *found = row(list, name);
    if (!found)
        return unknownName(name);
    int raw = 0;
    if (!found->fromJson(value, raw, error))
        return ControlOutcome::failure(ControlOutcome::Code::Usage, error);
    return applyRow(*found, raw);
}

ControlOutcome MixerControls::toggle(const QString &name)
{
    if (!isConnected())
        return unknownName(name);
    const QList<ControlRow> list = rows();
    const ControlRow *found = row(list, name);
    if (!found && !EngineControls::find(name))
        return unknownName(name);
    if (!found || !found->isSwitch())
        return ControlOutcome::failure(ControlOutcome::Code::Usage,
                                       QStringLiteral("%1 is not a switch; toggle takes an on/off control").arg(name));
    return applyRow(*found, found->raw() ? 0 : 1);
}

ControlOutcome MixerControls::applyRow(const ControlRow &row, int raw)
{
    applying = row.control();
    refused = false;
    failure.clear();
    row.apply(raw);
    applying = nullptr;
    if (refused)
        return ControlOutcome::failure(ControlOutcome::Code::Refused, failure);
    return ControlOutcome::success({{QStringLiteral("name"), row.name()}, {QStringLiteral("value"), row.shown()}});
}

void MixerControls::controlApplied(QObject *control, bool accepted, const QString &failureLine)
{
    if (applying && !accepted && !refused) {
        refused = true;
        failure = failureLine;
    }
    if (!accepted)
        return;
    for (const ControlRow &row : rows()) {
        if (row.control() != control)
            continue;
        // A mute or dim sends its output's level again through the level's
        // handler: that knob did not change and is not reported. A change a
        // client asked for is reported even when it set the value it had.
        const QJsonValue value = row.shown();
        if (control != applying && reported.value(control) == value)
            return;
        reported.insert(control, value);
        emit changed(row.name(), value);
        return;
    }
}
