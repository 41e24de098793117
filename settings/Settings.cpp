// SPDX-License-Identifier: MIT
#include "settings/Settings.h"

#include "driver/AudioBusDevice.h"
#include "settings/AsioReset.h"
#include "settings/IniSanitizer.h"
#include "settings/ThreadSettingsPip.h"

#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>

namespace {

const QStringList kBufferSizes = {QStringLiteral("48"),  QStringLiteral("64"),  QStringLiteral("96"),
                                  QStringLiteral("128"), QStringLiteral("192"), QStringLiteral("256"),
                                  QStringLiteral("512"), QStringLiteral("1024")};
const QStringList kLatencies = {QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("24"),
                                QStringLiteral("32")};
const QStringList kSampleRates = {QStringLiteral("44100"), QStringLiteral("48000")};
const QStringList kSafeModes = {QStringLiteral("Disabled"), QStringLiteral("Enabled")};


constexpr int kSettleMs = 100;  // engine pause around a rate change
constexpr int kOtgStepMs = 200; // spacing of the phone-chip power cycle
constexpr std::uint32_t kWdmChannels = 4;

const char *const kStopFailed = "停止音频失败，可能是驱动未正确加载或设备未连接。";
const char *const kRestartFailed = "重新启动音频失败，可能是驱动未正确加载或设备未连接。";
const char *const kSetRateFailed = "设置音频采样率失败，可能是驱动未正确加载或设备未连接。";
const char *const kSetWdmFailed = "设置WDM通道数量失败，可能是驱动未正确加载或设备未连接。";
const char *const kOtgOffFailed = "关闭OTG芯片失败，可能是驱动未正确加载或设备未连接。";
const char *const kOtgOnFailed = "开启OTG芯片失败，可能是驱动未正确加载或设备未连接。";
const char *const kUnknownRate = "未知的音频采样率选项：";

const QString kCaptionStyle = QStringLiteral("font-size: 14px; color: #008888;");

// The file's last modification, exact to what the file system keeps; the
// minimum for a missing file.
std::filesystem::file_time_type modificationTime(const QString &path)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(std::filesystem::u8path(path.toStdString()), error);
    return error ? std::filesystem::file_time_type::min() : time;
}

} // namespace

// INI keys and the values a missing key stands for.
const Settings::StoredValue Settings::kLatencyValue = {"USB/LatencySize", "8"};
const Settings::StoredValue Settings::kBufferSizeValue = {"Audio/BufferSize", "192"};
const Settings::StoredValue Settings::kSafeModeValue = {"USB/SlowMode", "Disabled"};
const Settings::StoredValue Settings::kSampleRateValue = {"Audio/SampleRate", "44100"};

Settings::Settings() : QDialog(nullptr)
{
    qDebug() << "Settings dialog created.";
    setWindowTitle(QStringLiteral("Settings"));
    setStyleSheet(QStringLiteral("QDialog { background-color: #2c313c; color: white; }"));

    openStore();

    layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignCenter);
    layout->setContentsMargins(40, 10, 40, 40);
    const QPixmap icon(QStringLiteral(":/icon/icon.png"));
    if (!icon.isNull())
        setWindowIcon(QIcon(icon));

    const auto addLabel = [this](const QString &text, const QString &style) {
        auto *label = new QLabel(text, this);
        label->setStyleSheet(style);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    };
    // Each handler is connected only after its box is filled, so filling applies nothing.
    addLabel(tr("Settings"), QStringLiteral("font-size: 18px; font-weight: bold; color: #00FFFF;"));
    addLabel(tr("Buffer Size"), kCaptionStyle);
    bufferSizeBox = addCombo(kBufferSizes, "bufferSizeBox");
    connect(bufferSizeBox, &QComboBox::currentIndexChanged, this, &Settings::onBufferSizeChanged);
    addLabel(tr("USB Latency Size"), kCaptionStyle);
    latencyBox = addCombo(kLatencies, "latencyBox");
    connect(latencyBox, &QComboBox::currentIndexChanged, this, &Settings::onUsbLatencyChanged);
    addLabel(tr("Samplerate"), kCaptionStyle);
    sampleRateBox = addCombo(kSampleRates, "sampleRateBox");
    connect(sampleRateBox, &QComboBox::currentIndexChanged, this, &Settings::onSampleRateChanged);
    addLabel(tr("Safe Mode"), kCaptionStyle);
    safeModeBox = addCombo(kSafeModes, "safeModeBox");
    connect(safeModeBox, &QComboBox::currentIndexChanged, this, &Settings::onSafeModeChanged);

    layout->addSpacing(20);
    auto *okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setStyleSheet(QStringLiteral("background-color: #008888; color: white; font-size: 14px;"));
    connect(okButton, &QPushButton::clicked, this, &Settings::onOkClicked);
    layout->addWidget(okButton, 0, Qt::AlignCenter);
    layout->addStretch(0);

    auto *pipeThread = new ThreadSettingsPip(this);
    connect(pipeThread, &ThreadSettingsPip::progressUpdated, this, &Settings::showFromAsio);
    pipeThread->start(QThread::InheritPriority);
}

Settings::~Settings()
{
    delete settings;
    settings = nullptr;
    if (device) {
        device->close();
        delete device;
        device = nullptr;
    }
    qDebug() << "Settings dialog closed and resources cleaned up.";
}

QComboBox *Settings::addCombo(const QStringList &items, const char *name)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QLatin1String(name));
    for (const QString &item : items)
        box->addItem(item);
    box->setCurrentIndex(0);
    layout->addWidget(box);
    return box;
}

std::uint32_t Settings::latencyCap(std::uint32_t bufferSize)
{
    if (bufferSize <= 64)
        return 8;
    if (bufferSize <= 128)
        return 16;
    if (bufferSize <= 256)
        return 24;
    return 32;
}

bool Settings::initDevice()
{
    if (device) {
        device->close();
        delete device;
    }
    device = new AudioBusDevice;
    return device->open();
}

// Puts each stored text into its box, buffer size before latency: the
// buffer step may lower the latency to its cap, and the latency step then
// brings back the stored one, so the driver ends on the stored pair. A box
// that already showed its text fires nothing, yet the device may run
// something else (a fresh engine after a replug, the driver's own start
// values on a first start), so its handler runs all the same; the handlers
// read the device first and send nothing when it matches.
void Settings::loadSettings()
{
    replaying = true;
    replayBox(bufferSizeBox, kBufferSizeValue, [this] { onBufferSizeChanged(); });
    replayBox(latencyBox, kLatencyValue, [this] { onUsbLatencyChanged(); });
    // Safe mode cannot be read back; a fresh device starts with it off.
    replayBox(safeModeBox, kSafeModeValue, [this] {
        if (safeModeBox->currentText() == kSafeModes[1])
            onSafeModeChanged();
    });
    // The rate is applied by the start-up sequence unless its handler ran here.
    replayBox(sampleRateBox, kSampleRateValue, [] {});
    replaying = false;
    qDebug() << "已从配置文件加载控件状态";
}

void Settings::replayBox(QComboBox *box, const StoredValue &value, const std::function<void()> &unchanged)
{
    const QString stored = settings->value(value.key, value.defaultText).toString();
    // A stored text that names no item leaves its box as it was: what the box
    // shows is not the user's choice, so it is neither sent nor stored.
    if (box->findText(stored) < 0) {
        qDebug() << "Ignoring unrecognised stored setting:" << value.key << stored;
        return;
    }
    if (box->currentText() != stored)
        box->setCurrentText(stored);
    else
        unchanged();
}

void Settings::loadAndApply()
{
    // Read the file afresh at every detection: QSettings keeps a failed read
    // for good, and this one has to know whether the file is readable now.
    openStore();
    storeReadOnly = settings->status() == QSettings::AccessError;
    if (storeReadOnly)
        qWarning() << "Failed to read settings file:" << settings->fileName() << settings->status();

    sampleRateApplied = false;
    loadSettings();
    qDebug() << "加载控件状态完成";
    applyStartupRate();
    storeReadOnly = false;
}

void Settings::openStore()
{
    delete settings;
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataDir);
    IniSanitizer::sanitize(dataDir + QStringLiteral("/setting.ini"));
    settings = new QSettings(dataDir + QStringLiteral("/setting.ini"), QSettings::IniFormat, this);
}

void Settings::applyStartupRate()
{
    const std::uint32_t currentRate = device ? device->getSampleRate() : 0;
    qDebug() << "当前音频采样率为：" << currentRate;

    // A stored rate whose change was refused while loading (its box shows the
    // driver's rate again) gets another try here.
    const QString stored = settings->value(kSampleRateValue.key, kSampleRateValue.defaultText).toString();
    if (!sampleRateApplied && kSampleRates.contains(stored)) {
        const QSignalBlocker quiet(sampleRateBox);
        sampleRateBox->setCurrentText(stored);
    }
    const QString rateText = sampleRateBox->currentText();
    if (rateText == kSampleRates[0]) {
        sampleRate = 44100;
    } else if (rateText == kSampleRates[1]) {
        sampleRate = 48000;
        // The rate handler has put it through already while loading.
        if (sampleRateApplied)
            return;
    } else {
        qDebug() << kUnknownRate << rateText;
        return;
    }

    const auto showDriverRate = [this](std::uint32_t rate) {
        showDriverValue(sampleRateBox, kSampleRateValue, rate ? std::optional<std::uint32_t>(rate) : std::nullopt);
    };
    if (!succeeded(device && device->stopAudio(), kStopFailed)) {
        showDriverRate(currentRate);
        return;
    }
    qDebug() << "停止音频成功，开始加载控件状态";
    QThread::msleep(kSettleMs);
    if (setRateAndChannels()) {
        startOtgCycleForStartup();
        return;
    }
    // Not left silent: the engine runs again with what it had.
    succeeded(device->initAudio(), "初始化音频失败，可能是驱动未正确加载或设备未连接。");
    showDriverRate(device->getSampleRate());
}

// Stop, the handler's own requests, restart: every engine change has this
// shape. `change` logs its own failure; stop and restart failures are logged
// here. A refused change restarts the engine with what it had, so a refusal
// never leaves the interface silent.
Settings::EngineChange Settings::changeEngine(const std::function<bool()> &change,
                                              bool (AudioBusDevice::*restart)())
{
    if (!succeeded(device && device->stopAudio(), kStopFailed))
        return EngineChange::Refused;
    if (!change()) {
        const QString failure = lastFailure;
        succeeded((device->*restart)(), kRestartFailed);
        lastFailure = failure;
        return EngineChange::Refused;
    }
    return succeeded((device->*restart)(), kRestartFailed) ? EngineChange::Applied : EngineChange::NotRestarted;
}

bool Settings::succeeded(bool ok, const char *failedLine)
{
    if (!ok) {
        qDebug() << failedLine;
        lastFailure = QString::fromUtf8(failedLine);
    }
    return ok;
}

void Settings::showDriverValue(QComboBox *box, const StoredValue &value, std::optional<std::uint32_t> current)
{
    // Without an answer the box shows the last value the driver accepted.
    const QString text = current ? QString::number(*current)
                                 : settings->value(value.key, value.defaultText).toString();
    const QSignalBlocker quiet(box);
    if (box->findText(text) >= 0)
        box->setCurrentText(text);
}

void Settings::finishChange(const StoredValue &value, bool accepted)
{
    emit engineApplied(QLatin1String(value.key), accepted, accepted ? QString() : lastFailure);
}

bool Settings::setRateAndChannels()
{
    return succeeded(device->setSampleRate(static_cast<std::int32_t>(sampleRate)), kSetRateFailed) &&
           succeeded(device->setWdmChannelCount(kWdmChannels), kSetWdmFailed);
}

// The timers use whatever link the dialog holds when they fire: a detection
// in between may have replaced it.
void Settings::startOtgCycleForStartup()
{
    QTimer::singleShot(kOtgStepMs, this, [this] {
        if (!(device && device->setOtgOff())) {
            qDebug() << kOtgOffFailed;
            return;
        }
        QTimer::singleShot(kOtgStepMs, this, [this] {
            if (!(device && device->setOtgOn()))
                qDebug() << kOtgOnFailed;
            if (device && device->initAudio())
                qDebug() << "设置初始化完成";
            else
                qDebug() << "初始化音频失败，可能是驱动未正确加载或设备未连接。";
        });
    });
}

void Settings::startOtgCycleForRateChange()
{
    QTimer::singleShot(kOtgStepMs, this, [this] {
        if (!(device && device->setOtgOff())) {
            qDebug() << kOtgOffFailed;
            return;
        }
        QTimer::singleShot(kOtgStepMs, this, [this] {
            if (!(device && device->setOtgOn()))
                qDebug() << kOtgOnFailed;
            qDebug() << "设置采样频率完成";
        });
    });
}

void Settings::store(const char *key, const QString &text, const char *savedLine)
{
    if (storeReadOnly)
        return;
    const QString name = QLatin1String(key);
    // A replay brings the driver to what the file holds: it never rewrites a
    // stored value, not even with a step on the way (a latency lowered to
    // the buffer size's cap before the stored latency is set again).
    if (!(replaying && settings->contains(name))) {
        // QSettings keeps its first error for good. Once it has one, whether this
        // write reached the file shows in the file's modification time instead.
        const bool hadError = settings->status() != QSettings::NoError;
        const auto before =
            hadError ? modificationTime(settings->fileName()) : std::filesystem::file_time_type{};
        settings->setValue(name, text);
        settings->sync();
        if (settings->status() != QSettings::NoError &&
            (!hadError || modificationTime(settings->fileName()) == before)) {
            qWarning() << "Failed to write settings file:" << settings->fileName() << settings->status();
            return;
        }
    }
    qDebug() << savedLine << text;
}

void Settings::onSampleRateChanged()
{
    const QString text = sampleRateBox->currentText();
    const bool changed = EngineChange::Applied == changeEngine(
        [&] {
            QThread::msleep(kSettleMs);
            if (!kSampleRates.contains(text)) {
                qDebug() << kUnknownRate << text;
                return false;
            }
            sampleRate = text.toUInt();
            qDebug() << "设置音频采样率为：" << sampleRate << "Hz";
            if (!setRateAndChannels())
                return false;
            QThread::msleep(kSettleMs);
            return true;
        },
        &AudioBusDevice::initAudio);
    if (!changed) {
        const std::uint32_t rate = device ? device->getSampleRate() : 0;
        showDriverValue(sampleRateBox, kSampleRateValue,
                        rate ? std::optional<std::uint32_t>(rate) : std::nullopt);
        finishChange(kSampleRateValue, false);
        return;
    }
    sampleRateApplied = true;
    startOtgCycleForRateChange();
    store(kSampleRateValue.key, text, "音频采样率设置已保存：");
    finishChange(kSampleRateValue, true);
}

void Settings::onBufferSizeChanged()
{
    const bool accepted = applyBufferSize();
    if (!accepted)
        showDriverValue(bufferSizeBox, kBufferSizeValue, readBack(&AudioBusDevice::getBufferSize));
    finishChange(kBufferSizeValue, accepted);
}

bool Settings::applyBufferSize()
{
    const QString text = bufferSizeBox->currentText();
    if (!kBufferSizes.contains(text)) {
        qDebug() << "未知的音频缓冲区大小选项：" << text;
        return false;
    }
    const std::uint32_t size = text.toUInt();
    qDebug() << "设置音频缓冲区大小为：" << size << "samples";

    std::uint32_t current = 0;
    const bool haveCurrent = device && device->getBufferSize(current);
    if (!haveCurrent)
        current = 0;
    qDebug() << "当前音频缓冲区大小：" << current;
    if (!succeeded(haveCurrent, "获取音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。"))
        return false;
    if (size == current)
        return true;

    const std::uint32_t cap = latencyCap(size);
    qDebug() << "设置USB延迟大小为：" << cap << "Frame";
    std::uint32_t latency = 0;
    if (!succeeded(device->getUsbLatency(latency), "获取USB延迟大小失败，可能是驱动未正确加载或设备未连接。"))
        return false;
    qDebug() << "当前USB延迟大小：" << latency;
    if (cap < latency) {
        // Lower the latency first, through its own change sequence, run here
        // rather than through the box's signal so that its outcome is known:
        // a buffer size above what the latency allows must never reach the
        // driver. The box may already show the cap while the driver runs more.
        {
            const QSignalBlocker quiet(latencyBox);
            latencyBox->setCurrentText(QString::number(cap));
        }
        if (!onUsbLatencyChanged())
            return false;
    }

    const bool changed = EngineChange::Applied == changeEngine(
        [&] {
            return succeeded(device->setBufferSize(static_cast<std::int32_t>(size)),
                             "设置音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。");
        },
        &AudioBusDevice::restartAudio);
    if (!changed)
        return false;
    qDebug() << "音频缓冲区大小设置成功：" << size << "samples";
    store(kBufferSizeValue.key, text, "音频缓冲区大小设置已保存：");
    return true;
}

bool Settings::onUsbLatencyChanged()
{
    const QString text = latencyBox->currentText();
    const std::uint32_t value = kLatencies.contains(text) ? text.toUInt() : 8;
    qDebug() << "设置USB延迟大小为：" << value << "Frame";

    // A failed read counts as 0, so the chosen latency is always applied.
    std::uint32_t current = 0;
    if (device && !device->getUsbLatency(current))
        current = 0;
    qDebug() << "当前USB延迟大小：" << current;
    bool changed = value == current;
    if (!changed) {
        changed = EngineChange::Applied == changeEngine(
            [&] {
                return succeeded(device->setUsbLatency(static_cast<std::int32_t>(value)),
                                 "设置USB延迟大小失败，可能是驱动未正确加载或设备未连接。");
            },
            &AudioBusDevice::restartAudio);
        if (changed)
            store(kLatencyValue.key, text, "USB延迟大小设置已保存：");
        else
            showDriverValue(latencyBox, kLatencyValue, readBack(&AudioBusDevice::getUsbLatency));
    }
    finishChange(kLatencyValue, changed);
    return changed;
}

void Settings::onSafeModeChanged()
{
    const QString text = safeModeBox->currentText();
    const EngineChange result = changeEngine(
        [&] {
            if (text != kSafeModes[0] && text != kSafeModes[1]) {
                qDebug() << "未知的USB慢速模式选项：" << text;
                return false;
            }
            return succeeded(text == kSafeModes[1] ? device->enableSlowMode() : device->disableSlowMode(),
                             "设置USB慢速模式失败，可能是驱动未正确加载或设备未连接。");
        },
        &AudioBusDevice::restartAudio);
    if (result == EngineChange::Applied) {
        store(kSafeModeValue.key, text, "USB慢速模式设置已保存：");
    } else if (result == EngineChange::Refused) {
        // The mode cannot be read back; a refused switch leaves the driver in the other one.
        const QSignalBlocker quiet(safeModeBox);
        safeModeBox->setCurrentText(text == kSafeModes[1] ? kSafeModes[0] : kSafeModes[1]);
    }
    finishChange(kSafeModeValue, result == EngineChange::Applied);
}

std::optional<std::uint32_t> Settings::readBack(bool (AudioBusDevice::*read)(std::uint32_t &))
{
    std::uint32_t value = 0;
    if (device && (device->*read)(value))
        return value;
    return std::nullopt;
}

void Settings::onOkClicked()
{
    hide();
    sendAsioReset();
}

void Settings::showFromAsio()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    qDebug() << "Received signal from pipe thread to show settings window.";
}
