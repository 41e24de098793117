// SPDX-License-Identifier: MIT
#pragma once

#include "sim/ListeningSocket.h"

#include <string>
#include <thread>

// The floor of a control request: a server that reads each request frame
// and answers status 0 with as many zero bytes as the caller can take,
// doing nothing else.
class EchoServer
{
public:
    EchoServer() = default;
    ~EchoServer();
    EchoServer(const EchoServer &) = delete;
    EchoServer &operator=(const EchoServer &) = delete;

    bool start(const std::string &path);
    void stop();

private:
    void serve();

    ListeningSocket listener;
    std::thread thread;
    int client = -1;
};
