// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// Throw-away HOME, XDG_* and TMPDIR directories for one program under
// measurement, so that it meets no running copy, no other simulator and no
// user settings. The tree is removed on destruction.
class PrivateEnvironment
{
public:
    PrivateEnvironment();
    ~PrivateEnvironment();
    PrivateEnvironment(const PrivateEnvironment &) = delete;
    PrivateEnvironment &operator=(const PrivateEnvironment &) = delete;

    bool isValid() const { return !root.empty(); }
    const std::string &path() const { return root; }
    std::string runtimeDir() const { return root + "/runtime"; }
    std::string dataDir() const { return root + "/data"; }

    // NAME=value entries that point a child process at these directories,
    // with the platform plugin: xcb when DISPLAY is set (scripts/bench runs
    // Xvfb with a notification area), offscreen otherwise.
    std::vector<std::string> variables() const;
    // Sets variables() in this process, for what it runs in process and starts.
    void apply() const;
    // "xcb" or "offscreen", as variables() chooses.
    static std::string platform();

private:
    std::string root;
};
