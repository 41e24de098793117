// SPDX-License-Identifier: MIT
#include "sim/ListeningSocket.h"

#include "platform/WinError.h"
#include "platform/posix/RuntimeDir.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace winerror = zelvoro::platform::winerror;
using zelvoro::platform::posix::socketAddress;

ListeningSocket::~ListeningSocket()
{
    close();
}

int ListeningSocket::connectTo(const std::string &path)
{
    sockaddr_un address;
    if (!socketAddress(path, address)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

std::uint32_t ListeningSocket::listen(const std::string &path)
{
    close();
    sockaddr_un address;
    if (!socketAddress(path, address))
        return winerror::GenFailure;
    struct stat existing
    {
    };
    if (::lstat(path.c_str(), &existing) == 0) {
        const int probe = connectTo(path);
        if (probe >= 0) {
            ::close(probe);
            return winerror::PipeBusy;
        }
        ::unlink(path.c_str()); // stale: nobody answers
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return winerror::GenFailure;
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(fd, 64) != 0) {
        const bool taken = errno == EADDRINUSE;
        ::close(fd);
        return taken ? winerror::PipeBusy : winerror::GenFailure;
    }
    struct stat bound
    {
    };
    if (::stat(path.c_str(), &bound) == 0) {
        device = bound.st_dev;
        inode = bound.st_ino;
    }
    socketFd = fd;
    boundPath = path;
    return winerror::Success;
}

void ListeningSocket::close()
{
    if (socketFd < 0)
        return;
    // Unlink only the file we bound: another server may have replaced it.
    struct stat current
    {
    };
    if (::lstat(boundPath.c_str(), &current) == 0 && current.st_dev == device && current.st_ino == inode)
        ::unlink(boundPath.c_str());
    ::close(socketFd);
    socketFd = -1;
    boundPath.clear();
}
