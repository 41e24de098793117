// SPDX-License-Identifier: MIT
#include "ctl/OutputFormatter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace {

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

QString connectionText(const QJsonObject &state)
{
    if (!state.value(QStringLiteral("connected")).toBool())
        return QStringLiteral("no device connected");
    QString text = state.value(QStringLiteral("model")).toString();
    const QString firmware = state.value(QStringLiteral("firmware")).toString();
    if (!firmware.isEmpty())
        text += QStringLiteral(", firmware ") + firmware;
    return text;
}

} // namespace

QString OutputFormatter::valueText(const QJsonValue &value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
    if (value.isDouble())
        return QString::number(value.toDouble());
    if (value.isNull() || value.isUndefined())
        return QStringLiteral("-");
    return value.toString();
}

QString OutputFormatter::answer(const QString &command, QJsonObject answer) const
{
    answer.remove(QStringLiteral("id"));
    if (json)
        return compact(answer);
    if (command == QLatin1String("status"))
        return status(answer);
    if (command == QLatin1String("snapshot-list"))
        return snapshots(answer);
    if (command == QLatin1String("get"))
        return valueText(answer.value(QStringLiteral("value"))) + QLatin1Char('\n');
    if (command == QLatin1String("set") || command == QLatin1String("toggle"))
        return answer.value(QStringLiteral("name")).toString() + QLatin1Char(' ') +
               valueText(answer.value(QStringLiteral("value"))) + QLatin1Char('\n');
    if (command == QLatin1String("snapshot-load"))
        return QStringLiteral("snapshot loaded: %1 settings applied\n")
            .arg(answer.value(QStringLiteral("applied")).toInt());
    if (command == QLatin1String("snapshot-save") && answer.contains(QStringLiteral("name")))
        return QStringLiteral("snapshot saved: %1\n").arg(answer.value(QStringLiteral("name")).toString());
    return {};
}

QString OutputFormatter::status(const QJsonObject &answer) const
{
    QString out = QStringLiteral("Zelvoro Mixer: %1\n").arg(connectionText(answer));
    const QJsonArray controls = answer.value(QStringLiteral("controls")).toArray();
    const QJsonObject engine = answer.value(QStringLiteral("engine")).toObject();
    int width = 16;
    for (const QJsonValue &control : controls)
        width = qMax(width, control.toObject().value(QStringLiteral("name")).toString().size());
    auto row = [&](const QString &name, const QString &value, const QString &note = {}) {
        out += QStringLiteral("  ") + name.leftJustified(width + 2) + value;
        out += note.isEmpty() ? QStringLiteral("\n") : QStringLiteral("   ") + note + QLatin1Char('\n');
    };
    if (!controls.isEmpty())
        out += QStringLiteral("controls:\n");
    for (const QJsonValue &item : controls) {
        const QJsonObject control = item.toObject();
        const QString unit = control.value(QStringLiteral("unit")).toString();
        QString value = valueText(control.value(QStringLiteral("value")));
        QString range;
        if (unit == QLatin1String("dB")) {
            value += QStringLiteral(" dB");
            range = QStringLiteral("(%1..%2)")
                        .arg(control.value(QStringLiteral("min")).toInt())
                        .arg(control.value(QStringLiteral("max")).toInt());
        }
        row(control.value(QStringLiteral("name")).toString(),
            range.isEmpty() ? value : value.leftJustified(8), range);
    }
    if (!engine.isEmpty()) {
        out += QStringLiteral("engine:\n");
        for (const char *key : {"rate", "buffer", "latency", "safe-mode"})
            row(QStringLiteral("engine.") + QLatin1String(key), valueText(engine.value(QLatin1String(key))));
    }
    const QJsonObject meters = answer.value(QStringLiteral("meters")).toObject();
    if (!meters.isEmpty()) {
        out += QStringLiteral("meters:\n");
        for (auto it = meters.begin(); it != meters.end(); ++it)
            row(it.key(), QString::number(it.value().toDouble(), 'f', 1) + QStringLiteral(" dBFS"));
    }
    return out;
}

QString OutputFormatter::snapshots(const QJsonObject &answer) const
{
    QString out;
    for (const QJsonValue &item : answer.value(QStringLiteral("snapshots")).toArray()) {
        const QJsonObject snapshot = item.toObject();
        out += QStringLiteral("%1\t%2\t%3\n")
                   .arg(snapshot.value(QStringLiteral("name")).toString(),
                        snapshot.value(QStringLiteral("model")).toString(),
                        snapshot.value(QStringLiteral("saved")).toString());
    }
    return out;
}

QString OutputFormatter::event(const QJsonObject &event) const
{
    if (json)
        return compact(event);
    if (event.value(QStringLiteral("event")).toString() == QLatin1String("connection"))
        return QStringLiteral("connection %1\n").arg(connectionText(event));
    return event.value(QStringLiteral("name")).toString() + QLatin1Char(' ') +
           valueText(event.value(QStringLiteral("value"))) + QLatin1Char('\n');
}
