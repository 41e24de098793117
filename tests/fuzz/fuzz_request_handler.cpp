// SPDX-License-Identifier: MIT
// The simulator's request decisions on arbitrary requests.
//
// Input: byte 0 flags (bit 0: the code is the table entry picked by byte 1;
// bit 1: no journal fields; bit 2: the input is zero-padded to a whole
// mixer block; bit 3: a KS1; bit 4: short firmware answer; bit 5: silent
// meters), bytes 1-4 the control code, 5-8 the output capacity, 9-12 the
// elapsed time in ms, then the input bytes. A short header reads as zeros.
//
// Each request goes to a fresh (running) engine and to a stopped one. The
// reply must be the one the driver's rules give (status, output bytes and
// size), the state must change exactly as the request says and no more, a
// refused request must leave the state alone, the journal fields must be
// valid JSON values under distinct names, and the console's status line
// must describe any state the requests leave.
#include "FuzzCheck.h"

#include "driver/ControlCodes.h"
#include "driver/MeterBlock.h"
#include "driver/MixerBlock.h"
#include "driver/VendorCommand.h"
#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "sim/EngineState.h"
#include "sim/RequestHandler.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace winerror = zelvoro::platform::winerror;
using zelvoro::platform::posix::getLe32;

namespace {

constexpr std::size_t kHeader = 13;
constexpr std::size_t kFirmwareResponse = 32;

// A minimal JSON value reader: strings, numbers and flat-or-nested objects,
// which is all the journal writes.
class JsonValue
{
public:
    static bool valid(const std::string &text)
    {
        JsonValue reader(text);
        return reader.value() && reader.at == text.size();
    }

private:
    explicit JsonValue(const std::string &text) : text(text) {}

    bool peek(char c) const { return at < text.size() && text[at] == c; }
    bool digit() const { return at < text.size() && text[at] >= '0' && text[at] <= '9'; }
    bool eat(char c) { return peek(c) && (++at, true); }
    bool digits()
    {
        if (!digit())
            return false;
        while (digit())
            ++at;
        return true;
    }

    bool value()
    {
        if (peek('"'))
            return string();
        if (peek('{'))
            return object();
        return number();
    }

    bool string()
    {
        if (!eat('"'))
            return false;
        while (at < text.size()) {
            const auto c = static_cast<unsigned char>(text[at++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false;
            if (c != '\\')
                continue;
            if (at >= text.size())
                return false;
            const char escaped = text[at++];
            if (escaped == 'u') {
                for (int i = 0; i < 4; ++i, ++at)
                    if (at >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[at])))
                        return false;
            } else if (std::string("\"\\/bfnrt").find(escaped) == std::string::npos) {
                return false;
            }
        }
        return false;
    }

    bool number()
    {
        eat('-');
        if (eat('0')) {
            if (digit())
                return false;
        } else if (!digits()) {
            return false;
        }
        if (eat('.') && !digits())
            return false;
        if (eat('e') || eat('E')) {
            if (!eat('+'))
                eat('-');
            return digits();
        }
        return true;
    }

    bool object()
    {
        if (!eat('{'))
            return false;
        if (eat('}'))
            return true;
        do {
            if (!string() || !eat(':') || !value())
                return false;
        } while (eat(','));
        return eat('}');
    }

    const std::string &text;
    std::size_t at = 0;
};

bool sameInputs(const std::map<unsigned, InputChannelState> &a, const std::map<unsigned, InputChannelState> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto &x, const auto &y) {
        return x.first == y.first && x.second.micVolume == y.second.micVolume &&
               x.second.phantom == y.second.phantom && x.second.pad == y.second.pad &&
               x.second.instrument == y.second.instrument;
    });
}

bool sameState(const EngineState &a, const EngineState &b)
{
    return a.productId == b.productId && a.firmware == b.firmware && a.silentMeters == b.silentMeters &&
           a.shortFirmware == b.shortFirmware && a.sampleRate == b.sampleRate && a.bufferSize == b.bufferSize &&
           a.usbLatency == b.usbLatency && a.wdmChannels == b.wdmChannels && a.slowMode == b.slowMode &&
           a.running == b.running && sameInputs(a.inputs, b.inputs) && a.outputs == b.outputs && a.otg == b.otg &&
           a.firmwareUpgrades == b.firmwareUpgrades && a.closeFeedbacks == b.closeFeedbacks &&
           std::memcmp(a.mixer.gains.data(), b.mixer.gains.data(), MixerBlock::kBytes) == 0 &&
           a.mixerReceived == b.mixerReceived && a.value32 == b.value32 && a.value16 == b.value16 &&
           a.flag8 == b.flag8;
}

// What a vendor frame does to the interface, by command number.
void applyFrame(EngineState &state, const std::uint8_t *frame)
{
    const unsigned channel = frame[4];
    const bool on = frame[3] != 0;
    const auto level = static_cast<std::uint16_t>(frame[5] | frame[6] << 8);
    switch (frame[1]) {
    case VendorCommand::OutVolume:
        state.outputs[channel] = level;
        break;
    case VendorCommand::MicVolume:
        state.inputs[channel].micVolume = level;
        break;
    case VendorCommand::Mic48V:
        state.inputs[channel].phantom = on;
        break;
    case VendorCommand::Mic20dB:
        state.inputs[channel].pad = on;
        break;
    case VendorCommand::MicInstrument:
        state.inputs[channel].instrument = on;
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
        break;
    }
}

std::vector<std::uint8_t> le32(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

struct Outcome
{
    std::uint32_t status = winerror::Success;
    EngineState state;
    bool checkOutput = true; // false: output checked separately (meters)
    std::vector<std::uint8_t> output;
};

// The driver's rules, written out independently of the handler.
Outcome expect(const EngineState &before, const Request &request)
{
    Outcome out{winerror::Success, before, true, {}};
    const std::uint8_t *in = request.input;
    const std::size_t size = request.inputSize;
    auto refuse = [&out, &before](std::uint32_t status) {
        out.status = status;
        out.state = before;
        out.output.clear();
    };
    auto read = [&](std::vector<std::uint8_t> bytes) {
        if (request.outCapacity < bytes.size())
            refuse(winerror::InsufficientBuffer);
        else
            out.output = std::move(bytes);
    };
    auto engineSetting = [&](bool (*supported)(std::int64_t), std::uint32_t &target, bool isSigned) {
        if (size != 4)
            return refuse(winerror::InvalidParameter);
        const std::uint32_t raw = getLe32(in);
        const std::int64_t value = isSigned ? std::int64_t(static_cast<std::int32_t>(raw)) : std::int64_t(raw);
        if (!supported(value))
            return refuse(winerror::InvalidParameter);
        if (before.running)
            return refuse(winerror::Busy);
        target = raw;
    };
    EngineState &after = out.state;
    const std::uint32_t code = request.code;
    using namespace controlcode;
    if (code == GetSampleRate) {
        read(le32(before.sampleRate));
    } else if (code == GetBufferSize) {
        read(le32(before.bufferSize));
    } else if (code == GetUsbLatency) {
        read(le32(before.usbLatency));
    } else if (code == GetDevicePid) {
        read(le32(before.productId));
    } else if (code == GetValue32) {
        read(le32(before.value32));
    } else if (code == SetSampleRate) {
        engineSetting(EngineState::isSupportedRate, after.sampleRate, true);
    } else if (code == SetBufferSize) {
        engineSetting(EngineState::isSupportedBufferSize, after.bufferSize, true);
    } else if (code == SetUsbLatency) {
        engineSetting(EngineState::isSupportedLatency, after.usbLatency, true);
    } else if (code == SetWdmChannelCount) {
        engineSetting(EngineState::isSupportedWdmChannelCount, after.wdmChannels, false);
    } else if (code == EnableSlowMode || code == DisableSlowMode) {
        if (before.running)
            refuse(winerror::Busy);
        else
            after.slowMode = code == EnableSlowMode;
    } else if (code == StopAudio) {
        after.running = false;
    } else if (code == InitAudio || code == RestartAudio) {
        after.running = true;
    } else if (code == WriteMixerBlock) {
        if (size != MixerBlock::kBytes) {
            refuse(winerror::InvalidParameter);
            return out;
        }
        std::memcpy(after.mixer.gains.data(), in, MixerBlock::kBytes);
        after.mixerReceived = true;
    } else if (code == ReadMeterData) {
        if (request.outCapacity < MeterBlock::kBytes)
            refuse(winerror::InsufficientBuffer);
        else
            out.checkOutput = false;
    } else if (code == SendVendorCommand) {
        if (size != VendorCommand::kSize || in[0] != 0x01)
            {
            refuse(winerror::InvalidParameter);
            return out;
        }
        applyFrame(after, in);
    } else if (code == TransferVendorCommand) {
        if (size != VendorCommand::kSize || in[0] != 0x01)
            {
            refuse(winerror::InvalidParameter);
            return out;
        }
        std::vector<std::uint8_t> answer(kFirmwareResponse, 0);
        if (in[1] == VendorCommand::FirmwareVersion) {
            std::copy_n(before.firmware.begin(), std::min<std::size_t>(before.firmware.size(), 10), answer.begin());
            if (before.shortFirmware)
                answer.resize(8);
        }
        // The capacity is checked against the full response, even when the short firmware answer follows.
        if (request.outCapacity < kFirmwareResponse)
            {
            refuse(winerror::InsufficientBuffer);
            return out;
        }
        out.output = answer;
        if (in[1] != VendorCommand::FirmwareVersion)
            applyFrame(after, in);
    } else if (code == SetValue16) {
        if (size != 2)
            {
            refuse(winerror::InvalidParameter);
            return out;
        }
        after.value16 = static_cast<std::uint16_t>(in[0] | in[1] << 8);
    } else if (code == GetValue16) {
        read({static_cast<std::uint8_t>(before.value16), static_cast<std::uint8_t>(before.value16 >> 8)});
    } else if (code == SetFlag8) {
        if (size != 1)
            {
            refuse(winerror::InvalidParameter);
            return out;
        }
        after.flag8 = in[0];
    } else if (code == GetFlag8) {
        read({before.flag8});
    } else {
        refuse(winerror::InvalidFunction);
    }
    return out;
}

void checkMeters(const EngineState &state, const std::vector<std::uint8_t> &output)
{
    FUZZ_CHECK(output.size() == MeterBlock::kBytes);
    for (std::size_t i = 0; i < MeterBlock::kWords; ++i) {
        const auto word = static_cast<std::int32_t>(getLe32(output.data() + 4 * i));
        FUZZ_CHECK(word >= 0);
        if (i >= 4 || state.silentMeters || (i == 1 && !state.hasSecondInput()))
            FUZZ_CHECK(word == 0);
    }
}

void checkFields(const Request &request, const Reply &reply)
{
    if (!request.describe) {
        FUZZ_CHECK(reply.fields.empty());
        return;
    }
    std::set<std::string> names;
    for (const auto &[name, value] : reply.fields) {
        FUZZ_CHECK(!name.empty());
        FUZZ_CHECK(names.insert(name).second);
        FUZZ_CHECK(JsonValue::valid(value));
    }
}

void checkNames(const Request &request, const Reply &reply)
{
    const char *name = controlcode::nameOf(request.code);
    FUZZ_CHECK(reply.op == (name ? name : "unknown"));
    const bool vendor =
        request.code == controlcode::SendVendorCommand || request.code == controlcode::TransferVendorCommand;
    if (!vendor || request.inputSize < 2)
        FUZZ_CHECK(reply.vendorOp.empty());
}

Reply run(EngineState &state, const Request &request)
{
    const EngineState before = state;
    const Outcome expected = expect(before, request);
    const Reply reply = RequestHandler::handle(state, request);

    FUZZ_CHECK(reply.status == expected.status);
    FUZZ_CHECK(reply.output.size() <= request.outCapacity);
    if (reply.status != winerror::Success)
        FUZZ_CHECK(reply.output.empty());
    if (expected.checkOutput)
        FUZZ_CHECK(reply.output == expected.output);
    else
        checkMeters(before, reply.output);
    FUZZ_CHECK(sameState(state, expected.state));
    // The console's status line decodes whatever the mixer block now holds.
    const std::string summary = state.summary();
    FUZZ_CHECK(summary.rfind(state.running ? "engine running " : "engine stopped ", 0) == 0);
    checkNames(request, reply);
    checkFields(request, reply);

    // Fault injection's answer: decoded alike, with no output.
    const Reply refused = RequestHandler::refuse(request, winerror::GenFailure);
    FUZZ_CHECK(refused.status == winerror::GenFailure);
    FUZZ_CHECK(refused.output.empty());
    FUZZ_CHECK(refused.op == reply.op && refused.vendorOp == reply.vendorOp);
    checkFields(request, refused);
    return reply;
}

bool dependsOnEngineState(std::uint32_t code)
{
    using namespace controlcode;
    return code == SetSampleRate || code == SetBufferSize || code == SetUsbLatency || code == SetWdmChannelCount ||
           code == EnableSlowMode || code == DisableSlowMode;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::uint8_t header[kHeader] = {};
    std::copy_n(data, std::min(size, kHeader), header);
    const std::uint8_t flags = header[0];

    std::vector<std::uint8_t> input(data + std::min(size, kHeader), data + size);
    if (flags & 4)
        input.resize(MixerBlock::kBytes);

    Request request;
    request.code = (flags & 1) ? controlcode::kAll[header[1] % std::size(controlcode::kAll)].code : getLe32(header + 1);
    request.outCapacity = getLe32(header + 5);
    request.elapsedMs = getLe32(header + 9) % 100000000u;
    request.describe = !(flags & 2);
    // An exactly sized copy keeps reads past the input visible to ASan.
    std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[input.size()]);
    std::copy(input.begin(), input.end(), exact.get());
    request.input = exact.get(); // never null, as a socket request without input bytes
    request.inputSize = input.size();

    EngineState identity;
    identity.productId = (flags & 8) ? 1 : 2;
    identity.shortFirmware = (flags & 16) != 0;
    identity.silentMeters = (flags & 32) != 0;

    EngineState fresh = identity;
    EngineState stopped = identity;
    stopped.running = false;
    const Reply onFresh = run(fresh, request);
    const Reply onStopped = run(stopped, request);
    if (!dependsOnEngineState(request.code)) {
        FUZZ_CHECK(onFresh.status == onStopped.status);
        FUZZ_CHECK(onFresh.output == onStopped.output);
        FUZZ_CHECK(onFresh.fields == onStopped.fields);
    }
    return 0;
}
