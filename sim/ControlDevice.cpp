// SPDX-License-Identifier: MIT
#include "sim/ControlDevice.h"

#include "platform/WinError.h"
#include "platform/posix/Framing.h"
#include "platform/posix/RuntimeDir.h"
#include "sim/FaultInjector.h"
#include "sim/Journal.h"
#include "sim/RequestHandler.h"
#include "sim/SimOptions.h"

#include <cerrno>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace posix = zelvoro::platform::posix;
namespace winerror = zelvoro::platform::winerror;

namespace {

bool readExactly(int fd, std::uint8_t *buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::recv(fd, buffer + done, size - done, 0);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n == 0 || errno != EINTR)
            return false;
    }
    return true;
}

// Unlike posix::readFrame, which drains an oversized frame to stay in step,
// a request with an absurd length ends the connection at once.
bool readRequest(int fd, std::vector<std::uint8_t> &payload)
{
    std::uint8_t header[4];
    if (!readExactly(fd, header, sizeof header))
        return false;
    const std::uint32_t length = posix::getLe32(header);
    if (length < 8 || length > ControlDevice::kMaxRequest)
        return false;
    payload.resize(length);
    return readExactly(fd, payload.data(), length);
}

} // namespace

ControlDevice::ControlDevice(const SimOptions &options, FaultInjector &faults, Journal &journal)
    : faults(faults), journal(journal), delayMs(options.delayMs),
      name("\\\\.\\ZelvoroAudioBus" + std::to_string(options.bus)), started(std::chrono::steady_clock::now()),
      server([this](int fd, std::uint64_t connection) { serveConnection(fd, connection); })
{
    state.productId = options.productId;
    state.firmware = options.firmware;
    state.silentMeters = options.silent;
    state.shortFirmware = options.shortFirmware;
}

ControlDevice::~ControlDevice()
{
    unplug();
}

std::uint32_t ControlDevice::plug()
{
    if (server.isRunning())
        return winerror::Success;
    if (const std::uint32_t error = posix::checkRuntimeDirectory(true); error != winerror::Success)
        return error;
    {
        std::lock_guard lock(mutex);
        state.resetEngine();
    }
    return server.start(posix::endpointPath(name));
}

void ControlDevice::unplug()
{
    server.stop();
}

void ControlDevice::sleep()
{
    std::lock_guard lock(mutex);
    state.resetEngine();
}

void ControlDevice::setProductId(std::uint32_t productId)
{
    std::lock_guard lock(mutex);
    state.productId = productId;
}

std::string ControlDevice::status() const
{
    std::lock_guard lock(mutex);
    return std::string(server.isRunning() ? "plugged" : "unplugged") + "; " + state.summary();
}

double ControlDevice::elapsedMs() const
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
}

void ControlDevice::serveConnection(int fd, std::uint64_t connection)
{
    std::vector<std::uint8_t> payload;
    while (readRequest(fd, payload)) {
        if (delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        Request request;
        request.code = posix::getLe32(payload.data());
        request.outCapacity = posix::getLe32(payload.data() + 4);
        request.input = payload.data() + 8;
        request.inputSize = payload.size() - 8;
        request.describe = journal.isOpen();
        const std::string op = RequestHandler::operationName(request.code);
        const std::string vendorOp =
            RequestHandler::vendorOperation(request.code, request.input, request.inputSize);
        Reply reply;
        {
            std::lock_guard lock(mutex);
            request.elapsedMs = elapsedMs();
            const auto injected = faults.check(request.code, op, vendorOp);
            reply = injected ? RequestHandler::refuse(request, *injected)
                             : RequestHandler::handle(state, request);
            journal.record(elapsedMs(), connection, request.code, request.inputSize, reply);
        }
        std::uint8_t status[4];
        posix::putLe32(status, reply.status);
        if (!posix::writeFrame(fd, status, sizeof status, reply.output.data(), reply.output.size()))
            return;
    }
}
