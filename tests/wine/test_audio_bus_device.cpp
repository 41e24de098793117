// SPDX-License-Identifier: MIT
// AudioBusDevice, compiled for Windows, on the Win32 OS layer under Wine.
//
// With no driver, no control device exists. A stand-in for one is made by
// putting a file named like the device into the Wine prefix's device
// directory: CreateFileW then opens \\.\ZelvoroAudioBus3, while every control
// request on it is refused, as a driver that rejects a code would.
#include "WineCheck.h"

#include "DebugCapture.h"

#include "driver/AudioBusDevice.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using winecheck::StreamCapture;

const std::wstring kFailedLine = L"failed, error: 2";

std::wstring openLine(int index, const std::wstring &outcome)
{
    return L"Open device \\\\.\\ZelvoroAudioBus" + std::to_wstring(index) + L" " + outcome;
}

void deviceNames()
{
    const std::vector<std::wstring> &names = AudioBusDevice::deviceNames();
    CHECK_EQ(names.size(), std::size_t{16});
    if (names.size() != 16)
        return;
    CHECK_EQ(names.front(), std::wstring(L"\\\\.\\ZelvoroAudioBus0"));
    CHECK_EQ(names[9], std::wstring(L"\\\\.\\ZelvoroAudioBus9"));
    CHECK_EQ(names[10], std::wstring(L"\\\\.\\ZelvoroAudioBus10"));
    CHECK_EQ(names.back(), std::wstring(L"\\\\.\\ZelvoroAudioBus15"));
}

void openWithoutDriver()
{
    AudioBusDevice device;
    StreamCapture<wchar_t> out(std::wcout);
    CHECK(!device.open());
    CHECK(!device.isOpen());
    const auto lines = out.lines();
    CHECK_EQ(lines.size(), std::size_t{16});
    for (std::size_t i = 0; i < lines.size() && i < 16; ++i)
        CHECK_EQ(lines[i], openLine(static_cast<int>(i), kFailedLine));
}

// Every operation on an instance whose handle is invalid: nothing is sent,
// nothing is written to the out-parameters, and nothing is reported as done.
void checkRefusesEverything(AudioBusDevice &device)
{
    StreamCapture<char> err(std::cerr);
    DebugCapture debug;

    CHECK_EQ(device.getSampleRate(), std::uint32_t{0});
    CHECK(!device.setSampleRate(48000));
    MixerBlock mixer;
    CHECK(!device.writeMixerBlock(mixer));
    CHECK(!device.setBufferSize(256));
    std::uint32_t samples = 777;
    CHECK(!device.getBufferSize(samples));
    CHECK_EQ(samples, std::uint32_t{777});
    std::uint32_t frames = 777;
    CHECK(!device.getUsbLatency(frames));
    CHECK_EQ(frames, std::uint32_t{777});
    CHECK(!device.setUsbLatency(16));
    MeterBlock meters;
    meters.words[0] = 11;
    meters.words[191] = -11;
    CHECK(!device.readMeterData(meters));
    CHECK_EQ(meters.words[0], std::int32_t{11});
    CHECK_EQ(meters.words[191], std::int32_t{-11});
    CHECK(!device.stopAudio());
    CHECK(!device.initAudio());
    CHECK(!device.restartAudio());
    std::uint32_t pid = 777;
    CHECK(!device.getDevicePid(pid));
    CHECK_EQ(pid, std::uint32_t{777});
    CHECK(!device.setWdmChannelCount(4));
    CHECK(!device.enableSlowMode());
    CHECK(!device.disableSlowMode());

    const std::uint8_t bytes[3] = {1, 2, 3};
    CHECK(!device.sendVendorCommand(bytes, sizeof bytes));
    std::vector<std::uint8_t> response(40, 0xEE);
    CHECK(!device.transferVendorCommand({0x01, 0x65}, response));
    CHECK_EQ(device.getValue32(), std::uint32_t{0});
    CHECK(!device.setValue16(0x12345));
    std::int16_t value16 = 77;
    CHECK(!device.getValue16(value16));
    CHECK_EQ(value16, std::int16_t{77});
    CHECK(!device.setFlag8(1));
    bool flag = true;
    CHECK(!device.getFlag8(flag));
    CHECK(flag);

    CHECK(!device.setMicVolume(1, 84));
    CHECK(!device.setOutVolume(1, 100));
    CHECK(!device.setMicInstrument(1, 1));
    CHECK(!device.setMic20dB(1, 1));
    CHECK(!device.setMic48V(2, 1));
    CHECK(!device.setOtgOn());
    CHECK(!device.setOtgOff());
    CHECK(!device.setCloseFeedback());
    CHECK(!device.upgradeFirmware());
    // No exception escaped into the guards, and no success was logged.
    CHECK_EQ(err.text(), std::string());
    CHECK_EQ(debug.text(), std::string());

    std::uint8_t version[10] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    CHECK(!device.getFirmwareVersion(version, sizeof version));
    CHECK_EQ(version[0], std::uint8_t{'x'});
    CHECK_EQ(version[9], std::uint8_t{'x'});
    CHECK_EQ(err.text(), std::string("Failed to read firmware version from device.\n"));
}

void closedInstance()
{
    AudioBusDevice never;
    CHECK(!never.isOpen());
    checkRefusesEverything(never);

    AudioBusDevice failed;
    {
        StreamCapture<wchar_t> out(std::wcout);
        CHECK(!failed.open());
    }
    checkRefusesEverything(failed);
}

void closeOnClosedInstance()
{
    AudioBusDevice device;
    device.close();
    device.close();
    CHECK(!device.isOpen());
    checkRefusesEverything(device);
    // Destroying a closed instance is just as quiet.
    StreamCapture<char> err(std::cerr);
    StreamCapture<wchar_t> out(std::wcout);
    {
        AudioBusDevice other;
    }
    CHECK_EQ(err.text(), std::string());
    CHECK_EQ(out.text(), std::wstring());
}

// The Wine prefix's device directory, as a Windows path; empty outside Wine.
std::wstring wineDeviceDirectory()
{
    const char *prefix = std::getenv("WINEPREFIX");
    if (!prefix || prefix[0] != '/')
        return {};
    std::wstring path = L"Z:";
    for (const char *p = prefix; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path + L"\\dosdevices";
}

class FakeDevice
{
public:
    explicit FakeDevice(const std::wstring &path) : path(path)
    {
        DeleteFileW(path.c_str()); // left over by an aborted run
        const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        created = h != INVALID_HANDLE_VALUE;
        if (created)
            CloseHandle(h);
    }
    ~FakeDevice() { DeleteFileW(path.c_str()); }
    FakeDevice(const FakeDevice &) = delete;
    FakeDevice &operator=(const FakeDevice &) = delete;

    // Deleting fails while any handle on it is open (none asks for delete sharing).
    bool remove() { return DeleteFileW(path.c_str()) != FALSE; }

    const std::wstring path;
    bool created = false;
};

void onlyTheFourthNameOpens()
{
    const std::wstring dir = wineDeviceDirectory();
    if (dir.empty()) {
        std::cout << "SKIP   onlyTheFourthNameOpens: not running in a Wine prefix" << std::endl;
        return;
    }
    FakeDevice fake(dir + L"\\zelvoroaudiobus3");
    if (!CHECK(fake.created))
        return;

    {
        AudioBusDevice device;
        StreamCapture<wchar_t> out(std::wcout);
        CHECK(device.open());
        CHECK(device.isOpen());
        const auto lines = out.lines();
        CHECK_EQ(lines.size(), std::size_t{4}); // names 4 to 15 are not tried
        if (lines.size() == 4) {
            CHECK_EQ(lines[0], openLine(0, kFailedLine));
            CHECK_EQ(lines[1], openLine(1, kFailedLine));
            CHECK_EQ(lines[2], openLine(2, kFailedLine));
            CHECK_EQ(lines[3], openLine(3, L"success!"));
        }

        // Shared access: a second instance opens the same device meanwhile.
        AudioBusDevice second;
        CHECK(second.open());
        CHECK(second.isOpen());
        CHECK(!fake.remove());

        // The stand-in refuses every code, and the operations say so.
        StreamCapture<char> err(std::cerr);
        DebugCapture debug;
        std::uint32_t pid = 777;
        CHECK(!device.getDevicePid(pid));
        CHECK_EQ(pid, std::uint32_t{777});
        CHECK_EQ(device.getSampleRate(), std::uint32_t{0});
        std::uint32_t samples = 777;
        CHECK(!device.getBufferSize(samples)); // and logs no "Buffer size:"
        CHECK_EQ(samples, std::uint32_t{777});
        MeterBlock meters;
        meters.words[3] = 5;
        CHECK(!device.readMeterData(meters));
        CHECK_EQ(meters.words[3], std::int32_t{5});
        CHECK(!device.writeMixerBlock(MixerBlock{}));
        CHECK(!device.stopAudio());
        CHECK(!device.setMic48V(2, 1));
        CHECK(!device.setMicVolume(1, 84));
        CHECK(!device.upgradeFirmware());
        CHECK_EQ(err.text(), std::string());
        CHECK_EQ(debug.text(), std::string());
        std::uint8_t version[10] = {};
        CHECK(!device.getFirmwareVersion(version, sizeof version));
        CHECK_EQ(err.text(), std::string("Failed to read firmware version from device.\n"));

        // Opening an open instance again must not leak the first handle.
        {
            StreamCapture<wchar_t> again(std::wcout);
            CHECK(device.open());
        }
        device.close();
        CHECK(!device.isOpen());
        CHECK(!device.getDevicePid(pid));
        CHECK(!fake.remove()); // the second instance still holds it
    }                          // the second instance is destroyed here, closing its handle

    CHECK(fake.remove());
}

} // namespace

int main()
{
    RUN(deviceNames);
    RUN(openWithoutDriver);
    RUN(closedInstance);
    RUN(closeOnClosedInstance);
    RUN(onlyTheFourthNameOpens);
    return winecheck::finish();
}
