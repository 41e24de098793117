// SPDX-License-Identifier: MIT
#include "control/ControlLineReader.h"

QList<ControlLineReader::Line> ControlLineReader::feed(const QByteArray &data)
{
    QList<Line> lines;
    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype newline = data.indexOf('\n', pos);
        const qsizetype end = newline < 0 ? data.size() : newline;
        const qsizetype chunk = end - pos;
        if (discarded > 0 || buffer.size() + chunk > kMaxLine) {
            discarded = (discarded > 0 ? discarded : buffer.size()) + chunk;
            buffer.clear();
        } else {
            buffer.append(data.constData() + pos, chunk);
        }
        if (newline < 0)
            break;
        pos = newline + 1;
        if (discarded > 0) {
            lines.append(Line{QByteArray(), discarded});
        } else {
            if (buffer.endsWith('\r'))
                buffer.chop(1);
            if (!buffer.trimmed().isEmpty())
                lines.append(Line{buffer, 0});
        }
        buffer.clear();
        discarded = 0;
    }
    return lines;
}
