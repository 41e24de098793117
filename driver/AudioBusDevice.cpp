// SPDX-License-Identifier: MIT
#include "driver/AudioBusDevice.h"

#include "driver/ControlCodes.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>

namespace {

constexpr double kFullScale = 2147483647.0;
constexpr double kMaxGain = 1.9952623149688795; // 10^(6/20)
constexpr std::size_t kFirmwareBytes = 10;
constexpr std::uint32_t kFirmwareResponseBytes = 32;

template <typename T> bool readValue(zelvoro::platform::IoResult result, const T &received, T &out)
{
    if (!result.ok)
        return false;
    out = received;
    return true;
}

} // namespace

const std::vector<std::wstring> &AudioBusDevice::deviceNames()
{
    static const std::vector<std::wstring> names = [] {
        std::vector<std::wstring> list;
        for (int i = 0; i < 16; ++i)
            list.push_back(L"\\\\.\\ZelvoroAudioBus" + std::to_wstring(i));
        return list;
    }();
    return names;
}

AudioBusDevice::~AudioBusDevice()
{
    zelvoro::platform::closeHandle(handle);
}

bool AudioBusDevice::open()
{
    close();
    for (const std::wstring &name : deviceNames()) {
        std::uint32_t error = 0;
        const zelvoro::platform::NativeHandle h = zelvoro::platform::openControlDevice(name, error);
        if (h != zelvoro::platform::kInvalidHandle) {
            handle = h;
            std::wcout << L"Open device " << name << L" success!" << std::endl;
            return true;
        }
        std::wcout << L"Open device " << name << L" failed, error: " << error << std::endl;
    }
    return false;
}

void AudioBusDevice::close()
{
    zelvoro::platform::closeHandle(handle);
    handle = zelvoro::platform::kInvalidHandle;
}

zelvoro::platform::IoResult AudioBusDevice::request(std::uint32_t code, const void *in, std::uint32_t inSize, void *out,
                                           std::uint32_t outCapacity)
{
    if (handle == zelvoro::platform::kInvalidHandle)
        return {};
    return zelvoro::platform::deviceIoControl(handle, code, in, inSize, out, outCapacity);
}

std::uint32_t AudioBusDevice::getSampleRate()
{
    std::uint32_t rate = 0;
    return request(controlcode::GetSampleRate, nullptr, 0, &rate, sizeof rate).ok ? rate : 0;
}

bool AudioBusDevice::setSampleRate(std::int32_t rate)
{
    return request(controlcode::SetSampleRate, &rate, sizeof rate, nullptr, 0).ok;
}

bool AudioBusDevice::writeMixerBlock(const MixerBlock &block)
{
    return request(controlcode::WriteMixerBlock, block.data(), MixerBlock::kBytes, nullptr, 0).ok;
}

bool AudioBusDevice::setBufferSize(std::int32_t samples)
{
    return request(controlcode::SetBufferSize, &samples, sizeof samples, nullptr, 0).ok;
}

bool AudioBusDevice::getBufferSize(std::uint32_t &samples)
{
    std::uint32_t received = 0;
    if (!readValue(request(controlcode::GetBufferSize, nullptr, 0, &received, sizeof received), received, samples))
        return false;
    qDebug() << "Buffer size:" << samples;
    return true;
}

bool AudioBusDevice::getUsbLatency(std::uint32_t &frames)
{
    std::uint32_t received = 0;
    return readValue(request(controlcode::GetUsbLatency, nullptr, 0, &received, sizeof received), received, frames);
}

bool AudioBusDevice::setUsbLatency(std::int32_t frames)
{
    return request(controlcode::SetUsbLatency, &frames, sizeof frames, nullptr, 0).ok;
}

bool AudioBusDevice::readMeterData(MeterBlock &block)
{
    // Read into a scratch block so that a failed request leaves the caller's meters as they were.
    MeterBlock received;
    if (!request(controlcode::ReadMeterData, nullptr, 0, received.data(), MeterBlock::kBytes).ok)
        return false;
    block = received;
    return true;
}

bool AudioBusDevice::stopAudio()
{
    return request(controlcode::StopAudio, nullptr, 0, nullptr, 0).ok;
}

bool AudioBusDevice::initAudio()
{
    return request(controlcode::InitAudio, nullptr, 0, nullptr, 0).ok;
}

bool AudioBusDevice::restartAudio()
{
    return request(controlcode::RestartAudio, nullptr, 0, nullptr, 0).ok;
}

bool AudioBusDevice::getDevicePid(std::uint32_t &pid)
{
    std::uint32_t received = 0;
    return readValue(request(controlcode::GetDevicePid, nullptr, 0, &received, sizeof received), received, pid);
}

bool AudioBusDevice::setWdmChannelCount(std::uint32_t count)
{
    return request(controlcode::SetWdmChannelCount, &count, sizeof count, nullptr, 0).ok;
}

bool AudioBusDevice::enableSlowMode()
{
    return request(controlcode::EnableSlowMode, nullptr, 0, nullptr, 0).ok;
}

bool AudioBusDevice::disableSlowMode()
{
    return request(controlcode::DisableSlowMode, nullptr, 0, nullptr, 0).ok;
}

bool AudioBusDevice::sendVendorCommand(const std::uint8_t *bytes, std::uint32_t size)
{
    return request(controlcode::SendVendorCommand, bytes, size, nullptr, 0).ok;
}

bool AudioBusDevice::transferVendorCommand(const std::vector<std::uint8_t> &requestBytes,
                                           std::vector<std::uint8_t> &response)
{
    if (!isOpen())
        return false;
    response.resize(kFirmwareResponseBytes);
    return request(controlcode::TransferVendorCommand, requestBytes.data(),
                   static_cast<std::uint32_t>(requestBytes.size()), response.data(), kFirmwareResponseBytes)
        .ok;
}

std::uint32_t AudioBusDevice::getValue32()
{
    std::uint32_t value = 0;
    return request(controlcode::GetValue32, nullptr, 0, &value, sizeof value).ok ? value : 0;
}

bool AudioBusDevice::setValue16(std::uint32_t value)
{
    const auto low = static_cast<std::uint16_t>(value);
    return request(controlcode::SetValue16, &low, sizeof low, nullptr, 0).ok;
}

bool AudioBusDevice::getValue16(std::int16_t &value)
{
    std::int16_t received = 0;
    return readValue(request(controlcode::GetValue16, nullptr, 0, &received, sizeof received), received, value);
}

bool AudioBusDevice::setFlag8(std::uint32_t value)
{
    const auto low = static_cast<std::uint8_t>(value);
    return request(controlcode::SetFlag8, &low, sizeof low, nullptr, 0).ok;
}

bool AudioBusDevice::getFlag8(bool &flag)
{
    std::uint8_t received = 0;
    if (!request(controlcode::GetFlag8, nullptr, 0, &received, sizeof received).ok)
        return false;
    flag = received != 0;
    return true;
}

bool AudioBusDevice::sendFrame(const VendorCommand::Frame &frame, const char *guardPrefix, const char *unknownError)
{
    try {
        if (handle == zelvoro::platform::kInvalidHandle)
            return false;
        return request(controlcode::SendVendorCommand, frame.data(), VendorCommand::kSize, nullptr, 0).ok;
    } catch (const std::exception &e) {
        std::cerr << guardPrefix << e.what() << std::endl;
    } catch (...) {
        if (unknownError)
            std::cerr << unknownError << std::endl;
        else
            std::cerr << guardPrefix << "Unknown error" << std::endl;
    }
    return false;
}

bool AudioBusDevice::setMicVolume(std::uint32_t channel, std::uint32_t value)
{
    return sendFrame(VendorCommand::level(VendorCommand::MicVolume, channel, value), "Failed to set mic volume: ");
}

bool AudioBusDevice::setOutVolume(std::uint32_t channel, std::uint32_t value)
{
    return sendFrame(VendorCommand::level(VendorCommand::OutVolume, channel, value), "Failed to set out volume: ");
}

bool AudioBusDevice::setMicInstrument(std::uint32_t channel, std::uint32_t state)
{
    return sendFrame(VendorCommand::toggle(VendorCommand::MicInstrument, channel, state),
                     "Failed to switch mic instruction: ");
}

bool AudioBusDevice::setMic20dB(std::uint32_t channel, std::uint32_t state)
{
    return sendFrame(VendorCommand::toggle(VendorCommand::Mic20dB, channel, state), "Failed to set mic 20dB: ");
}

bool AudioBusDevice::setMic48V(std::uint32_t channel, std::uint32_t state)
{
    return sendFrame(VendorCommand::toggle(VendorCommand::Mic48V, channel, state), "Failed to set mic 48V: ");
}

bool AudioBusDevice::setOtgOn()
{
    return sendFrame(VendorCommand::plain(VendorCommand::OtgOn), "Failed to set OTG On: ");
}

bool AudioBusDevice::setOtgOff()
{
    return sendFrame(VendorCommand::plain(VendorCommand::OtgOff), "Failed to set OTG Off: ");
}

bool AudioBusDevice::setCloseFeedback()
{
    // Its unknown-error line spells "Feedback" with a capital F; tools that watch the log match on it.
    return sendFrame(VendorCommand::plain(VendorCommand::CloseFeedback), "Failed to set close feedback: ",
                     "Failed to set close Feedback: Unknown error");
}

bool AudioBusDevice::upgradeFirmware()
{
    return sendFrame(VendorCommand::plain(VendorCommand::UpgradeFirmware), "Failed to upgrade firmware: ");
}

bool AudioBusDevice::getFirmwareVersion(std::uint8_t *destination, std::size_t count)
{
    try {
        const auto frame = std::make_unique<VendorCommand::Frame>(VendorCommand::plain(VendorCommand::FirmwareVersion));
        if (handle == zelvoro::platform::kInvalidHandle) {
            std::cerr << "Failed to read firmware version from device." << std::endl;
            return false;
        }
        std::vector<std::uint8_t> response(kFirmwareResponseBytes, 0);
        const zelvoro::platform::IoResult result = request(controlcode::TransferVendorCommand, frame->data(),
                                                  VendorCommand::kSize, response.data(), kFirmwareResponseBytes);
        if (!result.ok) {
            std::cerr << "Failed to read firmware version from device." << std::endl;
            return false;
        }
        if (result.bytesReturned < kFirmwareBytes) {
            std::cerr << "Invalid firmware version response size." << std::endl;
            return false;
        }
        const std::size_t n = std::min(count, kFirmwareBytes);
        if (n > 0)
            std::memcpy(destination, response.data(), n);
        return true;
    } catch (const std::exception &e) {
        std::cerr << "Failed to get firmware version: " << e.what() << std::endl;
    } catch (...) {
        std::cerr << "Failed to get firmware version: Unknown error" << std::endl;
    }
    return false;
}

double AudioBusDevice::amplitudeToDb(std::int32_t amplitude)
{
    const double magnitude = std::fabs(static_cast<double>(amplitude));
    return 20.0 * std::log10(magnitude / kFullScale);
}

double AudioBusDevice::dbToGain(double db)
{
    if (db < -80.0)
        return 0.0;
    if (db > 6.0)
        return kMaxGain;
    const double gain = std::pow(10.0, db / 20.0);
    return db == -80.0 ? 0.0 : gain;
}

