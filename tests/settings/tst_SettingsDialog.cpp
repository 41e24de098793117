// SPDX-License-Identifier: MIT
// The settings dialog end to end against zelvoro-sim: what reaches the
// driver, in what order and with what spacing, what is stored, what is logged.
#include "LogCapture.h"
#include "SimProcess.h"

#include "driver/VendorCommand.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace {

const QString kStopFailed = QStringLiteral("停止音频失败，可能是驱动未正确加载或设备未连接。");
const QString kRestartFailed = QStringLiteral("重新启动音频失败，可能是驱动未正确加载或设备未连接。");

QString iniPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/setting.ini");
}

QVariant stored(const QString &key)
{
    return QSettings(iniPath(), QSettings::IniFormat).value(key);
}

void storeBefore(const QString &key, const QString &value)
{
    QDir().mkpath(QFileInfo(iniPath()).path());
    QSettings ini(iniPath(), QSettings::IniFormat);
    ini.setValue(key, value);
    ini.sync();
}

// The operation of a journal record; vendor frames by the operation their
// command number stands for.
QString opOf(const QJsonObject &record)
{
    const QString op = record.value(QStringLiteral("op")).toString();
    if (op == QLatin1String("vendor")) {
        const int command = record.value(QStringLiteral("cmd")).toInt();
        if (command == VendorCommand::OtgOff)
            return QStringLiteral("setOtgOff");
        if (command == VendorCommand::OtgOn)
            return QStringLiteral("setOtgOn");
    }
    return op;
}

// One journal record as "op", "op=value", plus "!status" when refused.
QString step(const QJsonObject &record)
{
    QString text = opOf(record);
    if (record.contains(QStringLiteral("value")))
        text += QLatin1Char('=') + QString::number(record.value(QStringLiteral("value")).toDouble());
    const int status = record.value(QStringLiteral("status")).toInt();
    if (status != 0)
        text += QLatin1Char('!') + QString::number(status);
    return text;
}

QStringList steps(const QList<QJsonObject> &records)
{
    QStringList out;
    for (const QJsonObject &record : records)
        out << step(record);
    return out;
}

const QJsonObject *findOp(const QList<QJsonObject> &records, const QString &op, int from = 0)
{
    for (int i = from; i < records.size(); ++i)
        if (opOf(records[i]) == op)
            return &records[i];
    return nullptr;
}

double gapMs(const QJsonObject &earlier, const QJsonObject &later)
{
    return later.value(QStringLiteral("t_ms")).toDouble() - earlier.value(QStringLiteral("t_ms")).toDouble();
}

} // namespace

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void latencyCapTable();
    void builtAsDescribed();

    void firstStartAppliesBufferLatencyThenStartupSequence();
    void storedRate48000IsAppliedOnceDuringLoading();
    void rate48000IsReappliedOnLaterDetections();
    void valuesEqualToTheDriverAreNeitherSentNorStored();
    void storedTextsMatchingNoItemAreIgnored();
    void laterDetectionRestoresABoxWhoseChangeFailed();
    void smallBufferLowersTheLatencyFirst();
    void smallBufferLowersTheLatencyEvenWhenTheBoxShowsTheCap();
    void largeBufferNeverLowersTheLatency();
    void safeModeIsSwitched();

    void storedEngineSettingsReachEveryFreshEngine();
    void failedLatencyCapStopsTheBufferChange_data();
    void failedLatencyCapStopsTheBufferChange();
    void failedStoredRateIsRetriedAtStartUp();
    void unreadableIniIsNotWrittenWhileLoading();

    void eachStepRefusedInTurn_data();
    void eachStepRefusedInTurn();
    void otgCycleFailures_data();
    void otgCycleFailures();
    void withoutDriverLinkEveryHandlerFailsFirst();
    void otgTimersUseTheCurrentLink();
    void otgTimersWithAnUnopenedLinkFail();

    void okHidesAndResetsTheAsioDriver();
    void asioOpenRequestShowsTheDialogOnTop();
    void teardownIsPromptAndClean();

private:
    QComboBox *box(const char *name) const { return dialog->findChild<QComboBox *>(QLatin1String(name)); }
    // Builds the dialog and opens its link to the simulator.
    bool openDialog();
    QList<QJsonObject> journalSince(int mark) const { return sim->journalSince(mark); }

    std::unique_ptr<LogCapture> log;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<Settings> dialog;
};

void SettingsDialogTest::init()
{
    QFile::remove(iniPath());
    QDir().rmdir(iniPath()); // left by a failed unreadable-file case
    log = std::make_unique<LogCapture>();
    sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--asio")});
    QVERIFY(sim->start());
}

void SettingsDialogTest::cleanup()
{
    dialog.reset();
    sim.reset();
    log.reset();
}

bool SettingsDialogTest::openDialog()
{
    dialog = std::make_unique<Settings>();
    return dialog->initDevice();
}

void SettingsDialogTest::latencyCapTable()
{
    const std::pair<std::uint32_t, std::uint32_t> table[] = {{0, 8},    {48, 8},   {64, 8},   {65, 16},
                                                             {96, 16},  {128, 16}, {129, 24}, {192, 24},
                                                             {256, 24}, {257, 32}, {512, 32}, {1024, 32}};
    for (const auto &[size, cap] : table)
        QCOMPARE(Settings::latencyCap(size), cap);
}

void SettingsDialogTest::builtAsDescribed()
{
    dialog = std::make_unique<Settings>();
    QCOMPARE(log->lines().value(0), QStringLiteral("Settings dialog created."));
    QVERIFY(log->lines().contains(QStringLiteral("ThreadSettingsPip initialized.")));
    QVERIFY(!dialog->isVisible());
    QVERIFY(!dialog->parent());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings"));
    QCOMPARE(dialog->styleSheet(), QStringLiteral("QDialog { background-color: #2c313c; color: white; }"));

    auto *layout = qobject_cast<QVBoxLayout *>(static_cast<QWidget *>(dialog.get())->layout());
    QVERIFY(layout);
    QCOMPARE(layout->alignment(), Qt::AlignCenter);
    QCOMPARE(layout->contentsMargins(), QMargins(40, 10, 40, 40));
    // Rows: 4 labels + 4 boxes, spacing, OK, stretch.
    QCOMPARE(layout->count(), 12);
    const QStringList captions = {QStringLiteral("Settings"), QStringLiteral("Buffer Size"),
                                  QStringLiteral("USB Latency Size"), QStringLiteral("Samplerate"),
                                  QStringLiteral("Safe Mode")};
    const QString boxes[] = {QStringLiteral("bufferSizeBox"), QStringLiteral("latencyBox"),
                             QStringLiteral("sampleRateBox"), QStringLiteral("safeModeBox")};
    for (int row = 0; row < 9; ++row) {
        QWidget *widget = layout->itemAt(row)->widget();
        QVERIFY(widget);
        // Rows 0, 1, 3, 5, 7 are captions, 2, 4, 6, 8 the boxes.
        if (row < 2 || row % 2 == 1) {
            auto *label = qobject_cast<QLabel *>(widget);
            QVERIFY(label);
            QCOMPARE(label->text(), captions[(row + 1) / 2]);
            QCOMPARE(label->alignment(), Qt::AlignCenter);
            QCOMPARE(label->styleSheet(),
                     row == 0 ? QStringLiteral("font-size: 18px; font-weight: bold; color: #00FFFF;")
                              : QStringLiteral("font-size: 14px; color: #008888;"));
        } else {
            QCOMPARE(widget->objectName(), boxes[row / 2 - 1]);
        }
    }
    QCOMPARE(layout->itemAt(9)->spacerItem()->sizeHint().height(), 20);
    auto *ok = qobject_cast<QPushButton *>(layout->itemAt(10)->widget());
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(layout->itemAt(10)->alignment(), Qt::AlignCenter);
    QCOMPARE(ok->styleSheet(), QStringLiteral("background-color: #008888; color: white; font-size: 14px;"));

    const auto itemsOf = [](QComboBox *combo) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    };
    QCOMPARE(itemsOf(box("bufferSizeBox")),
             (QStringList{"48", "64", "96", "128", "192", "256", "512", "1024"}));
    QCOMPARE(itemsOf(box("latencyBox")), (QStringList{"8", "16", "24", "32"}));
    QCOMPARE(itemsOf(box("sampleRateBox")), (QStringList{"44100", "48000"}));
    QCOMPARE(itemsOf(box("safeModeBox")), (QStringList{"Disabled", "Enabled"}));
    QCOMPARE(box("bufferSizeBox")->currentText(), QStringLiteral("48"));
    QCOMPARE(box("latencyBox")->currentText(), QStringLiteral("8"));
    QCOMPARE(box("sampleRateBox")->currentText(), QStringLiteral("44100"));
    QCOMPARE(box("safeModeBox")->currentText(), QStringLiteral("Disabled"));

    // Construction reads nothing and applies nothing.
    QVERIFY(sim->journal().isEmpty());
    QVERIFY(!QFile::exists(iniPath()));
    QVERIFY(QDir(QFileInfo(iniPath()).path()).exists());
}

void SettingsDialogTest::firstStartAppliesBufferLatencyThenStartupSequence()
{
    QVERIFY(openDialog());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);

    const QList<QJsonObject> journal = sim->journal();
    QCOMPARE(steps(journal),
             (QStringList{// buffer box "48" -> "192"; cap 24 is above the driver's 16
                          "getBufferSize", "getUsbLatency", "stopAudio", "setBufferSize=192", "restartAudio",
                          // the latency box shows "8" unchanged, the driver runs 16
                          "getUsbLatency", "stopAudio", "setUsbLatency=8", "restartAudio",
                          // the start-up sequence at 44100
                          "getSampleRate", "stopAudio", "setSampleRate=44100", "setWdmChannelCount=4",
                          "setOtgOff", "setOtgOn", "initAudio"}));
    // The 100 ms pause and the two 200 ms steps, with room for a busy machine.
    QVERIFY(gapMs(journal[10], journal[11]) >= 95);
    QVERIFY(gapMs(journal[12], journal[13]) >= 195);
    QVERIFY(gapMs(journal[12], journal[13]) < 2000);
    QVERIFY(gapMs(journal[13], journal[14]) >= 195);
    QVERIFY(gapMs(journal[13], journal[14]) < 2000);
    QVERIFY(sim->command(QStringLiteral("status"))
                .contains(QStringLiteral("engine running rate 44100 buffer 192 latency 8 slow off")));

    QCOMPARE(stored("Audio/BufferSize"), QVariant("192"));
    QCOMPARE(stored("USB/LatencySize"), QVariant("8"));
    QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).allKeys(),
             (QStringList{"Audio/BufferSize", "USB/LatencySize"}));
    QCOMPARE(box("bufferSizeBox")->currentText(), QStringLiteral("192"));

    const QStringList lines = log->lines();
    const QStringList expected = {QStringLiteral("设置音频缓冲区大小为： 192 samples"),
                                  QStringLiteral("当前音频缓冲区大小： 256"),
                                  QStringLiteral("设置USB延迟大小为： 24 Frame"),
                                  QStringLiteral("当前USB延迟大小： 16"),
                                  QStringLiteral("音频缓冲区大小设置成功： 192 samples"),
                                  QStringLiteral("音频缓冲区大小设置已保存： \"192\""),
                                  QStringLiteral("设置USB延迟大小为： 8 Frame"),
                                  QStringLiteral("当前USB延迟大小： 16"),
                                  QStringLiteral("USB延迟大小设置已保存： \"8\""),
                                  QStringLiteral("已从配置文件加载控件状态"),
                                  QStringLiteral("加载控件状态完成"),
                                  QStringLiteral("当前音频采样率为： 44100"),
                                  QStringLiteral("停止音频成功，开始加载控件状态"),
                                  QStringLiteral("设置初始化完成")};
    int at = 0;
    for (const QString &line : lines)
        if (at < expected.size() && line == expected[at])
            ++at;
    QCOMPARE(at, expected.size());
}

void SettingsDialogTest::storedRate48000IsAppliedOnceDuringLoading()
{
    storeBefore(QStringLiteral("Audio/SampleRate"), QStringLiteral("48000"));
    storeBefore(QStringLiteral("Audio/BufferSize"), QStringLiteral("256"));
    QVERIFY(openDialog());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置采样频率完成")), 5000);
    QTest::qWait(300);

    const QList<QJsonObject> journal = sim->journal();
    QCOMPARE(steps(journal),
             (QStringList{"getBufferSize", // equal to the driver's 256: nothing else
                          // the unchanged latency box
                          "getUsbLatency", "stopAudio", "setUsbLatency=8", "restartAudio",
                          "stopAudio", "setSampleRate=48000", "setWdmChannelCount=4", "initAudio",
                          "getSampleRate", "setOtgOff", "setOtgOn"}));
    QVERIFY(gapMs(journal[5], journal[6]) >= 95);
    QVERIFY(gapMs(journal[7], journal[8]) >= 95);
    QCOMPARE(stored("Audio/SampleRate"), QVariant("48000"));
    QVERIFY(log->lines().contains(QStringLiteral("设置音频采样率为： 48000 Hz")));
    QVERIFY(log->lines().contains(QStringLiteral("音频采样率设置已保存： \"48000\"")));
    QVERIFY(log->lines().contains(QStringLiteral("当前音频采样率为： 48000")));
    QVERIFY(!log->contains(QStringLiteral("停止音频成功，开始加载控件状态")));
}

void SettingsDialogTest::rate48000IsReappliedOnLaterDetections()
{
    storeBefore(QStringLiteral("Audio/SampleRate"), QStringLiteral("48000"));
    storeBefore(QStringLiteral("Audio/BufferSize"), QStringLiteral("256"));
    QVERIFY(openDialog());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置采样频率完成")), 5000);

    // The interface is replugged: a fresh engine at 44100, and a new detection.
    QCOMPARE(sim->command(QStringLiteral("unplug")).left(2), QStringLiteral("ok"));
    QCOMPARE(sim->command(QStringLiteral("plug")).left(2), QStringLiteral("ok"));
    const int mark = sim->journal().size();
    log->clear();
    QVERIFY(dialog->initDevice());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);

    // No box changed: latency and buffer are compared with the fresh engine,
    // and the start-up sequence carries 48000.
    QCOMPARE(steps(journalSince(mark)),
             (QStringList{"getBufferSize", "getUsbLatency", "stopAudio", "setUsbLatency=8", "restartAudio",
                          "getSampleRate", "stopAudio", "setSampleRate=48000", "setWdmChannelCount=4",
                          "setOtgOff", "setOtgOn", "initAudio"}));
    QVERIFY(log->lines().contains(QStringLiteral("当前音频采样率为： 44100")));
    QCOMPARE(stored("Audio/SampleRate"), QVariant("48000"));
    QVERIFY(sim->command(QStringLiteral("status")).contains(QStringLiteral("48000")));
}

void SettingsDialogTest::valuesEqualToTheDriverAreNeitherSentNorStored()
{
    QVERIFY(openDialog());
    box("bufferSizeBox")->setCurrentText(QStringLiteral("256"));
    box("latencyBox")->setCurrentText(QStringLiteral("16"));
    QCOMPARE(steps(sim->journal()), (QStringList{"getBufferSize", "getUsbLatency"}));
    QVERIFY(!QFile::exists(iniPath()) || QSettings(iniPath(), QSettings::IniFormat).allKeys().isEmpty());
    QVERIFY(log->lines().contains(QStringLiteral("当前音频缓冲区大小： 256")));
    QVERIFY(log->lines().contains(QStringLiteral("当前USB延迟大小： 16")));
    QVERIFY(!log->contains(QStringLiteral("已保存")));
}

void SettingsDialogTest::storedTextsMatchingNoItemAreIgnored()
{
    storeBefore(QStringLiteral("Audio/BufferSize"), QStringLiteral("100"));
    storeBefore(QStringLiteral("USB/LatencySize"), QStringLiteral("12"));
    storeBefore(QStringLiteral("USB/SlowMode"), QStringLiteral("On"));
    QVERIFY(openDialog());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);
    QCOMPARE(box("bufferSizeBox")->currentText(), QStringLiteral("48"));
    QCOMPARE(box("latencyBox")->currentText(), QStringLiteral("8"));
    QCOMPARE(box("safeModeBox")->currentText(), QStringLiteral("Disabled"));
    // What the boxes show was never chosen: nothing of it reaches the device or the file.
    QCOMPARE(steps(sim->journal()),
             (QStringList{"getSampleRate", "stopAudio", "setSampleRate=44100", "setWdmChannelCount=4",
                          "setOtgOff", "setOtgOn", "initAudio"}));
    QVERIFY(log->contains(QStringLiteral("Ignoring unrecognised stored setting: Audio/BufferSize \"100\"")));
    QCOMPARE(stored("Audio/BufferSize"), QVariant("100"));
    QCOMPARE(stored("USB/LatencySize"), QVariant("12"));
    QCOMPARE(stored("USB/SlowMode"), QVariant("On"));
}

void SettingsDialogTest::laterDetectionRestoresABoxWhoseChangeFailed()
{
    storeBefore(QStringLiteral("Audio/BufferSize"), QStringLiteral("256"));
    QVERIFY(openDialog());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);
    QVERIFY(sim->command(QStringLiteral("fail setBufferSize@1")).startsWith(QLatin1String("ok")));
    box("bufferSizeBox")->setCurrentText(QStringLiteral("512"));
    QCOMPARE(stored("Audio/BufferSize"), QVariant("256"));

    // The next detection sets the box back to the stored text; its handler
    // finds the driver at 256 already and sends nothing more.
    log->clear();
    const int mark = sim->journal().size();
    QVERIFY(dialog->initDevice());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);
    QCOMPARE(box("bufferSizeBox")->currentText(), QStringLiteral("256"));
    QCOMPARE(steps(journalSince(mark)).mid(0, 4),
             (QStringList{"getBufferSize", "getUsbLatency", "getSampleRate", "stopAudio"}));
    QVERIFY(log->lines().contains(QStringLiteral("设置音频缓冲区大小为： 256 samples")));
}

void SettingsDialogTest::smallBufferLowersTheLatencyFirst()
{
    QVERIFY(openDialog());
    box("latencyBox")->setCurrentText(QStringLiteral("32"));
    QCOMPARE(stored("USB/LatencySize"), QVariant("32"));
    const int mark = sim->journal().size();

    box("bufferSizeBox")->setCurrentText(QStringLiteral("64"));
    box("bufferSizeBox")->setCurrentText(QStringLiteral("48"));
    QCOMPARE(
        steps(journalSince(mark)),
        (QStringList{// 64: cap 8 below 32; the latency box goes to "8" and its handler runs
                     "getBufferSize", "getUsbLatency", "getUsbLatency", "stopAudio", "setUsbLatency=8",
                     "restartAudio", "stopAudio", "setBufferSize=64", "restartAudio",
                     // 48: the latency is 8 already
                     "getBufferSize", "getUsbLatency", "stopAudio", "setBufferSize=48", "restartAudio"}));
    QCOMPARE(box("latencyBox")->currentText(), QStringLiteral("8"));
    QCOMPARE(stored("USB/LatencySize"), QVariant("8"));
    QCOMPARE(stored("Audio/BufferSize"), QVariant("48"));
    QVERIFY(log->lines().contains(QStringLiteral("USB延迟大小设置已保存： \"8\"")));
}

void SettingsDialogTest::smallBufferLowersTheLatencyEvenWhenTheBoxShowsTheCap()
{
    QVERIFY(openDialog());
    box("latencyBox")->setCurrentText(QStringLiteral("32"));
    // Going back to "8" fails at the set: the box shows "8", the driver keeps 32.
    QVERIFY(sim->command(QStringLiteral("fail setUsbLatency@1")).startsWith(QLatin1String("ok")));
    box("latencyBox")->setCurrentText(QStringLiteral("8"));
    QVERIFY(log->lines().contains(QStringLiteral("设置USB延迟大小失败，可能是驱动未正确加载或设备未连接。")));
    QCOMPARE(stored("USB/LatencySize"), QVariant("32"));
    const int mark = sim->journal().size();

    box("bufferSizeBox")->setCurrentText(QStringLiteral("1024"));
    box("bufferSizeBox")->setCurrentText(QStringLiteral("48"));
    const QStringList sent = steps(journalSince(mark));
    QCOMPARE(sent,
             (QStringList{"getBufferSize", "getUsbLatency", "stopAudio", "setBufferSize=1024", "restartAudio",
                          "getBufferSize", "getUsbLatency", "getUsbLatency", "stopAudio", "setUsbLatency=8",
                          "restartAudio", "stopAudio", "setBufferSize=48", "restartAudio"}));
    QCOMPARE(stored("USB/LatencySize"), QVariant("8"));
    QCOMPARE(stored("Audio/BufferSize"), QVariant("48"));
    QVERIFY(sim->command(QStringLiteral("status")).contains(QStringLiteral("running")));
}

void SettingsDialogTest::largeBufferNeverLowersTheLatency()
{
    QVERIFY(openDialog());
    box("latencyBox")->setCurrentText(QStringLiteral("32"));
    const int mark = sim->journal().size();
    box("bufferSizeBox")->setCurrentText(QStringLiteral("1024"));
    QCOMPARE(steps(journalSince(mark)), (QStringList{"getBufferSize", "getUsbLatency", "stopAudio",
                                                     "setBufferSize=1024", "restartAudio"}));
    QVERIFY(log->lines().contains(QStringLiteral("设置USB延迟大小为： 32 Frame")));
    QCOMPARE(box("latencyBox")->currentText(), QStringLiteral("32"));
}

void SettingsDialogTest::safeModeIsSwitched()
{
    QVERIFY(openDialog());
    box("safeModeBox")->setCurrentText(QStringLiteral("Enabled"));
    QCOMPARE(stored("USB/SlowMode"), QVariant("Enabled"));
    box("safeModeBox")->setCurrentText(QStringLiteral("Disabled"));
    QCOMPARE(steps(sim->journal()), (QStringList{"stopAudio", "enableSlowMode", "restartAudio", "stopAudio",
                                                 "disableSlowMode", "restartAudio"}));
    QCOMPARE(stored("USB/SlowMode"), QVariant("Disabled"));
    QVERIFY(log->lines().contains(QStringLiteral("USB慢速模式设置已保存： \"Enabled\"")));
}

// Stored buffer 128, latency 32 and safe mode on reach the driver's own start
// values on a first start, and a fresh engine after every replug, though no
// box changes then; the file, which holds them already, is never written.
void SettingsDialogTest::storedEngineSettingsReachEveryFreshEngine()
{
    const QString stored128 = QStringLiteral("[Audio]\nBufferSize = 128\n\n[USB]\nLatencySize = 32\n"
                                             "SlowMode = Enabled\n");
    const auto writeIni = [&stored128] {
        QFile file(iniPath());
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(stored128.toUtf8()) > 0;
    };
    QDir().mkpath(QFileInfo(iniPath()).path());
    QVERIFY(writeIni());
    const QString expectedState = QStringLiteral("engine running rate 44100 buffer 128 latency 32 slow on");

    QVERIFY(openDialog());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);
    QCOMPARE(steps(sim->journal()).mid(0, 12),
             (QStringList{// loading changes the buffer box
                          "getBufferSize", "getUsbLatency", "stopAudio", "setBufferSize=128", "restartAudio",
                          // latency 32 after the buffer size, whose cap (16) would have lowered it
                          "getUsbLatency", "stopAudio", "setUsbLatency=32", "restartAudio",
                          // and the safe-mode box
                          "stopAudio", "enableSlowMode", "restartAudio"}));
    QVERIFY(sim->command(QStringLiteral("status")).contains(expectedState));
    const auto fileText = [] {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    QCOMPARE(fileText(), stored128);

    // Replugged: the engine starts afresh at buffer 256, latency 16, safe mode off.
    QVERIFY(sim->command(QStringLiteral("unplug")).startsWith(QLatin1String("ok")));
    QVERIFY(sim->command(QStringLiteral("plug")).startsWith(QLatin1String("ok")));
    QVERIFY(
        sim->command(QStringLiteral("status")).contains(QStringLiteral("buffer 256 latency 16 slow off")));
    const int mark = sim->journal().size();
    log->clear();
    QVERIFY(dialog->initDevice());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);
    QCOMPARE(
        steps(journalSince(mark)),
        (QStringList{"getBufferSize", "getUsbLatency", "stopAudio", "setBufferSize=128", "restartAudio",
                     "getUsbLatency", "stopAudio", "setUsbLatency=32", "restartAudio", "stopAudio",
                     "enableSlowMode", "restartAudio", "getSampleRate", "stopAudio", "setSampleRate=44100",
                     "setWdmChannelCount=4", "setOtgOff", "setOtgOn", "initAudio"}));
    QVERIFY(sim->command(QStringLiteral("status")).contains(expectedState));
    QVERIFY(log->lines().contains(QStringLiteral("音频缓冲区大小设置已保存： \"128\"")));
    QCOMPARE(fileText(), stored128);

    // With the device in step, a later detection only reads and re-enables
    // safe mode, which cannot be read back.
    const int again = sim->journal().size();
    dialog->loadAndApply();
    QCOMPARE(steps(journalSince(again)).mid(0, 6),
             (QStringList{"getBufferSize", "getUsbLatency", "stopAudio", "enableSlowMode", "restartAudio",
                          "getSampleRate"}));
}

// Lowering the latency to the new buffer size's cap is refused at its stop,
// set or restart: the buffer size must then not reach the driver.
void SettingsDialogTest::failedLatencyCapStopsTheBufferChange_data()
{
    QTest::addColumn<QString>("failingOp");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("latencyShown");
    QTest::newRow("stop") << "stopAudio" << kStopFailed << QStringList{"stopAudio!31"} << "32";
    // A refused set restarts the engine with the latency it had.
    QTest::newRow("set") << "setUsbLatency"
                         << "设置USB延迟大小失败，可能是驱动未正确加载或设备未连接。"
                         << QStringList{"stopAudio", "setUsbLatency=8!31", "restartAudio"} << "32";
    QTest::newRow("restart") << "restartAudio" << kRestartFailed
                             << QStringList{"stopAudio", "setUsbLatency=8", "restartAudio!31"} << "8";
}

void SettingsDialogTest::failedLatencyCapStopsTheBufferChange()
{
    QFETCH(QString, failingOp);
    QFETCH(QString, line);
    QFETCH(QStringList, sent);
    QFETCH(QString, latencyShown);

    storeBefore(QStringLiteral("Audio/BufferSize"), QStringLiteral("256"));
    QVERIFY(openDialog());
    box("latencyBox")->setCurrentText(QStringLiteral("32"));
    QVERIFY(sim->command(QStringLiteral("fail ") + failingOp + QStringLiteral("@1"))
                .startsWith(QLatin1String("ok")));
    const int mark = sim->journal().size();
    log->clear();

    box("bufferSizeBox")->setCurrentText(QStringLiteral("64"));
    // Both boxes show again what the driver runs.
    QCOMPARE(steps(journalSince(mark)),
             QStringList({"getBufferSize", "getUsbLatency", "getUsbLatency"}) + sent +
                 QStringList({"getUsbLatency", "getBufferSize"}));
    QCOMPARE(box("latencyBox")->currentText(), latencyShown);
    QCOMPARE(box("bufferSizeBox")->currentText(), QStringLiteral("256"));
    QCOMPARE(log->count(line), 1);
    QCOMPARE(stored("Audio/BufferSize"), QVariant("256"));
    QCOMPARE(stored("USB/LatencySize"), QVariant("32"));
    QVERIFY(sim->command(QStringLiteral("status")).contains(QStringLiteral("buffer 256")));
}

// A stored 48000 whose change was refused while loading is put through by the
// start-up sequence instead of being taken as applied.
void SettingsDialogTest::failedStoredRateIsRetriedAtStartUp()
{
    storeBefore(QStringLiteral("Audio/SampleRate"), QStringLiteral("48000"));
    storeBefore(QStringLiteral("Audio/BufferSize"), QStringLiteral("256"));
    QVERIFY(openDialog());
    QVERIFY(sim->command(QStringLiteral("fail setSampleRate@1")).startsWith(QLatin1String("ok")));
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);

    const QStringList sent = steps(sim->journal());
    QCOMPARE(sent.mid(5, 4), (QStringList{"stopAudio", "setSampleRate=48000!31", "initAudio", "getSampleRate"}));
    QCOMPARE(sent.mid(sent.lastIndexOf(QStringLiteral("getSampleRate"))),
             (QStringList{"getSampleRate", "stopAudio", "setSampleRate=48000", "setWdmChannelCount=4",
                          "setOtgOff", "setOtgOn", "initAudio"}));
    QVERIFY(sim->command(QStringLiteral("status")).contains(QStringLiteral("engine running rate 48000")));
}

// A setting.ini that exists but cannot be read: the defaults reach the device,
// nothing is written while loading, and later changes write as usual.
void SettingsDialogTest::unreadableIniIsNotWrittenWhileLoading()
{
    // A directory in the file's place cannot be read, not even by root.
    QVERIFY(QDir().mkpath(iniPath()));
    QVERIFY(openDialog());
    dialog->loadAndApply();
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置初始化完成")), 5000);

    QCOMPARE(
        log->lines(QtWarningMsg),
        QStringList{
            QStringLiteral("Failed to read settings file: \"%1\" QSettings::AccessError").arg(iniPath())});
    const QStringList sent = steps(sim->journal());
    QVERIFY(sent.contains(QStringLiteral("setBufferSize=192")));
    QVERIFY(sent.contains(QStringLiteral("setUsbLatency=8")));
    QVERIFY(sent.contains(QStringLiteral("setSampleRate=44100")));
    QVERIFY(!log->contains(QStringLiteral("已保存")));

    log->clear();
    box("safeModeBox")->setCurrentText(QStringLiteral("Enabled"));
    QCOMPARE(log->lines(QtWarningMsg).filter(QStringLiteral("Failed to write settings file:")).size(), 1);
    QVERIFY(!log->contains(QStringLiteral("已保存")));
}

// Against a fresh engine (buffer 256, latency 16, 44100 Hz, safe mode off).
// A refused step logs its line and stores nothing; a refused set restarts the
// engine with what it had; the box shows what the driver then reports.
void SettingsDialogTest::eachStepRefusedInTurn_data()
{
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("failingOp");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("running");

    const auto row = [](const char *name, const char *box, const char *key, const char *previous,
                        const char *chosen, const char *op, const QString &line, const QStringList &sent,
                        const char *shown, bool running) {
        QTest::newRow(name) << QString(box) << QString(key) << QString(previous) << QString(chosen) << QString(op)
                            << line << sent << QString(shown) << running;
    };
    const QString getBufferFailed = QStringLiteral("获取音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。");
    const QString getLatencyFailed = QStringLiteral("获取USB延迟大小失败，可能是驱动未正确加载或设备未连接。");
    const QString setBufferFailed = QStringLiteral("设置音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。");
    const QString setLatencyFailed = QStringLiteral("设置USB延迟大小失败，可能是驱动未正确加载或设备未连接。");
    const QString setRateFailed = QStringLiteral("设置音频采样率失败，可能是驱动未正确加载或设备未连接。");
    const QString setWdmFailed = QStringLiteral("设置WDM通道数量失败，可能是驱动未正确加载或设备未连接。");
    const QString setSafeFailed = QStringLiteral("设置USB慢速模式失败，可能是驱动未正确加载或设备未连接。");

    const char *buf = "bufferSizeBox";
    const char *bufKey = "Audio/BufferSize";
    row("buffer/get", buf, bufKey, "48", "1024", "getBufferSize", getBufferFailed,
        {"getBufferSize!31", "getBufferSize"}, "256", true);
    row("buffer/latency", buf, bufKey, "48", "1024", "getUsbLatency", getLatencyFailed,
        {"getBufferSize", "getUsbLatency!31", "getBufferSize"}, "256", true);
    row("buffer/stop", buf, bufKey, "48", "1024", "stopAudio", kStopFailed,
        {"getBufferSize", "getUsbLatency", "stopAudio!31", "getBufferSize"}, "256", true);
    row("buffer/set", buf, bufKey, "48", "1024", "setBufferSize", setBufferFailed,
        {"getBufferSize", "getUsbLatency", "stopAudio", "setBufferSize=1024!31", "restartAudio", "getBufferSize"},
        "256", true);
    row("buffer/restart", buf, bufKey, "48", "1024", "restartAudio", kRestartFailed,
        {"getBufferSize", "getUsbLatency", "stopAudio", "setBufferSize=1024", "restartAudio!31", "getBufferSize"},
        "1024", false);

    const char *lat = "latencyBox";
    const char *latKey = "USB/LatencySize";
    row("latency/stop", lat, latKey, "8", "32", "stopAudio", kStopFailed,
        {"getUsbLatency", "stopAudio!31", "getUsbLatency"}, "16", true);
    row("latency/set", lat, latKey, "8", "32", "setUsbLatency", setLatencyFailed,
        {"getUsbLatency", "stopAudio", "setUsbLatency=32!31", "restartAudio", "getUsbLatency"}, "16", true);
    row("latency/restart", lat, latKey, "8", "32", "restartAudio", kRestartFailed,
        {"getUsbLatency", "stopAudio", "setUsbLatency=32", "restartAudio!31", "getUsbLatency"}, "32", false);

    const char *rate = "sampleRateBox";
    const char *rateKey = "Audio/SampleRate";
    row("rate/stop", rate, rateKey, "44100", "48000", "stopAudio", kStopFailed, {"stopAudio!31", "getSampleRate"},
        "44100", true);
    row("rate/set", rate, rateKey, "44100", "48000", "setSampleRate", setRateFailed,
        {"stopAudio", "setSampleRate=48000!31", "initAudio", "getSampleRate"}, "44100", true);
    row("rate/wdm", rate, rateKey, "44100", "48000", "setWdmChannelCount", setWdmFailed,
        {"stopAudio", "setSampleRate=48000", "setWdmChannelCount=4!31", "initAudio", "getSampleRate"}, "48000",
        true);
    row("rate/init", rate, rateKey, "44100", "48000", "initAudio", kRestartFailed,
        {"stopAudio", "setSampleRate=48000", "setWdmChannelCount=4", "initAudio!31", "getSampleRate"}, "48000",
        false);

    const char *safe = "safeModeBox";
    const char *safeKey = "USB/SlowMode";
    row("safe/stop", safe, safeKey, "Disabled", "Enabled", "stopAudio", kStopFailed, {"stopAudio!31"}, "Disabled",
        true);
    row("safe/set", safe, safeKey, "Disabled", "Enabled", "enableSlowMode", setSafeFailed,
        {"stopAudio", "enableSlowMode!31", "restartAudio"}, "Disabled", true);
    // The mode was switched; only the restart failed.
    row("safe/restart", safe, safeKey, "Disabled", "Enabled", "restartAudio", kRestartFailed,
        {"stopAudio", "enableSlowMode", "restartAudio!31"}, "Enabled", false);
}

void SettingsDialogTest::eachStepRefusedInTurn()
{
    QFETCH(QString, boxName);
    QFETCH(QString, key);
    QFETCH(QString, previous);
    QFETCH(QString, chosen);
    QFETCH(QString, failingOp);
    QFETCH(QString, line);
    QFETCH(QStringList, sent);
    QFETCH(QString, shown);
    QFETCH(bool, running);

    storeBefore(key, previous);
    QVERIFY(openDialog());
    QVERIFY(sim->command(QStringLiteral("fail ") + failingOp + QStringLiteral("@1"))
                .startsWith(QLatin1String("ok")));
    QComboBox *combo = box(qPrintable(boxName));
    combo->setCurrentText(chosen);
    QTest::qWait(500); // a rate change would have armed its cycle by now

    QCOMPARE(steps(sim->journal()), sent);
    QCOMPARE(log->count(line), 1);
    QVERIFY(!log->contains(QStringLiteral("已保存")));
    QVERIFY(!log->contains(QStringLiteral("设置采样频率完成")));
    QCOMPARE(stored(key), QVariant(previous));
    QCOMPARE(combo->currentText(), shown);
    QCOMPARE(sim->command(QStringLiteral("status")).contains(QStringLiteral("engine running")), running);
}

void SettingsDialogTest::otgCycleFailures_data()
{
    QTest::addColumn<bool>("startup");
    QTest::addColumn<QString>("failingOp");
    QTest::addColumn<QStringList>("tail");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("absent");

    const QString offFailed = QStringLiteral("关闭OTG芯片失败，可能是驱动未正确加载或设备未连接。");
    const QString onFailed = QStringLiteral("开启OTG芯片失败，可能是驱动未正确加载或设备未连接。");
    QTest::newRow("startup/off") << true << "setOtgOff" << QStringList{"setWdmChannelCount=4", "setOtgOff!31"}
                                 << QStringList{offFailed} << QStringList{"设置初始化完成", "初始化音频失败"};
    QTest::newRow("startup/on") << true << "setOtgOn"
                                << QStringList{"setWdmChannelCount=4", "setOtgOff", "setOtgOn!31",
                                               "initAudio"}
                                << QStringList{onFailed, "设置初始化完成"} << QStringList{};
    QTest::newRow("startup/init") << true << "initAudio"
                                  << QStringList{"setWdmChannelCount=4", "setOtgOff", "setOtgOn",
                                                 "initAudio!31"}
                                  << QStringList{"初始化音频失败，可能是驱动未正确加载或设备未连接。"}
                                  << QStringList{"设置初始化完成"};
    QTest::newRow("change/off") << false << "setOtgOff" << QStringList{"initAudio", "setOtgOff!31"}
                                << QStringList{offFailed} << QStringList{"设置采样频率完成"};
    QTest::newRow("change/on") << false << "setOtgOn" << QStringList{"initAudio", "setOtgOff", "setOtgOn!31"}
                               << QStringList{onFailed, "设置采样频率完成"} << QStringList{};
}

void SettingsDialogTest::otgCycleFailures()
{
    QFETCH(bool, startup);
    QFETCH(QString, failingOp);
    QFETCH(QStringList, tail);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, absent);

    storeBefore(QStringLiteral("Audio/BufferSize"), QStringLiteral("256"));
    QVERIFY(openDialog());
    QVERIFY(sim->command(QStringLiteral("fail ") + failingOp + QStringLiteral("@1"))
                .startsWith(QLatin1String("ok")));
    if (startup)
        dialog->loadAndApply();
    else
        box("sampleRateBox")->setCurrentText(QStringLiteral("48000"));
    // The rate is stored without waiting for the cycle.
    if (!startup)
        QCOMPARE(stored("Audio/SampleRate"), QVariant("48000"));
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(lines.last()), 5000);
    QTest::qWait(500);

    const QStringList sent = steps(sim->journal());
    QCOMPARE(sent.mid(sent.size() - tail.size()), tail);
    for (const QString &line : lines)
        QCOMPARE(log->count(line), 1);
    for (const QString &line : absent)
        QVERIFY2(!log->contains(line), qPrintable(line));
}

void SettingsDialogTest::withoutDriverLinkEveryHandlerFailsFirst()
{
    dialog = std::make_unique<Settings>();
    box("bufferSizeBox")->setCurrentText(QStringLiteral("1024"));
    QVERIFY(log->lines().contains(QStringLiteral("当前音频缓冲区大小： 0")));
    QCOMPARE(log->count(QStringLiteral("获取音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。")), 1);
    box("latencyBox")->setCurrentText(QStringLiteral("32"));
    QVERIFY(log->lines().contains(QStringLiteral("当前USB延迟大小： 0")));
    QCOMPARE(log->count(kStopFailed), 1);
    box("sampleRateBox")->setCurrentText(QStringLiteral("48000"));
    QCOMPARE(log->count(kStopFailed), 2);
    box("safeModeBox")->setCurrentText(QStringLiteral("Enabled"));
    QCOMPARE(log->count(kStopFailed), 3);

    // The refused boxes went back to the stored values; loading runs the
    // buffer and latency handlers (each failing as above; safe mode is off
    // already), and the start-up sequence fails at its stop.
    QSignalBlocker blocker(box("sampleRateBox"));
    box("sampleRateBox")->setCurrentText(QStringLiteral("44100"));
    dialog->loadAndApply();
    QVERIFY(log->lines().contains(QStringLiteral("当前音频采样率为： 0")));
    QCOMPARE(log->count(QStringLiteral("获取音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。")), 2);
    QCOMPARE(log->count(kStopFailed), 5);
    // The pipe thread logs on its own schedule: the dialog's own last line counts.
    const QStringList lines = log->lines();
    const auto last = std::find_if(lines.crbegin(), lines.crend(), [](const QString &line) {
        return !line.startsWith(QLatin1String("ThreadSettingsPip")) && !line.contains(QLatin1String("\\pipe\\"));
    });
    QVERIFY(last != lines.crend());
    QCOMPARE(*last, kStopFailed);

    QTest::qWait(500);
    QVERIFY(sim->journal().isEmpty());
    QVERIFY(!log->contains(QStringLiteral("已保存")));
    QVERIFY(!log->contains(QStringLiteral("OTG")));
}

void SettingsDialogTest::otgTimersUseTheCurrentLink()
{
    QVERIFY(openDialog());
    box("sampleRateBox")->setCurrentText(QStringLiteral("48000"));
    const int firstConn = sim->journal().last().value(QStringLiteral("conn")).toInt();
    // A new detection replaces the link before the cycle's timers fire.
    QVERIFY(dialog->initDevice());
    QVERIFY(dialog->initDevice());
    QTRY_VERIFY_WITH_TIMEOUT(log->contains(QStringLiteral("设置采样频率完成")), 5000);

    const QList<QJsonObject> journal = sim->journal();
    const QJsonObject *off = findOp(journal, QStringLiteral("setOtgOff"));
    const QJsonObject *on = findOp(journal, QStringLiteral("setOtgOn"));
    QVERIFY(off && on);
    QCOMPARE(off->value(QStringLiteral("status")).toInt(), 0);
    QCOMPARE(on->value(QStringLiteral("status")).toInt(), 0);
    QVERIFY(off->value(QStringLiteral("conn")).toInt() != firstConn);
    QCOMPARE(on->value(QStringLiteral("conn")), off->value(QStringLiteral("conn")));
}

void SettingsDialogTest::otgTimersWithAnUnopenedLinkFail()
{
    QVERIFY(openDialog());
    box("sampleRateBox")->setCurrentText(QStringLiteral("48000"));
    // The interface goes away and the next detection's open fails.
    QVERIFY(sim->command(QStringLiteral("unplug")).startsWith(QLatin1String("ok")));
    QVERIFY(!dialog->initDevice());
    QTRY_VERIFY_WITH_TIMEOUT(
        log->contains(QStringLiteral("关闭OTG芯片失败，可能是驱动未正确加载或设备未连接。")), 5000);
    QTest::qWait(400);
    QVERIFY(!log->contains(QStringLiteral("设置采样频率完成")));
    QVERIFY(!findOp(sim->journal(), QStringLiteral("setOtgOff")));
}

void SettingsDialogTest::okHidesAndResetsTheAsioDriver()
{
    dialog = std::make_unique<Settings>();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto *ok = dialog->findChild<QPushButton *>();
    QVERIFY(ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
    QVERIFY(log->lines().contains(QStringLiteral("ASIO reset signal sent successfully.")));
    QVERIFY(log->lines().contains(QStringLiteral("设置通知ASIO逻辑")));
    QString output;
    QTRY_VERIFY_WITH_TIMEOUT((output += sim->output()).contains(QStringLiteral("ASIO reset received")), 5000);
    QTest::qWait(200);
    output += sim->output();
    QCOMPARE(output.count(QStringLiteral("ASIO reset received")), 1);

    // Nothing was changed, and the reset goes out again on every click.
    log->clear();
    ok->click();
    output.clear();
    QTRY_VERIFY2_WITH_TIMEOUT((output += sim->output()).contains(QStringLiteral("ASIO reset received")),
                              qPrintable(log->lines().join('|') + "||" + output), 5000);
    QVERIFY(sim->journal().isEmpty());
}

void SettingsDialogTest::asioOpenRequestShowsTheDialogOnTop()
{
    dialog = std::make_unique<Settings>();
    QVERIFY(!dialog->isVisible());
    QVERIFY(sim->command(QStringLiteral("asio-open")).startsWith(QLatin1String("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 5000);
    QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(log->count(QStringLiteral("Received signal from pipe thread to show settings window.")), 1);
    QCOMPARE(log->count(QStringLiteral("Open Window Signal from ASIO.")), 1);

    dialog->showMinimized();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isMinimized(), 5000);
    QVERIFY(sim->command(QStringLiteral("asio-open")).startsWith(QLatin1String("ok")));
    QTRY_COMPARE_WITH_TIMEOUT(
        log->count(QStringLiteral("Received signal from pipe thread to show settings window.")), 2, 5000);
    QVERIFY(!dialog->isMinimized());
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // A message whose fifth word is 0 leaves a hidden dialog hidden.
    dialog->hide();
    QVERIFY(sim->command(QStringLiteral("asio-send 0000000000000000000000000000000000000000"))
                .startsWith(QLatin1String("ok")));
    QTRY_VERIFY_WITH_TIMEOUT(log->lines().contains(QStringLiteral("Received data from pipe: 0 0 0 0 0")),
                             5000);
    QTest::qWait(100);
    QVERIFY(!dialog->isVisible());
}

void SettingsDialogTest::teardownIsPromptAndClean()
{
    QVERIFY(openDialog());
    QTRY_VERIFY_WITH_TIMEOUT(
        log->contains(QStringLiteral("ThreadSettingsPip is running waiting Asio Info...")), 5000);
    QElapsedTimer timer;
    timer.start();
    dialog.reset();
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    const QStringList lines = log->lines();
    const int closed = lines.indexOf(QStringLiteral("Settings dialog closed and resources cleaned up."));
    QVERIFY(closed >= 0);
    QVERIFY(lines.indexOf(QStringLiteral("Pipe closed.")) > closed);
    QCOMPARE(lines.last(), QStringLiteral("Pipe closed."));
    // The pipe is gone with it.
    QVERIFY(sim->command(QStringLiteral("asio-open")).startsWith(QLatin1String("error")));
}

QTEST_MAIN(SettingsDialogTest)
#include "tst_SettingsDialog.moc"
