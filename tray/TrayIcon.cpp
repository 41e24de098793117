// SPDX-License-Identifier: MIT
#include "tray/TrayIcon.h"

#include "driver/AudioBusDevice.h"
#include "platform/SystemActions.h"
#include "settings/Settings.h"
#include "tray/SnapshotSource.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QIcon>
#include <QInputDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QWidget>

namespace {

void warn(const QString &title, const QString &text)
{
    QMessageBox::warning(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

} // namespace

TrayIcon::TrayIcon(QObject *parent)
    : QSystemTrayIcon(parent)
{
    const zelvoro::platform::Command refresh = zelvoro::platform::audioRefreshCommand();
    refreshProgram = QString::fromStdString(refresh.program);
    for (const std::string &argument : refresh.arguments)
        refreshArguments << QString::fromStdString(argument);

    // Through QPixmap so the decode the windows already paid for is reused from the pixmap cache.
    setIcon(QIcon(QPixmap(QStringLiteral(":/icon/icon.png"))));
    createMenu();
    connect(this, &QSystemTrayIcon::activated, this, &TrayIcon::clickCallback);
}

void TrayIcon::setMainWindow(QWidget *window)
{
    if (window)
        mainWindow = window;
}

void TrayIcon::setSettingsDialog(Settings *dialog)
{
    settingsDialog = dialog;
}

void TrayIcon::setSnapshotSource(SnapshotSource *source)
{
    snapshotSource = source;
    refreshSnapshotMenu();
}

void TrayIcon::refreshSnapshotMenu()
{
    snapshotMenu->clear();
    const bool available = snapshotSource && snapshotSource->snapshotsAvailable();
    snapshotMenu->menuAction()->setEnabled(available);
    auto *saveAction = snapshotMenu->addAction(tr("Save current…"));
    connect(saveAction, &QAction::triggered, this, &TrayIcon::saveSnapshot);
    if (!available)
        return;
    const QStringList names = snapshotSource->snapshotNames();
    if (!names.isEmpty())
        snapshotMenu->addSeparator();
    for (const QString &name : names) {
        // Shown as typed: an ampersand in a name is no shortcut marker.
        auto *loadAction = snapshotMenu->addAction(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
        connect(loadAction, &QAction::triggered, this, [this, name] { loadSnapshot(name); });
    }
}

void TrayIcon::saveSnapshot()
{
    if (!snapshotSource)
        return;
    bool accepted = false;
    const QString name = QInputDialog::getText(nullptr, tr("Save Snapshot"), tr("Snapshot name:"),
                                               QLineEdit::Normal, QString(), &accepted)
                             .trimmed();
    if (!accepted || name.isEmpty())
        return;
    if (snapshotSource->snapshotExists(name) &&
        QMessageBox::question(nullptr, tr("Save Snapshot"),
                              tr("A snapshot named \"%1\" exists already. Replace it?").arg(name),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    const QString error = snapshotSource->saveSnapshot(name);
    if (!error.isEmpty())
        warn(tr("Save Snapshot"), error);
}

void TrayIcon::loadSnapshot(const QString &name)
{
    if (!snapshotSource)
        return;
    const QString error = snapshotSource->loadSnapshot(name);
    if (!error.isEmpty())
        warn(tr("Load Snapshot"), error);
}

void TrayIcon::setRefreshCommand(const QString &program, const QStringList &arguments)
{
    refreshProgram = program;
    refreshArguments = arguments;
}

void TrayIcon::createMenu()
{
    // The menu has no parent; it goes with the tray icon, after the base
    // class has let go of it.
    auto *menu = new QMenu;
    connect(this, &QObject::destroyed, [menu] { delete menu; });

    auto *versionAction = new QAction(QStringLiteral("V20250930"), this);
    versionAction->setEnabled(false);
    auto *quitAction = new QAction(tr("Quit"), this);
    auto *setupAction = new QAction(tr("Setup"), this);
    auto *mainWindowAction = new QAction(tr("Main Window"), this);
    auto *upgradeAction = new QAction(tr("Upgrade Firmware"), this);
    auto *refreshAction = new QAction(tr("Refresh Audio Device"), this);
    auto *soundPanelAction = new QAction(tr("Win Sound Pannel"), this);

    menu->addAction(versionAction);
    menu->addAction(quitAction);
    menu->addSeparator();
    menu->addAction(setupAction);
    menu->addAction(mainWindowAction);
    menu->addAction(upgradeAction);
    menu->addAction(refreshAction);
    menu->addAction(soundPanelAction);
    menu->addSeparator();
    menu->addSeparator();
    snapshotMenu = menu->addMenu(tr("Snapshots"));
    snapshotMenu->setObjectName(QStringLiteral("snapshotMenu"));
    connect(menu, &QMenu::aboutToShow, this, &TrayIcon::refreshSnapshotMenu);
    refreshSnapshotMenu();
    auto *shortcutsAction = menu->addAction(tr("Shortcuts…"));
    shortcutsAction->setObjectName(QStringLiteral("shortcutsAction"));
    connect(shortcutsAction, &QAction::triggered, this, &TrayIcon::shortcutsRequested);
    setContextMenu(menu);

    connect(mainWindowAction, &QAction::triggered, mainWindowAction, [this] { showMainWindow(); });
    // Hiding or closing the windows never ends the program; only Quit does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    connect(setupAction, &QAction::triggered, this, &TrayIcon::showSettings);
    connect(quitAction, &QAction::triggered, qApp, &QCoreApplication::quit);
    connect(soundPanelAction, &QAction::triggered, this, &TrayIcon::openSoundPannel);
    connect(refreshAction, &QAction::triggered, this, &TrayIcon::refreshDeviceList);
    connect(upgradeAction, &QAction::triggered, upgradeAction, [this] { requestFirmwareUpgrade(); });
}

void TrayIcon::showSettings()
{
    if (!settingsDialog) {
        warn(QStringLiteral("警告"), QStringLiteral("设置窗口未设置，请先设置设置窗口。"));
        return;
    }
    settingsDialog->show();
    settingsDialog->raise();
    settingsDialog->activateWindow();
}

void TrayIcon::clickCallback(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
        showMainWindow();
}

void TrayIcon::showMainWindow()
{
    if (!mainWindow) {
        warn(QStringLiteral("警告"), QStringLiteral("主窗口未设置，请先设置主窗口。"));
        return;
    }
    mainWindow->show();
    mainWindow->raise();
    mainWindow->activateWindow();
}

void TrayIcon::openSoundPannel()
{
    if (zelvoro::platform::openSoundSettings())
        qDebug() << "声音设置面板已打开。";
    else
        warn(QStringLiteral("错误"), QStringLiteral("无法打开声音设置面板，请检查系统设置。"));
}

void TrayIcon::refreshDeviceList()
{
    // The process object frees itself when the command ends, so that a slow
    // restart is never killed halfway (between taskkill and start explorer.exe).
    auto *process = new QProcess;
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(refreshProgram, refreshArguments, QIODevice::ReadWrite);

    if (!process->waitForFinished(5000)) {
        qWarning() << "重启资源管理器超时";
        qWarning() << "错误信息:" << process->errorString();
        if (process->state() == QProcess::NotRunning)
            process->deleteLater(); // never started: no finished signal will come
        return;
    }

    const int exitCode = process->exitCode();
    if (exitCode != 0) {
        qWarning() << "命令执行失败，退出代码:" << exitCode;
        qWarning() << "输出:" << process->readAllStandardOutput();
        qWarning() << "错误输出:" << process->readAllStandardError();
        return;
    }
    qDebug() << "资源管理器已成功重启";
}

void TrayIcon::requestFirmwareUpgrade()
{
    AudioBusDevice device;
    if (!device.open())
        return;
    device.upgradeFirmware();
    device.close();
}
