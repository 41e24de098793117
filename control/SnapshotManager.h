// SPDX-License-Identifier: MIT
#pragma once

#include "control/ControlOutcome.h"
#include "control/SnapshotStore.h"
#include "tray/SnapshotSource.h"

#include <QObject>

class MixerControls;

// Saving and loading whole-mixer snapshots of the connected device, by name
// in the store or as text a client carries.
class SnapshotManager : public QObject, public SnapshotSource
{
    Q_OBJECT

public:
    explicit SnapshotManager(MixerControls *mixer, QObject *parent = nullptr);

    // With an empty name the answer carries the text instead.
    ControlOutcome save(const QString &name);
    ControlOutcome loadNamed(const QString &name);
    // Validates the whole text first; nothing is applied when any key is wrong.
    // A refusal starts with `source` (which snapshot); text a client sent
    // has none here, its client names the file it read.
    ControlOutcome loadContent(const QString &content, const QString &source = QString());
    ControlOutcome list() const;
    ControlOutcome remove(const QString &name);

    bool snapshotsAvailable() const override;
    QStringList snapshotNames() const override;
    bool snapshotExists(const QString &name) const override;
    QString saveSnapshot(const QString &name) override;
    QString loadSnapshot(const QString &name) override;

private:
    ControlOutcome noDevice() const;

    MixerControls *mixer;
    SnapshotStore store;
};
