// SPDX-License-Identifier: MIT
// Median round trip of the two big control requests against zelvoro-sim,
// next to a bare framed echo of the same sizes over a Unix socket.
//
//   bench-device-io [iterations] [--table FILE]
//
// With --table the sim figures are also added to scripts/bench's table.
#include "bench/BenchTable.h"
#include "bench/EchoServer.h"
#include "bench/SimChild.h"
#include "driver/ControlCodes.h"
#include "driver/MeterBlock.h"
#include "driver/MixerBlock.h"
#include "platform/DeviceIo.h"
#include "platform/posix/RuntimeDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zelvoro::platform;

namespace {

struct Timing
{
    double median = 0;
    double p90 = 0;
    bool ok = false;
};

Timing measure(int iterations, const std::function<bool()> &request)
{
    using Clock = std::chrono::steady_clock;
    for (int i = 0; i < iterations / 10 + 10; ++i)
        if (!request())
            return {};
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(iterations));
    for (int i = 0; i < iterations; ++i) {
        const auto start = Clock::now();
        if (!request())
            return {};
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[samples.size() * 9 / 10], true};
}

struct Case
{
    const char *name;
    Timing sim;
    Timing journalled;
    Timing floor;
};

void removeTree(const std::string &root)
{
    const std::string dir = root + "/zelvoro";
    ::unlink((dir + "/ZelvoroAudioBus0").c_str());
    ::unlink((dir + "/ZelvoroAudioBus1").c_str());
    ::unlink((dir + "/ZelvoroAudioBus2").c_str());
    ::unlink((root + "/journal.jsonl").c_str());
    ::rmdir(dir.c_str());
    ::rmdir(root.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    int iterations = 2000;
    std::string tablePath;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--table" && i + 1 < argc)
            tablePath = argv[++i];
        else
            iterations = std::max(10, std::atoi(argv[i]));
    }

    // A private runtime directory: a simulator the developer runs is left alone.
    char root[] = "/tmp/zelvoro-bench.XXXXXX";
    if (!::mkdtemp(root)) {
        std::perror("mkdtemp");
        return 1;
    }
    ::setenv("XDG_RUNTIME_DIR", root, 1);
    if (posix::checkRuntimeDirectory(true) != 0) {
        std::fprintf(stderr, "cannot create the runtime directory in %s\n", root);
        removeTree(root);
        return 1;
    }

    SimChild sim;
    if (!sim.start(ZELVORO_SIM_PATH, {"--bus", "0"})) {
        std::fprintf(stderr, "zelvoro-sim did not start (%s)\n", ZELVORO_SIM_PATH);
        removeTree(root);
        return 1;
    }
    // Tests always run the simulator with a journal; show what it costs.
    SimChild journalledSim;
    if (!journalledSim.start(ZELVORO_SIM_PATH,
                             {"--bus", "2", "--journal", std::string(root) + "/journal.jsonl"})) {
        std::fprintf(stderr, "zelvoro-sim with a journal did not start\n");
        removeTree(root);
        return 1;
    }
    EchoServer echo;
    if (!echo.start(posix::endpointPath(std::string("\\\\.\\ZelvoroAudioBus1")))) {
        std::fprintf(stderr, "cannot start the echo server\n");
        removeTree(root);
        return 1;
    }

    std::uint32_t error = 0;
    const NativeHandle simHandle = openControlDevice(L"\\\\.\\ZelvoroAudioBus0", error);
    const NativeHandle echoHandle = openControlDevice(L"\\\\.\\ZelvoroAudioBus1", error);
    const NativeHandle journalledHandle = openControlDevice(L"\\\\.\\ZelvoroAudioBus2", error);
    if (simHandle == kInvalidHandle || echoHandle == kInvalidHandle || journalledHandle == kInvalidHandle) {
        std::fprintf(stderr, "open failed, error %u\n", error);
        removeTree(root);
        return 1;
    }

    MixerBlock mixer;
    for (std::size_t i = 0; i < MixerBlock::kChannels; ++i)
        mixer.vector(0, i) = 1.0;
    mixer.matrix(2, 0, 0) = 0.5;
    MeterBlock meter;
    auto writeMixer = [&mixer](NativeHandle handle) {
        return [handle, &mixer] {
            return deviceIoControl(handle, controlcode::WriteMixerBlock, mixer.data(), MixerBlock::kBytes,
                                   nullptr, 0)
                .ok;
        };
    };
    auto readMeter = [&meter](NativeHandle handle) {
        return [handle, &meter] {
            const IoResult r = deviceIoControl(handle, controlcode::ReadMeterData, nullptr, 0, meter.data(),
                                               MeterBlock::kBytes);
            return r.ok && r.bytesReturned == MeterBlock::kBytes;
        };
    };

    Case cases[] = {
        {"writeMixerBlock (66304 B in)", measure(iterations, writeMixer(simHandle)),
         measure(iterations, writeMixer(journalledHandle)), measure(iterations, writeMixer(echoHandle))},
        {"readMeterData (768 B out)", measure(iterations, readMeter(simHandle)),
         measure(iterations, readMeter(journalledHandle)), measure(iterations, readMeter(echoHandle))},
    };
    closeHandle(simHandle);
    closeHandle(echoHandle);
    closeHandle(journalledHandle);
    echo.stop();
    sim.stop();
    journalledSim.stop();
    removeTree(root);

    std::printf("round trip, microseconds, %d requests each (median / 90th percentile)\n", iterations);
    std::printf("%-30s %16s %16s %16s %8s %8s\n", "request", "zelvoro-sim", "sim+journal", "echo floor",
                "ratio", "ratio+j");
    bool allOk = true;
    auto text = [](const Timing &t) {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.1f / %.1f", t.median, t.p90);
        return std::string(buffer);
    };
    for (const Case &c : cases) {
        if (!c.sim.ok || !c.journalled.ok || !c.floor.ok) {
            std::printf("%-30s %16s\n", c.name, "request failed");
            allOk = false;
            continue;
        }
        std::printf("%-30s %16s %16s %16s %7.2fx %7.2fx\n", c.name, text(c.sim).c_str(),
                    text(c.journalled).c_str(), text(c.floor).c_str(), c.sim.median / c.floor.median,
                    c.journalled.median / c.floor.median);
    }
    if (!tablePath.empty()) {
        BenchTable table(tablePath);
        for (const Case &c : cases)
            if (c.sim.ok && c.floor.ok)
                table.report(std::string(c.name) + " round trip, zelvoro-sim (vs framed echo)", c.sim.median, "us",
                             BenchTable::number(c.floor.median, "us"));
    }
    return allOk ? 0 : 1;
}
