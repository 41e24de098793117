// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace zelvoro::platform {

// The name of the running program's local control channel, UTF-8, as
// QLocalServer and QLocalSocket take it. One per user and login session: on
// Windows a pipe name (pipe names are machine-wide, so it carries the user
// and the session id), elsewhere a socket path in the private runtime
// directory (which the server creates and checks).
std::string controlChannelName();

} // namespace zelvoro::platform
