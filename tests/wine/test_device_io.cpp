// SPDX-License-Identifier: MIT
// The Win32 OS layer against the real Win32 API: opening, sharing, request
// and error passing. Without the audio driver, files and a named pipe stand
// in for its control device.
#include "WineCheck.h"

#include "platform/DeviceIo.h"
#include "platform/WinError.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <thread>

using namespace zelvoro::platform;

namespace {

// Named-pipe file-system controls: the pipe driver answers them like any
// device answers its codes, with input and output buffers.
const DWORD kPipePeek = CTL_CODE(FILE_DEVICE_NAMED_PIPE, 3, METHOD_BUFFERED, FILE_READ_DATA);
const DWORD kPipeTransceive =
    CTL_CODE(FILE_DEVICE_NAMED_PIPE, 5, METHOD_NEITHER, FILE_READ_DATA | FILE_WRITE_DATA);
constexpr std::uint32_t kPeekHeader = 16; // state, bytes available, message count, message length

std::wstring tempFile()
{
    wchar_t dir[MAX_PATH];
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"zlv", 0, path);
    return path;
}

std::wstring pipeName(const wchar_t *stem)
{
    return L"\\\\.\\pipe\\zelvoro-wine-" + std::wstring(stem) + L"-" + std::to_wstring(GetCurrentProcessId());
}

void invalidHandle()
{
    std::uint8_t out[8];
    std::memset(out, 0xA5, sizeof out);
    const std::uint32_t value = 7;
    const IoResult result =
        deviceIoControl(kInvalidHandle, 0xFFDC2084u, &value, sizeof value, out, sizeof out);
    CHECK(!result.ok);
    CHECK_EQ(result.error, std::uint32_t{ERROR_INVALID_HANDLE});
    CHECK_EQ(result.bytesReturned, std::uint32_t{0});
    CHECK_EQ(out[0], std::uint8_t{0xA5});
    CHECK_EQ(out[7], std::uint8_t{0xA5});
    CHECK_EQ(reinterpret_cast<HANDLE>(kInvalidHandle), INVALID_HANDLE_VALUE);
    closeHandle(kInvalidHandle); // harmless
}

void openReportsTheSystemError()
{
    std::uint32_t error = 12345;
    CHECK_EQ(openControlDevice(L"\\\\.\\ZelvoroAudioBus0", error), kInvalidHandle);
    CHECK_EQ(error, winerror::FileNotFound);

    error = 12345;
    CHECK_EQ(openControlDevice(L"\\\\.\\ZelvoroAudioBus15", error), kInvalidHandle);
    CHECK_EQ(error, winerror::FileNotFound);

    // Whatever GetLastError says is passed on, not folded into one code.
    error = 0;
    CHECK_EQ(openControlDevice(L"C:\\zelvoro-no-such-dir\\device", error), kInvalidHandle);
    CHECK_EQ(error, std::uint32_t{ERROR_PATH_NOT_FOUND});
}

void openSharesReadAndWrite()
{
    const std::wstring path = tempFile();
    std::uint32_t error = 99;
    const NativeHandle first = openControlDevice(path, error);
    CHECK(first != kInvalidHandle);
    CHECK_EQ(error, winerror::Success);
    // A second instance on the same device, as the main window, the panel and
    // the settings dialog all hold one at the same time.
    error = 99;
    const NativeHandle second = openControlDevice(path, error);
    CHECK(second != kInvalidHandle);
    CHECK(second != first);
    CHECK_EQ(error, winerror::Success);

    // Read and write access were both granted.
    DWORD written = 0;
    CHECK(WriteFile(reinterpret_cast<HANDLE>(first), "abc", 3, &written, nullptr));
    char back[4] = {};
    DWORD read = 0;
    CHECK(ReadFile(reinterpret_cast<HANDLE>(second), back, 3, &read, nullptr));
    CHECK_EQ(std::string(back, read), std::string("abc"));

    // A plain file is not a device: a vendor code fails with a system error.
    std::uint32_t pid = 0xDEAD;
    const IoResult result = deviceIoControl(first, 0xFFDC2084u, nullptr, 0, &pid, sizeof pid);
    CHECK(!result.ok);
    CHECK(result.error != winerror::Success);
    CHECK_EQ(result.bytesReturned, std::uint32_t{0});
    CHECK_EQ(pid, std::uint32_t{0xDEAD});

    closeHandle(first);
    closeHandle(second);
    // Both handles are really gone: nothing keeps the file from being deleted.
    CHECK(DeleteFileW(path.c_str()));
}

void openFailsOnAnExclusiveDevice()
{
    const std::wstring path = tempFile();
    const HANDLE exclusive =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(exclusive != INVALID_HANDLE_VALUE);
    std::uint32_t error = 0;
    CHECK_EQ(openControlDevice(path, error), kInvalidHandle);
    CHECK_EQ(error, std::uint32_t{ERROR_SHARING_VIOLATION});
    CloseHandle(exclusive);

    // Nor does it open a device shared for reading only: it asks for write access too.
    const HANDLE readShared =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(readShared != INVALID_HANDLE_VALUE);
    CHECK_EQ(openControlDevice(path, error), kInvalidHandle);
    CHECK_EQ(error, std::uint32_t{ERROR_SHARING_VIOLATION});
    CloseHandle(readShared);
    DeleteFileW(path.c_str());
}

// A server end that accepts one client.
HANDLE createPipe(const std::wstring &name, DWORD type)
{
    return CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, type | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
}

void outputAndBytesReturned()
{
    const std::wstring name = pipeName(L"peek");
    const HANDLE server = createPipe(name, PIPE_TYPE_BYTE | PIPE_READMODE_BYTE);
    CHECK(server != INVALID_HANDLE_VALUE);
    std::uint32_t error = 99;
    const NativeHandle client = openControlDevice(name, error);
    CHECK(client != kInvalidHandle);
    CHECK_EQ(error, winerror::Success);
    DWORD written = 0;
    CHECK(WriteFile(server, "hello", 5, &written, nullptr));

    std::uint8_t out[64];
    std::memset(out, 0, sizeof out);
    const IoResult result = deviceIoControl(client, kPipePeek, nullptr, 0, out, sizeof out);
    CHECK(result.ok);
    CHECK_EQ(result.error, winerror::Success);
    CHECK_EQ(result.bytesReturned, kPeekHeader + 5);
    std::uint32_t available = 0;
    std::memcpy(&available, out + 4, sizeof available);
    CHECK_EQ(available, std::uint32_t{5});
    CHECK_EQ(std::string(reinterpret_cast<const char *>(out + kPeekHeader), 5), std::string("hello"));

    // Too small an output buffer for the header: the error comes back as the
    // system reports it to a direct caller.
    DWORD returned = 0;
    CHECK(!DeviceIoControl(reinterpret_cast<HANDLE>(client), kPipePeek, nullptr, 0, out, 4, &returned,
                           nullptr));
    const auto systemError = static_cast<std::uint32_t>(GetLastError());
    CHECK(systemError != winerror::Success);
    const IoResult tooSmall = deviceIoControl(client, kPipePeek, nullptr, 0, out, 4);
    CHECK(!tooSmall.ok);
    CHECK_EQ(tooSmall.error, systemError);
    CHECK_EQ(tooSmall.bytesReturned, std::uint32_t{0});

    closeHandle(client);
    CloseHandle(server);
}

void inputAndOutputInOneRequest()
{
    const std::wstring name = pipeName(L"transceive");
    const HANDLE server = createPipe(name, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE);
    CHECK(server != INVALID_HANDLE_VALUE);
    std::uint32_t error = 99;
    const NativeHandle client = openControlDevice(name, error);
    if (!CHECK(client != kInvalidHandle)) {
        CloseHandle(server);
        return;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    CHECK(SetNamedPipeHandleState(reinterpret_cast<HANDLE>(client), &mode, nullptr, nullptr));

    // The far end answers each request with its bytes upper-cased.
    std::string received;
    std::thread peer([server, &received] {
        char buffer[64];
        DWORD n = 0;
        if (!ReadFile(server, buffer, sizeof buffer, &n, nullptr))
            return;
        received.assign(buffer, n);
        for (DWORD i = 0; i < n; ++i)
            buffer[i] = static_cast<char>(buffer[i] >= 'a' && buffer[i] <= 'z' ? buffer[i] - 32 : buffer[i]);
        DWORD written = 0;
        WriteFile(server, buffer, n, &written, nullptr);
    });

    const char request[] = {'p', 'i', 'd', '?'};
    char out[16] = {};
    const IoResult result =
        deviceIoControl(client, kPipeTransceive, request, sizeof request, out, sizeof out);
    peer.join();
    CHECK(result.ok);
    CHECK_EQ(received, std::string("pid?"));
    CHECK_EQ(result.bytesReturned, std::uint32_t{4});
    CHECK_EQ(std::string(out, result.bytesReturned), std::string("PID?"));

    closeHandle(client);
    CloseHandle(server);
}

} // namespace

int main()
{
    RUN(invalidHandle);
    RUN(openReportsTheSystemError);
    RUN(openSharesReadAndWrite);
    RUN(openFailsOnAnExclusiveDevice);
    RUN(outputAndBytesReturned);
    RUN(inputAndOutputInOneRequest);
    return winecheck::finish();
}
