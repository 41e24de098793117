// SPDX-License-Identifier: MIT
// The panels' state restore on arbitrary INI text: the first byte picks the
// panel (KS1, KS2 or KT), the rest is written as its INI file. The panel is
// built against an in-process simulated interface, replays the file through
// its controls and writes it back. Every knob must end inside its range,
// every key written back must read as a value its control can hold, and a
// key the panel does not own must survive untouched.
#include "FuzzCheck.h"

#include "panels/ks1.h"
#include "panels/ks2.h"
#include "panels/kt.h"
#include "settings/IniSanitizer.h"
#include "sim/ControlDevice.h"
#include "sim/FaultInjector.h"
#include "sim/Journal.h"
#include "sim/SimOptions.h"
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Quiet, offscreen, with private data and runtime directories, so that a
// fuzzing run neither shows anything nor touches the user's files.
struct Environment
{
    Environment()
    {
        char pattern[] = "/tmp/fuzz-panel-ini.XXXXXX";
        const char *root = ::mkdtemp(pattern);
        FUZZ_CHECK(root != nullptr);
        base = root;
        for (const char *dir : {"/home", "/data", "/config", "/runtime"})
            QDir().mkpath(QString::fromLocal8Bit(base.c_str()) + QLatin1String(dir));
        ::setenv("HOME", (base + "/home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (base + "/runtime").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        app = std::make_unique<QApplication>(argc, argv);
        device = std::make_unique<ControlDevice>(options, faults, journal);
        FUZZ_CHECK(device->plug() == 0);
        dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(dataDir);
    }

    ~Environment()
    {
        device.reset();
        app.reset();
        QDir(QString::fromLocal8Bit(base.c_str())).removeRecursively();
    }

    std::string base;
    int argc = 1;
    char name[16] = "fuzz_panel_ini";
    char *argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    SimOptions options;
    FaultInjector faults;
    Journal journal;
    std::unique_ptr<ControlDevice> device;
    QString dataDir;
};

Environment &environment()
{
    static Environment env;
    return env;
}

// The keys each panel owns; the restore rewrites every one of them.
const QStringList &ownedKeys(int model)
{
    static const QStringList ks1Keys = {"Button/MicInstrIsChecked",
                                        "Button/Mic20dBIsChecked",
                                        "Button/Mic48VIsChecked",
                                        "Button/MonitorMicIsChecked",
                                        "Dial/MicValue",
                                        "Dial/HeadphoneValue",
                                        "Button/HeadphoneMuteIsChecked",
                                        "Button/HeadphoneDimIsChecked",
                                        "Dial/OtgToHpValue"};
    static const QStringList ks2Keys = {"Button/Mic120dBIsChecked",
                                        "Button/Mic148VIsChecked",
                                        "Button/MonitorMic1IsChecked",
                                        "Dial/Mic1Value",
                                        "Dial/Mic2Value",
                                        "Button/Mic220dBIsChecked",
                                        "Button/Mic248VIsChecked",
                                        "Button/MonitorMic2IsChecked",
                                        "Dial/SpeakerValue",
                                        "Button/SpeakerMuteIsChecked",
                                        "Button/SpeakerDimIsChecked",
                                        "Dial/HeadphoneValue",
                                        "Button/HeadphoneMuteIsChecked",
                                        "Button/HeadphoneDimIsChecked",
                                        "Dial/OtgToHpValue",
                                        "Dial/OtgToSPValue"};
    static const QStringList ktKeys = {"Button/MonitorMicIsChecked", "Dial/MicValue", "Dial/HeadphoneValue",
                                       "Button/HeadphoneMuteIsChecked", "Button/HeadphoneDimIsChecked"};
    return model == 0 ? ks1Keys : model == 1 ? ks2Keys : ktKeys;
}

// Every knob inside its range, every owned key written back as a value its
// control can hold: an integer within the knobs' ranges, or true/false.
void checkRestored(const QSettings &ini, const QWidget &panel, int model)
{
    for (const Knob *knob : panel.findChildren<Knob *>())
        FUZZ_CHECK(knob->value >= knob->minimum && knob->value <= knob->maximum);
    for (const QString &key : ownedKeys(model)) {
        const QString text = ini.value(key).toString();
        if (key.startsWith(QLatin1String("Dial/"))) {
            bool isInt = false;
            const int value = text.toInt(&isInt);
            FUZZ_CHECK(isInt);
            FUZZ_CHECK(value >= -80 && value <= 56);
        } else {
            FUZZ_CHECK(text == QLatin1String("true") || text == QLatin1String("false"));
        }
    }
}

} // namespace

// fontconfig keeps its configuration caches for the whole process and
// frees them with no pointer LeakSanitizer can follow (as in tests/lsan.supp);
// libFuzzer's per-input leak check would otherwise stop on them.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0 || size > 4096)
        return 0;
    Environment &env = environment();
    const int model = data[0] % 3;
    const char *stem = model == 0 ? "ks1" : model == 1 ? "ks2" : "kt";
    const QString path = env.dataDir + QLatin1Char('/') + QLatin1String(stem) + QStringLiteral(".ini");
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char *>(data + 1), static_cast<qint64>(size - 1));
        // A key no panel owns, which the restore must leave alone.
        file.write("\n[Fuzz]\nSentinel=kept\n");
    }
    // As the panel does before it reads the file. What it keeps reads as
    // plain strings only, keeps the line after it a line of its own (the
    // sentinel), and is kept whole by a second pass.
    IniSanitizer::sanitize(path);
    {
        const QSettings kept(path, QSettings::IniFormat);
        for (const QString &key : kept.allKeys())
            FUZZ_CHECK(kept.value(key).userType() == QMetaType::QString);
        FUZZ_CHECK(kept.value(QStringLiteral("Fuzz/Sentinel")).toString() == QLatin1String("kept"));
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly));
        QByteArray text = file.readAll();
        FUZZ_CHECK(IniSanitizer::setAside(text).isEmpty());
    }

    std::unique_ptr<QWidget> panel;
    if (model == 0)
        panel = std::make_unique<ks1>();
    else if (model == 1)
        panel = std::make_unique<ks2>();
    else
        panel = std::make_unique<kt>();
    // Every control exists: the device was there, so the panel did not stop early.
    FUZZ_CHECK(panel->findChildren<Knob *>().size() >= 2);
    FUZZ_CHECK(!panel->findChildren<Button *>().isEmpty());

    const QSettings ini(path, QSettings::IniFormat);
    FUZZ_CHECK(ini.status() == QSettings::NoError);
    checkRestored(ini, *panel, model);
    FUZZ_CHECK(ini.value(QStringLiteral("Fuzz/Sentinel")).toString() == QLatin1String("kept"));
    panel.reset();
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".bad"));
    return 0;
}
