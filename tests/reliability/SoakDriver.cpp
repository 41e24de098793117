// SPDX-License-Identifier: MIT
// Long run for scripts/soak: the main window and settings dialog against a
// zelvoro-sim KS2, driven for a set time by random control changes, settings
// changes, ASIO pipe requests and OK clicks, and unplugs and replugs. At the
// end the last state the device received (from the simulator's journal) is
// checked against the panel's INI file, and the counts, the memory growth
// and every error line are reported. Exits non-zero on a mismatch.
//
//   zelvoro_soak <seconds> [seed]
#include "app/MainWindow.h"
#include "driver/AudioBusDevice.h"
#include "panels/ks2.h"
#include "platform/NamedPipe.h"
#include "platform/posix/Framing.h"
#include "settings/Settings.h"
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include "LogCapture.h"
#include "ProcessStats.h"
#include "SimProcess.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <map>

namespace {

bool sendOpenRequest()
{
    std::uint32_t error = 0;
    const auto client = zelvoro::platform::openPipeClient(L"\\\\.\\pipe\\ZelvoroASIOToPannel", error);
    if (client == zelvoro::platform::kInvalidHandle)
        return false;
    std::uint8_t message[20] = {};
    zelvoro::platform::posix::putLe32(message + 16, 1);
    const bool ok = zelvoro::platform::writePipeMessage(client, message, sizeof message, error);
    zelvoro::platform::closePipeClient(client);
    return ok;
}

int mixerIndex(int m, int row, int column)
{
    return m * 1024 + row * 32 + column;
}

int vectorIndex(int v, int i)
{
    return 8192 + 32 * v + i;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? args[1].toInt() : 60;
    const quint32 seed = args.size() > 2 ? args[2].toUInt() : QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    std::printf("soak: %d s, seed %u\n", seconds, seed);

    SimProcess sim({"--model", "ks2", "--asio"});
    if (!sim.start()) {
        std::printf("soak: zelvoro-sim did not start\n");
        return 2;
    }
    const QString iniPath = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/ks2.ini";

    std::map<QString, int> counts;
    std::map<QString, int> errorLines;
    std::map<QString, double> firstSeen; // seconds into the run
    bool plugged = true;
    qint64 rssWarm = -1;
    qint64 rssStart = processstats::residentKiB();
    int pipeSent = 0;
    {
        LogCapture log;
        Settings dialog;
        MainWindow window;
        window.setSettingsDialog(&dialog);

        QElapsedTimer clock;
        clock.start();
        qint64 nextUnplug = 20000 + random.bounded(20000);
        qint64 replugAt = -1;
        auto harvest = [&] {
            for (const QString &line : log.lines()) {
                if (line.contains("Failed") || line.contains("失败") || line.contains("Error") ||
                    line.contains("error")) {
                    const QString key = (plugged ? "[plugged] " : "[unplugged] ") + line.left(90);
                    if (!errorLines.count(key))
                        firstSeen[key] = clock.elapsed() / 1000.0;
                    ++errorLines[key];
                }
            }
            for (const QString &line : log.lines(QtWarningMsg) + log.lines(QtCriticalMsg)) {
                // The offscreen platform cannot raise windows; not the program's doing.
                if (line.startsWith("This plugin does not support")) {
                    ++counts["offscreen platform notices"];
                    continue;
                }
                const QString key = "[warning] " + line.left(120);
                if (!errorLines.count(key))
                    firstSeen[key] = clock.elapsed() / 1000.0;
                ++errorLines[key];
            }
            counts["pipe opens received"] +=
                log.count("Received signal from pipe thread to show settings window.");
            const QStringList warnings = log.lines(QtWarningMsg) + log.lines(QtCriticalMsg);
            counts["warnings"] += warnings.size();
            counts["log lines"] += log.lines().size();
            log.clear();
        };

        while (clock.elapsed() < qint64(seconds) * 1000) {
            QTest::qWait(10 + random.bounded(40));
            harvest();
            const qint64 now = clock.elapsed();
            if (rssWarm < 0 && now > 30000)
                rssWarm = processstats::residentKiB();
            if (plugged && now > nextUnplug) {
                harvest();
                sim.command("unplug");
                plugged = false;
                ++counts["unplugs"];
                replugAt = now + 1500 + random.bounded(2500);
                continue;
            }
            if (!plugged) {
                if (now > replugAt) {
                    harvest();
                    sim.command("plug");
                    plugged = true;
                    ++counts["replugs"];
                    nextUnplug = now + 20000 + random.bounded(40000);
                }
                continue;
            }
            ks2 *panel = nullptr;
            for (ks2 *candidate : window.findChildren<ks2 *>())
                if (candidate->findChild<Knob *>())
                    panel = candidate;
            // Nothing to drive before the window has found the interface.
            if (!panel)
                continue;
            const int dice = int(random.bounded(1000));
            if (dice < 940) {
                const QList<Knob *> knobs = panel->findChildren<Knob *>();
                const QList<Button *> buttons = panel->findChildren<Button *>();
                if (random.bounded(2) == 0 && !knobs.isEmpty()) {
                    Knob *knob = knobs.at(int(random.bounded(knobs.size())));
                    knob->setValue(knob->minimum + int(random.bounded(knob->maximum - knob->minimum + 1)));
                    ++counts["knob changes"];
                } else if (!buttons.isEmpty()) {
                    Button *button = buttons.at(int(random.bounded(buttons.size())));
                    button->setStatus(!button->status);
                    ++counts["button toggles"];
                }
            } else if (dice < 975) {
                const QList<QComboBox *> boxes = dialog.findChildren<QComboBox *>();
                QComboBox *box = boxes.at(int(random.bounded(boxes.size())));
                box->setCurrentIndex(int(random.bounded(box->count())));
                ++counts["settings changes"];
            } else if (dice < 990) {
                if (sendOpenRequest())
                    ++pipeSent;
                ++counts["pipe requests"];
            } else {
                for (QPushButton *button : dialog.findChildren<QPushButton *>())
                    if (button->text() == "OK")
                        button->click();
                ++counts["OK clicks"];
            }
            harvest();
        }
        if (!plugged) {
            sim.command("plug");
            plugged = true;
            ++counts["replugs"];
        }
        // Let a pending detection and restore finish, and the OTG cycles end.
        QTest::qWait(4000);
        harvest();
        counts["ASIO resets received"] = sim.output().count("ASIO reset received");
        counts["pipe requests delivered"] = pipeSent;
    }
    const qint64 rssEnd = processstats::residentKiB();

    // The journal against the INI file: the last mixer block and the last
    // level and switch frames per channel must be what the INI holds.
    QFile journal(sim.journalPath());
    if (!journal.open(QIODevice::ReadOnly)) {
        std::printf("soak: no journal\n");
        return 2;
    }
    QByteArray lastMixer;
    std::map<QString, int> lastVendor; // "setMicVolume/1" -> level or state
    int requests = 0;
    int refused = 0;
    while (!journal.atEnd()) {
        const QByteArray line = journal.readLine();
        ++requests;
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.value("status").toInt() != 0) {
            ++refused;
            continue;
        }
        const QString op = record.value("op").toString();
        if (op == "writeMixerBlock") {
            lastMixer = line;
            continue;
        }
        const QString vendor = record.value("vendor_op").toString();
        if (vendor == "setMicVolume")
            lastVendor["setMicVolume/" + QString::number(record.value("channel").toInt())] =
                record.value("level").toInt();
        else if (vendor == "setMic48V" || vendor == "setMic20dB")
            lastVendor[vendor + "/" + QString::number(record.value("channel").toInt())] =
                record.value("state").toInt();
    }
    counts["driver requests"] = requests;
    counts["refused requests"] = refused;

    const QSettings ini(iniPath, QSettings::IniFormat);
    QStringList mismatches;
    if (ini.status() != QSettings::NoError)
        mismatches << "INI file does not parse";
    const QJsonObject entries = QJsonDocument::fromJson(lastMixer).object().value("entries").toObject();
    const auto sent = [&](int index) { return entries.value(QString::number(index)).toDouble(0.0); };
    const auto expect = [&](const QString &what, int index, double gain) {
        if (std::fabs(sent(index) - gain) > 1e-9)
            mismatches << QStringLiteral("%1: device %2, INI %3").arg(what).arg(sent(index)).arg(gain);
    };
    const auto level = [&](const char *knob, const char *mute, const char *dim) {
        const int value = ini.value(knob).toInt();
        if (ini.value(mute).toBool())
            return AudioBusDevice::dbToGain(-80);
        return AudioBusDevice::dbToGain(ini.value(dim).toBool() ? value - 20 : value);
    };
    const double speaker =
        level("Dial/SpeakerValue", "Button/SpeakerMuteIsChecked", "Button/SpeakerDimIsChecked");
    const double headphone =
        level("Dial/HeadphoneValue", "Button/HeadphoneMuteIsChecked", "Button/HeadphoneDimIsChecked");
    for (int i : {0, 1})
        expect("speaker", vectorIndex(0, i), speaker);
    for (int i : {4, 5})
        expect("headphone", vectorIndex(0, i), headphone);
    const double toSpeaker = AudioBusDevice::dbToGain(ini.value("Dial/OtgToSPValue").toInt());
    const double toHeadphone = AudioBusDevice::dbToGain(ini.value("Dial/OtgToHpValue").toInt());
    expect("phone to speaker", mixerIndex(2, 0, 2), toSpeaker);
    expect("phone to speaker", mixerIndex(2, 1, 3), toSpeaker);
    expect("phone to headphone", mixerIndex(2, 4, 2), toHeadphone);
    expect("phone to headphone", mixerIndex(2, 5, 3), toHeadphone);
    for (int channel : {1, 2}) {
        const double direct =
            ini.value(QStringLiteral("Button/MonitorMic%1IsChecked").arg(channel)).toBool() ? 1.0 : 0.0;
        for (int row : {0, 1, 4, 5})
            expect(QStringLiteral("mic %1 direct").arg(channel), mixerIndex(2, row, channel - 1), direct);
        const int gain = ini.value(QStringLiteral("Dial/Mic%1Value").arg(channel)).toInt();
        if (lastVendor[QStringLiteral("setMicVolume/%1").arg(channel)] != 2 * gain)
            mismatches << QStringLiteral("mic %1 gain: device %2, INI %3")
                              .arg(channel)
                              .arg(lastVendor[QStringLiteral("setMicVolume/%1").arg(channel)])
                              .arg(2 * gain);
        for (const auto &[op, key] : {std::pair<const char *, const char *>{"setMic48V", "48V"},
                                      std::pair<const char *, const char *>{"setMic20dB", "20dB"}}) {
            const int stored =
                ini.value(QStringLiteral("Button/Mic%1%2IsChecked").arg(channel).arg(key)).toBool();
            if (lastVendor[QStringLiteral("%1/%2").arg(op).arg(channel)] != stored)
                mismatches << QStringLiteral("mic %1 %2: device %3, INI %4")
                                  .arg(channel)
                                  .arg(key)
                                  .arg(lastVendor[QStringLiteral("%1/%2").arg(op).arg(channel)])
                                  .arg(stored);
        }
    }

    std::printf("soak: counts\n");
    for (const auto &[name, count] : counts)
        std::printf("  %-22s %d\n", qPrintable(name), count);
    std::printf(
        "soak: VmRSS %lld KiB at start, %lld KiB after warm-up, %lld KiB at end (growth after warm-up "
        "%lld KiB)\n",
        rssStart, rssWarm, rssEnd, rssWarm > 0 ? rssEnd - rssWarm : -1LL);
    std::printf("soak: error lines (%zu distinct)\n", errorLines.size());
    for (const auto &[line, count] : errorLines)
        std::printf("  %6d x %s (first at %.1f s)\n", count, qPrintable(line), firstSeen[line]);
    std::printf("soak: journal vs INI: %s\n", mismatches.isEmpty() ? "match" : "MISMATCH");
    for (const QString &m : mismatches)
        std::printf("  %s\n", qPrintable(m));
    return mismatches.isEmpty() ? 0 : 1;
}
