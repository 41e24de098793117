// SPDX-License-Identifier: MIT
// Control devices through the Win32 file and device-I/O API.
#include "platform/DeviceIo.h"

#include "platform/WinError.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace zelvoro::platform {

namespace {

HANDLE toHandle(NativeHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

// INVALID_HANDLE_VALUE is (HANDLE)-1, so the Win32 value and kInvalidHandle coincide.
static_assert(sizeof(NativeHandle) == sizeof(HANDLE));

NativeHandle openControlDevice(const std::wstring &name, std::uint32_t &error)
{
    const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return kInvalidHandle;
    }
    error = winerror::Success;
    return reinterpret_cast<NativeHandle>(h);
}

IoResult deviceIoControl(NativeHandle handle, std::uint32_t code, const void *in, std::uint32_t inSize,
                         void *out, std::uint32_t outCapacity)
{
    // The all-bits-set value is also the current-process pseudo-handle on
    // Windows; never hand it to the kernel as if it were a device.
    if (handle == kInvalidHandle)
        return {false, 0, ERROR_INVALID_HANDLE};
    DWORD returned = 0;
    // DeviceIoControl takes a non-const input pointer but does not write through it.
    const BOOL ok = ::DeviceIoControl(toHandle(handle), code, const_cast<void *>(in), in ? inSize : 0, out,
                                      out ? outCapacity : 0, &returned, nullptr);
    if (!ok)
        return {false, 0, static_cast<std::uint32_t>(::GetLastError())};
    return {true, static_cast<std::uint32_t>(returned), winerror::Success};
}

void closeHandle(NativeHandle handle)
{
    if (handle != kInvalidHandle)
        ::CloseHandle(toHandle(handle));
}

} // namespace zelvoro::platform
