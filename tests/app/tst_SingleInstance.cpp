// SPDX-License-Identifier: MIT
// Runs the real ZelvoroDriver program: the single-instance guard and the
// translation choice as a user meets them.
#include "app/SingleInstanceGuard.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

class Copy
{
public:
    explicit Copy(const QString &locale = QStringLiteral("en_US.UTF-8"),
                  const QString &program = QStringLiteral(ZELVORO_DRIVER_PATH))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, {});
    }
    ~Copy()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    QString output()
    {
        text += QString::fromUtf8(process.readAll());
        return text;
    }
    // True once start-up has passed the guard.
    bool passedGuard() { return output().contains(QStringLiteral("系统返回的语言代码：")); }

    QProcess process;
    QString text;
};

// Removes a segment a killed copy left behind, so that tests do not leak it.
void removeStaleSegment()
{
    SingleInstanceGuard guard;
    guard.acquire();
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { removeStaleSegment(); }

    void secondCopyExitsAndLeavesTheFirstAlone();
    void staleSegmentDoesNotBlockTheNextStart();
    void inProcessGuardDecisions();
    void chosenTranslation_data();
    void chosenTranslation();
    void missingTranslationsWarnAndStartAnyway();
};

void TestSingleInstance::secondCopyExitsAndLeavesTheFirstAlone()
{
    Copy first;
    QTRY_VERIFY_WITH_TIMEOUT(first.passedGuard(), 20000);

    Copy second;
    QVERIFY(second.process.waitForFinished(20000));
    QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process.exitCode(), 0);
    const QString secondOutput = second.output();
    QVERIFY2(secondOutput.contains(QStringLiteral("Zelvoro Mixer 已经在运行中。")), qPrintable(secondOutput));
    QVERIFY(!secondOutput.contains(QStringLiteral("系统返回的语言代码：")));
    QVERIFY(!secondOutput.contains(QStringLiteral("Device PID:")));

    // The first copy goes on detecting.
    QCOMPARE(first.process.state(), QProcess::Running);
    const int ticks = first.output().count(QStringLiteral("Device PID: 0"));
    QTRY_VERIFY_WITH_TIMEOUT(first.output().count(QStringLiteral("Device PID: 0")) > ticks, 10000);
}

void TestSingleInstance::staleSegmentDoesNotBlockTheNextStart()
{
    {
        Copy crashed;
        QTRY_VERIFY_WITH_TIMEOUT(crashed.passedGuard(), 20000);
        crashed.process.kill(); // no clean-up: the segment stays behind
        QVERIFY(crashed.process.waitForFinished(5000));
    }

    Copy next;
    QTRY_VERIFY_WITH_TIMEOUT(next.passedGuard(), 20000);
    QVERIFY(!next.output().contains(QStringLiteral("已经在运行中")));
    QCOMPARE(next.process.state(), QProcess::Running);

    // The recovered start is a live first copy again.
    Copy another;
    QVERIFY(another.process.waitForFinished(20000));
    QCOMPARE(another.process.exitCode(), 0);
    QVERIFY(another.output().contains(QStringLiteral("Zelvoro Mixer 已经在运行中。")));
    QCOMPARE(next.process.state(), QProcess::Running);
}

void TestSingleInstance::inProcessGuardDecisions()
{
    const QString semaphoreKey = QStringLiteral("ZelvoroTestSemaphore");
    const QString memoryKey = QStringLiteral("ZelvoroTestSharedMemory");
    auto first = std::make_unique<SingleInstanceGuard>(semaphoreKey, memoryKey);
    QCOMPARE(first->acquire(), SingleInstanceGuard::Result::First);
    {
        SingleInstanceGuard second(semaphoreKey, memoryKey);
        QCOMPARE(second.acquire(), SingleInstanceGuard::Result::AlreadyRunning);
    }
    // A refused copy must not take the mark away from the first one.
    {
        SingleInstanceGuard third(semaphoreKey, memoryKey);
        QCOMPARE(third.acquire(), SingleInstanceGuard::Result::AlreadyRunning);
    }
    first.reset();
    SingleInstanceGuard afterExit(semaphoreKey, memoryKey);
    QCOMPARE(afterExit.acquire(), SingleInstanceGuard::Result::First);
}

void TestSingleInstance::chosenTranslation_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("reported");
    QTest::addColumn<QString>("file");
    QTest::newRow("zh_TW") << "zh_TW.UTF-8" << "zh_TW" << "zh_CN";
    QTest::newRow("zh_CN") << "zh_CN.UTF-8" << "zh_CN" << "zh_CN";
    QTest::newRow("en_GB") << "en_GB.UTF-8" << "en_GB" << "en_US";
    QTest::newRow("fr_FR") << "fr_FR.UTF-8" << "fr_FR" << "en_US";
}

void TestSingleInstance::chosenTranslation()
{
    QFETCH(QString, locale);
    QFETCH(QString, reported);
    QFETCH(QString, file);
    Copy copy(locale);
    const QString path = QFileInfo(QStringLiteral(ZELVORO_DRIVER_PATH)).absolutePath() +
                         QStringLiteral("/ZelvoroDriver_%1.qm").arg(file);
    QTRY_VERIFY_WITH_TIMEOUT(copy.output().contains(QStringLiteral("成功加载翻译文件：")), 20000);
    const QString output = copy.output();
    QVERIFY2(output.contains(QStringLiteral("系统返回的语言代码： \"%1\"").arg(reported)), qPrintable(output));
    QVERIFY(output.contains(QStringLiteral("拼接后的路径： \"%1\"").arg(path)));
    QVERIFY(output.contains(QStringLiteral("成功加载翻译文件： \"%1\"").arg(path)));
    QVERIFY(!output.contains(QStringLiteral("未找到任何翻译文件")));
}

void TestSingleInstance::missingTranslationsWarnAndStartAnyway()
{
    // A copy of the program in a folder without translation files.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("ZelvoroDriver"));
    QVERIFY(QFile::copy(QStringLiteral(ZELVORO_DRIVER_PATH), program));
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    Copy copy(QStringLiteral("zh_CN.UTF-8"), program);
    QTRY_VERIFY_WITH_TIMEOUT(copy.output().contains(QStringLiteral("Device PID: 0")), 20000);
    const QString output = copy.output();
    const QString candidate = dir.filePath(QStringLiteral("ZelvoroDriver_zh_CN.qm"));
    QVERIFY2(output.contains(QStringLiteral("拼接后的路径： \"%1\"").arg(candidate)), qPrintable(output));
    QVERIFY(output.contains(QStringLiteral("未找到任何翻译文件，使用原始文本")));
    QVERIFY(!output.contains(QStringLiteral("成功加载翻译文件")));
    QVERIFY(!output.contains(QStringLiteral("加载默认翻译文件")));
    QCOMPARE(copy.process.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_SingleInstance.moc"
