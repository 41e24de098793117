// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

namespace zelvoro::platform {

// The name of the running program's local control channel, UTF-8, as
// QLocalServer and QLocalSocket take it. On Windows a pipe name, one per
// user and login session (pipe names are machine-wide, so it carries the
// user and the session id); elsewhere a socket path in the private runtime
// directory (which the server creates and checks), one per user.
std::string controlChannelName();

// Makes the place the channel lives in ready before the server listens: the
// private runtime directory (created 0700 and checked) on POSIX, nothing on
// Windows. Returns 0 or a Windows error code.
std::uint32_t prepareControlChannel();

// Right after the server listens on `name`: whether this process is the one
// a client reaches there. 0 when it is; otherwise a Windows error code, with
// the process that answered in `server` (0 when unknown). Windows lets a
// second server join a name another process holds, so a client could reach
// the first; POSIX: always 0, the private runtime directory already excludes
// other users and a live socket is never taken over.
std::uint32_t checkControlChannelServer(const std::string &name, std::uint32_t &server);

} // namespace zelvoro::platform
