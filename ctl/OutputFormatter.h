// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QString>

// The texts zelvoroctl prints: an answer or a watch event, either for people
// (the default) or as one compact JSON object per line (--json).
class OutputFormatter
{
public:
    explicit OutputFormatter(bool json) : json(json) {}

    // What to print for a successful answer to `command`; may be empty.
    QString answer(const QString &command, QJsonObject answer) const;
    QString event(const QJsonObject &event) const;

    static QString valueText(const QJsonValue &value);

private:
    QString status(const QJsonObject &answer) const;
    QString snapshots(const QJsonObject &answer) const;

    bool json;
};
