// SPDX-License-Identifier: MIT
#include "app/MainWindow.h"

#include "driver/AudioBusDevice.h"
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
    probe->getDevicePid(pid);
    qDebug() << "Device PID:" << pid;
    if (pid == 0) {
        probe->close();
        return;
    }

    clearLayout();
    const DeviceModel *model = DeviceModels::find(models, pid);
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

    QWidget *panel = model->createPanel();
    panel->setParent(this);
    panelLayout->addWidget(panel);
    qDebug() << model->logLine;
    update();

    DeviceModels::FirmwareVersion version{};
    if (probe->getFirmwareVersion(version.data(), version.size())) {
        setWindowTitle(DeviceModels::buildTitle(QString::fromLatin1(model->titlePattern), version));
        qDebug() << "Device found with PID:" << pid;
        detectTimer->stop();
        // Every recognised device gets its full three tries before a teardown.
        errorCount = 0;
        replaceMeterDevice();
        checkTimer->start();
    } else {
        qDebug() << "Failed to get firmware version.";
        addStatusText(QStringLiteral("获取固件版本失败，请检查连接！"));
    }
    probe->close();
}

void MainWindow::checkDevice()
{
    if (meterDevice && meterDevice->getDevicePid(pid)) {
        errorCount = 0;
        return;
    }
    ++errorCount;
    qDebug() << "Error reading device PID from driver, error count:" << errorCount;
    if (errorCount <= 2)
        return;

    checkTimer->stop();
    if (meterDevice) {
        meterDevice->close();
        delete meterDevice;
        meterDevice = nullptr;
    }
    qDebug() << "Meter driver handle deleted.";
    pid = 0;
    clearLayout();
    qDebug() << "Cleared all widgets from base layout.";
    detectTimer->start();
    addStatusText(tr("声卡未连接！"));
}

void MainWindow::clearLayout()
{
    while (QLayoutItem *item = panelLayout->takeAt(0)) {
        if (QWidget *widget = item->widget())
            widget->deleteLater();
        delete item;
    }
}

void MainWindow::addStatusText(const QString &text)
{
    statusLabel = new QLabel(text, this);
    statusLabel->setStyleSheet(QStringLiteral("font-size: 12px; color: white;"));
    panelLayout->addWidget(statusLabel);
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
