// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QStringList>
#include <QSystemTrayIcon>

class QMenu;
class QWidget;
class Settings;
class SnapshotSource;

// The notification-area icon: opens the two windows and runs the system
// actions of its menu.
class TrayIcon : public QSystemTrayIcon
{
    Q_OBJECT

public:
    explicit TrayIcon(QObject *parent = nullptr);

    // A null window is ignored; the previous one stays.
    void setMainWindow(QWidget *window);
    void setSettingsDialog(Settings *dialog);

    // Feeds the "Snapshots" submenu; null (the default) leaves it greyed.
    void setSnapshotSource(SnapshotSource *source);

    // The program run by "Refresh Audio Device"; the OS layer's command by default.
    void setRefreshCommand(const QString &program, const QStringList &arguments);

public slots:
    void showSettings();
    void clickCallback(QSystemTrayIcon::ActivationReason reason);
    void openSoundPannel();
    void refreshDeviceList();

signals:
    // "Shortcuts…": the program opens its shortcuts dialog.
    void shortcutsRequested();

public:
    // Shows and raises the main window, as the "Main Window" entry does.
    void showMainWindow();
    // Lists the connected model's snapshots; greyed while no device is connected.
    void refreshSnapshotMenu();

private:
    void createMenu();
    void saveSnapshot();
    void loadSnapshot(const QString &name);
    void requestFirmwareUpgrade();

    // Non-owning: the windows outlive the tray icon, and the guarded pointer
    // also covers a main window that closed itself. The tray only shows and
    // raises it, so any window will do.
    QPointer<QWidget> mainWindow;
    QPointer<Settings> settingsDialog;
    SnapshotSource *snapshotSource = nullptr;
    QMenu *snapshotMenu = nullptr;

    QString refreshProgram;
    QStringList refreshArguments;
};
