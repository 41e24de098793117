// SPDX-License-Identifier: MIT
#pragma once

namespace zelvoro::platform {

// Tells a listener when the system goes to sleep and when it has resumed, on
// the thread that made the watch (that thread's message loop must run).
// Windows: a hidden top-level window for WM_POWERBROADCAST; elsewhere it
// watches nothing (Linux sleep is announced on the system bus instead).
class PowerWatch
{
public:
    class Listener
    {
    public:
        virtual ~Listener() = default;
        virtual void systemSuspending() = 0;
        virtual void systemResumed() = 0;
    };

    explicit PowerWatch(Listener &listener);
    ~PowerWatch();
    PowerWatch(const PowerWatch &) = delete;
    PowerWatch &operator=(const PowerWatch &) = delete;

    // False when nothing is watched (no such notification here, or the window
    // could not be made).
    bool isWatching() const { return handle != nullptr; }

private:
    Listener &listener;
    void *handle = nullptr;
};

} // namespace zelvoro::platform
