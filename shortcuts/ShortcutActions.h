// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QStringList>

class MixerControls;
class SnapshotManager;

// What a global key can do, by the action names of shortcuts.ini, carried out
// through the control channel's own objects: the same setters, checks and
// ranges as a zelvoroctl command.
class ShortcutActions : public QObject
{
    Q_OBJECT

public:
    ShortcutActions(MixerControls *mixer, SnapshotManager *snapshots, QObject *parent = nullptr);

    // The fixed actions, in the dialog's order.
    static QStringList fixedNames();
    static bool isActionName(const QString &name);
    static QString snapshotAction(const QString &snapshot);
    // The fixed actions, then one per saved snapshot of the connected model.
    QStringList names() const;

public slots:
    void trigger(const QString &name);

signals:
    void openMainRequested();

private:
    MixerControls *mixer;
    SnapshotManager *snapshots;
};
