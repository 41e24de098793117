// SPDX-License-Identifier: MIT
#include "sim/AsioSide.h"

#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "platform/posix/RuntimeDir.h"
#include "sim/Console.h"
#include "sim/ListeningSocket.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace posix = zelvoro::platform::posix;
namespace winerror = zelvoro::platform::winerror;

namespace {

constexpr std::size_t kMaxMessage = 65536;

} // namespace

AsioSide::AsioSide(Console &console)
    : console(console), server([this](int fd, std::uint64_t) { serveConnection(fd); })
{
}

AsioSide::~AsioSide()
{
    stop();
}

std::uint32_t AsioSide::start()
{
    if (const std::uint32_t error = posix::checkRuntimeDirectory(true); error != winerror::Success)
        return error;
    return server.start(posix::endpointPath(std::string("\\\\.\\pipe\\ZelvoroPannelToASIO")));
}

void AsioSide::stop()
{
    server.stop();
}

void AsioSide::serveConnection(int fd)
{
    // A client that connects and never writes must not keep a thread forever.
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::vector<std::uint8_t> message;
    if (posix::readFrame(fd, message, kMaxMessage) != posix::FrameStatus::Ok)
        return;
    for (std::uint8_t byte : message)
        if (byte == kResetByte)
            console.line("ASIO reset received");
}

std::vector<std::uint8_t> AsioSide::openSettingsMessage()
{
    std::vector<std::uint8_t> message(20, 0);
    posix::putLe32(message.data() + 16, 1);
    return message;
}

std::uint32_t AsioSide::sendToPanel(const std::vector<std::uint8_t> &message)
{
    if (const std::uint32_t error = posix::checkRuntimeDirectory(false); error != winerror::Success)
        return error;
    const int fd =
        ListeningSocket::connectTo(posix::endpointPath(std::string("\\\\.\\pipe\\ZelvoroASIOToPannel")));
    if (fd < 0)
        return posix::connectErrorToWin32(errno);
    const bool written = posix::writeFrame(fd, message.data(), message.size());
    const int err = errno;
    ::close(fd);
    if (written)
        return winerror::Success;
    return err == EPIPE || err == ECONNRESET ? winerror::NoData : winerror::GenFailure;
}
