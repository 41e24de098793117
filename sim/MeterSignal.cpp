// SPDX-License-Identifier: MIT
#include "sim/MeterSignal.h"

#include "sim/EngineState.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kFullScale = 2147483647.0;

// A wandering level: a 3.2 s swell and a faster 1.1 s ripple, so that two
// reads half a second apart differ by a few dB.
double wander(double elapsedMs, double phase)
{
    const double t = elapsedMs / 1000.0;
    return 9.0 * std::sin(kTwoPi * t / 3.2 + phase) + 3.0 * std::sin(kTwoPi * t / 1.1 + 2.0 * phase);
}

} // namespace

std::int32_t MeterSignal::amplitude(double dbfs)
{
    const double clamped = std::min(dbfs, 0.0);
    return static_cast<std::int32_t>(std::lround(kFullScale * std::pow(10.0, clamped / 20.0)));
}

double MeterSignal::micLevelDb(const EngineState &state, unsigned channel, double elapsedMs)
{
    const auto found = state.inputs.find(channel);
    const InputChannelState input = found == state.inputs.end() ? InputChannelState{} : found->second;
    // The gain commands carry twice the knob position; treat the knob as dB of gain.
    const double gainDb = std::min(input.micVolume / 2.0, 60.0);
    double level = -54.0 + gainDb + wander(elapsedMs, channel * 1.3);
    if (input.pad)
        level -= 20.0;
    return std::min(level, -0.5);
}

double MeterSignal::phoneLevelDb(unsigned side, double elapsedMs)
{
    return -18.0 + wander(elapsedMs, 0.4 + side * 0.9);
}

MeterBlock MeterSignal::read(const EngineState &state, double elapsedMs)
{
    MeterBlock block;
    if (state.silentMeters)
        return block;
    block.words[0] = amplitude(micLevelDb(state, 1, elapsedMs));
    if (state.hasSecondInput())
        block.words[1] = amplitude(micLevelDb(state, 2, elapsedMs));
    block.words[2] = amplitude(phoneLevelDb(0, elapsedMs));
    block.words[3] = amplitude(phoneLevelDb(1, elapsedMs));
    return block;
}
