// SPDX-License-Identifier: MIT
#pragma once

#include "app/DeviceModels.h"

#include <QMainWindow>

#include <cstdint>
#include <vector>

class AudioBusDevice;
class QLabel;
class QTimer;
class QVBoxLayout;
class Settings;

// The frame that finds the connected interface, hosts its panel and watches
// for its removal. It has no controls of its own.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    // Detection against another model table (tests use stand-in panels).
    explicit MainWindow(std::vector<DeviceModel> models, QWidget *parent = nullptr);
    ~MainWindow() override;

    void setSettingsDialog(Settings *dialog) { settingsDialog = dialog; }

public slots:
    // The system goes to sleep: the next resume is acted on.
    void prepareForSleep();
    // After a sleep the interface may be back at its power-on defaults with
    // the same id: a connected device is detected afresh, as if re-plugged,
    // so its stored state is replayed. Once per sleep.
    void resumeFromSleep();

signals:
    // A recognised device is ready (its panel started and its firmware read),
    // or, with a null panel, the one announced before is gone.
    void deviceChanged(QWidget *panel, const QString &model, const QString &firmware);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void detectDevice();
    void checkDevice();
    // Drops the recognised device and its panel; detection starts again.
    void forgetDevice();
    void clearLayout();
    void addStatusText(const QString &text);
    void removeStatusText();
    void showNotConnected();
    // Puts the model's panel into the layout; false when it could not start.
    bool addPanel(const DeviceModel &model);
    void replaceMeterDevice();

    // What the recognised device still lacks after a detection tick. The next
    // tick with the same product id retries only that, so the applied audio
    // settings (and a started panel) stay as they are.
    enum class Pending { Nothing, PanelStart, FirmwareVersion };

    std::uint32_t pid = 0;
    QVBoxLayout *panelLayout = nullptr;
    QTimer *detectTimer = nullptr;
    QTimer *checkTimer = nullptr;
    AudioBusDevice *meterDevice = nullptr;
    Settings *settingsDialog = nullptr;
    // The status text in the layout, null when there is none.
    QLabel *statusLabel = nullptr;
    std::uint32_t errorCount = 0;
    Pending pending = Pending::Nothing;
    // The layout holds "声卡未连接！" alone.
    bool showsNotConnected = false;
    // The panel in the layout and whether deviceChanged announced it.
    QWidget *shownPanel = nullptr;
    bool announced = false;
    // A resume was acted on since the last sleep notice.
    bool resumeHandled = false;

    std::vector<DeviceModel> models;
};
