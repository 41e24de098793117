// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

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

    struct StoredValue
    {
        const char *key;
        const char *defaultText;
    };
    static const StoredValue kLatencyValue;
    static const StoredValue kBufferSizeValue;
    static const StoredValue kSafeModeValue;
    static const StoredValue kSampleRateValue;

    QComboBox *addCombo(const QStringList &items, const char *name);
    void openStore();
    // Puts the stored text into the box (its handler runs), or runs
    // `unchanged` when the box already shows it.
    void replayBox(QComboBox *box, const StoredValue &value, const std::function<void()> &unchanged);
    void applyStartupRate();
    bool applyBufferSize();
    // Refused: the driver kept what it had (and runs again); NotRestarted: the
    // change was made but the engine did not start again.
    enum class EngineChange { Applied, Refused, NotRestarted };
    EngineChange changeEngine(const std::function<bool()> &change, bool (AudioBusDevice::*restart)());
    // One driver request's outcome; a refusal gets its line.
    bool succeeded(bool ok, const char *failedLine);
    std::optional<std::uint32_t> readBack(bool (AudioBusDevice::*read)(std::uint32_t &));
    // After a refusal: the box shows what the driver reports, without running its handler.
    void showDriverValue(QComboBox *box, const StoredValue &value, std::optional<std::uint32_t> current);
    void finishChange(const StoredValue &value, bool accepted);
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

    // Only a rate change that went through counts as applied.
    bool sampleRateApplied = false;
    // Replaying the stored values: what the file holds is not written again.
    bool replaying = false;
    // The line of the latest refusal, for engineApplied.
    QString lastFailure;
    // The file could not be read at this load: writing now would replace the stored values with defaults.
    bool storeReadOnly = false;
};
