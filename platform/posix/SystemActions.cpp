// SPDX-License-Identifier: MIT
// The tray's system actions on a Linux desktop: its sound settings and a
// restart of the user's audio services.
#include "platform/SystemActions.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace zelvoro::platform {

namespace {

bool isExecutableInPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    if (!path)
        return false;
    std::string entries(path);
    std::size_t start = 0;
    while (start <= entries.size()) {
        const std::size_t end = std::min(entries.find(':', start), entries.size());
        const std::string dir = entries.substr(start, end - start);
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + program;
            struct stat st {};
            if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
                return true;
        }
        start = end + 1;
    }
    return false;
}

// Starts the program in the background through a short-lived shell, so that
// nothing waits for the settings application and no zombie is left behind.
bool startDetached(const Command &command)
{
    std::vector<std::string> words = {"/bin/sh", "-c", "\"$0\" \"$@\" </dev/null >/dev/null 2>&1 &",
                                      command.program};
    words.insert(words.end(), command.arguments.begin(), command.arguments.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_t shell = 0;
    if (posix_spawn(&shell, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(shell, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

bool openSoundSettings()
{
    // The desktops' own sound pages first, then the stand-alone mixers.
    static const std::vector<Command> candidates = {
        {"gnome-control-center", {"sound"}},
        {"systemsettings", {"kcm_pulseaudio"}},
        {"pavucontrol-qt", {}},
        {"pavucontrol", {}},
    };
    for (const Command &candidate : candidates) {
        if (isExecutableInPath(candidate.program))
            return startDetached(candidate);
    }
    return false;
}

Command audioRefreshCommand()
{
    // PipeWire sessions restart their three user services; a PulseAudio
    // session is killed and respawned by its autospawn or socket unit.
    return {"/bin/sh",
            {"-c", "if systemctl --user is-active --quiet pipewire.service; then "
                   "systemctl --user restart pipewire.service && "
                   "systemctl --user try-restart pipewire-pulse.service wireplumber.service; "
                   "else pulseaudio -k; fi"}};
}

} // namespace zelvoro::platform
