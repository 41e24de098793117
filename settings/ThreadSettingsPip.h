// SPDX-License-Identifier: MIT
#pragma once

#include <QThread>

class PipeServer;

// Serves the ASIO driver's pipe and signals when it asks for the settings window.
class ThreadSettingsPip : public QThread
{
    Q_OBJECT

public:
    explicit ThreadSettingsPip(QObject *parent = nullptr);
    // Ends the serving loop, joins the thread, then closes the pipe.
    ~ThreadSettingsPip() override;

signals:
    void progressUpdated(int value);

protected:
    void run() override;

private:
    PipeServer *pipeServer = nullptr;
};
