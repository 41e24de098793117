// SPDX-License-Identifier: MIT
// No OS-level power notification here: on Linux the program listens to
// logind on the system bus, which needs a bus library the OS layer does not use.
#include "platform/PowerWatch.h"

namespace zelvoro::platform {

PowerWatch::PowerWatch(Listener &listener) : listener(listener)
{
    static_cast<void>(this->listener);
}

PowerWatch::~PowerWatch() = default;

} // namespace zelvoro::platform
