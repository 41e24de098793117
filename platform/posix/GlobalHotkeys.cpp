// SPDX-License-Identifier: MIT
#include "platform/GlobalHotkeys.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace zelvoro::platform {

namespace {

// Num Lock sits on Mod2 in every common keymap; a grab has to name each lock
// state, or the key stops working while Num Lock or Caps Lock is on.
constexpr std::uint16_t kLocks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr std::uint8_t kBadAccess = 10;

xcb_connection_t *xcb(void *connection)
{
    return static_cast<xcb_connection_t *>(connection);
}

std::uint16_t nativeModifiers(unsigned modifiers)
{
    std::uint16_t mask = 0;
    if (modifiers & HotkeyShift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & HotkeyControl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & HotkeyAlt)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & HotkeyMeta)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// The first keycode whose map carries the keysym; 0 when the keyboard has none.
xcb_keycode_t keycodeOf(xcb_connection_t *connection, std::uint32_t keysym)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t *reply = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, std::uint8_t(count)), nullptr);
    if (!reply)
        return 0;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int perCode = reply->keysyms_per_keycode;
    xcb_keycode_t found = 0;
    for (int code = 0; code < count && !found; ++code) {
        for (int column = 0; column < perCode && column < 2; ++column) {
            if (syms[code * perCode + column] == keysym) {
                found = xcb_keycode_t(setup->min_keycode + code);
                break;
            }
        }
    }
    std::free(reply);
    return found;
}

void ungrab(xcb_connection_t *connection, std::uint32_t root, std::uint8_t code, std::uint16_t modifiers)
{
    for (std::uint16_t lock : kLocks)
        xcb_ungrab_key(connection, code, root, std::uint16_t(modifiers | lock));
}

} // namespace

GlobalHotkeys::GlobalHotkeys(void *connection) : connection(connection)
{
    if (connection)
        root = xcb_setup_roots_iterator(xcb_get_setup(xcb(connection))).data->root;
}

GlobalHotkeys::~GlobalHotkeys()
{
    removeAll();
}

bool GlobalHotkeys::available() const
{
    return connection != nullptr;
}

HotkeyResult GlobalHotkeys::add(int id, unsigned modifiers, std::uint32_t nativeKey)
{
    if (!connection)
        return HotkeyResult::Refused;
    const xcb_keycode_t code = keycodeOf(xcb(connection), nativeKey);
    if (!code)
        return HotkeyResult::Refused;
    const std::uint16_t mask = nativeModifiers(modifiers);
    // Checked requests: a key another client grabbed answers BadAccess.
    xcb_void_cookie_t cookies[4];
    for (int i = 0; i < 4; ++i)
        cookies[i] = xcb_grab_key_checked(xcb(connection), 1, root, std::uint16_t(mask | kLocks[i]), code,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    HotkeyResult result = HotkeyResult::Registered;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t *error = xcb_request_check(xcb(connection), cookie)) {
            if (result == HotkeyResult::Registered)
                result = error->error_code == kBadAccess ? HotkeyResult::InUse : HotkeyResult::Refused;
            std::free(error);
        }
    }
    if (result != HotkeyResult::Registered) {
        // Whatever variants did succeed are let go: half a key is no key.
        ungrab(xcb(connection), root, code, mask);
        xcb_flush(xcb(connection));
        return result;
    }
    keys.push_back({id, mask, code});
    return result;
}

void GlobalHotkeys::removeAll()
{
    if (!connection || keys.empty())
        return;
    for (const Key &key : keys)
        ungrab(xcb(connection), root, std::uint8_t(key.code), std::uint16_t(key.modifiers));
    keys.clear();
    xcb_flush(xcb(connection));
}

int GlobalHotkeys::idOf(const void *event) const
{
    const auto *generic = static_cast<const xcb_generic_event_t *>(event);
    if ((generic->response_type & 0x7f) != XCB_KEY_PRESS)
        return -1;
    const auto *press = static_cast<const xcb_key_press_event_t *>(event);
    const std::uint16_t relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    for (const Key &key : keys) {
        if (key.code == press->detail && key.modifiers == (press->state & relevant))
            return key.id;
    }
    return -1;
}

} // namespace zelvoro::platform
