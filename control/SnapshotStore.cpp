// SPDX-License-Identifier: MIT
#include "control/SnapshotStore.h"

#include "control/Snapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

constexpr qsizetype kMaxName = 64;
// A snapshot is a few hundred bytes; a larger file is not one.
constexpr qint64 kMaxFile = 1 << 20;
const QString kSuffix = QStringLiteral(".ini");

} // namespace

QString SnapshotStore::nameError(const QString &name)
{
    if (name.isEmpty() || name.size() > kMaxName)
        return QStringLiteral("a snapshot name has 1 to %1 characters").arg(kMaxName);
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("a snapshot name does not start with a dot");
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return QStringLiteral("a snapshot name holds no control characters");
        if (QStringLiteral("/\\:*?\"<>|").contains(c))
            return QStringLiteral("a snapshot name holds none of / \\ : * ? \" < > |");
    }
    if (name.trimmed() != name || name.endsWith(QLatin1Char('.')))
        return QStringLiteral("a snapshot name does not end with a dot or begin or end with a space");
    return QString();
}

QString SnapshotStore::folder() const
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/snapshots");
}

QString SnapshotStore::path(const QString &name) const
{
    return folder() + QLatin1Char('/') + name + kSuffix;
}

bool SnapshotStore::exists(const QString &name, QString &error) const
{
    if (!(error = nameError(name)).isEmpty())
        return false;
    if (!QFile::exists(path(name))) {
        error = QStringLiteral("no snapshot named \"%1\"").arg(name);
        return false;
    }
    return true;
}

bool SnapshotStore::read(const QString &name, QString &content, QString &error) const
{
    if (!exists(name, error))
        return false;
    QFile file(path(name));
    if (file.size() > kMaxFile || !file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read snapshot \"%1\": %2")
                    .arg(name, file.size() > kMaxFile ? QStringLiteral("too large") : file.errorString());
        return false;
    }
    content = QString::fromUtf8(file.read(kMaxFile));
    return true;
}

bool SnapshotStore::write(const QString &name, const QString &content, QString &error) const
{
    if (!(error = nameError(name)).isEmpty())
        return false;
    if (!QDir().mkpath(folder())) {
        error = QStringLiteral("cannot create %1").arg(folder());
        return false;
    }
    // Written whole or not at all: a snapshot is never left half there.
    QSaveFile file(path(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content.toUtf8()) < 0 || !file.commit()) {
        error = QStringLiteral("cannot write snapshot \"%1\": %2").arg(name, file.errorString());
        return false;
    }
    return true;
}

bool SnapshotStore::remove(const QString &name, QString &error) const
{
    if (!exists(name, error))
        return false;
    QFile file(path(name));
    if (!file.remove()) {
        error = QStringLiteral("cannot delete snapshot \"%1\": %2").arg(name, file.errorString());
        return false;
    }
    return true;
}

QList<SnapshotStore::Entry> SnapshotStore::list() const
{
    QList<Entry> entries;
    const QFileInfoList files =
        QDir(folder()).entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &info : files) {
        const QString name = info.completeBaseName();
        QString content;
        QString error;
        Entry entry{name, QString(), QString()};
        if (nameError(name).isEmpty() && read(name, content, error) &&
            Snapshot::readHeader(content, entry.model, entry.saved))
            entries.append(entry);
    }
    return entries;
}
