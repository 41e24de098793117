// SPDX-License-Identifier: MIT
// The pipe thread: open requests from the ASIO side reach the GUI thread as
// queued signals, and teardown ends the thread even while it waits.
#include "LogCapture.h"

#include "platform/NamedPipe.h"
#include "platform/WinError.h"
#include "settings/ThreadSettingsPip.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTest>

#include <memory>
#include <vector>

namespace platform = zelvoro::platform;
namespace winerror = zelvoro::platform::winerror;

namespace {

const std::wstring kIncoming = L"\\\\.\\pipe\\ZelvoroASIOToPannel";

// What the ASIO driver does: connect, write one message, close. Between two
// clients a Windows pipe is busy until the thread waits for the next one.
bool sendMessage(const std::vector<std::uint8_t> &message)
{
    std::uint32_t error = 0;
    platform::NativeHandle client = platform::openPipeClient(kIncoming, error);
    for (int attempt = 0; client == platform::kInvalidHandle && error == winerror::PipeBusy && attempt < 50;
         ++attempt) {
        QThread::msleep(20);
        client = platform::openPipeClient(kIncoming, error);
    }
    if (client == platform::kInvalidHandle)
        return false;
    const bool ok =
        platform::writePipeMessage(client, message.data(), static_cast<std::uint32_t>(message.size()), error);
    platform::closePipeClient(client);
    return ok;
}

std::vector<std::uint8_t> words(std::uint32_t w1, std::uint32_t w2, std::uint32_t w3, std::uint32_t w4,
                                std::uint32_t w5)
{
    std::vector<std::uint8_t> message(20);
    const std::uint32_t values[] = {w1, w2, w3, w4, w5};
    for (int i = 0; i < 20; ++i)
        message[i] = static_cast<std::uint8_t>(values[i / 4] >> (8 * (i % 4))); // little-endian
    return message;
}

// Receives progressUpdated on the test's (GUI) thread and notes where it ran.
struct Receiver : QObject
{
    QList<int> values;
    bool allOnGuiThread = true;
    void onProgress(int value)
    {
        values << value;
        allOnGuiThread = allOnGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    }
};

} // namespace

class ThreadSettingsPipTest : public QObject
{
    Q_OBJECT

private slots:
    void announcesItself();
    void openRequestsArriveQueuedOnTheGuiThread();
    void anyNonZeroFifthWordOpens();
    void messagesThatDoNotReachWordFiveDoNotOpen();
    void failedReadsAreLoggedAndServingGoesOn();
    void destroyingWhileWaitingReturnsPromptly();
    void withoutAPipeTheThreadRetriesAndStillStops();
    void aPipeFreedLaterIsServedAgain();
};

void ThreadSettingsPipTest::announcesItself()
{
    LogCapture log;
    {
        ThreadSettingsPip thread;
        QCOMPARE(log.lines(), (QStringList{QStringLiteral("Pipe created successfully."),
                                           QStringLiteral("ThreadSettingsPip initialized.")}));
        QVERIFY(!thread.isRunning());
        QCOMPARE(thread.metaObject()->className(), "ThreadSettingsPip");
        const int signalIndex = thread.metaObject()->indexOfSignal("progressUpdated(int)");
        QVERIFY(signalIndex >= 0);
        QCOMPARE(thread.metaObject()->method(signalIndex).parameterNames(), QList<QByteArray>{"value"});
    }
    QCOMPARE(log.lines().last(), QStringLiteral("Pipe closed."));
}

void ThreadSettingsPipTest::openRequestsArriveQueuedOnTheGuiThread()
{
    LogCapture log;
    Receiver receiver;
    auto thread = std::make_unique<ThreadSettingsPip>();
    connect(thread.get(), &ThreadSettingsPip::progressUpdated, &receiver, &Receiver::onProgress);
    thread->start(QThread::InheritPriority);

    QVERIFY(sendMessage(words(0, 0, 0, 0, 1)));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.values.size(), 1, 5000);
    QVERIFY(log.lines().contains(QStringLiteral("Received data from pipe: 0 0 0 0 1")));
    QCOMPARE(log.count(QStringLiteral("Open Window Signal from ASIO.")), 1);

    QVERIFY(sendMessage(words(10, 20, 30, 4000000000u, 1)));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.values.size(), 2, 5000);
    QVERIFY(log.lines().contains(QStringLiteral("Received data from pipe: 10 20 30 4000000000 1")));

    QCOMPARE(receiver.values, (QList<int>{1, 1}));
    QVERIFY(receiver.allOnGuiThread);
    QVERIFY(log.count(QStringLiteral("ThreadSettingsPip is running waiting Asio Info...")) >= 2);
}

void ThreadSettingsPipTest::anyNonZeroFifthWordOpens()
{
    LogCapture log;
    Receiver receiver;
    auto thread = std::make_unique<ThreadSettingsPip>();
    connect(thread.get(), &ThreadSettingsPip::progressUpdated, &receiver, &Receiver::onProgress);
    thread->start();

    QVERIFY(sendMessage(words(0, 0, 0, 0, 0x00000100)));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.values.size(), 1, 5000);
    QVERIFY(log.lines().contains(QStringLiteral("Received data from pipe: 0 0 0 0 256")));

    // Longer messages are fine; only the first 20 bytes count.
    std::vector<std::uint8_t> longer = words(0, 0, 0, 0, 0x80000000u);
    longer.resize(1024, 0xFF);
    QVERIFY(sendMessage(longer));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.values.size(), 2, 5000);

    // 17 bytes reach into word 5 with a non-zero byte.
    std::vector<std::uint8_t> seventeen(17, 0);
    seventeen[16] = 2;
    QVERIFY(sendMessage(seventeen));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.values.size(), 3, 5000);
    QVERIFY(log.lines().contains(QStringLiteral("Received data from pipe: 0 0 0 0 2")));
}

void ThreadSettingsPipTest::messagesThatDoNotReachWordFiveDoNotOpen()
{
    LogCapture log;
    Receiver receiver;
    auto thread = std::make_unique<ThreadSettingsPip>();
    connect(thread.get(), &ThreadSettingsPip::progressUpdated, &receiver, &Receiver::onProgress);
    thread->start();

    // 16 bytes: words 1 to 4 only.
    std::vector<std::uint8_t> sixteen = words(1, 2, 3, 4, 0);
    sixteen.resize(16);
    QVERIFY(sendMessage(sixteen));
    QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(QStringLiteral("Received data from pipe: 1 2 3 4 0")),
                             5000);

    QVERIFY(sendMessage({}));
    QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(QStringLiteral("Received data from pipe: 0 0 0 0 0")),
                             5000);

    QVERIFY(sendMessage(words(9, 9, 9, 9, 0)));
    QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(QStringLiteral("Received data from pipe: 9 9 9 9 0")),
                             5000);

    // An open request behind them proves the signals had their chance to arrive.
    QVERIFY(sendMessage(words(0, 0, 0, 0, 1)));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.values.size(), 1, 5000);
    QCOMPARE(log.count(QStringLiteral("Open Window Signal from ASIO.")), 1);
}

void ThreadSettingsPipTest::failedReadsAreLoggedAndServingGoesOn()
{
    LogCapture log;
    Receiver receiver;
    auto thread = std::make_unique<ThreadSettingsPip>();
    connect(thread.get(), &ThreadSettingsPip::progressUpdated, &receiver, &Receiver::onProgress);
    thread->start();

    std::vector<std::uint8_t> tooLong = words(0, 0, 0, 0, 1);
    tooLong.resize(1025);
    QVERIFY(sendMessage(tooLong));
    QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(QStringLiteral("Error reading from pipe. Error code: 234")),
                             5000);
    QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains(QStringLiteral("No data received from pipe.")), 5000);

    QVERIFY(sendMessage(words(0, 0, 0, 0, 1)));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.values.size(), 1, 5000);
}

void ThreadSettingsPipTest::destroyingWhileWaitingReturnsPromptly()
{
    LogCapture log;
    auto thread = std::make_unique<ThreadSettingsPip>();
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(
        log.lines().contains(QStringLiteral("ThreadSettingsPip is running waiting Asio Info...")), 5000);
    QTest::qWait(100); // let it settle into the wait for a client

    QElapsedTimer timer;
    timer.start();
    thread.reset();
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(log.count(QStringLiteral("Pipe closed.")), 1);
    QCOMPARE(log.lines().last(), QStringLiteral("Pipe closed."));

    // The name is free again.
    ThreadSettingsPip next;
    QVERIFY(log.lines().contains(QStringLiteral("Pipe created successfully.")));
}

namespace {

// Another server holds the name; returns the error a second server gets (Windows:
// access denied; the POSIX stand-in: pipe busy).
platform::PipeServerHandle holdName(std::uint32_t &refusal)
{
    std::uint32_t error = 0;
    platform::PipeServerHandle rival = platform::createPipeServer(kIncoming, error);
    if (rival && platform::createPipeServer(kIncoming, refusal))
        return nullptr;
    return rival;
}

QString retrying(std::uint32_t error, int delayMs)
{
    return QStringLiteral("\\\\.\\pipe\\ZelvoroASIOToPannel could not be created (error %1): retrying after %2 ms, "
                          "doubling up to 30000 ms.")
        .arg(error)
        .arg(delayMs);
}

} // namespace

void ThreadSettingsPipTest::withoutAPipeTheThreadRetriesAndStillStops()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle rival = holdName(error);
    QVERIFY(rival);

    LogCapture log;
    auto thread = std::make_unique<ThreadSettingsPip>();
    QCOMPARE(log.lines(),
             (QStringList{QStringLiteral("Error: Could not create pipe. Error code: %1").arg(error),
                          QStringLiteral("Failed to create named pipe in ThreadSettingsPip."),
                          QStringLiteral("ThreadSettingsPip initialized.")}));
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(retrying(error, 1000)), 5000);

    // It stops in the middle of the back-off.
    QElapsedTimer timer;
    timer.start();
    thread.reset();
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!log.contains(QStringLiteral("No data received from pipe.")));
    QVERIFY(!log.contains(QStringLiteral("Pipe closed.")));
    platform::closePipeServer(rival);
}

void ThreadSettingsPipTest::aPipeFreedLaterIsServedAgain()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle rival = holdName(error);
    QVERIFY(rival);

    LogCapture log;
    Receiver receiver;
    auto thread = std::make_unique<ThreadSettingsPip>();
    connect(thread.get(), &ThreadSettingsPip::progressUpdated, &receiver, &Receiver::onProgress);
    thread->setRetryDelay(10);
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(retrying(error, 10)), 5000);
    QTest::qWait(200); // a few quiet retries
    platform::closePipeServer(rival);

    QTRY_COMPARE_WITH_TIMEOUT(log.count(QStringLiteral(" attempts: serving it again.")), 1, 10000);
    QVERIFY(sendMessage(words(0, 0, 0, 0, 1)));
    QTRY_COMPARE_WITH_TIMEOUT(receiver.values.size(), 1, 5000);
    QCOMPARE(log.count(QStringLiteral("could not be created")), 1);
    QVERIFY(!log.contains(QStringLiteral("Error connecting to pipe.")));
    QVERIFY(!log.contains(QStringLiteral("No data received from pipe.")));
}

QTEST_GUILESS_MAIN(ThreadSettingsPipTest)
#include "tst_ThreadSettingsPip.moc"
