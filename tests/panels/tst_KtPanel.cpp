// SPDX-License-Identifier: MIT
// The KT panel end to end against zelvoro-sim: the KS1 design with fewer
// controls and the phone input fixed at unity into the headphones.
#include "panels/kt.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include "LogCapture.h"
#include "PanelJournal.h"
#include "SimProcess.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

using namespace paneltest;

namespace {

class MeteredKt : public kt
{
public:
    using kt::showMeters;
};

} // namespace

class KtPanelTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimProcess> sim;

    bool startSim(QStringList extra = {})
    {
        sim = std::make_unique<SimProcess>(QStringList{"--model", "kt"} + extra);
        return sim->start();
    }
    double lastHeadphoneGain() const { return entry(mixerWrites(*sim).last(), vector(0, 0)); }

private slots:
    void init() { removeIni("kt"); }
    void cleanup() { sim.reset(); }

    void firstStartReplaysTheFiveKeys()
    {
        QVERIFY(startSim());
        LogCapture log;
        kt panel;
        const QStringList expected = {"setOutVolume(1,100)", "setOutVolume(2,100)", "mixer", "setMicVolume(1,0)",
                                      "mixer", "mixer", "mixer"};
        QTRY_COMPARE(describeAll(requests(*sim)), expected);
        QCOMPARE(requests(*sim)[0].value("frame").toString(), frameHex(0x03, 2, 1, 100));
        QCOMPARE(requests(*sim)[1].value("frame").toString(), frameHex(0x03, 2, 2, 100));
        const QList<QJsonObject> blocks = mixerWrites(*sim);
        for (const QJsonObject &block : blocks) {
            QCOMPARE(entry(block, matrix(2, 0, 2)), 1.0);
            QCOMPARE(entry(block, matrix(2, 1, 3)), 1.0);
            QCOMPARE(entry(block, matrix(2, 0, 0)), 0.0);
            QCOMPARE(entry(block, matrix(4, 3, 1)), 1.0);
            QCOMPARE(entry(block, matrix(0, 11, 7)), 1.0);
            QCOMPARE(entry(block, vector(2, 31)), 1.0);
            // Only the fixed routes and the constructor's entries (118 of them),
            // the headphones at their stored -80 dB from the first block on.
            QCOMPARE(block.value("entries").toObject().size(), 118);
            QCOMPARE(entry(block, vector(0, 0)), 0.0);
        }
        QCOMPARE(lastHeadphoneGain(), 0.0);
        QCOMPARE(iniKeys("kt"), QStringList({"Button/HeadphoneDimIsChecked", "Button/HeadphoneMuteIsChecked",
                                             "Button/MonitorMicIsChecked", "Dial/HeadphoneValue", "Dial/MicValue"}));
        // A successful headphone write logs nothing on this model.
        QCOMPARE(log.count("Headphone volume set to:"), 0);
        QVERIFY(log.contains("Headphone Mute Button Clicked: Mute OFF"));
        QVERIFY(log.contains("已从配置文件加载控件状态"));
        QVERIFY(!panel.findChild<Button *>("instrumentButton"));
        QVERIFY(!panel.findChild<Knob *>("phoneKnob"));
    }

    void labelsAsOnTheKt()
    {
        QVERIFY(startSim());
        kt panel;
        QStringList texts;
        for (QLabel *label : panel.findChildren<QLabel *>()) {
            texts << label->text();
            if (label->text() == "Gain" || label->text() == "Volume")
                QCOMPARE(label->styleSheet(), QString(" font-size: 12px; color: white;"));
        }
        texts.sort();
        QCOMPARE(texts, QStringList({"-160 dB", "Gain", "HEADPHONE", "MIC", "Volume"}));
        QCOMPARE(panel.findChild<Button *>("directButton")->text(), QString("DIRECT"));
    }

    void storedValues()
    {
        writeIni("kt", {{"Dial/MicValue", 100}, {"Dial/HeadphoneValue", 6}, {"Button/HeadphoneDimIsChecked", true},
                        {"Button/MonitorMicIsChecked", true}});
        QVERIFY(startSim());
        kt panel;
        QTRY_COMPARE(requests(*sim).size(), 7);
        QCOMPARE(describe(requests(*sim)[3]), QString("setMicVolume(1,84)"));
        QCOMPARE(iniValue("kt", "Dial/MicValue").toInt(), 42);
        QCOMPARE(lastHeadphoneGain(), std::pow(10.0, -14.0 / 20.0));
        QCOMPARE(entry(mixerWrites(*sim).first(), matrix(2, 0, 0)), 1.0);
        QCOMPARE(entry(mixerWrites(*sim).first(), matrix(2, 1, 1)), 1.0);
        QVERIFY(panel.findChild<Button *>("directButton")->status);
    }

    void nonNumericLevelRestoresZero()
    {
        writeIni("kt", {{"Dial/HeadphoneValue", "max"}});
        QVERIFY(startSim());
        kt panel;
        QTRY_COMPARE(requests(*sim).size(), 7);
        QCOMPARE(lastHeadphoneGain(), 1.0);
        QCOMPARE(iniValue("kt", "Dial/HeadphoneValue").toInt(), 0);
    }

    void muteAndDimPrecedence()
    {
        QVERIFY(startSim());
        kt panel;
        QTRY_COMPARE(requests(*sim).size(), 7);
        LogCapture log;
        auto *knob = panel.findChild<Knob *>("headphoneKnob");
        knob->setValue(6);
        QTRY_COMPARE(requests(*sim).size(), 8);
        QCOMPARE(lastHeadphoneGain(), 1.9952623149688795);
        QTest::mousePress(panel.findChild<Button *>("muteButton"), Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 9);
        QCOMPARE(lastHeadphoneGain(), 0.0);
        QCOMPARE(log.lines(), QStringList({"Headphone Mute Button Clicked: Mute ON"}));
        knob->setValue(-65);
        QTRY_COMPARE(requests(*sim).size(), 10);
        QCOMPARE(lastHeadphoneGain(), 0.0);
        QCOMPARE(iniValue("kt", "Dial/HeadphoneValue").toInt(), -65);
        QTest::mousePress(panel.findChild<Button *>("dimButton"), Qt::LeftButton);
        QTest::mousePress(panel.findChild<Button *>("muteButton"), Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 12);
        QCOMPARE(lastHeadphoneGain(), 0.0); // -85 dB is silence
        QTest::mousePress(panel.findChild<Button *>("muteButton"), Qt::LeftButton);
        knob->setValue(6);
        QTRY_COMPARE(requests(*sim).size(), 14);
        QCOMPARE(lastHeadphoneGain(), 0.0); // mute wins over dim
        QTest::mousePress(panel.findChild<Button *>("muteButton"), Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 15);
        QCOMPARE(lastHeadphoneGain(), std::pow(10.0, -14.0 / 20.0));
        QCOMPARE(entry(mixerWrites(*sim).last(), matrix(2, 0, 2)), 1.0);
        QVERIFY(log.contains("Headphone Dim Button Clicked: Dim ON"));
        QCOMPARE(log.count("Headphone volume set to:"), 0);

        QTest::mousePress(panel.findChild<Button *>("directButton"), Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 16);
        QCOMPARE(entry(mixerWrites(*sim).last(), matrix(2, 0, 0)), 1.0);
        QCOMPARE(entry(mixerWrites(*sim).last(), matrix(2, 1, 1)), 1.0);
        QVERIFY(log.contains("Monitor Mic set to: 1"));
    }

    void refusedRequests()
    {
        QVERIFY(startSim());
        kt panel;
        QTRY_COMPARE(requests(*sim).size(), 7);
        LogCapture log;
        QVERIFY(sim->command("fail writeMixerBlock@1").startsWith("ok"));
        panel.findChild<Knob *>("headphoneKnob")->setValue(-3);
        QVERIFY(log.contains("Failed to set headphone volume."));
        QCOMPARE(iniValue("kt", "Dial/HeadphoneValue").toInt(), -80);
        QVERIFY(sim->command("fail writeMixerBlock@1").startsWith("ok"));
        QTest::mousePress(panel.findChild<Button *>("directButton"), Qt::LeftButton);
        QVERIFY(log.contains("Failed to set Monitor Mic."));
        QCOMPARE(iniValue("kt", "Button/MonitorMicIsChecked").toBool(), false);
        // A refused gain puts the knob back and keeps the stored value.
        QVERIFY(sim->command("fail setMicVolume@1").startsWith("ok"));
        panel.findChild<Knob *>("micGainKnob")->setValue(30);
        QVERIFY(log.contains("Failed to set mic volume."));
        QCOMPARE(panel.findChild<Knob *>("micGainKnob")->value, 0);
        QCOMPARE(iniValue("kt", "Dial/MicValue").toInt(), 0);
    }

    void earlyStops()
    {
        {
            LogCapture log;
            kt panel;
            QVERIFY(log.contains("Failed to create device in kt."));
            QVERIFY(panel.findChildren<QObject *>().isEmpty());
        }
        QVERIFY(startSim({"--fail", "setOutVolume@2"}));
        LogCapture log;
        kt panel;
        QVERIFY(log.contains("Failed to set output volume."));
        QVERIFY(panel.findChildren<QObject *>().isEmpty());
        QCOMPARE(describeAll(sim->journal()), QStringList({"setOutVolume(1,100)", "setOutVolume(2,100)"}));
        QVERIFY(!QFile::exists(iniPath("kt")));
    }

    void meters()
    {
        QVERIFY(startSim());
        MeteredKt panel;
        auto *input = panel.findChild<QLabel *>("inputMeter");
        QCOMPARE(input->text(), QString("-160 dB"));
        MeterBlock block;
        block.words[0] = 2147483647;
        panel.showMeters(block);
        QCOMPARE(input->text(), QString("0.0 dB"));
        block.words[0] = 0;
        panel.showMeters(block);
        QCOMPARE(input->text(), QString("-inf dB"));
        LogCapture log;
        QVERIFY(sim->command("fail readMeterData").startsWith("ok"));
        block.words[0] = 67108864; // -30.1 dB
        panel.showMeters(block);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("Failed to read meter data from driver."), 5000);
        QCOMPARE(input->text(), QString("-30.1 dB"));
    }

    void unplugWhileShown()
    {
        QVERIFY(startSim());
        auto panel = std::make_unique<kt>();
        panel->show();
        QTRY_COMPARE(requests(*sim).size(), 7);
        LogCapture log;
        QVERIFY(sim->command("unplug").startsWith("ok"));
        QTest::mousePress(panel->findChild<Button *>("dimButton"), Qt::LeftButton);
        QVERIFY(log.contains("Failed to set headphone volume."));
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("Failed to read meter data from driver."), 5000);
        panel.reset();
    }
};

QTEST_MAIN(KtPanelTest)
#include "tst_KtPanel.moc"
