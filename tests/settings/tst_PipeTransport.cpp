// SPDX-License-Identifier: MIT
// The incoming and outgoing ASIO pipes over the socket transport, from the OS
// layer up to PipeServer and sendAsioReset.
#include "LogCapture.h"

#include "platform/NamedPipe.h"
#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "platform/posix/RuntimeDir.h"
#include "settings/AsioReset.h"
#include "settings/PipeServer.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform = zelvoro::platform;
namespace winerror = zelvoro::platform::winerror;

namespace {

const std::wstring kIncoming = L"\\\\.\\pipe\\ZelvoroASIOToPannel";
const std::wstring kOutgoing = L"\\\\.\\pipe\\ZelvoroPannelToASIO";

std::vector<std::uint8_t> openRequest(std::uint32_t word5, std::size_t size = 20)
{
    std::vector<std::uint8_t> message(size, 0);
    if (size >= 20)
        platform::posix::putLe32(message.data() + 16, word5);
    return message;
}

// Connects as the ASIO driver would and writes one message; returns the
// still open client so the caller can see what the server does with it.
platform::NativeHandle sendMessage(const std::wstring &name, const std::vector<std::uint8_t> &message)
{
    std::uint32_t error = 0;
    const platform::NativeHandle client = platform::openPipeClient(name, error);
    if (client == platform::kInvalidHandle)
        return client;
    if (!platform::writePipeMessage(client, message.data(), static_cast<std::uint32_t>(message.size()),
                                    error)) {
        platform::closePipeClient(client);
        return platform::kInvalidHandle;
    }
    return client;
}

// True when the peer has closed the connection: a read sees end of stream.
bool peerClosed(platform::NativeHandle client)
{
    char byte;
    return ::recv(static_cast<int>(client), &byte, 1, 0) <= 0;
}

std::string incomingPath()
{
    return platform::posix::endpointPath(kIncoming);
}

} // namespace

class PipeTransportTest : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readsOneMessageWithItsWords();
    void emptyMessageIsASuccessfulRead();
    void oversizedMessageFailsAndDisconnects();
    void connectionEndingMidFrameIsABrokenPipe();
    void tricklingClientIsCutOffByTheDeadline();
    void oneMessagePerConnection();

    void secondServerOfTheSameNameIsRefused();
    void staleSocketIsReplaced();
    void closingRemovesTheSocket();
    void refusesARuntimeDirectoryOthersCanUse();

    void releaseEndsAWaitForAClient();
    void releaseEndsAReadOfAStalledClient();

    void pipeServerCopiesOnlyTheBytesRead();
    void pipeServerLogsItsFailures();

    void resetWithoutAsioSideLogsFileNotFound();
    void resetSendsTheByteOne();
    void resetToAServerThatNeverTakesItGivesUp();
};

void PipeTransportTest::init()
{
    // A failed case must not leave its socket to the next one.
    ::chmod(platform::posix::runtimeDirectory().c_str(), 0700);
    ::unlink(incomingPath().c_str());
}

void PipeTransportTest::readsOneMessageWithItsWords()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server != platform::kInvalidPipeServer);
    QCOMPARE(error, winerror::Success);

    std::vector<std::uint8_t> message = openRequest(1);
    platform::posix::putLe32(message.data(), 0xA1B2C3D4);
    const platform::NativeHandle client = sendMessage(kIncoming, message);
    QVERIFY(client != platform::kInvalidHandle);

    QVERIFY(platform::connectPipeClient(server, error));
    std::uint8_t buffer[1024] = {};
    std::uint32_t bytesRead = 0;
    QVERIFY(platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(bytesRead, 20u);
    QCOMPARE(platform::posix::getLe32(buffer), 0xA1B2C3D4u);
    QCOMPARE(platform::posix::getLe32(buffer + 16), 1u);
    platform::disconnectPipeClient(server);
    QVERIFY(peerClosed(client));

    platform::closePipeClient(client);
    platform::closePipeServer(server);
}

void PipeTransportTest::emptyMessageIsASuccessfulRead()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    const platform::NativeHandle client = sendMessage(kIncoming, {});
    QVERIFY(client != platform::kInvalidHandle);

    QVERIFY(platform::connectPipeClient(server, error));
    std::uint8_t buffer[1024];
    std::memset(buffer, 0x5A, sizeof buffer);
    std::uint32_t bytesRead = 99;
    QVERIFY(platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(bytesRead, 0u);
    QCOMPARE(buffer[0], std::uint8_t(0x5A));

    platform::closePipeClient(client);
    platform::closePipeServer(server);
}

void PipeTransportTest::oversizedMessageFailsAndDisconnects()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    const platform::NativeHandle client = sendMessage(kIncoming, std::vector<std::uint8_t>(1025, 0x11));
    QVERIFY(client != platform::kInvalidHandle);

    QVERIFY(platform::connectPipeClient(server, error));
    std::uint8_t buffer[1024] = {};
    std::uint32_t bytesRead = 0;
    QVERIFY(!platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(error, winerror::MoreData);
    QCOMPARE(bytesRead, 0u);
    platform::disconnectPipeClient(server);
    QVERIFY(peerClosed(client));

    // Exactly 1024 bytes still fit.
    const platform::NativeHandle full = sendMessage(kIncoming, std::vector<std::uint8_t>(1024, 0x22));
    QVERIFY(platform::connectPipeClient(server, error));
    QVERIFY(platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(bytesRead, 1024u);
    QCOMPARE(buffer[1023], std::uint8_t(0x22));

    platform::closePipeClient(full);
    platform::closePipeClient(client);
    platform::disconnectPipeClient(server);

    // Refused at its header, without waiting for the bytes it announces.
    const platform::NativeHandle huge = platform::openPipeClient(kIncoming, error);
    std::uint8_t header[4];
    platform::posix::putLe32(header, 1u << 20);
    QCOMPARE(::send(static_cast<int>(huge), header, sizeof header, MSG_NOSIGNAL), ssize_t(sizeof header));
    QVERIFY(platform::connectPipeClient(server, error));
    QElapsedTimer refused;
    refused.start();
    QVERIFY(!platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(error, winerror::MoreData);
    QVERIFY2(refused.elapsed() < 500, qPrintable(QString::number(refused.elapsed())));
    platform::disconnectPipeClient(server);
    QVERIFY(peerClosed(huge));
    platform::closePipeClient(huge);
    platform::closePipeServer(server);
}

void PipeTransportTest::connectionEndingMidFrameIsABrokenPipe()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);

    // A header announcing 20 bytes, then only 3 of them.
    platform::NativeHandle client = platform::openPipeClient(kIncoming, error);
    QVERIFY(client != platform::kInvalidHandle);
    const std::uint8_t partial[] = {20, 0, 0, 0, 1, 2, 3};
    QCOMPARE(::send(static_cast<int>(client), partial, sizeof partial, MSG_NOSIGNAL),
             ssize_t(sizeof partial));
    platform::closePipeClient(client);

    QVERIFY(platform::connectPipeClient(server, error));
    std::uint8_t buffer[1024] = {};
    std::uint32_t bytesRead = 0;
    QVERIFY(!platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(error, winerror::BrokenPipe);
    platform::disconnectPipeClient(server);

    // A client that connects and leaves without a byte.
    client = platform::openPipeClient(kIncoming, error);
    platform::closePipeClient(client);
    QVERIFY(platform::connectPipeClient(server, error));
    QVERIFY(!platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(error, winerror::BrokenPipe);

    platform::closePipeServer(server);
}

// A client that sends its message a byte at a time, each byte well within the
// limit, is still cut off once the limit has passed since it connected.
void PipeTransportTest::tricklingClientIsCutOffByTheDeadline()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    const platform::NativeHandle client = platform::openPipeClient(kIncoming, error);
    QVERIFY(client != platform::kInvalidHandle);
    QVERIFY(platform::connectPipeClient(server, error));
    QElapsedTimer connected;
    connected.start();

    std::vector<std::uint8_t> frame(4);
    platform::posix::putLe32(frame.data(), 20);
    const std::vector<std::uint8_t> message = openRequest(1);
    frame.insert(frame.end(), message.begin(), message.end());
    std::atomic<bool> stop{false};
    auto trickle = std::async(std::launch::async, [&] {
        for (std::size_t i = 0; i < frame.size() && !stop; ++i) {
            ::send(static_cast<int>(client), &frame[i], 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    });
    std::uint8_t buffer[1024] = {};
    std::uint32_t bytesRead = 0;
    const bool ok = platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error);
    const qint64 took = connected.elapsed();
    stop = true;
    trickle.wait();
    QVERIFY(!ok);
    QCOMPARE(error, winerror::BrokenPipe);
    QVERIFY2(took >= qint64(platform::kPipeClientSilenceLimitMs) - 50 && took < 2600,
             qPrintable(QString::number(took)));

    platform::closePipeClient(client);
    platform::closePipeServer(server);
}

void PipeTransportTest::oneMessagePerConnection()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    const platform::NativeHandle first = sendMessage(kIncoming, openRequest(7));
    const std::vector<std::uint8_t> extra = openRequest(8);
    QVERIFY(platform::writePipeMessage(first, extra.data(), 20, error));
    const platform::NativeHandle second = sendMessage(kIncoming, openRequest(9));

    std::uint8_t buffer[1024] = {};
    std::uint32_t bytesRead = 0;
    QVERIFY(platform::connectPipeClient(server, error));
    QVERIFY(platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(platform::posix::getLe32(buffer + 16), 7u);
    platform::disconnectPipeClient(server);

    // The second frame on the first connection is discarded with it.
    QVERIFY(platform::connectPipeClient(server, error));
    QVERIFY(platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(platform::posix::getLe32(buffer + 16), 9u);

    platform::closePipeClient(first);
    platform::closePipeClient(second);
    platform::closePipeServer(server);
}

void PipeTransportTest::secondServerOfTheSameNameIsRefused()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    platform::PipeServerHandle rival = platform::createPipeServer(kIncoming, error);
    QCOMPARE(rival, platform::kInvalidPipeServer);
    QCOMPARE(error, winerror::PipeBusy);

    // The first server keeps its socket and still serves. The rival's probe
    // was a connection without a message.
    const platform::NativeHandle client = sendMessage(kIncoming, openRequest(3));
    QVERIFY(client != platform::kInvalidHandle);
    std::uint8_t buffer[1024] = {};
    std::uint32_t bytesRead = 0;
    QVERIFY(platform::connectPipeClient(server, error));
    QVERIFY(!platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(error, winerror::BrokenPipe);
    platform::disconnectPipeClient(server);
    QVERIFY(platform::connectPipeClient(server, error));
    QVERIFY(platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(platform::posix::getLe32(buffer + 16), 3u);

    platform::closePipeClient(client);
    platform::closePipeServer(server);
}

void PipeTransportTest::staleSocketIsReplaced()
{
    QCOMPARE(platform::posix::checkRuntimeDirectory(true), winerror::Success);
    // A socket file left behind by a server that died: bound, never unlinked.
    const std::string path = incomingPath();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::close(fd);
    struct stat st = {};
    QCOMPARE(::lstat(path.c_str(), &st), 0);

    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    QCOMPARE(error, winerror::Success);
    const platform::NativeHandle client = sendMessage(kIncoming, openRequest(5));
    QVERIFY(client != platform::kInvalidHandle);
    QVERIFY(platform::connectPipeClient(server, error));
    std::uint8_t buffer[1024] = {};
    std::uint32_t bytesRead = 0;
    QVERIFY(platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(platform::posix::getLe32(buffer + 16), 5u);

    platform::closePipeClient(client);
    platform::closePipeServer(server);
}

void PipeTransportTest::closingRemovesTheSocket()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    struct stat st = {};
    QCOMPARE(::lstat(incomingPath().c_str(), &st), 0);
    QVERIFY(S_ISSOCK(st.st_mode));
    platform::closePipeServer(server);
    QVERIFY(::lstat(incomingPath().c_str(), &st) != 0);

    // Nobody serving: a client gets "file not found".
    QCOMPARE(platform::openPipeClient(kIncoming, error), platform::kInvalidHandle);
    QCOMPARE(error, winerror::FileNotFound);
}

void PipeTransportTest::refusesARuntimeDirectoryOthersCanUse()
{
    QCOMPARE(platform::posix::checkRuntimeDirectory(true), winerror::Success);
    const std::string dir = platform::posix::runtimeDirectory();
    for (const mode_t mode : {mode_t(0750), mode_t(0701), mode_t(0770)}) {
        QCOMPARE(::chmod(dir.c_str(), mode), 0);
        std::uint32_t error = 0;
        QCOMPARE(platform::createPipeServer(kIncoming, error), platform::kInvalidPipeServer);
        QCOMPARE(error, winerror::AccessDenied);
        QCOMPARE(platform::openPipeClient(kOutgoing, error), platform::kInvalidHandle);
        QCOMPARE(error, winerror::AccessDenied);
    }
    ::chmod(dir.c_str(), 0700);
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    platform::closePipeServer(server);
}

void PipeTransportTest::releaseEndsAWaitForAClient()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    std::uint32_t waitError = 0;
    auto waiting = std::async(
        std::launch::async, [server, &waitError] { return platform::connectPipeClient(server, waitError); });
    // Still waiting: nobody has connected.
    QCOMPARE(waiting.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);

    platform::releasePipeServer(server);
    QCOMPARE(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    QVERIFY(!waiting.get());
    QCOMPARE(waitError, winerror::OperationAborted);

    // Released for good: the next wait fails at once, even with a client queued.
    const platform::NativeHandle client = sendMessage(kIncoming, openRequest(1));
    QVERIFY(!platform::connectPipeClient(server, error));
    QCOMPARE(error, winerror::OperationAborted);
    platform::closePipeClient(client);
    platform::closePipeServer(server);
}

void PipeTransportTest::releaseEndsAReadOfAStalledClient()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    QVERIFY(server);
    // Connected, but never finishes its message.
    const platform::NativeHandle client = platform::openPipeClient(kIncoming, error);
    const std::uint8_t header[] = {20, 0};
    QCOMPARE(::send(static_cast<int>(client), header, sizeof header, MSG_NOSIGNAL), ssize_t(2));
    QVERIFY(platform::connectPipeClient(server, error));

    std::uint32_t readError = 0;
    auto reading = std::async(std::launch::async, [server, &readError] {
        std::uint8_t buffer[1024];
        std::uint32_t bytesRead = 0;
        return platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, readError);
    });
    QCOMPARE(reading.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    platform::releasePipeServer(server);
    QCOMPARE(reading.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    QVERIFY(!reading.get());
    QCOMPARE(readError, winerror::OperationAborted);

    platform::closePipeClient(client);
    platform::closePipeServer(server);
}

void PipeTransportTest::pipeServerCopiesOnlyTheBytesRead()
{
    LogCapture log;
    {
        PipeServer server(QString::fromStdWString(kIncoming));
        QVERIFY(server.createPipe());
        QVERIFY(log.contains(QStringLiteral("Pipe created successfully.")));

        // Shorter than 20 bytes: the destination keeps what it held beyond them.
        const platform::NativeHandle client = sendMessage(kIncoming, {1, 2, 3});
        PipeServer::Message buffer;
        buffer.fill(0xEE);
        QVERIFY(server.readMessage(buffer));
        QCOMPARE(buffer[0], std::uint8_t(1));
        QCOMPARE(buffer[2], std::uint8_t(3));
        QCOMPARE(buffer[3], std::uint8_t(0xEE));
        QCOMPARE(buffer[1023], std::uint8_t(0xEE));
        // The client was disconnected after its one message.
        QVERIFY(peerClosed(client));
        platform::closePipeClient(client);
        QCOMPARE(log.count(QStringLiteral("Pipe closed.")), 0);
    }
    QCOMPARE(log.count(QStringLiteral("Pipe closed.")), 1);
}

void PipeTransportTest::pipeServerLogsItsFailures()
{
    LogCapture log;
    PipeServer server(QString::fromStdWString(kIncoming));
    QVERIFY(server.createPipe());

    const platform::NativeHandle big = sendMessage(kIncoming, std::vector<std::uint8_t>(1025, 1));
    PipeServer::Message buffer{};
    QVERIFY(!server.readMessage(buffer));
    QVERIFY(log.lines().contains(QStringLiteral("Error reading from pipe. Error code: 234")));
    QVERIFY(peerClosed(big));
    QCOMPARE(buffer[0], std::uint8_t(0));
    platform::closePipeClient(big);

    PipeServer rival(QString::fromStdWString(kIncoming));
    QVERIFY(!rival.createPipe());
    QVERIFY(log.lines().contains(QStringLiteral("Error: Could not create pipe. Error code: 231")));
    // A server that never got its pipe fails its reads at once and closes nothing.
    QVERIFY(!rival.readMessage(buffer));
    QVERIFY(log.lines().contains(QStringLiteral("Error connecting to pipe. Error code: 6")));
    log.clear();
    rival.release();
    QVERIFY(!log.contains(QStringLiteral("Pipe closed.")));
}

void PipeTransportTest::resetWithoutAsioSideLogsFileNotFound()
{
    QCOMPARE(platform::posix::checkRuntimeDirectory(true), winerror::Success);
    LogCapture log;
    sendAsioReset();
    QCOMPARE(log.lines(), QStringList{QStringLiteral("Error: Could not open pipe. Error code: 2")});
}

void PipeTransportTest::resetSendsTheByteOne()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle asio = platform::createPipeServer(kOutgoing, error);
    QVERIFY(asio);
    LogCapture log;
    sendAsioReset();
    QCOMPARE(log.lines(), (QStringList{QStringLiteral("Pipe opened successfully."),
                                       QStringLiteral("ASIO reset signal sent successfully."),
                                       QStringLiteral("设置通知ASIO逻辑")}));

    QVERIFY(platform::connectPipeClient(asio, error));
    std::uint8_t buffer[1024] = {};
    std::uint32_t bytesRead = 0;
    QVERIFY(platform::readPipeMessage(asio, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(bytesRead, 1u);
    QCOMPARE(buffer[0], std::uint8_t(0x31));
    platform::disconnectPipeClient(asio);

    // Each reset is its own connection with its own byte.
    sendAsioReset();
    QVERIFY(platform::connectPipeClient(asio, error));
    QVERIFY(platform::readPipeMessage(asio, buffer, sizeof buffer, bytesRead, error));
    QCOMPARE(bytesRead, 1u);
    platform::closePipeServer(asio);
}

// The ASIO side's socket has a full queue and never accepts: the reset gives
// up after the limit instead of holding the GUI thread.
void PipeTransportTest::resetToAServerThatNeverTakesItGivesUp()
{
    QCOMPARE(platform::posix::checkRuntimeDirectory(true), winerror::Success);
    const std::string path = platform::posix::endpointPath(kOutgoing);
    ::unlink(path.c_str());
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    QCOMPARE(::bind(listening, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::listen(listening, 0), 0);
    // One queued connection fills a queue of length 0.
    const int filler = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QCOMPARE(::connect(filler, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);

    QElapsedTimer blocked;
    QStringList lines;
    {
        LogCapture log;
        blocked.start();
        sendAsioReset();
        lines = log.lines();
    }
    const qint64 took = blocked.elapsed();
    QCOMPARE(lines, QStringList{QStringLiteral("Error: Could not open pipe. Error code: 121")});
    QVERIFY2(took >= qint64(platform::kPipeClientWriteLimitMs) - 50 && took < 3000,
             qPrintable(QString::number(took)));
    qInfo("GUI thread blocked by an ASIO side that never takes the reset: %lld ms", took);

    ::close(filler);
    ::close(listening);
    ::unlink(path.c_str());
}

QTEST_GUILESS_MAIN(PipeTransportTest)
#include "tst_PipeTransport.moc"
