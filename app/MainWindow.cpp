// SPDX-License-Identifier: MIT
#include "app/MainWindow.h"

#include "driver/AudioBusDevice.h"
#include "panels/DevicePanel.h"
#include "settings/Settings.h"

#include <QCloseEvent>
#include <QDebug>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

MainWindow::MainWindow(QWidget *parent)
    : MainWindow(DeviceModels::all(), parent)
{
}

MainWindow::MainWindow(std::vector<DeviceModel> models, QWidget *parent)
    : QMainWindow(parent)
    , models(std::move(models))
{
    setCentralWidget(new QWidget);
    setWindowFlags(Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    detectTimer = new QTimer(this);
    connect(detectTimer, &QTimer::timeout, this, &MainWindow::detectDevice);
    detectTimer->setInterval(1000);
    detectTimer->start();

    checkTimer = new QTimer(this);
    connect(checkTimer, &QTimer::timeout, this, &MainWindow::checkDevice);
    checkTimer->setInterval(400);

    setWindowTitle(QStringLiteral("Zelvoro Driver"));
    setStyleSheet(QStringLiteral("QMainWindow { background-color: #2c313c; }"));
    setAttribute(Qt::WA_DeleteOnClose);

    const QPixmap icon(QStringLiteral(":/icon/icon.png"));
    if (!icon.isNull())
        setWindowIcon(icon);

    panelLayout = new QVBoxLayout(centralWidget());
    panelLayout->setAlignment(Qt::AlignCenter);
    addStatusText(QStringLiteral("声卡未连接！"));
    showsNotConnected = true;
}

MainWindow::~MainWindow()
{
    if (meterDevice) {
        meterDevice->close();
        delete meterDevice;
        meterDevice = nullptr;
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // With a tray the window only hides; without one, closing ends it.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        hide();
        event->ignore();
    }
}

void MainWindow::detectDevice()
{
    auto probe = std::make_unique<AudioBusDevice>();
    probe->open();
    const std::uint32_t previous = pid;
    std::uint32_t read = 0;
    const bool readOk = probe->getDevicePid(read);
    if (pending != Pending::Nothing) {
        // A retry state holds a started engine (and maybe a panel): as while
        // watching, only the third failed read in a row means the device is gone.
        if (readOk && read == pid) {
            errorCount = 0;
        } else if (++errorCount <= 2) {
            qDebug() << "Device PID:" << (readOk ? read : 0);
            qDebug() << "Error reading device PID from driver, error count:" << errorCount;
            probe->close();
            return;
        }
    }
    // A failed read counts as no device, so the id of one that is gone does not linger.
    pid = readOk ? read : 0;
    qDebug() << "Device PID:" << pid;
    if (pid != previous)
        pending = Pending::Nothing;
    if (pid == 0) {
        showNotConnected();
        probe->close();
        return;
    }

    const DeviceModel *model = DeviceModels::find(models, pid);
    if (pending == Pending::Nothing) {
        clearLayout();
        if (!model) {
            qDebug() << "Unknown device PID:" << pid;
            addStatusText(QStringLiteral("未知设备，请检查连接！"));
            probe->close();
            return;
        }
        if (!settingsDialog || !settingsDialog->initDevice()) {
            qDebug() << "Failed to connect to driver in settings window.";
            replaceMeterDevice();
            checkTimer->start();
            probe->close();
            return;
        }
        settingsDialog->loadAndApply();
        pending = Pending::PanelStart;
        errorCount = 0;
    }

    if (pending == Pending::PanelStart) {
        clearLayout();
        if (!addPanel(*model)) {
            addStatusText(tr("设备初始化失败，请检查连接！"));
            probe->close();
            return;
        }
        pending = Pending::FirmwareVersion;
    }

    DeviceModels::FirmwareVersion version{};
    if (!probe->getFirmwareVersion(version.data(), version.size())) {
        qDebug() << "Failed to get firmware version.";
        if (!statusLabel)
            addStatusText(QStringLiteral("获取固件版本失败，请检查连接！"));
        probe->close();
        return;
    }
    removeStatusText();
    setWindowTitle(DeviceModels::buildTitle(QString::fromLatin1(model->titlePattern), version));
    qDebug() << "Device found with PID:" << pid;
    if (!announced && shownPanel) {
        announced = true;
        const auto *bytes = reinterpret_cast<const char *>(version.data());
        emit deviceChanged(shownPanel, QString::fromLatin1(model->name),
                           QString::fromLatin1(bytes, qsizetype(qstrnlen(bytes, version.size()))));
    }
    pending = Pending::Nothing;
    detectTimer->stop();
    // Every recognised device gets its full three tries before a teardown.
    errorCount = 0;
    replaceMeterDevice();
    checkTimer->start();
    probe->close();
}

bool MainWindow::addPanel(const DeviceModel &model)
{
    QWidget *panel = model.createPanel();
    panel->setParent(this);
    panelLayout->addWidget(panel);
    shownPanel = panel;
    qDebug() << model.logLine;
    update();
    const auto *devicePanel = qobject_cast<const DevicePanel *>(panel);
    return !devicePanel || devicePanel->isStarted();
}

void MainWindow::checkDevice()
{
    std::uint32_t read = 0;
    if (meterDevice && meterDevice->getDevicePid(read)) {
        if (read == pid) {
            errorCount = 0;
            return;
        }
        // Another id on the bus (0 or another model): the recognised device is not there.
        qDebug() << "Unexpected device PID:" << read;
    }
    ++errorCount;
    qDebug() << "Error reading device PID from driver, error count:" << errorCount;
    if (errorCount <= 2)
        return;
    forgetDevice();
}

void MainWindow::forgetDevice()
{
    checkTimer->stop();
    if (meterDevice) {
        meterDevice->close();
        delete meterDevice;
        meterDevice = nullptr;
    }
    qDebug() << "Meter driver handle deleted.";
    pid = 0;
    pending = Pending::Nothing;
    clearLayout();
    qDebug() << "Cleared all widgets from base layout.";
    detectTimer->start();
    addStatusText(tr("声卡未连接！"));
    showsNotConnected = true;
}

void MainWindow::prepareForSleep()
{
    resumeHandled = false;
}

void MainWindow::resumeFromSleep()
{
    // Windows announces one resume twice (automatic, then by the user).
    if (resumeHandled)
        return;
    resumeHandled = true;
    if (pid == 0 || !DeviceModels::find(models, pid))
        return;
    qDebug() << "Resumed from sleep: replaying the stored state.";
    // As after an unplug: the next detection tick finds it again and replays,
    // by then also past the moments a waking bus may still fail a request.
    forgetDevice();
}

void MainWindow::clearLayout()
{
    while (QLayoutItem *item = panelLayout->takeAt(0)) {
        if (QWidget *widget = item->widget())
            widget->deleteLater();
        delete item;
    }
    statusLabel = nullptr;
    showsNotConnected = false;
    shownPanel = nullptr;
    if (announced) {
        announced = false;
        emit deviceChanged(nullptr, QString(), QString());
    }
}

void MainWindow::addStatusText(const QString &text)
{
    statusLabel = new QLabel(text, this);
    statusLabel->setStyleSheet(QStringLiteral("font-size: 12px; color: white;"));
    panelLayout->addWidget(statusLabel);
}

void MainWindow::removeStatusText()
{
    if (!statusLabel)
        return;
    panelLayout->removeWidget(statusLabel);
    statusLabel->deleteLater();
    statusLabel = nullptr;
}

void MainWindow::showNotConnected()
{
    // Any other content speaks of a device that is no longer there.
    if (showsNotConnected)
        return;
    clearLayout();
    addStatusText(tr("声卡未连接！"));
    showsNotConnected = true;
}

void MainWindow::replaceMeterDevice()
{
    if (meterDevice) {
        meterDevice->close();
        delete meterDevice;
    }
    meterDevice = new AudioBusDevice;
    meterDevice->open();
}
