// SPDX-License-Identifier: MIT
#include "bench/PrivateEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

PrivateEnvironment::PrivateEnvironment()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zelvoro-bench.XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return;
    root = pattern;
    for (const char *dir : {"home", "config", "data", "cache", "runtime", "tmp"})
        ::mkdir((root + "/" + dir).c_str(), 0700);
}

PrivateEnvironment::~PrivateEnvironment()
{
    if (!root.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
}

std::string PrivateEnvironment::platform()
{
    const char *display = std::getenv("DISPLAY");
    return display && *display ? "xcb" : "offscreen";
}

void PrivateEnvironment::apply() const
{
    for (const std::string &variable : variables()) {
        const std::size_t eq = variable.find('=');
        ::setenv(variable.substr(0, eq).c_str(), variable.substr(eq + 1).c_str(), 1);
    }
}

std::vector<std::string> PrivateEnvironment::variables() const
{
    return {"HOME=" + root + "/home",       "XDG_CONFIG_HOME=" + root + "/config",
            "XDG_DATA_HOME=" + root + "/data", "XDG_CACHE_HOME=" + root + "/cache",
            "XDG_RUNTIME_DIR=" + root + "/runtime", "TMPDIR=" + root + "/tmp",
            "QT_QPA_PLATFORM=" + platform(),   "LC_ALL=C.UTF-8",
            "LANG=C.UTF-8"};
}
