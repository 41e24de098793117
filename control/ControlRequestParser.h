// SPDX-License-Identifier: MIT
#pragma once

#include "control/ControlRequest.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// Turns one request line of the control channel into a ControlRequest. Pure:
// no sockets, no widgets, so the fuzz harness drives it directly. Whether a
// name exists or a value fits its control is checked later, against the
// connected model.
class ControlRequestParser
{
public:
    struct Result
    {
        bool ok = false;
        ControlRequest request;
        // The reason in English when !ok; request.id holds the id if one was readable.
        QString error;
    };

    static Result parse(const QByteArray &line);

    // The command's text on the wire, e.g. "snapshot-load".
    static QString commandName(ControlRequest::Command command);
};
