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

} // namespace zelvoro::platform
