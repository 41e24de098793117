// SPDX-License-Identifier: MIT
#pragma once

#include "sim/EngineState.h"
#include "sim/SocketServer.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

class FaultInjector;
class Journal;
class SimOptions;

// The simulated interface on one control device: answers the requests of
// every connection from one engine state, applies fault injection and
// journals each answer. Plugging serves the socket, unplugging removes it.
class ControlDevice
{
public:
    ControlDevice(const SimOptions &options, FaultInjector &faults, Journal &journal);
    ~ControlDevice();
    ControlDevice(const ControlDevice &) = delete;
    ControlDevice &operator=(const ControlDevice &) = delete;

    // Starts serving with a fresh engine state; returns 0 or a Windows error code.
    std::uint32_t plug();
    void unplug();
    bool isPlugged() const { return server.isRunning(); }
    // A system sleep that cut the interface's power: it wakes with its
    // power-on defaults, keeps its id and its clients' connections.
    void sleep();

    void setProductId(std::uint32_t productId);
    std::string status() const;
    // "\\.\ZelvoroAudioBus0"
    const std::string &deviceName() const { return name; }

    // Requests larger than this are not from a driver client; the connection is dropped.
    static constexpr std::size_t kMaxRequest = 8 + 4 * 1024 * 1024;

private:
    void serveConnection(int fd, std::uint64_t connection);
    double elapsedMs() const;

    FaultInjector &faults;
    Journal &journal;
    const unsigned delayMs;
    const std::string name;
    const std::chrono::steady_clock::time_point started;
    mutable std::mutex mutex; // guards state and keeps the journal in answering order
    EngineState state;
    SocketServer server; // last: stopped before the state it serves goes away
};
