// SPDX-License-Identifier: MIT
#include "sim/Journal.h"

#include "sim/JsonText.h"
#include "sim/RequestHandler.h"

#include <cerrno>
#include <cmath>
#include <cstring>

Journal::~Journal()
{
    if (file && ownsFile)
        std::fclose(file);
}

bool Journal::open(const std::string &path, std::string &error)
{
    if (path == "-") {
        file = stdout;
        ownsFile = false;
        return true;
    }
    file = std::fopen(path.c_str(), "ae");
    if (!file) {
        error = "cannot open journal " + path + ": " + std::strerror(errno);
        return false;
    }
    ownsFile = true;
    return true;
}

std::string Journal::line(double elapsedMs, std::uint64_t connection, std::uint32_t code,
                          std::size_t inputSize, const Reply &reply)
{
    // Whole microseconds keep the timestamps short.
    std::string text = "{\"t_ms\":" + JsonText::number(std::round(elapsedMs * 1000.0) / 1000.0) +
                       ",\"conn\":" + std::to_string(connection) + ",\"code\":\"" + JsonText::code(code) +
                       "\",\"op\":" + JsonText::string(reply.op) +
                       ",\"in_len\":" + std::to_string(inputSize) +
                       ",\"status\":" + std::to_string(reply.status);
    for (const auto &[name, value] : reply.fields)
        text += ",\"" + name + "\":" + value;
    text += "}\n";
    return text;
}

void Journal::record(double elapsedMs, std::uint64_t connection, std::uint32_t code, std::size_t inputSize,
                     const Reply &reply)
{
    if (!file)
        return;
    const std::string text = line(elapsedMs, connection, code, inputSize, reply);
    std::lock_guard lock(mutex);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fflush(file);
}
