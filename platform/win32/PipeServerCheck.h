// SPDX-License-Identifier: MIT
#pragma once
// The decisions behind checkPipeServer, on the security identifiers alone.

#include "platform/NamedPipe.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace zelvoro::platform::win32 {

// Whether a client running as `ownUser` accepts a server process running as `serverUser`.
bool acceptsServerUser(PSID serverUser, PSID ownUser, PipeServerAccounts accepted);

// Whether a pipe's access list grants access to no account but `ownUser`,
// LocalSystem and the Administrators. A null list grants everyone everything.
bool admitsOnlyOwner(const ACL *accessList, PSID ownUser);

} // namespace zelvoro::platform::win32
