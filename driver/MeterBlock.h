// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

// The 768-byte meter block read with readMeterData: 192 signed 32-bit
// amplitudes on a full scale of 2147483647.
class MeterBlock
{
public:
    static constexpr std::size_t kWords = 192;
    static constexpr std::size_t kBytes = kWords * sizeof(std::int32_t);

    // Mean of the phone pair (words 2 and 3): summed without overflow, halved toward zero.
    std::int32_t phoneMean() const
    {
        return static_cast<std::int32_t>((std::int64_t(words[2]) + std::int64_t(words[3])) / 2);
    }

    void *data() { return words.data(); }

    std::array<std::int32_t, kWords> words{};
};

static_assert(sizeof(MeterBlock) == 768);

