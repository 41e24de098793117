// SPDX-License-Identifier: MIT
// Who serves a pipe we are about to write to. The names of our pipes are
// known, so any local account could create one first; a client asks the
// system which process serves its connection and whose that process is.
#include "platform/win32/PipeServerCheck.h"

#include "platform/WinError.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace zelvoro::platform {

namespace {

bool isWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    return ::IsValidSid(sid) && ::IsWellKnownSid(sid, type);
}

// The user a process runs as, from its token.
DWORD processUser(HANDLE process, std::vector<BYTE> &user)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token))
        return ::GetLastError();
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user.resize(size);
    const bool ok = size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size);
    const DWORD error = ok ? 0 : ::GetLastError();
    ::CloseHandle(token);
    return ok ? 0 : (error ? error : winerror::AccessDenied);
}

PSID sidOf(std::vector<BYTE> &user)
{
    return reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid;
}

std::string sidText(PSID sid)
{
    char *text = nullptr;
    if (!::ConvertSidToStringSidA(sid, &text))
        return "unknown";
    std::string out(text);
    ::LocalFree(text);
    return out;
}

std::string withError(const std::string &what, DWORD error)
{
    return what + " (error " + std::to_string(error) + ")";
}

} // namespace

namespace win32 {

bool acceptsServerUser(PSID serverUser, PSID ownUser, PipeServerAccounts accepted)
{
    if (::IsValidSid(serverUser) && ::IsValidSid(ownUser) && ::EqualSid(serverUser, ownUser))
        return true;
    return accepted == PipeServerAccounts::ThisUserOrSystem && isWellKnown(serverUser, WinLocalSystemSid);
}

bool admitsOnlyOwner(const ACL *accessList, PSID ownUser)
{
    if (!accessList)
        return false;
    auto *list = const_cast<PACL>(accessList);
    for (DWORD i = 0; i < accessList->AceCount; ++i) {
        void *entry = nullptr;
        if (!::GetAce(list, i, &entry))
            return false;
        const auto *header = static_cast<const ACE_HEADER *>(entry);
        if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        // Any other kind of grant (object, callback) is more than our own pipes carry.
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE))
            return false;
        PSID sid = &static_cast<ACCESS_ALLOWED_ACE *>(entry)->SidStart;
        if (!(::IsValidSid(ownUser) && ::EqualSid(sid, ownUser)) && !isWellKnown(sid, WinLocalSystemSid) &&
            !isWellKnown(sid, WinBuiltinAdministratorsSid))
            return false;
    }
    return true;
}

} // namespace win32

std::uint32_t checkPipeServer(NativeHandle client, PipeServerAccounts accepted, std::string &reason)
{
    const HANDLE pipe = reinterpret_cast<HANDLE>(client);
    ULONG serverId = 0;
    if (!::GetNamedPipeServerProcessId(pipe, &serverId)) {
        const DWORD error = ::GetLastError();
        reason = withError("cannot tell which process serves the pipe", error);
        return error;
    }
    std::vector<BYTE> own;
    if (const DWORD error = processUser(::GetCurrentProcess(), own)) {
        reason = withError("cannot tell which user this process runs as", error);
        return error;
    }
    const std::string process = "process " + std::to_string(serverId);
    const HANDLE server = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId);
    if (!server) {
        const DWORD error = ::GetLastError();
        reason = withError("cannot open " + process + ", which serves the pipe", error);
        return error;
    }
    std::vector<BYTE> serverUser;
    const DWORD error = processUser(server, serverUser);
    ::CloseHandle(server);
    if (error) {
        reason = withError("cannot tell which user runs " + process + ", which serves the pipe", error);
        return error;
    }
    if (!win32::acceptsServerUser(sidOf(serverUser), sidOf(own), accepted)) {
        reason = process + ", which serves the pipe, runs as another user (" + sidText(sidOf(serverUser)) + ")";
        return winerror::AccessDenied;
    }
    if (accepted != PipeServerAccounts::ThisUserOnly)
        return winerror::Success;
    // Another account may create instances of a pipe it is admitted to and
    // answer our requests there: the program's own pipe admits nobody else.
    PACL accessList = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD status = ::GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                           &accessList, nullptr, &descriptor);
    if (status != ERROR_SUCCESS) {
        reason = withError("cannot read the access list of the pipe " + process + " serves", status);
        return status;
    }
    const bool onlyOwner = win32::admitsOnlyOwner(accessList, sidOf(own));
    ::LocalFree(descriptor);
    if (!onlyOwner) {
        reason = "the pipe " + process + " serves admits other accounts";
        return winerror::AccessDenied;
    }
    return winerror::Success;
}

} // namespace zelvoro::platform
