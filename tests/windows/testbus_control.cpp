// SPDX-License-Identifier: MIT
// Drives the test bus driver from the checks of the real program:
//
//   testbus_control start INDEX          install and start it as \\.\ZelvoroAudioBus<INDEX>
//   testbus_control setup PID FIRMWARE [REFUSED_CODE]
//                                        a strict device with that product id and firmware
//                                        text (zero-padded to 32 bytes), refusing one code
//   testbus_control journal FILE         every request since the setup, one line each:
//                                        code in_len out_len win32_status returned input_hex
//   testbus_control stop                 stop and remove the service
//
// Exits 0 on success; a failure prints one line and exits 1.
#include "testbus/TestBusProtocol.h"
#include "testbus/TestBusService.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int fail(const char *what, DWORD error = GetLastError())
{
    std::printf("testbus_control: %s failed, error %lu\n", what, static_cast<unsigned long>(error));
    return 1;
}

int start(DWORD index)
{
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager)
        return fail("OpenSCManager");
    const SC_HANDLE service = testbus::createService(manager);
    if (!service) {
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        return fail("CreateService", error);
    }
    const std::wstring key = std::wstring(L"System\\CurrentControlSet\\Services\\") + testbus::kServiceName;
    LSTATUS written = RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), TESTBUS_INDEX_VALUE, REG_DWORD, &index,
                                      sizeof index);
    const bool started = written == ERROR_SUCCESS && StartServiceW(service, 0, nullptr);
    const DWORD error = written != ERROR_SUCCESS ? static_cast<DWORD>(written) : GetLastError();
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return started ? 0 : fail("StartService", error);
}

int stop()
{
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager)
        return fail("OpenSCManager");
    testbus::removeService(manager);
    CloseServiceHandle(manager);
    return 0;
}

// The first control device the driver serves.
HANDLE openBus()
{
    for (int index = 0; index < 16; ++index) {
        const std::wstring name = L"\\\\.\\ZelvoroAudioBus" + std::to_wstring(index);
        const HANDLE handle =
            CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return handle;
    }
    return INVALID_HANDLE_VALUE;
}

int setup(unsigned productId, const char *firmware, unsigned refusedCode)
{
    TestBusSetup s{};
    s.productId = productId;
    s.refusedCode = refusedCode;
    s.firmwareLength = TESTBUS_FIRMWARE_BYTES;
    std::memcpy(s.firmware, firmware, std::min(std::strlen(firmware), sizeof s.firmware));
    s.flags = TESTBUS_STRICT;
    const HANDLE bus = openBus();
    if (bus == INVALID_HANDLE_VALUE)
        return fail("opening the test bus");
    DWORD returned = 0;
    const bool ok = DeviceIoControl(bus, TESTBUS_SETUP, &s, sizeof s, nullptr, 0, &returned, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(bus);
    return ok ? 0 : fail("TESTBUS_SETUP", error);
}

// The Windows error a caller of DeviceIoControl sees for the statuses the driver uses.
unsigned win32Status(unsigned status)
{
    switch (status) {
    case 0:
        return ERROR_SUCCESS;
    case 0xC0000010u: // STATUS_INVALID_DEVICE_REQUEST
        return ERROR_INVALID_FUNCTION;
    case 0xC000000Du: // STATUS_INVALID_PARAMETER
        return ERROR_INVALID_PARAMETER;
    case 0xC0000023u: // STATUS_BUFFER_TOO_SMALL
        return ERROR_INSUFFICIENT_BUFFER;
    case 0x80000011u: // STATUS_DEVICE_BUSY
        return ERROR_BUSY;
    default:
        return status;
    }
}

int journal(const char *path)
{
    const HANDLE bus = openBus();
    if (bus == INVALID_HANDLE_VALUE)
        return fail("opening the test bus");
    TestBusJournalState state{};
    DWORD returned = 0;
    std::vector<unsigned char> bytes;
    bool ok =
        DeviceIoControl(bus, TESTBUS_JOURNAL_STATE, nullptr, 0, &state, sizeof state, &returned, nullptr);
    std::vector<unsigned char> chunk(1 << 20);
    while (ok && bytes.size() < state.bytes) {
        const auto offset = static_cast<std::uint32_t>(bytes.size());
        ok = DeviceIoControl(bus, TESTBUS_JOURNAL_READ, const_cast<std::uint32_t *>(&offset), sizeof offset,
                             chunk.data(), static_cast<DWORD>(chunk.size()), &returned, nullptr) &&
             returned > 0;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + (ok ? returned : 0));
    }
    const DWORD error = GetLastError();
    CloseHandle(bus);
    if (!ok)
        return fail("reading the journal", error);
    if (state.dropped)
        return fail("the journal was full; entries dropped:", state.dropped);

    FILE *file = std::fopen(path, "wb");
    if (!file)
        return fail("opening the output file");
    static const char digits[] = "0123456789abcdef";
    std::string line;
    for (std::size_t at = 0; at + sizeof(TestBusEntry) <= bytes.size();) {
        TestBusEntry entry;
        std::memcpy(&entry, bytes.data() + at, sizeof entry);
        at += sizeof entry;
        char head[96];
        std::snprintf(head, sizeof head, "0x%08X %u %u %u %u ", entry.code, entry.inputLength,
                      entry.outputLength, win32Status(entry.status), entry.returned);
        line = head;
        for (unsigned i = 0; i < entry.storedLength && at + i < bytes.size(); ++i) {
            line += digits[bytes[at + i] >> 4];
            line += digits[bytes[at + i] & 0xF];
        }
        line += '\n';
        at += entry.storedLength;
        std::fwrite(line.data(), 1, line.size(), file);
    }
    std::fclose(file);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "start" && argc == 3)
        return start(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    if (command == "setup" && (argc == 4 || argc == 5))
        return setup(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 0)), argv[3],
                     argc == 5 ? static_cast<unsigned>(std::strtoul(argv[4], nullptr, 0)) : 0u);
    if (command == "journal" && argc == 3)
        return journal(argv[2]);
    if (command == "stop" && argc == 2)
        return stop();
    std::printf(
        "usage: testbus_control start INDEX | setup PID FIRMWARE [REFUSED_CODE] | journal FILE | stop\n");
    return 2;
}
