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
#include <cstring>
#include <memory>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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

// A client of the control socket as a script would be (nc, socat, Python).
struct RawClient
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool closedByServer = false;

    RawClient()
    {
        sockaddr_un address{AF_UNIX, {}};
        const QByteArray path = qgetenv("XDG_RUNTIME_DIR") + "/zelvoro/control";
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    }
    ~RawClient() { ::close(fd); }
    // A peer that closed or stopped reading is no error here.
    void send(const QByteArray &bytes)
    {
        (void)::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    }
    // What came until `lines` lines did (with -1: until the server closed), within 10 s.
    QByteArray read(int lines = -1)
    {
        QByteArray got;
        char chunk[65536];
        pollfd wait{fd, POLLIN, 0};
        QDeadlineTimer due(10000);
        while ((lines < 0 || got.count('\n') < lines) && ::poll(&wait, 1, int(due.remainingTime())) > 0) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if ((closedByServer = n <= 0))
                break;
            got.append(chunk, n);
        }
        return got;
    }
};

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

    QByteArray programLog() const
    {
        QFile log(runtime.filePath("program.log"));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
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

    // Every 64-bit edge of each kind of control, and --timeout outside
    // 0.001..3600: exit 2 with the allowed range, nothing sent.
    void refusedEdges_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        const QString gain = "(0 or 10..65 dB)", level = "(-80..6 dB)";
        const QList<QStringList> rows = {
            {"set mic1.gain -9223372036854775808", gain}, {"set mic2.gain -9223372036854775800", gain},
            {"set mic1.gain 9223372036854775807", gain},  {"set mic1.gain -9223372036854775809", gain},
            {"set mic2.gain 9", gain},                    {"set mic1.gain 66", gain},
            {"set mic1.gain -1", gain},                   {"set speakers.level -9223372036854775808", level},
            {"set headphones.level 9223372036854775807", level}, {"set phone.speakers -81", level},
            {"set engine.buffer -9223372036854775808", "takes one of"},
            {"set engine.rate 9223372036854775807", "takes one of"},
        };
        for (const QStringList &row : rows)
            QTest::newRow(qPrintable(row.at(0))) << row.at(0) << row.at(1);
        for (const char *value : {"nan", "-1", "0", "abc", "inf", "3600.5", "0.0004"})
            QTest::newRow(value) << QStringLiteral("--timeout %1 status").arg(value) << "0.001 to 3600";
    }

    void refusedEdges()
    {
        QFETCH(QString, line);
        QFETCH(QString, message);
        const int mark = int(sim->journal().size());
        const Result r = ctl(line.split(' '));
        QVERIFY2(r.code == 2 && r.err.contains(message), qPrintable(QString::number(r.code) + " " + r.err));
        QCOMPARE(sentSince(*sim, mark), QStringList());
    }

    // Names that are files on every system: refused ones make no file.
    void snapshotNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        for (const char *name : {"CON", "nul", "COM1", "LPT9.txt", "con .txt", "Aux.tar.gz", "COM0", "lpt0",
                                 "COM\u00B9", "lpt\u00B3.log", "CONOUT$", "podcast.", "podcast "})
            QTest::newRow(name) << QString::fromUtf8(name) << false;
        const QString emoji = QString::fromUcs4(U"\U0001F3A7", 1), han = QStringLiteral("\u58F0");
        QTest::newRow("60 emoji") << emoji.repeated(60) << true;
        QTest::newRow("61 emoji: over 240 bytes") << emoji.repeated(61) << false;
        QTest::newRow("64 characters") << emoji.repeated(4) + han.repeated(60) << true;
        QTest::newRow("65 characters") << emoji + han.repeated(64) << false;
    }

    void snapshotNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        const QDir folder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                          "/ZelvoroDriver/snapshots");
        const QStringList before = folder.entryList(QDir::Files);
        const Result r = ctl({"snapshot", "save", name});
        QVERIFY2(r.code == (accepted ? 0 : 2) && r.err.isEmpty() == accepted, qPrintable(r.err));
        QCOMPARE(folder.exists(name + ".ini"), accepted);
        if (accepted)
            run({"snapshot", "delete", name});
        QCOMPARE(folder.entryList(QDir::Files), before);
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

    // Scripts get their answers: after shutting their writing side, or after a line too long.
    void rawClient_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArrayList>("answers"); // a text each answer line contains, in order
        const QByteArray version = "{\"cmd\":\"version\",\"id\":7}";
        const QList<QByteArrayList> rows = {
            {"half-closed version", version, "\"version\":"},
            {"half-closed set", "{\"cmd\":\"set\",\"name\":\"headphones.level\",\"value\":-12,\"id\":7}",
             "\"value\":-12"},
            {"half-closed status", "{\"cmd\":\"status\",\"id\":7}", "\"connected\":true"},
            {"too long", QByteArray(70000, 'x') + '\n' + version + '\n',
             "request line too long (70000 bytes, at most 65536)", "\"version\":"},
        };
        for (const QByteArrayList &row : rows)
            QTest::newRow(row.at(0).constData()) << row.at(1) << row.mid(2);
    }

    void rawClient()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArrayList, answers);
        RawClient client;
        client.send(sent.endsWith('\n') ? sent : sent + '\n');
        if (!sent.endsWith('\n'))
            ::shutdown(client.fd, SHUT_WR);
        const QByteArrayList lines = client.read(int(answers.size())).split('\n');
        for (int i = 0; i < answers.size(); ++i)
            QVERIFY2(lines.size() > i && lines.at(i).contains(answers.at(i)),
                     lines.join('|').left(300).constData());
        QVERIFY(lines.at(answers.size() - 1).contains("\"id\":7"));
    }

    // One bad value among changed keys: the file is refused whole, nothing reaches the device.
    void snapshotFileWithBadValue_data()
    {
        QTest::addColumn<QString>("bad");
        for (const char *bad : {"SampleRate=12345", "Mic2Value=loud", "SpeakerDimIsChecked=maybe"})
            QTest::newRow(bad) << QString::fromLatin1(bad);
    }

    void snapshotFileWithBadValue()
    {
        QFETCH(QString, bad);
        const QString file = runtime.filePath("bad.ini");
        run({"snapshot", "save", "--file", file});
        QFile snapshot(file);
        QVERIFY(snapshot.open(QIODevice::ReadWrite));
        QString content = QString::fromUtf8(snapshot.readAll());
        for (const QString &edit : {QStringLiteral("SpeakerValue=-7"), QStringLiteral("Mic1Value=5"), bad})
            content.replace(QRegularExpression("^" + edit.section('=', 0, 0) + "=.*$",
                                               QRegularExpression::MultilineOption),
                            edit);
        snapshot.resize(0);
        snapshot.write(content.toUtf8());
        snapshot.close();
        const int mark = int(sim->journal().size());
        const Result r = ctl({"snapshot", "load", "--file", file});
        QVERIFY2(r.code == 2 && r.err.contains(bad.section('=', 0, 0)), qPrintable(r.err));
        QCOMPARE(sentSince(*sim, mark), QStringList());
    }

    // Past 4 MiB of unread answers a client is dropped; the 33rd client is
    // turned away; both are closed while the others are served.
    void clientLimits()
    {
        RawClient flooder;
        for (int i = 0; i < 8; ++i)
            flooder.send(QByteArray("{\"cmd\":\"status\"}\n").repeated(1000));
        QTRY_VERIFY_WITH_TIMEOUT(programLog().contains("Control client dropped: it reads nothing of"), 20000);
        flooder.read();
        QVERIFY(flooder.closedByServer);
        std::vector<std::unique_ptr<RawClient>> clients(32);
        for (auto &client : clients) {
            client = std::make_unique<RawClient>();
            client->send("{\"cmd\":\"version\"}\n");
            QVERIFY(client->read(1).contains("\"ok\":true"));
        }
        RawClient extra;
        QCOMPARE(extra.read(),
                 QByteArray("{\"code\":\"refused\",\"error\":\"too many clients\",\"ok\":false}\n"));
        QVERIFY(extra.closedByServer);
        const Result r = ctl({"get", "headphones.level"});
        QVERIFY2(r.code == 1 && r.err.contains("too many clients"), qPrintable(r.err));
        clients.front()->send("{\"cmd\":\"status\"}\n");
        QVERIFY(clients.front()->read(1).contains("\"connected\":true"));
        clients.pop_back();
        QTRY_COMPARE_WITH_TIMEOUT(ctl({"get", "headphones.level"}).code, 0, 5000);
    }

    // Out of descriptors, Qt closes the server: it listens again once they are back.
    void listensAgainAfterStopping()
    {
        const pid_t pid = pid_t(program.processId());
        const auto descriptors = [pid] {
            return QDir(QStringLiteral("/proc/%1/fd").arg(pid), {}, QDir::NoSort, QDir::Files | QDir::System)
                .count();
        };
        const uint before = descriptors();
        rlimit old{};
        QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, nullptr, &old), 0);
        const rlimit low{rlim_t(before + 2), old.rlim_max};
        QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, &low, nullptr), 0);
        // Connections an earlier row closed may still be going away and free
        // more room than counted: open clients until accepting fails.
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < 64 && !programLog().contains("Control channel stopped listening"); ++i) {
            clients.push_back(std::make_unique<RawClient>());
            QTest::qWait(50);
        }
        QTRY_VERIFY_WITH_TIMEOUT(programLog().contains("Control channel stopped listening"), 10000);
        QCOMPARE(::prlimit(pid, RLIMIT_NOFILE, &old, nullptr), 0);
        clients.clear();
        QTRY_COMPARE_WITH_TIMEOUT(programLog().count("Control channel listening on"), 2, 10000);
        QCOMPARE(ctl({"get", "headphones.level"}).code, 0);
        QTRY_VERIFY_WITH_TIMEOUT(descriptors() <= before, 5000);
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
