// SPDX-License-Identifier: MIT
// Both ends of the ASIO driver's side of the pipe link, for the checks of the
// real program:
//
//   asio_pipe open             connect to \\.\pipe\ZelvoroASIOToPannel and write one
//                              open request (five words 0, 0, 0, 0, 1)
//   asio_pipe serve SECONDS    serve \\.\pipe\ZelvoroPannelToASIO; print "ready", then
//                              "received <hex>" for the first message, or nothing when
//                              SECONDS pass first
//   asio_pipe squat control|asio SECONDS
//                              take the control channel's name, or ZelvoroPannelToASIO,
//                              first, with an access list open to everyone, as a local
//                              squatter would; print "ready", "connected" for each
//                              client and "received <hex>" for whatever one sends,
//                              until SECONDS pass
//
// Exits 0 when the request was written, or when a message arrived.
#include "platform/ControlChannel.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int openRequest()
{
    const wchar_t name[] = L"\\\\.\\pipe\\ZelvoroASIOToPannel";
    // The program re-creates its waiting end 100 ms after each message.
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        pipe = CreateFileW(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE)
            Sleep(100);
    }
    if (pipe == INVALID_HANDLE_VALUE) {
        std::printf("asio_pipe: cannot open the pipe, error %lu\n", GetLastError());
        return 1;
    }
    const unsigned char message[20] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    DWORD written = 0;
    const bool ok = WriteFile(pipe, message, sizeof message, &written, nullptr) && written == sizeof message;
    if (!ok)
        std::printf("asio_pipe: write failed, error %lu\n", GetLastError());
    CloseHandle(pipe);
    return ok ? 0 : 1;
}

// Waits for an overlapped operation until the deadline; false when it did not complete.
bool finish(HANDLE pipe, OVERLAPPED &overlapped, bool started, ULONGLONG deadline, DWORD &transferred)
{
    if (!started) {
        const DWORD error = GetLastError();
        if (error == ERROR_PIPE_CONNECTED)
            return true;
        if (error != ERROR_IO_PENDING)
            return false;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline || WaitForSingleObject(overlapped.hEvent, static_cast<DWORD>(deadline - now)) != WAIT_OBJECT_0) {
            CancelIo(pipe);
            WaitForSingleObject(overlapped.hEvent, 1000);
            return false;
        }
    }
    return GetOverlappedResult(pipe, &overlapped, &transferred, FALSE);
}

// Serves the reset pipe until a client wrote to it or the deadline passed;
// a squatter serves its name, open to everyone, until the deadline.
int serve(DWORD seconds, const std::wstring &name = L"\\\\.\\pipe\\ZelvoroPannelToASIO", bool squat = false)
{
    SECURITY_DESCRIPTOR open{};
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE); // no access list: everyone may do anything
    SECURITY_ATTRIBUTES everyone{sizeof everyone, &open, FALSE};
    // The control channel's own server (QLocalServer) makes byte-mode instances without limit.
    const HANDLE pipe =
        squat ? CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES, 0, 0,
                                 300, &everyone)
              : CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 1024, 1024, 300, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
        std::printf("asio_pipe: cannot create the pipe, error %lu\n", GetLastError());
        return 1;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::printf("ready\n");
    std::fflush(stdout);
    int messages = 0;
    const ULONGLONG deadline = GetTickCount64() + seconds * 1000ull;
    while ((squat || messages == 0) && GetTickCount64() < deadline) {
        DWORD transferred = 0;
        ResetEvent(overlapped.hEvent);
        if (!finish(pipe, overlapped, ConnectNamedPipe(pipe, &overlapped), deadline, transferred))
            break;
        if (squat) {
            std::printf("connected\n");
            std::fflush(stdout);
        }
        unsigned char buffer[1024];
        ResetEvent(overlapped.hEvent);
        if (finish(pipe, overlapped, ReadFile(pipe, buffer, sizeof buffer, nullptr, &overlapped), deadline,
                   transferred)) {
            std::string hex;
            for (DWORD i = 0; i < transferred; ++i) {
                char byte[3];
                std::snprintf(byte, sizeof byte, "%02x", buffer[i]);
                hex += byte;
            }
            std::printf("received %s\n", hex.c_str());
            std::fflush(stdout);
            ++messages;
        }
        DisconnectNamedPipe(pipe);
    }
    CloseHandle(overlapped.hEvent);
    CloseHandle(pipe);
    return squat || messages > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "open" && argc == 2)
        return openRequest();
    if (command == "serve" && argc == 3)
        return serve(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
    if (command == "squat" && argc == 4) {
        const std::string which = argv[2];
        const std::string control = zelvoro::platform::controlChannelName();
        std::wstring wide(control.size() + 1, L'\0');
        const int length =
            MultiByteToWideChar(CP_UTF8, 0, control.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
        wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
        const std::wstring name = L"\\\\.\\pipe\\" + (which == "control" ? wide : L"ZelvoroPannelToASIO");
        return serve(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)), name, true);
    }
    std::printf("usage: asio_pipe open | serve SECONDS | squat control|asio SECONDS\n");
    return 2;
}
