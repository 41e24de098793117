// SPDX-License-Identifier: MIT
// Control devices over the Unix-socket stand-in for DeviceIoControl.
#include "platform/DeviceIo.h"

#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "platform/posix/RuntimeDir.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace zelvoro::platform {

namespace {

// Largest response we accept: the status word plus the biggest output any
// control code has. Anything longer means a confused peer.
constexpr std::size_t kMaxResponse = 4 + 65536;

int connectTo(const std::string &path, std::uint32_t &error)
{
    sockaddr_un address;
    if (!posix::socketAddress(path, address)) {
        error = winerror::FileNotFound;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = winerror::GenFailure;
        return -1;
    }
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error = posix::connectErrorToWin32(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

// A broken connection stays broken, as a Windows handle on a removed device does.
IoResult broken(int fd)
{
    ::shutdown(fd, SHUT_RDWR);
    return {false, 0, winerror::DeviceNotConnected};
}

} // namespace

NativeHandle openControlDevice(const std::wstring &name, std::uint32_t &error)
{
    error = posix::checkRuntimeDirectory(false);
    if (error != winerror::Success)
        return kInvalidHandle;
    const int fd = connectTo(posix::endpointPath(name), error);
    if (fd < 0)
        return kInvalidHandle;
    error = winerror::Success;
    return fd;
}

IoResult deviceIoControl(NativeHandle handle, std::uint32_t code, const void *in, std::uint32_t inSize, void *out,
                         std::uint32_t outCapacity)
{
    if (handle == kInvalidHandle)
        return {false, 0, winerror::InvalidHandle};
    const int fd = static_cast<int>(handle);
    std::uint8_t head[8];
    posix::putLe32(head, code);
    posix::putLe32(head + 4, outCapacity);
    if (!posix::writeFrame(fd, head, sizeof head, in, in ? inSize : 0))
        return broken(fd);
    std::vector<std::uint8_t> response;
    // A peer announcing more than any control code returns is not a driver: drop it at once
    // instead of draining what it claims on the GUI thread.
    if (posix::readFrame(fd, response, kMaxResponse, posix::Oversize::Reject) != posix::FrameStatus::Ok ||
        response.size() < 4)
        return broken(fd);
    const std::uint32_t status = posix::getLe32(response.data());
    if (status != winerror::Success)
        return {false, 0, status};
    const std::size_t returned = response.size() - 4;
    if (returned > outCapacity)
        return broken(fd); // a peer that overruns our buffer is not a driver we can trust
    if (returned > 0 && out)
        std::memcpy(out, response.data() + 4, returned);
    return {true, static_cast<std::uint32_t>(returned), winerror::Success};
}

void closeHandle(NativeHandle handle)
{
    if (handle != kInvalidHandle)
        ::close(static_cast<int>(handle));
}

} // namespace zelvoro::platform
