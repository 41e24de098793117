// SPDX-License-Identifier: MIT
#include "control/ControlRow.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <algorithm>
#include <cmath>

ControlRow::ControlRow(const DevicePanel::StateKey &key) : key(key) {}

QObject *ControlRow::control() const
{
    return key.knob ? static_cast<QObject *>(key.knob) : static_cast<QObject *>(key.button);
}

int ControlRow::raw() const
{
    return key.knob ? key.knob->value : int(key.button->status);
}

QJsonValue ControlRow::shown(int raw) const
{
    if (isSwitch())
        return raw ? QStringLiteral("on") : QStringLiteral("off");
    // As the knob shows it: a gain knob shows 0 as 0, any other value with its offset.
    return raw == 0 ? 0 : raw + key.knob->displayOffset;
}

int ControlRow::shownMinimum() const
{
    if (isSwitch())
        return 0;
    const Knob *knob = key.knob;
    if (knob->displayOffset != 0 && knob->minimum <= 0 && knob->maximum >= 0)
        return std::min(0, knob->minimum + knob->displayOffset);
    return knob->minimum + knob->displayOffset;
}

int ControlRow::shownMaximum() const
{
    return isSwitch() ? 1 : key.knob->maximum + key.knob->displayOffset;
}

QString ControlRow::rangeText() const
{
    if (isSwitch())
        return QStringLiteral("on or off");
    const Knob *knob = key.knob;
    if (knob->displayOffset != 0 && knob->minimum == 0)
        return QStringLiteral("0 or %1..%2 dB").arg(1 + knob->displayOffset).arg(shownMaximum());
    return QStringLiteral("%1..%2 dB").arg(shownMinimum()).arg(shownMaximum());
}

bool ControlRow::fromShown(qint64 shownValue, int &raw, QString &error) const
{
    const Knob *knob = key.knob;
    // The shown range first: any 64-bit value may come in, and outside it the
    // subtraction below could overflow.
    const bool outside = shownValue < shownMinimum() || shownValue > shownMaximum();
    qint64 candidate = outside ? 0 : shownValue - knob->displayOffset;
    // A knob with an offset shows raw 0 as 0, so the offset itself is never shown.
    const bool neverShown = knob->displayOffset != 0 && shownValue != 0 && candidate == 0;
    if (knob->displayOffset != 0 && shownValue == 0)
        candidate = 0;
    if (outside || neverShown || candidate < knob->minimum || candidate > knob->maximum) {
        error = QStringLiteral("%1 is out of range for %2 (%3)").arg(shownValue).arg(name(), rangeText());
        return false;
    }
    raw = int(candidate);
    return true;
}

bool ControlRow::fromJson(const QJsonValue &value, int &raw, QString &error) const
{
    if (isSwitch()) {
        if (value.isBool()) {
            raw = value.toBool();
            return true;
        }
        const QString text = value.toString();
        if (value.isString() && (text == QLatin1String("on") || text == QLatin1String("off"))) {
            raw = text == QLatin1String("on");
            return true;
        }
        error = QStringLiteral("%1 takes on or off").arg(name());
        return false;
    }
    qint64 number = 0;
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e9) {
            error = QStringLiteral("%1 takes a whole number of dB (%2)").arg(name(), rangeText());
            return false;
        }
        number = qint64(d);
    } else {
        bool ok = false;
        number = value.toString().trimmed().toLongLong(&ok);
        if (!value.isString() || !ok) {
            error = QStringLiteral("%1 takes a whole number of dB (%2)").arg(name(), rangeText());
            return false;
        }
    }
    return fromShown(number, raw, error);
}

bool ControlRow::fromIni(const QString &text, int &raw, QString &error) const
{
    if (isSwitch()) {
        if (text == QLatin1String("true") || text == QLatin1String("false")) {
            raw = text == QLatin1String("true");
            return true;
        }
        error = QStringLiteral("\"%1\" is not true or false").arg(text.left(64));
        return false;
    }
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok) {
        error = QStringLiteral("\"%1\" is not a whole number").arg(text.left(64));
        return false;
    }
    if (value < key.knob->minimum || value > key.knob->maximum) {
        error = QStringLiteral("%1 is out of range (%2..%3)").arg(value).arg(key.knob->minimum).arg(key.knob->maximum);
        return false;
    }
    raw = value;
    return true;
}

QVariant ControlRow::toIni(int raw) const
{
    return isSwitch() ? QVariant(raw != 0) : QVariant(raw);
}

void ControlRow::apply(int raw) const
{
    if (key.knob)
        key.knob->setValue(raw);
    else
        key.button->setStatus(raw != 0);
}
