// SPDX-License-Identifier: MIT
// AudioBusDevice against a kernel-mode driver: the test bus driver
// (testbus/ZelvoroTestBus.c) is started as a Wine kernel service and serves
// \\.\ZelvoroAudioBus2, so every request takes the real path through
// CreateFileW, DeviceIoControl and a buffered transfer. The driver remembers
// the last request; the tests compare it with what the protocol prescribes.
#include "WineCheck.h"

#include "DebugCapture.h"

#include "driver/AudioBusDevice.h"
#include "driver/ControlCodes.h"
#include "testbus/TestBusProtocol.h"
#include "testbus/TestBusService.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using winecheck::StreamCapture;

// The driver as a demand-start kernel service, for the life of the object.
class TestBus
{
public:
    TestBus()
    {
        manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (!manager)
            return;
        service = testbus::createService(manager);
        running = service && StartServiceW(service, 0, nullptr);
        if (!running)
            std::cout << "test bus driver did not start, error " << GetLastError() << std::endl;
        control = CreateFileW(L"\\\\.\\ZelvoroAudioBus2", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    ~TestBus()
    {
        if (control != INVALID_HANDLE_VALUE)
            CloseHandle(control);
        if (service) {
            SERVICE_STATUS status;
            ControlService(service, SERVICE_CONTROL_STOP, &status);
            DeleteService(service);
            CloseServiceHandle(service);
        }
        if (manager)
            CloseServiceHandle(manager);
    }
    TestBus(const TestBus &) = delete;
    TestBus &operator=(const TestBus &) = delete;

    bool ready() const { return running && control != INVALID_HANDLE_VALUE; }

    // Resets the driver's model: engine defaults, product id, firmware answer.
    bool setup(unsigned productId = 2, std::uint32_t refusedCode = 0, const char *firmware = "1.0.3",
               unsigned firmwareLength = TESTBUS_FIRMWARE_BYTES)
    {
        TestBusSetup s{};
        s.productId = productId;
        s.refusedCode = refusedCode;
        s.firmwareLength = firmwareLength;
        std::memcpy(s.firmware, firmware, std::min(std::strlen(firmware), sizeof s.firmware));
        DWORD returned = 0;
        return DeviceIoControl(control, TESTBUS_SETUP, &s, sizeof s, nullptr, 0, &returned, nullptr);
    }

    struct Request
    {
        std::uint32_t count = 0;
        std::uint32_t code = 0;
        std::uint32_t outputLength = 0;
        std::vector<std::uint8_t> input;
    };

    Request last()
    {
        std::vector<std::uint8_t> buffer(sizeof(TestBusRecord) + TESTBUS_MAX_INPUT);
        DWORD returned = 0;
        Request request;
        if (!DeviceIoControl(control, TESTBUS_LAST_REQUEST, nullptr, 0, buffer.data(),
                             static_cast<DWORD>(buffer.size()), &returned, nullptr) ||
            returned < sizeof(TestBusRecord))
            return request;
        TestBusRecord record;
        std::memcpy(&record, buffer.data(), sizeof record);
        request.count = record.requests;
        request.code = record.code;
        request.outputLength = record.outputLength;
        request.input.assign(buffer.begin() + sizeof record, buffer.begin() + returned);
        return request;
    }

private:
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    bool running = false;
    HANDLE control = INVALID_HANDLE_VALUE;
};

TestBus *bus = nullptr;

std::vector<std::uint8_t> bytes(std::initializer_list<std::uint8_t> head, std::size_t size)
{
    std::vector<std::uint8_t> v(head);
    v.resize(size, 0);
    return v;
}

std::string hex(const std::vector<std::uint8_t> &v)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : v) {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

// Checks that the last request the driver saw had this code, input and output size.
void checkLast(int line, std::uint32_t code, const std::vector<std::uint8_t> &input,
               std::uint32_t outputLength)
{
    const int failedBefore = winecheck::counters().failed;
    const TestBus::Request r = bus->last();
    CHECK_EQ(r.code, code);
    CHECK_EQ(hex(r.input), hex(input));
    CHECK_EQ(r.outputLength, outputLength);
    if (winecheck::counters().failed != failedBefore)
        std::cout << "    (last request checked at line " << line << ")" << std::endl;
}
#define CHECK_LAST(...) checkLast(__LINE__, __VA_ARGS__)

void openFindsTheDriver()
{
    AudioBusDevice device;
    StreamCapture<wchar_t> out(std::wcout);
    CHECK(device.open());
    CHECK(device.isOpen());
    const auto lines = out.lines();
    CHECK_EQ(lines.size(), std::size_t{3});
    if (lines.size() == 3) {
        CHECK_EQ(lines[0], std::wstring(L"Open device \\\\.\\ZelvoroAudioBus0 failed, error: 2"));
        CHECK_EQ(lines[1], std::wstring(L"Open device \\\\.\\ZelvoroAudioBus1 failed, error: 2"));
        CHECK_EQ(lines[2], std::wstring(L"Open device \\\\.\\ZelvoroAudioBus2 success!"));
    }
}

void openQuietly(AudioBusDevice &device)
{
    StreamCapture<wchar_t> out(std::wcout);
    device.open();
}

void engineRequests()
{
    CHECK(bus->setup(15));
    AudioBusDevice device;
    openQuietly(device);
    StreamCapture<char> err(std::cerr);
    DebugCapture debug;

    std::uint32_t pid = 0;
    CHECK(device.getDevicePid(pid));
    CHECK_EQ(pid, std::uint32_t{15});
    CHECK_LAST(controlcode::GetDevicePid, {}, 4);

    CHECK_EQ(device.getSampleRate(), std::uint32_t{44100});
    CHECK_LAST(controlcode::GetSampleRate, {}, 4);
    CHECK(device.setSampleRate(48000));
    CHECK_LAST(controlcode::SetSampleRate, {0x80, 0xBB, 0x00, 0x00}, 0);
    CHECK_EQ(device.getSampleRate(), std::uint32_t{48000});

    CHECK_EQ(err.text(), std::string());
    CHECK_EQ(debug.text(), std::string());
    std::uint32_t samples = 0;
    CHECK(device.getBufferSize(samples));
    CHECK_EQ(samples, std::uint32_t{256});
    CHECK(device.setBufferSize(1024));
    CHECK_LAST(controlcode::SetBufferSize, {0x00, 0x04, 0x00, 0x00}, 0);
    CHECK(device.getBufferSize(samples));
    CHECK_EQ(samples, std::uint32_t{1024});
    CHECK_LAST(controlcode::GetBufferSize, {}, 4);
    CHECK_EQ(debug.text(), std::string("Buffer size: 256\nBuffer size: 1024\n"));
    CHECK_EQ(err.text(), std::string());

    std::uint32_t frames = 0;
    CHECK(device.getUsbLatency(frames));
    CHECK_EQ(frames, std::uint32_t{16});
    CHECK(device.setUsbLatency(32));
    CHECK_LAST(controlcode::SetUsbLatency, {32, 0, 0, 0}, 0);
    CHECK(device.getUsbLatency(frames));
    CHECK_EQ(frames, std::uint32_t{32});

    CHECK(device.setWdmChannelCount(4));
    CHECK_LAST(controlcode::SetWdmChannelCount, {4, 0, 0, 0}, 0);

    const std::pair<bool (AudioBusDevice::*)(), std::uint32_t> plain[] = {
        {&AudioBusDevice::stopAudio, controlcode::StopAudio},
        {&AudioBusDevice::initAudio, controlcode::InitAudio},
        {&AudioBusDevice::restartAudio, controlcode::RestartAudio},
        {&AudioBusDevice::enableSlowMode, controlcode::EnableSlowMode},
        {&AudioBusDevice::disableSlowMode, controlcode::DisableSlowMode},
    };
    for (const auto &[operation, code] : plain) {
        CHECK((device.*operation)());
        CHECK_LAST(code, {}, 0);
    }
}

void meterAndMixerBlocks()
{
    CHECK(bus->setup());
    AudioBusDevice device;
    openQuietly(device);

    MeterBlock meters;
    CHECK(device.readMeterData(meters));
    CHECK_LAST(controlcode::ReadMeterData, {}, 768);
    CHECK_EQ(meters.words[0], std::int32_t{0});
    CHECK_EQ(meters.words[1], std::int32_t{-1000});
    CHECK_EQ(meters.words[2], std::int32_t{2000});
    CHECK_EQ(meters.words[191], std::int32_t{-191000});

    MixerBlock mixer;
    mixer.matrix(2, 0, 0) = 1.0;
    mixer.vector(0, 1) = AudioBusDevice::dbToGain(6.5);
    mixer.gains.back() = -0.5;
    CHECK(device.writeMixerBlock(mixer));
    const TestBus::Request r = bus->last();
    CHECK_EQ(r.code, controlcode::WriteMixerBlock);
    CHECK_EQ(r.input.size(), std::size_t{66304});
    CHECK_EQ(r.outputLength, std::uint32_t{0});
    if (r.input.size() == MixerBlock::kBytes) {
        CHECK(std::memcmp(r.input.data(), mixer.data(), MixerBlock::kBytes) == 0);
        double gain = 0;
        std::memcpy(&gain, r.input.data() + 8 * MixerBlock::vectorIndex(0, 1), sizeof gain);
        CHECK_EQ(gain, 1.9952623149688795);
    }
}

void vendorFrames()
{
    CHECK(bus->setup());
    AudioBusDevice device;
    openQuietly(device);
    StreamCapture<char> err(std::cerr);

    CHECK(device.setMic48V(2, 1));
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x5B, 0x00, 0x01, 0x02}, 37), 0);
    CHECK(device.setMicVolume(1, 84));
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x07, 0x00, 0x02, 0x01, 0x54, 0x00}, 37), 0);
    CHECK(device.setMicVolume(1, 65536 + 84)); // cut to 16 bits
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x07, 0x00, 0x02, 0x01, 0x54, 0x00}, 37), 0);
    CHECK(device.setOutVolume(6, 100));
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x03, 0x00, 0x02, 0x06, 0x64, 0x00}, 37), 0);
    CHECK(device.setMicInstrument(1, 1));
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x64, 0x00, 0x01, 0x01}, 37), 0);
    CHECK(device.setMic20dB(1, 0));
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x5A, 0x00, 0x00, 0x01}, 37), 0);
    CHECK(device.setOtgOn());
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x5F}, 37), 0);
    CHECK(device.setOtgOff());
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x5E}, 37), 0);
    CHECK(device.setCloseFeedback());
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x68}, 37), 0);
    CHECK(device.upgradeFirmware());
    CHECK_LAST(controlcode::SendVendorCommand, bytes({0x01, 0x60}, 37), 0);

    // Raw frames go out as given; this driver refuses anything but 37 bytes.
    const std::uint8_t raw[3] = {0x01, 0x5B, 0x00};
    CHECK(!device.sendVendorCommand(raw, sizeof raw));
    CHECK_LAST(controlcode::SendVendorCommand, {0x01, 0x5B, 0x00}, 0);
    CHECK_EQ(err.text(), std::string());
}

void refusedRequests()
{
    AudioBusDevice device;
    openQuietly(device);
    StreamCapture<char> err(std::cerr);
    DebugCapture debug;

    // The setters report what the driver answered.
    CHECK(bus->setup(2, controlcode::SendVendorCommand));
    CHECK(!device.setMic48V(2, 1));
    CHECK(!device.setMicVolume(1, 84));
    CHECK(!device.upgradeFirmware());
    CHECK_EQ(bus->last().count, std::uint32_t{3}); // each was sent once, none retried
    CHECK_EQ(err.text(), std::string());

    CHECK(bus->setup(2, controlcode::GetDevicePid));
    std::uint32_t pid = 777;
    CHECK(!device.getDevicePid(pid));
    CHECK_EQ(pid, std::uint32_t{777});

    CHECK(bus->setup(2, controlcode::GetBufferSize));
    std::uint32_t samples = 777;
    CHECK(!device.getBufferSize(samples));
    CHECK_EQ(samples, std::uint32_t{777});
    CHECK_EQ(err.text(), std::string());
    CHECK_EQ(debug.text(), std::string()); // no "Buffer size:" line

    CHECK(bus->setup(2, controlcode::ReadMeterData));
    MeterBlock meters;
    meters.words[1] = 42;
    CHECK(!device.readMeterData(meters));
    CHECK_EQ(meters.words[1], std::int32_t{42});

    CHECK(bus->setup(2, controlcode::GetSampleRate));
    CHECK_EQ(device.getSampleRate(), std::uint32_t{0});
    CHECK(bus->setup(2, controlcode::SetSampleRate));
    CHECK(!device.setSampleRate(48000));
    CHECK(bus->setup(2, controlcode::StopAudio));
    CHECK(!device.stopAudio());
    CHECK(device.initAudio());
}

void firmwareVersion()
{
    AudioBusDevice device;
    openQuietly(device);
    StreamCapture<char> err(std::cerr);

    CHECK(bus->setup(2, 0, "1.0.3"));
    std::uint8_t version[12];
    std::memset(version, '#', sizeof version);
    CHECK(device.getFirmwareVersion(version, 10));
    CHECK_LAST(controlcode::TransferVendorCommand, bytes({0x01, 0x65}, 37), 32);
    CHECK_EQ(std::string(reinterpret_cast<char *>(version), 12), std::string("1.0.3\0\0\0\0\0##", 12));

    CHECK(bus->setup(2, 0, "ABCDEFGHIJKLMNOP"));
    std::memset(version, '#', sizeof version);
    CHECK(device.getFirmwareVersion(version, 4));
    CHECK_EQ(std::string(reinterpret_cast<char *>(version), 12), std::string("ABCD########"));
    std::memset(version, '#', sizeof version);
    CHECK(device.getFirmwareVersion(version, 12)); // never more than ten
    CHECK_EQ(std::string(reinterpret_cast<char *>(version), 12), std::string("ABCDEFGHIJ##"));
    std::memset(version, '#', sizeof version);
    CHECK(device.getFirmwareVersion(version, 0));
    CHECK_EQ(std::string(reinterpret_cast<char *>(version), 12), std::string("############"));
    CHECK_EQ(err.text(), std::string());

    // Ten returned bytes are enough; nine are not.
    CHECK(bus->setup(2, 0, "ABCDEFGHIJKLMNOP", 10));
    CHECK(device.getFirmwareVersion(version, 10));
    CHECK(bus->setup(2, 0, "ABCDEFGHIJKLMNOP", 9));
    std::memset(version, '#', sizeof version);
    CHECK(!device.getFirmwareVersion(version, 10));
    CHECK_EQ(version[0], std::uint8_t{'#'});
    CHECK_EQ(err.text(), std::string("Invalid firmware version response size.\n"));

    err.clear();
    CHECK(bus->setup(2, controlcode::TransferVendorCommand));
    CHECK(!device.getFirmwareVersion(version, 10));
    CHECK_EQ(version[0], std::uint8_t{'#'});
    CHECK_EQ(err.text(), std::string("Failed to read firmware version from device.\n"));
}

void codesNoCallerUses()
{
    CHECK(bus->setup(2, 0, "XYZ"));
    AudioBusDevice device;
    openQuietly(device);

    CHECK_EQ(device.getValue32(), std::uint32_t{0x12345678});
    CHECK_LAST(controlcode::GetValue32, {}, 4);
    std::int16_t value16 = 0;
    CHECK(device.getValue16(value16));
    CHECK_EQ(value16, std::int16_t{-2});
    CHECK_LAST(controlcode::GetValue16, {}, 2);
    CHECK(device.setValue16(0x12345));
    CHECK_LAST(controlcode::SetValue16, {0x45, 0x23}, 0);
    CHECK(device.getValue16(value16));
    CHECK_EQ(value16, std::int16_t{0x2345});

    bool flag = true;
    CHECK(device.getFlag8(flag));
    CHECK(!flag);
    CHECK(device.setFlag8(0x102));
    CHECK_LAST(controlcode::SetFlag8, {0x02}, 0);
    CHECK(device.getFlag8(flag));
    CHECK(flag);
    CHECK_LAST(controlcode::GetFlag8, {}, 1);
    CHECK(device.setFlag8(0x100)); // low byte 0
    CHECK(device.getFlag8(flag));
    CHECK(!flag);

    // The response buffer is made exactly 32 bytes, whatever its size before.
    const std::vector<std::uint8_t> request = bytes({0x01, 0x65}, 37);
    for (std::size_t before : {std::size_t{0}, std::size_t{5}, std::size_t{40}}) {
        std::vector<std::uint8_t> response(before, 0xEE);
        CHECK(device.transferVendorCommand(request, response));
        CHECK_EQ(response.size(), std::size_t{32});
        if (response.size() == 32)
            CHECK_EQ(hex(response), hex(bytes({'X', 'Y', 'Z'}, 32)));
    }
    CHECK_LAST(controlcode::TransferVendorCommand, request, 32);
}

void instancesShareTheDevice()
{
    CHECK(bus->setup(1));
    AudioBusDevice panel;
    AudioBusDevice meter;
    openQuietly(panel);
    openQuietly(meter);
    CHECK(panel.isOpen());
    CHECK(meter.isOpen());
    std::uint32_t pid = 0;
    CHECK(panel.getDevicePid(pid));
    CHECK_EQ(pid, std::uint32_t{1});
    pid = 0;
    CHECK(meter.getDevicePid(pid));
    CHECK_EQ(pid, std::uint32_t{1});

    panel.close();
    CHECK(!panel.isOpen());
    const std::uint32_t before = bus->last().count;
    CHECK(!panel.getDevicePid(pid));
    CHECK(!panel.setMic48V(1, 1));
    CHECK_EQ(bus->last().count, before); // a closed instance sends nothing
    CHECK(meter.getDevicePid(pid));
}

} // namespace

int main()
{
    TestBus testBus;
    if (!CHECK(testBus.ready()))
        return winecheck::finish();
    bus = &testBus;
    RUN(openFindsTheDriver);
    RUN(engineRequests);
    RUN(meterAndMixerBlocks);
    RUN(vendorFrames);
    RUN(refusedRequests);
    RUN(firmwareVersion);
    RUN(codesNoCallerUses);
    RUN(instancesShareTheDevice);
    return winecheck::finish();
}
