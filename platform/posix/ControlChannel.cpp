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

std::uint32_t checkControlChannelServer(const std::string &, std::uint32_t &server)
{
    // listen() fails on a live socket, and the folder is this user's alone.
    server = 0;
    return 0;
}

} // namespace zelvoro::platform
