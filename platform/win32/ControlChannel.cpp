// SPDX-License-Identifier: MIT
#include "platform/ControlChannel.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace zelvoro::platform {

namespace {

std::string toUtf8(const wchar_t *text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back(); // the terminating NUL
    return out;
}

} // namespace

std::string controlChannelName()
{
    wchar_t user[257] = {};
    DWORD length = 257;
    std::string name = "ZelvoroMixerControl-";
    name += ::GetUserNameW(user, &length) ? toUtf8(user) : std::string("user");
    DWORD session = 0;
    if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session))
        session = 0;
    name += '-';
    name += std::to_string(session);
    return name;
}

std::uint32_t prepareControlChannel()
{
    // The pipe's access list (QLocalServer::UserAccessOption) is all the privacy it needs.
    return 0;
}

std::uint32_t checkControlChannelServer(const std::string &name, std::uint32_t &server)
{
    server = 0;
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, nullptr, 0);
    std::wstring path(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, path.data(), size);
    path.pop_back();
    path.insert(0, L"\\\\.\\pipe\\");
    // A client takes the first instance waiting for one, whosever it is. The
    // probe is identified only and sends nothing; our server sees it come and go.
    HANDLE probe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 2 && probe == INVALID_HANDLE_VALUE; ++attempt) {
        probe = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (probe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PIPE_BUSY)
            ::WaitNamedPipeW(path.c_str(), 500);
    }
    if (probe == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    ULONG id = 0;
    const bool known = ::GetNamedPipeServerProcessId(probe, &id);
    const DWORD error = known ? 0 : ::GetLastError();
    ::CloseHandle(probe);
    if (!known)
        return error;
    server = id;
    return id == ::GetCurrentProcessId() ? 0 : ERROR_ACCESS_DENIED;
}

} // namespace zelvoro::platform
