// SPDX-License-Identifier: MIT
#pragma once

#include "sim/ListeningSocket.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

// Accepts connections on a Unix socket and serves each on its own thread,
// so one slow or stuck client never holds up the others.
class SocketServer
{
public:
    // Called on the connection's thread; returns when the connection is done.
    // The server closes the descriptor afterwards.
    using Handler = std::function<void(int fd, std::uint64_t connection)>;

    explicit SocketServer(Handler handler);
    ~SocketServer();
    SocketServer(const SocketServer &) = delete;
    SocketServer &operator=(const SocketServer &) = delete;

    // Binds and starts accepting; returns 0 or a Windows error code.
    std::uint32_t start(const std::string &path);
    // Stops accepting, removes the socket, breaks every open connection and
    // waits for their threads.
    void stop();
    bool isRunning() const { return running; }

private:
    struct Worker
    {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void serve(int fd, std::uint64_t connection, Worker *worker);
    void reapFinished();

    Handler handler;
    ListeningSocket listener;
    int wakeRead = -1;
    int wakeWrite = -1;
    bool running = false;
    std::thread acceptThread;
    std::atomic<std::uint64_t> nextConnection{1};

    std::mutex mutex; // guards openFds and workers
    std::set<int> openFds;
    std::list<std::unique_ptr<Worker>> workers;
};
