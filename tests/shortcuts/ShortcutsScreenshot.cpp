// SPDX-License-Identifier: MIT
// Draws the shortcuts dialog as the user sees it and saves it as PNG:
//   shortcuts_screenshot <output.png> [<translation .qm>]
// Under X11 a second client holds Ctrl+Alt+M first, so one row shows a taken key.
#include "control/EngineControls.h"
#include "control/MixerControls.h"
#include "control/SnapshotManager.h"
#include "platform/GlobalHotkeys.h"
#include "settings/Settings.h"
#include "shortcuts/GlobalHotkeys.h"
#include "shortcuts/ShortcutActions.h"
#include "shortcuts/ShortcutStore.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTranslator>

#include <xcb/xcb.h>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    QTranslator translator;
    if (argc > 2 && translator.load(QString::fromLocal8Bit(argv[2])))
        QCoreApplication::installTranslator(&translator);
    xcb_connection_t *other = qEnvironmentVariableIsSet("DISPLAY") ? xcb_connect(nullptr, nullptr) : nullptr;
    zelvoro::platform::GlobalHotkeys held(other && !xcb_connection_has_error(other) ? other : nullptr);
    held.add(1, zelvoro::platform::HotkeyControl | zelvoro::platform::HotkeyAlt, 'm');

    QTemporaryDir dir;
    ShortcutStore store(dir.filePath(QStringLiteral("shortcuts.ini")));
    store.set(QStringLiteral("speakers.mute"), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
    store.set(QStringLiteral("speakers.dim"), QKeySequence(QStringLiteral("Ctrl+Alt+D")));
    store.set(QStringLiteral("speakers.up"), QKeySequence(QStringLiteral("Ctrl+Alt+Up")));
    store.set(QStringLiteral("speakers.down"), QKeySequence(QStringLiteral("Ctrl+Alt+Down")));
    store.set(QStringLiteral("snapshot.Podcast"), QKeySequence(QStringLiteral("Ctrl+Alt+1")));
    Settings settings;
    EngineControls engine(&settings);
    MixerControls mixer(&engine);
    SnapshotManager snapshots(&mixer);
    ShortcutActions actions(&mixer, &snapshots);
    GlobalHotkeys hotkeys;
    ShortcutsDialog dialog(&store, &hotkeys, &actions);
    dialog.bindStored();
    dialog.show();
    QApplication::processEvents();
    const bool saved = dialog.grab().save(QString::fromLocal8Bit(argv[1]));
    held.removeAll();
    if (other)
        xcb_disconnect(other);
    return saved ? 0 : 1;
}
