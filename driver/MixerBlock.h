// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>

// The 66304-byte block of linear gains written whole with writeMixerBlock:
// eight 32 x 32 matrices (row = output channel, column = input channel),
// then three gain vectors of 32 entries.
class MixerBlock
{
public:
    static constexpr std::size_t kMatrices = 8;
    static constexpr std::size_t kChannels = 32;
    static constexpr std::size_t kVectors = 3;
    static constexpr std::size_t kDoubles = kMatrices * kChannels * kChannels + kVectors * kChannels; // 8288
    static constexpr std::size_t kBytes = kDoubles * sizeof(double);                                  // 66304

    static constexpr std::size_t matrixIndex(std::size_t matrix, std::size_t row, std::size_t column)
    {
        return matrix * kChannels * kChannels + row * kChannels + column;
    }
    static constexpr std::size_t vectorIndex(std::size_t vector, std::size_t entry)
    {
        return kMatrices * kChannels * kChannels + vector * kChannels + entry;
    }

    double &matrix(std::size_t m, std::size_t row, std::size_t column) { return gains[matrixIndex(m, row, column)]; }
    double matrix(std::size_t m, std::size_t row, std::size_t column) const
    {
        return gains[matrixIndex(m, row, column)];
    }
    double &vector(std::size_t v, std::size_t entry) { return gains[vectorIndex(v, entry)]; }
    double vector(std::size_t v, std::size_t entry) const { return gains[vectorIndex(v, entry)]; }

    // The block as sent: the doubles in the host's order, which is
    // little-endian on every platform the driver exists for.
    const void *data() const { return gains.data(); }

    std::array<double, kDoubles> gains{};
};

static_assert(sizeof(MixerBlock) == MixerBlock::kBytes);
static_assert(MixerBlock::kBytes == 66304);
static_assert(MixerBlock::vectorIndex(0, 0) == 8192);

