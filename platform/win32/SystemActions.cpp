// SPDX-License-Identifier: MIT
// The shell actions behind the tray menu, through shell32 and cmd.exe.
#include "platform/SystemActions.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

namespace zelvoro::platform {

bool openSoundSettings()
{
    const HINSTANCE result = ::ShellExecuteA(nullptr, "open", "control.exe", "mmsys.cpl", nullptr, SW_SHOWNORMAL);
    // ShellExecute reports success as a value greater than 32.
    return reinterpret_cast<INT_PTR>(result) > 32;
}

Command audioRefreshCommand()
{
    return {"cmd.exe", {"/c", "taskkill /f /im explorer.exe && start explorer.exe"}};
}

} // namespace zelvoro::platform
