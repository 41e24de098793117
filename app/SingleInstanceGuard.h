// SPDX-License-Identifier: MIT
#pragma once

#include <QSharedMemory>
#include <QString>
#include <QSystemSemaphore>

// Makes sure only one copy of the program runs: the first copy creates a
// one-byte shared memory segment and keeps it attached until it exits.
class SingleInstanceGuard
{
public:
    enum class Result { First, AlreadyRunning, CreateFailed };

    static constexpr const char *kSemaphoreKey = "ZelvoroQtDriverSemaphore";
    static constexpr const char *kSharedMemoryKey = "ZelvoroQtDriverSharedMemory";

    // Acquires the semaphore, which is held until acquire() has decided.
    SingleInstanceGuard(const QString &semaphoreKey = QString::fromLatin1(kSemaphoreKey),
                        const QString &sharedMemoryKey = QString::fromLatin1(kSharedMemoryKey));
    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    // The attach-or-create test; releases the semaphore on every path.
    Result acquire();

private:
    QSystemSemaphore semaphore;
    QSharedMemory sharedMemory;
};
