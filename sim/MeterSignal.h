// SPDX-License-Identifier: MIT
#pragma once

#include "driver/MeterBlock.h"

class EngineState;

// The test signal the simulated interface meters: a slowly moving level on
// each microphone input that follows the mic gain (less 20 dB with the pad),
// and a stereo signal on the phone input.
class MeterSignal
{
public:
    static MeterBlock read(const EngineState &state, double elapsedMs);

    // Level of microphone input `channel` (1 or 2) in dBFS at a time.
    static double micLevelDb(const EngineState &state, unsigned channel, double elapsedMs);
    static double phoneLevelDb(unsigned side, double elapsedMs);
    static std::int32_t amplitude(double dbfs);
};
