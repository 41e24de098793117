// SPDX-License-Identifier: MIT
#include "control/SnapshotManager.h"

#include "control/EngineControls.h"
#include "control/MixerControls.h"
#include "control/Snapshot.h"
#include "control/SnapshotPlan.h"

#include <QDateTime>
#include <QDebug>
#include <QJsonArray>

SnapshotManager::SnapshotManager(MixerControls *mixer, QObject *parent) : QObject(parent), mixer(mixer) {}

ControlOutcome SnapshotManager::noDevice() const
{
    return ControlOutcome::failure(ControlOutcome::Code::NoDevice, QStringLiteral("no device connected"));
}

ControlOutcome SnapshotManager::save(const QString &name)
{
    if (!name.isEmpty()) {
        const QString error = SnapshotStore::nameError(name);
        if (!error.isEmpty())
            return ControlOutcome::failure(ControlOutcome::Code::Usage, error);
    }
    if (!mixer->isConnected())
        return noDevice();
    const QList<ControlRow> rows = mixer->rows();
    Snapshot snapshot;
    snapshot.model = mixer->model();
    snapshot.saved = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    for (const ControlRow &row : rows)
        snapshot.controls.insert(row.iniKey(), row.raw());
    const EngineControls &engine = *mixer->engineControls();
    for (const EngineControls::Entry &entry : EngineControls::entries())
        snapshot.engine.insert(QLatin1String(entry.name), engine.value(entry));
    const QString content = snapshot.write(rows);
    if (content.isEmpty())
        return ControlOutcome::failure(ControlOutcome::Code::Usage, QStringLiteral("cannot write the snapshot text"));
    if (name.isEmpty())
        return ControlOutcome::success({{QStringLiteral("content"), content}});
    QString error;
    if (!store.write(name, content, error))
        return ControlOutcome::failure(ControlOutcome::Code::Usage, error);
    qDebug().noquote() << QStringLiteral("Snapshot saved: %1").arg(name);
    return ControlOutcome::success({{QStringLiteral("name"), name}});
}

ControlOutcome SnapshotManager::loadNamed(const QString &name)
{
    QString content;
    QString error;
    if (!mixer->isConnected() && SnapshotStore::nameError(name).isEmpty())
        return noDevice();
    if (!store.read(name, content, error))
        return ControlOutcome::failure(ControlOutcome::Code::Usage, error);
    qDebug().noquote() << QStringLiteral("Loading snapshot: %1").arg(name);
    return loadContent(content, QStringLiteral("snapshot \"%1\": ").arg(name));
}

ControlOutcome SnapshotManager::loadContent(const QString &content, const QString &source)
{
    if (!mixer->isConnected())
        return noDevice();
    const QList<ControlRow> rows = mixer->rows();
    EngineControls &engine = *mixer->engineControls();
    Snapshot snapshot;
    QString error;
    if (!Snapshot::read(content, mixer->model(), rows, engine, snapshot, error)) {
        error.prepend(source);
        qDebug().noquote() << QStringLiteral("Snapshot not loaded: %1").arg(error);
        return ControlOutcome::failure(ControlOutcome::Code::Usage, error);
    }

    int applied = 0;
    const auto refusedAfter = [&applied](const QString &name, const ControlOutcome &outcome) {
        qDebug().noquote() << QStringLiteral("Snapshot load stopped at %1: %2").arg(name, outcome.error);
        ControlOutcome stopped = outcome;
        stopped.error = QStringLiteral("%1: %2 (%3 changes applied before)").arg(name, outcome.error).arg(applied);
        return stopped;
    };
    for (const SnapshotPlan::Step &step : SnapshotPlan::steps(rows, snapshot.controls)) {
        const ControlRow &row = rows.at(step.row);
        qDebug().noquote() << QStringLiteral("Snapshot step %1: %2 %3 -> %4")
                                  .arg(step.phase)
                                  .arg(row.name(), row.shown(step.from).toVariant().toString(),
                                       row.shown(step.to).toVariant().toString());
        // A refusal ends the load where it is: every step so far only lowered
        // the outputs or changed the inputs, none that follows may raise them.
        const ControlOutcome outcome = mixer->applyRow(row, step.to);
        if (!outcome.ok())
            return refusedAfter(row.name(), outcome);
        ++applied;
    }
    for (const EngineControls::Entry &entry : EngineControls::entries()) {
        const QString name = QLatin1String(entry.name);
        if (!snapshot.engine.contains(name) || engine.value(entry) == snapshot.engine.value(name))
            continue;
        qDebug().noquote() << QStringLiteral("Snapshot engine: %1 %2 -> %3")
                                  .arg(name, engine.value(entry), snapshot.engine.value(name));
        const ControlOutcome outcome = engine.apply(entry, snapshot.engine.value(name));
        if (!outcome.ok())
            return refusedAfter(name, outcome);
        ++applied;
    }
    qDebug().noquote() << QStringLiteral("Snapshot loaded: %1 changes").arg(applied);
    return ControlOutcome::success({{QStringLiteral("applied"), applied}});
}

ControlOutcome SnapshotManager::list() const
{
    QJsonArray snapshots;
    for (const SnapshotStore::Entry &entry : store.list()) {
        snapshots.append(QJsonObject{{QStringLiteral("name"), entry.name},
                                     {QStringLiteral("model"), entry.model},
                                     {QStringLiteral("saved"), entry.saved}});
    }
    return ControlOutcome::success({{QStringLiteral("snapshots"), snapshots}});
}

ControlOutcome SnapshotManager::remove(const QString &name)
{
    QString error;
    if (!store.remove(name, error))
        return ControlOutcome::failure(ControlOutcome::Code::Usage, error);
    qDebug().noquote() << QStringLiteral("Snapshot deleted: %1").arg(name);
    return ControlOutcome::success();
}

bool SnapshotManager::snapshotsAvailable() const
{
    return mixer->isConnected();
}

QStringList SnapshotManager::snapshotNames() const
{
    QStringList names;
    if (!mixer->isConnected())
        return names;
    for (const SnapshotStore::Entry &entry : store.list()) {
        if (entry.model == mixer->model())
            names << entry.name;
    }
    return names;
}

bool SnapshotManager::snapshotExists(const QString &name) const
{
    return store.contains(name);
}

QString SnapshotManager::saveSnapshot(const QString &name)
{
    return save(name).error;
}

QString SnapshotManager::loadSnapshot(const QString &name)
{
    return loadNamed(name).error;
}
