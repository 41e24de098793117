// SPDX-License-Identifier: MIT
// Message pipes over Unix-domain sockets in the private runtime directory:
// one connection carries one frame.
#include "platform/NamedPipe.h"

#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "platform/posix/RuntimeDir.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace zelvoro::platform {

struct PipeServerEnd
{
    std::string path;
    int listenFd = -1;
    // Self-pipe: one byte in it wakes a thread waiting for a client.
    int wakeRead = -1;
    int wakeWrite = -1;

    // Closing clientFd and shutting it down from the releasing thread must
    // not interleave, or the shutdown could hit a reused descriptor.
    std::mutex lock;
    int clientFd = -1;
    bool released = false;
    // The connected client's message must be complete by then.
    std::chrono::steady_clock::time_point deadline;
};

namespace {

using Clock = std::chrono::steady_clock;

// The connection and every later send on it wait at most the client limit: a
// server whose queue is full, or that never reads, cannot hold the caller.
int connectSocket(const sockaddr_un &address, int &err)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    const timeval limit{static_cast<time_t>(kPipeClientWriteLimitMs / 1000),
                        static_cast<suseconds_t>(kPipeClientWriteLimitMs % 1000 * 1000)};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        err = errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

// Binds to the path; a leftover socket file nobody answers on is removed
// first, a live server keeps its name.
std::uint32_t bindEndpoint(int fd, const sockaddr_un &address)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            return winerror::Success;
        if (errno != EADDRINUSE)
            return posix::connectErrorToWin32(errno);
        int err = 0;
        const int probe = connectSocket(address, err);
        if (probe >= 0 || err == EAGAIN) {
            if (probe >= 0)
                ::close(probe);
            return winerror::PipeBusy;
        }
        if (err != ECONNREFUSED && err != ENOENT)
            return posix::connectErrorToWin32(err);
        if (err == ECONNREFUSED)
            ::unlink(address.sun_path);
    }
    return winerror::PipeBusy;
}

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

std::uint32_t clientErrorToWin32(int err)
{
    return err == EAGAIN || err == EWOULDBLOCK || err == ETIMEDOUT ? winerror::SemTimeout
                                                                   : posix::connectErrorToWin32(err);
}

enum class Received
{
    Complete,
    EndBeforeAnyByte,
    Broken,
    TimedOut
};

// Reads exactly `size` bytes, unless the connection ends or `deadline` passes first.
Received receiveBefore(int fd, std::uint8_t *buffer, std::size_t size, Clock::time_point deadline)
{
    std::size_t done = 0;
    while (done < size) {
        // What has arrived by the deadline still counts.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        const int rc = ::poll(&wait, 1, static_cast<int>(std::max<decltype(left)>(left, 0)));
        if (rc == 0)
            return Received::TimedOut;
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            return Received::Broken;
        }
        const ssize_t n = ::recv(fd, buffer + done, size - done, MSG_DONTWAIT);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n == 0)
            return done == 0 ? Received::EndBeforeAnyByte : Received::Broken;
        else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return Received::Broken;
    }
    return Received::Complete;
}

} // namespace

PipeServerHandle createPipeServer(const std::wstring &name, std::uint32_t &error)
{
    error = posix::checkRuntimeDirectory(true);
    if (error != winerror::Success)
        return kInvalidPipeServer;
    auto *server = new PipeServerEnd;
    server->path = posix::endpointPath(name);
    sockaddr_un address;
    int wake[2];
    if (!posix::socketAddress(server->path, address)) {
        error = winerror::InvalidParameter;
    } else if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = winerror::GenFailure;
    } else {
        server->wakeRead = wake[0];
        server->wakeWrite = wake[1];
        // Non-blocking: a client that vanishes between poll and accept must
        // not leave this thread in accept, out of reach of the wake-up.
        server->listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (server->listenFd < 0) {
            error = winerror::GenFailure;
        } else {
            error = bindEndpoint(server->listenFd, address);
            if (error == winerror::Success && ::listen(server->listenFd, 8) != 0) {
                ::unlink(server->path.c_str());
                error = winerror::GenFailure;
            }
        }
    }
    if (error != winerror::Success) {
        closeFd(server->listenFd);
        closeFd(server->wakeRead);
        closeFd(server->wakeWrite);
        delete server;
        return kInvalidPipeServer;
    }
    return server;
}

bool connectPipeClient(PipeServerHandle server, std::uint32_t &error)
{
    if (!server) {
        error = 6; // ERROR_INVALID_HANDLE
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(server->lock);
        if (server->clientFd >= 0) {
            error = winerror::PipeConnected;
            return true;
        }
    }
    for (;;) {
        pollfd waits[2] = {{server->listenFd, POLLIN, 0}, {server->wakeRead, POLLIN, 0}};
        const int rc = ::poll(waits, 2, -1);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0) {
            error = winerror::GenFailure;
            return false;
        }
        if (waits[1].revents != 0) {
            error = winerror::OperationAborted;
            return false;
        }
        const int fd = ::accept4(server->listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            error = winerror::GenFailure;
            return false;
        }
        std::lock_guard<std::mutex> guard(server->lock);
        server->deadline = Clock::now() + std::chrono::milliseconds(kPipeClientSilenceLimitMs);
        if (server->released) {
            ::close(fd);
            error = winerror::OperationAborted;
            return false;
        }
        server->clientFd = fd;
        error = winerror::Success;
        return true;
    }
}

bool readPipeMessage(PipeServerHandle server, void *buffer, std::uint32_t capacity, std::uint32_t &bytesRead,
                     std::uint32_t &error)
{
    bytesRead = 0;
    if (!server || server->clientFd < 0) {
        error = server ? winerror::PipeNotConnected : winerror::InvalidHandle;
        return false;
    }
    // One deadline for the whole frame, counted from the connection: a client
    // that trickles its bytes gets no more time than a silent one.
    std::uint8_t header[4];
    Received status = receiveBefore(server->clientFd, header, sizeof header, server->deadline);
    std::uint32_t length = 0;
    std::vector<std::uint8_t> payload;
    if (status == Received::Complete) {
        length = posix::getLe32(header);
        // Too long: refused at its header, never read.
        if (length <= capacity) {
            payload.resize(length);
            if (length > 0)
                status = receiveBefore(server->clientFd, payload.data(), length, server->deadline);
        }
    }
    {
        std::lock_guard<std::mutex> guard(server->lock);
        if (server->released) {
            error = winerror::OperationAborted;
            return false;
        }
    }
    if (status != Received::Complete) {
        error = winerror::BrokenPipe;
        return false;
    }
    if (length > capacity) {
        error = winerror::MoreData;
        return false;
    }
    if (length > 0)
        std::memcpy(buffer, payload.data(), length);
    bytesRead = length;
    error = winerror::Success;
    return true;
}

void disconnectPipeClient(PipeServerHandle server)
{
    if (!server)
        return;
    std::lock_guard<std::mutex> guard(server->lock);
    closeFd(server->clientFd);
}

void releasePipeServer(PipeServerHandle server)
{
    if (!server)
        return;
    std::lock_guard<std::mutex> guard(server->lock);
    server->released = true;
    // The byte stays in the self-pipe, so a thread that polls later sees it too.
    const char wake = 1;
    [[maybe_unused]] const ssize_t written = ::write(server->wakeWrite, &wake, 1);
    if (server->clientFd >= 0)
        ::shutdown(server->clientFd, SHUT_RDWR);
}

void closePipeServer(PipeServerHandle server)
{
    if (!server)
        return;
    disconnectPipeClient(server);
    ::unlink(server->path.c_str());
    closeFd(server->listenFd);
    closeFd(server->wakeRead);
    closeFd(server->wakeWrite);
    delete server;
}

NativeHandle openPipeClient(const std::wstring &name, std::uint32_t &error)
{
    error = posix::checkRuntimeDirectory(false);
    if (error != winerror::Success)
        return kInvalidHandle;
    sockaddr_un address;
    if (!posix::socketAddress(posix::endpointPath(name), address)) {
        error = winerror::FileNotFound;
        return kInvalidHandle;
    }
    int err = 0;
    const int fd = connectSocket(address, err);
    if (fd < 0) {
        error = clientErrorToWin32(err);
        return kInvalidHandle;
    }
    error = winerror::Success;
    return fd;
}

bool writePipeMessage(NativeHandle client, const void *data, std::uint32_t size, std::uint32_t &error)
{
    if (client == kInvalidHandle) {
        error = 6; // ERROR_INVALID_HANDLE
        return false;
    }
    if (!posix::writeFrame(static_cast<int>(client), data, size)) {
        error = (errno == EPIPE || errno == ECONNRESET)     ? winerror::NoData
                : (errno == EAGAIN || errno == EWOULDBLOCK) ? winerror::SemTimeout
                                                            : winerror::GenFailure;
        return false;
    }
    error = winerror::Success;
    return true;
}

void closePipeClient(NativeHandle client)
{
    if (client != kInvalidHandle)
        ::close(static_cast<int>(client));
}

std::uint32_t checkPipeServer(NativeHandle, PipeServerAccounts, std::string &)
{
    // Only this user can create a socket in the private runtime directory.
    return winerror::Success;
}

} // namespace zelvoro::platform
