// SPDX-License-Identifier: MIT
// AudioBusDevice end to end against zelvoro-sim: what reaches the driver,
// with which bytes, and what each operation reports.
#include "driver/AudioBusDevice.h"

#include "LogCapture.h"
#include "SimProcess.h"

#include <QJsonObject>
#include <QTest>

namespace {

QStringList ops(const QList<QJsonObject> &records)
{
    QStringList names;
    for (const QJsonObject &r : records)
        names << r.value("op").toString();
    return names;
}

QString openLine(int bus, bool ok, int error = 2)
{
    const QString name = QStringLiteral("\\\\.\\ZelvoroAudioBus%1").arg(bus);
    return ok ? QStringLiteral("Open device %1 success!\n").arg(name)
              : QStringLiteral("Open device %1 failed, error: %2\n").arg(name).arg(error);
}

} // namespace

class AudioBusDeviceTest : public QObject
{
    Q_OBJECT

private slots:
    void openReportsEveryNameTried()
    {
        {
            LogCapture log;
            AudioBusDevice device;
            QVERIFY(!device.open());
            QString expected;
            for (int i = 0; i < 16; ++i)
                expected += openLine(i, false);
            QCOMPARE(log.stdOut(), expected);
            QVERIFY(!device.isOpen());
        }
        SimProcess sim({"--model", "ks1", "--bus", "3"});
        QVERIFY(sim.start());
        LogCapture log;
        AudioBusDevice device;
        QVERIFY(device.open());
        QCOMPARE(log.stdOut(), openLine(0, false) + openLine(1, false) + openLine(2, false) + openLine(3, true));
        std::uint32_t pid = 0;
        QVERIFY(device.getDevicePid(pid));
        QCOMPARE(pid, 1u);
    }

    void closedInstanceSendsNothing()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        AudioBusDevice device;
        std::uint32_t value = 7;
        std::int16_t value16 = 7;
        bool flag = true;
        std::uint8_t version[10] = {};
        LogCapture log;
        QCOMPARE(device.getSampleRate(), 0u);
        QVERIFY(!device.setSampleRate(48000));
        QVERIFY(!device.writeMixerBlock(MixerBlock{}));
        QVERIFY(!device.getBufferSize(value));
        QVERIFY(!device.getDevicePid(value));
        QVERIFY(!device.stopAudio());
        QVERIFY(!device.getValue16(value16));
        QVERIFY(!device.getFlag8(flag));
        QCOMPARE(device.getValue32(), 0u);
        // Vendor commands report what really happened: nothing was sent.
        QVERIFY(!device.setMic48V(1, 1));
        QVERIFY(!device.setMicVolume(1, 84));
        QVERIFY(!device.setOtgOn());
        QVERIFY(!device.upgradeFirmware());
        QVERIFY(!device.getFirmwareVersion(version, 10));
        QCOMPARE(log.stdErr(), QStringLiteral("Failed to read firmware version from device.\n"));
        QCOMPARE(value, 7u);
        QCOMPARE(value16, std::int16_t(7));
        QVERIFY(flag);
        std::vector<std::uint8_t> response(3, 0x11);
        QVERIFY(!device.transferVendorCommand({0x01, 0x65}, response));
        QCOMPARE(response.size(), std::size_t(3)); // untouched without a handle
        device.close();
        device.close();
        QVERIFY(sim.journal().isEmpty());
    }

    void requestsOnTheWire()
    {
        SimProcess sim({"--model", "ks2"});
        QVERIFY(sim.start());
        AudioBusDevice device;
        QVERIFY(device.open());

        QVERIFY(device.setMic48V(2, 1));
        QVERIFY(device.setMicVolume(1, 84));
        QVERIFY(device.setOutVolume(5, 100));
        QVERIFY(device.setMic20dB(1, 0));
        QVERIFY(device.setMicInstrument(1, 1));
        QVERIFY(device.setOtgOff());
        QVERIFY(device.setOtgOn());
        QVERIFY(device.setCloseFeedback());
        QVERIFY(device.stopAudio());
        QVERIFY(device.setSampleRate(48000));
        QVERIFY(device.setBufferSize(128));
        QVERIFY(device.setUsbLatency(32));
        QVERIFY(device.setWdmChannelCount(4));
        QVERIFY(device.enableSlowMode());
        QVERIFY(device.disableSlowMode());
        QVERIFY(device.initAudio());
        QVERIFY(device.restartAudio());

        const QList<QJsonObject> j = sim.journal();
        QCOMPARE(ops(j).mid(0, 8), QStringList({"vendor", "vendor", "vendor", "vendor", "vendor", "vendor", "vendor",
                                                 "vendor"}));
        QCOMPARE(j[0].value("frame").toString().left(10).toLower(), QStringLiteral("015b000102"));
        QCOMPARE(j[0].value("frame").toString().toLower(), QStringLiteral("015b000102") + QString(64, '0'));
        QCOMPARE(j[1].value("frame").toString().toLower(), QStringLiteral("01070002015400") + QString(60, '0'));
        QCOMPARE(j[1].value("level").toInt(), 84);
        QCOMPARE(j[2].value("cmd").toInt(), 0x03);
        QCOMPARE(j[2].value("channel").toInt(), 5);
        QCOMPARE(j[2].value("level").toInt(), 100);
        QCOMPARE(j[3].value("cmd").toInt(), 0x5A);
        QCOMPARE(j[3].value("state").toInt(), 0);
        QCOMPARE(j[4].value("cmd").toInt(), 0x64);
        QCOMPARE(j[5].value("cmd").toInt(), 0x5E);
        QCOMPARE(j[6].value("cmd").toInt(), 0x5F);
        QCOMPARE(j[7].value("cmd").toInt(), 0x68);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(j[i].value("in_len").toInt(), 37);
            QCOMPARE(j[i].value("code").toString().toUpper(), QStringLiteral("0XFFDC209C"));
        }
        QCOMPARE(ops(j).mid(8), QStringList({"stopAudio", "setSampleRate", "setBufferSize", "setUsbLatency",
                                              "setWdmChannelCount", "enableSlowMode", "disableSlowMode", "initAudio",
                                              "restartAudio"}));
        QCOMPARE(j[9].value("value").toInt(), 48000);
        QCOMPARE(j[10].value("value").toInt(), 128);
        QCOMPARE(j[11].value("value").toInt(), 32);
        QCOMPARE(j[12].value("value").toInt(), 4);
        for (const QJsonObject &r : j)
            QCOMPARE(r.value("status").toInt(), 0);

        // The engine now reads back what was set.
        QCOMPARE(device.getSampleRate(), 48000u);
        std::uint32_t value = 0;
        LogCapture log;
        QVERIFY(device.getBufferSize(value));
        QCOMPARE(value, 128u);
        QCOMPARE(log.lines(), QStringList({"Buffer size: 128"}));
        QVERIFY(device.getUsbLatency(value));
        QCOMPARE(value, 32u);
    }

    void mixerAndMeterBlocks()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        AudioBusDevice device;
        QVERIFY(device.open());
        MixerBlock block;
        block.matrix(2, 0, 2) = 1.9952623149688795;
        block.vector(0, 4) = 0.5;
        QVERIFY(device.writeMixerBlock(block));
        const QJsonObject record = sim.journal().last();
        QCOMPARE(record.value("op").toString(), QStringLiteral("writeMixerBlock"));
        QCOMPARE(record.value("in_len").toInt(), 66304);
        const QJsonObject entries = record.value("entries").toObject();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.value("2050").toDouble(), 1.9952623149688795);
        QCOMPARE(entries.value("8196").toDouble(), 0.5);

        MeterBlock meter;
        QVERIFY(device.readMeterData(meter));
        QCOMPARE(sim.journal().last().value("out_len").toInt(), 768);
        bool moving = false;
        for (int i = 0; i < 4; ++i)
            moving = moving || meter.words[i] != 0;
        QVERIFY(moving);
        for (std::size_t i = 4; i < MeterBlock::kWords; ++i)
            QCOMPARE(meter.words[i], 0);
    }

    void refusedRequestsLeaveOutputsAlone()
    {
        SimProcess sim({"--model", "kt"});
        QVERIFY(sim.start());
        AudioBusDevice device;
        QVERIFY(device.open());
        QVERIFY(sim.command("fail getDevicePid@1").startsWith("ok"));
        QVERIFY(sim.command("fail setMic48V=87").startsWith("ok"));
        QVERIFY(sim.command("fail readMeterData@1").startsWith("ok"));
        std::uint32_t pid = 99;
        QVERIFY(!device.getDevicePid(pid));
        QCOMPARE(pid, 99u);
        QVERIFY(device.getDevicePid(pid));
        QCOMPARE(pid, 15u);
        QVERIFY(!device.setMic48V(1, 1));
        QVERIFY(device.setMic20dB(1, 1));
        MeterBlock meter;
        meter.words[0] = 12345;
        QVERIFY(!device.readMeterData(meter));
        QCOMPARE(meter.words[0], 12345);

        // A rate change while the engine runs is refused by a strict driver.
        QVERIFY(!device.setSampleRate(48000));
        QVERIFY(device.stopAudio());
        QVERIFY(!device.setSampleRate(32000));
        QVERIFY(device.setSampleRate(48000));
    }

    void firmwareVersion()
    {
        SimProcess sim({"--firmware", "1.0.3"});
        QVERIFY(sim.start());
        AudioBusDevice device;
        QVERIFY(device.open());
        std::uint8_t buffer[16];
        std::memset(buffer, 0xEE, sizeof buffer);
        QVERIFY(device.getFirmwareVersion(buffer, 0));
        QCOMPARE(buffer[0], std::uint8_t(0xEE));
        QVERIFY(device.getFirmwareVersion(buffer, 4));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 5), QByteArray("1.0.\xEE"));
        QVERIFY(device.getFirmwareVersion(buffer, 16));
        QCOMPARE(QByteArray(reinterpret_cast<char *>(buffer), 11), QByteArray("1.0.3\0\0\0\0\0\xEE", 11));
        const QJsonObject record = sim.journal().last();
        QCOMPARE(record.value("code").toString().toUpper(), QStringLiteral("0XFFDC20A0"));
        QCOMPARE(record.value("frame").toString().toLower(), QStringLiteral("0165") + QString(70, '0'));

        SimProcess shortSim({"--short-firmware", "--bus", "1"});
        QVERIFY(shortSim.start());
        sim.stop();
        AudioBusDevice other;
        QVERIFY(other.open());
        LogCapture log;
        std::memset(buffer, 0xEE, sizeof buffer);
        QVERIFY(!other.getFirmwareVersion(buffer, 10));
        QCOMPARE(buffer[0], std::uint8_t(0xEE));
        QCOMPARE(log.stdErr(), QStringLiteral("Invalid firmware version response size.\n"));
    }

    void unplugBreaksTheHandle()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        AudioBusDevice device;
        QVERIFY(device.open());
        std::uint32_t pid = 0;
        QVERIFY(device.getDevicePid(pid));
        QVERIFY(sim.command("unplug").startsWith("ok"));
        QVERIFY(!device.getDevicePid(pid));
        QVERIFY(!device.getDevicePid(pid));
        QVERIFY(!device.setMic48V(1, 1));
        {
            LogCapture log;
            AudioBusDevice fresh;
            QVERIFY(!fresh.open());
            QCOMPARE(log.stdOut().count(QStringLiteral("failed, error: 2\n")), 16);
        }
        QVERIFY(sim.command("plug").startsWith("ok"));
        QVERIFY(!device.getDevicePid(pid)); // the old handle stays dead
        {
            // A failed reopen leaves the instance closed, not holding its old handle.
            QVERIFY(sim.command("unplug").startsWith("ok"));
            LogCapture log;
            QVERIFY(!device.open());
            QVERIFY(!device.isOpen());
            QVERIFY(sim.command("plug").startsWith("ok"));
        }
        AudioBusDevice fresh;
        QVERIFY(fresh.open());
        QVERIFY(fresh.getDevicePid(pid));
        QCOMPARE(pid, 2u);
    }
};

QTEST_GUILESS_MAIN(AudioBusDeviceTest)
#include "tst_AudioBusDevice.moc"
