// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

namespace zelvoro::platform {

// Modifier bits of a global key, the same on every system.
enum HotkeyModifier : unsigned { HotkeyShift = 1, HotkeyControl = 2, HotkeyAlt = 4, HotkeyMeta = 8 };

enum class HotkeyResult {
    Registered,
    InUse,   // another program holds the key
    Refused, // the system would not take it (no such key on the keyboard, no session)
};

// System-wide keys: RegisterHotKey on Windows (WM_HOTKEY reaches the thread's
// message queue), a grab on the root window under X11. Each key carries the id
// its caller chose; every key is released when the object goes.
class GlobalHotkeys
{
public:
    // `connection` is the X11 session's xcb connection (null: no X11 session);
    // Windows needs none.
    explicit GlobalHotkeys(void *connection);
    ~GlobalHotkeys();
    GlobalHotkeys(const GlobalHotkeys &) = delete;
    GlobalHotkeys &operator=(const GlobalHotkeys &) = delete;

    // False where no program can take a system-wide key (Wayland, offscreen).
    bool available() const;
    // `nativeKey` is a Windows virtual-key code, or an X keysym.
    HotkeyResult add(int id, unsigned modifiers, std::uint32_t nativeKey);
    void removeAll();
    // The id of the key a native event carries (a MSG on Windows, an
    // xcb_generic_event_t under X11), or -1 when it is none of ours.
    int idOf(const void *event) const;

private:
    struct Key
    {
        int id;
        unsigned modifiers; // native modifier mask
        std::uint32_t code; // virtual key or keycode
    };

    void *connection;
    std::uint32_t root = 0;
    std::vector<Key> keys;
};

} // namespace zelvoro::platform
