// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

struct Reply;

// The JSON-lines record of every answered request, flushed line by line so
// that tests can read it while the simulator runs.
class Journal
{
public:
    Journal() = default;
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Appends to `path`, or writes to standard output for "-".
    bool open(const std::string &path, std::string &error);
    bool isOpen() const { return file != nullptr; }

    void record(double elapsedMs, std::uint64_t connection, std::uint32_t code, std::size_t inputSize,
                const Reply &reply);

    static std::string line(double elapsedMs, std::uint64_t connection, std::uint32_t code,
                            std::size_t inputSize, const Reply &reply);

private:
    std::mutex mutex;
    std::FILE *file = nullptr;
    bool ownsFile = false;
};
