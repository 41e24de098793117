// SPDX-License-Identifier: MIT
// Crash safety of the INI files: the program is SIGKILLed right after each
// kind of user action, again and again; the file must always parse and hold
// the last completed action's value. Also: a write that fails is reported.
#include "panels/ks1.h"
#include "panels/ks2.h"
#include "panels/kt.h"
#include "settings/Settings.h"
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include "IniCheck.h"
#include "LogCapture.h"
#include "SimProcess.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <memory>
#include <unistd.h>

using namespace reliability;

namespace {

// Where a program of that executable name keeps its INI files.
QString dataDirOf(const QString &program)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + program;
}

struct Action
{
    QString kind;
    QString name;
    QString file; // INI file name
    QString key;
    QStringList values; // one per repetition, each differing from the one before
};

} // namespace

class CrashSafetyTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SimProcess> sim;

    // Runs CrashDriver for one action, kills it the moment it reports the
    // handler done, and returns false when it never got there.
    bool runAndKill(const QStringList &arguments, QString &output)
    {
        QProcess driver;
        driver.setProcessChannelMode(QProcess::MergedChannels);
        driver.start(QStringLiteral(ZELVORO_CRASH_DRIVER_PATH), arguments);
        if (!driver.waitForStarted(10000))
            return false;
        QByteArray seen;
        while (!seen.contains("done\n")) {
            if (!driver.waitForReadyRead(30000)) {
                driver.kill();
                driver.waitForFinished();
                output = QString::fromUtf8(seen);
                return false;
            }
            seen += driver.readAll();
        }
        ::kill(static_cast<pid_t>(driver.processId()), SIGKILL);
        driver.waitForFinished(10000);
        output = QString::fromUtf8(seen);
        return driver.exitStatus() == QProcess::CrashExit;
    }

private slots:
    void initTestCase()
    {
        sim = std::make_unique<SimProcess>(QStringList{"--model", "ks2"});
        QVERIFY(sim->start());
    }

    void cleanupTestCase() { sim.reset(); }

    void killedRightAfterEachAction()
    {
        const QString dir = dataDirOf("CrashDriver");
        const QList<Action> actions = {
            {"knob", "mic1GainKnob", "ks2.ini", "Dial/Mic1Value", {"10", "56", "0", "33"}},
            {"knob", "headphoneKnob", "ks2.ini", "Dial/HeadphoneValue", {"-12", "6", "-80", "-1"}},
            {"knob", "phoneToSpeakerKnob", "ks2.ini", "Dial/OtgToSPValue", {"-5", "-60", "3", "0"}},
            {"button", "mic2PhantomButton", "ks2.ini", "Button/Mic248VIsChecked", {"1", "0", "1", "0"}},
            {"button", "speakerMuteButton", "ks2.ini", "Button/SpeakerMuteIsChecked", {"1", "0", "1", "0"}},
            {"button", "headphoneDimButton", "ks2.ini", "Button/HeadphoneDimIsChecked", {"1", "0", "1", "0"}},
            {"setting",
             "sampleRateBox",
             "setting.ini",
             "Audio/SampleRate",
             {"48000", "44100", "48000", "44100"}},
            // A fresh engine runs buffer 256 and latency 16: the handlers skip a value equal to the driver's.
            {"setting", "bufferSizeBox", "setting.ini", "Audio/BufferSize", {"64", "1024", "128", "512"}},
            {"setting", "latencyBox", "setting.ini", "USB/LatencySize", {"24", "32", "8", "24"}},
            {"setting",
             "safeModeBox",
             "setting.ini",
             "USB/SlowMode",
             {"Enabled", "Disabled", "Enabled", "Disabled"}},
        };
        int kills = 0;
        QMap<QString, QMap<QString, QString>> expected; // file -> key -> last completed value
        for (int round = 0; round < 4; ++round) {
            for (const Action &action : actions) {
                // Every run starts from a fresh engine, as after a replug.
                QCOMPARE(sim->command("unplug").left(2), QString("ok"));
                QCOMPARE(sim->command("plug").left(2), QString("ok"));
                const QString value = action.values.at(round);
                QString output;
                QVERIFY2(runAndKill({action.kind, action.name, value}, output),
                         qPrintable(action.name + " " + value + ": " + output.right(600)));
                ++kills;
                const QString boolText = value == "1" ? "true" : "false";
                expected[action.file][action.key] = action.kind == "button" ? boolText : value;

                // Whole, and holding the last completed value of every action so far.
                for (auto file = expected.cbegin(); file != expected.cend(); ++file) {
                    const IniState state = readIni(dir + QLatin1Char('/') + file.key());
                    QVERIFY2(state.error.isEmpty(), qPrintable(state.error));
                    for (auto it = file.value().cbegin(); it != file.value().cend(); ++it)
                        QVERIFY2(state.values.value(it.key()) == it.value(),
                                 qPrintable(QStringLiteral("%1 %2: %3, expected %4 after %5 %6")
                                                .arg(file.key(), it.key(), state.values.value(it.key()),
                                                     it.value(), action.name, value)));
                }
            }
        }
        qInfo() << "crash safety:" << kills << "kills after completed actions, every INI whole";
    }

    // The real program: killed at moments of its start-up detection and
    // restore, its INI file stays whole and holds the stored values.
    void realProgramKilledDuringRestore()
    {
        const QString ini = dataDirOf("ZelvoroDriver") + QStringLiteral("/ks2.ini");
        QDir().mkpath(dataDirOf("ZelvoroDriver"));
        {
            QSettings stored(ini, QSettings::IniFormat);
            stored.setValue("Dial/Mic1Value", 21);
            stored.setValue("Dial/SpeakerValue", -33);
            stored.setValue("Button/Mic148VIsChecked", true);
            stored.setValue("Unrelated/Key", "kept");
            stored.sync();
        }
        const IniState before = readIni(ini);
        // Kills at moments around the detection and restore; the last one
        // (0) waits for the restore's own log line instead, however slow the
        // build is.
        for (int delay : {1100, 1150, 1200, 1300, 1500, 0}) {
            QProcess program;
            program.setProcessChannelMode(QProcess::MergedChannels);
            program.start(QStringLiteral(ZELVORO_DRIVER_PATH), {});
            QVERIFY(program.waitForStarted(10000));
            if (delay > 0) {
                QTest::qWait(delay);
            } else {
                // The settings dialog's load logs the line first, then the panel's restore.
                const QByteArray restored("已从配置文件加载控件状态");
                QByteArray seen;
                while (seen.count(restored) < 2 && program.waitForReadyRead(30000))
                    seen += program.readAll();
                QVERIFY2(seen.count(restored) >= 2, seen.right(400).constData());
            }
            ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
            QVERIFY(program.waitForFinished(10000));
            const IniState after = readIni(ini);
            QVERIFY2(after.error.isEmpty(), qPrintable(after.error));
            // The restore writes back what it read: nothing may change or go.
            for (auto it = before.values.cbegin(); it != before.values.cend(); ++it)
                QCOMPARE(after.values.value(it.key()), it.value());
        }
        // The last run got through the restore: all sixteen keys are there.
        QVERIFY(readIni(ini).values.size() >= 17);
    }

    // A line the program never writes never reaches QSettings, whatever Qt
    // would make of it: each writer's own file comes through whole, the line
    // is set aside with the original kept beside the file.
    void foreignLineIsSetAside_data()
    {
        QTest::addColumn<QString>("writer"); // ks1, ks2, kt or setting
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("planted");
        QTest::addColumn<QString>("key");
        // "\0\0\0\x0b@\0\0\0": a QStringList claiming 2^30 items, 24 GiB in Qt 6.4.
        const QByteArray huge = "@Variant(\\0\\0\\0\\x0b@\\0\\0\\0)";
        const QByteArray dial = "Dial", usb = "USB", audio = "Audio";
        const QByteArray dropped = "\\x@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x6)"; // Qt drops "\x" before a non-hex
        QTest::newRow("ks1 \\x before @") << "ks1" << dial << "HeadphoneValue=" + dropped << "HeadphoneValue";
        QTest::newRow("ks2 = in a quoted key") << "ks2" << dial << "\"a=b\"=" + huge << "\"a=b\"";
        QTest::newRow("kt \\x40") << "kt" << dial << QByteArray("MicValue=\\x40Variant(\\0\\0\\0\\x0b@\\0\\0\\0)")
                                  << "MicValue";
        QTest::newRow("setting \\x before @") << "setting" << usb << "SlowMode=" + dropped << "SlowMode";
        QTest::newRow("setting = in a quoted key") << "setting" << audio << "\"a=b\"=" + huge << "\"a=b\"";
        QTest::newRow("setting quoted @") << "setting" << audio << "BufferSize=\"" + huge + "\"" << "BufferSize";
        QTest::newRow("setting %-escaped key") << "setting" << usb << QByteArray("%53lowMode=Enabled")
                                               << "%53lowMode";
    }

    void foreignLineIsSetAside()
    {
        QFETCH(QString, writer);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, planted);
        QFETCH(QString, key);
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(dir);
        const QString ini = dir + "/" + writer + ".ini";
        QFile::remove(ini);
        // Opening runs the sanitizer; the panel's restore writes back what it read.
        const auto open = [&writer]() -> std::unique_ptr<QWidget> {
            if (writer == "setting") {
                auto dialog = std::make_unique<Settings>();
                return dialog->initDevice() ? std::move(dialog) : nullptr;
            }
            return writer == "ks1" ? std::unique_ptr<QWidget>(new ks1)
                   : writer == "ks2" ? std::unique_ptr<QWidget>(new ks2)
                                     : std::unique_ptr<QWidget>(new kt);
        };
        {
            // Every kind of value the writer stores: levels below zero, switches both ways, box texts.
            const std::unique_ptr<QWidget> window = open();
            QVERIFY(window);
            for (Knob *knob : window->findChildren<Knob *>())
                knob->setValue(knob->minimum);
            for (Button *button : window->findChildren<Button *>())
                button->setStatus(!button->status);
            for (QComboBox *box : window->findChildren<QComboBox *>())
                box->setCurrentIndex(box->count() - 1);
        }
        QFile file(ini);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray written = file.readAll();
        QVERIFY(written.startsWith('['));
        const QByteArray header = "\n[" + section + "]\n";
        file.write(header + planted + "\n");
        file.close();

        LogCapture log;
        QVERIFY(open());
        QCOMPARE(log.lines(QtWarningMsg)
                     .filter(ini + ": set aside a line this program never writes (" + section + "/" + key +
                             "); the original is kept as " + ini + ".bad")
                     .size(),
                 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        // The panel's restore writes its keys back as before; the dialog's replay writes nothing.
        QCOMPARE(file.readAll(), writer == "setting" ? written + header : written);
        QFile bad(ini + ".bad");
        QVERIFY(bad.open(QIODevice::ReadOnly));
        QCOMPARE(bad.readAll(), written + header + planted + "\n");
    }

    // A write the file system refuses is reported once per store, and the
    // program goes on as before; once writes work again, nothing more is
    // reported and the file catches up, without rebuilding the panel.
    void failedWritesAreLogged()
    {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(dir);
        QFile::remove(dir + "/ks2.ini");
        QFile::remove(dir + "/setting.ini");
        const auto writable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        // Root writes anyway: then take the files' names away instead.
        const bool readOnlyWorks = ::access(QFile::encodeName(dir).constData(), W_OK) != 0;
        if (!readOnlyWorks) {
            QFile::setPermissions(dir, writable);
            QVERIFY(QDir(dir).mkdir("ks2.ini"));
            QVERIFY(QDir(dir).mkdir("setting.ini"));
        }
        const QString panelWarning = "Failed to write settings file: \"" + dir + "/ks2.ini\"";
        const QString dialogWarning = "Failed to write settings file: \"" + dir + "/setting.ini\"";

        LogCapture log;
        ks2 panel;
        auto *knob = panel.findChild<Knob *>("speakerKnob");
        QVERIFY(knob);
        log.clear();
        knob->setValue(-10);
        QCOMPARE(log.lines(QtWarningMsg).filter(panelWarning).size(), 1);
        // Behaviour is unchanged: the level still reached the device. Nothing claims it was saved.
        QVERIFY(log.contains("Speaker volume set to: -10"));
        QVERIFY(!log.contains("控件状态已保存到配置文件"));

        Settings dialog;
        QVERIFY(dialog.initDevice());
        auto *safeMode = dialog.findChild<QComboBox *>("safeModeBox");
        log.clear();
        safeMode->setCurrentText("Enabled");
        QVERIFY(!log.contains("USB慢速模式设置已保存："));
        QCOMPARE(log.lines(QtWarningMsg).filter(dialogWarning).size(), 1);

        // Writable again.
        QFile::setPermissions(dir, writable);
        QDir(dir).rmdir("ks2.ini");
        QDir(dir).rmdir("setting.ini");
        log.clear();
        knob->setValue(-12);
        knob->setValue(-13);
        safeMode->setCurrentText("Disabled");
        safeMode->setCurrentText("Enabled");
        QCOMPARE(log.lines(QtWarningMsg).filter("Failed to write settings file:").size(), 0);
        const IniState panelIni = readIni(dir + "/ks2.ini");
        QCOMPARE(panelIni.values.value("Dial/SpeakerValue"), QString("-13"));
        // What the refused writes held reached the file with the next one. A
        // file that could not even be read at start (root's case) gets none of
        // the restore's defaults, only what the user changed since.
        QCOMPARE(panelIni.values.size(), readOnlyWorks ? 16 : 1);
        QCOMPARE(readIni(dir + "/setting.ini").values.value("USB/SlowMode"), QString("Enabled"));
    }
};

QTEST_MAIN(CrashSafetyTest)
#include "tst_CrashSafety.moc"
