// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// What the tray's "Snapshots" submenu needs: the named snapshots of the
// connected model, and saving and loading one by name.
class SnapshotSource
{
public:
    virtual ~SnapshotSource() = default;

    // False while no device is connected.
    virtual bool snapshotsAvailable() const = 0;
    virtual QStringList snapshotNames() const = 0;
    // True when saving under this name replaces a snapshot (of any model).
    virtual bool snapshotExists(const QString &name) const = 0;
    // Empty when done, otherwise why not.
    virtual QString saveSnapshot(const QString &name) = 0;
    virtual QString loadSnapshot(const QString &name) = 0;
};
