// SPDX-License-Identifier: MIT
#include "platform/ControlChannel.h"

#include "platform/posix/RuntimeDir.h"

namespace zelvoro::platform {

std::string controlChannelName()
{
    // The runtime directory is per user (0700) and shared by all of that user's sessions.
    return posix::runtimeDirectory() + "/control";
}

std::uint32_t prepareControlChannel()
{
    return posix::checkRuntimeDirectory(true);
}

} // namespace zelvoro::platform
