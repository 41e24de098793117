// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include <cstdint>

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
    // Replays the stored values through the change handlers, then runs the
    // start-up sequence for the sample rate.
    void loadAndApply();
    void loadSettings();

    // The largest USB latency (frames) the driver handles with this buffer size.
    static std::uint32_t latencyCap(std::uint32_t bufferSize);

private:
    void onBufferSizeChanged();
    void onUsbLatencyChanged();
    void onSampleRateChanged();
    void onSafeModeChanged();
    void onOkClicked();
    void showFromAsio();

    QComboBox *addCombo(const QStringList &items, const char *name);
    void startOtgCycleForStartup();
    void startOtgCycleForRateChange();
    void store(const QString &key, const QString &text);

    QVBoxLayout *layout = nullptr;
    QComboBox *latencyBox = nullptr;
    QComboBox *bufferSizeBox = nullptr;
    QComboBox *sampleRateBox = nullptr;
    QComboBox *safeModeBox = nullptr;
    QSettings *settings = nullptr;
    AudioBusDevice *device = nullptr;
    std::uint32_t sampleRate = 44100;
    // Set by the rate handler, so loadAndApply knows whether loading already applied the rate.
    bool sampleRateApplied = false;
};
