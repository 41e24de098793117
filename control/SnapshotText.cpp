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
    const QStringList lines = content.split(QLatin1Char('\n'));
    QString group;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2) + QLatin1Char('/');
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        QString value = line.mid(equals + 1).trimmed();
        if (value.startsWith(QLatin1Char('"')))
            value.remove(0, 1);
        if (value.startsWith(QLatin1Char('@')) && !value.startsWith(QLatin1String("@@"))) {
            error = QStringLiteral("key \"%1\" (line %2): a typed value this program never writes")
                        .arg((group + line.left(equals).trimmed()).left(64))
                        .arg(i + 1);
            return false;
        }
    }
    if (!makeFile(error))
        return false;
    QFile out(file->fileName());
    if (!out.open(QIODevice::WriteOnly) || out.write(content.toUtf8()) < 0) {
        error = QStringLiteral("cannot write a temporary file: %1").arg(out.errorString());
        return false;
    }
    out.close();
    // The shared sanitizer also finds typed data hidden behind escapes or in
    // list items; a text it had to trim is refused whole, not loaded in part.
    const QString path = file->fileName();
    IniSanitizer::sanitize(path);
    if (QFile::exists(path + QStringLiteral(".bad"))) {
        QFile::remove(path + QStringLiteral(".bad"));
        error = QStringLiteral("a value of a type this program never writes (its key is in the log)");
        return false;
    }
    ini = std::make_unique<QSettings>(path, QSettings::IniFormat);
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
