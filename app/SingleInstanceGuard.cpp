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
    // A copy that crashed leaves its segment behind on Unix. Attaching and
    // detaching again removes a segment nobody else holds; a live copy keeps
    // its attachment, so the test below still finds it.
    if (sharedMemory.attach(QSharedMemory::ReadWrite))
        sharedMemory.detach();

    if (sharedMemory.attach(QSharedMemory::ReadWrite)) {
        semaphore.release();
        return Result::AlreadyRunning;
    }
    if (!sharedMemory.create(1, QSharedMemory::ReadWrite)) {
        semaphore.release();
        return Result::CreateFailed;
    }
    semaphore.release();
    return Result::First;
}
