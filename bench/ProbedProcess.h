// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A Qt program started with the start-up probe preloaded (StartupProbe.cpp):
// the probe reports the first pass of the event loop on descriptor 3; with
// `keepRunning` the program then runs until stop() closes descriptor 4.
// Standard output and error go to /dev/null.
class ProbedProcess
{
public:
    ProbedProcess() = default;
    ~ProbedProcess();
    ProbedProcess(const ProbedProcess &) = delete;
    ProbedProcess &operator=(const ProbedProcess &) = delete;

    // `environment` entries (NAME=value) replace or extend the inherited ones.
    bool start(const std::string &program, const std::string &probe, const std::vector<std::string> &environment,
               bool keepRunning, const std::vector<std::string> &arguments = {});
    // Seconds from the spawn to the probe's report, or a negative number.
    double waitForLoop(int timeoutMs);
    // Lets the program quit (or waits for it to), kills it after `timeoutMs`;
    // true when it ended by itself with exit code 0.
    bool stop(int timeoutMs = 10000);

    pid_t pid() const { return child; }

private:
    pid_t child = -1;
    int report = -1;
    int control = -1;
    double started = 0;
};
