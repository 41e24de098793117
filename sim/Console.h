// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Standard output, one whole line at a time from any thread.
class Console
{
public:
    void line(const std::string &text);
};
