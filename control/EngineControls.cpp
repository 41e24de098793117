// SPDX-License-Identifier: MIT
#include "control/EngineControls.h"

#include "settings/Settings.h"

#include <QComboBox>

const QList<EngineControls::Entry> &EngineControls::entries()
{
    // Rate before buffer before latency: a smaller buffer lowers the latency
    // through its own handler, a larger latency needs its buffer first.
    static const QList<Entry> table = {
        {"engine.rate", "sampleRateBox", "Audio/SampleRate", "SampleRate"},
        {"engine.buffer", "bufferSizeBox", "Audio/BufferSize", "BufferSize"},
        {"engine.latency", "latencyBox", "USB/LatencySize", "LatencySize"},
        {"engine.safe-mode", "safeModeBox", "USB/SlowMode", "SlowMode"},
    };
    return table;
}

const EngineControls::Entry *EngineControls::find(const QString &name)
{
    for (const Entry &entry : entries()) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

EngineControls::EngineControls(Settings *settings, QObject *parent) : QObject(parent), settings(settings)
{
    if (settings)
        connect(settings, &Settings::engineApplied, this, &EngineControls::engineApplied);
}

QComboBox *EngineControls::box(const Entry &entry) const
{
    return settings ? settings->findChild<QComboBox *>(QLatin1String(entry.box)) : nullptr;
}

QString EngineControls::value(const Entry &entry) const
{
    const QComboBox *combo = box(entry);
    return combo ? combo->currentText() : QString();
}

QStringList EngineControls::allowed(const Entry &entry) const
{
    QStringList texts;
    if (const QComboBox *combo = box(entry)) {
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    }
    return texts;
}

QJsonObject EngineControls::values() const
{
    QJsonObject object;
    for (const Entry &entry : entries())
        object.insert(QLatin1String(entry.name).mid(7), value(entry));
    return object;
}

bool EngineControls::check(const Entry &entry, const QJsonValue &value, QString &text, QString &error) const
{
    // Numbers are accepted for the numeric boxes, as their texts.
    text = value.isDouble() ? QString::number(value.toDouble(), 'g', 12) : value.toString();
    const QStringList texts = allowed(entry);
    if ((value.isString() || value.isDouble()) && texts.contains(text))
        return true;
    error = QStringLiteral("%1 takes one of: %2").arg(QLatin1String(entry.name), texts.join(QStringLiteral(", ")));
    return false;
}

ControlOutcome EngineControls::apply(const Entry &entry, const QString &text)
{
    QComboBox *combo = box(entry);
    if (!combo)
        return ControlOutcome::failure(ControlOutcome::Code::NoDevice, QStringLiteral("no settings dialog"));
    applying = &entry;
    refused = false;
    failure.clear();
    // A box that already shows the text runs no handler: the engine has it.
    combo->setCurrentText(text);
    applying = nullptr;
    if (refused)
        return ControlOutcome::failure(ControlOutcome::Code::Refused, failure);
    return ControlOutcome::success({{QStringLiteral("name"), QLatin1String(entry.name)},
                                    {QStringLiteral("value"), combo->currentText()}});
}

void EngineControls::engineApplied(const QString &key, bool accepted, const QString &failureLine)
{
    // Any refusal while a change runs is its refusal (a buffer size may
    // first have to lower the latency).
    if (applying && !accepted && !refused) {
        refused = true;
        failure = failureLine;
    }
    for (const Entry &entry : entries()) {
        if (key != QLatin1String(entry.iniKey))
            continue;
        if (accepted)
            emit changed(QLatin1String(entry.name), value(entry));
        return;
    }
}
