// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QLocalSocket>
#include <QObject>
#include <QString>

// One connection to the running program's control channel: one compact JSON
// object per line each way. request() waits for its answer; after a watch
// request, lines that arrive are reported as events.
class ControlConnection : public QObject
{
    Q_OBJECT

public:
    explicit ControlConnection(QObject *parent = nullptr);

    // False (with error()) when nothing serves the channel within the limit.
    bool connectToProgram(int timeoutMs);
    // Sends one request and waits for the answer with the same id. An empty
    // object (with error()) when the program did not answer in time or the
    // connection ended.
    QJsonObject request(QJsonObject request, int timeoutMs);
    // From now on every complete line is emitted as eventReceived().
    void startEvents();
    QString error() const { return lastError; }

    // The longest line the channel takes, without its newline.
    static constexpr int maximumLine = 65536;

signals:
    void eventReceived(const QJsonObject &event);
    void closed();

private:
    void readEvents();
    // Takes one complete line from the buffer, if there is one.
    bool takeLine(QByteArray &line);

    QLocalSocket socket;
    QByteArray buffer;
    QString lastError;
    int nextId = 1;
};
