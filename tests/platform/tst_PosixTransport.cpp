// SPDX-License-Identifier: MIT
// The POSIX stand-in for DeviceIoControl: framing, the private runtime
// directory and the error mapping, against a scripted in-process server.
#include "platform/DeviceIo.h"
#include "platform/NamedPipe.h"
#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "platform/posix/RuntimeDir.h"

#include <QDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace zelvoro::platform;

namespace {

// Listens on one endpoint and runs `serve` on the first accepted connection.
class ScriptedServer
{
public:
    ScriptedServer(const std::string &path, std::function<void(int)> serve)
    {
        listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ::unlink(path.c_str());
        bound = ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                ::listen(listener, 4) == 0;
        worker = std::thread([this, serve] {
            const int fd = ::accept(listener, nullptr, nullptr);
            if (fd >= 0) {
                serve(fd);
                ::close(fd);
            }
        });
    }
    ~ScriptedServer()
    {
        ::shutdown(listener, SHUT_RDWR);
        worker.join();
        ::close(listener);
    }
    bool bound = false;

private:
    int listener = -1;
    std::thread worker;
};

} // namespace

class PosixTransportTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QDir(QString::fromStdString(posix::runtimeDirectory())).removeRecursively();
    }

    void runtimeDirectoryLocation()
    {
        QCOMPARE(QString::fromStdString(posix::runtimeDirectory()), qEnvironmentVariable("XDG_RUNTIME_DIR") + "/zelvoro");
        QCOMPARE(QString::fromStdString(posix::endpointPath(std::wstring(L"\\\\.\\pipe\\ZelvoroASIOToPannel"))),
                 qEnvironmentVariable("XDG_RUNTIME_DIR") + "/zelvoro/ZelvoroASIOToPannel");
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", "relative/path");
        QCOMPARE(QString::fromStdString(posix::runtimeDirectory()), QString("/tmp/zelvoro-%1").arg(getuid()));
        qputenv("XDG_RUNTIME_DIR", "");
        QCOMPARE(QString::fromStdString(posix::runtimeDirectory()), QString("/tmp/zelvoro-%1").arg(getuid()));
        qputenv("XDG_RUNTIME_DIR", saved);
    }

    void openWithoutServerIsFileNotFound()
    {
        std::uint32_t error = 0;
        QCOMPARE(openControlDevice(L"\\\\.\\ZelvoroAudioBus0", error), kInvalidHandle);
        QCOMPARE(error, winerror::FileNotFound); // no runtime directory at all
        QCOMPARE(posix::checkRuntimeDirectory(true), winerror::Success);
        QCOMPARE(openControlDevice(L"\\\\.\\ZelvoroAudioBus0", error), kInvalidHandle);
        QCOMPARE(error, winerror::FileNotFound);
    }

    void tooLongSocketPathIsRefusedWithTheReason()
    {
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        const QByteArray deep = saved + '/' + QByteArray(90, 'd');
        QVERIFY(QDir().mkpath(QString::fromUtf8(deep)));
        qputenv("XDG_RUNTIME_DIR", deep);
        QCOMPARE(posix::checkRuntimeDirectory(true), winerror::Success);
        QTemporaryFile said;
        QVERIFY(said.open());
        const int stderrCopy = ::dup(2);
        ::dup2(said.handle(), 2);
        std::uint32_t deviceError = 0;
        std::uint32_t pipeError = 0;
        const NativeHandle device = openControlDevice(L"\\\\.\\ZelvoroAudioBus0", deviceError);
        const PipeServerHandle pipe = createPipeServer(L"\\\\.\\pipe\\ZelvoroASIOToPannel", pipeError);
        ::dup2(stderrCopy, 2);
        ::close(stderrCopy);
        qputenv("XDG_RUNTIME_DIR", saved);
        QCOMPARE(device, kInvalidHandle);
        QCOMPARE(deviceError, winerror::FileNotFound);
        QVERIFY(!pipe);
        QCOMPARE(pipeError, winerror::InvalidParameter);
        said.seek(0);
        const QByteArray lines = said.readAll();
        QCOMPARE(lines.count("socket path too long ("), 1); // once for the directory
        QVERIFY2(lines.contains("at most 107): set XDG_RUNTIME_DIR to a shorter folder"), lines.constData());
    }

    void unsafeRuntimeDirectoryIsRefused()
    {
        const std::string dir = posix::runtimeDirectory();
        QCOMPARE(posix::checkRuntimeDirectory(true), winerror::Success);
        ::chmod(dir.c_str(), 0750);
        QCOMPARE(posix::checkRuntimeDirectory(false), winerror::AccessDenied);
        std::uint32_t error = 0;
        QCOMPARE(openControlDevice(L"\\\\.\\ZelvoroAudioBus0", error), kInvalidHandle);
        QCOMPARE(error, winerror::AccessDenied);
        ::chmod(dir.c_str(), 0700);
        QCOMPARE(posix::checkRuntimeDirectory(false), winerror::Success);

        // A symbolic link in its place is refused even when it points at a good directory.
        const std::string real = dir + "-real";
        QDir().rename(QString::fromStdString(dir), QString::fromStdString(real));
        QVERIFY(::symlink(real.c_str(), dir.c_str()) == 0);
        QCOMPARE(posix::checkRuntimeDirectory(true), winerror::AccessDenied);
        ::unlink(dir.c_str());
        QDir(QString::fromStdString(real)).removeRecursively();
    }

    void requestAndResponseFrames()
    {
        QCOMPARE(posix::checkRuntimeDirectory(true), winerror::Success);
        std::vector<std::uint8_t> seen;
        {
            ScriptedServer server(posix::endpointPath(std::string("\\\\.\\ZelvoroAudioBus0")), [&seen](int fd) {
                std::vector<std::uint8_t> request;
                if (posix::readFrame(fd, request, 1 << 20) != posix::FrameStatus::Ok)
                    return;
                seen = request;
                const std::uint8_t reply[] = {0, 0, 0, 0, 0x02, 0, 0, 0}; // success, pid 2
                posix::writeFrame(fd, reply, sizeof reply);
                // Second request: refused with ERROR_BUSY.
                if (posix::readFrame(fd, request, 1 << 20) != posix::FrameStatus::Ok)
                    return;
                const std::uint8_t busy[] = {170, 0, 0, 0};
                posix::writeFrame(fd, busy, sizeof busy);
            });
            QVERIFY(server.bound);
            std::uint32_t error = 99;
            const NativeHandle h = openControlDevice(L"\\\\.\\ZelvoroAudioBus0", error);
            QVERIFY(h != kInvalidHandle);
            QCOMPARE(error, 0u);
            std::uint32_t pid = 0;
            const std::uint8_t input[3] = {9, 8, 7};
            IoResult r = deviceIoControl(h, 0xFFDC2084u, input, sizeof input, &pid, sizeof pid);
            QVERIFY(r.ok);
            QCOMPARE(r.bytesReturned, 4u);
            QCOMPARE(pid, 2u);
            const std::vector<std::uint8_t> want = {0x84, 0x20, 0xDC, 0xFF, 4, 0, 0, 0, 9, 8, 7};
            QVERIFY(seen == want);

            r = deviceIoControl(h, 0xFFDC2078u, nullptr, 0, nullptr, 0);
            QVERIFY(!r.ok);
            QCOMPARE(r.error, winerror::Busy);

            // The server hangs up: the request fails as on a removed device, and stays failed.
            QTest::qWait(50);
            r = deviceIoControl(h, 0xFFDC2078u, nullptr, 0, nullptr, 0);
            QCOMPARE(r.error, winerror::DeviceNotConnected);
            r = deviceIoControl(h, 0xFFDC2078u, nullptr, 0, nullptr, 0);
            QCOMPARE(r.error, winerror::DeviceNotConnected);
            closeHandle(h);
        }
    }

    void overrunningPeerIsNotTrusted()
    {
        QCOMPARE(posix::checkRuntimeDirectory(true), winerror::Success);
        ScriptedServer server(posix::endpointPath(std::string("ZelvoroAudioBus0")), [](int fd) {
            std::vector<std::uint8_t> request;
            posix::readFrame(fd, request, 1 << 20);
            const std::uint8_t reply[4 + 8] = {0}; // 8 bytes of output for a 4-byte buffer
            posix::writeFrame(fd, reply, sizeof reply);
        });
        std::uint32_t error = 0;
        const NativeHandle h = openControlDevice(L"\\\\.\\ZelvoroAudioBus0", error);
        QVERIFY(h != kInvalidHandle);
        std::uint32_t value = 0x55555555;
        const IoResult r = deviceIoControl(h, 0xFFDC2084u, nullptr, 0, &value, sizeof value);
        QVERIFY(!r.ok);
        QCOMPARE(value, 0x55555555u);
        closeHandle(h);
    }

    void hugeAnnouncedResponseIsNotDrained()
    {
        QCOMPARE(posix::checkRuntimeDirectory(true), winerror::Success);
        ScriptedServer server(posix::endpointPath(std::string("ZelvoroAudioBus0")), [](int fd) {
            std::vector<std::uint8_t> request;
            posix::readFrame(fd, request, 1 << 20);
            const std::uint8_t header[] = {0xFF, 0xFF, 0xFF, 0x7F}; // announces 2 GiB, then stays silent
            ::send(fd, header, sizeof header, MSG_NOSIGNAL);
            std::uint8_t sink;
            ::recv(fd, &sink, 1, 0); // hold the connection open until the client gives up on it
        });
        std::uint32_t error = 0;
        const NativeHandle h = openControlDevice(L"\\\\.\\ZelvoroAudioBus0", error);
        QVERIFY(h != kInvalidHandle);
        std::uint32_t value = 0;
        const IoResult r = deviceIoControl(h, 0xFFDC2084u, nullptr, 0, &value, sizeof value);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, winerror::DeviceNotConnected);
        closeHandle(h);
    }

    void framingLimits()
    {
        int fds[2];
        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0);
        std::vector<std::uint8_t> big(3000, 0xAB);
        QVERIFY(posix::writeFrame(fds[0], big.data(), big.size()));
        QVERIFY(posix::writeFrame(fds[0], "ok", 2));
        QVERIFY(posix::writeFrame(fds[0], nullptr, 0));
        std::vector<std::uint8_t> payload;
        // Too large: dropped whole, and the next frame is still read in step.
        QCOMPARE(posix::readFrame(fds[1], payload, 1024), posix::FrameStatus::TooLarge);
        QCOMPARE(posix::readFrame(fds[1], payload, 1024), posix::FrameStatus::Ok);
        QCOMPARE(payload.size(), std::size_t(2));
        QCOMPARE(posix::readFrame(fds[1], payload, 1024), posix::FrameStatus::Ok);
        QVERIFY(payload.empty());
        // End of stream inside a frame is a broken connection; before one, a clean close.
        const std::uint8_t partial[] = {10, 0, 0, 0, 1, 2};
        QCOMPARE(::send(fds[0], partial, sizeof partial, 0), ssize_t(sizeof partial));
        ::shutdown(fds[0], SHUT_WR);
        QCOMPARE(posix::readFrame(fds[1], payload, 1024), posix::FrameStatus::Broken);
        ::close(fds[0]);
        ::close(fds[1]);

        QVERIFY(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0);
        ::close(fds[0]);
        QCOMPARE(posix::readFrame(fds[1], payload, 1024), posix::FrameStatus::Closed);
        // Writing to a closed peer fails instead of raising SIGPIPE.
        QVERIFY(!posix::writeFrame(fds[1], "x", 1));
        ::close(fds[1]);
    }
};

QTEST_GUILESS_MAIN(PosixTransportTest)
#include "tst_PosixTransport.moc"
