// SPDX-License-Identifier: MIT
#include "control/ControlServer.h"

#include "control/ControlRequestParser.h"
#include "control/MixerControls.h"
#include "control/SnapshotManager.h"
#include "platform/ControlChannel.h"

#include <QDebug>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace {

// A client that reads nothing (a stuck watcher) is dropped before its
// answers fill the memory.
constexpr qint64 kMaxPending = 4 << 20;
constexpr qint64 kReadBuffer = 1 << 20;
// How long quit waits for its answer to leave.
constexpr int kQuitFlushMs = 500;

QJsonObject answer(const QJsonValue &id, const ControlOutcome &outcome)
{
    QJsonObject object = outcome.fields;
    if (!id.isUndefined())
        object.insert(QStringLiteral("id"), id);
    object.insert(QStringLiteral("ok"), outcome.ok());
    if (!outcome.ok()) {
        object.insert(QStringLiteral("code"), ControlOutcome::codeText(outcome.code));
        object.insert(QStringLiteral("error"), outcome.error);
    }
    return object;
}

// Windows lets our listener join a name another process serves already, and
// clients could reach that one: serve only where a client reaches us.
bool servedHere(QLocalServer *server, const QString &name)
{
    std::uint32_t other = 0;
    const std::uint32_t error = zelvoro::platform::checkControlChannelServer(name.toStdString(), other);
    if (error == 0)
        return true;
    qWarning().noquote() << QStringLiteral("Control channel %1 is served by another program (process %2, error %3)")
                                .arg(name)
                                .arg(other)
                                .arg(error);
    server->close();
    return false;
}

} // namespace

ControlServer::ControlServer(MixerControls *mixer, SnapshotManager *snapshots, QObject *parent)
    : QObject(parent), mixer(mixer), snapshots(snapshots), server(new QLocalServer(this))
{
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, &ControlServer::acceptConnections);
    connect(mixer, &MixerControls::changed, this, [this](const QString &name, const QJsonValue &value) {
        broadcast({{QStringLiteral("event"), QStringLiteral("change")},
                   {QStringLiteral("name"), name},
                   {QStringLiteral("value"), value}});
    });
    connect(mixer, &MixerControls::connectionChanged, this,
            [this](bool connected, const QString &model, const QString &firmware) {
                broadcast({{QStringLiteral("event"), QStringLiteral("connection")},
                           {QStringLiteral("connected"), connected},
                           {QStringLiteral("model"), connected ? QJsonValue(model) : QJsonValue()},
                           {QStringLiteral("firmware"), connected ? QJsonValue(firmware) : QJsonValue()}});
            });
}

ControlServer::~ControlServer()
{
    // The sockets are the server's children; forget them before they go.
    disconnect(server, nullptr, this, nullptr);
    for (QLocalSocket *socket : readers.keys())
        disconnect(socket, nullptr, this, nullptr);
}

QString ControlServer::channelName() const
{
    return QString::fromStdString(zelvoro::platform::controlChannelName());
}

bool ControlServer::listen()
{
    if (const std::uint32_t error = zelvoro::platform::prepareControlChannel()) {
        qWarning() << "Control channel not started: its folder was refused, error" << error;
        return false;
    }
    const QString name = channelName();
    if (server->listen(name)) {
        if (!servedHere(server, name))
            return false;
        qDebug().noquote() << QStringLiteral("Control channel listening on %1").arg(name);
        return true;
    }
    // A socket left by a program that ended without removing it is taken
    // over; a live server is not.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(200)) {
        qWarning().noquote() << QStringLiteral("Control channel %1 is served by another program").arg(name);
        return false;
    }
    QLocalServer::removeServer(name);
    if (server->listen(name)) {
        if (!servedHere(server, name))
            return false;
        qDebug().noquote() << QStringLiteral("Control channel listening on %1").arg(name);
        return true;
    }
    qWarning().noquote() << QStringLiteral("Control channel not started on %1: %2").arg(name, server->errorString());
    return false;
}

void ControlServer::acceptConnections()
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
        readers.insert(socket, ControlLineReader());
        // A flooding client is held back by the OS rather than buffered here.
        socket->setReadBufferSize(kReadBuffer);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
        // Requests that came just before the close still take effect.
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            readRequests(socket);
            forget(socket);
        });
        // Data that came with the connection.
        if (socket->bytesAvailable() > 0)
            readRequests(socket);
    }
}

void ControlServer::forget(QLocalSocket *socket)
{
    if (!readers.remove(socket))
        return;
    watchers.remove(socket);
    disconnect(socket, nullptr, this, nullptr);
    socket->deleteLater();
}

void ControlServer::readRequests(QLocalSocket *socket)
{
    while (readers.contains(socket) && socket->bytesAvailable() > 0) {
        const QList<ControlLineReader::Line> lines = readers[socket].feed(socket->readAll());
        for (const ControlLineReader::Line &line : lines) {
            if (!readers.contains(socket))
                return;
            if (line.overLength > 0) {
                send(socket, answer(QJsonValue::Undefined,
                                    ControlOutcome::failure(ControlOutcome::Code::Usage,
                                                            QStringLiteral("request line too long (%1 bytes, at most %2)")
                                                                .arg(line.overLength)
                                                                .arg(ControlLineReader::kMaxLine))));
                continue;
            }
            const ControlRequestParser::Result parsed = ControlRequestParser::parse(line.text);
            if (!parsed.ok) {
                send(socket, answer(parsed.request.id, ControlOutcome::failure(ControlOutcome::Code::Usage, parsed.error)));
                continue;
            }
            send(socket, handle(parsed.request, socket));
            if (parsed.request.command == ControlRequest::Command::Quit) {
                if (socket->bytesToWrite() > 0)
                    socket->waitForBytesWritten(kQuitFlushMs);
                QTimer::singleShot(0, this, &ControlServer::quitRequested);
                return;
            }
        }
    }
}

QJsonObject ControlServer::handle(const ControlRequest &request, QLocalSocket *socket)
{
    using Command = ControlRequest::Command;
    ControlOutcome outcome;
    switch (request.command) {
    case Command::Version:
        outcome = ControlOutcome::success({{QStringLiteral("version"), QStringLiteral(ZELVORO_VERSION)}});
        break;
    case Command::Status:
        outcome = ControlOutcome::success(mixer->status());
        break;
    case Command::Get:
        outcome = mixer->get(request.name);
        break;
    case Command::Set:
        outcome = mixer->set(request.name, request.value);
        break;
    case Command::Toggle:
        outcome = mixer->toggle(request.name);
        break;
    case Command::Watch:
        watchers.insert(socket);
        outcome = ControlOutcome::success();
        break;
    case Command::SnapshotSave:
        outcome = snapshots->save(request.name);
        break;
    case Command::SnapshotLoad:
        outcome = request.hasContent ? snapshots->loadContent(request.content) : snapshots->loadNamed(request.name);
        break;
    case Command::SnapshotList:
        outcome = snapshots->list();
        break;
    case Command::SnapshotDelete:
        outcome = snapshots->remove(request.name);
        break;
    case Command::Open:
        emit openRequested(request.window);
        outcome = ControlOutcome::success();
        break;
    case Command::Quit:
        qDebug() << "Quit requested on the control channel.";
        outcome = ControlOutcome::success();
        break;
    }
    if (!outcome.ok())
        qDebug().noquote() << QStringLiteral("Control request %1 failed: %2")
                                  .arg(ControlRequestParser::commandName(request.command), outcome.error);
    return answer(request.id, outcome);
}

void ControlServer::send(QLocalSocket *socket, const QJsonObject &object)
{
    if (!readers.contains(socket))
        return;
    socket->write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
    if (socket->bytesToWrite() > kMaxPending) {
        qWarning() << "Control client dropped: it reads nothing of" << socket->bytesToWrite() << "bytes";
        QLocalSocket *gone = socket;
        forget(gone);
        gone->abort();
    }
}

void ControlServer::broadcast(const QJsonObject &event)
{
    const QList<QLocalSocket *> list = watchers.values();
    for (QLocalSocket *socket : list)
        send(socket, event);
}
