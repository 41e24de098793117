// SPDX-License-Identifier: MIT
#include "app/SingleInstanceGuard.h"

SingleInstanceGuard::SingleInstanceGuard(const QString &semaphoreKey, const QString &sharedMemoryKey)
    : semaphore(semaphoreKey, 1, QSystemSemaphore::Open)
    , sharedMemory(sharedMemoryKey)
{
    semaphore.acquire();
}

SingleInstanceGuard::Result SingleInstanceGuard::acquire()
{
    for (int round = 0; round < 2; ++round) {
        // A copy that crashed leaves its segment behind on Unix. Attaching and
        // detaching again removes a segment nobody else holds; a live copy
        // keeps its attachment, so the test below still finds it.
        if (sharedMemory.attach(QSharedMemory::ReadWrite))
            sharedMemory.detach();

        if (sharedMemory.attach(QSharedMemory::ReadWrite)) {
            semaphore.release();
            return Result::AlreadyRunning;
        }
        if (sharedMemory.create(1, QSharedMemory::ReadWrite)) {
            semaphore.release();
            return Result::First;
        }
        // "Already exists" after a failed attach: the segment outlived its key
        // file (a crashed copy whose temporary directory was cleaned). create()
        // has made the file again, so the next round can reach the segment.
        if (sharedMemory.error() != QSharedMemory::AlreadyExists)
            break;
    }
    semaphore.release();
    return Result::CreateFailed;
}
