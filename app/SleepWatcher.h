// SPDX-License-Identifier: MIT
#pragma once

#include "platform/PowerWatch.h"

#include <QObject>

#include <memory>

// Announces the system's sleep and resume: WM_POWERBROADCAST on Windows
// (through the OS layer), logind's PrepareForSleep on the Linux system bus.
// Where neither exists it stays silent.
class SleepWatcher : public QObject, private zelvoro::platform::PowerWatch::Listener
{
    Q_OBJECT

public:
    explicit SleepWatcher(QObject *parent = nullptr);
    ~SleepWatcher() override;

signals:
    void suspending();
    void resumed();

private slots:
    // logind's signal: true before the sleep, false after the resume.
    void prepareForSleep(bool start);

private:
    void systemSuspending() override;
    void systemResumed() override;

    std::unique_ptr<zelvoro::platform::PowerWatch> powerWatch;
};
