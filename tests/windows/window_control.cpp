// SPDX-License-Identifier: MIT
// Finds and works the real program's windows from the checks, as a user or
// the notification area would:
//
//   window_control wait TITLE SECONDS   wait for a visible top-level window with that
//                                       title; print "found X Y WIDTH HEIGHT" (screen)
//   window_control gone TITLE SECONDS   wait until no such window is visible
//   window_control titles               print the title of every visible top-level window
//   window_control tray-click           click the program's notification icon
//   window_control press-enter TITLE    press Enter in that window
//   window_control power-resume         broadcast the two resume events of one wake-up
//   window_control hotkey ID            post WM_HOTKEY with that id to the program's GUI
//                                       thread, as the system does for a registered key
//
// Exits 0 on success, 1 when the window did not show (or go) in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring &text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

std::wstring wide(const char *text)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
    if (size > 1)
        MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), size);
    return out;
}

std::wstring titleOf(HWND window)
{
    wchar_t text[512];
    const int n = GetWindowTextW(window, text, 512);
    return std::wstring(text, static_cast<std::size_t>(n > 0 ? n : 0));
}

std::vector<HWND> visibleWindows()
{
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM list) -> BOOL {
            if (IsWindowVisible(window))
                reinterpret_cast<std::vector<HWND> *>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND findVisible(const std::wstring &title)
{
    for (HWND window : visibleWindows())
        if (titleOf(window) == title)
            return window;
    return nullptr;
}

int wait(const std::wstring &title, DWORD seconds, bool untilGone)
{
    const ULONGLONG deadline = GetTickCount64() + seconds * 1000ull;
    for (;;) {
        const HWND window = findVisible(title);
        if (window && !untilGone) {
            RECT r;
            GetWindowRect(window, &r);
            std::printf("found %ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
            return 0;
        }
        if (!window && untilGone)
            return 0;
        if (GetTickCount64() >= deadline)
            break;
        Sleep(100);
    }
    std::printf("window_control: \"%s\" %s\n", utf8(title).c_str(), untilGone ? "still shown" : "not shown");
    return 1;
}

int titles()
{
    for (HWND window : visibleWindows())
        std::printf("%s\n", utf8(titleOf(window)).c_str());
    return 0;
}

// Qt's notification icon window: a message-only window whose class name ends
// in this, told about clicks with WM_APP + 101 and the event in the low word.
HWND trayWindow()
{
    const std::wstring suffix = L"TrayIconMessageWindowClass";
    for (HWND parent : {HWND_MESSAGE, HWND(nullptr)}) {
        for (HWND window = FindWindowExW(parent, nullptr, nullptr, nullptr); window;
             window = FindWindowExW(parent, window, nullptr, nullptr)) {
            wchar_t name[256];
            const int n = GetClassNameW(window, name, 256);
            const std::wstring className(name, static_cast<std::size_t>(n > 0 ? n : 0));
            if (className.size() >= suffix.size() &&
                className.compare(className.size() - suffix.size(), suffix.size(), suffix) == 0)
                return window;
        }
    }
    return nullptr;
}

int trayClick()
{
    HWND window = nullptr;
    for (int attempt = 0; attempt < 100 && !window; ++attempt) {
        window = trayWindow();
        if (!window)
            Sleep(100);
    }
    if (!window) {
        std::printf("window_control: no notification icon\n");
        return 1;
    }
    // What the shell sends for a left click on an icon of version 4: select.
    const UINT notifyIconMessage = WM_APP + 101;
    const UINT select = WM_USER; // NIN_SELECT
    SendMessageW(window, notifyIconMessage, 0, MAKELPARAM(select, 0));
    return 0;
}

int pressEnter(const std::wstring &title)
{
    const HWND window = findVisible(title);
    if (!window) {
        std::printf("window_control: \"%s\" not shown\n", utf8(title).c_str());
        return 1;
    }
    const UINT scan = MapVirtualKeyW(VK_RETURN, MAPVK_VK_TO_VSC);
    PostMessageW(window, WM_KEYDOWN, VK_RETURN, 1 | scan << 16);
    PostMessageW(window, WM_CHAR, L'\r', 1 | scan << 16);
    PostMessageW(window, WM_KEYUP, VK_RETURN, 1 | scan << 16 | 3u << 30);
    return 0;
}

// What Windows sends every top-level window after a sleep: the automatic
// resume, then the one for a user who is back.
int powerResume()
{
    for (const WPARAM event : {WPARAM(PBT_APMRESUMEAUTOMATIC), WPARAM(PBT_APMRESUMESUSPEND)}) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(HWND_BROADCAST, WM_POWERBROADCAST, event, 0, SMTO_ABORTIFHUNG, 5000, &result)) {
            std::printf("window_control: broadcasting WM_POWERBROADCAST failed, error %lu\n", GetLastError());
            return 1;
        }
    }
    return 0;
}

int postHotkey(WPARAM id)
{
    const HWND window = trayWindow();
    const DWORD thread = window ? GetWindowThreadProcessId(window, nullptr) : 0;
    if (!thread || !PostThreadMessageW(thread, WM_HOTKEY, id, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'D'))) {
        std::printf("window_control: no thread to post WM_HOTKEY to\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if ((command == "wait" || command == "gone") && argc == 4)
        return wait(wide(argv[2]), static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)), command == "gone");
    if (command == "titles" && argc == 2)
        return titles();
    if (command == "tray-click" && argc == 2)
        return trayClick();
    if (command == "press-enter" && argc == 3)
        return pressEnter(wide(argv[2]));
    if (command == "power-resume" && argc == 2)
        return powerResume();
    if (command == "hotkey" && argc == 3)
        return postHotkey(static_cast<WPARAM>(std::strtoul(argv[2], nullptr, 10)));
    std::printf("usage: window_control wait|gone TITLE SECONDS | titles | tray-click | press-enter TITLE | "
                "power-resume | hotkey ID\n");
    return 2;
}
