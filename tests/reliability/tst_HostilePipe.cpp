// SPDX-License-Identifier: MIT
// The pipe thread under hostile clients on the POSIX transport: floods of
// connections, clients that connect and never write, several messages on
// one connection, oversized and truncated messages. After each, the next
// real open request still arrives, and neither descriptors nor memory grow.
#include "LogCapture.h"
#include "ProcessStats.h"

#include "platform/NamedPipe.h"
#include "platform/posix/Framing.h"
#include "settings/ThreadSettingsPip.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform = zelvoro::platform;

namespace {

const std::wstring kIncoming = L"\\\\.\\pipe\\ZelvoroASIOToPannel";

std::vector<std::uint8_t> openRequest()
{
    std::vector<std::uint8_t> message(20);
    platform::posix::putLe32(message.data() + 16, 1);
    return message;
}

platform::NativeHandle connectClient()
{
    std::uint32_t error = 0;
    return platform::openPipeClient(kIncoming, error);
}

bool send(const std::vector<std::uint8_t> &message)
{
    const platform::NativeHandle client = connectClient();
    if (client == platform::kInvalidHandle)
        return false;
    std::uint32_t error = 0;
    const bool ok =
        platform::writePipeMessage(client, message.data(), static_cast<std::uint32_t>(message.size()), error);
    platform::closePipeClient(client);
    return ok;
}

} // namespace

class HostilePipeTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ThreadSettingsPip> thread;
    int opened = 0; // progressUpdated, received queued on this thread

    // A real request from the ASIO side still opens the window.
    void verifyStillServing()
    {
        const int before = opened;
        // The server may still be busy with the last hostile client: retry the
        // connect (not inside QTRY, which evaluates its expression more than once).
        bool sent = false;
        for (int attempt = 0; attempt < 300 && !sent; ++attempt) {
            sent = send(openRequest());
            if (!sent)
                QTest::qWait(100);
        }
        QVERIFY(sent);
        QTRY_VERIFY_WITH_TIMEOUT(opened > before, 30000);
    }

private slots:
    void initTestCase()
    {
        thread = std::make_unique<ThreadSettingsPip>();
        connect(thread.get(), &ThreadSettingsPip::progressUpdated, this, [this] { ++opened; });
        thread->start();
        verifyStillServing();
    }

    void cleanupTestCase() { thread.reset(); }

    void floodOfConnections()
    {
        LogCapture log;
        // Connects block while the backlog is full, so they come from another thread.
        std::thread flood([] {
            for (int i = 0; i < 60; ++i) {
                const platform::NativeHandle client = connectClient();
                if (client != platform::kInvalidHandle)
                    platform::closePipeClient(client);
            }
        });
        flood.join();
        verifyStillServing();
        QVERIFY(log.count("No data received from pipe.") >= 1);
    }

    void slowClientsThatNeverWrite()
    {
        std::vector<platform::NativeHandle> idle;
        for (int i = 0; i < 3; ++i) {
            idle.push_back(connectClient());
            QVERIFY(idle.back() != platform::kInvalidHandle);
        }
        // The idle clients stay connected the whole time.
        verifyStillServing();
        for (platform::NativeHandle client : idle)
            platform::closePipeClient(client);
    }

    void severalMessagesOnOneConnection()
    {
        LogCapture log;
        const int before = opened;
        const platform::NativeHandle client = connectClient();
        QVERIFY(client != platform::kInvalidHandle);
        std::uint32_t error = 0;
        const std::vector<std::uint8_t> message = openRequest();
        for (int i = 0; i < 5; ++i)
            platform::writePipeMessage(client, message.data(), static_cast<std::uint32_t>(message.size()),
                                       error);
        platform::closePipeClient(client);
        // Only the first message of a connection is read.
        QTRY_COMPARE_WITH_TIMEOUT(opened, before + 1, 30000);
        QTest::qWait(500);
        QCOMPARE(opened, before + 1);
        verifyStillServing();
    }

    void oversizedAndTruncatedMessages()
    {
        LogCapture log;
        const int before = opened;
        // Longer than the 1024-byte buffer, even with an open request in front.
        std::vector<std::uint8_t> large = openRequest();
        large.resize(1025, 0xFF);
        QVERIFY(send(large));
        large.resize(65536, 0xFF);
        QVERIFY(send(large));
        // A header announcing 4 GiB, then the client goes away.
        {
            const platform::NativeHandle client = connectClient();
            QVERIFY(client != platform::kInvalidHandle);
            std::uint8_t header[8];
            platform::posix::putLe32(header, 0xFFFFFFF0u);
            platform::posix::putLe32(header + 4, 1);
            QCOMPARE(::write(static_cast<int>(client), header, sizeof header), ssize_t(sizeof header));
            platform::closePipeClient(client);
        }
        // Half a header.
        {
            const platform::NativeHandle client = connectClient();
            QVERIFY(client != platform::kInvalidHandle);
            const std::uint8_t half[2] = {20, 0};
            QCOMPARE(::write(static_cast<int>(client), half, sizeof half), ssize_t(sizeof half));
            platform::closePipeClient(client);
        }
        verifyStillServing();
        // None of them opened the window; only the real request did.
        QCOMPARE(opened, before + 1);
        QVERIFY(log.count("No data received from pipe.") >= 4);
    }

    // The whole mix again and again: descriptors back to where they were,
    // memory flat within a margin for the allocator's own caches.
    void noGrowthUnderRepeatedAbuse()
    {
        verifyStillServing();
        const int fdsBefore = processstats::openDescriptors();
        const qint64 rssBefore = processstats::residentKiB();
        for (int round = 0; round < 5; ++round) {
            std::thread flood([] {
                for (int i = 0; i < 20; ++i) {
                    const platform::NativeHandle client = connectClient();
                    if (client == platform::kInvalidHandle)
                        continue;
                    std::vector<std::uint8_t> junk(static_cast<std::size_t>(i * 400), 0x5A);
                    std::uint32_t error = 0;
                    platform::writePipeMessage(client, junk.data(), static_cast<std::uint32_t>(junk.size()),
                                               error);
                    platform::closePipeClient(client);
                }
            });
            const platform::NativeHandle idle = connectClient();
            flood.join();
            verifyStillServing();
            platform::closePipeClient(idle);
        }
        verifyStillServing();
        const int fdsAfter = processstats::openDescriptors();
        const qint64 rssAfter = processstats::residentKiB();
        qInfo() << "hostile pipe: descriptors" << fdsBefore << "->" << fdsAfter << ", VmRSS KiB" << rssBefore
                << "->" << rssAfter;
        QVERIFY2(fdsAfter <= fdsBefore, qPrintable(QStringLiteral("%1 -> %2").arg(fdsBefore).arg(fdsAfter)));
        QVERIFY(rssBefore > 0);
        QVERIFY2(rssAfter - rssBefore < 16 * 1024,
                 qPrintable(QStringLiteral("VmRSS %1 -> %2 KiB").arg(rssBefore).arg(rssAfter)));
    }
};

QTEST_GUILESS_MAIN(HostilePipeTest)
#include "tst_HostilePipe.moc"
