// SPDX-License-Identifier: MIT
#pragma once

#include "driver/MixerBlock.h"

#include <cstdint>
#include <map>
#include <string>

// Per-input switches and gain as set by the vendor commands.
struct InputChannelState
{
    std::uint16_t micVolume = 0;
    bool phantom = false;
    bool pad = false;
    bool instrument = false;
};

// Everything the simulated driver remembers about the interface. The
// identity (product id, firmware, meter behaviour) survives a replug; the
// rest starts afresh with resetEngine().
class EngineState
{
public:
    static constexpr std::uint32_t kStartRate = 44100;
    static constexpr std::uint32_t kStartBufferSize = 256;
    static constexpr std::uint32_t kStartLatency = 16;
    static constexpr std::uint32_t kStartWdmChannels = 2;

    // Identity.
    std::uint32_t productId = 2;
    std::string firmware = "1.0.3";
    bool silentMeters = false;
    bool shortFirmware = false;

    // Audio engine.
    std::uint32_t sampleRate = kStartRate;
    std::uint32_t bufferSize = kStartBufferSize;
    std::uint32_t usbLatency = kStartLatency;
    std::uint32_t wdmChannels = kStartWdmChannels;
    bool slowMode = false;
    bool running = true;

    // Vendor command state, keyed by the channel number in the frame.
    std::map<unsigned, InputChannelState> inputs;
    std::map<unsigned, std::uint16_t> outputs;
    bool otg = false;
    unsigned firmwareUpgrades = 0;
    unsigned closeFeedbacks = 0;

    // The last mixer block received.
    MixerBlock mixer;
    bool mixerReceived = false;

    // The codes no caller uses keep what they were given.
    std::uint32_t value32 = 0;
    std::uint16_t value16 = 0;
    std::uint8_t flag8 = 0;

    void resetEngine();
    // Whether the model has a second microphone input.
    bool hasSecondInput() const { return productId != 1 && productId != 15; }

    static bool isSupportedRate(std::int64_t rate);
    static bool isSupportedBufferSize(std::int64_t samples);
    static bool isSupportedLatency(std::int64_t frames);
    static bool isSupportedWdmChannelCount(std::int64_t count);

    // One line for the `status` command: engine, channel switches and gains,
    // and the mixer block's non-zero entries in dB.
    std::string summary() const;
};
