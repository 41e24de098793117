// SPDX-License-Identifier: MIT
// The test bus driver as a demand-start kernel service, which Wine loads into
// its winedevice.exe. Shared by the Wine tests and the program checks' tool.
#pragma once

#include <windows.h>

#include <string>

namespace testbus {

inline constexpr wchar_t kServiceName[] = L"ZelvoroTestBus";

inline std::wstring besideExecutable(const wchar_t *file)
{
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + file;
}

inline void removeService(SC_HANDLE manager)
{
    const SC_HANDLE service = OpenServiceW(manager, kServiceName, SERVICE_ALL_ACCESS);
    if (!service)
        return;
    SERVICE_STATUS status;
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    DeleteService(service);
    CloseServiceHandle(service);
}

// The service for zelvoro_test_bus.sys beside this program, replacing one an
// aborted run left behind; null on failure (GetLastError tells why).
inline SC_HANDLE createService(SC_HANDLE manager)
{
    removeService(manager);
    const std::wstring path = besideExecutable(L"zelvoro_test_bus.sys");
    return CreateServiceW(manager, kServiceName, kServiceName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                          SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                          nullptr, nullptr);
}

} // namespace testbus
