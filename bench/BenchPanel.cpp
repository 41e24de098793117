// SPDX-License-Identifier: MIT
// The KS2 panel against zelvoro-sim (no journal), each figure next to its floor,
// measured alternately in the same process and reported as medians:
//  - one headphone knob step end to end (Knob::setValue -> the panel's handler
//    -> mixer block write acknowledged by the simulator -> ks2.ini written and
//    synced) vs a bare writeMixerBlock on its own link plus a bare QSettings
//    setValue + sync of one key in a copy of ks2.ini;
//  - one meter tick (the panel's refresh timer fired by hand: read + four
//    labels) vs a bare readMeterData plus four QLabel::setText of the same
//    texts on labels styled like the panel's;
//  - painting one 120 x 120 knob into an image.
// The panel logs as it always does; run it with stderr sent to a file.
//
//   bench-panel <table file> [rounds]
#include "bench/BenchTable.h"
#include "bench/PrivateEnvironment.h"
#include "bench/SimChild.h"
#include "driver/AudioBusDevice.h"
#include "driver/MeterBlock.h"
#include "driver/MixerBlock.h"
#include "panels/ks2.h"
#include "platform/posix/RuntimeDir.h"
#include "widgets/Knob.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::time_point since)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - since).count();
}

// The panel's meter text.
QString meterText(std::int32_t word)
{
    return QString::number(AudioBusDevice::amplitudeToDb(word), 'f', 1) + QStringLiteral(" dB");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-panel <table file> [rounds]\n");
        return 2;
    }
    BenchTable table(argv[1]);
    const int rounds = argc > 2 ? std::max(10, std::atoi(argv[2])) : 400;
    PrivateEnvironment env;
    if (!table.isOpen() || !env.isValid()) {
        std::fprintf(stderr, "cannot set up the table or the private directories\n");
        return 1;
    }
    env.apply();
    // In process, nothing needs a display.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    zelvoro::platform::posix::checkRuntimeDirectory(true);
    SimChild sim;
    if (!sim.start(ZELVORO_SIM_PATH, {"--model", "ks2"})) {
        table.failed("KS2 panel", "zelvoro-sim did not start");
        return 1;
    }

    QApplication app(argc, argv);
    QWidget window;
    window.setStyleSheet(QStringLiteral("background-color: #2c313c;"));
    auto *layout = new QVBoxLayout(&window);
    auto *panel = new ks2;
    panel->setParent(&window);
    layout->addWidget(panel);
    window.show();
    QCoreApplication::processEvents();

    Knob *knob = panel->findChild<Knob *>(QStringLiteral("headphoneKnob"));
    QTimer *meterTimer = panel->findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    if (!knob || !meterTimer) {
        table.failed("KS2 panel", "the panel did not build its controls");
        return 1;
    }
    // The tick is fired by hand; the timer must not add ticks of its own.
    meterTimer->stop();

    AudioBusDevice floorDevice;
    if (!floorDevice.open()) {
        table.failed("KS2 panel", "the floor's driver link did not open");
        return 1;
    }
    const QString ini = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/ks2.ini");
    const QString floorIni = QString::fromStdString(env.path()) + QStringLiteral("/floor.ini");
    if (!QFile::copy(ini, floorIni)) {
        table.failed("KS2 panel", "no ks2.ini to copy");
        return 1;
    }
    QSettings floorSettings(floorIni, QSettings::IniFormat);
    MixerBlock floorBlock;
    for (std::size_t v = 0; v < MixerBlock::kVectors; ++v)
        for (std::size_t i = 0; i < MixerBlock::kChannels; ++i)
            floorBlock.vector(v, i) = 1.0;

    // Knob steps, alternating between two levels so that every step changes
    // both the block and the file; the order of the pair alternates too.
    std::vector<double> step;
    std::vector<double> stepFloor;
    std::vector<double> floorWrite;
    std::vector<double> floorSync;
    bool floorOk = true;
    auto panelStep = [&](int value) {
        const auto t = Clock::now();
        knob->setValue(value);
        step.push_back(microseconds(t));
    };
    auto floorStep = [&](int value) {
        const auto t = Clock::now();
        const double gain = AudioBusDevice::dbToGain(value);
        floorBlock.vector(0, 4) = gain;
        floorBlock.vector(0, 5) = gain;
        floorOk = floorDevice.writeMixerBlock(floorBlock) && floorOk;
        const auto written = Clock::now();
        floorSettings.setValue(QStringLiteral("Dial/HeadphoneValue"), value);
        floorSettings.sync();
        stepFloor.push_back(microseconds(t));
        floorWrite.push_back(std::chrono::duration<double, std::micro>(written - t).count());
        floorSync.push_back(microseconds(written));
    };
    for (int i = 0; i < rounds / 10; ++i) {
        panelStep(-20 - i % 2);
        floorStep(-20 - i % 2);
    }
    step.clear();
    stepFloor.clear();
    floorWrite.clear();
    floorSync.clear();
    for (int i = 0; i < rounds; ++i) {
        const int value = -12 - i % 2;
        if (i % 2) {
            panelStep(value);
            floorStep(value);
        } else {
            floorStep(value);
            panelStep(value);
        }
        QCoreApplication::processEvents();
    }
    const int lastValue = -12 - (rounds - 1) % 2;
    if (!floorOk || QSettings(ini, QSettings::IniFormat).value(QStringLiteral("Dial/HeadphoneValue")).toInt() != lastValue) {
        table.failed("headphone knob step, KS2", "a write failed or the INI does not hold the last step");
        return 1;
    }
    table.ratio("headphone knob step, KS2, end to end (vs bare mixer write + QSettings set+sync)",
                BenchTable::median(step), BenchTable::median(stepFloor), "us", 1.10);
    table.report("  floor part: bare writeMixerBlock round trip (66,304 B)", BenchTable::median(floorWrite), "us");
    table.report("  floor part: bare QSettings setValue + sync (copy of ks2.ini)", BenchTable::median(floorSync), "us");

    // Meter ticks.
    QWidget floorHost;
    auto *floorLayout = new QVBoxLayout(&floorHost);
    QLabel *floorLabels[4];
    for (QLabel *&label : floorLabels) {
        label = new QLabel(QStringLiteral("-160 dB"), &floorHost);
        label->setAlignment(Qt::AlignCenter);
        label->setStyleSheet(QStringLiteral("color: #888888; font-size: 8px;"));
        floorLayout->addWidget(label);
    }
    floorHost.show();
    MeterBlock floorMeters;
    std::vector<double> tick;
    std::vector<double> tickFloor;
    auto panelTick = [&] {
        const auto t = Clock::now();
        QMetaObject::invokeMethod(meterTimer, "timeout", Qt::DirectConnection);
        tick.push_back(microseconds(t));
    };
    auto floorTick = [&] {
        const auto t = Clock::now();
        if (floorDevice.readMeterData(floorMeters)) {
            floorLabels[0]->setText(meterText(floorMeters.words[0]));
            floorLabels[1]->setText(meterText(floorMeters.words[1]));
            const QString phone = meterText(floorMeters.phoneMean());
            floorLabels[2]->setText(phone);
            floorLabels[3]->setText(phone);
        } else {
            floorOk = false;
        }
        tickFloor.push_back(microseconds(t));
    };
    for (int i = 0; i < rounds / 10; ++i) {
        panelTick();
        floorTick();
    }
    tick.clear();
    tickFloor.clear();
    for (int i = 0; i < rounds; ++i) {
        if (i % 2) {
            panelTick();
            floorTick();
        } else {
            floorTick();
            panelTick();
        }
        QCoreApplication::processEvents();
    }
    const QLabel *mic1Meter = panel->findChild<QLabel *>(QStringLiteral("mic1Meter"));
    if (!floorOk || !mic1Meter || mic1Meter->text() == QLatin1String("-160 dB")) {
        table.failed("meter tick, KS2", "a meter read failed or the panel's labels did not change");
        return 1;
    }
    table.ratio("meter tick, KS2 (vs bare readMeterData + 4 QLabel::setText)", BenchTable::median(tick),
                BenchTable::median(tickFloor), "us", 1.20);

    // Painting one knob as the panels configure a level knob.
    Knob painted;
    painted.setFixedSize(120, 120);
    painted.textColor = QColor(QStringLiteral("#00ff7f"));
    painted.value = -12;
    QImage image(120, 120, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> paint;
    for (int i = 0; i < rounds * 5; ++i) {
        image.fill(Qt::transparent);
        const auto t = Clock::now();
        painted.render(&image);
        if (i >= rounds / 2)
            paint.push_back(microseconds(t));
    }
    table.report("paint one 120 x 120 knob offscreen (QWidget::render into a QImage)", BenchTable::median(paint), "us");

    delete panel;
    floorDevice.close();
    sim.stop();
    return 0;
}
