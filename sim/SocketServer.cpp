// SPDX-License-Identifier: MIT
#include "sim/SocketServer.h"

#include "platform/WinError.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace winerror = zelvoro::platform::winerror;

SocketServer::SocketServer(Handler handler) : handler(std::move(handler)) {}

SocketServer::~SocketServer()
{
    stop();
}

std::uint32_t SocketServer::start(const std::string &path)
{
    if (running)
        return winerror::Success;
    const std::uint32_t error = listener.listen(path);
    if (error != winerror::Success)
        return error;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        listener.close();
        return winerror::GenFailure;
    }
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    running = true;
    acceptThread = std::thread(&SocketServer::acceptLoop, this);
    return winerror::Success;
}

void SocketServer::stop()
{
    if (!running)
        return;
    const char wake = 1;
    while (::write(wakeWrite, &wake, 1) < 0 && errno == EINTR) {
    }
    acceptThread.join();
    listener.close();
    ::close(wakeRead);
    ::close(wakeWrite);
    wakeRead = wakeWrite = -1;
    std::list<std::unique_ptr<Worker>> stopping;
    {
        std::lock_guard lock(mutex);
        // Shut down rather than close: the connection threads own the descriptors.
        for (int fd : openFds)
            ::shutdown(fd, SHUT_RDWR);
        stopping.swap(workers);
    }
    for (auto &worker : stopping)
        worker->thread.join();
    running = false;
}

void SocketServer::acceptLoop()
{
    pollfd fds[2] = {{listener.fd(), POLLIN, 0}, {wakeRead, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents == 0)
            continue;
        const int fd = ::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors or a similar lasting trouble: do not spin on it.
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
                ::poll(nullptr, 0, 20);
            continue;
        }
        reapFinished();
        std::lock_guard lock(mutex);
        auto worker = std::make_unique<Worker>();
        Worker *raw = worker.get();
        try {
            raw->thread = std::thread(&SocketServer::serve, this, fd, nextConnection++, raw);
        } catch (const std::system_error &) {
            ::close(fd); // no thread to serve it: the client sees the connection end
            continue;
        }
        openFds.insert(fd);
        workers.push_back(std::move(worker));
    }
}

void SocketServer::serve(int fd, std::uint64_t connection, Worker *worker)
{
    handler(fd, connection);
    std::lock_guard lock(mutex);
    openFds.erase(fd);
    ::close(fd);
    worker->done = true;
}

void SocketServer::reapFinished()
{
    std::list<std::unique_ptr<Worker>> finished;
    {
        std::lock_guard lock(mutex);
        for (auto it = workers.begin(); it != workers.end();) {
            if ((*it)->done) {
                finished.push_back(std::move(*it));
                it = workers.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto &worker : finished)
        worker->thread.join();
}
