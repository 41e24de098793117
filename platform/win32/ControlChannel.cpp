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

} // namespace zelvoro::platform
