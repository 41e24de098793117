// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>

class AudioBusDevice;
class QComboBox;
class QSettings;
class QVBoxLayout;

// The audio engine settings: sample rate, ASIO buffer size, USB latency and
// safe mode. Every change is applied to the driver at once (stop, set,
// restart) and stored only once the engine runs again. Also hosts the pipe
// thread through which the ASIO driver opens this dialog.
class Settings : public QDialog
{
    Q_OBJECT

public:
    Settings();
    ~Settings() override;

    // Opens the dialog's own driver link; called after each device detection.
    bool initDevice();
    // Replays the stored values through the change handlers, applies what the
    // boxes show to a device that differs (latency, buffer size, safe mode),
    // then runs the start-up sequence for the sample rate.
    void loadAndApply();
    void loadSettings();

    // The largest USB latency (frames) the driver handles with this buffer size.
    static std::uint32_t latencyCap(std::uint32_t bufferSize);

signals:
    // Ends every engine handler that ran; `key` is the setting's INI key. A
    // refused change carries the failure line it logged; its box shows again
    // what the driver runs.
    void engineApplied(const QString &key, bool accepted, const QString &failureLine);

private:
    void onBufferSizeChanged();
    // True when the driver runs the chosen latency afterwards.
    bool onUsbLatencyChanged();
    void onSampleRateChanged();
    void onSafeModeChanged();
    void onOkClicked();
    void showFromAsio();

    QComboBox *addCombo(const QStringList &items, const char *name);
    void openStore();
    void applyUnchangedBoxes();
    void applyStartupRate();
    bool changeEngine(const std::function<bool()> &change, bool (AudioBusDevice::*restart)());
    bool setRateAndChannels();
    void startOtgCycleForStartup();
    void startOtgCycleForRateChange();
    void store(const char *key, const QString &text, const char *savedLine);

    QVBoxLayout *layout = nullptr;
    QComboBox *latencyBox = nullptr;
    QComboBox *bufferSizeBox = nullptr;
    QComboBox *sampleRateBox = nullptr;
    QComboBox *safeModeBox = nullptr;
    QSettings *settings = nullptr;
    AudioBusDevice *device = nullptr;
    std::uint32_t sampleRate = 44100;

    // What the handlers did during the current loadAndApply: a box whose
    // handler did not run still has to reach a device that differs from it.
    bool latencyHandled = false;
    bool bufferSizeHandled = false;
    bool safeModeHandled = false;
    // Only a rate change that went through counts as applied.
    bool sampleRateApplied = false;
    // Replaying values the boxes already showed: what the file holds already is not written again.
    bool applyingUnchanged = false;
    // The file could not be read at this load: writing now would replace the stored values with defaults.
    bool storeReadOnly = false;
};
