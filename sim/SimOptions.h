// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The simulator's command line.
class SimOptions
{
public:
    std::uint32_t productId = 2;
    std::string firmware = "1.0.3";
    unsigned bus = 0;
    std::string journalPath; // empty: no journal; "-": standard output
    std::vector<std::string> faults;
    unsigned delayMs = 0;
    double unplugAfterSeconds = -1; // negative: never
    bool asio = false;
    bool silent = false;
    bool shortFirmware = false;
    bool stdinEofQuits = false;
    bool help = false;

    // Parses the arguments after the program name. On failure returns false
    // and describes the problem in `error`.
    bool parse(const std::vector<std::string> &arguments, std::string &error);

    static std::string usage();
    // "ks1", "ks2", "kt" or a decimal number; false for anything else.
    static bool parseModel(const std::string &text, std::uint32_t &productId);
    // A decimal number without sign, at most `max`.
    static bool parseUnsigned(const std::string &text, std::uint64_t max, std::uint64_t &value);
};
