// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvoro::platform::posix {

// Every message of the stand-in transport is one frame: a 32-bit
// little-endian length L, then exactly L bytes.
enum class FrameStatus {
    Ok,
    Closed,   // end of stream before the first byte of a frame
    Broken,   // read error, or end of stream inside a frame
    TooLarge, // the frame was longer than allowed; its payload has been discarded
};

enum class Oversize {
    Drain,  // read an oversized frame to its end and drop it, so the stream stays in step
    Reject, // stop at its header: the caller gives up on the connection anyway
};

// Reads one frame into `payload`. A frame longer than `maxPayload` gives
// TooLarge, after draining it or not as `oversize` says.
FrameStatus readFrame(int fd, std::vector<std::uint8_t> &payload, std::size_t maxPayload,
                      Oversize oversize = Oversize::Drain);

// Writes one frame (header and payload) completely. Never raises SIGPIPE.
bool writeFrame(int fd, const void *payload, std::size_t size);

// Two-part payload without an intermediate copy of the (possibly large) body.
bool writeFrame(int fd, const void *head, std::size_t headSize, const void *body, std::size_t bodySize);

void putLe32(std::uint8_t *at, std::uint32_t value);
std::uint32_t getLe32(const std::uint8_t *at);

} // namespace zelvoro::platform::posix
