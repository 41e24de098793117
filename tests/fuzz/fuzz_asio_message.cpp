// SPDX-License-Identifier: MIT
// Decoding of the ASIO driver's pipe message on arbitrary bytes: the five
// words are the first 20 bytes in little-endian order with missing bytes as
// zeros, the open request is exactly a non-zero fifth word, and nothing past
// the 1024-byte buffer (or past the message) matters.
#include "FuzzCheck.h"

#include "settings/AsioMessage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const AsioMessage message = AsioMessage::decode(data, size);

    // The receive buffer as the pipe thread fills it.
    std::array<std::uint8_t, AsioMessage::kMaxBytes> buffer{};
    std::copy_n(data, std::min(size, buffer.size()), buffer.begin());
    for (std::size_t i = 0; i < AsioMessage::kWords; ++i) {
        std::uint32_t word = 0;
        for (int b = 3; b >= 0; --b)
            word = word << 8 | buffer[4 * i + static_cast<std::size_t>(b)];
        FUZZ_CHECK(message.words[i] == word);
    }
    FUZZ_CHECK(message.opensWindow() == (message.words[4] != 0));
    FUZZ_CHECK(message.opensWindow() ==
               std::any_of(buffer.begin() + 16, buffer.begin() + 20, [](std::uint8_t b) { return b != 0; }));

    const AsioMessage fromBuffer = AsioMessage::decode(buffer.data(), buffer.size());
    FUZZ_CHECK(fromBuffer.words == message.words);

    // Bytes past the message, or past 1024, change nothing.
    std::vector<std::uint8_t> longer(data, data + size);
    longer.resize(std::max(size, AsioMessage::kMaxBytes) + 64, 0xA5);
    FUZZ_CHECK(AsioMessage::decode(longer.data(), size).words == message.words);
    if (size >= AsioMessage::kMaxBytes)
        FUZZ_CHECK(AsioMessage::decode(longer.data(), longer.size()).words == message.words);
    return 0;
}
