// SPDX-License-Identifier: MIT
// The driver's control codes against the Windows SDK's own CTL_CODE.
#include "WineCheck.h"

#include "driver/ControlCodes.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <iterator>
#include <set>

namespace {

constexpr DWORD kDeviceType = 0xFFDC;

// The function number of every operation, written out independently of ControlCodes.h.
struct Expected
{
    const char *name;
    DWORD function;
};

constexpr Expected kExpected[] = {
    {"getSampleRate", 0x808},
    {"setSampleRate", 0x80E},
    {"writeMixerBlock", 0x810},
    {"setBufferSize", 0x811},
    {"getBufferSize", 0x812},
    {"getUsbLatency", 0x813},
    {"setUsbLatency", 0x814},
    {"readMeterData", 0x81D},
    {"stopAudio", 0x81E},
    {"initAudio", 0x81F},
    {"restartAudio", 0x820},
    {"getDevicePid", 0x821},
    {"setWdmChannelCount", 0x822},
    {"enableSlowMode", 0x824},
    {"disableSlowMode", 0x825},
    {"vendor", 0x827},
    {"transferVendorCommand", 0x828},
    {"getValue32", 0x829},
    {"setValue16", 0x82B},
    {"getValue16", 0x82C},
    {"setFlag8", 0x82D},
    {"getFlag8", 0x82E},
};

DWORD sdkCode(DWORD function)
{
    return CTL_CODE(kDeviceType, function, METHOD_BUFFERED, FILE_ANY_ACCESS);
}

void everyCodeIsTheSdkCode()
{
    CHECK_EQ(std::size(controlcode::kAll), std::size(kExpected));
    for (const Expected &expected : kExpected) {
        const char *name = expected.name;
        const controlcode::Entry *found = nullptr;
        for (const controlcode::Entry &entry : controlcode::kAll)
            if (std::strcmp(entry.name, name) == 0)
                found = &entry;
        if (!CHECK(found != nullptr)) {
            std::cout << "    missing: " << name << std::endl;
            continue;
        }
        CHECK_EQ(static_cast<DWORD>(found->code), sdkCode(expected.function));
        CHECK_EQ(controlcode::nameOf(found->code), found->name);
    }
}

void transferTypeAndAccess()
{
    CHECK_EQ(METHOD_BUFFERED, 0);
    CHECK_EQ(FILE_ANY_ACCESS, 0);
    std::set<std::uint32_t> seen;
    for (const controlcode::Entry &entry : controlcode::kAll) {
        CHECK_EQ(static_cast<DWORD>(DEVICE_TYPE_FROM_CTL_CODE(entry.code)), kDeviceType);
        CHECK_EQ(static_cast<DWORD>(METHOD_FROM_CTL_CODE(entry.code)), static_cast<DWORD>(METHOD_BUFFERED));
        CHECK_EQ(static_cast<DWORD>((entry.code >> 14) & 3), static_cast<DWORD>(FILE_ANY_ACCESS));
        CHECK(seen.insert(entry.code).second);
    }
}

void makeMatchesCtlCode()
{
    // The whole vendor-defined function range, not only the codes in use.
    for (DWORD function = 0x800; function <= 0xFFF; ++function)
        if (!CHECK_EQ(static_cast<DWORD>(controlcode::make(function)), sdkCode(function)))
            break;
    CHECK_EQ(static_cast<DWORD>(controlcode::WriteMixerBlock), static_cast<DWORD>(0xFFDC2040));
    CHECK_EQ(static_cast<DWORD>(controlcode::GetFlag8), static_cast<DWORD>(0xFFDC20B8));
    CHECK(controlcode::nameOf(0xFFDC2024u) == nullptr);
}

} // namespace

int main()
{
    RUN(everyCodeIsTheSdkCode);
    RUN(transferTypeAndAccess);
    RUN(makeMatchesCtlCode);
    return winecheck::finish();
}
