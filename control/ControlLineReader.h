// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>

// Splits a connection's byte stream into request lines. A line longer than
// kMaxLine is not kept: its bytes are only counted, so a client that never
// sends a newline costs no memory. Pure, for the fuzz harness.
class ControlLineReader
{
public:
    static constexpr qsizetype kMaxLine = 65536;

    struct Line
    {
        QByteArray text;
        // The length of a line that was too long (its text is empty), else 0.
        qsizetype overLength = 0;
    };

    // Every line the data completes, in order; blank lines are skipped and a
    // trailing carriage return is dropped.
    QList<Line> feed(const QByteArray &data);

private:
    QByteArray buffer;
    qsizetype discarded = 0;
};
