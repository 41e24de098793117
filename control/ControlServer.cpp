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
// Each client costs a descriptor: past this many the next one is turned away,
// so clients cannot exhaust the process's descriptors.
constexpr int kMaxClients = 32;
constexpr int kIdleMs = 60000;
constexpr int kRejectedWaitMs = 1000;
constexpr int kListenCheckMs = 1000;
constexpr int kMaxRelistenDelayMs = 30000;
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
// Empty when this process serves the name; otherwise the line saying who does.
QString servedElsewhere(QLocalServer *server, const QString &name)
{
    std::uint32_t other = 0;
    const std::uint32_t error = zelvoro::platform::checkControlChannelServer(name.toStdString(), other);
    if (error == 0)
        return {};
    server->close();
    return QStringLiteral("Control channel %1 is served by another program (process %2, error %3)")
        .arg(name)
        .arg(other)
        .arg(error);
}

} // namespace

ControlServer::ControlServer(MixerControls *mixer, SnapshotManager *snapshots, QObject *parent)
    : QObject(parent), mixer(mixer), snapshots(snapshots), server(new QLocalServer(this)),
      listenCheck(new QTimer(this))
{
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, &ControlServer::acceptConnections);
    // QLocalServer closes itself without a signal when an accept fails: only
    // looking finds it.
    connect(listenCheck, &QTimer::timeout, this, &ControlServer::checkListening);
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
        refused(QStringLiteral("Control channel not started: its folder was refused, error %1").arg(error));
        return false;
    }
    const QString name = channelName();
    if (server->listen(name)) {
        if (const QString why = servedElsewhere(server, name); !why.isEmpty()) {
            refused(why);
            return false;
        }
        serving(name);
        return true;
    }
    // A socket left by a program that ended without removing it is taken
    // over; a live server is not.
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(200)) {
        refused(QStringLiteral("Control channel %1 is served by another program").arg(name));
        return false;
    }
    QLocalServer::removeServer(name);
    if (server->listen(name)) {
        if (const QString why = servedElsewhere(server, name); !why.isEmpty()) {
            refused(why);
            return false;
        }
        serving(name);
        return true;
    }
    refused(QStringLiteral("Control channel not started on %1: %2").arg(name, server->errorString()));
    return false;
}

// One line when the server starts, or serves again after it had stopped.
void ControlServer::serving(const QString &name)
{
    if (relistenAttempts == 0)
        qDebug().noquote() << QStringLiteral("Control channel listening on %1").arg(name);
    else
        qDebug().noquote() << QStringLiteral("Control channel listening on %1 again after %2 attempts.")
                                  .arg(name)
                                  .arg(relistenAttempts);
    relistenAttempts = 0;
    listenCheck->start(kListenCheckMs);
}

// Retries say nothing: the line that they started said it.
void ControlServer::refused(const QString &line)
{
    if (relistenAttempts == 0)
        qWarning().noquote() << line;
}

void ControlServer::checkListening()
{
    if (relistenAttempts == 0) {
        if (server->isListening())
            return;
        qWarning().noquote() << QStringLiteral(
                                    "Control channel stopped listening (%1): listening again after %2 ms, "
                                    "doubling up to %3 ms.")
                                    .arg(server->errorString())
                                    .arg(kListenCheckMs)
                                    .arg(kMaxRelistenDelayMs);
        relistenAttempts = 1;
        return;
    }
    if (!listen()) {
        ++relistenAttempts;
        listenCheck->start(qMin(listenCheck->interval() * 2, kMaxRelistenDelayMs));
    }
}

void ControlServer::acceptConnections()
{
    while (QLocalSocket *socket = server->nextPendingConnection()) {
        if (readers.size() >= kMaxClients) {
            reject(socket);
            continue;
        }
        readers.insert(socket, ControlLineReader());
        // A flooding client is held back by the OS rather than buffered here.
        socket->setReadBufferSize(kReadBuffer);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
        // A watcher may be silent for ever; any other client must speak.
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(socket, &QLocalSocket::readyRead, idle, qOverload<>(&QTimer::start));
        connect(idle, &QTimer::timeout, this, [this, socket] {
            if (watchers.contains(socket))
                return;
            qDebug() << "Control client closed: it sent nothing for" << kIdleMs / 1000 << "s";
            forget(socket);
            socket->abort();
        });
        idle->start(kIdleMs);
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

void ControlServer::reject(QLocalSocket *socket)
{
    const QJsonObject refusal =
        answer(QJsonValue::Undefined,
               ControlOutcome::failure(ControlOutcome::Code::Refused, QStringLiteral("too many clients")));
    socket->write(QJsonDocument(refusal).toJson(QJsonDocument::Compact) + '\n');
    socket->flush();
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A client that sends its request after we closed fails to write and
    // drops the answer unread: wait a moment for the request, while few wait.
    if (rejected < kMaxClients) {
        ++rejected;
        connect(socket, &QObject::destroyed, this, [this] { --rejected; });
        connect(socket, &QLocalSocket::readyRead, socket, [socket] {
            socket->readAll();
            socket->disconnectFromServer();
        });
        QTimer::singleShot(kRejectedWaitMs, socket, &QLocalSocket::disconnectFromServer);
        return;
    }
    socket->disconnectFromServer();
    if (socket->state() == QLocalSocket::UnconnectedState)
        socket->deleteLater();
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
    // Out to the kernel at once: a client that shut its side after its
    // request makes the socket close on the next read, and whatever is still
    // buffered here would be lost.
    socket->flush();
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
