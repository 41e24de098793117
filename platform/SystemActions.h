// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace zelvoro::platform {

// A program and its arguments, run by the caller (the tray runs it with QProcess).
struct Command
{
    std::string program;
    std::vector<std::string> arguments;
};

// Opens the system's sound settings without waiting for them. True when the
// settings application was started.
bool openSoundSettings();

// The command that brings the audio devices back after a driver change:
// restarting Explorer on Windows, the user's audio services elsewhere.
Command audioRefreshCommand();

} // namespace zelvoro::platform
