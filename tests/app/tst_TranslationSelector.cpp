// SPDX-License-Identifier: MIT
#include "app/TranslationSelector.h"

#include "LogCapture.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

class TestTranslationSelector : public QObject
{
    Q_OBJECT

private slots:
    void localeTable_data();
    void localeTable();
    void loadsTheCandidate();
    void fallsBackToEnglish();
    void warnsWhenNothingLoads();

private:
    static QString builtFile(const QString &name)
    {
        return QStringLiteral(ZELVORO_QM_DIR "/ZelvoroDriver_%1.qm").arg(name);
    }
};

void TestTranslationSelector::localeTable_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("translation");
    QTest::newRow("en_001") << "en_001" << "en_US";
    QTest::newRow("en_US") << "en_US" << "en_US";
    QTest::newRow("en_GB") << "en_GB" << "en_US";
    QTest::newRow("zh_CN") << "zh_CN" << "zh_CN";
    QTest::newRow("zh_TW") << "zh_TW" << "zh_CN";
    QTest::newRow("fr_FR") << "fr_FR" << "en_US";
    QTest::newRow("zh_HK") << "zh_HK" << "en_US";
    QTest::newRow("C") << "C" << "en_US";
}

void TestTranslationSelector::localeTable()
{
    QFETCH(QString, locale);
    QFETCH(QString, translation);
    QCOMPARE(TranslationSelector::translationName(locale), translation);
}

void TestTranslationSelector::loadsTheCandidate()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtFile("zh_CN"), dir.filePath("ZelvoroDriver_zh_CN.qm")));
    QVERIFY(QFile::copy(builtFile("en_US"), dir.filePath("ZelvoroDriver_en_US.qm")));

    LogCapture log;
    QTranslator translator;
    QVERIFY(TranslationSelector::install(translator, *QCoreApplication::instance(), "zh_TW", dir.path()));
    const QString path = dir.filePath("ZelvoroDriver_zh_CN.qm");
    QCOMPARE(log.lines(), QStringList({"拼接后的路径： \"" + path + "\"", "成功加载翻译文件： \"" + path + "\""}));
    QCOMPARE(QCoreApplication::translate("TrayIcon", "Quit"), QStringLiteral("退出"));
    QCoreApplication::removeTranslator(&translator);
}

void TestTranslationSelector::fallsBackToEnglish()
{
    // zh_CN is wanted but missing: the English file is loaded instead.
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtFile("en_US"), dir.filePath("ZelvoroDriver_en_US.qm")));

    LogCapture log;
    QTranslator translator;
    QVERIFY(TranslationSelector::install(translator, *QCoreApplication::instance(), "zh_CN", dir.path()));
    const QString path = dir.filePath("ZelvoroDriver_zh_CN.qm");
    const QString fallback = dir.filePath("ZelvoroDriver_en_US.qm");
    QCOMPARE(log.lines(), QStringList({"拼接后的路径： \"" + path + "\"", "加载默认翻译文件： \"" + fallback + "\""}));
    QCOMPARE(QCoreApplication::translate("MainWindow", "声卡未连接！"), QStringLiteral("Sound card not connected!"));
    QCoreApplication::removeTranslator(&translator);
}

void TestTranslationSelector::warnsWhenNothingLoads()
{
    QTemporaryDir dir;
    LogCapture log;
    QTranslator translator;
    QVERIFY(!TranslationSelector::install(translator, *QCoreApplication::instance(), "fr_FR", dir.path()));
    // fr_FR maps to en_US, so the fallback tries that same file again.
    QCOMPARE(log.lines(QtDebugMsg),
             QStringList({"拼接后的路径： \"" + dir.filePath("ZelvoroDriver_en_US.qm") + "\""}));
    QCOMPARE(log.lines(QtWarningMsg), QStringList({"未找到任何翻译文件，使用原始文本"}));
    QCOMPARE(QCoreApplication::translate("TrayIcon", "Quit"), QStringLiteral("Quit"));
}

QTEST_GUILESS_MAIN(TestTranslationSelector)
#include "tst_TranslationSelector.moc"
