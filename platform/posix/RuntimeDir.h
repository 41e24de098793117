// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <sys/un.h>

namespace zelvoro::platform::posix {

// The private directory that holds the stand-in sockets:
// $XDG_RUNTIME_DIR/zelvoro when that is set, non-empty and absolute,
// otherwise /tmp/zelvoro-<uid>.
std::string runtimeDirectory();

// Checks the runtime directory: it must be a real directory (not a link),
// owned by us, with no group or other permission bits. With `create` it is
// made (mode 0700) when missing. Returns 0 or a Windows error code
// (ERROR_ACCESS_DENIED for a refused directory).
std::uint32_t checkRuntimeDirectory(bool create);

// The socket path for a Windows device or pipe name: the runtime directory
// plus the name's last backslash-separated component.
std::string endpointPath(const std::wstring &windowsName);
std::string endpointPath(const std::string &windowsName);

// Fills `address` for the socket at `path`. A path that does not fit
// sun_path is refused with a line on stderr that says so and what to do,
// once per directory: callers retry their names several times a second.
bool socketAddress(const std::string &path, sockaddr_un &address);

// Maps an errno value from connect() to the Windows code the layer reports.
std::uint32_t connectErrorToWin32(int err);

} // namespace zelvoro::platform::posix
