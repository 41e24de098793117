// SPDX-License-Identifier: MIT
// Idle cost: ZelvoroDriver with no device, ZelvoroDriver with a KS2
// (zelvoro-sim without a journal) and the minimal tray program run side by
// side, offscreen, for the same period. CPU is utime + stime from
// /proc/<pid>/stat over the period, after a warm-up; memory is VmRSS at its end.
//
//   bench-idle <table file> [seconds]
#include "bench/BenchTable.h"
#include "bench/PrivateEnvironment.h"
#include "bench/ProbedProcess.h"
#include "bench/SimChild.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// utime + stime in clock ticks, or -1.
long long cpuTicks(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = -1;
    long long stime = -1;
    // Fields after the command: state is field 3, utime 14 and stime 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14)
            utime = std::atoll(field.c_str());
        if (index == 15)
            stime = std::atoll(field.c_str());
    }
    return utime < 0 || stime < 0 ? -1 : utime + stime;
}

// VmRSS in KiB, or -1.
long long residentKib(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atoll(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-idle <table file> [seconds]\n");
        return 2;
    }
    BenchTable table(argv[1]);
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const std::string period = std::to_string(seconds) + " s";
    PrivateEnvironment noDeviceEnv;
    PrivateEnvironment ks2Env;
    PrivateEnvironment minimalEnv;
    if (!table.isOpen() || !noDeviceEnv.isValid() || !ks2Env.isValid() || !minimalEnv.isValid()) {
        std::fprintf(stderr, "cannot set up the table or the private directories\n");
        return 1;
    }

    // The simulator serves the KS2 program's runtime directory only.
    const char *previous = std::getenv("XDG_RUNTIME_DIR");
    const std::string previousRuntime = previous ? previous : "";
    ::setenv("XDG_RUNTIME_DIR", ks2Env.runtimeDir().c_str(), 1);
    SimChild sim;
    const bool simStarted = sim.start(ZELVORO_SIM_PATH, {"--model", "ks2"});
    if (previous)
        ::setenv("XDG_RUNTIME_DIR", previousRuntime.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
    if (!simStarted) {
        table.failed("idle CPU / memory", "zelvoro-sim did not start");
        return 1;
    }

    ProbedProcess noDevice;
    ProbedProcess withKs2;
    ProbedProcess minimal;
    const bool started = noDevice.start(ZELVORO_DRIVER_PATH, ZELVORO_PROBE_PATH, noDeviceEnv.variables(), true) &&
                         withKs2.start(ZELVORO_DRIVER_PATH, ZELVORO_PROBE_PATH, ks2Env.variables(), true) &&
                         minimal.start(ZELVORO_MINIMAL_PATH, ZELVORO_PROBE_PATH, minimalEnv.variables(), true);
    if (!started || noDevice.waitForLoop(20000) < 0 || withKs2.waitForLoop(20000) < 0 ||
        minimal.waitForLoop(20000) < 0) {
        table.failed("idle CPU / memory", "a program did not reach its event loop");
        return 1;
    }
    // Detection runs once a second; give the KS2 panel time to be built and replayed.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    if (!std::filesystem::exists(ks2Env.dataDir() + "/ZelvoroDriver/ks2.ini")) {
        table.failed("idle CPU / memory", "the KS2 panel did not appear (no ks2.ini)");
        return 1;
    }

    const long long noDevice0 = cpuTicks(noDevice.pid());
    const long long ks20 = cpuTicks(withKs2.pid());
    const long long minimal0 = cpuTicks(minimal.pid());
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long noDevice1 = cpuTicks(noDevice.pid());
    const long long ks21 = cpuTicks(withKs2.pid());
    const long long minimal1 = cpuTicks(minimal.pid());
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const long long ks2Rss = residentKib(withKs2.pid());
    const long long minimalRss = residentKib(minimal.pid());
    const long long noDeviceRss = residentKib(noDevice.pid());

    const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    auto percent = [&](long long a, long long b) { return (b - a) / tick / elapsed * 100.0; };
    if (noDevice0 < 0 || noDevice1 < 0 || ks20 < 0 || ks21 < 0 || minimal0 < 0 || minimal1 < 0 || ks2Rss < 0 ||
        minimalRss < 0) {
        table.failed("idle CPU / memory", "a program ended during the measurement");
        return 1;
    }
    table.limit("CPU idle over " + period + ", no device (% of one core)", percent(noDevice0, noDevice1), "%", 0.5);
    table.limit("CPU idle over " + period + ", KS2 attached (% of one core)", percent(ks20, ks21), "%", 0.5);
    table.report("CPU idle over " + period + ", minimal tray program (% of one core)", percent(minimal0, minimal1),
                 "%");
    table.ratio("resident memory after " + period + ", KS2 vs minimal tray program", ks2Rss / 1024.0,
                minimalRss / 1024.0, "MiB", 1.5);
    table.report("resident memory after " + period + ", no device", noDeviceRss / 1024.0, "MiB");

    const bool clean = noDevice.stop() & withKs2.stop() & minimal.stop();
    sim.stop();
    if (!clean)
        std::fprintf(stderr, "bench-idle: a program did not quit cleanly\n");
    return clean ? 0 : 1;
}
