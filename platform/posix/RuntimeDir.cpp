// SPDX-License-Identifier: MIT
#include "platform/posix/RuntimeDir.h"

#include "platform/WinError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvoro::platform::posix {

std::string runtimeDirectory()
{
    const char *xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/zelvoro";
    return "/tmp/zelvoro-" + std::to_string(getuid());
}

std::uint32_t checkRuntimeDirectory(bool create)
{
    const std::string dir = runtimeDirectory();
    if (create && mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return winerror::AccessDenied;
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0)
        return errno == ENOENT ? winerror::FileNotFound : winerror::AccessDenied;
    if (!S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 077) != 0)
        return winerror::AccessDenied;
    return winerror::Success;
}

std::string endpointPath(const std::string &windowsName)
{
    const auto slash = windowsName.find_last_of('\\');
    const std::string leaf = slash == std::string::npos ? windowsName : windowsName.substr(slash + 1);
    return runtimeDirectory() + "/" + leaf;
}

std::string endpointPath(const std::wstring &windowsName)
{
    // The names are ASCII; anything else cannot name one of our endpoints.
    std::string narrow;
    narrow.reserve(windowsName.size());
    for (wchar_t c : windowsName)
        narrow.push_back(c >= 0 && c < 0x80 ? static_cast<char>(c) : '?');
    return endpointPath(narrow);
}

bool socketAddress(const std::string &path, sockaddr_un &address)
{
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    constexpr std::size_t limit = sizeof address.sun_path - 1;
    if (path.size() <= limit) {
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        return true;
    }
    static std::mutex lock;
    static std::string reported;
    const std::string dir = path.substr(0, path.find_last_of('/'));
    const std::lock_guard<std::mutex> guard(lock);
    if (dir != reported) {
        reported = dir;
        std::fprintf(stderr,
                     "socket path too long (%zu bytes, at most %zu): set XDG_RUNTIME_DIR to a shorter folder (%s)\n",
                     path.size(), limit, path.c_str());
    }
    return false;
}

std::uint32_t connectErrorToWin32(int err)
{
    switch (err) {
    case ENOENT:
    case ECONNREFUSED:
        return winerror::FileNotFound;
    case EACCES:
    case EPERM:
        return winerror::AccessDenied;
    default:
        return winerror::GenFailure;
    }
}

} // namespace zelvoro::platform::posix
