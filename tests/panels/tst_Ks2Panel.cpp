// SPDX-License-Identifier: MIT
// The KS2 panel end to end against zelvoro-sim: two microphone channels,
// independent speaker and headphone paths, the phone input into both.
#include "panels/ks2.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include "LogCapture.h"
#include "PanelJournal.h"
#include "SimProcess.h"

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

class MeteredKs2 : public ks2
{
public:
    using ks2::showMeters;
};

// The entries that differ between two blocks, with their value in `after` (0 when gone).
std::map<int, double> changes(const QJsonObject &before, const QJsonObject &after)
{
    const std::map<int, double> a = sentEntries(before);
    const std::map<int, double> b = sentEntries(after);
    std::map<int, double> out;
    for (const auto &[index, value] : b)
        if (!a.count(index) || a.at(index) != value)
            out[index] = value;
    for (const auto &[index, value] : a)
        if (!b.count(index))
            out[index] = 0.0;
    return out;
}

} // namespace

class Ks2PanelTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimProcess> sim;

    bool startSim(QStringList extra = {})
    {
        sim = std::make_unique<SimProcess>(QStringList{"--model", "ks2"} + extra);
        return sim->start();
    }
    QJsonObject lastBlock() const { return mixerWrites(*sim).last(); }
    double speakerGain() const { return entry(lastBlock(), vector(0, 0)); }
    double headphoneGain() const { return entry(lastBlock(), vector(0, 4)); }

private slots:
    void init() { removeIni("ks2"); }
    void cleanup() { sim.reset(); }

    void firstStartReplaysTheSixteenKeys()
    {
        QVERIFY(startSim());
        LogCapture log;
        ks2 panel;
        const QStringList expected = {
            "setOutVolume(1,100)", "setOutVolume(2,100)", "setOutVolume(5,100)", "setOutVolume(6,100)",
            "setMic20dB(1,0)", "setMic48V(1,0)", "mixer", "setMicVolume(1,0)", "setMicVolume(2,0)",
            "setMic20dB(2,0)", "setMic48V(2,0)", "mixer", "mixer", "mixer", "mixer", "mixer", "mixer", "mixer",
            "mixer", "mixer",
        };
        QTRY_COMPARE(describeAll(requests(*sim)), expected);
        const QList<QJsonObject> sent = requests(*sim);
        QCOMPARE(sent[2].value("frame").toString(), frameHex(0x03, 2, 5, 100));
        QCOMPARE(sent[3].value("frame").toString(), frameHex(0x03, 2, 6, 100));
        QCOMPARE(sent[5].value("frame").toString(), frameHex(0x5B, 0, 1));
        QCOMPARE(sent[10].value("frame").toString(), frameHex(0x5B, 0, 2));

        const QList<QJsonObject> blocks = mixerWrites(*sim);
        // The mic 1 direct write already carries the stored -80 dB (0.0) on
        // both outputs and unity on the channels no control sets.
        const std::map<int, double> first = sentEntries(blocks.first());
        QCOMPARE(first.size(), std::size_t(96 - 4 + 8 + 4 + 6 + 8));
        for (int i = 0; i < 32; ++i)
            QCOMPARE(entry(blocks.first(), vector(0, i)), i == 0 || i == 1 || i == 4 || i == 5 ? 0.0 : 1.0);
        for (int index : {matrix(3, 4, 0), matrix(3, 5, 1), matrix(4, 4, 0), matrix(4, 5, 1), matrix(4, 2, 0),
                          matrix(3, 1, 1), matrix(0, 11, 7), matrix(5, 7, 7)})
            QCOMPARE(first.at(index), 1.0);
        // Afterwards both outputs at -80 dB and both phone routes at 0 dB.
        const QJsonObject last = blocks.last();
        for (int i : {0, 1, 4, 5})
            QCOMPARE(entry(last, vector(0, i)), 0.0);
        for (int index : {matrix(2, 0, 2), matrix(2, 1, 3), matrix(2, 4, 2), matrix(2, 5, 3)})
            QCOMPARE(entry(last, index), 1.0);
        QCOMPARE(sentEntries(last).size(), std::size_t(96 - 4 + 8 + 4 + 6 + 8 + 4));

        QCOMPARE(iniKeys("ks2"),
                 QStringList({"Button/HeadphoneDimIsChecked", "Button/HeadphoneMuteIsChecked",
                              "Button/Mic120dBIsChecked", "Button/Mic148VIsChecked", "Button/Mic220dBIsChecked",
                              "Button/Mic248VIsChecked", "Button/MonitorMic1IsChecked", "Button/MonitorMic2IsChecked",
                              "Button/SpeakerDimIsChecked", "Button/SpeakerMuteIsChecked", "Dial/HeadphoneValue",
                              "Dial/Mic1Value", "Dial/Mic2Value", "Dial/OtgToHpValue", "Dial/OtgToSPValue",
                              "Dial/SpeakerValue"}));
        QCOMPARE(iniValue("ks2", "Dial/OtgToSPValue").toInt(), 0);
        QCOMPARE(iniValue("ks2", "Dial/SpeakerValue").toInt(), -80);
        // Sixteen keys plus the level key each mute and dim handler writes first.
        QCOMPARE(log.count("控件状态已保存到配置文件"), 20);
        QVERIFY(log.contains("Speaker Knob value changed: -80"));
        QVERIFY(log.contains("Speaker volume set to: -80"));
        QVERIFY(log.contains("Speaker Mute Button Clicked: Mute OFF"));
        QVERIFY(log.contains("Headphone volume set to: -80"));
        QCOMPARE(log.count("Headphone Mute Button Clicked"), 0);
        QCOMPARE(log.count("Dim Button Clicked"), 0);
        QVERIFY(log.contains("已从配置文件加载控件状态"));
    }

    void storedMic2IsClamped()
    {
        writeIni("ks2", {{"Dial/Mic2Value", 100}, {"Dial/Mic1Value", "hot"}});
        QVERIFY(startSim());
        ks2 panel;
        QTRY_COMPARE(requests(*sim).size(), 20);
        QCOMPARE(describe(requests(*sim)[7]), QString("setMicVolume(1,0)"));
        QCOMPARE(describe(requests(*sim)[8]), QString("setMicVolume(2,112)"));
        QCOMPARE(requests(*sim)[8].value("frame").toString(), frameHex(0x07, 2, 2, 112));
        auto *knob = panel.findChild<Knob *>("mic2GainKnob");
        QCOMPARE(knob->value, 56);
        QCOMPARE(knob->displayText(), QString("65dB"));
        QCOMPARE(iniValue("ks2", "Dial/Mic2Value").toInt(), 56);
        QCOMPARE(iniValue("ks2", "Dial/Mic1Value").toInt(), 0);
    }

    void storedMuteAndDimReachEachOutput_data()
    {
        QTest::addColumn<bool>("speakerMute");
        QTest::addColumn<bool>("speakerDim");
        QTest::addColumn<bool>("headphoneMute");
        QTest::addColumn<bool>("headphoneDim");
        QTest::addColumn<double>("speaker");
        QTest::addColumn<double>("headphone");
        const double dimmed = std::pow(10.0, -14.0 / 20.0);
        QTest::newRow("speaker muted, headphone dimmed") << true << false << false << true << 0.0 << dimmed;
        QTest::newRow("speaker dimmed, headphone muted and dimmed")
            << false << true << true << true << dimmed << 0.0;
    }

    // Both outputs stored at +6 dB: no restore block, not even the first
    // (mic 1 direct), carries more than the stored mute and dim allow.
    void storedMuteAndDimReachEachOutput()
    {
        QFETCH(bool, speakerMute);
        QFETCH(bool, speakerDim);
        QFETCH(bool, headphoneMute);
        QFETCH(bool, headphoneDim);
        QFETCH(double, speaker);
        QFETCH(double, headphone);
        writeIni("ks2", {{"Dial/SpeakerValue", 6},
                         {"Button/SpeakerMuteIsChecked", speakerMute},
                         {"Button/SpeakerDimIsChecked", speakerDim},
                         {"Dial/HeadphoneValue", 6},
                         {"Button/HeadphoneMuteIsChecked", headphoneMute},
                         {"Button/HeadphoneDimIsChecked", headphoneDim}});
        QVERIFY(startSim());
        LogCapture log;
        ks2 panel;
        QTRY_COMPARE(requests(*sim).size(), 20);
        const QList<QJsonObject> blocks = mixerWrites(*sim);
        QCOMPARE(blocks.size(), 10);
        for (const QJsonObject &block : blocks) {
            QCOMPARE(entry(block, vector(0, 0)), speaker);
            QCOMPARE(entry(block, vector(0, 1)), speaker);
            QCOMPARE(entry(block, vector(0, 4)), headphone);
            QCOMPARE(entry(block, vector(0, 5)), headphone);
        }
        QCOMPARE(panel.findChild<Button *>("speakerMuteButton")->status, speakerMute);
        QCOMPARE(panel.findChild<Button *>("headphoneDimButton")->status, headphoneDim);
        QVERIFY(log.contains(speakerMute ? "Speaker Mute Button Clicked: Mute ON"
                                         : "Speaker Mute Button Clicked: Mute OFF"));
        QCOMPARE(iniValue("ks2", "Dial/SpeakerValue").toInt(), 6);
    }

    void speakerAndHeadphonePathsAreIndependent()
    {
        QVERIFY(startSim());
        ks2 panel;
        QTRY_COMPARE(requests(*sim).size(), 20);
        auto *speaker = panel.findChild<Knob *>("speakerKnob");
        auto *headphone = panel.findChild<Knob *>("headphoneKnob");
        auto *speakerMute = panel.findChild<Button *>("speakerMuteButton");
        auto *speakerDim = panel.findChild<Button *>("speakerDimButton");
        auto *headphoneMute = panel.findChild<Button *>("headphoneMuteButton");
        auto *headphoneDim = panel.findChild<Button *>("headphoneDimButton");
        LogCapture log;

        speaker->setValue(6);
        headphone->setValue(0);
        QTRY_COMPARE(requests(*sim).size(), 22);
        QCOMPARE(speakerGain(), kMaxGain);
        QCOMPARE(headphoneGain(), 1.0);
        QVERIFY(log.contains("Speaker Knob value changed: 6"));
        QVERIFY(log.contains("Speaker volume set to: 6"));
        QVERIFY(log.contains("Headphone Knob value changed: 0"));
        const QJsonObject beforeMute = lastBlock();

        QTest::mousePress(speakerMute, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 23);
        // Only the speaker entries move; routes and headphones stay as they were.
        QCOMPARE(changes(beforeMute, lastBlock()),
                 (std::map<int, double>{{vector(0, 0), 0.0}, {vector(0, 1), 0.0}}));
        const QStringList lines = log.lines();
        QCOMPARE(lines.mid(lines.size() - 5),
                 QStringList({"Speaker Knob value changed: -80", "Speaker volume set to: -80", "控件状态已保存到配置文件",
                              "Speaker Mute Button Clicked: Mute ON", "控件状态已保存到配置文件"}));

        speaker->setValue(3);
        QTRY_COMPARE(requests(*sim).size(), 24);
        QCOMPARE(speakerGain(), 0.0);
        QCOMPARE(iniValue("ks2", "Dial/SpeakerValue").toInt(), 3);
        QCOMPARE(iniValue("ks2", "Button/SpeakerMuteIsChecked").toBool(), true);

        QTest::mousePress(speakerDim, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 25);
        QCOMPARE(speakerGain(), 0.0); // mute wins over dim
        QVERIFY(log.contains("Speaker volume set to: -80"));
        QTest::mousePress(speakerMute, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 26);
        QCOMPARE(speakerGain(), AudioBusDevice::dbToGain(3 - 20));
        QVERIFY(log.contains("Speaker volume set to: -17"));
        QVERIFY(log.contains("Speaker Mute Button Clicked: Mute OFF"));
        QCOMPARE(headphoneGain(), 1.0);

        // Headphones: dim at -65 is silence, mute overrides dim, neither logs of its own.
        headphone->setValue(-65);
        QTest::mousePress(headphoneDim, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 28);
        QCOMPARE(headphoneGain(), 0.0);
        headphone->setValue(6);
        QTRY_COMPARE(requests(*sim).size(), 29);
        QCOMPARE(headphoneGain(), std::pow(10.0, -14.0 / 20.0));
        QTest::mousePress(headphoneMute, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 30);
        QCOMPARE(headphoneGain(), 0.0);
        QCOMPARE(entry(lastBlock(), vector(0, 5)), 0.0);
        QCOMPARE(speakerGain(), AudioBusDevice::dbToGain(3 - 20));
        QVERIFY(log.contains("Headphone Knob value changed: 6"));
        QVERIFY(log.contains("Headphone volume set to: -80"));
        QCOMPARE(log.count("Headphone Mute Button Clicked"), 0);
        QCOMPARE(log.count("Dim Button Clicked"), 0);
        QCOMPARE(iniValue("ks2", "Button/HeadphoneMuteIsChecked").toBool(), true);
        QCOMPARE(iniValue("ks2", "Button/HeadphoneDimIsChecked").toBool(), true);
        QCOMPARE(iniValue("ks2", "Button/SpeakerDimIsChecked").toBool(), true);
    }

    void directMonitoringPerMicrophone()
    {
        QVERIFY(startSim());
        ks2 panel;
        QTRY_COMPARE(requests(*sim).size(), 20);
        LogCapture log;
        auto *direct1 = panel.findChild<Button *>("mic1DirectButton");
        auto *direct2 = panel.findChild<Button *>("mic2DirectButton");
        QJsonObject before = lastBlock();
        QTest::mousePress(direct1, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 21);
        const std::map<int, double> mic1Column = {
            {matrix(2, 0, 0), 1.0}, {matrix(2, 1, 0), 1.0}, {matrix(2, 4, 0), 1.0}, {matrix(2, 5, 0), 1.0}};
        QCOMPARE(changes(before, lastBlock()), mic1Column);
        QVERIFY(log.contains("Monitor Mic set to: 1"));

        before = lastBlock();
        QTest::mousePress(direct2, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 22);
        QCOMPARE(changes(before, lastBlock()),
                 (std::map<int, double>{
                     {matrix(2, 0, 1), 1.0}, {matrix(2, 1, 1), 1.0}, {matrix(2, 4, 1), 1.0}, {matrix(2, 5, 1), 1.0}}));

        before = lastBlock();
        QTest::mousePress(direct1, Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 23);
        QCOMPARE(changes(before, lastBlock()),
                 (std::map<int, double>{
                     {matrix(2, 0, 0), 0.0}, {matrix(2, 1, 0), 0.0}, {matrix(2, 4, 0), 0.0}, {matrix(2, 5, 0), 0.0}}));
        QCOMPARE(iniValue("ks2", "Button/MonitorMic1IsChecked").toBool(), false);
        QCOMPARE(iniValue("ks2", "Button/MonitorMic2IsChecked").toBool(), true);
    }

    void phoneRoutesAndMicChannels()
    {
        QVERIFY(startSim());
        ks2 panel;
        QTRY_COMPARE(requests(*sim).size(), 20);
        LogCapture log;
        QJsonObject before = lastBlock();
        panel.findChild<Knob *>("phoneToSpeakerKnob")->setValue(6);
        QTRY_COMPARE(requests(*sim).size(), 21);
        QCOMPARE(changes(before, lastBlock()),
                 (std::map<int, double>{{matrix(2, 0, 2), kMaxGain}, {matrix(2, 1, 3), kMaxGain}}));
        QVERIFY(log.contains("OTG to SP volume set to: 1.99526"));
        QCOMPARE(iniValue("ks2", "Dial/OtgToSPValue").toInt(), 6);

        before = lastBlock();
        panel.findChild<Knob *>("phoneToHeadphoneKnob")->setValue(-80);
        QTRY_COMPARE(requests(*sim).size(), 22);
        QCOMPARE(changes(before, lastBlock()), (std::map<int, double>{{matrix(2, 4, 2), 0.0}, {matrix(2, 5, 3), 0.0}}));
        QVERIFY(log.contains("OTG to HP volume set to: 0"));

        panel.findChild<Knob *>("mic2GainKnob")->setValue(1);
        QTest::mousePress(panel.findChild<Button *>("mic2PadButton"), Qt::LeftButton);
        QTest::mousePress(panel.findChild<Button *>("mic2PhantomButton"), Qt::LeftButton);
        QTest::mousePress(panel.findChild<Button *>("mic1PhantomButton"), Qt::LeftButton);
        QTRY_COMPARE(requests(*sim).size(), 26);
        QCOMPARE(describeAll(requests(*sim).mid(22)),
                 QStringList({"setMicVolume(2,2)", "setMic20dB(2,1)", "setMic48V(2,1)", "setMic48V(1,1)"}));
        QCOMPARE(panel.findChild<Knob *>("mic2GainKnob")->displayText(), QString("10dB"));
        QVERIFY(log.contains("Mic volume set to: 1"));
        // The success text names channel 1 for either channel.
        QCOMPARE(log.count("Mic 48V switched for channel 1."), 2);
        QCOMPARE(log.count("Mic 20dB switched for channel 1."), 1);
        QCOMPARE(iniValue("ks2", "Button/Mic220dBIsChecked").toBool(), true);
        QCOMPARE(iniValue("ks2", "Button/Mic248VIsChecked").toBool(), true);
        QCOMPARE(iniValue("ks2", "Button/Mic148VIsChecked").toBool(), true);
        QCOMPARE(iniValue("ks2", "Dial/Mic2Value").toInt(), 1);
    }

    void refusedRequestsGoBack()
    {
        QVERIFY(startSim());
        ks2 panel;
        QTRY_COMPARE(requests(*sim).size(), 20);
        panel.findChild<Knob *>("speakerKnob")->setValue(-10);
        LogCapture log;
        struct Case
        {
            const char *fail;
            std::function<void()> act;
            const char *message;
            const char *key;
            QVariant stored;
        };
        const QList<Case> cases = {
            // A refused request keeps its key, the control shows what the device still has.
            {"setMicVolume", [&] { panel.findChild<Knob *>("mic2GainKnob")->setValue(20); },
             "Failed to set mic volume.", "Dial/Mic2Value", 0},
            {"setMic20dB",
             [&] { QTest::mousePress(panel.findChild<Button *>("mic1PadButton"), Qt::LeftButton); },
             "Failed to switch mic 20dB.", "Button/Mic120dBIsChecked", false},
            {"setMic48V",
             [&] { QTest::mousePress(panel.findChild<Button *>("mic2PhantomButton"), Qt::LeftButton); },
             "Failed to switch mic 48V.", "Button/Mic248VIsChecked", false},
            {"writeMixerBlock",
             [&] { QTest::mousePress(panel.findChild<Button *>("mic2DirectButton"), Qt::LeftButton); },
             "Failed to set Monitor Mic.", "Button/MonitorMic2IsChecked", false},
            {"writeMixerBlock", [&] { panel.findChild<Knob *>("speakerKnob")->setValue(-20); },
             "Failed to set speaker volume.", "Dial/SpeakerValue", -10},
            {"writeMixerBlock",
             [&] { QTest::mousePress(panel.findChild<Button *>("speakerMuteButton"), Qt::LeftButton); },
             "Failed to set speaker volume.", "Button/SpeakerMuteIsChecked", false},
            {"writeMixerBlock",
             [&] { QTest::mousePress(panel.findChild<Button *>("headphoneDimButton"), Qt::LeftButton); },
             "Failed to set headphone volume.", "Button/HeadphoneDimIsChecked", false},
            {"writeMixerBlock", [&] { panel.findChild<Knob *>("phoneToSpeakerKnob")->setValue(-12); },
             "Failed to set OTG to HP volume.", "Dial/OtgToSPValue", 0},
            {"writeMixerBlock", [&] { panel.findChild<Knob *>("phoneToHeadphoneKnob")->setValue(-24); },
             "Failed to set OTG to HP volume.", "Dial/OtgToHpValue", 0},
        };
        for (const Case &c : cases) {
            log.clear();
            QVERIFY(sim->command(QStringLiteral("fail %1@1").arg(c.fail)).startsWith("ok"));
            c.act();
            QVERIFY2(log.contains(c.message), c.message);
            QCOMPARE(iniValue("ks2", c.key).toString(), c.stored.toString());
        }
        // The refused controls show what the device still has.
        QCOMPARE(panel.findChild<Knob *>("mic2GainKnob")->value, 0);
        QVERIFY(!panel.findChild<Button *>("mic1PadButton")->status);
        QVERIFY(!panel.findChild<Button *>("mic2PhantomButton")->status);
        QVERIFY(!panel.findChild<Button *>("mic2DirectButton")->status);
        QVERIFY(!panel.findChild<Button *>("speakerMuteButton")->status);
        QVERIFY(!panel.findChild<Button *>("headphoneDimButton")->status);
        QCOMPARE(panel.findChild<Knob *>("speakerKnob")->value, -10);
        QCOMPARE(panel.findChild<Knob *>("phoneToSpeakerKnob")->value, 0);
        QCOMPARE(log.count("Failed to set OTG to SP volume."), 0);
        // The next accepted block carries none of what the refused ones changed.
        panel.findChild<Knob *>("headphoneKnob")->setValue(0);
        QTRY_VERIFY(mixerWrites(*sim).last().value("status").toInt() == 0 && headphoneGain() > 0.0);
        QCOMPARE(entry(lastBlock(), matrix(2, 5, 1)), 0.0);
        QCOMPARE(speakerGain(), AudioBusDevice::dbToGain(-10));
        QCOMPARE(entry(lastBlock(), matrix(2, 0, 2)), 1.0);
        QCOMPARE(entry(lastBlock(), matrix(2, 4, 2)), 1.0);
        QCOMPARE(headphoneGain(), 1.0);
    }

    void earlyStops()
    {
        {
            LogCapture log;
            ks2 panel;
            QVERIFY(log.contains("Failed to create device in ks2."));
            QVERIFY(panel.findChildren<QObject *>().isEmpty());
        }
        QVERIFY(startSim({"--fail", "setOutVolume@4"}));
        LogCapture log;
        ks2 panel;
        QVERIFY(log.contains("Failed to set output volume."));
        QVERIFY(panel.findChildren<QObject *>().isEmpty());
        QCOMPARE(describeAll(sim->journal()), QStringList({"setOutVolume(1,100)", "setOutVolume(2,100)",
                                                           "setOutVolume(5,100)", "setOutVolume(6,100)"}));
        QVERIFY(!QFile::exists(iniPath("ks2")));
    }

    void meters()
    {
        QVERIFY(startSim());
        MeteredKs2 panel;
        const QStringList names = {"mic1Meter", "mic2Meter", "speakerPhoneMeter", "headphonePhoneMeter"};
        auto texts = [&] {
            QStringList out;
            for (const QString &name : names)
                out << panel.findChild<QLabel *>(name)->text();
            return out;
        };
        QCOMPARE(texts(), QStringList({"-160 dB", "-160 dB", "-160 dB", "-160 dB"}));
        MeterBlock block;
        block.words[0] = 0;
        block.words[1] = 1073741824;
        block.words[2] = 2147483647;
        block.words[3] = 2147483647;
        panel.showMeters(block);
        QCOMPARE(texts(), QStringList({"-inf dB", "-6.0 dB", "0.0 dB", "0.0 dB"}));
        LogCapture log;
        QVERIFY(sim->command("fail readMeterData").startsWith("ok"));
        block.words[0] = -214748365;
        block.words[1] = 0;
        block.words[2] = 21474836;
        block.words[3] = 0;
        panel.showMeters(block);
        const QStringList shown = {"-20.0 dB", "-inf dB", "-46.0 dB", "-46.0 dB"};
        QCOMPARE(texts(), shown);
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("Failed to read meter data from driver."), 5000);
        QCOMPARE(texts(), shown);
    }

    void unplugWhileShown()
    {
        QVERIFY(startSim());
        auto panel = std::make_unique<ks2>();
        panel->show();
        QTRY_COMPARE(requests(*sim).size(), 20);
        LogCapture log;
        QVERIFY(sim->command("unplug").startsWith("ok"));
        QTest::mousePress(panel->findChild<Button *>("speakerMuteButton"), Qt::LeftButton);
        panel->findChild<Knob *>("mic1GainKnob")->setValue(12);
        QVERIFY(log.contains("Failed to set speaker volume."));
        QTRY_VERIFY_WITH_TIMEOUT(log.contains("Failed to read meter data from driver."), 5000);
        panel.reset();
    }
};

QTEST_MAIN(Ks2PanelTest)
#include "tst_Ks2Panel.moc"
