// SPDX-License-Identifier: MIT
#include "sim/SimOptions.h"
#include "sim/Simulator.h"

#include <csignal>
#include <iostream>

int main(int argc, char **argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    SimOptions options;
    std::string error;
    if (!options.parse(std::vector<std::string>(argv + 1, argv + argc), error)) {
        std::cerr << "zelvoro-sim: " << error << "\n" << SimOptions::usage() << std::flush;
        return 2;
    }
    if (options.help) {
        std::cout << SimOptions::usage() << std::flush;
        return 0;
    }
    return Simulator(options).run();
}
