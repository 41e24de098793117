// SPDX-License-Identifier: MIT
#include "bench/EchoServer.h"

#include "platform/posix/Framing.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace posix = zelvoro::platform::posix;

EchoServer::~EchoServer()
{
    stop();
}

bool EchoServer::start(const std::string &path)
{
    if (listener.listen(path) != 0)
        return false;
    thread = std::thread(&EchoServer::serve, this);
    return true;
}

void EchoServer::stop()
{
    if (!thread.joinable())
        return;
    ::shutdown(listener.fd(), SHUT_RDWR);
    if (client >= 0)
        ::shutdown(client, SHUT_RDWR);
    thread.join();
    listener.close();
}

void EchoServer::serve()
{
    // One client is all the benchmark uses.
    pollfd p{listener.fd(), POLLIN, 0};
    if (::poll(&p, 1, 10000) != 1)
        return;
    client = ::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0)
        return;
    ::fcntl(client, F_SETFL, ::fcntl(client, F_GETFL) & ~O_NONBLOCK);
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> response(4 + 65536, 0);
    while (posix::readFrame(client, request, 8 + 66304) == posix::FrameStatus::Ok && request.size() >= 8) {
        std::size_t capacity = posix::getLe32(request.data() + 4);
        if (capacity > 65536)
            capacity = 65536;
        if (!posix::writeFrame(client, response.data(), 4 + capacity))
            break;
    }
    ::close(client);
}
