// SPDX-License-Identifier: MIT
// The ASIO pipes through real Win32 named pipes: the server end the pipe
// thread serves, its release at teardown, and the reset write, also against
// an ASIO side that squats on the name or never reads.
#include "WineCheck.h"

#include "DebugCapture.h"

#include "platform/NamedPipe.h"
#include "platform/WinError.h"
#include "platform/win32/PipeServerCheck.h"
#include "settings/AsioReset.h"

#include <aclapi.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <future>
#include <vector>

namespace platform = zelvoro::platform;
namespace winerror = zelvoro::platform::winerror;
namespace win32 = zelvoro::platform::win32;

namespace {

const std::wstring kIncoming = L"\\\\.\\pipe\\ZelvoroASIOToPannel";
const std::wstring kOutgoing = L"\\\\.\\pipe\\ZelvoroPannelToASIO";

std::vector<std::uint8_t> openRequest(std::uint32_t word5)
{
    std::vector<std::uint8_t> message(20, 0);
    std::memcpy(message.data() + 16, &word5, 4); // x86: little-endian
    return message;
}

// Connects as the ASIO driver does and writes one message; the client stays
// open. A disconnected instance takes clients again only once the server waits
// for one, so a client may have to wait for the pipe.
HANDLE sendMessage(const std::vector<std::uint8_t> &message)
{
    HANDLE client =
        ::CreateFileW(kIncoming.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    for (int attempt = 0;
         client == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PIPE_BUSY && attempt < 50; ++attempt) {
        ::WaitNamedPipeW(kIncoming.c_str(), 100);
        client = ::CreateFileW(kIncoming.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    }
    if (client == INVALID_HANDLE_VALUE)
        return client;
    DWORD written = 0;
    if (!::WriteFile(client, message.data(), static_cast<DWORD>(message.size()), &written, nullptr)) {
        ::CloseHandle(client);
        return INVALID_HANDLE_VALUE;
    }
    return client;
}

struct Read
{
    bool connected = false;
    bool ok = false;
    std::uint32_t bytesRead = 0;
    std::uint32_t error = 0;
    std::uint8_t buffer[1024] = {};
};

Read serveOne(platform::PipeServerHandle server)
{
    Read r;
    r.connected = platform::connectPipeClient(server, r.error);
    if (r.connected)
        r.ok = platform::readPipeMessage(server, r.buffer, sizeof r.buffer, r.bytesRead, r.error);
    platform::disconnectPipeClient(server);
    return r;
}

// Waits for a thread the test started. One that never returns cannot be
// joined or abandoned safely, so the test program ends there, failed.
template <typename T> T finishedOrExit(std::future<T> &thread, std::chrono::seconds limit, const char *what)
{
    if (thread.wait_for(limit) != std::future_status::ready) {
        CHECK(!what);
        std::cout << "    " << what << std::endl;
        std::cout.flush();
        ::ExitProcess(1);
    }
    return thread.get();
}

void readsAMessageWithWordFive()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server != platform::kInvalidPipeServer))
        return;
    CHECK_EQ(error, winerror::Success);

    const HANDLE client = sendMessage(openRequest(1));
    CHECK(client != INVALID_HANDLE_VALUE);
    const Read r = serveOne(server);
    CHECK(r.connected);
    CHECK(r.ok);
    CHECK_EQ(r.bytesRead, 20u);
    std::uint32_t word5 = 0;
    std::memcpy(&word5, r.buffer + 16, 4);
    CHECK_EQ(word5, 1u);
    ::CloseHandle(client);

    // Served again for the next client, who comes while the server waits.
    auto serving = std::async(std::launch::async, [server] { return serveOne(server); });
    const HANDLE again = sendMessage(openRequest(0x100));
    CHECK(again != INVALID_HANDLE_VALUE);
    const Read second = finishedOrExit(serving, std::chrono::seconds(10), "the second client was not served");
    CHECK(second.ok);
    std::memcpy(&word5, second.buffer + 16, 4);
    CHECK_EQ(word5, 0x100u);
    ::CloseHandle(again);
    platform::closePipeServer(server);
}

void emptyMessage()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server))
        return;
    const HANDLE client = sendMessage({});
    CHECK(client != INVALID_HANDLE_VALUE);
    const Read r = serveOne(server);
    CHECK(r.ok);
    CHECK_EQ(r.bytesRead, 0u);
    ::CloseHandle(client);
    platform::closePipeServer(server);
}

void oversizedMessageFailsAndDisconnects()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server))
        return;
    const HANDLE client = sendMessage(std::vector<std::uint8_t>(1025, 0x11));
    CHECK(client != INVALID_HANDLE_VALUE);
    const Read r = serveOne(server);
    CHECK(r.connected);
    CHECK(!r.ok);
    CHECK_EQ(r.error, winerror::MoreData);

    // Disconnected: the client can no longer write.
    DWORD written = 0;
    const std::uint8_t byte = 0;
    CHECK(!::WriteFile(client, &byte, 1, &written, nullptr));
    ::CloseHandle(client);
    platform::closePipeServer(server);
}

void secondServerOfTheSameNameFails()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server))
        return;
    platform::PipeServerHandle rival = platform::createPipeServer(kIncoming, error);
    CHECK(rival == platform::kInvalidPipeServer);
    CHECK_EQ(error, winerror::AccessDenied);
    platform::closePipeServer(rival);

    // Closing the first frees the name.
    platform::closePipeServer(server);
    server = platform::createPipeServer(kIncoming, error);
    CHECK(server != platform::kInvalidPipeServer);
    platform::closePipeServer(server);
}

// Only the user and SYSTEM, with what a client needs (read and write, not
// the right to change the pipe's security), on the one instance served.
void onlyTheUserAndSystemMayOpen()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server))
        return;
    const HANDLE client = sendMessage(openRequest(0));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc = ::GetSecurityInfo(client, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                       &dacl, nullptr, &descriptor);
    CHECK_EQ(rc, DWORD(ERROR_SUCCESS));
    if (rc == ERROR_SUCCESS && CHECK(dacl != nullptr)) {
        CHECK_EQ(dacl->AceCount, WORD(2));
        std::vector<BYTE> system(SECURITY_MAX_SID_SIZE);
        DWORD systemSize = SECURITY_MAX_SID_SIZE;
        ::CreateWellKnownSid(WinLocalSystemSid, nullptr, system.data(), &systemSize);
        bool haveSystem = false;
        bool haveEveryone = false;
        std::vector<BYTE> world(SECURITY_MAX_SID_SIZE);
        DWORD worldSize = SECURITY_MAX_SID_SIZE;
        ::CreateWellKnownSid(WinWorldSid, nullptr, world.data(), &worldSize);
        for (WORD i = 0; i < dacl->AceCount; ++i) {
            ACCESS_ALLOWED_ACE *ace = nullptr;
            if (!::GetAce(dacl, i, reinterpret_cast<void **>(&ace)))
                continue;
            PSID sid = &ace->SidStart;
            haveSystem = haveSystem || ::EqualSid(sid, system.data());
            haveEveryone = haveEveryone || ::EqualSid(sid, world.data());
            CHECK_EQ(ace->Mask, ACCESS_MASK(FILE_GENERIC_READ | FILE_GENERIC_WRITE));
        }
        CHECK(haveSystem);
        CHECK(!haveEveryone);
    }
    if (descriptor)
        ::LocalFree(descriptor);
    DWORD maxInstances = 0;
    CHECK(::GetNamedPipeInfo(client, nullptr, nullptr, nullptr, &maxInstances));
    CHECK_EQ(maxInstances, DWORD(1));
    ::CloseHandle(client);
    platform::closePipeServer(server);
}

void releaseEndsAWaitForAClient()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server))
        return;
    std::uint32_t waitError = 0;
    auto waiting = std::async(
        std::launch::async, [server, &waitError] { return platform::connectPipeClient(server, waitError); });
    CHECK(waiting.wait_for(std::chrono::milliseconds(200)) == std::future_status::timeout);

    // What the pipe thread's teardown does: release until the waiter has left.
    const auto start = std::chrono::steady_clock::now();
    while (waiting.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        platform::releasePipeServer(server);
    const auto took = std::chrono::steady_clock::now() - start;
    if (!CHECK(waiting.wait_for(std::chrono::seconds(0)) == std::future_status::ready)) {
        std::cout << "    the waiting thread did not return; leaving it" << std::endl;
        std::cout.flush();
        ::ExitProcess(1);
    }
    CHECK(took < std::chrono::seconds(1));
    CHECK(!waiting.get());
    CHECK_EQ(waitError, winerror::OperationAborted);

    // Released for good.
    CHECK(!platform::connectPipeClient(server, error));
    CHECK_EQ(error, winerror::OperationAborted);
    platform::closePipeServer(server);
}

// A client that connects and never writes must not hold teardown either.
void releaseEndsAReadOfASilentClient()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server))
        return;
    const HANDLE client =
        ::CreateFileW(kIncoming.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(client != INVALID_HANDLE_VALUE);
    CHECK(platform::connectPipeClient(server, error));
    std::uint32_t readError = 0;
    auto reading = std::async(std::launch::async, [server, &readError] {
        std::uint8_t buffer[1024];
        std::uint32_t bytesRead = 0;
        return platform::readPipeMessage(server, buffer, sizeof buffer, bytesRead, readError);
    });
    CHECK(reading.wait_for(std::chrono::milliseconds(200)) == std::future_status::timeout);
    const auto start = std::chrono::steady_clock::now();
    while (reading.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        platform::releasePipeServer(server);
    if (!CHECK(reading.wait_for(std::chrono::seconds(0)) == std::future_status::ready)) {
        std::cout << "    the reading thread did not return; leaving it" << std::endl;
        std::cout.flush();
        ::ExitProcess(1);
    }
    CHECK(!reading.get());
    CHECK_EQ(readError, winerror::OperationAborted);
    ::CloseHandle(client);
    platform::closePipeServer(server);
}

// A client that connects and never writes is dropped after the silence limit,
// and the next real client is served.
void silentClientIsDropped()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server))
        return;
    const HANDLE silent =
        ::CreateFileW(kIncoming.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(silent != INVALID_HANDLE_VALUE);
    auto serving = std::async(std::launch::async, [server] { return serveOne(server); });
    CHECK(serving.wait_for(std::chrono::milliseconds(500)) == std::future_status::timeout);
    const Read dropped =
        finishedOrExit(serving, std::chrono::seconds(15), "the silent client still holds the pipe");
    CHECK(dropped.connected);
    CHECK(!dropped.ok);
    CHECK_EQ(dropped.error, winerror::BrokenPipe);
    ::CloseHandle(silent);

    auto next = std::async(std::launch::async, [server] { return serveOne(server); });
    const HANDLE client = sendMessage(openRequest(0x100));
    CHECK(client != INVALID_HANDLE_VALUE);
    const Read r =
        finishedOrExit(next, std::chrono::seconds(10), "the client after the silent one was not served");
    CHECK(r.ok);
    CHECK_EQ(r.bytesRead, 20u);
    ::CloseHandle(client);
    platform::closePipeServer(server);
}

// The limit counts from the client's connection, not from the start of the read.
void silenceLimitRunsFromTheConnection()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle server = platform::createPipeServer(kIncoming, error);
    if (!CHECK(server))
        return;
    const HANDLE silent =
        ::CreateFileW(kIncoming.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(silent != INVALID_HANDLE_VALUE);
    CHECK(platform::connectPipeClient(server, error));
    const auto connected = std::chrono::steady_clock::now();
    ::Sleep(1500);
    auto reading = std::async(std::launch::async, [server] {
        Read r;
        r.ok = platform::readPipeMessage(server, r.buffer, sizeof r.buffer, r.bytesRead, r.error);
        return r;
    });
    const Read r =
        finishedOrExit(reading, std::chrono::seconds(15), "the silent client still holds the pipe");
    const auto took = std::chrono::steady_clock::now() - connected;
    CHECK(!r.ok);
    CHECK_EQ(r.error, winerror::BrokenPipe);
    CHECK(took < std::chrono::milliseconds(2600));
    ::CloseHandle(silent);
    platform::closePipeServer(server);
}

// The test's own CreateFileW calls on the outgoing pipe's name, as the reset
// makes them: the flags show what the program asked of the server's rights.
using CreateFileWFunction = decltype(&::CreateFileW);
CreateFileWFunction realCreateFileW = nullptr;
DWORD outgoingOpenFlags = 0;
int outgoingOpens = 0;

HANDLE WINAPI recordingCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes,
                                   DWORD disposition, DWORD flags, HANDLE templateFile)
{
    if (name && kOutgoing == name) {
        outgoingOpenFlags = flags;
        ++outgoingOpens;
    }
    return realCreateFileW(name, access, share, attributes, disposition, flags, templateFile);
}

// Points this program's import of kernel32!CreateFileW at the recorder.
bool recordCreateFileW()
{
    auto *base = reinterpret_cast<BYTE *>(::GetModuleHandleW(nullptr));
    const auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    const auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto *dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress); dll->Name;
         ++dll) {
        if (::lstrcmpiA(reinterpret_cast<char *>(base + dll->Name), "kernel32.dll") != 0)
            continue;
        auto *names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->OriginalFirstThunk);
        auto *thunks = reinterpret_cast<IMAGE_THUNK_DATA *>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++thunks) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto *byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char *>(byName->Name), "CreateFileW") != 0)
                continue;
            DWORD protection = 0;
            if (!::VirtualProtect(&thunks->u1.Function, sizeof thunks->u1.Function, PAGE_READWRITE,
                                  &protection))
                return false;
            realCreateFileW = reinterpret_cast<CreateFileWFunction>(thunks->u1.Function);
            thunks->u1.Function = reinterpret_cast<ULONG_PTR>(&recordingCreateFileW);
            ::VirtualProtect(&thunks->u1.Function, sizeof thunks->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}

bool underWine()
{
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Another process took the outgoing pipe's name before the ASIO driver. It
// gets the reset byte, but must not be able to act as the user. Wine lets a
// server impersonate only itself, so there the open's flags are what shows it.
void squattingServerCannotImpersonate()
{
    if (!CHECK(realCreateFileW || recordCreateFileW()))
        return;
    const HANDLE squat =
        ::CreateNamedPipeW(kOutgoing.c_str(), PIPE_ACCESS_DUPLEX,
                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    if (!CHECK(squat != INVALID_HANDLE_VALUE))
        return;
    struct Squat
    {
        std::uint8_t byte = 0;
        bool impersonated = false;
        SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
    };
    auto squatting = std::async(std::launch::async, [squat] {
        Squat result;
        // The reset may have come, and even gone, before this wait.
        if (!::ConnectNamedPipe(squat, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED &&
            ::GetLastError() != ERROR_NO_DATA)
            return result;
        DWORD read = 0;
        ::ReadFile(squat, &result.byte, 1, &read, nullptr);
        if (!::ImpersonateNamedPipeClient(squat))
            return result;
        HANDLE token = nullptr;
        if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
            DWORD size = 0;
            result.impersonated = ::GetTokenInformation(token, TokenImpersonationLevel, &result.level,
                                                        sizeof result.level, &size);
            ::CloseHandle(token);
        }
        ::RevertToSelf();
        return result;
    });
    outgoingOpens = 0;
    {
        DebugCapture debug;
        sendAsioReset();
    }
    const Squat result = finishedOrExit(squatting, std::chrono::seconds(10), "the squatting server hangs");
    CHECK_EQ(result.byte, std::uint8_t(0x31));
    CHECK_EQ(outgoingOpens, 1);
    CHECK_EQ(outgoingOpenFlags & (SECURITY_SQOS_PRESENT | SECURITY_VALID_SQOS_FLAGS),
             DWORD(SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION));
    if (!underWine())
        CHECK(!result.impersonated || result.level <= SecurityIdentification);
    ::DisconnectNamedPipe(squat);
    ::CloseHandle(squat);
}

// An ASIO side that takes the connection and never reads: with no room in the
// pipe the write cannot complete, and the reset gives up after the limit.
void resetToAServerThatNeverReadsGivesUp()
{
    const HANDLE stuck =
        ::CreateNamedPipeW(kOutgoing.c_str(), PIPE_ACCESS_DUPLEX,
                           PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
    if (!CHECK(stuck != INVALID_HANDLE_VALUE))
        return;
    std::string log;
    auto resetting = std::async(std::launch::async, [&log] {
        const auto start = std::chrono::steady_clock::now();
        DebugCapture debug;
        sendAsioReset();
        log = debug.text();
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                     start);
    });
    const std::chrono::milliseconds took =
        finishedOrExit(resetting, std::chrono::seconds(15), "the reset write never gave up");
    std::cout << "    the reset blocked its caller for " << took.count() << " ms" << std::endl;
    CHECK_EQ(log, std::string("Pipe opened successfully.\n"
                              "Error: Failed to send ASIO reset signal. Error code: 121\n"
                              "\xE8\xAE\xBE\xE7\xBD\xAE\xE9\x80\x9A\xE7\x9F\xA5"
                              "ASIO\xE9\x80\xBB\xE8\xBE\x91\n"));
    CHECK(took >= std::chrono::milliseconds(platform::kPipeClientWriteLimitMs - 50));
    CHECK(took < std::chrono::milliseconds(3000));
    ::CloseHandle(stuck);
}

void resetWithoutAsioSide()
{
    DebugCapture debug;
    sendAsioReset();
    CHECK_EQ(debug.text(), std::string("Error: Could not open pipe. Error code: 2\n"));
}

void resetSendsTheByteOne()
{
    std::uint32_t error = 0;
    platform::PipeServerHandle asio = platform::createPipeServer(kOutgoing, error);
    if (!CHECK(asio))
        return;
    std::string log;
    {
        DebugCapture debug;
        sendAsioReset();
        log = debug.text();
    }
    CHECK_EQ(log, std::string("Pipe opened successfully.\nASIO reset signal sent successfully.\n"
                              "\xE8\xAE\xBE\xE7\xBD\xAE\xE9\x80\x9A\xE7\x9F\xA5"
                              "ASIO\xE9\x80\xBB\xE8\xBE\x91\n"));
    const Read r = serveOne(asio);
    CHECK(r.ok);
    CHECK_EQ(r.bytesRead, 1u);
    CHECK_EQ(r.buffer[0], std::uint8_t(0x31));
    platform::closePipeServer(asio);
}

std::vector<BYTE> wellKnownSid(WELL_KNOWN_SID_TYPE type)
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = SECURITY_MAX_SID_SIZE;
    ::CreateWellKnownSid(type, nullptr, sid.data(), &size);
    return sid;
}

std::vector<BYTE> ownUser()
{
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    std::vector<BYTE> info(256);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, info.data(), DWORD(info.size()), &size);
    ::CloseHandle(token);
    PSID sid = reinterpret_cast<TOKEN_USER *>(info.data())->User.Sid;
    return std::vector<BYTE>(static_cast<BYTE *>(sid), static_cast<BYTE *>(sid) + ::GetLengthSid(sid));
}

// Wine runs every process as one user, so servers of other accounts exist
// here only as their identifiers: the decision on them, row by row.
void serverUserDecision()
{
    using Accounts = platform::PipeServerAccounts;
    std::vector<BYTE> own = ownUser();
    std::vector<BYTE> otherUser = own; // the next account of our domain
    *::GetSidSubAuthority(otherUser.data(), *::GetSidSubAuthorityCount(otherUser.data()) - 1u) += 1;
    const struct
    {
        const char *server;
        std::vector<BYTE> sid;
        bool controlAccepts;
        bool asioAccepts;
    } rows[] = {
        {"this user", own, true, true},
        {"LocalSystem", wellKnownSid(WinLocalSystemSid), false, true},
        {"LocalService", wellKnownSid(WinLocalServiceSid), false, false},
        {"another account of the domain", otherUser, false, false},
        {"Everyone", wellKnownSid(WinWorldSid), false, false},
    };
    for (auto row : rows) {
        std::cout << "    server runs as " << row.server << std::endl;
        CHECK_EQ(win32::acceptsServerUser(row.sid.data(), own.data(), Accounts::ThisUserOnly), row.controlAccepts);
        CHECK_EQ(win32::acceptsServerUser(row.sid.data(), own.data(), Accounts::ThisUserOrSystem), row.asioAccepts);
    }
}

// The program's pipes admit the user (and the system); a squatter's open one is refused by the control client.
void accessListDecision()
{
    std::vector<BYTE> own = ownUser();
    const std::vector<BYTE> system = wellKnownSid(WinLocalSystemSid), admins = wellKnownSid(WinBuiltinAdministratorsSid),
                            world = wellKnownSid(WinWorldSid);
    const struct
    {
        std::vector<const std::vector<BYTE> *> granted;
        bool accepted;
    } rows[] = {{{&own}, true}, {{&own, &system, &admins}, true}, {{&own, &world}, false}, {{&world}, false}};
    for (const auto &row : rows) {
        std::vector<BYTE> buffer(1024);
        auto *list = reinterpret_cast<PACL>(buffer.data());
        ::InitializeAcl(list, DWORD(buffer.size()), ACL_REVISION);
        for (const auto *sid : row.granted)
            ::AddAccessAllowedAce(list, ACL_REVISION, FILE_ALL_ACCESS, const_cast<BYTE *>(sid->data()));
        CHECK_EQ(win32::admitsOnlyOwner(list, own.data()), row.accepted);
    }
    CHECK(!win32::admitsOnlyOwner(nullptr, own.data()));
}

// The whole check on real pipes: who serves them and what their access list admits.
void clientChecksTheServer()
{
    using Accounts = platform::PipeServerAccounts;
    std::uint32_t error = 0;
    platform::PipeServerHandle ours = platform::createPipeServer(kOutgoing, error);
    if (!CHECK(ours))
        return;
    std::string reason;
    platform::NativeHandle client = platform::openPipeClient(kOutgoing, error);
    CHECK_EQ(platform::checkPipeServer(client, Accounts::ThisUserOnly, reason), winerror::Success);
    CHECK_EQ(platform::checkPipeServer(client, Accounts::ThisUserOrSystem, reason), winerror::Success);
    platform::closePipeClient(client);
    platform::closePipeServer(ours);

    SECURITY_DESCRIPTOR open{};
    ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES everyone{sizeof everyone, &open, FALSE};
    const HANDLE squat = ::CreateNamedPipeW(kOutgoing.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                            PIPE_UNLIMITED_INSTANCES, 0, 0, 0, &everyone);
    if (!CHECK(squat != INVALID_HANDLE_VALUE))
        return;
    client = platform::openPipeClient(kOutgoing, error);
    CHECK_EQ(platform::checkPipeServer(client, Accounts::ThisUserOnly, reason), winerror::AccessDenied);
    CHECK_EQ(reason, "the pipe process " + std::to_string(::GetCurrentProcessId()) + " serves admits other accounts");
    CHECK_EQ(platform::checkPipeServer(client, Accounts::ThisUserOrSystem, reason), winerror::Success);
    platform::closePipeClient(client);
    ::CloseHandle(squat);
}

} // namespace

int main()
{
    RUN(readsAMessageWithWordFive);
    RUN(emptyMessage);
    RUN(oversizedMessageFailsAndDisconnects);
    RUN(secondServerOfTheSameNameFails);
    RUN(onlyTheUserAndSystemMayOpen);
    RUN(releaseEndsAWaitForAClient);
    RUN(releaseEndsAReadOfASilentClient);
    RUN(silentClientIsDropped);
    RUN(silenceLimitRunsFromTheConnection);
    RUN(resetWithoutAsioSide);
    RUN(resetSendsTheByteOne);
    RUN(squattingServerCannotImpersonate);
    RUN(resetToAServerThatNeverReadsGivesUp);
    RUN(serverUserDecision);
    RUN(accessListDecision);
    RUN(clientChecksTheServer);
    return winecheck::finish();
}
