// SPDX-License-Identifier: MIT
#include "bench/SimChild.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

SimChild::~SimChild()
{
    stop();
}

bool SimChild::start(const std::string &executable, const std::vector<std::string> &arguments)
{
    int input[2];
    int output[2];
    if (::pipe2(input, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(executable.c_str()));
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid, executable.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    toChild = input[1];
    fromChild = output[0];
    if (rc != 0) {
        pid = -1;
        return false;
    }
    std::string seen;
    while (seen.find("ready\n") == std::string::npos) {
        pollfd p{fromChild, POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1)
            return false;
        char buffer[256];
        const ssize_t n = ::read(fromChild, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

void SimChild::stop()
{
    if (toChild >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(toChild, "quit\n", 5);
        ::close(toChild);
        toChild = -1;
    }
    if (pid > 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        pid = -1;
    }
    if (fromChild >= 0) {
        ::close(fromChild);
        fromChild = -1;
    }
}
