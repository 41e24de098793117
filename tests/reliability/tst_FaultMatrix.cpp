// SPDX-License-Identifier: MIT
// Fault-injection matrix: every flow of the program against zelvoro-sim,
// first clean to count its driver requests, then with each of those requests
// refused in turn and with the interface unplugged right before it. Every run
// must log the flow's failure line, leave the INI file whole with the old or
// the new value of what it touched, and leave the program able to act again.
#include "app/MainWindow.h"
#include "panels/ks1.h"
#include "panels/ks2.h"
#include "panels/kt.h"
#include "settings/Settings.h"
#include "tray/TrayIcon.h"
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include "IniCheck.h"
#include "LogCapture.h"
#include "SimProcess.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QMenu>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

using namespace reliability;

namespace {

const char *const kStopFailed = "停止音频失败，可能是驱动未正确加载或设备未连接。";
const char *const kRestartFailed = "重新启动音频失败，可能是驱动未正确加载或设备未连接。";

// One flow: `setup` builds what the flow needs (its requests are not
// counted), `act` performs it, `later` is a further action that must reach
// the device once the fault is gone.
struct Flow
{
    QString name;
    QString iniPath;
    std::function<void()> setup;
    std::function<void()> act;
    std::function<void()> later;
    std::function<void()> teardown;
    // The log text expected when this request of the flow fails; `index` is
    // its position in the flow, `occurrence` its count among requests of its op.
    std::function<QString(const QJsonObject &request, int index, int occurrence)> failureLine;
    QString unplugLine;
    // Further checks of a faulty run while its objects still live: what was
    // sent, and the INI file before it. Empty when all is well.
    std::function<QString(const QList<QJsonObject> &sent, const IniState &before)> verify;
};

QString faultOp(const QJsonObject &request)
{
    const QString vendor = request.value("vendor_op").toString();
    return vendor.isEmpty() ? request.value("op").toString() : vendor;
}

// Requests of one flow, without the background meter poll.
// A position in the journal: the end of its last whole line. Reading from a
// mark parses only what came after, not the whole run's journal again.
qint64 journalMark(const SimProcess &sim)
{
    QFile file(sim.journalPath());
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const qint64 size = file.size();
    const qint64 from = std::max<qint64>(0, size - 256 * 1024);
    file.seek(from);
    const QByteArray tail = file.readAll();
    return from + tail.lastIndexOf('\n') + 1;
}

// Requests of one flow since a mark, without the background meter poll.
QList<QJsonObject> flowRequests(const SimProcess &sim, qint64 mark)
{
    QList<QJsonObject> out;
    QFile file(sim.journalPath());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(mark))
        return out;
    const QByteArray data = file.readAll();
    const QByteArray whole = data.left(data.lastIndexOf('\n') + 1);
    for (const QByteArray &line : whole.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject r = QJsonDocument::fromJson(line).object();
        if (r.value("op").toString() != QLatin1String("readMeterData"))
            out << r;
    }
    return out;
}

// What a request asked of the device: operation, value, frame and mixer entries.
QString requestKey(const QJsonObject &r)
{
    return QStringList{
        r.value("op").toString(), r.value("vendor_op").toString(),
        QString::number(r.value("value").toDouble()), r.value("frame").toString(),
        QString::fromUtf8(QJsonDocument(r.value("entries").toObject()).toJson(QJsonDocument::Compact))}
        .join('|');
}

// A failure never makes the program send what the clean run did not: no
// other value, no other frame. Reading back what the driver runs is fine;
// after a refused mixer block the later ones lack its change, so they are
// held to no entry louder than the clean run ever sent.
QStringList unexpectedRequests(const QList<QJsonObject> &clean, const QList<QJsonObject> &sent)
{
    QSet<QString> chosen;
    QHash<QString, double> loudest;
    for (const QJsonObject &r : clean) {
        chosen << requestKey(r);
        const QJsonObject entries = r.value("entries").toObject();
        for (auto it = entries.begin(); it != entries.end(); ++it)
            loudest[it.key()] = std::max(loudest.value(it.key()), it.value().toDouble());
    }
    QStringList problems;
    bool blockRefused = false;
    for (const QJsonObject &r : sent) {
        const QString op = faultOp(r);
        if (op.startsWith("get"))
            continue;
        if (op == "writeMixerBlock" && blockRefused) {
            const QJsonObject entries = r.value("entries").toObject();
            for (auto it = entries.begin(); it != entries.end(); ++it)
                if (it.value().toDouble() > loudest.value(it.key()))
                    problems << "mixer entry " + it.key() + " louder than the clean run";
        } else if (!chosen.contains(requestKey(r))) {
            problems << "sent what the clean run did not: " + requestKey(r).left(120);
        }
        blockRefused |= op == "writeMixerBlock" && r.value("status").toInt() != 0;
    }
    return problems;
}

bool anySucceeded(const QList<QJsonObject> &requests)
{
    for (const QJsonObject &r : requests)
        if (r.value("status").toInt(-1) == 0)
            return true;
    return false;
}

// The line a settings step logs when its request fails.
QString settingsFailure(const QString &op, bool startup, int occurrence, bool latencyFirst)
{
    if (op == "stopAudio")
        return kStopFailed;
    if (op == "setSampleRate")
        return "设置音频采样率失败，可能是驱动未正确加载或设备未连接。";
    if (op == "setWdmChannelCount")
        return "设置WDM通道数量失败，可能是驱动未正确加载或设备未连接。";
    if (op == "initAudio")
        return startup ? "初始化音频失败，可能是驱动未正确加载或设备未连接。" : kRestartFailed;
    if (op == "restartAudio")
        return kRestartFailed;
    if (op == "getBufferSize")
        return "获取音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。";
    if (op == "getUsbLatency")
        // The buffer-size handler gives up; the latency handler counts it as 0.
        return latencyFirst || occurrence > 1 ? "当前USB延迟大小： 0"
                                              : "获取USB延迟大小失败，可能是驱动未正确加载或设备未连接。";
    if (op == "setBufferSize")
        return "设置音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。";
    if (op == "setUsbLatency")
        return "设置USB延迟大小失败，可能是驱动未正确加载或设备未连接。";
    if (op == "enableSlowMode" || op == "disableSlowMode")
        return "设置USB慢速模式失败，可能是驱动未正确加载或设备未连接。";
    if (op == "getSampleRate")
        return "当前音频采样率为： 0";
    if (op == "setOtgOff")
        return "关闭OTG芯片失败，可能是驱动未正确加载或设备未连接。";
    if (op == "setOtgOn")
        return "开启OTG芯片失败，可能是驱动未正确加载或设备未连接。";
    return QStringLiteral("<no line known for %1>").arg(op);
}

// A panel handler's failure line for a refused request (the level and
// switch frames report a refusal just as the mixer write does).
QString controlLine(const QString &control)
{
    if (control.contains("irect"))
        return "Failed to set Monitor Mic.";
    // The KT's and KS1's mute and dim act on the headphone output.
    if (control.startsWith("headphone") || control == "muteButton" || control == "dimButton")
        return "Failed to set headphone volume.";
    if (control.startsWith("speaker"))
        return "Failed to set speaker volume.";
    if (control.startsWith("phone"))
        return "Failed to set OTG to HP volume.";
    if (control.contains("Gain"))
        return "Failed to set mic volume.";
    if (control.contains("adButton"))
        return "Failed to switch mic 20dB.";
    if (control.contains("hantomButton"))
        return "Failed to switch mic 48V.";
    if (control.contains("instrument"))
        return "Failed to switch mic instruction.";
    return QStringLiteral("<no line known for %1>").arg(control);
}

// While a panel restores, a refused level or switch frame shows as its handler's line.
QString restoreLine(const QString &op)
{
    if (op == "setMicVolume")
        return "Failed to set mic volume.";
    if (op == "setMic20dB")
        return "Failed to switch mic 20dB.";
    if (op == "setMic48V")
        return "Failed to switch mic 48V.";
    if (op == "setMicInstrument")
        return "Failed to switch mic instruction.";
    return QStringLiteral("<no line known for %1>").arg(op);
}

// Gain and switch requests: a refused one puts its control back and keeps its key.
bool isSwitchOrGain(const QString &op)
{
    return op == "setMicVolume" || op == "setMic20dB" || op == "setMic48V" || op == "setMicInstrument";
}

QList<QJsonObject> refusedSwitchesAndGains(const QList<QJsonObject> &sent, bool withMixer = false)
{
    QList<QJsonObject> out;
    for (const QJsonObject &r : sent)
        if ((isSwitchOrGain(faultOp(r)) || (withMixer && faultOp(r) == "writeMixerBlock")) &&
            r.value("status").toInt() != 0)
            out << r;
    return out;
}

// The control and INI key a gain or switch request belongs to.
QPair<QString, QString> controlOf(const QString &model, const QString &op, int channel)
{
    const bool ks2 = model == "ks2";
    const QString mic = ks2 ? QStringLiteral("mic%1").arg(channel) : QString();
    const QString keyMic = ks2 ? QString::number(channel) : QString();
    if (op == "setMicVolume")
        return {ks2 ? mic + "GainKnob" : "micGainKnob", "Dial/Mic" + keyMic + "Value"};
    if (op == "setMic20dB")
        return {ks2 ? mic + "PadButton" : "padButton", "Button/Mic" + keyMic + "20dBIsChecked"};
    if (op == "setMic48V")
        return {ks2 ? mic + "PhantomButton" : "phantomButton", "Button/Mic" + keyMic + "48VIsChecked"};
    return {"instrumentButton", "Button/MicInstrIsChecked"};
}

int controlState(QWidget *panel, const QString &name)
{
    if (auto *knob = panel->findChild<Knob *>(name))
        return knob->value;
    if (auto *button = panel->findChild<Button *>(name))
        return button->status;
    return -1000;
}

// While a panel restores, a refused mixer write shows as one of these.
bool isPanelMixerFailure(const QString &line)
{
    static const QStringList texts = {"Failed to set Monitor Mic.", "Failed to set headphone volume.",
                                      "Failed to set speaker volume.", "Failed to set OTG to HP volume."};
    return texts.contains(line);
}

QString appDataDir()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return dir;
}

QString panelIni(const QString &model)
{
    return appDataDir() + QLatin1Char('/') + model + QStringLiteral(".ini");
}

// Stored state that differs from every default, so that the restore sends it.
void writePanelIni(const QString &model)
{
    QFile::remove(panelIni(model));
    QSettings ini(panelIni(model), QSettings::IniFormat);
    const QStringList dials = {"Dial/Mic1Value",    "Dial/Mic2Value",      "Dial/MicValue",
                               "Dial/SpeakerValue", "Dial/HeadphoneValue", "Dial/OtgToHpValue",
                               "Dial/OtgToSPValue"};
    for (const QString &key : dials)
        ini.setValue(key, key.contains("Mic") ? 12 : -20);
    ini.setValue("Button/MonitorMic1IsChecked", true);
    ini.setValue("Button/MonitorMicIsChecked", true);
    ini.sync();
}

QWidget *makePanel(const QString &model)
{
    if (model == "ks1")
        return new ks1;
    if (model == "kt")
        return new kt;
    return new ks2;
}

} // namespace

class FaultMatrixTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimProcess> sim;
    int flows = 0;
    int tried = 0;
    int passed = 0;
    QStringList failures;
    QString currentPoint; // the fault of the run in progress; empty in a clean run

    bool startSim(const QString &model)
    {
        sim = std::make_unique<SimProcess>(QStringList{"--model", model});
        return sim->start();
    }

    QString command(const QString &line) { return sim->command(line); }

    // Unplug and plug: a fresh engine state on the simulator.
    void freshDevice()
    {
        command("unplug");
        command("plug");
    }

    // The settings dialog's OTG cycle runs on timers after its handler
    // returned. Waits for its last request (a refused OTG-off ends it early).
    void waitForOtgCycle(qint64 mark, bool startup)
    {
        // A run whose fault lies before the cycle has seen its fault already.
        const QString faulted = currentPoint.section('@', 0, 0);
        if (!currentPoint.isEmpty() && faulted != "setOtgOff" && faulted != "setOtgOn" &&
            faulted != "initAudio")
            return;
        const auto has = [this, mark](const char *op, bool refused) {
            for (const QJsonObject &r : flowRequests(*sim, mark))
                if (faultOp(r) == QLatin1String(op) && (r.value("status").toInt() != 0) == refused)
                    return true;
            return false;
        };
        // The change handler starts it after a successful restart, the start-up
        // apply after the WDM channel count.
        if (!has(startup ? "setWdmChannelCount" : "initAudio", false))
            return;
        const auto done = [&] {
            if (has("setOtgOff", true))
                return true;
            if (!startup)
                return has("setOtgOn", false) || has("setOtgOn", true);
            // initAudio follows setOtgOn; the loading's own requests came before it.
            const QList<QJsonObject> sent = flowRequests(*sim, mark);
            bool afterOtg = false;
            for (const QJsonObject &r : sent) {
                afterOtg |= faultOp(r) == QLatin1String("setOtgOn");
                if (afterOtg && faultOp(r) == QLatin1String("initAudio"))
                    return true;
            }
            return false;
        };
        if (!QTest::qWaitFor(done, 10000)) {
            QStringList ops;
            for (const QJsonObject &r : flowRequests(*sim, mark))
                ops << faultOp(r) + "=" + QString::number(r.value("status").toInt());
            failures << "OTG cycle did not end: " + ops.join(' ');
        }
        // The cycle's log line follows the answer.
        QTest::qWait(30);
    }

    void fail(const QString &flow, const QString &point, const QString &why)
    {
        failures << QStringLiteral("%1 [%2]: %3").arg(flow, point, why);
    }

    // Runs one flow through the matrix.
    void runFlow(const Flow &flow)
    {
        ++flows;
        QElapsedTimer clock;
        clock.start();
        // Clean run: what the flow sends and what it leaves in the INI file.
        flow.setup();
        const IniState cleanBefore = readIni(flow.iniPath);
        const qint64 mark = journalMark(*sim);
        flow.act();
        const QList<QJsonObject> clean = flowRequests(*sim, mark);
        const IniState cleanAfter = readIni(flow.iniPath);
        flow.teardown();
        if (!cleanAfter.error.isEmpty())
            fail(flow.name, "clean", cleanAfter.error);
        for (const QJsonObject &r : clean)
            if (r.value("status").toInt(-1) != 0)
                fail(flow.name, "clean", "request refused without a fault: " + r.value("op").toString());

        QMap<QString, int> seen;
        for (int i = 0; i < clean.size(); ++i) {
            const QString op = faultOp(clean[i]);
            const int occurrence = ++seen[op];
            const QString point = QStringLiteral("%1@%2").arg(op).arg(occurrence);
            const QString expected = flow.failureLine(clean[i], i, occurrence);
            runPoint(
                flow, point, expected, cleanAfter, clean, [&] { return command("fail " + point); }, false);
        }
        runPoint(
            flow, "unplug", flow.unplugLine, cleanAfter, clean, [&] { return command("unplug"); }, true);
        Q_UNUSED(cleanBefore);
        std::printf("flow %s: %d requests, %lld ms\n", qPrintable(flow.name), int(clean.size()),
                    static_cast<long long>(clock.elapsed()));
    }

    void runPoint(const Flow &flow, const QString &point, const QString &expected, const IniState &cleanAfter,
                  const QList<QJsonObject> &clean, const std::function<QString()> &inject, bool unplug)
    {
        ++tried;
        const int failuresBefore = failures.size();
        currentPoint = unplug ? QString() : point;
        flow.setup();
        const IniState before = readIni(flow.iniPath);
        LogCapture log;
        const QString answer = inject();
        if (!answer.startsWith("ok"))
            fail(flow.name, point, "simulator refused the fault: " + answer);
        const qint64 mark = journalMark(*sim);
        flow.act();
        const QList<QJsonObject> sent = flowRequests(*sim, mark);

        if (!unplug) {
            const QString op = point.section('@', 0, 0);
            bool refused = false;
            for (const QJsonObject &r : sent)
                refused |= faultOp(r) == op && r.value("status").toInt() != 0;
            if (!refused)
                fail(flow.name, point, "the fault did not fire");
        }
        for (const QString &problem : unexpectedRequests(clean, sent))
            fail(flow.name, point, problem);
        const QString all = log.lines().join('\n') + '\n' + log.stdOut() + log.stdErr();
        if (expected == QLatin1String("<panel mixer>")) {
            int count = 0;
            for (const QString &line : log.lines())
                count += isPanelMixerFailure(line);
            if (count != 1)
                fail(flow.name, point, QStringLiteral("%1 mixer failure lines, expected 1").arg(count));
        } else if (!expected.isEmpty() && !all.contains(expected)) {
            fail(flow.name, point, "missing log line: " + expected);
        }

        const IniState after = readIni(flow.iniPath);
        const QString iniProblem = compareIni(before, after, cleanAfter);
        if (!iniProblem.isEmpty())
            fail(flow.name, point, iniProblem);
        if (flow.verify) {
            const QString problem = flow.verify(sent, before);
            if (!problem.isEmpty())
                fail(flow.name, point, problem);
        }

        // Responsive: once the fault is gone a later action reaches the device.
        command(unplug ? "plug" : "clear-fails");
        if (unplug) {
            // Old handles stay broken after a replug; the program reopens, as detection would.
            flow.teardown();
            flow.setup();
        }
        const qint64 laterMark = journalMark(*sim);
        flow.later();
        if (!anySucceeded(flowRequests(*sim, laterMark)))
            fail(flow.name, point, "no later request succeeded");
        flow.teardown();
        currentPoint.clear();
        if (failures.size() == failuresBefore)
            ++passed;
    }

    // Every control of a panel: knobs to another value, buttons toggled.
    void panelControlFlows(const QString &model)
    {
        std::unique_ptr<QWidget> panel;
        const auto build = [&, model] {
            writePanelIni(model);
            panel.reset(makePanel(model));
        };
        build();
        QStringList names;
        for (Knob *knob : panel->findChildren<Knob *>())
            names << knob->objectName();
        for (Button *button : panel->findChildren<Button *>())
            names << button->objectName();
        panel.reset();
        QVERIFY(names.size() >= 5);

        for (const QString &name : names) {
            const auto change = [&, name](int step) {
                if (auto *knob = panel->findChild<Knob *>(name))
                    knob->setValue(knob->value + step > knob->maximum ? knob->minimum : knob->value + step);
                else
                    panel->findChild<Button *>(name)->setStatus(!panel->findChild<Button *>(name)->status);
            };
            Flow flow;
            flow.name = model + "/" + name;
            flow.iniPath = panelIni(model);
            flow.setup = build;
            auto shown = std::make_shared<int>(0);
            flow.act = [&, change, name, shown] {
                *shown = controlState(panel.get(), name);
                change(3);
            };
            // A refused gain, switch or mixer write shows what it showed before
            // (for a phantom button, that is also on after a refused off) and stores nothing.
            flow.verify = [&, name, shown](const QList<QJsonObject> &sent,
                                           const IniState &before) -> QString {
                if (refusedSwitchesAndGains(sent, true).isEmpty())
                    return {};
                if (controlState(panel.get(), name) != *shown)
                    return QStringLiteral("refused: shows %1, not %2")
                        .arg(controlState(panel.get(), name))
                        .arg(*shown);
                if (readIni(panelIni(model)).values != before.values)
                    return "refused: the INI file changed";
                return {};
            };
            flow.later = [change] { change(5); };
            flow.teardown = [&] { panel.reset(); };
            flow.failureLine = [name](const QJsonObject &, int, int) { return controlLine(name); };
            // The panel's handle broke with the unplug: its request fails the same way.
            flow.unplugLine = controlLine(name);
            runFlow(flow);
        }
    }

    Flow constructionFlow(const QString &model, std::unique_ptr<QWidget> &panel)
    {
        Flow flow;
        flow.name = model + "/construct-and-restore";
        flow.iniPath = panelIni(model);
        flow.setup = [model] { writePanelIni(model); };
        flow.act = [&panel, model] { panel.reset(makePanel(model)); };
        flow.later = [&panel, model] {
            panel.reset(makePanel(model));
            auto *knob = panel->findChild<Knob *>("headphoneKnob");
            knob->setValue(knob->value - 1);
        };
        flow.teardown = [&panel] { panel.reset(); };
        // Only the last start-up output volume decides whether the panel goes on.
        const int outputs = model == "ks2" ? 4 : 2;
        flow.failureLine = [outputs](const QJsonObject &r, int, int occurrence) -> QString {
            const QString op = faultOp(r);
            if (op == "setOutVolume")
                return occurrence == outputs ? "Failed to set output volume." : "已从配置文件加载控件状态";
            if (op == "writeMixerBlock")
                return "<panel mixer>";
            return restoreLine(op);
        };
        flow.unplugLine = QStringLiteral("Failed to create device in %1.").arg(model);
        flow.verify = [&panel, model, outputs](const QList<QJsonObject> &sent,
                                               const IniState &before) -> QString {
            // A panel whose start failed stays empty.
            int volumes = 0;
            for (const QJsonObject &r : sent)
                volumes += faultOp(r) == QLatin1String("setOutVolume");
            const bool started = volumes == outputs && sent[outputs - 1].value("status").toInt() == 0;
            if (!started)
                return panel->findChildren<QObject *>().isEmpty() ? QString()
                                                                  : "a panel that did not start has children";
            // A refused restore request leaves its control at its start state
            // (phantom power on after a refused off) and its key as stored.
            const IniState after = readIni(panelIni(model));
            for (const QJsonObject &r : refusedSwitchesAndGains(sent)) {
                const QString op = faultOp(r);
                const auto [name, key] = controlOf(model, op, r.value("channel").toInt());
                const int expected = op == "setMic48V" && r.value("state").toInt() == 0 ? 1 : 0;
                if (controlState(panel.get(), name) != expected)
                    return QStringLiteral("refused %1: %2 shows %3")
                        .arg(op, name)
                        .arg(controlState(panel.get(), name));
                if (after.values.value(key) != before.values.value(key) ||
                    after.values.contains(key) != before.values.contains(key))
                    return QStringLiteral("refused %1: key %2 changed").arg(op, key);
            }
            return {};
        };
        return flow;
    }

    // The settings dialog against a fresh engine (buffer 256, latency 16, 44100 Hz).
    Flow settingsFlow(const QString &name, std::unique_ptr<Settings> &dialog, const char *box,
                      const QString &text)
    {
        Flow flow;
        flow.name = "settings/" + name;
        flow.iniPath = appDataDir() + "/setting.ini";
        flow.setup = [this, &dialog] {
            freshDevice();
            dialog = std::make_unique<Settings>();
            dialog->initDevice();
        };
        flow.act = [this, &dialog, box, text] {
            const qint64 mark = journalMark(*sim);
            dialog->findChild<QComboBox *>(box)->setCurrentText(text);
            waitForOtgCycle(mark, false);
        };
        flow.later = [&dialog] {
            auto *safeMode = dialog->findChild<QComboBox *>("safeModeBox");
            safeMode->setCurrentIndex(1 - safeMode->currentIndex());
        };
        flow.teardown = [&dialog] { dialog.reset(); };
        const bool latencyFirst = QLatin1String(box) == QLatin1String("latencyBox");
        flow.failureLine = [latencyFirst](const QJsonObject &r, int, int occurrence) {
            return settingsFailure(faultOp(r), false, occurrence, latencyFirst);
        };
        flow.unplugLine =
            name == "buffer" ? "获取音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。" : kStopFailed;
        // A refused set never leaves the engine stopped.
        flow.verify = [this](const QList<QJsonObject> &sent, const IniState &) -> QString {
            static const QStringList sets = {"setBufferSize", "setUsbLatency", "setSampleRate",
                                             "setWdmChannelCount", "enableSlowMode", "disableSlowMode"};
            for (const QJsonObject &r : sent)
                if (sets.contains(faultOp(r)) && r.value("status").toInt() != 0 &&
                    !QTest::qWaitFor([this] { return command("status").contains("engine running"); }, 3000))
                    return "a refused " + faultOp(r) + " left the engine stopped";
            return {};
        };
        return flow;
    }

private slots:
    void initTestCase() { qputenv("QT_LOGGING_RULES", "qt.qpa.*=false"); }

    void panelFlows_data()
    {
        QTest::addColumn<QString>("model");
        QTest::newRow("ks1") << "ks1";
        QTest::newRow("kt") << "kt";
        QTest::newRow("ks2") << "ks2";
    }

    void panelFlows()
    {
        QFETCH(QString, model);
        QVERIFY(startSim(model));
        std::unique_ptr<QWidget> panel;
        runFlow(constructionFlow(model, panel));
        panelControlFlows(model);
        sim.reset();
    }

    // A panel INI file that exists but cannot be read (a directory in its
    // place): with each restore request refused in turn, the panel logs the
    // read failure, sends only what a first start sends and writes nothing.
    void unreadableSettingsAtStart_data() { panelFlows_data(); }

    void unreadableSettingsAtStart()
    {
        QFETCH(QString, model);
        QVERIFY(startSim(model));
        const QString path = panelIni(model);
        QFile::remove(path);
        qint64 mark = journalMark(*sim);
        std::unique_ptr<QWidget> panel(makePanel(model));
        const QList<QJsonObject> defaults = flowRequests(*sim, mark);
        panel.reset();
        QFile::remove(path);
        QVERIFY(QDir().mkpath(path));

        QMap<QString, int> seen;
        QStringList points{QString()};
        for (const QJsonObject &r : defaults)
            points << QStringLiteral("%1@%2").arg(faultOp(r)).arg(++seen[faultOp(r)]);
        for (const QString &point : points) {
            ++tried;
            const int failuresBefore = failures.size();
            const QString name = model + "/unreadable-ini";
            LogCapture log;
            if (!point.isEmpty() && !command("fail " + point).startsWith("ok"))
                fail(name, point, "simulator refused the fault");
            mark = journalMark(*sim);
            panel.reset(makePanel(model));
            for (const QString &problem : unexpectedRequests(defaults, flowRequests(*sim, mark)))
                fail(name, point, problem);
            // Only the last start-up output volume stops the panel before it opens the file.
            const QString line = point == QStringLiteral("setOutVolume@%1").arg(model == "ks2" ? 4 : 2)
                                     ? "Failed to set output volume."
                                     : "Failed to read settings file:";
            if (!log.contains(line))
                fail(name, point, "missing log line: " + line);
            if (log.contains("Failed to write settings file:") || !QFileInfo(path).isDir())
                fail(name, point, "the restore wrote to the settings file");
            command("clear-fails");
            panel.reset();
            if (failures.size() == failuresBefore)
                ++passed;
        }
        QDir(path).removeRecursively();
        sim.reset();
    }

    void settingsFlows()
    {
        QVERIFY(startSim("ks2"));
        std::unique_ptr<Settings> dialog;
        // Buffer 64 first lowers the latency through its own handler.
        runFlow(settingsFlow("rate", dialog, "sampleRateBox", "48000"));
        runFlow(settingsFlow("buffer", dialog, "bufferSizeBox", "64"));
        runFlow(settingsFlow("latency", dialog, "latencyBox", "24"));
        runFlow(settingsFlow("safe-mode", dialog, "safeModeBox", "Enabled"));

        // Start-up apply with stored buffer 192 at 44100 Hz, and its OTG cycle.
        Flow startup = settingsFlow("startup-apply", dialog, "", "");
        startup.setup = [this, &dialog, path = startup.iniPath] {
            freshDevice();
            QFile::remove(path);
            QSettings ini(path, QSettings::IniFormat);
            ini.setValue("Audio/BufferSize", "192");
            ini.setValue("Audio/SampleRate", "44100");
            ini.setValue("USB/LatencySize", "8");
            ini.setValue("USB/SlowMode", "Disabled");
            ini.sync();
            dialog = std::make_unique<Settings>();
            dialog->initDevice();
        };
        startup.act = [this, &dialog] {
            const qint64 mark = journalMark(*sim);
            dialog->loadAndApply();
            waitForOtgCycle(mark, true);
        };
        startup.failureLine = [](const QJsonObject &r, int, int occurrence) {
            return settingsFailure(faultOp(r), true, occurrence, false);
        };
        // The buffer-size change of the loading reads first.
        startup.unplugLine = "获取音频缓冲区大小失败，可能是驱动未正确加载或设备未连接。";
        runFlow(startup);
        sim.reset();
    }

    void detectionAndTrayFlows()
    {
        QVERIFY(startSim("ks2"));
        std::unique_ptr<Settings> dialog;
        std::unique_ptr<MainWindow> window;

        // Detection: the probe's pid and firmware reads, the settings
        // dialog's start-up apply and the panel's construction, in one tick.
        Flow detection;
        detection.name = "detection";
        detection.iniPath = panelIni("ks2");
        detection.setup = [this, &dialog] {
            freshDevice();
            writePanelIni("ks2");
            dialog = std::make_unique<Settings>();
        };
        const auto detect = [this, &window, &dialog](bool untilFound) {
            const qint64 mark = journalMark(*sim);
            window = std::make_unique<MainWindow>();
            window->setSettingsDialog(dialog.get());
            // Detection ticks every second; quicker here, same steps. The
            // watch is left out: its reads are not part of detecting.
            for (QTimer *timer : window->findChildren<QTimer *>())
                timer->setInterval(timer->interval() == 1000 ? 50 : 3600 * 1000);
            if (untilFound) {
                QTRY_VERIFY_WITH_TIMEOUT(window->windowTitle().contains("FW"), 20000);
                return;
            }
            // A refused read is retried by the next tick; with no device nothing comes.
            if (!QTest::qWaitFor([&window] { return window->windowTitle().contains("FW"); }, 5000))
                return;
            waitForOtgCycle(mark, true);
        };
        detection.act = [detect] { detect(false); };
        // The detected panel answers a control change; after a replug, a new window detects again.
        detection.later = [&window, detect] {
            Knob *knob = window ? window->findChild<Knob *>("headphoneKnob") : nullptr;
            if (!knob) {
                window.reset();
                detect(true);
                knob = window->findChild<Knob *>("headphoneKnob");
            }
            knob->setValue(knob->value - 1);
        };
        detection.teardown = [&window, &dialog] {
            window.reset();
            dialog.reset();
        };
        // The probe's reads, then the dialog's start-up apply, then the panel's restore.
        detection.failureLine = [](const QJsonObject &r, int, int occurrence) -> QString {
            const QString op = faultOp(r);
            if (op == "getDevicePid")
                return "Device PID: 0";
            if (op == "getFirmwareVersion")
                return "Failed to get firmware version.";
            if (op == "writeMixerBlock")
                return "<panel mixer>";
            if (op == "setOutVolume")
                return occurrence == 4 ? "Failed to set output volume." : "已从配置文件加载控件状态";
            if (op == "setMicVolume" || op == "setMic20dB" || op == "setMic48V")
                return restoreLine(op);
            return settingsFailure(op, true, occurrence, false);
        };
        runFlow(detection);

        // The tray's firmware-upgrade request: its result is ignored, and with
        // no device only the open lines appear.
        std::unique_ptr<TrayIcon> tray;
        Flow upgrade;
        upgrade.name = "tray/upgrade-firmware";
        upgrade.iniPath = appDataDir() + "/setting.ini";
        upgrade.setup = [&tray] { tray = std::make_unique<TrayIcon>(); };
        const auto trigger = [&tray] {
            for (QAction *action : tray->contextMenu()->actions())
                if (action->text() == "Upgrade Firmware")
                    action->trigger();
        };
        upgrade.act = trigger;
        upgrade.later = trigger;
        upgrade.teardown = [&tray] { tray.reset(); };
        upgrade.failureLine = [](const QJsonObject &, int, int) { return QString(); };
        upgrade.unplugLine = "Open device \\\\.\\ZelvoroAudioBus0 failed, error: 2";
        runFlow(upgrade);
        sim.reset();
    }

    void cleanupTestCase()
    {
        for (const QString &failure : failures)
            std::printf("FAILED %s\n", qPrintable(failure));
        std::printf("fault matrix: %d flows x %d failure points tried, %d passed\n", flows, tried, passed);
        std::fflush(stdout);
        QVERIFY(tried > 100);
        QCOMPARE(passed, tried);
    }
};

QTEST_MAIN(FaultMatrixTest)
#include "tst_FaultMatrix.moc"
