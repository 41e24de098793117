// SPDX-License-Identifier: MIT
#include "panels/DevicePanel.h"

#include "settings/IniSanitizer.h"
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

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

const char *const DevicePanel::titleStyle = "font-weight: bold; font-size: 12px; color: white;";
const char *const DevicePanel::captionStyle = "font-size: 12px; color: white;";
const char *const DevicePanel::phoneCaptionStyle = "font-size: 10px; color: white;";
const char *const DevicePanel::meterStyle = "color: #888888; font-size: 8px;";

DevicePanel::DevicePanel(QWidget *parent) : QWidget(parent) {}

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
    // Until the device accepts a block, the start copy is what a refusal returns to.
    acceptedBlock = mixerBlock;
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

Button *DevicePanel::makeButton(const char *name, const QString &text, const char *accent, bool tall)
{
    // Created without a parent and reparented, as the glow's blur radius is
    // taken from the parentless default width.
    auto *button = new Button(text);
    button->setParent(this);
    button->setObjectName(QLatin1String(name));
    applied.insert(button, false);
    button->offTextColor = QStringLiteral("#8a95aa");
    button->onBackground = QStringLiteral("#1b1e23");
    button->offBackground = QStringLiteral("#1b1e23");
    button->cornerRadius = 3;
    button->onTextColor = QLatin1String(accent);
    button->glowColor = QLatin1String(accent);
    button->setMinimumWidth(80);
    button->setMaximumWidth(80);
    if (tall)
        button->setMinimumHeight(40);
    button->updateStyle();
    return button;
}

Knob *DevicePanel::makeGainKnob(const char *name, int maximum, int displayOffset)
{
    auto *knob = new Knob(this);
    knob->setObjectName(QLatin1String(name));
    knob->setFixedSize(120, 120);
    knob->minimum = 0;
    knob->maximum = maximum;
    knob->value = 0;
    applied.insert(knob, 0);
    knob->displayOffset = displayOffset;
    knob->textColor = QColor(QStringLiteral("#00ff7f"));
    knob->arcColor = QColor(QStringLiteral("#f1fa8c"));
    return knob;
}

Knob *DevicePanel::makeLevelKnob(const char *name)
{
    auto *knob = new Knob(this);
    knob->setObjectName(QLatin1String(name));
    knob->setFixedSize(120, 120);
    knob->minimum = -80;
    knob->maximum = 6;
    knob->value = -80;
    applied.insert(knob, -80);
    knob->textColor = QColor(QStringLiteral("#00ff7f"));
    return knob;
}

Knob *DevicePanel::makePhoneKnob(const char *name)
{
    auto *knob = new Knob(this);
    knob->setObjectName(QLatin1String(name));
    knob->setFixedSize(70, 70);
    knob->minimum = -80;
    knob->maximum = 6;
    knob->value = -80;
    applied.insert(knob, -80);
    knob->textColor = QColor(QStringLiteral("#00ff7f"));
    knob->arcWidth = 3;
    knob->fontSize = 10;
    return knob;
}

QLabel *DevicePanel::makeLabel(const QString &text, const char *style)
{
    auto *label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QLatin1String(style));
    return label;
}

QLabel *DevicePanel::makeMeterLabel(const char *name)
{
    QLabel *label = makeLabel(QStringLiteral("-160 dB"), meterStyle);
    label->setObjectName(QLatin1String(name));
    return label;
}

QVBoxLayout *DevicePanel::inputColumn(QLabel *title, Knob *knob, QLabel *meter, QLabel *caption,
                                      const QList<Button *> &buttons)
{
    auto *column = new QVBoxLayout;
    column->setContentsMargins(10, 10, 20, 10);
    column->addWidget(title);
    column->addWidget(knob);
    column->addWidget(meter);
    column->addWidget(caption);
    auto *stack = new QVBoxLayout;
    stack->setAlignment(Qt::AlignCenter);
    for (Button *button : buttons)
        stack->addWidget(button);
    column->addLayout(stack);
    return column;
}

QVBoxLayout *DevicePanel::outputColumn(QLabel *title, Knob *knob, QLabel *caption, Button *mute, Button *dim)
{
    auto *column = new QVBoxLayout;
    column->setAlignment(Qt::AlignCenter);
    column->setContentsMargins(20, 10, 10, 10);
    column->addWidget(title);
    auto *knobRow = new QHBoxLayout;
    knobRow->addWidget(knob);
    column->addLayout(knobRow);
    column->addWidget(caption);
    auto *switches = new QHBoxLayout;
    switches->setAlignment(Qt::AlignCenter);
    switches->addWidget(mute);
    switches->addWidget(dim);
    column->addLayout(switches);
    return column;
}

QHBoxLayout *DevicePanel::phoneRow(Knob *knob, QLabel *meter, QLabel *caption)
{
    auto *row = new QHBoxLayout;
    row->setAlignment(Qt::AlignCenter);
    row->setSpacing(8);
    row->addWidget(knob);
    auto *texts = new QVBoxLayout;
    texts->setAlignment(Qt::AlignCenter);
    texts->addWidget(meter);
    texts->addWidget(caption);
    row->addLayout(texts);
    return row;
}

void DevicePanel::setColumns(const QList<QLayout *> &inputs, const QList<QLayout *> &outputs)
{
    auto *main = new QHBoxLayout(this);
    main->setAlignment(Qt::AlignCenter);
    main->setContentsMargins(0, 0, 0, 0);
    for (QLayout *column : inputs)
        main->addLayout(column);
    auto *separator = new QFrame(this);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setFixedWidth(1);
    separator->setStyleSheet(QStringLiteral("background-color: #555555;"));
    main->addWidget(separator);
    for (QLayout *column : outputs)
        main->addLayout(column);
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
