// SPDX-License-Identifier: MIT
// The tray's shell actions on Windows: the sound control panel through
// ShellExecuteA, and the Explorer restart command the tray runs.
#include "WineCheck.h"

#include "platform/SystemActions.h"

#include <windows.h>

#include <string>
#include <vector>

using namespace zelvoro::platform;

namespace {

void soundSettingsOpen()
{
    // control.exe exists on every Windows, Wine's included; with no display
    // it starts and ends at once.
    CHECK(openSoundSettings());
}

void explorerRestartCommand()
{
    const Command command = audioRefreshCommand();
    CHECK_EQ(command.program, std::string("cmd.exe"));
    const std::vector<std::string> expected = {"/c", "taskkill /f /im explorer.exe && start explorer.exe"};
    CHECK_EQ(command.arguments.size(), expected.size());
    for (std::size_t i = 0; i < command.arguments.size() && i < expected.size(); ++i)
        CHECK_EQ(command.arguments[i], expected[i]);
    // The interpreter is found on the search path, as QProcess will look for it.
    wchar_t found[MAX_PATH];
    CHECK(SearchPathW(nullptr, L"cmd.exe", nullptr, MAX_PATH, found, nullptr) > 0);
}

} // namespace

int main()
{
    RUN(soundSettingsOpen);
    RUN(explorerRestartCommand);
    return winecheck::finish();
}
