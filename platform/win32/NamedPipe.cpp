// SPDX-License-Identifier: MIT
// Message pipes through Win32 named pipes.
#include "platform/NamedPipe.h"

#include "platform/WinError.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace zelvoro::platform {

struct PipeServerEnd
{
    HANDLE pipe = INVALID_HANDLE_VALUE;
    std::wstring name;
    std::atomic<bool> released{false};
    // The thread blocked in ConnectNamedPipe or ReadFile, for CancelSynchronousIo.
    std::mutex lock;
    HANDLE waiter = nullptr;
    // When the current client connected: its message must be complete within the limit from then.
    ULONGLONG connectedAt = 0;
};

namespace {

// What a client of the incoming pipe needs, opening it for reading and
// writing: no right to change the pipe's security or owner. (The write rights
// include the append-data bit, which on a pipe allows new instances; the
// instance limit below leaves room for none.)
constexpr DWORD kClientAccess = FILE_GENERIC_READ | FILE_GENERIC_WRITE;

// The server serves one client at a time on a single instance.
constexpr DWORD kInstances = 1;

// A DACL that admits only the current user and SYSTEM, so no other account
// on the machine can open the settings window or squat on the pipe.
class OwnerOnlySecurity
{
public:
    OwnerOnlySecurity()
    {
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
            failure = ::GetLastError();
            return;
        }
        DWORD size = 0;
        ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        userInfo.resize(size);
        const BOOL haveUser =
            size > 0 && ::GetTokenInformation(token, TokenUser, userInfo.data(), size, &size);
        failure = ::GetLastError();
        ::CloseHandle(token);
        if (!haveUser)
            return;
        PSID user = reinterpret_cast<TOKEN_USER *>(userInfo.data())->User.Sid;

        DWORD systemSize = SECURITY_MAX_SID_SIZE;
        systemSid.resize(systemSize);
        if (!::CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid.data(), &systemSize)) {
            failure = ::GetLastError();
            return;
        }
        PSID system = systemSid.data();

        const DWORD aclSize = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) +
                              ::GetLengthSid(user) + ::GetLengthSid(system);
        acl.resize(aclSize);
        auto *list = reinterpret_cast<PACL>(acl.data());
        if (!::InitializeAcl(list, aclSize, ACL_REVISION) ||
            !::AddAccessAllowedAce(list, ACL_REVISION, kClientAccess, user) ||
            !::AddAccessAllowedAce(list, ACL_REVISION, kClientAccess, system) ||
            !::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
            !::SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE)) {
            failure = ::GetLastError();
            return;
        }
        attributes.nLength = sizeof attributes;
        attributes.lpSecurityDescriptor = &descriptor;
        attributes.bInheritHandle = FALSE;
        valid = true;
    }

    // Null when the descriptor could not be built; the caller then refuses to
    // create the pipe rather than fall back to the default (wider) access.
    SECURITY_ATTRIBUTES *get() { return valid ? &attributes : nullptr; }
    // Why it could not be built, taken where the call failed.
    std::uint32_t error() const { return failure ? failure : winerror::AccessDenied; }

private:
    std::vector<BYTE> userInfo;
    std::vector<BYTE> systemSid;
    std::vector<BYTE> acl;
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{};
    bool valid = false;
    DWORD failure = 0;
};

// Marks the calling thread as blocked on the pipe for the duration of a call.
class BlockingCall
{
public:
    explicit BlockingCall(PipeServerEnd &server) : server(server)
    {
        HANDLE self = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &self, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
        std::lock_guard<std::mutex> guard(server.lock);
        server.waiter = self;
    }
    ~BlockingCall()
    {
        std::lock_guard<std::mutex> guard(server.lock);
        if (server.waiter)
            ::CloseHandle(server.waiter);
        server.waiter = nullptr;
    }
    BlockingCall(const BlockingCall &) = delete;
    BlockingCall &operator=(const BlockingCall &) = delete;

private:
    PipeServerEnd &server;
};

// Cancels the blocked read of a client that has not delivered its message
// within the limit from its connection. After that it fires again every
// 100 ms, since a read that had not yet started at the first firing would miss
// it. Destroying it waits for a running callback, so no cancel reaches
// whatever the thread does after the read.
class SilenceLimit
{
public:
    explicit SilenceLimit(PipeServerEnd &server) : server(server)
    {
        const ULONGLONG since = ::GetTickCount64() - server.connectedAt;
        const DWORD left = since >= kPipeClientSilenceLimitMs ? 0 : DWORD(kPipeClientSilenceLimitMs - since);
        if (!::CreateTimerQueueTimer(&timer, nullptr, &SilenceLimit::fire, this, left, 100,
                                     WT_EXECUTEDEFAULT))
            timer = nullptr;
    }
    ~SilenceLimit()
    {
        if (timer)
            ::DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
    }
    bool fired() const { return expired; }
    SilenceLimit(const SilenceLimit &) = delete;
    SilenceLimit &operator=(const SilenceLimit &) = delete;

private:
    static void CALLBACK fire(void *context, BOOLEAN)
    {
        auto *self = static_cast<SilenceLimit *>(context);
        self->expired = true;
        std::lock_guard<std::mutex> guard(self->server.lock);
        if (self->server.waiter)
            ::CancelSynchronousIo(self->server.waiter);
    }

    PipeServerEnd &server;
    HANDLE timer = nullptr;
    std::atomic<bool> expired{false};
};

} // namespace

PipeServerHandle createPipeServer(const std::wstring &name, std::uint32_t &error)
{
    OwnerOnlySecurity security;
    if (!security.get()) {
        error = security.error();
        return kInvalidPipeServer;
    }
    // FILE_FLAG_FIRST_PIPE_INSTANCE makes this atomic on Windows, but not every
    // implementation of the API honours it (Wine ignores it), so also ask
    // whether anyone serves the name already; that does not connect to it.
    if (::WaitNamedPipeW(name.c_str(), 1) || ::GetLastError() == ERROR_SEM_TIMEOUT) {
        error = winerror::AccessDenied;
        return kInvalidPipeServer;
    }
    const HANDLE pipe =
        ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                           kInstances, 65536, 65536, 300, security.get());
    if (pipe == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return kInvalidPipeServer;
    }
    auto *server = new PipeServerEnd;
    server->pipe = pipe;
    server->name = name;
    error = winerror::Success;
    return server;
}

bool connectPipeClient(PipeServerHandle server, std::uint32_t &error)
{
    if (!server) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    if (server->released) {
        error = winerror::OperationAborted;
        return false;
    }
    BOOL ok;
    {
        BlockingCall call(*server);
        ok = ::ConnectNamedPipe(server->pipe, nullptr);
        error = ok ? winerror::Success : ::GetLastError();
    }
    if (server->released) {
        error = winerror::OperationAborted;
        return false;
    }
    // A client that connected before the call, or even wrote and left,
    // is a connected client: its message is still there to read.
    if (!ok && (error == ERROR_PIPE_CONNECTED || error == ERROR_NO_DATA))
        ok = TRUE;
    if (ok)
        server->connectedAt = ::GetTickCount64();
    return ok;
}

bool readPipeMessage(PipeServerHandle server, void *buffer, std::uint32_t capacity, std::uint32_t &bytesRead,
                     std::uint32_t &error)
{
    bytesRead = 0;
    if (!server) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    DWORD read = 0;
    BOOL ok;
    bool silent = false;
    {
        BlockingCall call(*server);
        SilenceLimit limit(*server);
        ok = ::ReadFile(server->pipe, buffer, capacity, &read, nullptr);
        error = ok ? winerror::Success : ::GetLastError();
        silent = limit.fired();
    }
    if (server->released) {
        error = winerror::OperationAborted;
        return false;
    }
    if (!ok && silent && error == winerror::OperationAborted)
        error = winerror::BrokenPipe;
    if (ok)
        bytesRead = read;
    return ok;
}

void disconnectPipeClient(PipeServerHandle server)
{
    if (server)
        ::DisconnectNamedPipe(server->pipe);
}

void releasePipeServer(PipeServerHandle server)
{
    if (!server)
        return;
    server->released = true;
    {
        std::lock_guard<std::mutex> guard(server->lock);
        if (server->waiter)
            ::CancelSynchronousIo(server->waiter);
    }
    // A connection of our own also ends a wait for a client, where
    // cancelling synchronous I/O is not supported.
    const HANDLE self =
        ::CreateFileW(server->name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (self != INVALID_HANDLE_VALUE)
        ::CloseHandle(self);
}

void closePipeServer(PipeServerHandle server)
{
    if (!server)
        return;
    ::DisconnectNamedPipe(server->pipe);
    ::CloseHandle(server->pipe);
    delete server;
}

NativeHandle openPipeClient(const std::wstring &name, std::uint32_t &error)
{
    // Whoever serves the name, perhaps a process that took it before the ASIO
    // driver did, may identify us but never impersonate us. Overlapped, so a
    // write can be given up.
    const HANDLE h =
        ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return kInvalidHandle;
    }
    error = winerror::Success;
    return reinterpret_cast<NativeHandle>(h);
}

bool writePipeMessage(NativeHandle client, const void *data, std::uint32_t size, std::uint32_t &error)
{
    if (client == kInvalidHandle) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    const HANDLE pipe = reinterpret_cast<HANDLE>(client);
    OVERLAPPED pending{};
    pending.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!pending.hEvent) {
        error = ::GetLastError();
        return false;
    }
    DWORD written = 0;
    BOOL ok = ::WriteFile(pipe, data, size, &written, &pending);
    error = ok ? winerror::Success : ::GetLastError();
    if (!ok && error == ERROR_IO_PENDING) {
        // A server that never reads leaves the write pending: give it up.
        const bool late = ::WaitForSingleObject(pending.hEvent, kPipeClientWriteLimitMs) == WAIT_TIMEOUT;
        if (late)
            ::CancelIoEx(pipe, &pending);
        ok = ::GetOverlappedResult(pipe, &pending, &written, TRUE);
        error = ok ? winerror::Success : late ? winerror::SemTimeout : ::GetLastError();
    }
    ::CloseHandle(pending.hEvent);
    return ok;
}

void closePipeClient(NativeHandle client)
{
    if (client != kInvalidHandle)
        ::CloseHandle(reinterpret_cast<HANDLE>(client));
}

} // namespace zelvoro::platform
