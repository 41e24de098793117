// SPDX-License-Identifier: MIT
// Global keys against the real program and zelvoro-sim (a KS2) on a private
// Xvfb: xdotool presses a key whatever has the focus, the journal and ks2.ini
// show what it did.
#include "PanelJournal.h"
#include "SimProcess.h"

#include "control/EngineControls.h"
#include "control/MixerControls.h"
#include "control/SnapshotManager.h"
#include "settings/Settings.h"
#include "shortcuts/GlobalHotkeys.h"
#include "shortcuts/ShortcutActions.h"
#include "shortcuts/ShortcutStore.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace paneltest;

namespace {

QString display;

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

} // namespace

class GlobalShortcutsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir runtime{QStringLiteral("/tmp/zkey-XXXXXX")};
    std::unique_ptr<SimProcess> sim;
    QProcess program;

    bool logged(const QString &text, int times = 1)
    {
        QFile log(runtime.filePath("program.log"));
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            if (log.open(QIODevice::ReadOnly) && QString::fromUtf8(log.readAll()).count(text) >= times)
                return true;
            log.close();
            QTest::qWait(100);
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/shortcuts.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Shortcuts]\nspeakers.dim=Ctrl+Alt+D\nspeakers.up=Ctrl+Alt+U\nheadphones.mute=Ctrl+Alt+Bogus\n");
        file.close();
        writeIni("ks2", {{"Dial/SpeakerValue", 5}});

        sim = std::make_unique<SimProcess>(QStringList{"--model", "ks2"});
        QVERIFY(sim->start());
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setStandardOutputFile(runtime.filePath("program.log"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(ZELVORO_DRIVER_PATH), {});
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(logged(QStringLiteral("设置初始化完成")));
    }

    void cleanupTestCase()
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
        sim.reset();
    }

    // A hand-edited line that is not one key is logged and skipped; the others work.
    void badLineSkipped()
    {
        QVERIFY(logged(QStringLiteral("shortcuts.ini: skipped \"headphones.mute=Ctrl+Alt+Bogus\"")));
    }

    // Each press goes through the control's own handler, in order: the level
    // stops at the top of its range (+6 dB) without a request.
    void keyPress_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("iniKey");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("sends");
        QTest::newRow("dim") << "ctrl+alt+d" << "Button/SpeakerDimIsChecked" << QVariant(true) << true;
        QTest::newRow("level up one step") << "ctrl+alt+u" << "Dial/SpeakerValue" << QVariant(6) << true;
        QTest::newRow("level up at the top") << "ctrl+alt+u" << "Dial/SpeakerValue" << QVariant(6) << false;
    }

    void keyPress()
    {
        QFETCH(QString, key);
        QFETCH(QString, iniKey);
        QFETCH(QVariant, value);
        QFETCH(bool, sends);
        const int mark = int(sim->journal().size());
        QVERIFY(run(QStringLiteral(XDOTOOL_PATH), {QStringLiteral("key"), key}));
        if (sends) {
            const auto sent = [&] {
                const QList<QJsonObject> records = sim->journalSince(mark);
                return std::any_of(records.cbegin(), records.cend(), isMixerWrite);
            };
            QTRY_VERIFY_WITH_TIMEOUT(sent(), 20000);
        } else {
            QVERIFY(logged(QStringLiteral("Shortcut speakers.up: 7 is out of range")));
            for (const QJsonObject &record : sim->journalSince(mark))
                QVERIFY2(!isMixerWrite(record), qPrintable(describe(record)));
        }
        QTRY_COMPARE_WITH_TIMEOUT(iniValue("ks2", iniKey).toString(), value.toString(), 10000);
    }

    // QSettings escapes a snapshot's name in the key ("%20", "%U591C"): the
    // binding must survive the next start's sanitizing.
    void snapshotNameKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shortcuts.ini"));
        const QString action = QStringLiteral("snapshot.Late night 夜");
        ShortcutStore(path).set(action, QKeySequence(QStringLiteral("Ctrl+Alt+N")));
        QCOMPARE(ShortcutStore(path).load().value(action), QKeySequence(QStringLiteral("Ctrl+Alt+N")));
        QVERIFY(!QFile::exists(path + QStringLiteral(".bad")));
    }

    // A key the program already holds is marked in this second client's row; a free one is taken.
    void keyInUse()
    {
        QTemporaryDir dir;
        ShortcutStore store(dir.filePath(QStringLiteral("shortcuts.ini")));
        store.set(QStringLiteral("speakers.dim"), QKeySequence(QStringLiteral("Ctrl+Alt+D")));
        store.set(QStringLiteral("speakers.mute"), QKeySequence(QStringLiteral("Ctrl+Alt+M")));
        Settings settings;
        EngineControls engine(&settings);
        MixerControls mixer(&engine);
        SnapshotManager snapshots(&mixer);
        ShortcutActions actions(&mixer, &snapshots);
        GlobalHotkeys hotkeys;
        QVERIFY(hotkeys.available());
        ShortcutsDialog dialog(&store, &hotkeys, &actions);
        dialog.bindStored();
        dialog.refresh();
        auto *taken = dialog.findChild<QLabel *>(QStringLiteral("status:speakers.dim"));
        auto *free = dialog.findChild<QLabel *>(QStringLiteral("status:speakers.mute"));
        QVERIFY(taken && free);
        QCOMPARE(taken->text(), QStringLiteral("in use by another program"));
        QCOMPARE(free->text(), QString());
    }
};

// The X server has to exist before the application connects to it.
int main(int argc, char *argv[])
{
    QProcess xvfb;
    xvfb.setStandardErrorFile(QProcess::nullDevice());
    xvfb.start(QStringLiteral(XVFB_PATH), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!xvfb.waitForReadyRead(20000)) {
        qCritical("Xvfb did not start");
        return 1;
    }
    display = QStringLiteral(":") + QString::fromLatin1(xvfb.readLine().trimmed());
    qputenv("DISPLAY", display.toLatin1());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int result = 0;
    {
        QApplication application(argc, argv);
        // The program's INI folder, for the panel helpers.
        QCoreApplication::setApplicationName(QStringLiteral("ZelvoroDriver"));
        GlobalShortcutsTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return result;
}

#include "tst_GlobalShortcuts.moc"
