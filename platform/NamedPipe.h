// SPDX-License-Identifier: MIT
#pragma once

#include "platform/DeviceIo.h"

#include <cstdint>
#include <string>

namespace zelvoro::platform {

// The server end of a message pipe that one client at a time writes one
// message to: a named pipe instance on Win32, a listening socket in the
// private runtime directory on POSIX. Opaque; only these functions use it.
struct PipeServerEnd;
using PipeServerHandle = PipeServerEnd *;
inline constexpr PipeServerHandle kInvalidPipeServer = nullptr;

// Creates the server end of `name` ("\\.\pipe\ZelvoroASIOToPannel"). Only
// this user on this machine can connect. Fails when another server already
// holds the name, so nobody can serve our clients in our place.
PipeServerHandle createPipeServer(const std::wstring &name, std::uint32_t &error);

// Blocks until a client connects; a client that connected before the call
// counts as connected. Fails with ERROR_OPERATION_ABORTED once released.
bool connectPipeClient(PipeServerHandle server, std::uint32_t &error);

// How long a client has, from the moment it connected, to deliver its whole
// message. One client is served at a time, so one that connects and never
// finishes its message, or trickles it in, must not hold the pipe for good.
inline constexpr std::uint32_t kPipeClientSilenceLimitMs = 2000;

// Reads the connected client's message into `buffer`. A message longer than
// `capacity` fails at once with ERROR_MORE_DATA, without reading it; a
// connection that ends before a whole message, or has not delivered it
// kPipeClientSilenceLimitMs after connecting, with ERROR_BROKEN_PIPE.
bool readPipeMessage(PipeServerHandle server, void *buffer, std::uint32_t capacity, std::uint32_t &bytesRead,
                     std::uint32_t &error);

// Drops the connected client, if any; the next connectPipeClient waits for a new one.
void disconnectPipeClient(PipeServerHandle server);

// Wakes a thread blocked in connectPipeClient or readPipeMessage and makes
// every later call fail at once. Safe from any thread and harmless to repeat;
// a waker should repeat it until the serving thread has left, since a thread
// that was about to block when it was called may miss the first wake-up.
void releasePipeServer(PipeServerHandle server);

// Disconnects, closes and frees the server end (on POSIX also removes its
// socket). No other thread may still be using it. Harmless on kInvalidPipeServer.
void closePipeServer(PipeServerHandle server);

// How long the client side may take to connect and to write its message: the
// caller is the GUI thread, and a server that never reads must not freeze it.
inline constexpr std::uint32_t kPipeClientWriteLimitMs = 2000;

// Client side: opens `name` without waiting for a busy pipe. kInvalidHandle
// and a Windows error code on failure (ERROR_FILE_NOT_FOUND when nobody serves
// it, ERROR_SEM_TIMEOUT when the connection took longer than the limit). The
// server only learns who we are: it cannot act as us.
NativeHandle openPipeClient(const std::wstring &name, std::uint32_t &error);

// Writes one whole message in one write; ERROR_SEM_TIMEOUT when the server has
// not taken it within kPipeClientWriteLimitMs.
bool writePipeMessage(NativeHandle client, const void *data, std::uint32_t size, std::uint32_t &error);

void closePipeClient(NativeHandle client);

// Whom a client accepts as the server of a pipe it is about to write to.
enum class PipeServerAccounts
{
    // The control channel: a process of this user, on a pipe whose access
    // list admits no other account (the program's own never does).
    ThisUserOnly,
    // The ASIO driver's pipe: a process of this user or of LocalSystem.
    ThisUserOrSystem,
};

// Client side, before anything is sent: checks the process that serves the
// pipe `client` is connected to (a pipe handle on Win32). 0 when it is
// accepted; otherwise a Windows error code and, in `reason`, why in words.
// POSIX: always 0, the socket lives in the private runtime directory (0700),
// so only this user can have made it.
std::uint32_t checkPipeServer(NativeHandle client, PipeServerAccounts accepted, std::string &reason);

} // namespace zelvoro::platform
