// SPDX-License-Identifier: MIT
#include "driver/ControlCodes.h"
#include "driver/MeterBlock.h"
#include "driver/MixerBlock.h"
#include "driver/VendorCommand.h"

#include <QTest>

#include <limits>

namespace {
QByteArray bytes(const VendorCommand::Frame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), int(frame.size()));
}

QByteArray expected(std::initializer_list<int> head)
{
    QByteArray out(37, '\0');
    int i = 0;
    for (int b : head)
        out[i++] = char(b);
    return out;
}
} // namespace

class VendorFramesTest : public QObject
{
    Q_OBJECT

private slots:
    void levelAndToggleFrames()
    {
        QCOMPARE(bytes(VendorCommand::toggle(VendorCommand::Mic48V, 2, 1)), expected({0x01, 0x5B, 0x00, 0x01, 0x02}));
        QCOMPARE(bytes(VendorCommand::level(VendorCommand::MicVolume, 1, 84)),
                 expected({0x01, 0x07, 0x00, 0x02, 0x01, 0x54, 0x00}));
        // Values above 16 bits are cut to their low 16 bits; channel and state to 8.
        QCOMPARE(bytes(VendorCommand::level(VendorCommand::OutVolume, 0x105, 0x12345)),
                 expected({0x01, 0x03, 0x00, 0x02, 0x05, 0x45, 0x23}));
        QCOMPARE(bytes(VendorCommand::toggle(VendorCommand::Mic20dB, 1, 0x100)), expected({0x01, 0x5A, 0x00, 0x00, 0x01}));
    }

    void commandNumbers_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("number");
        QTest::newRow("mic volume") << int(VendorCommand::MicVolume) << 0x07;
        QTest::newRow("out volume") << int(VendorCommand::OutVolume) << 0x03;
        QTest::newRow("instrument") << int(VendorCommand::MicInstrument) << 0x64;
        QTest::newRow("pad") << int(VendorCommand::Mic20dB) << 0x5A;
        QTest::newRow("phantom") << int(VendorCommand::Mic48V) << 0x5B;
        QTest::newRow("otg on") << int(VendorCommand::OtgOn) << 0x5F;
        QTest::newRow("otg off") << int(VendorCommand::OtgOff) << 0x5E;
        QTest::newRow("close feedback") << int(VendorCommand::CloseFeedback) << 0x68;
        QTest::newRow("upgrade") << int(VendorCommand::UpgradeFirmware) << 0x60;
        QTest::newRow("firmware version") << int(VendorCommand::FirmwareVersion) << 0x65;
    }

    void commandNumbers()
    {
        QFETCH(int, command);
        QFETCH(int, number);
        const auto frame = VendorCommand::plain(VendorCommand::Command(command));
        QCOMPARE(bytes(frame), expected({0x01, number}));
    }

    void controlCodes()
    {
        QCOMPARE(controlcode::GetSampleRate, 0xFFDC2020u);
        QCOMPARE(controlcode::SetSampleRate, 0xFFDC2038u);
        QCOMPARE(controlcode::WriteMixerBlock, 0xFFDC2040u);
        QCOMPARE(controlcode::ReadMeterData, 0xFFDC2074u);
        QCOMPARE(controlcode::GetDevicePid, 0xFFDC2084u);
        QCOMPARE(controlcode::SendVendorCommand, 0xFFDC209Cu);
        QCOMPARE(controlcode::TransferVendorCommand, 0xFFDC20A0u);
        QCOMPARE(controlcode::GetFlag8, 0xFFDC20B8u);
        // Every code is listed once, with a name.
        for (const auto &entry : controlcode::kAll) {
            int seen = 0;
            for (const auto &other : controlcode::kAll)
                seen += other.code == entry.code;
            QCOMPARE(seen, 1);
            QCOMPARE(QString::fromLatin1(controlcode::nameOf(entry.code)), QString::fromLatin1(entry.name));
        }
        QVERIFY(controlcode::nameOf(0xFFDC2000u) == nullptr);
    }

    void blockLayout()
    {
        MixerBlock block;
        QCOMPARE(MixerBlock::matrixIndex(2, 0, 2), std::size_t(2050));
        QCOMPARE(MixerBlock::matrixIndex(2, 5, 3), std::size_t(2211));
        QCOMPARE(MixerBlock::matrixIndex(0, 11, 7), std::size_t(128 + 33 * 7));
        QCOMPARE(MixerBlock::vectorIndex(0, 4), std::size_t(8196));
        QCOMPARE(MixerBlock::vectorIndex(2, 31), std::size_t(8287));
        block.matrix(4, 5, 1) = 0.5;
        block.vector(1, 3) = 0.25;
        const auto *raw = static_cast<const double *>(block.data());
        QCOMPARE(raw[4257], 0.5);
        QCOMPARE(raw[8192 + 32 + 3], 0.25);
    }

    void phoneMeanHasNoOverflow()
    {
        MeterBlock meter;
        const std::int32_t max = std::numeric_limits<std::int32_t>::max();
        const std::int32_t min = std::numeric_limits<std::int32_t>::min();
        meter.words[2] = max;
        meter.words[3] = max;
        QCOMPARE(meter.phoneMean(), max);
        meter.words[2] = min;
        meter.words[3] = min;
        QCOMPARE(meter.phoneMean(), min);
        meter.words[2] = -3;
        meter.words[3] = 0;
        QCOMPARE(meter.phoneMean(), -1); // halved toward zero
        meter.words[2] = 3;
        QCOMPARE(meter.phoneMean(), 1);
    }
};

QTEST_GUILESS_MAIN(VendorFramesTest)
#include "tst_VendorFrames.moc"
