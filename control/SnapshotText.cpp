// SPDX-License-Identifier: MIT
#include "control/SnapshotText.h"

#include "settings/IniSanitizer.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>

SnapshotText::SnapshotText() = default;
SnapshotText::~SnapshotText() = default;

bool SnapshotText::makeFile(QString &error)
{
    file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/zelvoro-snapshot-XXXXXX.ini"));
    if (!file->open()) {
        error = QStringLiteral("cannot create a temporary file: %1").arg(file->errorString());
        return false;
    }
    file->close();
    return true;
}

bool SnapshotText::create(QString &error)
{
    if (!makeFile(error))
        return false;
    ini = std::make_unique<QSettings>(file->fileName(), QSettings::IniFormat);
    return true;
}

bool SnapshotText::open(const QString &content, QString &error)
{
    // Refused whole, not loaded in part: the same rule as for the INI files,
    // on the text itself, so the error names its keys, not a temporary file.
    QByteArray text = content.toUtf8();
    const QStringList foreign = IniSanitizer::setAside(text);
    if (!foreign.isEmpty()) {
        error = QStringLiteral("%1: %2 this program never writes")
                    .arg(foreign.join(QStringLiteral(", ")),
                         foreign.size() == 1 ? QStringLiteral("a line") : QStringLiteral("lines"));
        return false;
    }
    if (!makeFile(error))
        return false;
    QFile out(file->fileName());
    if (!out.open(QIODevice::WriteOnly) || out.write(text) < 0) {
        error = QStringLiteral("cannot write a temporary file: %1").arg(out.errorString());
        return false;
    }
    out.close();
    ini = std::make_unique<QSettings>(file->fileName(), QSettings::IniFormat);
    if (ini->status() != QSettings::NoError) {
        error = QStringLiteral("not an INI text");
        return false;
    }
    return true;
}

QString SnapshotText::text()
{
    ini->sync();
    QFile in(file->fileName());
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(in.readAll());
}
