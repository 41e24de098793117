// SPDX-License-Identifier: MIT
#include "panels/DevicePanel.h"

#include "settings/IniSanitizer.h"
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <cmath>
#include <filesystem>

namespace {

// The file's last modification, exact to what the file system keeps; the
// minimum for a missing file.
std::filesystem::file_time_type modificationTime(const QString &path)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(std::filesystem::u8path(path.toStdString()), error);
    return error ? std::filesystem::file_time_type::min() : time;
}

} // namespace

DevicePanel::DevicePanel(QWidget *parent) : PanelLayout(parent) {}

DevicePanel::~DevicePanel()
{
    if (device)
        device->close();
    device.reset();
    delete settings;
}

bool DevicePanel::startDevice(const char *model, std::initializer_list<std::uint32_t> outputs)
{
    device = std::make_unique<AudioBusDevice>();
    if (!device->open()) {
        qDebug().noquote() << QStringLiteral("Failed to create device in %1.").arg(QLatin1String(model));
        return false;
    }
    bool lastAccepted = false;
    for (std::uint32_t output : outputs)
        lastAccepted = device->setOutVolume(output, 100);
    if (!lastAccepted) {
        qDebug() << "Failed to set output volume.";
        return false;
    }
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + QLatin1String(model) + QStringLiteral(".ini");
    IniSanitizer::sanitize(path);
    settings = new QSettings(path, QSettings::IniFormat, this);
    // A file another program holds reads as empty: its defaults must not replace it.
    if (settings->status() == QSettings::AccessError && QFileInfo::exists(path)) {
        qDebug() << "Failed to read settings file:" << path << settings->status();
        holdWrites = true;
    }
    started = true;
    return true;
}

void DevicePanel::initMixerBlock()
{
    for (std::size_t v = 0; v < MixerBlock::kVectors; ++v)
        for (std::size_t i = 0; i < MixerBlock::kChannels; ++i)
            mixerBlock.vector(v, i) = 1.0;
    for (std::size_t i = 0; i < 8; ++i) {
        mixerBlock.matrix(0, 4 + i, i) = 1.0;
        mixerBlock.matrix(5, i, i) = 1.0;
    }
    mixerBlock.matrix(3, 0, 0) = 1.0;
    mixerBlock.matrix(3, 1, 1) = 1.0;
    mixerBlock.matrix(4, 0, 0) = 1.0;
    mixerBlock.matrix(4, 1, 1) = 1.0;
    mixerBlock.matrix(4, 2, 0) = 1.0;
    mixerBlock.matrix(4, 3, 1) = 1.0;
}

void DevicePanel::startMeterPoll()
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &DevicePanel::refreshMeters);
    timer->start(500);
}

void DevicePanel::refreshMeters()
{
    if (device->readMeterData(meterBlock))
        showMeters(meterBlock);
    else
        qDebug() << "Failed to read meter data from driver.";
}

QVariantMap DevicePanel::meterLevels() const
{
    QVariantMap levels;
    for (const MeterKey &meter : meterKeys) {
        const std::int32_t word = meter.word < 0 ? meterBlock.phoneMean() : meterBlock.words[std::size_t(meter.word)];
        // To the tenth of a dB the panel shows.
        levels.insert(QLatin1String(meter.name), std::round(AudioBusDevice::amplitudeToDb(word) * 10.0) / 10.0);
    }
    return levels;
}

QString DevicePanel::meterText(std::int32_t word)
{
    return QString::number(AudioBusDevice::amplitudeToDb(word), 'f', 1) + QStringLiteral(" dB");
}

void DevicePanel::presetOutputs(std::initializer_list<Output *> outputs)
{
    // The restore's early blocks (direct monitoring, the level before its mute
    // and dim) would otherwise carry unity gain or the unmuted level.
    for (Output *output : outputs) {
        output->muted = settings->value(QLatin1String(output->muteKey), false).toBool();
        output->dimmed = settings->value(QLatin1String(output->dimKey), false).toBool();
        const int stored = settings->value(QLatin1String(output->levelKey), -80).toInt();
        const double gain = AudioBusDevice::dbToGain(output->effectiveLevel(output->knob->bounded(stored)));
        mixerBlock.vector(0, output->left) = gain;
        mixerBlock.vector(0, output->right) = gain;
    }
}

void DevicePanel::restoreState(std::vector<StateKey> keys)
{
    keyTable = std::move(keys);
    // Until the device accepts a request, the start state is what a refusal
    // returns to: the block copy and each control as it was made.
    acceptedBlock = mixerBlock;
    for (const StateKey &entry : keyTable)
        applied.insert(entry.knob ? static_cast<QObject *>(entry.knob) : entry.button,
                       entry.knob ? entry.knob->value : int(entry.button->status));
    restoring = true;
    for (const StateKey &entry : keyTable) {
        const QVariant stored = settings->value(QLatin1String(entry.key), entry.fallback);
        if (entry.knob)
            entry.knob->setValue(stored.toInt());
        else
            entry.button->setStatus(stored.toBool());
    }
    qDebug() << "已从配置文件加载控件状态";
    restoring = false;
    holdWrites = false;
}

void DevicePanel::setMicGain(int channel, int value, Knob *knob, const char *key)
{
    // The device counts gain in half steps of the knob.
    const bool accepted = device->setMicVolume(channel, 2 * value);
    if (accepted)
        qDebug() << "Mic volume set to:" << value;
    else
        logFailure("Failed to set mic volume.");
    settle(knob, accepted, key);
}

void DevicePanel::setMicPad(int channel, bool on, Button *button, const char *key)
{
    qDebug() << "Mic 20dB Button Clicked" << int(on);
    const bool accepted = device->setMic20dB(channel, on);
    if (accepted)
        qDebug() << "Mic 20dB switched for channel 1.";
    else
        logFailure("Failed to switch mic 20dB.");
    settle(button, accepted, key);
}

void DevicePanel::setMicPhantom(int channel, bool on, Button *button, const char *key)
{
    qDebug() << "Mic 48V Button Clicked" << int(on);
    const bool accepted = device->setMic48V(channel, on);
    if (accepted)
        qDebug() << "Mic 48V switched for channel 1.";
    else
        logFailure("Failed to switch mic 48V.");
    // After a refused off the microphone may still get phantom power: never show it off.
    settle(button, accepted, key, !on || shownBefore(button));
}

void DevicePanel::settle(QObject *control, bool accepted, const char *key, int shown)
{
    auto *knob = qobject_cast<Knob *>(control);
    auto *button = qobject_cast<Button *>(control);
    if (accepted) {
        const int state = knob ? knob->value : int(button->status);
        // Mute and dim send the level again with the knob where it was: when
        // the restore could not bring that knob to its stored value, the key
        // keeps the stored one for the next restore.
        const bool keepIntent = resendingLevel && keptIntent.contains(control);
        applied.insert(control, state);
        if (!keepIntent) {
            keptIntent.remove(control);
            if (knob)
                store(key, knob);
            else
                store(key, button);
        }
    } else {
        if (restoring)
            keptIntent.insert(control);
        applied.insert(control, shown);
        if (knob)
            knob->showValue(shown);
        else
            button->showStatus(shown != 0);
    }
    emit controlApplied(control, accepted, accepted ? QString() : lastFailure);
}

bool DevicePanel::resendLevel(const std::function<bool()> &write)
{
    resendingLevel = true;
    const bool accepted = write();
    resendingLevel = false;
    return accepted;
}

void DevicePanel::settleOutputSwitch(Output &output, bool Output::*flag, bool before, Button *button,
                                     bool accepted, const char *key)
{
    if (!accepted)
        output.*flag = before;
    settle(button, accepted, key, before);
}

void DevicePanel::logFailure(const char *line)
{
    qDebug() << line;
    lastFailure = QString::fromUtf8(line);
}

bool DevicePanel::writeBlock()
{
    const bool accepted = device->writeMixerBlock(mixerBlock);
    if (accepted)
        acceptedBlock = mixerBlock;
    else
        mixerBlock = acceptedBlock;
    return accepted;
}

int DevicePanel::shownBefore(const QObject *control) const
{
    return applied.value(control, 0);
}

void DevicePanel::setDirect(bool on, Button *button, const char *key, std::initializer_list<Route> routes)
{
    for (const Route &route : routes)
        mixerBlock.matrix(2, route.row, route.column) = on ? 1.0 : 0.0;
    const bool accepted = writeBlock();
    if (accepted)
        qDebug() << "Monitor Mic set to:" << int(on);
    else
        logFailure("Failed to set Monitor Mic.");
    settle(button, accepted, key);
}

void DevicePanel::setPhoneLevel(int value, Knob *knob, const char *key, std::initializer_list<Route> routes,
                                const char *logText)
{
    const double gain = AudioBusDevice::dbToGain(value);
    for (const Route &route : routes)
        mixerBlock.matrix(2, route.row, route.column) = gain;
    const bool accepted = writeBlock();
    if (accepted)
        qDebug() << logText << gain;
    else
        logFailure("Failed to set OTG to HP volume.");
    settle(knob, accepted, key);
}

bool DevicePanel::writeOutputLevel(const Output &output, int value, double &gain)
{
    gain = AudioBusDevice::dbToGain(output.effectiveLevel(value));
    mixerBlock.vector(0, output.left) = gain;
    mixerBlock.vector(0, output.right) = gain;
    return writeBlock();
}

void DevicePanel::store(const char *key, Knob *knob)
{
    store(key, QVariant(knob->value));
}

void DevicePanel::store(const char *key, Button *button)
{
    store(key, QVariant(button->status));
}

void DevicePanel::store(const char *key, const QVariant &value)
{
    if (holdWrites)
        return;
    // QSettings keeps its first error for good. Once it has one, whether this
    // write reached the file shows in the file's modification time instead.
    const bool hadError = settings->status() != QSettings::NoError;
    const auto before = hadError ? modificationTime(settings->fileName()) : std::filesystem::file_time_type{};
    settings->setValue(QLatin1String(key), value);
    settings->sync();
    if (settings->status() != QSettings::NoError &&
        (!hadError || modificationTime(settings->fileName()) == before)) {
        qWarning() << "Failed to write settings file:" << settings->fileName() << settings->status();
        return;
    }
    if (logsSaves)
        qDebug() << "控件状态已保存到配置文件";
}
