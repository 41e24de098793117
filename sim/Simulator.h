// SPDX-License-Identifier: MIT
#pragma once

#include "sim/AsioSide.h"
#include "sim/CommandConsole.h"
#include "sim/Console.h"
#include "sim/ControlDevice.h"
#include "sim/FaultInjector.h"
#include "sim/Journal.h"
#include "sim/SimOptions.h"

// The whole simulator: serves the control device (and the ASIO pipe with
// --asio) and runs the command loop on standard input until quit, end of
// input with --stdin-eof-quits, or SIGINT/SIGTERM.
class Simulator
{
public:
    explicit Simulator(const SimOptions &options);

    // Returns the process exit code.
    int run();

private:
    bool setUp();
    void commandLoop();
    void handleInput(std::string &pending, const char *data, std::size_t size);

    const SimOptions options;
    Console console;
    Journal journal;
    FaultInjector faults;
    ControlDevice device;
    AsioSide asio;
    CommandConsole commands;
};
