// SPDX-License-Identifier: MIT
#include "sim/EngineState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

std::string onOff(bool on)
{
    return on ? "on" : "off";
}

std::string gainText(double gain)
{
    char text[48];
    if (gain == 0.0 || std::isnan(gain))
        std::snprintf(text, sizeof text, "%g", gain);
    else
        std::snprintf(text, sizeof text, "%.2f dB%s", 20.0 * std::log10(std::fabs(gain)),
                      gain < 0 ? " inverted" : "");
    return text;
}

} // namespace

void EngineState::resetEngine()
{
    sampleRate = kStartRate;
    bufferSize = kStartBufferSize;
    usbLatency = kStartLatency;
    wdmChannels = kStartWdmChannels;
    slowMode = false;
    running = true;
    inputs.clear();
    outputs.clear();
    otg = false;
    firmwareUpgrades = 0;
    closeFeedbacks = 0;
    mixer = MixerBlock{};
    mixerReceived = false;
    value32 = 0;
    value16 = 0;
    flag8 = 0;
}

bool EngineState::isSupportedRate(std::int64_t rate)
{
    return rate == 44100 || rate == 48000;
}

bool EngineState::isSupportedBufferSize(std::int64_t samples)
{
    static constexpr std::int64_t sizes[] = {48, 64, 96, 128, 192, 256, 512, 1024};
    return std::find(std::begin(sizes), std::end(sizes), samples) != std::end(sizes);
}

bool EngineState::isSupportedLatency(std::int64_t frames)
{
    return frames == 8 || frames == 16 || frames == 24 || frames == 32;
}

bool EngineState::isSupportedWdmChannelCount(std::int64_t count)
{
    return count >= 1 && count <= 32;
}

std::string EngineState::summary() const
{
    std::string text = "engine " + std::string(running ? "running" : "stopped") + " rate " +
                       std::to_string(sampleRate) + " buffer " + std::to_string(bufferSize) + " latency " +
                       std::to_string(usbLatency) + " slow " + onOff(slowMode) + " wdm " +
                       std::to_string(wdmChannels) + "; pid " + std::to_string(productId) + " firmware \"" +
                       firmware + "\"; otg " + onOff(otg);
    for (const auto &[channel, input] : inputs)
        text += "; in" + std::to_string(channel) + " gain " + std::to_string(input.micVolume) + " 48v " +
                onOff(input.phantom) + " pad " + onOff(input.pad) + " inst " + onOff(input.instrument);
    for (const auto &[channel, volume] : outputs)
        text += "; out" + std::to_string(channel) + " volume " + std::to_string(volume);
    if (!mixerReceived) {
        text += "; mixer none";
        return text;
    }
    text += "; mixer";
    bool any = false;
    for (std::size_t m = 0; m < MixerBlock::kMatrices; ++m)
        for (std::size_t row = 0; row < MixerBlock::kChannels; ++row)
            for (std::size_t column = 0; column < MixerBlock::kChannels; ++column)
                if (const double gain = mixer.matrix(m, row, column); gain != 0.0) {
                    text += " m" + std::to_string(m) + "(" + std::to_string(row) + "," +
                            std::to_string(column) + ")=" + gainText(gain) + ",";
                    any = true;
                }
    for (std::size_t v = 0; v < MixerBlock::kVectors; ++v)
        for (std::size_t entry = 0; entry < MixerBlock::kChannels; ++entry)
            if (const double gain = mixer.vector(v, entry); gain != 0.0) {
                text += " v" + std::to_string(v) + "[" + std::to_string(entry) + "]=" + gainText(gain) + ",";
                any = true;
            }
    if (any)
        text.pop_back();
    else
        text += " all zero";
    return text;
}
