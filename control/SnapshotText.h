// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>

class QSettings;
class QTemporaryFile;

// Snapshot text opened with QSettings: written to a private temporary file,
// because QSettings reads INI text only from a file. A text with a line this
// program never writes (IniSanitizer) is refused before Qt would decode it.
class SnapshotText
{
public:
    SnapshotText();
    ~SnapshotText();

    // False with the reason (the keys of such lines) when the text cannot be opened.
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
