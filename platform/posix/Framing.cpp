// SPDX-License-Identifier: MIT
#include "platform/posix/Framing.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace zelvoro::platform::posix {

namespace {

// 0 = complete, 1 = clean end of stream before any byte, -1 = error/partial.
int readFully(int fd, void *buffer, std::size_t size)
{
    auto *at = static_cast<std::uint8_t *>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::recv(fd, at + done, size - done, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            return done == 0 ? 1 : -1;
        } else if (errno != EINTR) {
            return -1;
        }
    }
    return 0;
}

bool writeVectors(int fd, iovec *vectors, int count)
{
    msghdr msg{};
    msg.msg_iov = vectors;
    msg.msg_iovlen = static_cast<decltype(msg.msg_iovlen)>(count);
    while (msg.msg_iovlen > 0) {
        const ssize_t n = ::sendmsg(fd, &msg, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        auto left = static_cast<std::size_t>(n);
        while (msg.msg_iovlen > 0 && left >= msg.msg_iov->iov_len) {
            left -= msg.msg_iov->iov_len;
            ++msg.msg_iov;
            --msg.msg_iovlen;
        }
        if (msg.msg_iovlen > 0) {
            msg.msg_iov->iov_base = static_cast<std::uint8_t *>(msg.msg_iov->iov_base) + left;
            msg.msg_iov->iov_len -= left;
        }
    }
    return true;
}

} // namespace

void putLe32(std::uint8_t *at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t getLe32(const std::uint8_t *at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
           std::uint32_t(at[3]) << 24;
}

FrameStatus readFrame(int fd, std::vector<std::uint8_t> &payload, std::size_t maxPayload, Oversize oversize)
{
    std::uint8_t header[4];
    const int h = readFully(fd, header, sizeof header);
    if (h == 1)
        return FrameStatus::Closed;
    if (h != 0)
        return FrameStatus::Broken;
    const std::uint32_t length = getLe32(header);
    if (length > maxPayload && oversize == Oversize::Reject) {
        payload.clear();
        return FrameStatus::TooLarge;
    }
    if (length > maxPayload) {
        // Drain in small pieces: the sender may announce far more than we would allocate.
        std::uint8_t sink[4096];
        std::size_t left = length;
        while (left > 0) {
            const std::size_t chunk = std::min(left, sizeof sink);
            if (readFully(fd, sink, chunk) != 0)
                return FrameStatus::Broken;
            left -= chunk;
        }
        payload.clear();
        return FrameStatus::TooLarge;
    }
    payload.resize(length);
    if (length > 0 && readFully(fd, payload.data(), length) != 0)
        return FrameStatus::Broken;
    return FrameStatus::Ok;
}

bool writeFrame(int fd, const void *head, std::size_t headSize, const void *body, std::size_t bodySize)
{
    const std::size_t total = headSize + bodySize;
    if (total > 0xFFFFFFFFu)
        return false;
    std::uint8_t header[4];
    putLe32(header, static_cast<std::uint32_t>(total));
    iovec vectors[3] = {{header, sizeof header},
                        {const_cast<void *>(head), headSize},
                        {const_cast<void *>(body), bodySize}};
    return writeVectors(fd, vectors, 3);
}

bool writeFrame(int fd, const void *payload, std::size_t size)
{
    return writeFrame(fd, payload, size, nullptr, 0);
}

} // namespace zelvoro::platform::posix
