// SPDX-License-Identifier: MIT
// The KS1 panel end to end against zelvoro-sim: what the restore and each
// control send, what lands in ks1.ini, the meters and the failure paths.
#include "panels/ks1.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include "LogCapture.h"
#include "PanelJournal.h"
#include "SimProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>
#include <map>
#include <memory>

using namespace paneltest;

namespace {

constexpr double kMaxGain = 1.9952623149688795;

// Exposes the meter display so a test can feed it a known block.
class MeteredKs1 : public ks1
{
public:
    using ks1::showMeters;
};

// The entries every KS1 block carries from the constructor on.
std::map<int, double> constructorEntries()
{
    std::map<int, double> e;
    for (int v = 0; v < 3; ++v)
        for (int i = 0; i < 32; ++i)
            e[vector(v, i)] = 1.0;
    for (int i = 0; i < 8; ++i) {
        e[matrix(0, 4 + i, i)] = 1.0;
        e[matrix(5, i, i)] = 1.0;
    }
    for (int index : {matrix(3, 0, 0), matrix(3, 1, 1), matrix(4, 0, 0), matrix(4, 1, 1), matrix(4, 2, 0),
                      matrix(4, 3, 1)})
        e[index] = 1.0;
    return e;
}

} // namespace

class Ks1PanelTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimProcess> sim;

    bool startSim(QStringList extra = {})
    {
        sim = std::make_unique<SimProcess>(QStringList{"--model", "ks1"} + extra);
        return sim->start();
    }
    double lastHeadphoneGain() const { return entry(mixerWrites(*sim).last(), vector(0, 0)); }

private slots:
    void init() { removeIni("ks1"); }
    void cleanup() { sim.reset(); }

    void firstStartReplaysTheDefaults()
    {
        QVERIFY(startSim());
        LogCapture log;
        ks1 panel;
        const QStringList expected = {
            "setOutVolume(1,100)", "setOutVolume(2,100)", "setMicInstrument(1,0)", "setMic20dB(1,0)",
            "setMic48V(1,0)", "mixer", "setMicVolume(1,0)", "mixer", "mixer", "mixer", "mixer",
        };
        QTRY_COMPARE(describeAll(requests(*sim)), expected);
        const QList<QJsonObject> sent = requests(*sim);
        QCOMPARE(sent[0].value("frame").toString(), frameHex(0x03, 2, 1, 100));
        QCOMPARE(sent[1].value("frame").toString(), frameHex(0x03, 2, 2, 100));
        QCOMPARE(sent[2].value("frame").toString(), frameHex(0x64, 0, 1));
        QCOMPARE(sent[6].value("frame").toString(), frameHex(0x07, 2, 1, 0));
        for (const QJsonObject &r : sent) {
            QCOMPARE(r.value("status").toInt(), 0);
            if (isMixerWrite(r))
                QCOMPARE(r.value("in_len").toInt(), 66304);
        }

        // The direct write goes out before the level handler ran, already with
        // the stored headphone level: -80 dB (0.0), not unity.
        const QList<QJsonObject> blocks = mixerWrites(*sim);
        std::map<int, double> first = constructorEntries();
        first.erase(vector(0, 0));
        first.erase(vector(0, 1));
        QCOMPARE(sentEntries(blocks[0]), first);
        // Afterwards the phone at its stored default 0 dB (1.0) as well.
        std::map<int, double> last = first;
        last[matrix(2, 0, 2)] = 1.0;
        last[matrix(2, 1, 3)] = 1.0;
        QCOMPARE(sentEntries(blocks.last()), last);

        QCOMPARE(iniKeys("ks1"), QStringList({"Button/HeadphoneDimIsChecked", "Button/HeadphoneMuteIsChecked",
                                              "Button/Mic20dBIsChecked", "Button/Mic48VIsChecked",
                                              "Button/MicInstrIsChecked", "Button/MonitorMicIsChecked",
                                              "Dial/HeadphoneValue", "Dial/MicValue", "Dial/OtgToHpValue"}));
        QCOMPARE(iniValue("ks1", "Dial/HeadphoneValue").toInt(), -80);
        QCOMPARE(iniValue("ks1", "Dial/OtgToHpValue").toInt(), 0);
        QCOMPARE(iniValue("ks1", "Button/MicInstrIsChecked").toBool(), false);
        QCOMPARE(panel.findChild<Knob *>("phoneKnob")->value, 0);
        QCOMPARE(panel.findChild<Button *>("instrumentButton")->text(), QString("MIC"));
        QVERIFY(log.contains("已从配置文件加载控件状态"));
        QVERIFY(log.contains("OTG to HP volume set to: 1"));
        QCOMPARE(log.count("控件状态已保存到配置文件"), 0);
    }

    void storedValuesAreClampedAndWrittenBack()
    {
        writeIni("ks1", {{"Dial/MicValue", 100}, {"Dial/HeadphoneValue", "loud"}, {"Button/Mic48VIsChecked", true}});
        QVERIFY(startSim());
        ks1 panel;
        QTRY_COMPARE(requests(*sim).size(), 11);
        const QList<QJsonObject> sent = requests(*sim);
        QCOMPARE(describe(sent[4]), QString("setMic48V(1,1)"));
        QCOMPARE(describe(sent[6]), QString("setMicVolume(1,84)"));
        QCOMPARE(sent[6].value("frame").toString(), frameHex(0x07, 2, 1, 84));
        QCOMPARE(panel.findChild<Knob *>("micGainKnob")->value, 42);
        QCOMPARE(iniValue("ks1", "Dial/MicValue").toInt(), 42);
        // A level that is not a number restores 0 dB.
        QCOMPARE(panel.findChild<Knob *>("headphoneKnob")->value, 0);
        QCOMPARE(lastHeadphoneGain(), 1.0);
        QCOMPARE(iniValue("ks1", "Dial/HeadphoneValue").toInt(), 0);
        QVERIFY(panel.findChild<Button *>("phantomButton")->status);
    }

    void storedMuteAndDimReachEveryHeadphoneWrite_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<bool>("mute");
        QTest::addColumn<bool>("dim");
        QTest::addColumn<double>("gain");
        QTest::newRow("+6 alone") << 6 << false << false << kMaxGain;
        QTest::newRow("+6 dimmed") << 6 << false << true << std::pow(10.0, -14.0 / 20.0);
        QTest::newRow("+6 muted") << 6 << true << false << 0.0;
        QTest::newRow("muted and dimmed") << 6 << true << true << 0.0;
        QTest::newRow("-65 dimmed") << -65 << false << true << 0.0;
    }

    void storedMuteAndDimReachEveryHeadphoneWrite()
    {
        QFETCH(int, level);
        QFETCH(bool, mute);
        QFETCH(bool, dim);
        QFETCH(double, gain);
        writeIni("ks1", {{"Dial/HeadphoneValue", level},
                         {"Button/HeadphoneMuteIsChecked", mute},
                         {"Button/HeadphoneDimIsChecked", dim}});
        QVERIFY(startSim());
        ks1 panel;
        QTRY_COMPARE(requests(*sim).size(), 11);
        // No burst at start: every block of the restore carries the stored level.
        const QList<QJsonObject> blocks = mixerWrites(*sim);
        QCOMPARE(blocks.size(), 5);
        for (const QJsonObject &block : blocks) {
            QCOMPARE(entry(block, vector(0, 0)), gain);
            QCOMPARE(entry(block, vector(0, 1)), gain);
        }
        QCOMPARE(panel.findChild<Button *>("muteButton")->status, mute);
        QCOMPARE(iniValue("ks1", "Dial/HeadphoneValue").toInt(), level);
    }

    void muteOverridesDimOverridesKnob()
    {
        QVERIFY(startSim());
        ks1 panel;
        auto *knob = panel.findChild<Knob *>("headphoneKnob");
        auto *mute = panel.findChild<Button *>("muteButton");
        auto *dim = panel.findChild<Button *>("dimButton");
        QTRY_COMPARE(requests(*sim).size(), 11);
        LogCapture log;

        knob->setValue(6);
        QTRY_COMPARE(requests(*sim).size(), 12);
        QCOMPARE(lastHeadphoneGain(), kMaxGain);
        QVERIFY(log.contains("Headphone volume set to: 1.99526"));

        QTest::mousePress(mute, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 13);
        QCOMPARE(lastHeadphoneGain(), 0.0);
        const QStringList lines = log.lines();
        QCOMPARE(lines.mid(lines.size() - 2),
                 QStringList({"Headphone volume set to: 0", "Headphone Mute Button Clicked: Mute ON"}));
        QCOMPARE(iniValue("ks1", "Button/HeadphoneMuteIsChecked").toBool(), true);

        // Turning the knob while muted stores the position but stays silent.
        knob->setValue(3);
        QTRY_COMPARE(requests(*sim).size(), 14);
        QCOMPARE(lastHeadphoneGain(), 0.0);
        QCOMPARE(iniValue("ks1", "Dial/HeadphoneValue").toInt(), 3);

        QTest::mousePress(dim, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 15);
        QCOMPARE(lastHeadphoneGain(), 0.0);
        QVERIFY(log.contains("Headphone Dim Button Clicked: Dim ON"));

        QTest::mousePress(mute, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 16);
        QCOMPARE(lastHeadphoneGain(), AudioBusDevice::dbToGain(3 - 20));
        QVERIFY(log.contains("Headphone Mute Button Clicked: Mute OFF"));

        QTest::mousePress(dim, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 17);
        QCOMPARE(lastHeadphoneGain(), AudioBusDevice::dbToGain(3));
        QVERIFY(log.contains("Headphone Dim Button Clicked: Dim OFF"));

        knob->setValue(-65);
        QTest::mousePress(dim, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 19);
        QCOMPARE(lastHeadphoneGain(), 0.0);
        knob->setValue(6);
        QTRY_COMPARE(requests(*sim).size(), 20);
        QCOMPARE(lastHeadphoneGain(), std::pow(10.0, -14.0 / 20.0));
        QCOMPARE(iniValue("ks1", "Button/HeadphoneDimIsChecked").toBool(), true);
        QCOMPARE(iniValue("ks1", "Button/HeadphoneMuteIsChecked").toBool(), false);
    }

    void inputControlsAndRoutes()
    {
        QVERIFY(startSim());
        ks1 panel;
        QTRY_COMPARE(requests(*sim).size(), 11);
        LogCapture log;
        auto *direct = panel.findChild<Button *>("directButton");
        auto *instrument = panel.findChild<Button *>("instrumentButton");

        QTest::mousePress(direct, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 12);
        QCOMPARE(entry(mixerWrites(*sim).last(), matrix(2, 0, 0)), 1.0);
        QCOMPARE(entry(mixerWrites(*sim).last(), matrix(2, 1, 1)), 1.0);
        QVERIFY(log.contains("Monitor Mic set to: 1"));
        QTest::mousePress(direct, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 13);
        QVERIFY(!mixerWrites(*sim).last().value("entries").toObject().contains(QString::number(matrix(2, 0, 0))));
        QVERIFY(!mixerWrites(*sim).last().value("entries").toObject().contains(QString::number(matrix(2, 1, 1))));
        QCOMPARE(iniValue("ks1", "Button/MonitorMicIsChecked").toBool(), false);

        panel.findChild<Knob *>("phoneKnob")->setValue(6);
        QTRY_COMPARE(requests(*sim).size(), 14);
        QCOMPARE(entry(mixerWrites(*sim).last(), matrix(2, 0, 2)), kMaxGain);
        QCOMPARE(entry(mixerWrites(*sim).last(), matrix(2, 1, 3)), kMaxGain);
        QVERIFY(log.contains("OTG to HP volume set to: 1.99526"));
        QCOMPARE(iniValue("ks1", "Dial/OtgToHpValue").toInt(), 6);

        QTest::mousePress(instrument, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 15);
        QCOMPARE(describe(requests(*sim).last()), QString("setMicInstrument(1,1)"));
        QCOMPARE(instrument->text(), QString("INST"));
        QVERIFY(log.contains("Mic Instr Button Clicked 1"));
        QVERIFY(log.contains("Mic instruction switched for channel 1."));

        // A repeated state repeats the command, the log and the write.
        instrument->setStatus(true);
        QTRY_COMPARE(requests(*sim).size(), 16);
        QCOMPARE(describe(requests(*sim).last()), QString("setMicInstrument(1,1)"));
        QCOMPARE(log.count("Mic instruction switched for channel 1."), 2);

        panel.findChild<Knob *>("micGainKnob")->setValue(21);
        QTRY_COMPARE(requests(*sim).size(), 17);
        QCOMPARE(describe(requests(*sim).last()), QString("setMicVolume(1,42)"));
        QVERIFY(log.contains("Mic volume set to: 21"));

        QTest::mousePress(panel.findChild<Button *>("padButton"), Qt::LeftButton);
        QTest::mousePress(panel.findChild<Button *>("phantomButton"), Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 19);
        QCOMPARE(describeAll(requests(*sim).mid(17)), QStringList({"setMic20dB(1,1)", "setMic48V(1,1)"}));
        QVERIFY(log.contains("Mic 20dB Button Clicked 1"));
        QVERIFY(log.contains("Mic 20dB switched for channel 1."));
        QVERIFY(log.contains("Mic 48V Button Clicked 1"));
        QVERIFY(log.contains("Mic 48V switched for channel 1."));
        QCOMPARE(iniValue("ks1", "Button/Mic20dBIsChecked").toBool(), true);
        QCOMPARE(iniValue("ks1", "Button/Mic48VIsChecked").toBool(), true);
    }

    void refusedSwitchesGainAndMixerWritesGoBack()
    {
        QVERIFY(startSim());
        ks1 panel;
        QTRY_COMPARE(requests(*sim).size(), 11);
        LogCapture log;
        // A refused request is the only one sent: putting the control back emits nothing.
        const auto refuse = [&](const char *op, const std::function<void()> &act) {
            QVERIFY(sim->command(QStringLiteral("fail %1@1").arg(op)).startsWith("ok"));
            const int before = requests(*sim).size();
            act();
            QTest::qWait(50);
            QCOMPARE(requests(*sim).size(), before + 1);
            QVERIFY(requests(*sim).last().value("status").toInt() != 0);
        };

        auto *instrument = panel.findChild<Button *>("instrumentButton");
        refuse("setMicInstrument", [&] { QTest::mousePress(instrument, Qt::LeftButton); });
        QVERIFY(log.contains("Failed to switch mic instruction."));
        QVERIFY(!instrument->status);
        QCOMPARE(instrument->text(), QString("MIC"));
        QCOMPARE(iniValue("ks1", "Button/MicInstrIsChecked").toBool(), false);

        auto *pad = panel.findChild<Button *>("padButton");
        refuse("setMic20dB", [&] { QTest::mousePress(pad, Qt::LeftButton); });
        QVERIFY(log.contains("Failed to switch mic 20dB."));
        QVERIFY(!pad->status);
        QCOMPARE(iniValue("ks1", "Button/Mic20dBIsChecked").toBool(), false);

        auto *phantom = panel.findChild<Button *>("phantomButton");
        refuse("setMic48V", [&] { QTest::mousePress(phantom, Qt::LeftButton); });
        QVERIFY(log.contains("Failed to switch mic 48V."));
        QVERIFY(!phantom->status);
        QCOMPARE(iniValue("ks1", "Button/Mic48VIsChecked").toBool(), false);
        // Phantom power the device did not switch off is never shown off.
        QTest::mousePress(phantom, Qt::LeftButton);
        QTRY_COMPARE(iniValue("ks1", "Button/Mic48VIsChecked").toBool(), true);
        refuse("setMic48V", [&] { QTest::mousePress(phantom, Qt::LeftButton); });
        QVERIFY(phantom->status);
        QCOMPARE(iniValue("ks1", "Button/Mic48VIsChecked").toBool(), true);

        auto *gain = panel.findChild<Knob *>("micGainKnob");
        refuse("setMicVolume", [&] { gain->setValue(10); });
        QVERIFY(log.contains("Failed to set mic volume."));
        QCOMPARE(gain->value, 0);
        QCOMPARE(iniValue("ks1", "Dial/MicValue").toInt(), 0);

        QVERIFY(sim->command("fail writeMixerBlock@1").startsWith("ok"));
        QTest::mousePress(panel.findChild<Button *>("directButton"), Qt::LeftButton);
        QVERIFY(log.contains("Failed to set Monitor Mic."));
        QVERIFY(!panel.findChild<Button *>("directButton")->status);
        QCOMPARE(iniValue("ks1", "Button/MonitorMicIsChecked").toBool(), false);

        QVERIFY(sim->command("fail writeMixerBlock@1").startsWith("ok"));
        panel.findChild<Knob *>("headphoneKnob")->setValue(-10);
        QVERIFY(log.contains("Failed to set headphone volume."));
        QCOMPARE(panel.findChild<Knob *>("headphoneKnob")->value, -80);
        QCOMPARE(iniValue("ks1", "Dial/HeadphoneValue").toInt(), -80);

        QVERIFY(sim->command("fail writeMixerBlock@1").startsWith("ok"));
        panel.findChild<Knob *>("phoneKnob")->setValue(-6);
        QVERIFY(log.contains("Failed to set OTG to HP volume."));
        QCOMPARE(iniValue("ks1", "Dial/OtgToHpValue").toInt(), 0);

        // The next accepted block carries nothing of what the refused ones changed.
        QVERIFY(sim->command("clear-fails").startsWith("ok"));
        panel.findChild<Knob *>("headphoneKnob")->setValue(-9);
        QTRY_VERIFY(!mixerWrites(*sim).isEmpty() && mixerWrites(*sim).last().value("status").toInt() == 0 &&
                    entry(mixerWrites(*sim).last(), vector(0, 0)) > 0.0);
        const QJsonObject last = mixerWrites(*sim).last();
        QCOMPARE(entry(last, matrix(2, 0, 0)), 0.0);
        QCOMPARE(entry(last, matrix(2, 0, 2)), 1.0);
        QCOMPARE(entry(last, vector(0, 0)), AudioBusDevice::dbToGain(-9));
    }

    // A settings file that exists but cannot be read (here a directory in its
    // place): the defaults reach the device, the file is not overwritten
    // during the restore, and later changes are written as usual.
    void unreadableSettingsAreNotOverwrittenByTheRestore()
    {
        QVERIFY(QDir().mkpath(iniPath("ks1")));
        QVERIFY(startSim());
        LogCapture log;
        ks1 panel;
        QTRY_COMPARE(requests(*sim).size(), 11);
        QVERIFY(
            log.contains("Failed to read settings file: \"" + iniPath("ks1") + "\" QSettings::AccessError"));
        QCOMPARE(describe(requests(*sim)[6]), QString("setMicVolume(1,0)"));
        QCOMPARE(lastHeadphoneGain(), 0.0);
        QVERIFY(QFileInfo(iniPath("ks1")).isDir());
        QVERIFY(!log.contains("Failed to write settings file:"));

        // Once the other program lets go, a user action is stored beside what the file held.
        QVERIFY(QDir(iniPath("ks1")).removeRecursively());
        writeIni("ks1", {{"Dial/MicValue", 20}, {"Button/Mic48VIsChecked", true}});
        panel.findChild<Knob *>("headphoneKnob")->setValue(-30);
        QCOMPARE(iniValue("ks1", "Dial/HeadphoneValue").toInt(), -30);
        QCOMPARE(iniValue("ks1", "Dial/MicValue").toInt(), 20);
        QCOMPARE(iniValue("ks1", "Button/Mic48VIsChecked").toBool(), true);
    }

    void noDeviceLeavesAnEmptyPanel()
    {
        LogCapture log;
        ks1 panel;
        QVERIFY(log.contains("Failed to create device in ks1."));
        QVERIFY(panel.findChildren<QObject *>().isEmpty());
        QVERIFY(!panel.layout());
        QVERIFY(!QFile::exists(iniPath("ks1")));
    }

    void refusedOutputVolumeLeavesAnEmptyPanel()
    {
        QVERIFY(startSim({"--fail", "setOutVolume@2"}));
        LogCapture log;
        {
            ks1 panel;
            QVERIFY(log.contains("Failed to set output volume."));
            QVERIFY(panel.findChildren<QObject *>().isEmpty());
            QTest::qWait(700);
            QCOMPARE(describeAll(sim->journal()), QStringList({"setOutVolume(1,100)", "setOutVolume(2,100)"}));
        }
        QVERIFY(!QFile::exists(iniPath("ks1")));
        QVERIFY(!log.contains("已从配置文件加载控件状态"));
    }

    void onlyTheSecondOutputVolumeCounts()
    {
        QVERIFY(startSim({"--fail", "setOutVolume@1"}));
        LogCapture log;
        ks1 panel;
        QVERIFY(!log.contains("Failed to set output volume."));
        QTRY_COMPARE(requests(*sim).size(), 11);
        QVERIFY(QFile::exists(iniPath("ks1")));
    }

    void metersShowOneDecimal()
    {
        QVERIFY(startSim());
        MeteredKs1 panel;
        auto *input = panel.findChild<QLabel *>("inputMeter");
        auto *phone = panel.findChild<QLabel *>("phoneMeter");
        QCOMPARE(input->text(), QString("-160 dB"));
        QCOMPARE(phone->text(), QString("-160 dB"));

        MeterBlock block;
        block.words[0] = 1073741824; // half scale
        block.words[2] = 2147483647;
        block.words[3] = 2147483647;
        panel.showMeters(block);
        QCOMPARE(input->text(), QString("-6.0 dB"));
        QCOMPARE(phone->text(), QString("0.0 dB"));
        block.words[0] = 0;
        block.words[2] = 2147483647; // the mean of a full-scale pair of opposite sign is 0
        block.words[3] = -2147483647 - 1;
        panel.showMeters(block);
        QCOMPARE(input->text(), QString("-inf dB"));
        QCOMPARE(phone->text(), QString("-inf dB"));
        block.words[0] = -214748365; // -20 dB
        block.words[2] = 21474836;
        block.words[3] = 21474836;
        panel.showMeters(block);
        QCOMPARE(input->text(), QString("-20.0 dB"));
        QCOMPARE(phone->text(), QString("-40.0 dB"));

        // A refused read leaves what the labels show.
        LogCapture log;
        QVERIFY(sim->command("fail readMeterData").startsWith("ok"));
        panel.showMeters(block);
        QTRY_VERIFY_WITH_TIMEOUT(log.count("Failed to read meter data from driver.") >= 2, 5000);
        QCOMPARE(input->text(), QString("-20.0 dB"));
        QCOMPARE(phone->text(), QString("-40.0 dB"));
    }

    void metersFollowTheDriver()
    {
        QVERIFY(startSim({"--silent"}));
        ks1 panel;
        auto *input = panel.findChild<QLabel *>("inputMeter");
        QTRY_COMPARE_WITH_TIMEOUT(input->text(), QString("-inf dB"), 5000);
        QCOMPARE(panel.findChild<QLabel *>("phoneMeter")->text(), QString("-inf dB"));
        QCOMPARE(panel.findChildren<QTimer *>().size(), 1);
        QCOMPARE(panel.findChildren<QTimer *>().first()->interval(), 500);
    }

    void unplugWhileShownNeverCrashes()
    {
        QVERIFY(startSim());
        auto panel = std::make_unique<ks1>();
        panel->show();
        QTRY_COMPARE(requests(*sim).size(), 11);
        LogCapture log;
        QVERIFY(sim->command("unplug").startsWith("ok"));
        panel->findChild<Knob *>("headphoneKnob")->setValue(0);
        QTest::mousePress(panel->findChild<Button *>("muteButton"), Qt::LeftButton);
        QTest::mousePress(panel->findChild<Button *>("instrumentButton"), Qt::LeftButton);
        panel->findChild<Knob *>("micGainKnob")->setValue(5);
        QVERIFY(log.contains("Failed to set headphone volume."));
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("Failed to read meter data from driver."), 5000);
        QCOMPARE(iniValue("ks1", "Button/HeadphoneMuteIsChecked").toBool(), false);
        QVERIFY(!panel->findChild<Button *>("muteButton")->status);
        panel.reset();
    }
};

QTEST_MAIN(Ks1PanelTest)
#include "tst_Ks1Panel.moc"
