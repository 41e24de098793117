// SPDX-License-Identifier: MIT
// MainWindow's detection and watching against zelvoro-sim.
#include "app/MainWindow.h"
#include "panels/DevicePanel.h"
#include "settings/Settings.h"

#include "LogCapture.h"
#include "SimProcess.h"

#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QSettings>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

namespace {

constexpr int kWait = 15000;

QWidget *createStandInPanel()
{
    auto *panel = new QFrame;
    panel->setObjectName(QStringLiteral("standInPanel"));
    return panel;
}

// The product table, with stand-in panels for the models whose panel is not
// part of the build yet.
std::vector<DeviceModel> modelTable()
{
    std::vector<DeviceModel> models = DeviceModels::all();
    const std::vector<DeviceModel> standIns = {
        {1, "KS1", &createStandInPanel, "Adding ks1 widget to layout.", "Zelvoro KS1 - FW: %1%2%3%4%5%6%7%8%9%10"},
        {2, "KS2", &createStandInPanel, "Adding ks2 widget to layout.", "Zelvoro KS2 - FW: %1%2%3%4%5%6%7%8%9%10"},
        {15, "KT", &createStandInPanel, "Adding kt widget to layout.", "Zelvoro KT - FW: %1%2%3%4%5%6%7%8%9%10"},
    };
    for (const DeviceModel &standIn : standIns) {
        if (!DeviceModels::find(models, standIn.pid))
            models.push_back(standIn);
    }
    return models;
}

// What the layout holds now: status texts as "label:<text>", anything else as "panel".
QStringList layoutContent(MainWindow &window)
{
    QStringList content;
    QLayout *layout = window.centralWidget()->layout();
    for (int i = 0; i < layout->count(); ++i) {
        QWidget *widget = layout->itemAt(i)->widget();
        if (!widget)
            continue;
        if (auto *label = qobject_cast<QLabel *>(widget))
            content << QStringLiteral("label:") + label->text();
        else
            content << QStringLiteral("panel");
    }
    return content;
}

// How many requests of one operation (a vendor frame's by its command) reached the simulator.
int requestCount(const SimProcess &sim, const QString &op)
{
    int count = 0;
    for (const QJsonObject &record : sim.journal()) {
        if (record.value(QStringLiteral("op")).toString() == op ||
            record.value(QStringLiteral("vendor_op")).toString() == op)
            ++count;
    }
    return count;
}

int indexOf(const QStringList &lines, const QString &line, int from = 0)
{
    for (int i = from; i < lines.size(); ++i) {
        if (lines.at(i) == line)
            return i;
    }
    return -1;
}

// The requests that set something, as the device received them. Reads, polls
// and the engine's start (sooner when detection changes the rate box) left out.
QStringList settingRequests(const QList<QJsonObject> &journal)
{
    QStringList requests;
    for (QJsonObject record : journal) {
        const QString op =
            record.value(QStringLiteral("vendor_op")).toString(record.value(QStringLiteral("op")).toString());
        if (op.startsWith(QLatin1String("get")) || op == QLatin1String("readMeterData") ||
            op == QLatin1String("initAudio"))
            continue;
        for (const char *field : {"t_ms", "conn", "frame"})
            record.remove(QLatin1String(field));
        requests << QString::fromUtf8(QJsonDocument(record).toJson(QJsonDocument::Compact));
    }
    return requests;
}

// Mixer-block entries louder than in the last block written, which holds the stored state.
QStringList louderThanLastBlock(const QList<QJsonObject> &journal)
{
    QList<QJsonObject> blocks;
    for (const QJsonObject &record : journal) {
        if (record.value(QStringLiteral("op")).toString() == QLatin1String("writeMixerBlock"))
            blocks << record.value(QStringLiteral("entries")).toObject();
    }
    QStringList louder;
    for (const QJsonObject &block : blocks) {
        for (auto it = block.begin(); it != block.end(); ++it) {
            if (it.value().toDouble() > blocks.last().value(it.key()).toDouble())
                louder << it.key();
        }
    }
    return louder;
}

} // namespace

class TestMainWindowDetection : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void noDevice();
    void ks2WithFirmwareTitle();
    void unknownProductId();
    void failedFirmwareRead();
    void panelThatCouldNotStartIsRetried();
    void settingsLinkFailure();
    void singleFailedReadOnlyCounts();
    void unplugTearsDownAndReplugGetsThreeTries();
    void watchCountsAnotherProductIdAsFailedRead_data();
    void watchCountsAnotherProductIdAsFailedRead();
    void resumeFromSleepReplaysOnce_data();
    void resumeFromSleepReplaysOnce();
    void closeWithoutTrayDestroysOnce();
};

void TestMainWindowDetection::construction()
{
    MainWindow window(modelTable());
    QCOMPARE(window.windowTitle(), QStringLiteral("Zelvoro Driver"));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(window.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(window.styleSheet(), QStringLiteral("QMainWindow { background-color: #2c313c; }"));
    QCOMPARE(window.centralWidget()->layout()->alignment(), Qt::AlignCenter);
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("label:声卡未连接！")});
    auto *label = qobject_cast<QLabel *>(window.centralWidget()->layout()->itemAt(0)->widget());
    QCOMPARE(label->styleSheet(), QStringLiteral("font-size: 12px; color: white;"));
    QCOMPARE(label->window(), &window);
    QVERIFY(!window.isVisible());

    const QList<QTimer *> timers = window.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(timers.size(), 2);
    QCOMPARE(timers.at(0)->interval(), 1000);
    QVERIFY(timers.at(0)->isActive());
    QCOMPARE(timers.at(1)->interval(), 400);
    QVERIFY(!timers.at(1)->isActive());
}

void TestMainWindowDetection::noDevice()
{
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);
    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("Device PID: 0")) >= 2, kWait);

    const int ticks = log.count(QStringLiteral("Device PID:"));
    QCOMPARE(log.count(QStringLiteral("Device PID: 0")), ticks);
    // Every tick tries all sixteen control devices.
    const QString opened = log.stdOut();
    for (int bus = 0; bus < 16; ++bus) {
        const QString name = QStringLiteral("ZelvoroAudioBus%1 ").arg(bus);
        QCOMPARE(opened.count(name), ticks);
    }
    QCOMPARE(opened.count(QStringLiteral("ZelvoroAudioBus")), 16 * ticks);
    QCOMPARE(window.windowTitle(), QStringLiteral("Zelvoro Driver"));
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("label:声卡未连接！")});
    QVERIFY(!log.contains(QStringLiteral("Unknown device PID:")));
}

void TestMainWindowDetection::ks2WithFirmwareTitle()
{
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("ks2"), QStringLiteral("--firmware"),
                    QStringLiteral("1.0.3")});
    QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);

    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Device found with PID: 2")), kWait);
    const QStringList lines = log.lines();
    const int pidLine = indexOf(lines, QStringLiteral("Device PID: 2"));
    const int panelLine = indexOf(lines, QStringLiteral("Adding ks2 widget to layout."), pidLine);
    const int foundLine = indexOf(lines, QStringLiteral("Device found with PID: 2"), panelLine);
    QVERIFY(pidLine >= 0 && panelLine > pidLine && foundLine > panelLine);

    const QString expected = QStringLiteral("Zelvoro KS2 - FW: 1.0.3") + QString(5, QChar(0));
    QCOMPARE(window.windowTitle(), expected);
    QCOMPARE(window.windowTitle().size(), qsizetype(28));
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("panel")});
    QWidget *panel = window.centralWidget()->layout()->itemAt(0)->widget();
    QCOMPARE(panel->window(), &window);

    // Detection has stopped; only the 400 ms watch runs, and reads succeed.
    const QList<QTimer *> timers = window.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(!timers.at(0)->isActive());
    QVERIFY(timers.at(1)->isActive());
    const int detections = log.count(QStringLiteral("Device PID:"));
    QTest::qWait(1500);
    QCOMPARE(log.count(QStringLiteral("Device PID:")), detections);
    QVERIFY(!log.contains(QStringLiteral("Error reading device PID")));
}

void TestMainWindowDetection::unknownProductId()
{
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("7")});
    QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);

    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("Unknown device PID: 7")) >= 2, kWait);
    // The text is removed and added again on every tick: still exactly one.
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("label:未知设备，请检查连接！")});
    QCOMPARE(window.windowTitle(), QStringLiteral("Zelvoro Driver"));
    QVERIFY(!log.contains(QStringLiteral("Adding")));
    QVERIFY(!log.contains(QStringLiteral("Failed to connect to driver in settings window.")));

    // Unplugged, the product id can no longer be read: that is no device, not the old id.
    QVERIFY(sim.command(QStringLiteral("unplug")).startsWith(QStringLiteral("ok")));
    const int unplugged = log.lines().size();
    QTRY_VERIFY_WITH_TIMEOUT(indexOf(log.lines(), QStringLiteral("Device PID: 0"), unplugged) > 0, kWait);
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("label:声卡未连接！")});
    QTRY_VERIFY_WITH_TIMEOUT(log.lines().mid(unplugged).count(QStringLiteral("Device PID: 0")) >= 2, kWait);
    QCOMPARE(log.lines().mid(unplugged).filter(QStringLiteral("Unknown device PID:")), QStringList());
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("label:声卡未连接！")});
}

void TestMainWindowDetection::failedFirmwareRead()
{
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("ks2"), QStringLiteral("--fail"),
                    QStringLiteral("getFirmwareVersion")});
    QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);

    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("Failed to get firmware version.")) >= 3, kWait);
    const QStringList panelWithoutVersion = {QStringLiteral("panel"),
                                             QStringLiteral("label:获取固件版本失败，请检查连接！")};
    QCOMPARE(layoutContent(window), panelWithoutVersion);
    QCOMPARE(window.windowTitle(), QStringLiteral("Zelvoro Driver"));
    QVERIFY(!log.contains(QStringLiteral("Device found with PID:")));
    // The panel and the applied settings stay (audio is not restarted every
    // second); the following ticks retry only the firmware read.
    QCOMPARE(log.count(QStringLiteral("Adding ks2 widget to layout.")), 1);
    QCOMPARE(requestCount(sim, QStringLiteral("initAudio")), 1);
    QVERIFY(requestCount(sim, QStringLiteral("getFirmwareVersion")) >= 3);

    // Nor does one failed id read on such a tick: only a third in a row means the device is gone.
    QVERIFY(sim.command(QStringLiteral("fail getDevicePid@1")).startsWith(QStringLiteral("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(
        log.contains(QStringLiteral("Error reading device PID from driver, error count: 1")), kWait);
    const int firmwareReads = requestCount(sim, QStringLiteral("getFirmwareVersion"));
    QTRY_VERIFY_WITH_TIMEOUT(requestCount(sim, QStringLiteral("getFirmwareVersion")) > firmwareReads, kWait);
    QCOMPARE(log.count(QStringLiteral("Adding ks2 widget to layout.")), 1);
    QCOMPARE(requestCount(sim, QStringLiteral("initAudio")), 1);
    QCOMPARE(layoutContent(window), panelWithoutVersion);

    // Another product id on such a tick is detected afresh.
    QVERIFY(sim.command(QStringLiteral("pid 1")).startsWith(QStringLiteral("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Adding ks1 widget to layout.")), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(requestCount(sim, QStringLiteral("initAudio")), 2, kWait);
    QCOMPARE(layoutContent(window), panelWithoutVersion);
    QPointer<QWidget> panel = window.centralWidget()->layout()->itemAt(0)->widget();
    QVERIFY(qobject_cast<DevicePanel *>(panel.data()));

    // Once the firmware answers, the same panel gets its title and the device is watched.
    QCOMPARE(sim.command(QStringLiteral("clear-fails")).left(2), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Device found with PID: 1")), kWait);
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("panel")});
    QCOMPARE(window.centralWidget()->layout()->itemAt(0)->widget(), panel.data());
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("Zelvoro KS1 - FW: 1.0.3")));
    QCOMPARE(log.count(QStringLiteral("Adding ks1 widget to layout.")), 1);
    QCOMPARE(requestCount(sim, QStringLiteral("initAudio")), 2);
    const QList<QTimer *> timers = window.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(!timers.at(0)->isActive());
    QVERIFY(timers.at(1)->isActive());
}

void TestMainWindowDetection::panelThatCouldNotStartIsRetried()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(ZELVORO_QM_DIR "/ZelvoroDriver_en_US.qm")));
    QCoreApplication::installTranslator(&english);

    // The start-up output levels are refused: each panel stays empty.
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("ks1"), QStringLiteral("--fail"),
                    QStringLiteral("setOutVolume")});
    QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);

    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("Failed to set output volume.")) >= 3, kWait);
    QCOMPARE(layoutContent(window),
             QStringList({QStringLiteral("panel"),
                          QStringLiteral("label:Device initialisation failed, please check the connection!")}));
    auto *empty = qobject_cast<DevicePanel *>(window.centralWidget()->layout()->itemAt(0)->widget());
    QVERIFY(empty && !empty->isStarted());
    // A new panel on every tick, the audio settings applied once.
    QVERIFY(log.count(QStringLiteral("Adding ks1 widget to layout.")) >= 3);
    QCOMPARE(requestCount(sim, QStringLiteral("initAudio")), 1);
    QVERIFY(!log.contains(QStringLiteral("Failed to get firmware version.")));
    QCOMPARE(window.windowTitle(), QStringLiteral("Zelvoro Driver"));

    QCOMPARE(sim.command(QStringLiteral("clear-fails")).left(2), QStringLiteral("ok"));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Device found with PID: 1")), kWait);
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("panel")});
    auto *started = qobject_cast<DevicePanel *>(window.centralWidget()->layout()->itemAt(0)->widget());
    QVERIFY(started && started->isStarted());
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("Zelvoro KS1 - FW: 1.0.3")));

    // A started panel is not rebuilt while the device stays readable.
    const int built = log.count(QStringLiteral("Adding ks1 widget to layout."));
    QTest::qWait(1500);
    QCOMPARE(log.count(QStringLiteral("Adding ks1 widget to layout.")), built);
    QCOMPARE(window.centralWidget()->layout()->itemAt(0)->widget(), started);

    QCoreApplication::removeTranslator(&english);
}

void TestMainWindowDetection::settingsLinkFailure()
{
    // Without a settings dialog to connect, no panel is built and detection goes on.
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("kt")});
    QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());

    QTRY_VERIFY_WITH_TIMEOUT(log.count(QStringLiteral("Failed to connect to driver in settings window.")) >= 2,
                             kWait);
    QCOMPARE(layoutContent(window), QStringList());
    QVERIFY(!log.contains(QStringLiteral("Adding kt widget to layout.")));
    const QList<QTimer *> timers = window.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(timers.at(0)->isActive());
    QVERIFY(timers.at(1)->isActive());
}

void TestMainWindowDetection::singleFailedReadOnlyCounts()
{
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("ks1")});
    QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Device found with PID: 1")), kWait);

    QVERIFY(sim.command(QStringLiteral("fail getDevicePid@1")).startsWith(QStringLiteral("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(
        log.contains(QStringLiteral("Error reading device PID from driver, error count: 1")), kWait);
    QTest::qWait(1500); // several more watch ticks, all successful
    QCOMPARE(log.count(QStringLiteral("Error reading device PID from driver")), 1);
    QVERIFY(!log.contains(QStringLiteral("Meter driver handle deleted.")));
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("panel")});
}

void TestMainWindowDetection::unplugTearsDownAndReplugGetsThreeTries()
{
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(ZELVORO_QM_DIR "/ZelvoroDriver_en_US.qm")));
    QCoreApplication::installTranslator(&english);

    SimProcess sim({QStringLiteral("--model"), QStringLiteral("ks2")});
    QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Device found with PID: 2")), kWait);
    const QString title = window.windowTitle();
    QPointer<QWidget> panel = window.centralWidget()->layout()->itemAt(0)->widget();

    QVERIFY(sim.command(QStringLiteral("unplug")).startsWith(QStringLiteral("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Cleared all widgets from base layout.")), kWait);

    QStringList lines = log.lines();
    const int first = indexOf(lines, QStringLiteral("Error reading device PID from driver, error count: 1"));
    const int second = indexOf(lines, QStringLiteral("Error reading device PID from driver, error count: 2"), first);
    const int third = indexOf(lines, QStringLiteral("Error reading device PID from driver, error count: 3"), second);
    const int deleted = indexOf(lines, QStringLiteral("Meter driver handle deleted."), third);
    const int cleared = indexOf(lines, QStringLiteral("Cleared all widgets from base layout."), deleted);
    QVERIFY(first >= 0 && second > first && third > second && deleted > third && cleared > deleted);

    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("label:Sound card not connected!")});
    QTRY_VERIFY(panel.isNull()); // deleted later, with its own driver link
    QCOMPARE(window.windowTitle(), title); // the title keeps the last model

    // Detection restarts.
    QTRY_VERIFY_WITH_TIMEOUT(indexOf(log.lines(), QStringLiteral("Device PID: 0"), cleared) > cleared, kWait);

    // Replug: recognised again, and the watch starts counting from zero.
    log.clear();
    QVERIFY(sim.command(QStringLiteral("plug")).startsWith(QStringLiteral("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Device found with PID: 2")), kWait);
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("panel")});

    QVERIFY(sim.command(QStringLiteral("fail getDevicePid@1")).startsWith(QStringLiteral("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Error reading device PID from driver")), kWait);
    QTest::qWait(1500);
    lines = log.lines();
    QVERIFY2(lines.contains(QStringLiteral("Error reading device PID from driver, error count: 1")),
             qPrintable(lines.join('\n')));
    QVERIFY(!log.contains(QStringLiteral("Meter driver handle deleted.")));
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("panel")});

    QCoreApplication::removeTranslator(&english);
}

void TestMainWindowDetection::watchCountsAnotherProductIdAsFailedRead_data()
{
    QTest::addColumn<int>("otherPid");
    QTest::addColumn<QString>("afterwards");
    QTest::newRow("another model") << 1 << QStringLiteral("Device found with PID: 1");
    QTest::newRow("no device") << 0 << QStringLiteral("Device PID: 0");
}

void TestMainWindowDetection::watchCountsAnotherProductIdAsFailedRead()
{
    QFETCH(int, otherPid);
    QFETCH(QString, afterwards);
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("ks2")});
    QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Device found with PID: 2")), kWait);
    QPointer<QWidget> ks2Panel = window.centralWidget()->layout()->itemAt(0)->widget();

    // The reads succeed, but with an id that is not the recognised device's.
    QVERIFY(sim.command(QStringLiteral("pid %1").arg(otherPid)).startsWith(QStringLiteral("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Cleared all widgets from base layout.")), kWait);
    const QStringList lines = log.lines();
    const QString unexpected = QStringLiteral("Unexpected device PID: %1").arg(otherPid);
    const int first = indexOf(lines, unexpected);
    const int third = indexOf(lines, QStringLiteral("Error reading device PID from driver, error count: 3"), first);
    const int deleted = indexOf(lines, QStringLiteral("Meter driver handle deleted."), third);
    QVERIFY2(first >= 0 && third > first && deleted > third, qPrintable(lines.join('\n')));
    QCOMPARE(lines.count(unexpected), 3);
    QTRY_VERIFY(ks2Panel.isNull());

    // Detection takes over and finds what is there now.
    QTRY_VERIFY_WITH_TIMEOUT(indexOf(log.lines(), afterwards, deleted) > deleted, kWait);
    if (otherPid == 0) {
        QCOMPARE(layoutContent(window), QStringList{QStringLiteral("label:声卡未连接！")});
    } else {
        QCOMPARE(layoutContent(window), QStringList{QStringLiteral("panel")});
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("Zelvoro KS1 - FW: 1.0.3")));
    }
}

void TestMainWindowDetection::resumeFromSleepReplaysOnce_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("KS2 back at its defaults") << true;
    QTest::newRow("no device") << false;
}

void TestMainWindowDetection::resumeFromSleepReplaysOnce()
{
    QFETCH(bool, connected);
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    {
        // Stored state the device's power-on defaults lack.
        QSettings panel(dir + QStringLiteral("/ks2.ini"), QSettings::IniFormat);
        panel.setValue(QStringLiteral("Button/Mic148VIsChecked"), true);
        panel.setValue(QStringLiteral("Dial/SpeakerValue"), -20);
        panel.setValue(QStringLiteral("Dial/HeadphoneValue"), -30);
        QSettings engine(dir + QStringLiteral("/setting.ini"), QSettings::IniFormat);
        engine.setValue(QStringLiteral("Audio/BufferSize"), QStringLiteral("192"));
        engine.setValue(QStringLiteral("USB/LatencySize"), QStringLiteral("8"));
        engine.setValue(QStringLiteral("Audio/SampleRate"), QStringLiteral("48000"));
    }
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("ks2")});
    if (connected)
        QVERIFY(sim.start());
    LogCapture log;
    MainWindow window(modelTable());
    Settings settings;
    window.setSettingsDialog(&settings);
    const QString resumed = QStringLiteral("Resumed from sleep: replaying the stored state.");

    if (!connected) {
        QTRY_VERIFY_WITH_TIMEOUT(log.contains(QStringLiteral("Device PID: 0")), kWait);
        window.resumeFromSleep();
        QVERIFY(!log.contains(resumed));
        QVERIFY(!log.contains(QStringLiteral("Cleared all widgets from base layout.")));
        QCOMPARE(layoutContent(window), QStringList{QStringLiteral("label:声卡未连接！")});
        return;
    }
    const QString found = QStringLiteral("Device found with PID: 2");
    QTRY_VERIFY_WITH_TIMEOUT(log.contains(found), kWait);
    QTest::qWait(1000); // the start-up timers of the settings
    const QStringList firstStart = settingRequests(sim.journal());
    QCOMPARE(firstStart.filter(QStringLiteral("\"vendor_op\":\"setMic48V\"")).filter(QStringLiteral("\"state\":1")).size(), 1);
    QCOMPARE(firstStart.filter(QStringLiteral("\"op\":\"setSampleRate\"")).filter(QStringLiteral("\"value\":48000")).size(), 1);

    // The device slept without power; the program's first id read after it succeeds.
    QVERIFY(sim.command(QStringLiteral("sleep")).startsWith(QStringLiteral("ok")));
    int mark = sim.journal().size();
    window.resumeFromSleep();
    window.resumeFromSleep(); // the second announcement of the same resume
    QTRY_COMPARE_WITH_TIMEOUT(log.count(found), 2, kWait);
    QTest::qWait(1000);
    // The same replay as at detection: 48 V, levels (never louder) and engine as stored.
    QCOMPARE(settingRequests(sim.journalSince(mark)), firstStart);
    QCOMPARE(louderThanLastBlock(sim.journalSince(mark)), QStringList());
    QCOMPARE(log.count(resumed), 1);
    QCOMPARE(layoutContent(window), QStringList{QStringLiteral("panel")});

    // Another resume notice without a sleep in between replays nothing.
    mark = sim.journal().size();
    window.resumeFromSleep();
    QTest::qWait(1500);
    QCOMPARE(settingRequests(sim.journalSince(mark)), QStringList());
    QCOMPARE(log.count(resumed), 1);
}

void TestMainWindowDetection::closeWithoutTrayDestroysOnce()
{
    // The offscreen platform has no system tray: closing is accepted and the
    // window deletes itself, exactly once.
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    QPointer<MainWindow> window = new MainWindow(modelTable());
    QSignalSpy destroyed(window.data(), &QObject::destroyed);
    window->show();
    QVERIFY(window->close());
    QTRY_VERIFY(window.isNull());
    QCOMPARE(destroyed.count(), 1);
}

QTEST_MAIN(TestMainWindowDetection)
#include "tst_MainWindowDetection.moc"
