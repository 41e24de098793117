// SPDX-License-Identifier: MIT
#include "ProcessStats.h"

#include <QDir>
#include <QFile>

namespace processstats {

qint64 residentKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

int openDescriptors()
{
    const QDir fds("/proc/self/fd");
    if (!fds.exists())
        return -1;
    return static_cast<int>(fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

} // namespace processstats
