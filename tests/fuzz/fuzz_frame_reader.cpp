// SPDX-License-Identifier: MIT
// The POSIX frame reader against a byte stream written by another thread.
//
// Input: byte 0 picks the payload limit (bit 0: 1024, the incoming pipe's
// buffer, or 65536 + 4, a control response) and how the writer splits the
// stream into sends (bits 1-3); the rest is the stream. The reader reads
// frames until the stream ends; every result must match what the stream
// holds: status, payload bytes, and a stream kept in step after an
// oversized frame.
#include "FuzzCheck.h"

#include "platform/posix/Framing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace posix = zelvoro::platform::posix;
using posix::FrameStatus;

namespace {

struct Expected
{
    FrameStatus status;
    const std::uint8_t *payload = nullptr;
    std::size_t size = 0;
};

// The next frame as the wire format defines it, from `at` onwards; advances `at`.
Expected nextFrame(const std::uint8_t *stream, std::size_t size, std::size_t &at, std::size_t maxPayload)
{
    const std::size_t left = size - at;
    if (left == 0)
        return {FrameStatus::Closed};
    if (left < 4)
        return {FrameStatus::Broken};
    const std::uint32_t length = posix::getLe32(stream + at);
    if (left - 4 < length)
        return {FrameStatus::Broken};
    const std::uint8_t *payload = stream + at + 4;
    at += 4 + std::size_t(length);
    if (length > maxPayload)
        return {FrameStatus::TooLarge};
    return {FrameStatus::Ok, payload, length};
}

// Small sends only over the first bytes: enough to split headers and
// payloads anywhere, without a syscall per byte of a 64 KiB frame.
constexpr std::size_t kSplitBytes = 4096;

void writeAll(int fd, const std::uint8_t *data, std::size_t size, std::size_t chunk)
{
    std::size_t done = 0;
    while (done < size) {
        const std::size_t piece = done < kSplitBytes ? std::min(chunk, size - done) : size - done;
        const ssize_t n = ::send(fd, data + done, piece, MSG_NOSIGNAL);
        if (n <= 0)
            break; // the reader has gone; it reports that itself
        done += static_cast<std::size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
}

constexpr std::size_t kChunks[] = {~std::size_t(0), 1, 3, 4, 5, 64, 1000, 4096};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    const std::size_t maxPayload = (control & 1) ? 65536 + 4 : 1024;
    const std::size_t chunk = kChunks[(control >> 1) & 7];
    const std::uint8_t *stream = data + 1;
    const std::size_t streamSize = size - 1;

    int fds[2];
    FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0);
    std::thread writer(writeAll, fds[1], stream, streamSize, chunk);

    std::size_t at = 0;
    // Leftovers from an earlier frame must never show through.
    std::vector<std::uint8_t> payload(7, 0xEE);
    FrameStatus status;
    for (;;) {
        const Expected expected = nextFrame(stream, streamSize, at, maxPayload);
        status = posix::readFrame(fds[0], payload, maxPayload);
        FUZZ_CHECK(status == expected.status);
        if (status == FrameStatus::Ok) {
            FUZZ_CHECK(payload.size() == expected.size);
            FUZZ_CHECK(payload.size() <= maxPayload);
            FUZZ_CHECK(expected.size == 0 || std::memcmp(payload.data(), expected.payload, expected.size) == 0);
        } else if (status == FrameStatus::TooLarge) {
            FUZZ_CHECK(payload.empty());
        } else {
            break;
        }
    }
    // The end of a stream stays the end.
    if (status == FrameStatus::Closed)
        FUZZ_CHECK(posix::readFrame(fds[0], payload, maxPayload) == FrameStatus::Closed);

    ::close(fds[0]);
    writer.join();
    ::close(fds[1]);
    return 0;
}
