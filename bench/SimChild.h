// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// zelvoro-sim as a child process, started and stopped without Qt.
class SimChild
{
public:
    SimChild() = default;
    ~SimChild();
    SimChild(const SimChild &) = delete;
    SimChild &operator=(const SimChild &) = delete;

    // Starts the simulator and waits until it prints "ready".
    bool start(const std::string &executable, const std::vector<std::string> &arguments);
    // Sends "quit" and waits for the child.
    void stop();

private:
    pid_t pid = -1;
    int toChild = -1;
    int fromChild = -1;
};
