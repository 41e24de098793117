// SPDX-License-Identifier: MIT
#include "sim/SimOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

bool SimOptions::parseUnsigned(const std::string &text, std::uint64_t max, std::uint64_t &value)
{
    if (text.empty() || text.size() > 20)
        return false;
    std::uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (digit > max || result > (max - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool SimOptions::parseModel(const std::string &text, std::uint32_t &productId)
{
    if (text == "ks1") {
        productId = 1;
    } else if (text == "ks2") {
        productId = 2;
    } else if (text == "kt") {
        productId = 15;
    } else {
        std::uint64_t value = 0;
        if (!parseUnsigned(text, 0xFFFFFFFFu, value))
            return false;
        productId = static_cast<std::uint32_t>(value);
    }
    return true;
}

std::string SimOptions::usage()
{
    return "usage: zelvoro-sim [--model ks1|ks2|kt|N] [--firmware TEXT] [--bus N] [--journal FILE|-]\n"
           "                   [--fail OP[@N][=STATUS]]... [--delay-ms N] [--unplug-after SECONDS]\n"
           "                   [--asio] [--silent] [--short-firmware] [--stdin-eof-quits]\n"
           "commands on standard input: unplug, plug, pid N, fail RULE, clear-fails, asio-open,\n"
           "                            asio-send HEX, status, quit\n";
}

bool SimOptions::parse(const std::vector<std::string> &arguments, std::string &error)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &option = arguments[i];
        auto takeValue = [&](std::string &value) {
            if (i + 1 >= arguments.size()) {
                error = "option " + option + " needs a value";
                return false;
            }
            value = arguments[++i];
            return true;
        };
        std::string value;
        if (option == "--asio") {
            asio = true;
        } else if (option == "--silent") {
            silent = true;
        } else if (option == "--short-firmware") {
            shortFirmware = true;
        } else if (option == "--stdin-eof-quits") {
            stdinEofQuits = true;
        } else if (option == "--help" || option == "-h") {
            help = true;
        } else if (option == "--model") {
            if (!takeValue(value))
                return false;
            if (!parseModel(value, productId)) {
                error = "--model expects ks1, ks2, kt or a product id, not \"" + value + "\"";
                return false;
            }
        } else if (option == "--firmware") {
            if (!takeValue(value))
                return false;
            if (value.size() > 10) {
                error = "--firmware takes at most 10 bytes";
                return false;
            }
            firmware = value;
        } else if (option == "--bus") {
            if (!takeValue(value))
                return false;
            std::uint64_t number = 0;
            if (!parseUnsigned(value, 15, number)) {
                error = "--bus expects 0 to 15";
                return false;
            }
            bus = static_cast<unsigned>(number);
        } else if (option == "--journal") {
            if (!takeValue(value))
                return false;
            if (value.empty()) {
                error = "--journal needs a file name or -";
                return false;
            }
            journalPath = value;
        } else if (option == "--fail") {
            if (!takeValue(value))
                return false;
            faults.push_back(value);
        } else if (option == "--delay-ms") {
            if (!takeValue(value))
                return false;
            std::uint64_t number = 0;
            if (!parseUnsigned(value, 600000, number)) {
                error = "--delay-ms expects 0 to 600000";
                return false;
            }
            delayMs = static_cast<unsigned>(number);
        } else if (option == "--unplug-after") {
            if (!takeValue(value))
                return false;
            char *end = nullptr;
            errno = 0;
            const double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || errno != 0 || !std::isfinite(seconds) || seconds < 0) {
                error = "--unplug-after expects a number of seconds";
                return false;
            }
            unplugAfterSeconds = seconds;
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    return true;
}
