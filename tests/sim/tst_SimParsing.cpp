// SPDX-License-Identifier: MIT
// The simulator's small parsers and formatters: fault rules and their
// counting, command-line options, journal lines and console hex.
#include "driver/ControlCodes.h"
#include "sim/CommandConsole.h"
#include "sim/FaultInjector.h"
#include "sim/Journal.h"
#include "sim/JsonText.h"
#include "sim/RequestHandler.h"
#include "sim/SimOptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

SimOptions parsed(const std::vector<std::string> &arguments, bool *ok = nullptr, std::string *error = nullptr)
{
    SimOptions options;
    std::string message;
    const bool result = options.parse(arguments, message);
    if (ok)
        *ok = result;
    if (error)
        *error = message;
    return options;
}

} // namespace

class SimParsingTest : public QObject
{
    Q_OBJECT

private slots:
    void faultSpecs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("op");
        QTest::addColumn<qint64>("code"); // -1: none
        QTest::addColumn<uint>("nth");
        QTest::addColumn<uint>("status");
        QTest::newRow("plain") << "writeMixerBlock" << true << "writeMixerBlock" << qint64(-1) << 0u << 31u;
        QTest::newRow("nth") << "getDevicePid@3" << true << "getDevicePid" << qint64(-1) << 3u << 31u;
        QTest::newRow("status") << "setMic48V=87" << true << "setMic48V" << qint64(-1) << 0u << 87u;
        QTest::newRow("both") << "vendor@2=1167" << true << "vendor" << qint64(-1) << 2u << 1167u;
        QTest::newRow("hex") << "0xFFDC2074@1=5" << true << "" << qint64(0xFFDC2074) << 1u << 5u;
        QTest::newRow("hex lower") << "0xffdc2040" << true << "" << qint64(0xFFDC2040) << 0u << 31u;
        QTest::newRow("firmware") << "getFirmwareVersion" << true << "getFirmwareVersion" << qint64(-1) << 0u
                                  << 31u;
        QTest::newRow("unknown op") << "setMic49V" << false << "" << qint64(-1) << 0u << 0u;
        QTest::newRow("empty") << "" << false << "" << qint64(-1) << 0u << 0u;
        QTest::newRow("zero nth") << "stopAudio@0" << false << "" << qint64(-1) << 0u << 0u;
        QTest::newRow("bad nth") << "stopAudio@x" << false << "" << qint64(-1) << 0u << 0u;
        QTest::newRow("empty status") << "stopAudio=" << false << "" << qint64(-1) << 0u << 0u;
        QTest::newRow("zero status") << "stopAudio=0" << false << "" << qint64(-1) << 0u << 0u;
        QTest::newRow("huge status") << "stopAudio=99999999999" << false << "" << qint64(-1) << 0u << 0u;
        QTest::newRow("bad hex") << "0xFFDG2040" << false << "" << qint64(-1) << 0u << 0u;
        QTest::newRow("long hex") << "0x1FFDC2040" << false << "" << qint64(-1) << 0u << 0u;
    }
    void faultSpecs()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, op);
        QFETCH(qint64, code);
        QFETCH(uint, nth);
        QFETCH(uint, status);
        std::string error;
        const auto rule = FaultInjector::parse(text.toStdString(), error);
        QCOMPARE(rule.has_value(), valid);
        if (!valid) {
            QVERIFY(!error.empty());
            return;
        }
        QCOMPARE(QString::fromStdString(rule->op), op);
        QCOMPARE(rule->code ? qint64(*rule->code) : qint64(-1), code);
        QCOMPARE(rule->nth, nth);
        QCOMPARE(rule->status, status);
    }

    void everyOperationNameIsKnown()
    {
        for (const controlcode::Entry &entry : controlcode::kAll)
            QVERIFY2(FaultInjector::isKnownOperation(entry.name), entry.name);
        for (const char *name :
             {"setMicVolume", "setOutVolume", "setMic48V", "setMic20dB", "setMicInstrument", "setOtgOn",
              "setOtgOff", "upgradeFirmware", "setCloseFeedback", "getFirmwareVersion"})
            QVERIFY2(FaultInjector::isKnownOperation(name), name);
        QVERIFY(!FaultInjector::isKnownOperation("unknown"));
    }

    void nthRequestFromNowFailsOnce()
    {
        FaultInjector faults;
        std::string error;
        faults.add(*FaultInjector::parse("getDevicePid@3=5", error));
        const std::uint32_t pid = controlcode::GetDevicePid;
        QVERIFY(!faults.check(pid, "getDevicePid", ""));
        QVERIFY(!faults.check(controlcode::StopAudio, "stopAudio", "")); // other requests do not count
        QVERIFY(!faults.check(pid, "getDevicePid", ""));
        QCOMPARE(faults.check(pid, "getDevicePid", ""), std::optional<std::uint32_t>(5));
        QVERIFY(!faults.check(pid, "getDevicePid", ""));
        QCOMPARE(faults.ruleCount(), std::size_t(0));
    }

    void rulesWithoutCountFailEveryRequest()
    {
        FaultInjector faults;
        std::string error;
        faults.add(*FaultInjector::parse("vendor", error));
        faults.add(*FaultInjector::parse("setMic48V@2=87", error));
        const std::uint32_t vendor = controlcode::SendVendorCommand;
        QCOMPARE(faults.check(vendor, "vendor", "setMicVolume"), std::optional<std::uint32_t>(31));
        QCOMPARE(faults.check(vendor, "vendor", "setMic48V"), std::optional<std::uint32_t>(31));
        QVERIFY(!faults.check(controlcode::GetDevicePid, "getDevicePid", ""));
        faults.clear();
        QVERIFY(!faults.check(vendor, "vendor", "setMic48V"));

        // The specific vendor operation counts only its own frames.
        faults.add(*FaultInjector::parse("setMic48V@2=87", error));
        QVERIFY(!faults.check(vendor, "vendor", "setMic48V"));
        QVERIFY(!faults.check(vendor, "vendor", "setMic20dB"));
        QCOMPARE(faults.check(vendor, "vendor", "setMic48V"), std::optional<std::uint32_t>(87));

        // A rule by code matches the code whatever its name.
        faults.add(*FaultInjector::parse("0xFFDC20A0=1167", error));
        QCOMPARE(
            faults.check(controlcode::TransferVendorCommand, "transferVendorCommand", "getFirmwareVersion"),
            std::optional<std::uint32_t>(1167));
    }

    void firstFiringRuleDecidesButAllCount()
    {
        FaultInjector faults;
        std::string error;
        faults.add(*FaultInjector::parse("readMeterData@2=5", error));
        faults.add(*FaultInjector::parse("readMeterData@1=6", error));
        const std::uint32_t code = controlcode::ReadMeterData;
        QCOMPARE(faults.check(code, "readMeterData", ""), std::optional<std::uint32_t>(6));
        QCOMPARE(faults.check(code, "readMeterData", ""), std::optional<std::uint32_t>(5));
        QVERIFY(!faults.check(code, "readMeterData", ""));
    }

    void options()
    {
        bool ok = false;
        SimOptions defaults = parsed({}, &ok);
        QVERIFY(ok);
        QCOMPARE(defaults.productId, 2u);
        QCOMPARE(defaults.firmware, std::string("1.0.3"));
        QCOMPARE(defaults.bus, 0u);
        QVERIFY(defaults.journalPath.empty());
        QVERIFY(defaults.unplugAfterSeconds < 0);
        QVERIFY(!defaults.asio && !defaults.silent && !defaults.shortFirmware && !defaults.stdinEofQuits);

        const SimOptions all = parsed({"--model",    "kt",       "--firmware",       "0123456789",
                                       "--bus",      "15",       "--journal",        "-",
                                       "--fail",     "vendor",   "--fail",           "getDevicePid@1",
                                       "--delay-ms", "25",       "--unplug-after",   "1.5",
                                       "--asio",     "--silent", "--short-firmware", "--stdin-eof-quits"},
                                      &ok);
        QVERIFY(ok);
        QCOMPARE(all.productId, 15u);
        QCOMPARE(all.firmware, std::string("0123456789"));
        QCOMPARE(all.bus, 15u);
        QCOMPARE(all.journalPath, std::string("-"));
        QCOMPARE(all.faults, std::vector<std::string>({"vendor", "getDevicePid@1"}));
        QCOMPARE(all.delayMs, 25u);
        QCOMPARE(all.unplugAfterSeconds, 1.5);
        QVERIFY(all.asio && all.silent && all.shortFirmware && all.stdinEofQuits);

        QCOMPARE(parsed({"--model", "ks1"}).productId, 1u);
        QCOMPARE(parsed({"--model", "ks2"}).productId, 2u);
        QCOMPARE(parsed({"--model", "4294967295"}).productId, 4294967295u);
    }

    void badOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("model name") << QStringList{"--model", "ks3"};
        QTest::newRow("model too big") << QStringList{"--model", "4294967296"};
        QTest::newRow("model negative") << QStringList{"--model", "-1"};
        QTest::newRow("firmware 11 bytes") << QStringList{"--firmware", "01234567890"};
        QTest::newRow("bus 16") << QStringList{"--bus", "16"};
        QTest::newRow("bus text") << QStringList{"--bus", "one"};
        QTest::newRow("missing value") << QStringList{"--journal"};
        QTest::newRow("delay text") << QStringList{"--delay-ms", "10ms"};
        QTest::newRow("unplug negative") << QStringList{"--unplug-after", "-1"};
        QTest::newRow("unplug text") << QStringList{"--unplug-after", "soon"};
        QTest::newRow("unknown") << QStringList{"--loud"};
    }
    void badOptions()
    {
        QFETCH(QStringList, arguments);
        std::vector<std::string> list;
        for (const QString &a : arguments)
            list.push_back(a.toStdString());
        bool ok = true;
        std::string error;
        parsed(list, &ok, &error);
        QVERIFY(!ok);
        QVERIFY(!error.empty());
    }

    void doublesRoundTrip()
    {
        for (double value : {1.9952623149688795, 0.1, 1.0 / 3.0, 1e-300, -2.5, 5e-324, 0.7079457843841379,
                             std::numeric_limits<double>::max()}) {
            const std::string text = JsonText::number(value);
            QCOMPARE(std::strtod(text.c_str(), nullptr), value);
            const QJsonDocument document =
                QJsonDocument::fromJson("[" + QByteArray::fromStdString(text) + "]");
            QCOMPARE(document.array().at(0).toDouble(), value);
        }
        QCOMPARE(JsonText::number(1.0), std::string("1"));
        QCOMPARE(JsonText::number(0.5), std::string("0.5"));
        QCOMPARE(JsonText::number(std::nan("")), std::string("\"NaN\""));
        QCOMPARE(JsonText::number(-std::numeric_limits<double>::infinity()), std::string("\"-Infinity\""));
        QCOMPARE(JsonText::code(0xFFDC20A0), std::string("0xFFDC20A0"));
        QCOMPARE(JsonText::string("a\"b\\c\n\x01"), std::string("\"a\\\"b\\\\c\\n\\u0001\""));
        const std::uint8_t bytes[] = {0x01, 0x5B, 0xAF};
        QCOMPARE(JsonText::hex(bytes, 3), std::string("015baf"));
    }

    void journalLine()
    {
        Reply reply;
        reply.op = "setSampleRate";
        reply.status = 170;
        reply.fields = {{"value", "48000"}};
        const std::string line = Journal::line(12.3456789, 3, 0xFFDC2038, 4, reply);
        QVERIFY(line.back() == '\n');
        QCOMPARE(std::count(line.begin(), line.end(), '\n'), 1);
        QJsonParseError error;
        const QJsonObject record = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(record.value("t_ms").toDouble(), 12.346);
        QCOMPARE(record.value("conn").toInt(), 3);
        QCOMPARE(record.value("code").toString(), QStringLiteral("0xFFDC2038"));
        QCOMPARE(record.value("op").toString(), QStringLiteral("setSampleRate"));
        QCOMPARE(record.value("in_len").toInt(), 4);
        QCOMPARE(record.value("status").toInt(), 170);
        QCOMPARE(record.value("value").toInt(), 48000);
        QCOMPARE(record.keys().size(), 7);
    }

    void consoleHex()
    {
        std::string bytes;
        QVERIFY(CommandConsole::parseHex("31", bytes));
        QCOMPARE(bytes, std::string("1"));
        QVERIFY(CommandConsole::parseHex("00 01:ff", bytes));
        QCOMPARE(bytes, std::string("\x00\x01\xff", 3));
        QVERIFY(CommandConsole::parseHex("", bytes));
        QVERIFY(bytes.empty());
        QVERIFY(!CommandConsole::parseHex("123", bytes));
        QVERIFY(!CommandConsole::parseHex("zz", bytes));
    }
};

QTEST_GUILESS_MAIN(SimParsingTest)
#include "tst_SimParsing.moc"
