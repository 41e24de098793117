// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Qt's INI reader decodes a value such as "@Variant(...)" through QDataStream,
// which allocates whatever length the bytes claim. The program writes only
// plain numbers and true/false, so before an INI file is opened with
// QSettings every line whose value carries such a type prefix is taken out.
class IniSanitizer
{
public:
    // Removes those lines from the file at `path`, keeps the original beside it
    // as "<path>.bad" (the latest one) and logs one line naming the file, the
    // keys and the copy. A file without such lines is not touched.
    static void sanitize(const QString &path);
};
