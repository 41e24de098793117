// SPDX-License-Identifier: MIT
// Sleep and resume through WM_POWERBROADCAST. Windows broadcasts it to
// top-level windows only, so the window is a hidden top-level one, never a
// message-only one (HWND_MESSAGE), which broadcasts skip.
#include "platform/PowerWatch.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace zelvoro::platform {

namespace {

constexpr wchar_t kClassName[] = L"ZelvoroPowerWatch";

LRESULT CALLBACK powerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto *create = reinterpret_cast<const CREATESTRUCTW *>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_POWERBROADCAST) {
        auto *listener = reinterpret_cast<PowerWatch::Listener *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (listener && wParam == PBT_APMSUSPEND)
            listener->systemSuspending();
        // Both resume events usually follow one sleep; the listener acts once.
        else if (listener && (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND))
            listener->systemResumed();
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HINSTANCE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&powerWindowProc), &module);
    return module;
}

} // namespace

PowerWatch::PowerWatch(Listener &listener) : listener(listener)
{
    const HINSTANCE module = thisModule();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = powerWindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kClassName;
    // A second watch in the process finds the class registered already.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return;
    // No parent: top-level, and never shown.
    handle = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, module,
                             &this->listener);
}

PowerWatch::~PowerWatch()
{
    if (handle)
        DestroyWindow(static_cast<HWND>(handle));
}

} // namespace zelvoro::platform
