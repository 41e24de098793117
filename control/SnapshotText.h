// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>

class QSettings;
class QTemporaryFile;

// Snapshot text opened with QSettings: written to a private temporary file,
// because QSettings reads INI text only from a file. Values of a type this
// program never writes ("@Variant(", "@ByteArray(", ...) are refused before
// Qt would decode them.
class SnapshotText
{
public:
    SnapshotText();
    ~SnapshotText();

    // False with the reason when the text cannot be opened or holds a typed value.
    bool open(const QString &content, QString &error);
    // Empty, for writing; text() gives what it holds.
    bool create(QString &error);
    QSettings &settings() { return *ini; }
    QString text();

private:
    bool makeFile(QString &error);

    std::unique_ptr<QTemporaryFile> file;
    std::unique_ptr<QSettings> ini;
};
