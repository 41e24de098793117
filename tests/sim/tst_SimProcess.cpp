// SPDX-License-Identifier: MIT
// zelvoro-sim as a process: what clients see on the sockets, the journal,
// the standard-input commands and how it starts and stops.
#include "driver/ControlCodes.h"
#include "driver/MixerBlock.h"
#include "platform/DeviceIo.h"
#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "platform/posix/RuntimeDir.h"
#include "sim/ListeningSocket.h"

#include "SimProcess.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

#include <atomic>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zelvoro::platform;
namespace posix = zelvoro::platform::posix;

namespace {

const std::wstring kBus0 = L"\\\\.\\ZelvoroAudioBus0";

std::string busPath(int bus = 0)
{
    return posix::endpointPath("\\\\.\\ZelvoroAudioBus" + std::to_string(bus));
}

bool exists(const std::string &path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0;
}

// An open handle on a control device, closed at the end of the scope.
class Handle
{
public:
    explicit Handle(const std::wstring &name = kBus0) { handle = openControlDevice(name, error); }
    ~Handle() { closeHandle(handle); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    bool isOpen() const { return handle != kInvalidHandle; }
    IoResult call(std::uint32_t code, const void *in = nullptr, std::uint32_t inSize = 0, void *out = nullptr,
                  std::uint32_t outCapacity = 0)
    {
        return deviceIoControl(handle, code, in, inSize, out, outCapacity);
    }
    IoResult read32(std::uint32_t code, std::uint32_t &value) { return call(code, nullptr, 0, &value, 4); }
    IoResult write32(std::uint32_t code, std::uint32_t value) { return call(code, &value, 4); }

    NativeHandle handle = kInvalidHandle;
    std::uint32_t error = 0;
};

std::uint32_t openError(const std::wstring &name = kBus0)
{
    Handle handle(name);
    return handle.isOpen() ? 0 : handle.error;
}

std::vector<std::uint8_t> vendorFrame(std::uint8_t command, std::uint8_t state, std::uint8_t channel,
                                      std::uint16_t level)
{
    std::vector<std::uint8_t> frame(37, 0);
    frame[0] = 0x01;
    frame[1] = command;
    frame[3] = state;
    frame[4] = channel;
    frame[5] = static_cast<std::uint8_t>(level);
    frame[6] = static_cast<std::uint8_t>(level >> 8);
    return frame;
}

// A plain socket for bytes no well-behaved client would send.
class RawClient
{
public:
    explicit RawClient(const std::string &path) { fd = ListeningSocket::connectTo(path); }
    ~RawClient()
    {
        if (fd >= 0)
            ::close(fd);
    }
    bool isConnected() const { return fd >= 0; }
    bool send(const std::vector<std::uint8_t> &bytes)
    {
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    // True when the peer ends the connection within the timeout, without sending anything.
    bool closedByPeer(int timeoutMs = 5000)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        char byte;
        const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
        return n == 0 || (n < 0 && errno == ECONNRESET);
    }

    int fd = -1;
};

std::vector<std::uint8_t> header(std::uint32_t length)
{
    std::vector<std::uint8_t> bytes(4);
    posix::putLe32(bytes.data(), length);
    return bytes;
}

// Listens on the panel's incoming pipe, as the program does.
class PanelPipe
{
public:
    PanelPipe()
    {
        path = posix::endpointPath(std::string("\\\\.\\pipe\\ZelvoroASIOToPannel"));
        listening.listen(path);
    }
    bool isListening() const { return listening.fd() >= 0; }
    // Accepts one client and reads its one frame.
    bool receive(std::vector<std::uint8_t> &message)
    {
        pollfd p{listening.fd(), POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1)
            return false;
        const int fd = ::accept(listening.fd(), nullptr, nullptr);
        if (fd < 0)
            return false;
        const bool ok = posix::readFrame(fd, message, 65536) == posix::FrameStatus::Ok;
        ::close(fd);
        return ok;
    }

    std::string path;
    ListeningSocket listening;
};

} // namespace

class SimProcessTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // Every case starts from a runtime directory without sockets.
        QCOMPARE(posix::checkRuntimeDirectory(true), 0u);
    }

    void modelAndBusFromTheCommandLine()
    {
        SimProcess sim({"--model", "ks1"});
        QVERIFY(sim.start());
        Handle device;
        QVERIFY(device.isOpen());
        std::uint32_t pid = 0;
        QVERIFY(device.read32(controlcode::GetDevicePid, pid).ok);
        QCOMPARE(pid, 1u);
        QCOMPARE(sim.command("pid 15"), QStringLiteral("ok pid 15"));
        QVERIFY(device.read32(controlcode::GetDevicePid, pid).ok);
        QCOMPARE(pid, 15u);
        QVERIFY(sim.command("pid ks3").startsWith("error"));

        SimProcess other({"--model", "77", "--bus", "7"});
        QVERIFY(other.start());
        QVERIFY(exists(busPath(7)));
        Handle seventh(L"\\\\.\\ZelvoroAudioBus7");
        QVERIFY(seventh.read32(controlcode::GetDevicePid, pid).ok);
        QCOMPARE(pid, 77u);
        QCOMPARE(openError(L"\\\\.\\ZelvoroAudioBus6"), winerror::FileNotFound);
    }

    void manyConcurrentClients()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        constexpr int kClients = 12;
        constexpr int kRequests = 40;
        std::atomic<int> failures{0};
        std::vector<std::thread> clients;
        for (int c = 0; c < kClients; ++c) {
            clients.emplace_back([c, &failures] {
                Handle device;
                if (!device.isOpen()) {
                    ++failures;
                    return;
                }
                MixerBlock block;
                std::vector<std::uint8_t> meter(768);
                for (int i = 0; i < kRequests; ++i) {
                    // The level carries the request's position, the channel the client.
                    const auto frame =
                        vendorFrame(0x07, 2, static_cast<std::uint8_t>(c), static_cast<std::uint16_t>(i));
                    block.vector(0, 0) = i;
                    std::uint32_t pid = 0;
                    if (!device.call(controlcode::SendVendorCommand, frame.data(), 37).ok ||
                        !device.call(controlcode::WriteMixerBlock, block.data(), MixerBlock::kBytes).ok ||
                        device.call(controlcode::ReadMeterData, nullptr, 0, meter.data(), 768)
                                .bytesReturned != 768 ||
                        !device.read32(controlcode::GetDevicePid, pid).ok || pid != 2)
                        ++failures;
                }
            });
        }
        for (std::thread &client : clients)
            client.join();
        QCOMPARE(failures.load(), 0);

        const QList<QJsonObject> journal = sim.journal();
        QCOMPARE(journal.size(), kClients * kRequests * 4);
        QMap<int, int> nextLevel;    // per channel
        QMap<int, int> connOfClient; // channel -> connection
        for (const QJsonObject &record : journal) {
            QCOMPARE(record.value("status").toInt(), 0);
            if (record.value("op").toString() != QLatin1String("vendor"))
                continue;
            const int channel = record.value("channel").toInt();
            const int conn = record.value("conn").toInt();
            if (!connOfClient.contains(channel))
                connOfClient[channel] = conn;
            QCOMPARE(conn, connOfClient[channel]);
            QCOMPARE(record.value("level").toInt(), nextLevel[channel]++);
        }
        QCOMPARE(connOfClient.size(), kClients);
        QCOMPARE(QSet<int>(connOfClient.begin(), connOfClient.end()).size(), kClients);
    }

    void garbageDoesNotKillIt()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        const std::string path = busPath();
        {
            RawClient hugeLength(path);
            QVERIFY(hugeLength.send(header(0xFFFFFFFFu)));
            QVERIFY(hugeLength.closedByPeer());
        }
        {
            RawClient tooShort(path);
            auto bytes = header(3);
            bytes.insert(bytes.end(), {1, 2, 3});
            QVERIFY(tooShort.send(bytes));
            QVERIFY(tooShort.closedByPeer());
        }
        {
            RawClient random(path);
            std::vector<std::uint8_t> noise(5000);
            for (std::size_t i = 0; i < noise.size(); ++i)
                noise[i] = static_cast<std::uint8_t>(i * 7919 + 13);
            random.send(noise); // the sim may hang up part-way: that is fine
        }
        {
            RawClient halfFrame(path);
            auto bytes = header(100);
            bytes.resize(50, 0xAB);
            QVERIFY(halfFrame.send(bytes));
        }
        {
            RawClient silent(path);
            QVERIFY(silent.isConnected());
        }
        {
            // A well-formed frame with a nonsense code and a giant capacity is answered, not fatal.
            RawClient odd(path);
            std::vector<std::uint8_t> request = header(12);
            request.resize(16, 0xFF);
            QVERIFY(odd.send(request));
            std::vector<std::uint8_t> response;
            QCOMPARE(posix::readFrame(odd.fd, response, 1024), posix::FrameStatus::Ok);
            QCOMPARE(response.size(), std::size_t(4));
            QCOMPARE(posix::getLe32(response.data()), winerror::InvalidFunction);
        }
        Handle device;
        std::uint32_t pid = 0;
        QVERIFY(device.read32(controlcode::GetDevicePid, pid).ok);
        QCOMPARE(pid, 2u);
        QVERIFY(sim.command("status").startsWith("ok plugged"));
        const QJsonObject last = sim.journal().last();
        QCOMPARE(last.value("op").toString(), QStringLiteral("getDevicePid"));
    }

    void unplugAndPlug()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        Handle old;
        QVERIFY(old.isOpen());
        QVERIFY(old.call(controlcode::StopAudio).ok);
        QVERIFY(old.write32(controlcode::SetSampleRate, 48000).ok);

        QCOMPARE(sim.command("unplug"), QStringLiteral("ok unplugged"));
        QVERIFY(!exists(busPath()));
        std::uint32_t pid = 0;
        IoResult result = old.read32(controlcode::GetDevicePid, pid);
        QVERIFY(!result.ok);
        QCOMPARE(result.error, winerror::DeviceNotConnected);
        QCOMPARE(openError(), winerror::FileNotFound);
        QVERIFY(sim.command("status").startsWith("ok unplugged"));
        QVERIFY(sim.command("unplug").startsWith("ok"));

        QCOMPARE(sim.command("plug"), QStringLiteral("ok plugged"));
        QVERIFY(exists(busPath()));
        QCOMPARE(old.read32(controlcode::GetDevicePid, pid).error, winerror::DeviceNotConnected);
        Handle fresh;
        QVERIFY(fresh.isOpen());
        std::uint32_t rate = 0;
        QVERIFY(fresh.read32(controlcode::GetSampleRate, rate).ok);
        QCOMPARE(rate, 44100u); // nothing carries over
        QCOMPARE(fresh.write32(controlcode::SetSampleRate, 48000).error, winerror::Busy);
    }

    void sleepWakesWithDefaultsAndTheSameId()
    {
        SimProcess sim({"--model", "kt"});
        QVERIFY(sim.start());
        const QString powerOn = sim.command("status");
        Handle open;
        QVERIFY(open.call(controlcode::StopAudio).ok);
        QVERIFY(open.write32(controlcode::SetSampleRate, 48000).ok);
        QVERIFY(sim.command("status") != powerOn);

        QCOMPARE(sim.command("sleep"), QStringLiteral("ok woke with power-on defaults"));
        QCOMPARE(sim.command("status"), powerOn);
        // The handle opened before the sleep still reaches the same device.
        std::uint32_t value = 0;
        QVERIFY(open.read32(controlcode::GetDevicePid, value).ok);
        QCOMPARE(value, 15u);
        QVERIFY(open.read32(controlcode::GetSampleRate, value).ok);
        QCOMPARE(value, 44100u);
    }

    void unplugAfterATime()
    {
        SimProcess sim({"--unplug-after", "0.2"});
        QVERIFY(sim.start());
        QTRY_COMPARE_WITH_TIMEOUT(openError(), winerror::FileNotFound, 10000);
        QVERIFY(sim.command("status").startsWith("ok unplugged"));
    }

    void journalFields()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        Handle device;
        QVERIFY(device.call(controlcode::StopAudio).ok);
        QVERIFY(device.write32(controlcode::SetBufferSize, 512).ok);
        QVERIFY(!device.write32(controlcode::SetUsbLatency, 12).ok);
        MixerBlock block;
        block.matrix(2, 4, 1) = 1.9952623149688795;
        block.vector(0, 1) = 0.70794578438413791;
        QVERIFY(device.call(controlcode::WriteMixerBlock, block.data(), MixerBlock::kBytes).ok);
        const auto frame = vendorFrame(0x5B, 1, 2, 0);
        QVERIFY(device.call(controlcode::SendVendorCommand, frame.data(), 37).ok);
        std::uint32_t value = 0;
        QVERIFY(device.read32(controlcode::GetBufferSize, value).ok);
        QCOMPARE(value, 512u);

        const QList<QJsonObject> j = sim.journal();
        QCOMPARE(j.size(), 6);
        double previous = -1;
        for (const QJsonObject &record : j) {
            QVERIFY(record.value("t_ms").isDouble());
            QVERIFY(record.value("t_ms").toDouble() >= previous);
            previous = record.value("t_ms").toDouble();
            QCOMPARE(record.value("conn").toInt(), j[0].value("conn").toInt());
        }
        QCOMPARE(j[0].value("code").toString(), QStringLiteral("0xFFDC2078"));
        QCOMPARE(j[0].value("op").toString(), QStringLiteral("stopAudio"));
        QCOMPARE(j[1].value("value").toInt(), 512);
        QCOMPARE(j[1].value("in_len").toInt(), 4);
        QCOMPARE(j[2].value("status").toInt(), 87);
        QCOMPARE(j[2].value("value").toInt(), 12);
        QCOMPARE(j[3].value("in_len").toInt(), 66304);
        const QJsonObject entries = j[3].value("entries").toObject();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.value(QString::number(MixerBlock::matrixIndex(2, 4, 1))).toDouble(),
                 1.9952623149688795);
        QCOMPARE(entries.value(QString::number(MixerBlock::vectorIndex(0, 1))).toDouble(),
                 0.70794578438413791);
        QCOMPARE(j[4].value("cmd").toInt(), 0x5B);
        QCOMPARE(j[4].value("channel").toInt(), 2);
        QCOMPARE(j[4].value("state").toInt(), 1);
        QCOMPARE(j[4].value("level").toInt(), 0);
        QCOMPARE(j[4].value("frame").toString(), QStringLiteral("015b000102") + QString(64, '0'));
        QCOMPARE(j[5].value("out_len").toInt(), 4);

        const QString status = sim.command("status");
        QVERIFY2(status.contains("engine stopped rate 44100 buffer 512 latency 16"), qPrintable(status));
        QVERIFY2(status.contains("in2 gain 0 48v on"), qPrintable(status));
        QVERIFY2(status.contains("m2(4,1)=6.00 dB"), qPrintable(status));
        QVERIFY2(status.contains("v0[1]=-3.00 dB"), qPrintable(status));
    }

    void faultInjection()
    {
        SimProcess sim({"--fail", "getDevicePid@2=5", "--fail", "setMic48V"});
        QVERIFY(sim.start());
        Handle device;
        std::uint32_t pid = 0;
        QVERIFY(device.read32(controlcode::GetDevicePid, pid).ok);
        IoResult result = device.read32(controlcode::GetDevicePid, pid);
        QVERIFY(!result.ok);
        QCOMPARE(result.error, 5u);
        QVERIFY(device.read32(controlcode::GetDevicePid, pid).ok);

        const auto phantom = vendorFrame(0x5B, 1, 1, 0);
        const auto pad = vendorFrame(0x5A, 1, 1, 0);
        QCOMPARE(device.call(controlcode::SendVendorCommand, phantom.data(), 37).error, 31u);
        QVERIFY(device.call(controlcode::SendVendorCommand, pad.data(), 37).ok);
        QVERIFY2(sim.command("status").contains("in1 gain 0 48v off pad on"),
                 "a failed request changes nothing");

        QCOMPARE(sim.command("clear-fails"), QStringLiteral("ok faults cleared"));
        QVERIFY(device.call(controlcode::SendVendorCommand, phantom.data(), 37).ok);
        QVERIFY(sim.command("fail vendor=1167").startsWith("ok"));
        QCOMPARE(device.call(controlcode::SendVendorCommand, pad.data(), 37).error, 1167u);
        QVERIFY(sim.command("fail 0xFFDC2020@1").startsWith("ok"));
        std::uint32_t rate = 0;
        QCOMPARE(device.read32(controlcode::GetSampleRate, rate).error, 31u);
        QVERIFY(device.read32(controlcode::GetSampleRate, rate).ok);
        QVERIFY(sim.command("fail nothing").startsWith("error"));
        QVERIFY(sim.command("fail getDevicePid@0").startsWith("error"));

        const QList<QJsonObject> j = sim.journal();
        QCOMPARE(j.size(), 9);
        QCOMPARE(j[1].value("status").toInt(), 5);
        QCOMPARE(j[1].value("out_len").toInt(), 0);
        QCOMPARE(j[3].value("status").toInt(), 31);
        QCOMPARE(j[3].value("vendor_op").toString(), QStringLiteral("setMic48V"));
        QCOMPARE(j[3].value("cmd").toInt(), 0x5B);
        QCOMPARE(j[6].value("status").toInt(), 1167);
        QCOMPARE(j[7].value("status").toInt(), 31);
        QCOMPARE(j[8].value("status").toInt(), 0);
    }

    void slowDriver()
    {
        SimProcess sim({"--delay-ms", "60"});
        QVERIFY(sim.start());
        Handle device;
        QElapsedTimer timer;
        timer.start();
        std::uint32_t pid = 0;
        QVERIFY(device.read32(controlcode::GetDevicePid, pid).ok);
        QVERIFY(timer.elapsed() >= 50);
        QCOMPARE(pid, 2u);
    }

    void asioResetIsReported()
    {
        SimProcess sim({"--asio"});
        QVERIFY(sim.start());
        const std::string path = posix::endpointPath(std::string("\\\\.\\pipe\\ZelvoroPannelToASIO"));
        QVERIFY(exists(path));
        auto sendMessage = [&path](const std::vector<std::uint8_t> &message) {
            const int fd = ListeningSocket::connectTo(path);
            const bool ok = fd >= 0 && posix::writeFrame(fd, message.data(), message.size());
            if (fd >= 0)
                ::close(fd);
            return ok;
        };
        QVERIFY(sendMessage({0x31}));
        QString seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen += sim.output()).count("ASIO reset received") == 1, 10000);
        QVERIFY(sendMessage({0x00, 0x30}));
        QVERIFY(sendMessage({0x31, 0x20, 0x31}));
        QTRY_VERIFY_WITH_TIMEOUT((seen += sim.output()).count("ASIO reset received") == 3, 10000);
        // Every command still answers exactly one line.
        QVERIFY(sim.command("status").startsWith("ok"));
        sim.stop();
        QVERIFY(!exists(path));
        QVERIFY(!exists(busPath()));
    }

    void asioMessagesToThePanel()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        QVERIFY(sim.command("asio-open").startsWith("error"));
        PanelPipe panel;
        QVERIFY(panel.isListening());
        QVERIFY(sim.command("asio-open").startsWith("ok"));
        std::vector<std::uint8_t> message;
        QVERIFY(panel.receive(message));
        QCOMPARE(message.size(), std::size_t(20));
        for (int word = 0; word < 4; ++word)
            QCOMPARE(posix::getLe32(message.data() + 4 * word), 0u);
        QCOMPARE(posix::getLe32(message.data() + 16), 1u);

        QVERIFY(sim.command("asio-send 01020304ff").startsWith("ok"));
        QVERIFY(panel.receive(message));
        QCOMPARE(message, std::vector<std::uint8_t>({1, 2, 3, 4, 0xFF}));
        QVERIFY(sim.command("asio-send 1").startsWith("error"));
    }

    void consoleAnswersEveryLine()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        QVERIFY(sim.command("dance").startsWith("error"));
        QVERIFY(sim.command("plug").startsWith("ok"));
        const QString status = sim.command("status");
        QVERIFY2(
            status.startsWith("ok plugged; engine running rate 44100 buffer 256 latency 16 slow off wdm 2"),
            qPrintable(status));
        QVERIFY(status.contains("mixer none"));
        QCOMPARE(sim.command("quit"), QStringLiteral("ok bye"));
        QTRY_VERIFY_WITH_TIMEOUT(!exists(busPath()), 10000);
    }

    void aLiveServerIsNotTakenOver()
    {
        SimProcess first;
        QVERIFY(first.start());
        SimProcess second;
        QVERIFY(!second.start(3000));
        Handle device;
        std::uint32_t pid = 0;
        QVERIFY(device.read32(controlcode::GetDevicePid, pid).ok);
        first.stop();
        QVERIFY(!exists(busPath()));
    }

    void aStaleSocketIsReplaced()
    {
        {
            // A socket file nobody listens on, as a crashed server leaves it.
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            const std::string path = busPath();
            std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
            ::close(fd);
            QVERIFY(exists(path));
            QCOMPARE(openError(), winerror::FileNotFound);
        }
        SimProcess sim;
        QVERIFY(sim.start());
        QVERIFY(Handle().isOpen());
    }

    void runtimeDirectoryRules()
    {
        const std::string dir = posix::runtimeDirectory();
        QCOMPARE(::rmdir(dir.c_str()), 0);
        {
            SimProcess sim;
            QVERIFY(sim.start());
            struct stat st
            {
            };
            QCOMPARE(::lstat(dir.c_str(), &st), 0);
            QVERIFY(S_ISDIR(st.st_mode));
            QCOMPARE(st.st_mode & 0777, 0700u);
        }
        QCOMPARE(::chmod(dir.c_str(), 0750), 0);
        SimProcess refused;
        QVERIFY(!refused.start(3000));
        QCOMPARE(::chmod(dir.c_str(), 0700), 0);
    }

    void signalsAndEndOfInputRemoveTheSockets()
    {
        QProcess byTerm;
        byTerm.start(SimProcess::executable(), {"--asio"});
        QVERIFY(byTerm.waitForReadyRead(5000));
        QCOMPARE(byTerm.readLine().trimmed(), QByteArray("ready"));
        QVERIFY(exists(busPath()));
        byTerm.terminate();
        QVERIFY(byTerm.waitForFinished(5000));
        QCOMPARE(byTerm.exitStatus(), QProcess::NormalExit);
        QCOMPARE(byTerm.exitCode(), 0);
        QVERIFY(!exists(busPath()));
        QVERIFY(!exists(posix::endpointPath(std::string("\\\\.\\pipe\\ZelvoroPannelToASIO"))));

        QProcess byEof;
        byEof.start(SimProcess::executable(), {"--stdin-eof-quits"});
        QVERIFY(byEof.waitForReadyRead(5000));
        QCOMPARE(byEof.readLine().trimmed(), QByteArray("ready"));
        byEof.write("status");
        byEof.closeWriteChannel();
        QVERIFY(byEof.waitForFinished(5000));
        QCOMPARE(byEof.exitCode(), 0);
        QVERIFY(byEof.readAll().startsWith("ok plugged"));
        QVERIFY(!exists(busPath()));

        QProcess badOption;
        badOption.start(SimProcess::executable(), {"--model", "ks9"});
        QVERIFY(badOption.waitForFinished(5000));
        QVERIFY(badOption.exitCode() != 0);
        QVERIFY(badOption.readAllStandardError().contains("--model"));
    }
};

QTEST_GUILESS_MAIN(SimProcessTest)
#include "tst_SimProcess.moc"
