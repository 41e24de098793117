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

    // The first wait before creating the pipe again when another process held
    // its name; each further wait doubles, up to 30 s. Tests shorten it.
    void setRetryDelay(int milliseconds) { retryDelayMs = milliseconds; }

signals:
    void progressUpdated(int value);

protected:
    void run() override;

private:
    bool createAgain();

    PipeServer *pipeServer = nullptr;
    int retryDelayMs = 1000;
};
