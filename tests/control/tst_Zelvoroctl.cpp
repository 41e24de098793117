// SPDX-License-Identifier: MIT
// zelvoroctl against the real program and zelvoro-sim (a KS2), in a private
// runtime folder under /tmp: socket paths must stay short.
#include "PanelJournal.h"
#include "SimProcess.h"

#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

using namespace paneltest;

namespace {

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

Result ctl(const QStringList &arguments, const QByteArray &runtimeDir = {})
{
    QProcess process;
    if (!runtimeDir.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromLocal8Bit(runtimeDir));
        process.setProcessEnvironment(env);
    }
    process.start(QStringLiteral(ZELVOROCTL_PATH), arguments);
    if (!process.waitForFinished(30000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The sum of the output gains of a mixer write: lower is quieter.
double outputSum(const QJsonObject &mixerWrite)
{
    double sum = 0;
    for (int i = 0; i < 32; ++i)
        sum += entry(mixerWrite, vector(0, i));
    return sum;
}

// What the program sent on its own account: no polls, no firmware requests.
QStringList sentSince(const SimProcess &sim, int mark)
{
    QStringList sent;
    for (const QJsonObject &r : sim.journalSince(mark)) {
        const QString op = r.value("op").toString();
        if (op != "readMeterData" && op != "getDevicePid" && op != "transferVendorCommand")
            sent << (isMixerWrite(r) ? QStringLiteral("mixer:%1").arg(outputSum(r)) : describe(r));
    }
    return sent;
}

QString iniText(const QString &fileAndKey)
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/ZelvoroDriver/") + fileAndKey.section(':', 0, 0);
    return QSettings(path, QSettings::IniFormat).value(fileAndKey.section(':', 1)).toString();
}

} // namespace

class ZelvoroctlTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir runtime{QStringLiteral("/tmp/zctl-XXXXXX")};
    std::unique_ptr<SimProcess> sim;
    QProcess program;

    bool waitConnected(bool connected)
    {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            const QJsonObject status =
                QJsonDocument::fromJson(ctl({"status", "--json"}).out.toUtf8()).object();
            if (!status.isEmpty() && status.value("connected").toBool() == connected)
                return true;
            QTest::qWait(200);
        }
        return false;
    }

    // The settings dialog's start-up cycle runs on timers after detection: wait for its end.
    bool settled(int starts)
    {
        QFile log(runtime.filePath("program.log"));
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired()) {
            if (log.open(QIODevice::ReadOnly) && log.readAll().count("设置初始化完成") >= starts)
                return true;
            log.close();
            QTest::qWait(100);
        }
        return false;
    }

    void run(const QStringList &arguments, int expected = 0)
    {
        const Result r = ctl(arguments);
        QVERIFY2(r.code == expected,
                 qPrintable(arguments.join(' ') + " exited " + QString::number(r.code) + ": " + r.err));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        sim = std::make_unique<SimProcess>(QStringList{"--model", "ks2", "--firmware", "1.0.3"});
        QVERIFY(sim->start());
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setStandardOutputFile(runtime.filePath("program.log"));
        program.start(QStringLiteral(ZELVORO_DRIVER_PATH), {});
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(waitConnected(true));
        QVERIFY(settled(1));
    }

    void cleanupTestCase()
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
        sim.reset();
    }

    // Refused with exit 2 and a reason, nothing sent to the device.
    void badInput_data()
    {
        QTest::addColumn<QString>("line");
        for (const char *line :
             {"set mic3.gain 10", "get mic1.inst", "set speakers.level 7", "set mic1.gain 5",
              "set mic1.48v 12", "set speakers.level loud", "set engine.rate 12345", "toggle speakers.level",
              "set speakers.level", "frobnicate", "open mixer", "snapshot load no-such-snapshot"})
            QTest::newRow(line) << QString::fromLatin1(line);
    }

    void badInput()
    {
        QFETCH(QString, line);
        const int mark = int(sim->journal().size());
        const Result r = ctl(line.split(' '));
        QVERIFY2(r.code == 2 && !r.err.isEmpty(), qPrintable(QString::number(r.code) + " " + r.out + r.err));
        QCOMPARE(sentSince(*sim, mark), QStringList());
    }

    // Each change as on screen: the request reaches the device, the INI key is written.
    void changes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("key"); // file:key of the INI value it writes
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("sent"); // a request it must send
        const QList<QStringList> rows = {
            {"set mic1.48v on", "mic1.48v on", "ks2.ini:Button/Mic148VIsChecked", "true", "setMic48V(1,1)"},
            {"get mic1.48v", "on\n", "", "", ""},
            {"set speakers.level -20", "speakers.level -20", "ks2.ini:Dial/SpeakerValue", "-20", ""},
            {"set mic2.gain 20", "mic2.gain 20", "ks2.ini:Dial/Mic2Value", "11", "setMicVolume(2,22)"},
            {"toggle headphones.mute", "headphones.mute on", "ks2.ini:Button/HeadphoneMuteIsChecked", "true",
             ""},
            {"get speakers.level --json", "\"value\":-20", "", "", ""},
            {"open main", "", "", "", ""},
            {"set engine.buffer 512", "engine.buffer 512", "setting.ini:Audio/BufferSize", "512", ""},
        };
        for (const QStringList &row : rows)
            QTest::newRow(qPrintable(row.at(0)))
                << row.at(0) << row.at(1) << row.at(2) << row.at(3) << row.at(4);
    }

    void changes()
    {
        QFETCH(QString, line);
        QFETCH(QString, output);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, sent);
        const int mark = int(sim->journal().size());
        const Result r = ctl(line.split(' '));
        QVERIFY2(r.code == 0, qPrintable(QString::number(r.code) + " " + r.err));
        QVERIFY2(r.out.contains(output), qPrintable(r.out));
        if (!key.isEmpty())
            QCOMPARE(iniText(key), value);
        const QStringList requests = sentSince(*sim, mark);
        if (!sent.isEmpty())
            QVERIFY2(requests.contains(sent), qPrintable(requests.join(' ')));
        for (const QJsonObject &record : sim->journalSince(mark))
            if (record.value("vendor_op").toString() == "setMic48V")
                QCOMPARE(record.value("frame").toString(), frameHex(0x5B, 1, 1));
    }

    // The device refuses: exit 1 with the failure, the control stays as it was.
    void refusal()
    {
        QCOMPARE(sim->command("fail setMic48V=31").left(2), QString("ok"));
        const Result r = ctl({"set", "mic1.48v", "off"});
        QCOMPARE(sim->command("clear-fails").left(2), QString("ok"));
        QVERIFY2(r.code == 1 && !r.err.isEmpty(), qPrintable(QString::number(r.code) + r.err));
        QCOMPARE(ctl({"get", "mic1.48v"}).out, QString("on\n"));
        QCOMPARE(iniText("ks2.ini:Button/Mic148VIsChecked"), QString("true"));
    }

    // Another client's changes reach a watcher, each at once and in order;
    // Ctrl+C ends it cleanly.
    void watch()
    {
        QProcess watcher;
        watcher.start(QStringLiteral(ZELVOROCTL_PATH), {"watch"});
        QVERIFY(watcher.waitForStarted());
        // Until the watcher shows a change, it may not have subscribed yet.
        QByteArray seen;
        for (int i = 0; i < 50 && !seen.contains("headphones.dim"); ++i) {
            run({"set", "headphones.dim", i % 2 ? "off" : "on"});
            watcher.waitForReadyRead(200);
            seen += watcher.readAllStandardOutput();
        }
        QVERIFY2(seen.contains("headphones.dim"), seen.constData());
        run({"set", "headphones.dim", "off"});
        QStringList expected{"headphones.dim off"};
        for (int level = -40; level <= -30; ++level) {
            run({"set", "headphones.level", QString::number(level)});
            expected << QStringLiteral("headphones.level %1").arg(level);
        }
        run({"toggle", "speakers.mute"});
        expected << "speakers.mute on";
        QByteArray lines;
        QDeadlineTimer deadline(10000);
        while (!lines.contains("speakers.mute") && watcher.waitForReadyRead(int(deadline.remainingTime())))
            lines += watcher.readAllStandardOutput();
        QStringList got = QString::fromUtf8(lines).split('\n', Qt::SkipEmptyParts);
        while (!got.isEmpty() && got.first().startsWith("headphones.dim on"))
            got.removeFirst();
        QCOMPARE(got, expected);
        ::kill(pid_t(watcher.processId()), SIGINT);
        QVERIFY(watcher.waitForFinished(5000));
        QCOMPARE(watcher.exitStatus(), QProcess::NormalExit);
        QCOMPARE(watcher.exitCode(), 0);
    }

    void noDevice()
    {
        QCOMPARE(sim->command("unplug").left(2), QString("ok"));
        QVERIFY(waitConnected(false));
        const Result r = ctl({"set", "mic1.48v", "off"});
        QCOMPARE(sim->command("plug").left(2), QString("ok"));
        QVERIFY2(r.code == 4 && !r.err.isEmpty(), qPrintable(QString::number(r.code) + r.err));
        QVERIFY(waitConnected(true));
        QVERIFY(settled(2));
    }

    // Loads are safe for ears: quiet to loud raises the outputs last, loud to
    // quiet lowers them first; another model's snapshot is refused whole.
    void snapshots()
    {
        for (const char *step : {"speakers.mute off", "headphones.mute off", "speakers.level 0",
                                 "headphones.level -6", "mic1.gain 40", "mic1.pad off"})
            run(QStringList{"set"} + QString(step).split(' '));
        run({"snapshot", "save", "loud"});
        for (const char *step : {"speakers.level -50", "headphones.level -60", "speakers.mute on",
                                 "mic1.gain 20", "mic1.pad on"})
            run(QStringList{"set"} + QString(step).split(' '));
        run({"snapshot", "save", "quiet"});
        QVERIFY(ctl({"snapshot", "list"}).out.contains("loud\tKS2"));

        for (const bool louder : {true, false}) {
            const int mark = int(sim->journal().size());
            run({"snapshot", "load", louder ? "loud" : "quiet"});
            const QStringList sent = sentSince(*sim, mark);
            qInfo().noquote() << (louder ? "quiet to loud:" : "loud to quiet:") << sent.join(' ');
            const int gain = int(sent.indexOf(QRegularExpression("setMicVolume\\(1,.*")));
            QVERIFY2(gain >= 0, qPrintable(sent.join(' ')));
            double previous = louder ? -1 : 1e9;
            for (int i = 0; i < sent.size(); ++i) {
                if (!sent.at(i).startsWith("mixer:"))
                    continue;
                const double sum = sent.at(i).mid(6).toDouble();
                QVERIFY2(louder ? sum >= previous && i > gain : sum <= previous && i < gain,
                         qPrintable(sent.join(' ')));
                previous = sum;
            }
        }
        QCOMPARE(iniText("ks2.ini:Dial/SpeakerValue"), QString("-50"));

        const QString file = runtime.filePath("other.ini");
        run({"snapshot", "save", "--file", file});
        QFile snapshot(file);
        QVERIFY(snapshot.open(QIODevice::ReadWrite));
        const QByteArray content = snapshot.readAll();
        QVERIFY(content.contains("model=KS2"));
        snapshot.resize(0);
        snapshot.write(QByteArray(content).replace("model=KS2", "model=KS1"));
        snapshot.close();
        const int mark = int(sim->journal().size());
        const Result r = ctl({"snapshot", "load", "--file", file});
        QVERIFY2(r.code == 2 && !r.err.isEmpty(), qPrintable(r.err));
        QCOMPARE(sentSince(*sim, mark), QStringList());
        run({"snapshot", "delete", "quiet"});
        QVERIFY(!ctl({"snapshot", "list"}).out.contains("quiet"));
    }

    // A line the program never writes refuses the snapshot whole, named by
    // its key and by the snapshot or the file, not by a temporary copy; the
    // writer's own text loads.
    void foreignSnapshotLine_data()
    {
        QTest::addColumn<bool>("named"); // by name from the store, or --file
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        const QByteArray dropped = "HeadphoneValue=\\x@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x6)";
        const QByteArray quotedKey = "\"a=b\"=@Variant(\\0\\0\\0\\x0b@\\0\\0\\0)";
        for (const bool named : {true, false}) {
            const char *how = named ? "name" : "--file";
            QTest::addRow("%s \\x before @", how) << named << dropped << "Dial/HeadphoneValue";
            QTest::addRow("%s = in a quoted key", how) << named << quotedKey << "Dial/\"a=b\"";
        }
        QTest::addRow("name \\x40") << true << QByteArray("SpeakerValue=\\x40Variant(\\0)") << "Dial/SpeakerValue";
        QTest::addRow("--file quoted @") << false << QByteArray("SpeakerValue=\"@Variant(\\0)\"")
                                         << "Dial/SpeakerValue";
    }

    void foreignSnapshotLine()
    {
        QFETCH(bool, named);
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        const QString saved = runtime.filePath("saved.ini");
        run({"snapshot", "save", "--file", saved});
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll() + "[Dial]\n" + line + "\n";
        file.close();
        const QString name = "foreign";
        const QString path = named ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                         "/ZelvoroDriver/snapshots/" + name + ".ini"
                                   : runtime.filePath(name + ".ini");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(content);
        out.close();

        const int mark = int(sim->journal().size());
        const Result r = ctl(named ? QStringList{"snapshot", "load", name} : QStringList{"snapshot", "load", "--file", path});
        QVERIFY2(r.code == 2, qPrintable(QString::number(r.code) + r.err));
        QVERIFY2(r.err.contains(key) && r.err.contains(named ? "snapshot \"" + name + "\"" : path) &&
                     !r.err.contains("zelvoro-snapshot-"),
                 qPrintable(r.err));
        QCOMPARE(sentSince(*sim, mark), QStringList());
        run({"snapshot", "load", "--file", saved});
    }

    void notRunning()
    {
        QTemporaryDir empty(QStringLiteral("/tmp/zctl-XXXXXX"));
        QCOMPARE(ctl({"status"}, QFile::encodeName(empty.path())).code, 3);
        run({"quit"});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(ctl({"status"}).code, 3);
    }
};

QTEST_MAIN(ZelvoroctlTest)
#include "tst_Zelvoroctl.moc"
