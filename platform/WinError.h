// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace zelvoro::platform {

// Windows system error codes. The OS layer reports these on every platform so
// that callers and log lines read the same everywhere.
namespace winerror {
inline constexpr std::uint32_t Success = 0;
inline constexpr std::uint32_t InvalidFunction = 1;
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t AccessDenied = 5;
inline constexpr std::uint32_t InvalidHandle = 6;
inline constexpr std::uint32_t GenFailure = 31;
inline constexpr std::uint32_t InvalidParameter = 87;
inline constexpr std::uint32_t BrokenPipe = 109;
inline constexpr std::uint32_t SemTimeout = 121;
inline constexpr std::uint32_t InsufficientBuffer = 122;
inline constexpr std::uint32_t Busy = 170;
inline constexpr std::uint32_t PipeBusy = 231;
inline constexpr std::uint32_t NoData = 232;
inline constexpr std::uint32_t PipeNotConnected = 233;
inline constexpr std::uint32_t MoreData = 234;
inline constexpr std::uint32_t PipeConnected = 535;
inline constexpr std::uint32_t OperationAborted = 995;
inline constexpr std::uint32_t DeviceNotConnected = 1167;
} // namespace winerror

} // namespace zelvoro::platform
