// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QString>

// The outcome of one command against the mixer: the fields of an ok answer,
// or the failure code and its English text.
struct ControlOutcome
{
    enum class Code { Ok, Refused, Usage, NoDevice };

    Code code = Code::Ok;
    QString error;
    QJsonObject fields;

    bool ok() const { return code == Code::Ok; }

    static ControlOutcome success(const QJsonObject &fields = {}) { return {Code::Ok, QString(), fields}; }
    static ControlOutcome failure(Code code, const QString &error) { return {code, error, {}}; }

    // "refused", "usage" or "no-device".
    static QString codeText(Code code)
    {
        switch (code) {
        case Code::Refused:
            return QStringLiteral("refused");
        case Code::NoDevice:
            return QStringLiteral("no-device");
        case Code::Usage:
        case Code::Ok:
            break;
        }
        return QStringLiteral("usage");
    }
};
