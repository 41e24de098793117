// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class ControlDevice;
class FaultInjector;

// The standard-input commands. Every command gets exactly one answer line
// starting with "ok" or "error".
class CommandConsole
{
public:
    CommandConsole(ControlDevice &device, FaultInjector &faults);

    std::string execute(const std::string &line);
    bool quitRequested() const { return quit; }

    // "01 02ff" -> bytes; false on an odd digit count or a non-hex character.
    static bool parseHex(const std::string &text, std::string &bytes);

private:
    std::string unplug();
    std::string plug();

    ControlDevice &device;
    FaultInjector &faults;
    bool quit = false;
};
