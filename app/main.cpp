// SPDX-License-Identifier: MIT
#include "app/ApplicationIcon.h"
#include "app/MainWindow.h"
#include "app/SingleInstanceGuard.h"
#include "app/SleepWatcher.h"
#include "app/TranslationSelector.h"
#include "control/ControlServer.h"
#include "control/EngineControls.h"
#include "control/MixerControls.h"
#include "control/SnapshotManager.h"
#include "settings/Settings.h"
#include "shortcuts/GlobalHotkeys.h"
#include "shortcuts/ShortcutActions.h"
#include "shortcuts/ShortcutStore.h"
#include "shortcuts/ShortcutsDialog.h"
#include "tray/TrayIcon.h"

#include <QApplication>
#include <QDebug>
#include <QLocale>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTranslator>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    SingleInstanceGuard guard;
    QTranslator translator;

    switch (guard.acquire()) {
    case SingleInstanceGuard::Result::AlreadyRunning:
        qDebug() << "Zelvoro Mixer 已经在运行中。";
        QCoreApplication::quit();
        return 0;
    case SingleInstanceGuard::Result::CreateFailed:
        qDebug() << "无法创建共享内存，程序退出。";
        return -1;
    case SingleInstanceGuard::Result::First:
        break;
    }

    const QString localeName = QLocale::system().name();
    qDebug() << "系统返回的语言代码：" << localeName;
    TranslationSelector::install(translator, application, localeName, QCoreApplication::applicationDirPath());

    auto settings = std::make_unique<Settings>();
    // The window deletes itself when a close is accepted (only without a
    // tray), so main keeps a guarded pointer and deletes what is left.
    QPointer<MainWindow> mainWindow = new MainWindow;
    mainWindow->setSettingsDialog(settings.get());
    auto trayIcon = std::make_unique<TrayIcon>();
    trayIcon->setMainWindow(mainWindow);
    trayIcon->setSettingsDialog(settings.get());
    trayIcon->setVisible(true);
    // After the tray's own window (X11) has appeared: it needs no icon.
    new ApplicationIcon(QStringLiteral(":/icon/icon.ico"), &application);

    // The control channel acts through the same window and dialog as the user.
    auto *engineControls = new EngineControls(settings.get(), &application);
    auto *mixerControls = new MixerControls(engineControls, &application);
    auto *snapshots = new SnapshotManager(mixerControls, &application);
    QObject::connect(mainWindow, &MainWindow::deviceChanged, mixerControls, &MixerControls::setDevice);
    trayIcon->setSnapshotSource(snapshots);
    QObject::connect(mixerControls, &MixerControls::connectionChanged, trayIcon.get(), &TrayIcon::refreshSnapshotMenu);
    auto *controlServer = new ControlServer(mixerControls, snapshots, &application);
    QObject::connect(controlServer, &ControlServer::openRequested, trayIcon.get(), [&trayIcon](const QString &window) {
        if (window == QLatin1String("settings"))
            trayIcon->showSettings();
        else
            trayIcon->showMainWindow();
    });
    QObject::connect(controlServer, &ControlServer::quitRequested, &application, &QCoreApplication::quit);
    controlServer->listen();

    // Made on the GUI thread, whose event loop also dispatches its window's messages.
    auto sleepWatcher = std::make_unique<SleepWatcher>();
    QObject::connect(sleepWatcher.get(), &SleepWatcher::suspending, mainWindow, &MainWindow::prepareForSleep);
    QObject::connect(sleepWatcher.get(), &SleepWatcher::resumed, mainWindow, &MainWindow::resumeFromSleep);

    // Global keys act through the same objects as the control channel.
    ShortcutStore shortcutStore;
    auto *hotkeys = new GlobalHotkeys(&application);
    auto *shortcutActions = new ShortcutActions(mixerControls, snapshots, &application);
    auto shortcutsDialog = std::make_unique<ShortcutsDialog>(&shortcutStore, hotkeys, shortcutActions);
    QObject::connect(hotkeys, &GlobalHotkeys::activated, shortcutActions, &ShortcutActions::trigger);
    QObject::connect(shortcutActions, &ShortcutActions::openMainRequested, trayIcon.get(), &TrayIcon::showMainWindow);
    QObject::connect(trayIcon.get(), &TrayIcon::shortcutsRequested, shortcutsDialog.get(), [&shortcutsDialog] {
        shortcutsDialog->show();
        shortcutsDialog->raise();
        shortcutsDialog->activateWindow();
    });
    shortcutsDialog->bindStored();

    // The window is only destroyed before the loop ends when a close was
    // accepted, which happens only while no notification area exists (also
    // one that went away mid-run): then nothing could reach the program any
    // more, so it ends.
    QObject::connect(mainWindow, &QObject::destroyed, &application, &QCoreApplication::quit);
    // Without a notification area the tray cannot be reached: show the window.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        mainWindow->show();

    const int result = QApplication::exec();
    sleepWatcher.reset();
    delete controlServer;
    shortcutsDialog.reset();
    delete hotkeys; // lets go of every key before the display connection closes
    trayIcon.reset();
    delete mainWindow.data();
    settings.reset();
    return result;
}
