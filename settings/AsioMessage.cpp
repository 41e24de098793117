// SPDX-License-Identifier: MIT
#include "settings/AsioMessage.h"

#include <algorithm>

AsioMessage AsioMessage::decode(const std::uint8_t *data, std::size_t size)
{
    std::array<std::uint8_t, kWords * 4> head{};
    if (data)
        std::copy_n(data, std::min({size, kMaxBytes, head.size()}), head.begin());
    AsioMessage message;
    for (std::size_t i = 0; i < kWords; ++i) {
        const std::uint8_t *at = head.data() + 4 * i;
        message.words[i] = std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
                           std::uint32_t(at[3]) << 24;
    }
    return message;
}
