// SPDX-License-Identifier: MIT
#pragma once

#include "control/ControlRow.h"

#include <QList>
#include <QMap>
#include <QString>

class EngineControls;

// A whole-mixer preset of one model: a [Snapshot] group (model, format,
// when saved), the panel's keys exactly as in the model's INI file, and an
// [Engine] group with the four engine settings. Reading checks the whole
// text before anything may be applied.
class Snapshot
{
public:
    static constexpr int kFormat = 1;

    QString model;
    QString saved;
    // Raw control values by INI key ("Dial/Mic1Value"); a key the file lacks is left out.
    QMap<QString, int> controls;
    // Engine texts by engine name ("engine.rate").
    QMap<QString, QString> engine;

    // Reads and checks `content` against the connected model's rows and
    // engine boxes: model, format, every key known, every value of its type
    // and in range. False with the key and the reason.
    static bool read(const QString &content, const QString &connectedModel, const QList<ControlRow> &rows,
                     const EngineControls &engineControls, Snapshot &out, QString &error);
    // Only the [Snapshot] group, for listing; false when the text has none.
    static bool readHeader(const QString &content, QString &model, QString &saved);
    // The INI text, values as the model's INI file writes them.
    QString write(const QList<ControlRow> &rows) const;
};
