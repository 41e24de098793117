// SPDX-License-Identifier: MIT
// Start-up to a running event loop with no device: ZelvoroDriver next to the
// minimal tray program, launched alternately, offscreen, each with the
// start-up probe preloaded. Measured: wall time from the spawn to the probe's
// report from the first pass of the event loop (the program is then asked to
// quit; its shutdown is not timed). The minimal program also runs with
// --product-icons, loading the icons as Zelvoro Mixer does, to show their share,
// and with --shared-icon, decoding icon.png once.
//
//   bench-startup <table file> [rounds]
#include "bench/BenchTable.h"
#include "bench/PrivateEnvironment.h"
#include "bench/ProbedProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double launch(const std::string &program, const PrivateEnvironment &env, const std::vector<std::string> &arguments = {})
{
    ProbedProcess process;
    if (!process.start(program, ZELVORO_PROBE_PATH, env.variables(), false, arguments))
        return -1;
    const double seconds = process.waitForLoop(20000);
    // A program that did not end by itself would leave its single-instance mark.
    if (!process.stop(20000))
        return -1;
    return seconds;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-startup <table file> [rounds]\n");
        return 2;
    }
    BenchTable table(argv[1]);
    const int rounds = argc > 2 ? std::max(3, std::atoi(argv[2])) : 15;
    const char *what = "start-up to event loop, no device (ZelvoroDriver vs minimal tray program)";
    PrivateEnvironment productEnv;
    PrivateEnvironment minimalEnv;
    if (!table.isOpen() || !productEnv.isValid() || !minimalEnv.isValid()) {
        std::fprintf(stderr, "cannot set up the table or the private directories\n");
        return 1;
    }
    // One unmeasured launch each fills the page cache.
    launch(ZELVORO_DRIVER_PATH, productEnv);
    launch(ZELVORO_MINIMAL_PATH, minimalEnv);
    std::vector<double> product;
    std::vector<double> minimal;
    std::vector<double> withIcons;
    std::vector<double> sharedIcon;
    for (int i = 0; i < rounds; ++i) {
        const double p = launch(ZELVORO_DRIVER_PATH, productEnv);
        const double m = launch(ZELVORO_MINIMAL_PATH, minimalEnv);
        const double mi = launch(ZELVORO_MINIMAL_PATH, minimalEnv, {"--product-icons"});
        const double ms = launch(ZELVORO_MINIMAL_PATH, minimalEnv, {"--shared-icon"});
        if (p < 0 || m < 0 || mi < 0 || ms < 0) {
            table.failed(what, p < 0 ? "ZelvoroDriver did not reach its loop and quit" : "minimal program failed");
            return 1;
        }
        product.push_back(p * 1000.0);
        minimal.push_back(m * 1000.0);
        withIcons.push_back(mi * 1000.0);
        sharedIcon.push_back(ms * 1000.0);
    }
    const double productMs = BenchTable::median(product);
    const double minimalMs = BenchTable::median(minimal);
    const double withIconsMs = BenchTable::median(withIcons);
    table.ratio(what, productMs, minimalMs, "ms", 1.30);
    table.compare("  minimal tray program loading Zelvoro Mixer's icons (vs minimal)", withIconsMs, minimalMs, "ms");
    table.compare("  ZelvoroDriver vs minimal loading the same icons", productMs, withIconsMs, "ms");
    table.compare("  minimal with the tray icon made from the window icon's pixmap (one icon.png decode)",
                  BenchTable::median(sharedIcon), minimalMs, "ms");
    return 0;
}
