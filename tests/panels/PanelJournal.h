// SPDX-License-Identifier: MIT
#pragma once

// Helpers the panel tests share: reading what a panel sent to zelvoro-sim and
// what it left in its INI file.

#include "SimProcess.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <map>

namespace paneltest {

// Every request but the meter poll's, oldest first.
inline QList<QJsonObject> requests(const SimProcess &sim)
{
    QList<QJsonObject> out;
    for (const QJsonObject &r : sim.journal())
        if (r.value("op").toString() != QLatin1String("readMeterData"))
            out << r;
    return out;
}

inline bool isMixerWrite(const QJsonObject &r)
{
    return r.value("op").toString() == QLatin1String("writeMixerBlock");
}

inline QList<QJsonObject> mixerWrites(const SimProcess &sim)
{
    QList<QJsonObject> out;
    for (const QJsonObject &r : requests(sim))
        if (isMixerWrite(r))
            out << r;
    return out;
}

// One request in a short form: "setOutVolume(1,100)", "setMic48V(1,0)", "mixer".
inline QString describe(const QJsonObject &r)
{
    if (isMixerWrite(r))
        return QStringLiteral("mixer");
    const QString op = r.value("vendor_op").toString();
    if (op.isEmpty())
        return r.value("op").toString();
    const bool level = op == QLatin1String("setMicVolume") || op == QLatin1String("setOutVolume");
    return QStringLiteral("%1(%2,%3)")
        .arg(op)
        .arg(r.value("channel").toInt())
        .arg(r.value(level ? "level" : "state").toInt());
}

inline QStringList describeAll(const QList<QJsonObject> &records)
{
    QStringList out;
    for (const QJsonObject &r : records)
        out << describe(r);
    return out;
}

// A mixer entry as sent; the journal lists only the non-zero ones.
inline double entry(const QJsonObject &mixerWrite, int index)
{
    return mixerWrite.value("entries").toObject().value(QString::number(index)).toDouble(0.0);
}

// Every non-zero entry of a mixer write, by double index.
inline std::map<int, double> sentEntries(const QJsonObject &mixerWrite)
{
    std::map<int, double> e;
    const QJsonObject entries = mixerWrite.value("entries").toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it)
        e[it.key().toInt()] = it.value().toDouble();
    return e;
}

inline int matrix(int m, int row, int column)
{
    return m * 1024 + row * 32 + column;
}

inline int vector(int v, int i)
{
    return 8192 + 32 * v + i;
}

// The hex of a 37-byte level or switch frame as AudioBusDevice builds it.
inline QString frameHex(int command, int state, int channel, int value = 0)
{
    QByteArray frame(37, '\0');
    frame[0] = 0x01;
    frame[1] = char(command);
    frame[3] = char(state);
    frame[4] = char(channel);
    frame[5] = char(value & 0xFF);
    frame[6] = char((value >> 8) & 0xFF);
    return QString::fromLatin1(frame.toHex());
}

inline QString iniPath(const char *model)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/') +
           QLatin1String(model) + QStringLiteral(".ini");
}

inline void removeIni(const char *model)
{
    QFile::remove(iniPath(model));
}

inline void writeIni(const char *model, const QList<QPair<QString, QVariant>> &values)
{
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QSettings ini(iniPath(model), QSettings::IniFormat);
    for (const auto &[key, value] : values)
        ini.setValue(key, value);
    ini.sync();
}

inline QVariant iniValue(const char *model, const QString &key)
{
    return QSettings(iniPath(model), QSettings::IniFormat).value(key);
}

inline QStringList iniKeys(const char *model)
{
    QStringList keys = QSettings(iniPath(model), QSettings::IniFormat).allKeys();
    keys.sort();
    return keys;
}

} // namespace paneltest
