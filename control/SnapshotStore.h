// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

// The named snapshots in <per-user data folder>/snapshots/<name>.ini. Only
// names that pass nameError() ever become paths.
class SnapshotStore
{
public:
    struct Entry
    {
        QString name;
        QString model;
        QString saved;
    };

    // Why a name cannot be a snapshot's, or empty: 1..64 characters (code
    // points) and at most 240 bytes in UTF-8, no path separator, no leading
    // dot, no control character, none of the characters Windows refuses in
    // file names, no trailing dot or space, no Windows device name. The same
    // on every platform, so that snapshots move between machines.
    static QString nameError(const QString &name);

    QString folder() const;
    bool read(const QString &name, QString &content, QString &error) const;
    bool write(const QString &name, const QString &content, QString &error) const;
    bool remove(const QString &name, QString &error) const;
    // A valid name whose file is there: a save would replace it.
    bool contains(const QString &name) const;
    // Every readable snapshot, by name.
    QList<Entry> list() const;

private:
    QString path(const QString &name) const;
    // A valid name whose file is there; otherwise `error` says why not.
    bool exists(const QString &name, QString &error) const;
};
