// SPDX-License-Identifier: MIT
#include "sim/CommandConsole.h"

#include "platform/WinError.h"
#include "sim/AsioSide.h"
#include "sim/ControlDevice.h"
#include "sim/FaultInjector.h"
#include "sim/SimOptions.h"

#include <sstream>
#include <vector>

namespace winerror = zelvoro::platform::winerror;

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string sendAnswer(std::uint32_t error, const std::string &what)
{
    if (error == winerror::Success)
        return "ok " + what;
    return "error " + what + " failed: error " + std::to_string(error);
}

} // namespace

CommandConsole::CommandConsole(ControlDevice &device, FaultInjector &faults) : device(device), faults(faults)
{
}

bool CommandConsole::parseHex(const std::string &text, std::string &bytes)
{
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == ':')
            continue;
        if (hexDigit(c) < 0)
            return false;
        digits += c;
    }
    if (digits.size() % 2 != 0)
        return false;
    bytes.clear();
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes += static_cast<char>(hexDigit(digits[i]) << 4 | hexDigit(digits[i + 1]));
    return true;
}

std::string CommandConsole::unplug()
{
    if (!device.isPlugged())
        return "ok already unplugged";
    device.unplug();
    return "ok unplugged";
}

std::string CommandConsole::plug()
{
    if (device.isPlugged())
        return "ok already plugged";
    if (const std::uint32_t error = device.plug(); error != winerror::Success)
        return "error cannot serve " + device.deviceName() + ": error " + std::to_string(error);
    return "ok plugged";
}

std::string CommandConsole::execute(const std::string &line)
{
    std::istringstream words(line);
    std::string command;
    words >> command;
    std::string rest;
    std::getline(words >> std::ws, rest);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r'))
        rest.pop_back();

    if (command == "quit") {
        quit = true;
        return "ok bye";
    }
    if (command == "unplug")
        return unplug();
    if (command == "plug")
        return plug();
    if (command == "sleep") {
        device.sleep();
        return "ok woke with power-on defaults";
    }
    if (command == "status")
        return "ok " + device.status();
    if (command == "pid") {
        std::uint32_t productId = 0;
        if (!SimOptions::parseModel(rest, productId))
            return "error pid expects a number or ks1, ks2, kt";
        device.setProductId(productId);
        return "ok pid " + std::to_string(productId);
    }
    if (command == "fail") {
        std::string error;
        const auto rule = FaultInjector::parse(rest, error);
        if (!rule)
            return "error " + error;
        faults.add(*rule);
        return "ok fail " + rest;
    }
    if (command == "clear-fails") {
        faults.clear();
        return "ok faults cleared";
    }
    if (command == "asio-open")
        return sendAnswer(AsioSide::sendToPanel(AsioSide::openSettingsMessage()), "asio-open");
    if (command == "asio-send") {
        std::string bytes;
        if (!parseHex(rest, bytes))
            return "error asio-send expects hex bytes";
        return sendAnswer(AsioSide::sendToPanel(std::vector<std::uint8_t>(bytes.begin(), bytes.end())),
                          "asio-send " + std::to_string(bytes.size()) + " bytes");
    }
    return "error unknown command \"" + command + "\"";
}
