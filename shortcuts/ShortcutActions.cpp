// SPDX-License-Identifier: MIT
#include "shortcuts/ShortcutActions.h"

#include "control/MixerControls.h"
#include "control/SnapshotManager.h"

#include <QDebug>

namespace {

const QString kSnapshotPrefix = QStringLiteral("snapshot.");
const QString kOpenMain = QStringLiteral("open.main");

} // namespace

ShortcutActions::ShortcutActions(MixerControls *mixer, SnapshotManager *snapshots, QObject *parent)
    : QObject(parent), mixer(mixer), snapshots(snapshots)
{
}

QStringList ShortcutActions::fixedNames()
{
    return {QStringLiteral("speakers.mute"), QStringLiteral("speakers.dim"),   QStringLiteral("headphones.mute"),
            QStringLiteral("headphones.dim"), QStringLiteral("speakers.up"),   QStringLiteral("speakers.down"),
            QStringLiteral("headphones.up"),  QStringLiteral("headphones.down"), kOpenMain};
}

bool ShortcutActions::isActionName(const QString &name)
{
    return fixedNames().contains(name) || (name.startsWith(kSnapshotPrefix) && name.size() > kSnapshotPrefix.size());
}

QString ShortcutActions::snapshotAction(const QString &snapshot)
{
    return kSnapshotPrefix + snapshot;
}

QStringList ShortcutActions::names() const
{
    QStringList list = fixedNames();
    if (snapshots->snapshotsAvailable()) {
        for (const QString &snapshot : snapshots->snapshotNames())
            list << snapshotAction(snapshot);
    }
    return list;
}

void ShortcutActions::trigger(const QString &name)
{
    if (name == kOpenMain) {
        emit openMainRequested();
        return;
    }
    if (!mixer->isConnected()) {
        qDebug().noquote() << QStringLiteral("Shortcut %1: no device connected").arg(name);
        return;
    }
    ControlOutcome outcome;
    const QString output = name.section(QLatin1Char('.'), 0, 0);
    const QString verb = name.section(QLatin1Char('.'), 1);
    if (name.startsWith(kSnapshotPrefix)) {
        outcome = snapshots->loadNamed(name.mid(kSnapshotPrefix.size()));
    } else if (verb == QLatin1String("up") || verb == QLatin1String("down")) {
        // One step of the knob; the control channel's range check stops it at either end.
        const QString level = output + QStringLiteral(".level");
        outcome = mixer->get(level);
        if (outcome.ok()) {
            const int step = verb == QLatin1String("up") ? 1 : -1;
            outcome = mixer->set(level, outcome.fields.value(QStringLiteral("value")).toInt() + step);
        }
    } else {
        outcome = mixer->toggle(name);
    }
    if (!outcome.ok())
        qDebug().noquote() << QStringLiteral("Shortcut %1: %2").arg(name, outcome.error);
}
