// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace controlcode {

// CTL_CODE(0xFFDC, function, METHOD_BUFFERED, FILE_ANY_ACCESS)
constexpr std::uint32_t make(std::uint32_t function)
{
    return (0xFFDCu << 16) | (function << 2);
}

inline constexpr std::uint32_t GetSampleRate = make(0x808);
inline constexpr std::uint32_t SetSampleRate = make(0x80E);
inline constexpr std::uint32_t WriteMixerBlock = make(0x810);
inline constexpr std::uint32_t SetBufferSize = make(0x811);
inline constexpr std::uint32_t GetBufferSize = make(0x812);
inline constexpr std::uint32_t GetUsbLatency = make(0x813);
inline constexpr std::uint32_t SetUsbLatency = make(0x814);
inline constexpr std::uint32_t ReadMeterData = make(0x81D);
inline constexpr std::uint32_t StopAudio = make(0x81E);
inline constexpr std::uint32_t InitAudio = make(0x81F);
inline constexpr std::uint32_t RestartAudio = make(0x820);
inline constexpr std::uint32_t GetDevicePid = make(0x821);
inline constexpr std::uint32_t SetWdmChannelCount = make(0x822);
inline constexpr std::uint32_t EnableSlowMode = make(0x824);
inline constexpr std::uint32_t DisableSlowMode = make(0x825);
inline constexpr std::uint32_t SendVendorCommand = make(0x827);
inline constexpr std::uint32_t TransferVendorCommand = make(0x828);
inline constexpr std::uint32_t GetValue32 = make(0x829);
inline constexpr std::uint32_t SetValue16 = make(0x82B);
inline constexpr std::uint32_t GetValue16 = make(0x82C);
inline constexpr std::uint32_t SetFlag8 = make(0x82D);
inline constexpr std::uint32_t GetFlag8 = make(0x82E);

static_assert(GetSampleRate == 0xFFDC2020u);
static_assert(WriteMixerBlock == 0xFFDC2040u);
static_assert(SendVendorCommand == 0xFFDC209Cu);
static_assert(GetFlag8 == 0xFFDC20B8u);

// Every code the driver answers, with the operation name used in logs and by
// the simulator's journal and fault injection.
struct Entry
{
    std::uint32_t code;
    const char *name;
};

inline constexpr Entry kAll[] = {
    {GetSampleRate, "getSampleRate"},
    {SetSampleRate, "setSampleRate"},
    {WriteMixerBlock, "writeMixerBlock"},
    {SetBufferSize, "setBufferSize"},
    {GetBufferSize, "getBufferSize"},
    {GetUsbLatency, "getUsbLatency"},
    {SetUsbLatency, "setUsbLatency"},
    {ReadMeterData, "readMeterData"},
    {StopAudio, "stopAudio"},
    {InitAudio, "initAudio"},
    {RestartAudio, "restartAudio"},
    {GetDevicePid, "getDevicePid"},
    {SetWdmChannelCount, "setWdmChannelCount"},
    {EnableSlowMode, "enableSlowMode"},
    {DisableSlowMode, "disableSlowMode"},
    {SendVendorCommand, "vendor"},
    {TransferVendorCommand, "transferVendorCommand"},
    {GetValue32, "getValue32"},
    {SetValue16, "setValue16"},
    {GetValue16, "getValue16"},
    {SetFlag8, "setFlag8"},
    {GetFlag8, "getFlag8"},
};

inline const char *nameOf(std::uint32_t code)
{
    for (const Entry &e : kAll)
        if (e.code == code)
            return e.name;
    return nullptr;
}

} // namespace controlcode
