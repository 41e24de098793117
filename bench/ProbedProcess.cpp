// SPDX-License-Identifier: MIT
#include "bench/ProbedProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace {

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<std::string> mergedEnvironment(const std::vector<std::string> &overrides)
{
    std::vector<std::string> merged = overrides;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const std::string &o : overrides)
            replaced = replaced || o.compare(0, name.size(), name) == 0;
        if (!replaced)
            merged.push_back(text);
    }
    return merged;
}

} // namespace

ProbedProcess::~ProbedProcess()
{
    stop(2000);
}

bool ProbedProcess::start(const std::string &program, const std::string &probe,
                          const std::vector<std::string> &environment, bool keepRunning,
                          const std::vector<std::string> &arguments)
{
    int reportPipe[2];
    int controlPipe[2] = {-1, -1};
    if (::pipe2(reportPipe, O_CLOEXEC) != 0)
        return false;
    if (keepRunning && ::pipe2(controlPipe, O_CLOEXEC) != 0) {
        ::close(reportPipe[0]);
        ::close(reportPipe[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, reportPipe[1], 3);
    if (keepRunning)
        posix_spawn_file_actions_adddup2(&actions, controlPipe[0], 4);

    std::vector<std::string> variables = environment;
    variables.push_back("LD_PRELOAD=" + probe);
    std::vector<std::string> merged = mergedEnvironment(variables);
    std::vector<char *> envp;
    for (std::string &entry : merged)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> argumentCopies = {program};
    argumentCopies.insert(argumentCopies.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : argumentCopies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    started = now();
    const int rc = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(reportPipe[1]);
    report = reportPipe[0];
    if (keepRunning) {
        ::close(controlPipe[0]);
        control = controlPipe[1];
    }
    if (rc != 0) {
        child = -1;
        return false;
    }
    return true;
}

double ProbedProcess::waitForLoop(int timeoutMs)
{
    pollfd p{report, POLLIN, 0};
    if (report < 0 || ::poll(&p, 1, timeoutMs) != 1)
        return -1;
    const double seen = now();
    char buffer[16];
    if (::read(report, buffer, sizeof buffer) < 4 || std::strncmp(buffer, "loop", 4) != 0)
        return -1;
    return seen - started;
}

bool ProbedProcess::stop(int timeoutMs)
{
    if (control >= 0) {
        ::close(control);
        control = -1;
    }
    bool clean = false;
    if (child > 0) {
        int status = 0;
        const double deadline = now() + timeoutMs / 1000.0;
        pid_t done = 0;
        while ((done = ::waitpid(child, &status, WNOHANG)) == 0 && now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (done == 0) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
        } else {
            clean = done == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        child = -1;
    }
    if (report >= 0) {
        ::close(report);
        report = -1;
    }
    return clean;
}
