// SPDX-License-Identifier: MIT
#include "platform/GlobalHotkeys.h"

#include <windows.h>

namespace zelvoro::platform {

GlobalHotkeys::GlobalHotkeys(void *connection) : connection(connection) {}

GlobalHotkeys::~GlobalHotkeys()
{
    removeAll();
}

bool GlobalHotkeys::available() const
{
    return true;
}

HotkeyResult GlobalHotkeys::add(int id, unsigned modifiers, std::uint32_t nativeKey)
{
    UINT mask = MOD_NOREPEAT;
    if (modifiers & HotkeyShift)
        mask |= MOD_SHIFT;
    if (modifiers & HotkeyControl)
        mask |= MOD_CONTROL;
    if (modifiers & HotkeyAlt)
        mask |= MOD_ALT;
    if (modifiers & HotkeyMeta)
        mask |= MOD_WIN;
    // No window: WM_HOTKEY is posted to this thread's queue, where the
    // application's native event filter sees it.
    if (!RegisterHotKey(nullptr, id, mask, nativeKey))
        return GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED ? HotkeyResult::InUse : HotkeyResult::Refused;
    keys.push_back({id, mask, nativeKey});
    return HotkeyResult::Registered;
}

void GlobalHotkeys::removeAll()
{
    for (const Key &key : keys)
        UnregisterHotKey(nullptr, key.id);
    keys.clear();
}

int GlobalHotkeys::idOf(const void *event) const
{
    const MSG *message = static_cast<const MSG *>(event);
    if (message->message != WM_HOTKEY || message->hwnd != nullptr)
        return -1;
    const int id = int(message->wParam);
    for (const Key &key : keys) {
        if (key.id == id)
            return id;
    }
    return -1;
}

} // namespace zelvoro::platform
