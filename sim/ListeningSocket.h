// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

// A listening Unix-domain stream socket bound to a path in the runtime
// directory. It takes over a stale socket file, refuses to steal a live
// one, and removes only its own file when closed.
class ListeningSocket
{
public:
    ListeningSocket() = default;
    ~ListeningSocket();
    ListeningSocket(const ListeningSocket &) = delete;
    ListeningSocket &operator=(const ListeningSocket &) = delete;

    // Returns 0 or a Windows error code: 231 (ERROR_PIPE_BUSY) when a live
    // server holds the path, 31 for anything else.
    std::uint32_t listen(const std::string &path);
    void close();

    int fd() const { return socketFd; }
    const std::string &path() const { return boundPath; }

    // A connected client socket, or -1 with errno set.
    static int connectTo(const std::string &path);

private:
    int socketFd = -1;
    std::string boundPath;
    dev_t device = 0;
    ino_t inode = 0;
};
