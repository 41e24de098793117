// SPDX-License-Identifier: MIT
#pragma once

#include "driver/MeterBlock.h"
#include "driver/MixerBlock.h"
#include "driver/VendorCommand.h"
#include "platform/DeviceIo.h"

#include <cstdint>
#include <string>
#include <vector>

// Owner of one handle on the driver's control device. Every operation is one
// synchronous control request; nothing is retried and nothing is cached.
class AudioBusDevice
{
public:
    AudioBusDevice() = default;
    ~AudioBusDevice();
    AudioBusDevice(const AudioBusDevice &) = delete;
    AudioBusDevice &operator=(const AudioBusDevice &) = delete;

    // \\.\ZelvoroAudioBus0 .. \\.\ZelvoroAudioBus15, in the order open() tries them.
    static const std::vector<std::wstring> &deviceNames();

    bool open();
    void close();
    bool isOpen() const { return handle != zelvoro::platform::kInvalidHandle; }

    std::uint32_t getSampleRate();
    bool setSampleRate(std::int32_t rate);
    bool writeMixerBlock(const MixerBlock &block);
    bool setBufferSize(std::int32_t samples);
    bool getBufferSize(std::uint32_t &samples);
    bool getUsbLatency(std::uint32_t &frames);
    bool setUsbLatency(std::int32_t frames);
    bool readMeterData(MeterBlock &block);
    bool stopAudio();
    bool initAudio();
    bool restartAudio();
    bool getDevicePid(std::uint32_t &pid);
    bool setWdmChannelCount(std::uint32_t count);
    bool enableSlowMode();
    bool disableSlowMode();

    bool sendVendorCommand(const std::uint8_t *bytes, std::uint32_t size);
    bool transferVendorCommand(const std::vector<std::uint8_t> &request, std::vector<std::uint8_t> &response);
    std::uint32_t getValue32();
    bool setValue16(std::uint32_t value);
    bool getValue16(std::int16_t &value);
    bool setFlag8(std::uint32_t value);
    bool getFlag8(bool &flag);

    // Vendor command frames. They report the driver's answer: true only when
    // the request was sent and the driver accepted it.
    bool setMicVolume(std::uint32_t channel, std::uint32_t value);
    bool setOutVolume(std::uint32_t channel, std::uint32_t value);
    bool setMicInstrument(std::uint32_t channel, std::uint32_t state);
    bool setMic20dB(std::uint32_t channel, std::uint32_t state);
    bool setMic48V(std::uint32_t channel, std::uint32_t state);
    bool setOtgOn();
    bool setOtgOff();
    bool setCloseFeedback();
    bool upgradeFirmware();

    // Copies the first min(count, 10) bytes of the device's firmware version text.
    bool getFirmwareVersion(std::uint8_t *destination, std::size_t count);

    // 20 * log10(|amplitude| / 2147483647); -inf for 0.
    static double amplitudeToDb(std::int32_t amplitude);
    // 0.0 at or below -80 dB, 10^(6/20) above +6 dB, 10^(db/20) between.
    static double dbToGain(double db);

private:
    zelvoro::platform::IoResult request(std::uint32_t code, const void *in, std::uint32_t inSize, void *out,
                               std::uint32_t outCapacity);
    bool sendFrame(const VendorCommand::Frame &frame, const char *guardPrefix, const char *unknownError = nullptr);

    zelvoro::platform::NativeHandle handle = zelvoro::platform::kInvalidHandle;
};

