// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace zelvoro::platform {

// A handle on a driver control device: a Windows HANDLE on Win32, a socket
// descriptor on POSIX. All bits set is the invalid value on both.
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle kInvalidHandle = -1;

struct IoResult
{
    bool ok = false;
    std::uint32_t bytesReturned = 0;
    std::uint32_t error = 0; // Windows system error code; 0 on success
};

// Opens a driver control device by its Windows name ("\\.\ZelvoroAudioBus0")
// with shared read and write access. Returns kInvalidHandle and sets `error`
// (a Windows error code) on failure.
NativeHandle openControlDevice(const std::wstring &name, std::uint32_t &error);

// One synchronous control request. `out` may be null when `outCapacity` is 0.
IoResult deviceIoControl(NativeHandle handle, std::uint32_t code, const void *in, std::uint32_t inSize, void *out,
                         std::uint32_t outCapacity);

// Closes a valid handle; harmless on kInvalidHandle.
void closeHandle(NativeHandle handle);

} // namespace zelvoro::platform
