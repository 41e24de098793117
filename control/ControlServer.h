// SPDX-License-Identifier: MIT
#pragma once

#include "control/ControlLineReader.h"
#include "control/ControlOutcome.h"
#include "control/ControlRequest.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QSet>

class MixerControls;
class QLocalServer;
class QLocalSocket;
class QTimer;
class SnapshotManager;

// The running program's local control channel: a QLocalServer only the user
// can reach (a named pipe per user and session on Windows, a socket in the
// private runtime folder elsewhere). One JSON object per line each way; every
// request is answered with its id echoed, bad input with an error answer. It
// never waits on a client: reads and writes go through the event loop. At most
// 32 clients at a time; one that neither watches nor sends for 60 s is closed.
// Should the server stop listening (Qt closes it when an accept fails, e.g. out
// of descriptors), it listens again with back-off.
class ControlServer : public QObject
{
    Q_OBJECT

public:
    ControlServer(MixerControls *mixer, SnapshotManager *snapshots, QObject *parent = nullptr);
    ~ControlServer() override;

    // Starts serving; false (logged) when the channel cannot be had.
    bool listen();
    QString channelName() const;

signals:
    // "main" or "settings".
    void openRequested(const QString &window);
    void quitRequested();

private:
    void acceptConnections();
    void reject(QLocalSocket *socket);
    void checkListening();
    void serving(const QString &name);
    void refused(const QString &line);
    void readRequests(QLocalSocket *socket);
    void forget(QLocalSocket *socket);
    QJsonObject handle(const ControlRequest &request, QLocalSocket *socket);
    void send(QLocalSocket *socket, const QJsonObject &object);
    void broadcast(const QJsonObject &event);

    MixerControls *mixer;
    SnapshotManager *snapshots;
    QLocalServer *server;
    // Checks that the server still listens; while it does not, paces the retries.
    QTimer *listenCheck;
    // Attempts to listen again since the server stopped; 0 while it serves.
    int relistenAttempts = 0;
    // Turned-away clients still waited on.
    int rejected = 0;
    QHash<QLocalSocket *, ControlLineReader> readers;
    QSet<QLocalSocket *> watchers;
};
