// SPDX-License-Identifier: MIT
// The strict driver's decisions, without sockets: engine rules, sizes,
// vendor frames, the blocks and the meter signal.
#include "driver/ControlCodes.h"
#include "driver/MeterBlock.h"
#include "driver/MixerBlock.h"
#include "driver/VendorCommand.h"
#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "sim/EngineState.h"
#include "sim/MeterSignal.h"
#include "sim/RequestHandler.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cstring>
#include <vector>

namespace winerror = zelvoro::platform::winerror;
using zelvoro::platform::posix::getLe32;
using zelvoro::platform::posix::putLe32;

namespace {

std::vector<std::uint8_t> le32(std::uint32_t value)
{
    std::vector<std::uint8_t> bytes(4);
    putLe32(bytes.data(), value);
    return bytes;
}

Reply send(EngineState &state, std::uint32_t code, const std::vector<std::uint8_t> &input = {},
           std::uint32_t outCapacity = 0, double elapsedMs = 0)
{
    Request request;
    request.code = code;
    request.outCapacity = outCapacity;
    request.input = input.data();
    request.inputSize = input.size();
    request.elapsedMs = elapsedMs;
    return RequestHandler::handle(state, request);
}

std::uint32_t read32(EngineState &state, std::uint32_t code)
{
    const Reply reply = send(state, code, {}, 4);
    if (reply.status != 0 || reply.output.size() != 4)
        return 0xDEADBEEF;
    return getLe32(reply.output.data());
}

std::vector<std::uint8_t> frameBytes(const VendorCommand::Frame &frame)
{
    return {frame.begin(), frame.end()};
}

// The decoded fields as one JSON object, as the journal will show them.
QJsonObject fieldsOf(const Reply &reply)
{
    QByteArray text = "{";
    for (const auto &[name, value] : reply.fields)
        text += "\"" + QByteArray::fromStdString(name) + "\":" + QByteArray::fromStdString(value) + ",";
    if (text.size() > 1)
        text.chop(1);
    text += "}";
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(text, &error).object();
    if (error.error != QJsonParseError::NoError)
        qWarning() << "bad fields" << text;
    return object;
}

MeterBlock meterOf(const Reply &reply)
{
    MeterBlock block;
    if (reply.output.size() == MeterBlock::kBytes)
        std::memcpy(block.data(), reply.output.data(), MeterBlock::kBytes);
    return block;
}

} // namespace

class RequestHandlerTest : public QObject
{
    Q_OBJECT

private slots:
    void engineStartsRunningWithDefaults()
    {
        EngineState state;
        QCOMPARE(read32(state, controlcode::GetSampleRate), 44100u);
        QCOMPARE(read32(state, controlcode::GetBufferSize), 256u);
        QCOMPARE(read32(state, controlcode::GetUsbLatency), 16u);
        QCOMPARE(read32(state, controlcode::GetDevicePid), 2u);
        QVERIFY(state.running);
        QCOMPARE(state.wdmChannels, 2u);
    }

    void settingsWhileRunningAreBusy_data()
    {
        QTest::addColumn<std::uint32_t>("code");
        QTest::addColumn<std::uint32_t>("value");
        QTest::addColumn<std::uint32_t>("readBack");
        QTest::newRow("rate") << controlcode::SetSampleRate << 48000u << controlcode::GetSampleRate;
        QTest::newRow("same rate") << controlcode::SetSampleRate << 44100u << controlcode::GetSampleRate;
        QTest::newRow("buffer") << controlcode::SetBufferSize << 128u << controlcode::GetBufferSize;
        QTest::newRow("latency") << controlcode::SetUsbLatency << 8u << controlcode::GetUsbLatency;
        QTest::newRow("wdm") << controlcode::SetWdmChannelCount << 4u << 0u;
    }
    void settingsWhileRunningAreBusy()
    {
        QFETCH(std::uint32_t, code);
        QFETCH(std::uint32_t, value);
        QFETCH(std::uint32_t, readBack);
        EngineState state;
        const std::uint32_t before = readBack ? read32(state, readBack) : state.wdmChannels;
        QCOMPARE(send(state, code, le32(value)).status, winerror::Busy);
        QCOMPARE(readBack ? read32(state, readBack) : state.wdmChannels, before);

        QCOMPARE(send(state, controlcode::StopAudio).status, 0u);
        QVERIFY(!state.running);
        QCOMPARE(send(state, code, le32(value)).status, 0u);
        QCOMPARE(readBack ? read32(state, readBack) : state.wdmChannels, value);

        QCOMPARE(send(state, controlcode::RestartAudio).status, 0u);
        QVERIFY(state.running);
        QCOMPARE(send(state, code, le32(value)).status, winerror::Busy);
        QCOMPARE(send(state, controlcode::StopAudio).status, 0u);
        QCOMPARE(send(state, controlcode::InitAudio).status, 0u);
        QVERIFY(state.running);
    }

    void slowModeFollowsTheEngineRule()
    {
        EngineState state;
        QCOMPARE(send(state, controlcode::EnableSlowMode).status, winerror::Busy);
        QVERIFY(!state.slowMode);
        send(state, controlcode::StopAudio);
        QCOMPARE(send(state, controlcode::EnableSlowMode).status, 0u);
        QVERIFY(state.slowMode);
        QCOMPARE(send(state, controlcode::DisableSlowMode).status, 0u);
        QVERIFY(!state.slowMode);
    }

    void valuesOutsideTheOfferedSets_data()
    {
        QTest::addColumn<std::uint32_t>("code");
        QTest::addColumn<std::int32_t>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("rate 48000") << controlcode::SetSampleRate << 48000 << true;
        QTest::newRow("rate 32000") << controlcode::SetSampleRate << 32000 << false;
        QTest::newRow("rate 96000") << controlcode::SetSampleRate << 96000 << false;
        QTest::newRow("rate -44100") << controlcode::SetSampleRate << -44100 << false;
        for (int size : {48, 64, 96, 128, 192, 256, 512, 1024})
            QTest::addRow("buffer %d", size) << controlcode::SetBufferSize << size << true;
        for (int size : {0, 32, 100, 2048, -256})
            QTest::addRow("buffer %d", size) << controlcode::SetBufferSize << size << false;
        for (int frames : {8, 16, 24, 32})
            QTest::addRow("latency %d", frames) << controlcode::SetUsbLatency << frames << true;
        for (int frames : {0, 4, 12, 64})
            QTest::addRow("latency %d", frames) << controlcode::SetUsbLatency << frames << false;
        QTest::newRow("wdm 1") << controlcode::SetWdmChannelCount << 1 << true;
        QTest::newRow("wdm 32") << controlcode::SetWdmChannelCount << 32 << true;
        QTest::newRow("wdm 0") << controlcode::SetWdmChannelCount << 0 << false;
        QTest::newRow("wdm 33") << controlcode::SetWdmChannelCount << 33 << false;
        QTest::newRow("wdm -1") << controlcode::SetWdmChannelCount << -1 << false;
    }
    void valuesOutsideTheOfferedSets()
    {
        QFETCH(std::uint32_t, code);
        QFETCH(std::int32_t, value);
        QFETCH(bool, accepted);
        EngineState state;
        send(state, controlcode::StopAudio);
        const EngineState before = state;
        const Reply reply = send(state, code, le32(static_cast<std::uint32_t>(value)));
        QCOMPARE(reply.status, accepted ? 0u : winerror::InvalidParameter);
        if (!accepted) {
            QCOMPARE(state.sampleRate, before.sampleRate);
            QCOMPARE(state.bufferSize, before.bufferSize);
            QCOMPARE(state.usbLatency, before.usbLatency);
            QCOMPARE(state.wdmChannels, before.wdmChannels);
        }
        // The journal shows the value as the caller meant it.
        QCOMPARE(fieldsOf(reply).value("value").toInteger(),
                 code == controlcode::SetWdmChannelCount ? qint64(std::uint32_t(value)) : qint64(value));
        // A bad value is refused even while running: the range is checked first.
        EngineState running;
        QCOMPARE(send(running, code, le32(static_cast<std::uint32_t>(value))).status,
                 accepted ? winerror::Busy : winerror::InvalidParameter);
    }

    void wrongSizes_data()
    {
        QTest::addColumn<std::uint32_t>("code");
        QTest::addColumn<int>("inputSize");
        QTest::addColumn<std::uint32_t>("outCapacity");
        QTest::addColumn<std::uint32_t>("status");
        QTest::newRow("rate, 2 bytes") << controlcode::SetSampleRate << 2 << 0u << winerror::InvalidParameter;
        QTest::newRow("rate, 8 bytes") << controlcode::SetSampleRate << 8 << 0u << winerror::InvalidParameter;
        QTest::newRow("buffer, none") << controlcode::SetBufferSize << 0 << 0u << winerror::InvalidParameter;
        QTest::newRow("latency, 5") << controlcode::SetUsbLatency << 5 << 0u << winerror::InvalidParameter;
        QTest::newRow("wdm, 3") << controlcode::SetWdmChannelCount << 3 << 0u << winerror::InvalidParameter;
        QTest::newRow("mixer short") << controlcode::WriteMixerBlock << 66303 << 0u
                                     << winerror::InvalidParameter;
        QTest::newRow("mixer long") << controlcode::WriteMixerBlock << 66312 << 0u
                                    << winerror::InvalidParameter;
        QTest::newRow("mixer empty") << controlcode::WriteMixerBlock << 0 << 0u << winerror::InvalidParameter;
        QTest::newRow("vendor 36") << controlcode::SendVendorCommand << 36 << 0u
                                   << winerror::InvalidParameter;
        QTest::newRow("vendor 38") << controlcode::SendVendorCommand << 38 << 0u
                                   << winerror::InvalidParameter;
        QTest::newRow("transfer 36") << controlcode::TransferVendorCommand << 36 << 32u
                                     << winerror::InvalidParameter;
        QTest::newRow("transfer out 31")
            << controlcode::TransferVendorCommand << 37 << 31u << winerror::InsufficientBuffer;
        QTest::newRow("pid out 3") << controlcode::GetDevicePid << 0 << 3u << winerror::InsufficientBuffer;
        QTest::newRow("rate out 0") << controlcode::GetSampleRate << 0 << 0u << winerror::InsufficientBuffer;
        QTest::newRow("buffer out 2")
            << controlcode::GetBufferSize << 0 << 2u << winerror::InsufficientBuffer;
        QTest::newRow("latency out 1")
            << controlcode::GetUsbLatency << 0 << 1u << winerror::InsufficientBuffer;
        QTest::newRow("value32 out 3") << controlcode::GetValue32 << 0 << 3u << winerror::InsufficientBuffer;
        QTest::newRow("meter out 767")
            << controlcode::ReadMeterData << 0 << 767u << winerror::InsufficientBuffer;
        QTest::newRow("value16 out 1") << controlcode::GetValue16 << 0 << 1u << winerror::InsufficientBuffer;
        QTest::newRow("flag out 0") << controlcode::GetFlag8 << 0 << 0u << winerror::InsufficientBuffer;
        QTest::newRow("set value16, 4") << controlcode::SetValue16 << 4 << 0u << winerror::InvalidParameter;
        QTest::newRow("set flag, 2") << controlcode::SetFlag8 << 2 << 0u << winerror::InvalidParameter;
    }
    void wrongSizes()
    {
        QFETCH(std::uint32_t, code);
        QFETCH(int, inputSize);
        QFETCH(std::uint32_t, outCapacity);
        QFETCH(std::uint32_t, status);
        EngineState state;
        send(state, controlcode::StopAudio);
        std::vector<std::uint8_t> input(static_cast<std::size_t>(inputSize), 0);
        if (!input.empty())
            input[0] = 0x01; // a valid vendor frame start, so only the size is wrong
        const Reply reply = send(state, code, input, outCapacity);
        QCOMPARE(reply.status, status);
        QVERIFY(reply.output.empty());
        QVERIFY(!state.mixerReceived);
    }

    void bigEnoughBuffersGetExactSizes()
    {
        EngineState state;
        QCOMPARE(send(state, controlcode::GetDevicePid, {}, 4096).output.size(), std::size_t(4));
        QCOMPARE(send(state, controlcode::ReadMeterData, {}, 1000).output.size(), std::size_t(768));
        QCOMPARE(send(state, controlcode::GetValue16, {}, 64).output.size(), std::size_t(2));
        QCOMPARE(send(state, controlcode::GetFlag8, {}, 64).output.size(), std::size_t(1));
        QVERIFY(send(state, controlcode::StopAudio, {}, 64).output.empty());
    }

    void unknownCodesAreInvalidFunctions()
    {
        EngineState state;
        for (std::uint32_t code : {0u, 0xFFDC2000u, 0xFFDC20A8u, 0xFFDC20BCu, 0x00222000u, 0xFFFFFFFFu}) {
            const Reply reply = send(state, code, {1, 2, 3}, 64);
            QCOMPARE(reply.status, winerror::InvalidFunction);
            QCOMPARE(reply.op, std::string("unknown"));
            QVERIFY(reply.output.empty());
        }
        for (const controlcode::Entry &entry : controlcode::kAll)
            QCOMPARE(RequestHandler::operationName(entry.code), std::string(entry.name));
    }

    void vendorFramesUpdateChannelState()
    {
        EngineState state;
        QCOMPARE(send(state, controlcode::SendVendorCommand,
                      frameBytes(VendorCommand::level(VendorCommand::MicVolume, 1, 84)))
                     .status,
                 0u);
        QCOMPARE(state.inputs[1].micVolume, std::uint16_t(84));
        send(state, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::level(VendorCommand::OutVolume, 5, 100)));
        QCOMPARE(state.outputs[5], std::uint16_t(100));
        send(state, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::toggle(VendorCommand::Mic48V, 2, 1)));
        QVERIFY(state.inputs[2].phantom);
        QVERIFY(!state.inputs[1].phantom);
        send(state, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::toggle(VendorCommand::Mic20dB, 1, 1)));
        QVERIFY(state.inputs[1].pad);
        send(state, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::toggle(VendorCommand::MicInstrument, 1, 1)));
        QVERIFY(state.inputs[1].instrument);
        send(state, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::toggle(VendorCommand::MicInstrument, 1, 0)));
        QVERIFY(!state.inputs[1].instrument);
        send(state, controlcode::SendVendorCommand, frameBytes(VendorCommand::plain(VendorCommand::OtgOn)));
        QVERIFY(state.otg);
        send(state, controlcode::SendVendorCommand, frameBytes(VendorCommand::plain(VendorCommand::OtgOff)));
        QVERIFY(!state.otg);
        send(state, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::plain(VendorCommand::UpgradeFirmware)));
        QCOMPARE(state.firmwareUpgrades, 1u);
        const QString summary = QString::fromStdString(state.summary());
        QVERIFY2(summary.contains("in2 gain 0 48v on"), qPrintable(summary));
        QVERIFY2(summary.contains("out5 volume 100"), qPrintable(summary));
    }

    void vendorFrameJournalFields()
    {
        EngineState state;
        const Reply reply = send(state, controlcode::SendVendorCommand,
                                 frameBytes(VendorCommand::level(VendorCommand::MicVolume, 2, 0x1234)));
        QCOMPARE(reply.op, std::string("vendor"));
        QCOMPARE(reply.vendorOp, std::string("setMicVolume"));
        const QJsonObject fields = fieldsOf(reply);
        QCOMPARE(fields.value("cmd").toInt(), 0x07);
        QCOMPARE(fields.value("channel").toInt(), 2);
        QCOMPARE(fields.value("state").toInt(), 2);
        QCOMPARE(fields.value("level").toInt(), 0x1234);
        QCOMPARE(fields.value("vendor_op").toString(), QStringLiteral("setMicVolume"));
        QCOMPARE(fields.value("frame").toString(), QStringLiteral("01070002023412") + QString(60, '0'));
        QVERIFY(!fields.contains("out_len"));
    }

    void malformedAndUnknownVendorFrames()
    {
        EngineState state;
        auto frame = frameBytes(VendorCommand::toggle(VendorCommand::Mic48V, 1, 1));
        frame[0] = 0x02;
        const Reply refused = send(state, controlcode::SendVendorCommand, frame);
        QCOMPARE(refused.status, winerror::InvalidParameter);
        QVERIFY(!state.inputs[1].phantom);
        QCOMPARE(fieldsOf(refused).value("cmd").toInt(), 0x5B); // still journalled as sent

        std::vector<std::uint8_t> unknown(37, 0);
        unknown[0] = 0x01;
        unknown[1] = 0x7E;
        const Reply accepted = send(state, controlcode::SendVendorCommand, unknown);
        QCOMPARE(accepted.status, 0u);
        QVERIFY(accepted.vendorOp.empty());
        QCOMPARE(fieldsOf(accepted).value("cmd").toInt(), 0x7E);
    }

    void firmwareTransfer()
    {
        EngineState state;
        state.firmware = "2.10.7b";
        const auto request = frameBytes(VendorCommand::plain(VendorCommand::FirmwareVersion));
        Reply reply = send(state, controlcode::TransferVendorCommand, request, 32);
        QCOMPARE(reply.status, 0u);
        QCOMPARE(reply.vendorOp, std::string("getFirmwareVersion"));
        QCOMPARE(reply.output.size(), std::size_t(32));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(reply.output.data()), 32),
                 QByteArray("2.10.7b") + QByteArray(25, '\0'));
        QCOMPARE(fieldsOf(reply).value("out_len").toInt(), 32);

        state.firmware = "0123456789";
        reply = send(state, controlcode::TransferVendorCommand, request, 64);
        QCOMPARE(reply.output.size(), std::size_t(32));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(reply.output.data()), 11),
                 QByteArray("0123456789\0", 11));

        state.shortFirmware = true;
        reply = send(state, controlcode::TransferVendorCommand, request, 32);
        QCOMPARE(reply.status, 0u);
        QCOMPARE(reply.output.size(), std::size_t(8));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(reply.output.data()), 8), QByteArray("01234567"));
    }

    void mixerBlockIsKeptAndJournalled()
    {
        EngineState state;
        MixerBlock block;
        block.matrix(2, 0, 2) = 1.9952623149688795;
        block.vector(0, 4) = 0.5;
        block.matrix(7, 31, 31) = -1e-300;
        std::vector<std::uint8_t> bytes(MixerBlock::kBytes);
        std::memcpy(bytes.data(), block.data(), bytes.size());
        const Reply reply = send(state, controlcode::WriteMixerBlock, bytes);
        QCOMPARE(reply.status, 0u);
        QVERIFY(state.mixerReceived);
        QCOMPARE(state.mixer.matrix(2, 0, 2), 1.9952623149688795);
        const QJsonObject entries = fieldsOf(reply).value("entries").toObject();
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries.value("2050").toDouble(), 1.9952623149688795);
        QCOMPARE(entries.value("8196").toDouble(), 0.5);
        QCOMPARE(entries.value(QString::number(MixerBlock::matrixIndex(7, 31, 31))).toDouble(), -1e-300);
        const QString summary = QString::fromStdString(state.summary());
        QVERIFY2(summary.contains("m2(0,2)=6.00 dB"), qPrintable(summary));
        QVERIFY2(summary.contains("v0[4]=-6.02 dB"), qPrintable(summary));

        // A block with values JSON has no numbers for still gives a valid line.
        block.vector(1, 0) = std::numeric_limits<double>::quiet_NaN();
        block.vector(1, 1) = std::numeric_limits<double>::infinity();
        std::memcpy(bytes.data(), block.data(), bytes.size());
        const QJsonObject odd =
            fieldsOf(send(state, controlcode::WriteMixerBlock, bytes)).value("entries").toObject();
        QCOMPARE(odd.size(), 5);
        QCOMPARE(odd.value(QString::number(MixerBlock::vectorIndex(1, 0))).toString(), QStringLiteral("NaN"));
        QCOMPARE(odd.value(QString::number(MixerBlock::vectorIndex(1, 1))).toString(),
                 QStringLiteral("Infinity"));
    }

    void refusedRequestsTouchNothing()
    {
        EngineState state;
        send(state, controlcode::StopAudio);
        std::vector<std::uint8_t> input = le32(48000);
        Request request;
        request.code = controlcode::SetSampleRate;
        request.input = input.data();
        request.inputSize = input.size();
        const Reply reply = RequestHandler::refuse(request, 31);
        QCOMPARE(reply.status, 31u);
        QCOMPARE(state.sampleRate, 44100u);
        QCOMPARE(fieldsOf(reply).value("value").toInt(), 48000);

        request.code = controlcode::ReadMeterData;
        request.inputSize = 0;
        request.outCapacity = 768;
        const Reply read = RequestHandler::refuse(request, 5);
        QVERIFY(read.output.empty());
        QCOMPARE(fieldsOf(read).value("out_len").toInt(), 0);
    }

    void unusedCodesKeepTheirValues()
    {
        EngineState state;
        QCOMPARE(read32(state, controlcode::GetValue32), 0u);
        QCOMPARE(send(state, controlcode::SetValue16, {0x34, 0x92}).status, 0u);
        Reply reply = send(state, controlcode::GetValue16, {}, 2);
        QCOMPARE(reply.output, std::vector<std::uint8_t>({0x34, 0x92}));
        QCOMPARE(send(state, controlcode::SetFlag8, {7}).status, 0u);
        reply = send(state, controlcode::GetFlag8, {}, 1);
        QCOMPARE(reply.output, std::vector<std::uint8_t>({7}));
        QCOMPARE(fieldsOf(send(state, controlcode::SetValue16, {0xFF, 0xFF})).value("value").toInt(), 65535);
    }

    void metersFollowTheModelAndGain()
    {
        EngineState ks2;
        MeterBlock block = meterOf(send(ks2, controlcode::ReadMeterData, {}, 768, 1234));
        for (int i = 0; i < 4; ++i)
            QVERIFY2(block.words[i] > 0, qPrintable(QString::number(i)));
        for (std::size_t i = 4; i < MeterBlock::kWords; ++i)
            QCOMPARE(block.words[i], 0);

        for (std::uint32_t pid : {1u, 15u}) {
            EngineState single;
            single.productId = pid;
            block = meterOf(send(single, controlcode::ReadMeterData, {}, 768, 1234));
            QVERIFY(block.words[0] > 0);
            QCOMPARE(block.words[1], 0);
            QVERIFY(block.words[2] > 0 && block.words[3] > 0);
        }

        EngineState silent;
        silent.silentMeters = true;
        block = meterOf(send(silent, controlcode::ReadMeterData, {}, 768, 1234));
        for (std::int32_t word : block.words)
            QCOMPARE(word, 0);

        // More gain, louder input; the pad takes 20 dB off.
        EngineState gained;
        const double quiet = MeterSignal::micLevelDb(gained, 1, 700);
        send(gained, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::level(VendorCommand::MicVolume, 1, 40)));
        const double loud = MeterSignal::micLevelDb(gained, 1, 700);
        QVERIFY(loud > quiet + 10);
        send(gained, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::toggle(VendorCommand::Mic20dB, 1, 1)));
        QCOMPARE(MeterSignal::micLevelDb(gained, 1, 700), loud - 20);
        QCOMPARE(MeterSignal::micLevelDb(gained, 2, 700), MeterSignal::micLevelDb(EngineState{}, 2, 700));
        // Nothing exceeds full scale, however much gain.
        gained.inputs[1] = InputChannelState{60000, false, false, false};
        QVERIFY(MeterSignal::micLevelDb(gained, 1, 700) < 0);
        QVERIFY(MeterSignal::amplitude(6.0) == 2147483647);
    }

    void metersMoveBetweenReads()
    {
        EngineState state;
        int moved = 0;
        for (double t = 0; t < 10000; t += 500) {
            const MeterBlock a = meterOf(send(state, controlcode::ReadMeterData, {}, 768, t));
            const MeterBlock b = meterOf(send(state, controlcode::ReadMeterData, {}, 768, t + 500));
            if (a.words[0] != b.words[0] && a.words[2] != b.words[2] && a.words[3] != b.words[3])
                ++moved;
        }
        QCOMPARE(moved, 20);
        // Left and right of the phone input are not the same signal.
        const MeterBlock block = meterOf(send(state, controlcode::ReadMeterData, {}, 768, 900));
        QVERIFY(block.words[2] != block.words[3]);
    }

    void resetEngineKeepsTheIdentity()
    {
        EngineState state;
        state.productId = 15;
        state.firmware = "9.9";
        send(state, controlcode::StopAudio);
        send(state, controlcode::SetSampleRate, le32(48000));
        send(state, controlcode::SendVendorCommand,
             frameBytes(VendorCommand::toggle(VendorCommand::Mic48V, 1, 1)));
        send(state, controlcode::WriteMixerBlock, std::vector<std::uint8_t>(MixerBlock::kBytes, 0x3F));
        state.resetEngine();
        QCOMPARE(state.sampleRate, 44100u);
        QVERIFY(state.running);
        QVERIFY(state.inputs.empty());
        QVERIFY(!state.mixerReceived);
        QCOMPARE(state.mixer.gains[0], 0.0);
        QCOMPARE(state.productId, 15u);
        QCOMPARE(state.firmware, std::string("9.9"));
    }
};

QTEST_GUILESS_MAIN(RequestHandlerTest)
#include "tst_RequestHandler.moc"
