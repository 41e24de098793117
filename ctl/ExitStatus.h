// SPDX-License-Identifier: MIT
#pragma once

// zelvoroctl's exit statuses, the documented contract with scripts.
enum class ExitStatus
{
    Done = 0,
    Refused = 1,    // the device (or the program on its behalf) refused the change
    BadUsage = 2,   // bad usage, name or value
    NotRunning = 3, // Zelvoro Mixer is not running or does not answer
    NoDevice = 4,   // no interface connected
};
