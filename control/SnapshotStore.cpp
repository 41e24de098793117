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
// Linux allows 255 bytes per file name; ".ini" and the ".XXXXXX" of the
// temporary file a save goes through must fit beside the name.
constexpr qsizetype kMaxNameBytes = 240;
// A snapshot is a few hundred bytes; a larger file is not one.
constexpr qint64 kMaxFile = 1 << 20;
const QString kSuffix = QStringLiteral(".ini");

// Windows opens a device for these, whatever follows the first dot and with
// spaces before it ("con .txt" is CON); its superscript digits count as digits.
bool isDeviceName(const QString &name)
{
    QString base = name.section(QLatin1Char('.'), 0, 0);
    while (base.endsWith(QLatin1Char(' ')))
        base.chop(1);
    base = base.toUpper();
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                        QStringLiteral("NUL"), QStringLiteral("CONIN$"),
                                        QStringLiteral("CONOUT$")};
    if (devices.contains(base))
        return true;
    static const QString digits = QStringLiteral("0123456789\u00B9\u00B2\u00B3");
    return base.size() == 4 && (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT"))) &&
           digits.contains(base.at(3));
}

} // namespace

QString SnapshotStore::nameError(const QString &name)
{
    if (name.isEmpty() || name.toUcs4().size() > kMaxName)
        return QStringLiteral("a snapshot name has 1 to %1 characters").arg(kMaxName);
    if (name.toUtf8().size() > kMaxNameBytes)
        return QStringLiteral("a snapshot name has at most %1 bytes in UTF-8").arg(kMaxNameBytes);
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
    if (isDeviceName(name))
        return QStringLiteral("\"%1\" names a device on Windows: CON, PRN, AUX, NUL, COM0-9 and LPT0-9 are "
                              "not snapshot names, with or without an extension")
            .arg(name);
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

bool SnapshotStore::contains(const QString &name) const
{
    QString error;
    return exists(name, error);
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
