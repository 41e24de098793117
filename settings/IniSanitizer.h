// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Qt's INI reader decodes escapes, quotes and "@Variant(...)"-style values,
// the last through QDataStream, which allocates whatever length the bytes
// claim. Rather than imitate that reader, only lines this program's own
// writers produce are let through: section headers and keys made of
// letters, digits and "/_.-", values with no backslash, no '@' and no control
// character, unquoted or one quoted string, comments and blank lines.
class IniSanitizer
{
public:
    // Keys made of the program's own names only, or also carrying the '%'
    // escapes QSettings writes for other characters (shortcuts.ini keys name
    // snapshots, whose names may hold spaces or any script). An escaped key
    // only ever decodes to text, so it is as safe as a plain one.
    enum class Keys { Plain, Escaped };

    // Sets every other line of the file at `path` aside: keeps the original
    // beside it as "<path>.bad" (the latest one), removes the lines and logs
    // one line naming the file and their keys. A file without such lines is
    // not touched.
    static void sanitize(const QString &path, Keys keys = Keys::Plain);
    // Takes those lines out of `text` and names them ("Section/key", or
    // "line N" for a line without a key); empty when all of it is kept.
    static QStringList setAside(QByteArray &text, Keys keys = Keys::Plain);
};
