// SPDX-License-Identifier: MIT
#include "sim/RequestHandler.h"

#include "driver/ControlCodes.h"
#include "driver/MeterBlock.h"
#include "driver/MixerBlock.h"
#include "driver/VendorCommand.h"
#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "sim/EngineState.h"
#include "sim/JsonText.h"
#include "sim/MeterSignal.h"

#include <cstring>

namespace winerror = zelvoro::platform::winerror;
using zelvoro::platform::posix::getLe32;
using zelvoro::platform::posix::putLe32;

namespace {

constexpr std::size_t kFirmwareResponse = 32;
constexpr std::size_t kShortFirmwareResponse = 8;
constexpr std::size_t kFirmwareBytes = 10;
// Frames longer than this are garbage; their bytes stay out of the journal.
constexpr std::size_t kMaxJournalledFrame = 256;

bool isVendorCode(std::uint32_t code)
{
    return code == controlcode::SendVendorCommand || code == controlcode::TransferVendorCommand;
}

bool isReadCode(std::uint32_t code)
{
    switch (code) {
    case controlcode::GetSampleRate:
    case controlcode::GetBufferSize:
    case controlcode::GetUsbLatency:
    case controlcode::ReadMeterData:
    case controlcode::GetDevicePid:
    case controlcode::TransferVendorCommand:
    case controlcode::GetValue32:
    case controlcode::GetValue16:
    case controlcode::GetFlag8:
        return true;
    default:
        return false;
    }
}

const char *vendorCommandName(std::uint8_t command)
{
    switch (command) {
    case VendorCommand::OutVolume:
        return "setOutVolume";
    case VendorCommand::MicVolume:
        return "setMicVolume";
    case VendorCommand::Mic20dB:
        return "setMic20dB";
    case VendorCommand::Mic48V:
        return "setMic48V";
    case VendorCommand::OtgOff:
        return "setOtgOff";
    case VendorCommand::OtgOn:
        return "setOtgOn";
    case VendorCommand::UpgradeFirmware:
        return "upgradeFirmware";
    case VendorCommand::MicInstrument:
        return "setMicInstrument";
    case VendorCommand::FirmwareVersion:
        return "getFirmwareVersion";
    case VendorCommand::CloseFeedback:
        return "setCloseFeedback";
    default:
        return nullptr;
    }
}

// Decoded input fields for the journal.
void describeInput(const Request &request, Reply &reply)
{
    const std::uint8_t *in = request.input;
    const std::size_t size = request.inputSize;
    auto add = [&reply](const char *name, std::string value) {
        reply.fields.emplace_back(name, std::move(value));
    };
    switch (request.code) {
    case controlcode::SetSampleRate:
    case controlcode::SetBufferSize:
    case controlcode::SetUsbLatency:
        if (size == 4)
            add("value", std::to_string(static_cast<std::int32_t>(getLe32(in))));
        break;
    case controlcode::SetWdmChannelCount:
        if (size == 4)
            add("value", std::to_string(getLe32(in)));
        break;
    case controlcode::SetValue16:
        if (size == 2)
            add("value", std::to_string(in[0] | in[1] << 8));
        break;
    case controlcode::SetFlag8:
        if (size == 1)
            add("value", std::to_string(in[0]));
        break;
    case controlcode::WriteMixerBlock:
        if (size == MixerBlock::kBytes) {
            std::string entries = "{";
            for (std::size_t i = 0; i < MixerBlock::kDoubles; ++i) {
                double gain;
                std::memcpy(&gain, in + i * sizeof gain, sizeof gain);
                if (gain != 0.0)
                    entries += "\"" + std::to_string(i) + "\":" + JsonText::number(gain) + ",";
            }
            if (entries.size() > 1)
                entries.pop_back();
            add("entries", entries + "}");
        }
        break;
    case controlcode::SendVendorCommand:
    case controlcode::TransferVendorCommand:
        if (size >= 2)
            add("cmd", std::to_string(in[1]));
        if (size >= 5) {
            add("channel", std::to_string(in[4]));
            add("state", std::to_string(in[3]));
        }
        if (size >= 7)
            add("level", std::to_string(in[5] | in[6] << 8));
        if (size <= kMaxJournalledFrame)
            add("frame", "\"" + JsonText::hex(in, size) + "\"");
        break;
    default:
        break;
    }
}

void finish(const Request &request, Reply &reply)
{
    if (reply.status != winerror::Success)
        reply.output.clear();
    if (!request.describe)
        return;
    if (!reply.vendorOp.empty())
        reply.fields.emplace_back("vendor_op", JsonText::string(reply.vendorOp));
    describeInput(request, reply);
    if (isReadCode(request.code))
        reply.fields.emplace_back("out_len", std::to_string(reply.output.size()));
}

Reply start(const Request &request)
{
    Reply reply;
    reply.op = RequestHandler::operationName(request.code);
    reply.vendorOp = RequestHandler::vendorOperation(request.code, request.input, request.inputSize);
    return reply;
}

void applyVendorFrame(EngineState &state, const std::uint8_t *frame)
{
    const std::uint8_t command = frame[1];
    const std::uint8_t onOff = frame[3];
    const unsigned channel = frame[4];
    const auto level = static_cast<std::uint16_t>(frame[5] | frame[6] << 8);
    switch (command) {
    case VendorCommand::MicVolume:
        state.inputs[channel].micVolume = level;
        break;
    case VendorCommand::OutVolume:
        state.outputs[channel] = level;
        break;
    case VendorCommand::Mic48V:
        state.inputs[channel].phantom = onOff != 0;
        break;
    case VendorCommand::Mic20dB:
        state.inputs[channel].pad = onOff != 0;
        break;
    case VendorCommand::MicInstrument:
        state.inputs[channel].instrument = onOff != 0;
        break;
    case VendorCommand::OtgOn:
        state.otg = true;
        break;
    case VendorCommand::OtgOff:
        state.otg = false;
        break;
    case VendorCommand::UpgradeFirmware:
        ++state.firmwareUpgrades;
        break;
    case VendorCommand::CloseFeedback:
        ++state.closeFeedbacks;
        break;
    default:
        break; // accepted: a newer panel may know commands this driver does not
    }
}

class Decider
{
public:
    Decider(EngineState &state, const Request &request, Reply &reply)
        : state(state), request(request), reply(reply)
    {
    }

    void run();

private:
    bool fail(std::uint32_t status)
    {
        reply.status = status;
        return false;
    }
    bool inputIs(std::size_t size) { return request.inputSize == size || fail(winerror::InvalidParameter); }
    bool roomFor(std::size_t size)
    {
        return request.outCapacity >= size || fail(winerror::InsufficientBuffer);
    }
    bool stopped() { return !state.running || fail(winerror::Busy); }
    bool accepted(bool ok) { return ok || fail(winerror::InvalidParameter); }
    std::int32_t signedInput() const { return static_cast<std::int32_t>(getLe32(request.input)); }

    void answer32(std::uint32_t value)
    {
        if (!roomFor(4))
            return;
        reply.output.resize(4);
        putLe32(reply.output.data(), value);
    }
    template <typename Check> bool setting(Check isSupported, std::uint32_t &target, bool isSigned = true)
    {
        if (!inputIs(4))
            return false;
        const std::int64_t value =
            isSigned ? std::int64_t(signedInput()) : std::int64_t(getLe32(request.input));
        if (!accepted(isSupported(value)) || !stopped())
            return false;
        target = static_cast<std::uint32_t>(value);
        return true;
    }
    void vendorFrame();
    void transfer();

    EngineState &state;
    const Request &request;
    Reply &reply;
};

void Decider::vendorFrame()
{
    if (!inputIs(VendorCommand::kSize) || !accepted(request.input[0] == 0x01))
        return;
    applyVendorFrame(state, request.input);
}

void Decider::transfer()
{
    if (!inputIs(VendorCommand::kSize) || !accepted(request.input[0] == 0x01) || !roomFor(kFirmwareResponse))
        return;
    reply.output.assign(kFirmwareResponse, 0);
    if (request.input[1] == VendorCommand::FirmwareVersion) {
        std::memcpy(reply.output.data(), state.firmware.data(),
                    std::min(state.firmware.size(), kFirmwareBytes));
        if (state.shortFirmware)
            reply.output.resize(kShortFirmwareResponse);
    } else {
        applyVendorFrame(state, request.input);
    }
}

void Decider::run()
{
    switch (request.code) {
    case controlcode::GetSampleRate:
        answer32(state.sampleRate);
        break;
    case controlcode::GetBufferSize:
        answer32(state.bufferSize);
        break;
    case controlcode::GetUsbLatency:
        answer32(state.usbLatency);
        break;
    case controlcode::GetDevicePid:
        answer32(state.productId);
        break;
    case controlcode::GetValue32:
        answer32(state.value32);
        break;
    case controlcode::SetSampleRate:
        setting(EngineState::isSupportedRate, state.sampleRate);
        break;
    case controlcode::SetBufferSize:
        setting(EngineState::isSupportedBufferSize, state.bufferSize);
        break;
    case controlcode::SetUsbLatency:
        setting(EngineState::isSupportedLatency, state.usbLatency);
        break;
    case controlcode::SetWdmChannelCount:
        setting(EngineState::isSupportedWdmChannelCount, state.wdmChannels, false);
        break;
    case controlcode::EnableSlowMode:
    case controlcode::DisableSlowMode:
        if (stopped())
            state.slowMode = request.code == controlcode::EnableSlowMode;
        break;
    case controlcode::StopAudio:
        state.running = false;
        break;
    case controlcode::InitAudio:
    case controlcode::RestartAudio:
        state.running = true;
        break;
    case controlcode::WriteMixerBlock:
        if (inputIs(MixerBlock::kBytes)) {
            std::memcpy(state.mixer.gains.data(), request.input, MixerBlock::kBytes);
            state.mixerReceived = true;
        }
        break;
    case controlcode::ReadMeterData:
        if (roomFor(MeterBlock::kBytes)) {
            const MeterBlock block = MeterSignal::read(state, request.elapsedMs);
            reply.output.resize(MeterBlock::kBytes);
            for (std::size_t i = 0; i < MeterBlock::kWords; ++i)
                putLe32(reply.output.data() + 4 * i, static_cast<std::uint32_t>(block.words[i]));
        }
        break;
    case controlcode::SendVendorCommand:
        vendorFrame();
        break;
    case controlcode::TransferVendorCommand:
        transfer();
        break;
    case controlcode::SetValue16:
        if (inputIs(2))
            state.value16 = static_cast<std::uint16_t>(request.input[0] | request.input[1] << 8);
        break;
    case controlcode::GetValue16:
        if (roomFor(2))
            reply.output = {static_cast<std::uint8_t>(state.value16),
                            static_cast<std::uint8_t>(state.value16 >> 8)};
        break;
    case controlcode::SetFlag8:
        if (inputIs(1))
            state.flag8 = request.input[0];
        break;
    case controlcode::GetFlag8:
        if (roomFor(1))
            reply.output = {state.flag8};
        break;
    default:
        fail(winerror::InvalidFunction);
        break;
    }
}

} // namespace

std::string RequestHandler::operationName(std::uint32_t code)
{
    const char *name = controlcode::nameOf(code);
    return name ? name : "unknown";
}

std::string RequestHandler::vendorOperation(std::uint32_t code, const std::uint8_t *input, std::size_t size)
{
    if (!isVendorCode(code) || size < 2)
        return {};
    const char *name = vendorCommandName(input[1]);
    return name ? name : std::string();
}

Reply RequestHandler::handle(EngineState &state, const Request &request)
{
    Reply reply = start(request);
    Decider(state, request, reply).run();
    finish(request, reply);
    return reply;
}

Reply RequestHandler::refuse(const Request &request, std::uint32_t status)
{
    Reply reply = start(request);
    reply.status = status;
    finish(request, reply);
    return reply;
}
