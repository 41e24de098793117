// SPDX-License-Identifier: MIT
#include "sim/Simulator.h"

#include "platform/WinError.h"
#include "platform/posix/RuntimeDir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <unistd.h>

namespace posix = zelvoro::platform::posix;
namespace winerror = zelvoro::platform::winerror;

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

bool installSignalHandlers()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action
    {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

std::string serveError(const std::string &name, std::uint32_t error)
{
    if (error == winerror::PipeBusy)
        return name + " is already served by another process (error 231)";
    if (error == winerror::AccessDenied)
        return "runtime directory " + posix::runtimeDirectory() +
               " refused: it must be ours, not a link, mode 0700 (error 5)";
    return "cannot serve " + name + " (error " + std::to_string(error) + ")";
}

} // namespace

Simulator::Simulator(const SimOptions &options)
    : options(options), device(this->options, faults, journal), asio(console), commands(device, faults)
{
}

bool Simulator::setUp()
{
    std::string error;
    if (!options.journalPath.empty() && !journal.open(options.journalPath, error)) {
        std::cerr << "zelvoro-sim: " << error << std::endl;
        return false;
    }
    for (const std::string &faultText : options.faults) {
        const auto rule = FaultInjector::parse(faultText, error);
        if (!rule) {
            std::cerr << "zelvoro-sim: --fail: " << error << std::endl;
            return false;
        }
        faults.add(*rule);
    }
    if (!installSignalHandlers()) {
        std::cerr << "zelvoro-sim: cannot install signal handlers" << std::endl;
        return false;
    }
    if (const std::uint32_t status = device.plug(); status != winerror::Success) {
        std::cerr << "zelvoro-sim: " << serveError(device.deviceName(), status) << std::endl;
        return false;
    }
    if (options.asio) {
        if (const std::uint32_t status = asio.start(); status != winerror::Success) {
            std::cerr << "zelvoro-sim: " << serveError("\\\\.\\pipe\\ZelvoroPannelToASIO", status)
                      << std::endl;
            return false;
        }
    }
    return true;
}

int Simulator::run()
{
    if (!setUp()) {
        asio.stop();
        device.unplug();
        return 1;
    }
    console.line("ready");
    commandLoop();
    asio.stop();
    device.unplug();
    return 0;
}

void Simulator::handleInput(std::string &pending, const char *data, std::size_t size)
{
    pending.append(data, size);
    std::size_t newline;
    while (!commands.quitRequested() && (newline = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        console.line(commands.execute(line));
    }
}

void Simulator::commandLoop()
{
    using Clock = std::chrono::steady_clock;
    const bool unplugLater = options.unplugAfterSeconds >= 0;
    const Clock::time_point unplugAt =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(options.unplugAfterSeconds));
    bool unplugDue = unplugLater;
    bool stdinOpen = true;
    std::string pending;
    while (!commands.quitRequested()) {
        int timeout = -1;
        if (unplugDue) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(unplugAt - Clock::now()).count();
            if (left <= 0) {
                device.unplug();
                unplugDue = false;
                continue;
            }
            timeout = static_cast<int>(std::min<long long>(left, 60000)) + 1;
        }
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, timeout) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents != 0)
            return;
        if (fds[1].revents == 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n > 0) {
            handleInput(pending, buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            if (!pending.empty())
                handleInput(pending, "\n", 1); // a last command without its newline
            stdinOpen = false;
            if (options.stdinEofQuits)
                return;
        }
    }
}
