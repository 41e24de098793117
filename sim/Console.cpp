// SPDX-License-Identifier: MIT
#include "sim/Console.h"

#include <cstdio>

void Console::line(const std::string &text)
{
    // One write per line: stdio locks the stream per call, so lines from
    // connection threads and command answers never interleave.
    const std::string withNewline = text + "\n";
    std::fwrite(withNewline.data(), 1, withNewline.size(), stdout);
    std::fflush(stdout);
}
