// SPDX-License-Identifier: MIT
#include "tray/TrayIcon.h"

#include "app/MainWindow.h"
#include "settings/Settings.h"
#include "tray/SnapshotSource.h"

#include "LogCapture.h"
#include "SimProcess.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

struct BoxSeen
{
    int count = 0;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    bool hadParent = false;
};

// Answers the next modal message box as soon as it shows, recording it, so
// that the code under test does not block the test.
class BoxWatcher : public QObject
{
public:
    BoxWatcher()
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++seen.count;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.buttons = box->standardButtons();
            seen.hadParent = box->parentWidget() != nullptr;
            box->done(QMessageBox::Ok);
        });
        timer.start(20);
    }
    BoxSeen seen;

private:
    QTimer timer;
};

QStringList menuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("---") : action->text());
    return texts;
}

QAction *menuAction(const QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

std::vector<DeviceModel> noModels()
{
    return {};
}

// Snapshots of a device that is or is not there; records what the menu asks.
class FakeSnapshots : public SnapshotSource
{
public:
    bool connected = false;
    QStringList names;
    QStringList loaded;
    QStringList saved;

    bool snapshotsAvailable() const override { return connected; }
    QStringList snapshotNames() const override { return names; }
    bool snapshotExists(const QString &name) const override { return names.contains(name); }
    QString saveSnapshot(const QString &name) override
    {
        saved << name;
        return QString();
    }
    QString loadSnapshot(const QString &name) override
    {
        loaded << name;
        return QString();
    }
};

} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void metaObject();
    void menuOrderAndState();
    void snapshotMenu_data();
    void snapshotMenu();
    void saveAsksBeforeReplacing_data();
    void saveAsksBeforeReplacing();
    void quitOnLastWindowClosedIsOff();
    void activationReasons_data();
    void activationReasons();
    void mainWindowEntryShowsWindow();
    void nullMainWindowKeepsThePrevious();
    void setupShowsSettings();
    void warningBoxesWithoutWindows();
    void refreshSucceeds();
    void refreshFails();
    void refreshTimesOutAndFinishesInBackground();
    void refreshProgramMissing();
    void soundPanelOpens();
    void soundPanelFailureWarns();
    void upgradeFirmwareWithDevice();
    void upgradeFirmwareWithoutDevice();
};

void TestTrayIcon::metaObject()
{
    const QMetaObject &meta = TrayIcon::staticMetaObject;
    QCOMPARE(meta.className(), "TrayIcon");
    QStringList slotNames;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        if (method.methodType() == QMetaMethod::Signal) {
            QCOMPARE(method.methodSignature(), QByteArray("shortcutsRequested()"));
            continue;
        }
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        slotNames << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(slotNames, QStringList({"showSettings()", "clickCallback(QSystemTrayIcon::ActivationReason)",
                                 "openSoundPannel()", "refreshDeviceList()"}));
    const QMetaMethod click = meta.method(meta.indexOfSlot("clickCallback(QSystemTrayIcon::ActivationReason)"));
    QCOMPARE(click.parameterNames(), QList<QByteArray>{"reason"});
}

void TestTrayIcon::menuOrderAndState()
{
    TrayIcon tray;
    QMenu *menu = tray.contextMenu();
    QVERIFY(menu);
    QVERIFY(!menu->parent());
    QCOMPARE(menuTexts(menu), QStringList({"V20250930", "Quit", "---", "Setup", "Main Window", "Upgrade Firmware",
                                           "Refresh Audio Device", "Win Sound Pannel", "---", "---", "Snapshots",
                                           "Shortcuts…"}));
    const QList<QAction *> actions = menu->actions();
    QVERIFY(!actions.at(0)->isEnabled());
    // Without a device the snapshots submenu is greyed.
    QVERIFY(actions.at(actions.size() - 2)->menu());
    QVERIFY(!actions.at(actions.size() - 2)->isEnabled());
    // The shortcuts entry asks the program for its dialog.
    QSignalSpy shortcuts(&tray, &TrayIcon::shortcutsRequested);
    actions.last()->trigger();
    QCOMPARE(shortcuts.count(), 1);
    for (int i = 1; i < actions.size() - 2; ++i) {
        if (!actions.at(i)->isSeparator()) {
            QVERIFY(actions.at(i)->isEnabled());
            QCOMPARE(actions.at(i)->parent(), &tray);
        }
    }
    QVERIFY(tray.toolTip().isEmpty());
    QVERIFY(!tray.icon().isNull());

    // The disabled version entry cannot be chosen.
    LogCapture log;
    QSignalSpy spy(actions.at(0), &QAction::triggered);
    actions.at(0)->trigger();
    QCOMPARE(spy.count(), 0);
}

void TestTrayIcon::snapshotMenu_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("no device") << false << QStringList{"podcast"} << QStringList{"Save current…"};
    QTest::newRow("device, none saved") << true << QStringList{} << QStringList{"Save current…"};
    QTest::newRow("device, two saved") << true << QStringList{"podcast", "R&D"}
                                       << QStringList{"Save current…", "---", "podcast", "R&&D"};
}

void TestTrayIcon::snapshotMenu()
{
    QFETCH(bool, connected);
    QFETCH(QStringList, names);
    QFETCH(QStringList, entries);
    FakeSnapshots snapshots;
    snapshots.connected = connected;
    snapshots.names = names;
    TrayIcon tray;
    tray.setSnapshotSource(&snapshots);
    QMenu *submenu = tray.contextMenu()->findChild<QMenu *>(QStringLiteral("snapshotMenu"));
    QVERIFY(submenu);
    QCOMPARE(submenu->menuAction()->isEnabled(), connected);
    QCOMPARE(menuTexts(submenu), entries);
    // Each entry loads its snapshot by its own name.
    if (!names.isEmpty() && connected) {
        submenu->actions().last()->trigger();
        QCOMPARE(snapshots.loaded, QStringList{names.last()});
    }
}

void TestTrayIcon::saveAsksBeforeReplacing_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("saved");
    QTest::newRow("No keeps the old one") << int(QMessageBox::No) << QStringList{};
    QTest::newRow("Yes replaces it") << int(QMessageBox::Yes) << QStringList{"podcast"};
}

void TestTrayIcon::saveAsksBeforeReplacing()
{
    QFETCH(int, answer);
    QFETCH(QStringList, saved);
    FakeSnapshots snapshots;
    snapshots.connected = true;
    snapshots.names = {"podcast"};
    TrayIcon tray;
    tray.setSnapshotSource(&snapshots);
    // Types the existing name, then answers the question.
    QStringList questions;
    QTimer user;
    connect(&user, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *input = qobject_cast<QInputDialog *>(modal)) {
            input->setTextValue(QStringLiteral("podcast"));
            input->accept();
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            questions << box->windowTitle() + ": " + box->text();
            box->button(QMessageBox::StandardButton(answer))->click();
        }
    });
    user.start(20);
    menuAction(tray.contextMenu()->findChild<QMenu *>(QStringLiteral("snapshotMenu")), QStringLiteral("Save current…"))
        ->trigger();
    QCOMPARE(questions,
             QStringList{"Save Snapshot: A snapshot named \"podcast\" exists already. Replace it?"});
    QCOMPARE(snapshots.saved, saved);
}

void TestTrayIcon::quitOnLastWindowClosedIsOff()
{
    QGuiApplication::setQuitOnLastWindowClosed(true);
    TrayIcon tray;
    QVERIFY(!QGuiApplication::quitOnLastWindowClosed());

    // Quit ends the event loop.
    QTimer::singleShot(0, tray.contextMenu()->actions().at(1), &QAction::trigger);
    QTimer stuck;
    stuck.setSingleShot(true);
    connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(42); });
    stuck.start(10000);
    QCOMPARE(QCoreApplication::exec(), 0);
}

void TestTrayIcon::activationReasons_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("shows");
    QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown) << false;
    QTest::newRow("context") << int(QSystemTrayIcon::Context) << false;
    QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << true;
    QTest::newRow("trigger") << int(QSystemTrayIcon::Trigger) << true;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
}

void TestTrayIcon::activationReasons()
{
    QFETCH(int, reason);
    QFETCH(bool, shows);
    MainWindow window(noModels());
    TrayIcon tray;
    tray.setMainWindow(&window);
    BoxWatcher boxes;
    emit tray.activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(window.isVisible(), shows);
    QCOMPARE(boxes.seen.count, 0);
}

void TestTrayIcon::mainWindowEntryShowsWindow()
{
    MainWindow window(noModels());
    TrayIcon tray;
    tray.setMainWindow(&window);
    menuAction(tray.contextMenu(), QStringLiteral("Main Window"))->trigger();
    QVERIFY(window.isVisible());
}

void TestTrayIcon::nullMainWindowKeepsThePrevious()
{
    MainWindow window(noModels());
    TrayIcon tray;
    tray.setMainWindow(&window);
    tray.setMainWindow(nullptr);
    tray.clickCallback(QSystemTrayIcon::Trigger);
    QVERIFY(window.isVisible());
}

void TestTrayIcon::setupShowsSettings()
{
    Settings settings;
    TrayIcon tray;
    tray.setSettingsDialog(&settings);
    BoxWatcher boxes;
    menuAction(tray.contextMenu(), QStringLiteral("Setup"))->trigger();
    QVERIFY(settings.isVisible());
    QCOMPARE(boxes.seen.count, 0);
}

void TestTrayIcon::warningBoxesWithoutWindows()
{
    TrayIcon tray;
    {
        BoxWatcher boxes;
        menuAction(tray.contextMenu(), QStringLiteral("Setup"))->trigger();
        QCOMPARE(boxes.seen.count, 1);
        QCOMPARE(boxes.seen.title, QStringLiteral("警告"));
        QCOMPARE(boxes.seen.text, QStringLiteral("设置窗口未设置，请先设置设置窗口。"));
        QCOMPARE(boxes.seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(!boxes.seen.hadParent);
    }
    {
        BoxWatcher boxes;
        menuAction(tray.contextMenu(), QStringLiteral("Main Window"))->trigger();
        QCOMPARE(boxes.seen.count, 1);
        QCOMPARE(boxes.seen.title, QStringLiteral("警告"));
        QCOMPARE(boxes.seen.text, QStringLiteral("主窗口未设置，请先设置主窗口。"));
        QCOMPARE(boxes.seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    {
        BoxWatcher boxes;
        tray.clickCallback(QSystemTrayIcon::DoubleClick);
        QCOMPARE(boxes.seen.count, 1);
        QCOMPARE(boxes.seen.text, QStringLiteral("主窗口未设置，请先设置主窗口。"));
        tray.clickCallback(QSystemTrayIcon::MiddleClick);
        QCOMPARE(boxes.seen.count, 1);
    }
    {
        // A main window that closed itself counts as none.
        auto *window = new MainWindow(noModels());
        tray.setMainWindow(window);
        delete window;
        BoxWatcher boxes;
        tray.clickCallback(QSystemTrayIcon::Trigger);
        QCOMPARE(boxes.seen.count, 1);
    }
}

void TestTrayIcon::refreshSucceeds()
{
    TrayIcon tray;
    tray.setRefreshCommand(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("echo restarted")});
    LogCapture log;
    menuAction(tray.contextMenu(), QStringLiteral("Refresh Audio Device"))->trigger();
    QCOMPARE(log.lines(QtDebugMsg), QStringList{QStringLiteral("资源管理器已成功重启")});
    QVERIFY(log.lines(QtWarningMsg).isEmpty());
}

void TestTrayIcon::refreshFails()
{
    TrayIcon tray;
    tray.setRefreshCommand(QStringLiteral("/bin/sh"),
                           {QStringLiteral("-c"), QStringLiteral("echo some output; echo \"bad\\tthing\" >&2; exit 3")});
    LogCapture log;
    tray.refreshDeviceList();
    QCOMPARE(log.lines(QtWarningMsg), QStringList({QStringLiteral("命令执行失败，退出代码: 3"),
                                                   QStringLiteral("输出: \"some output\\n\""),
                                                   QStringLiteral("错误输出: \"bad\\tthing\\n\"")}));
    QVERIFY(!log.contains(QStringLiteral("资源管理器已成功重启")));

    log.clear();
    tray.setRefreshCommand(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit -1")});
    tray.refreshDeviceList();
    QVERIFY(!log.lines(QtWarningMsg).isEmpty());
    QVERIFY(log.lines(QtWarningMsg).first().startsWith(QStringLiteral("命令执行失败，退出代码: ")));
}

void TestTrayIcon::refreshTimesOutAndFinishesInBackground()
{
    // A command slower than the 5 s wait is reported, then left to finish.
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("finished"));
    TrayIcon tray;
    tray.setRefreshCommand(QStringLiteral("/bin/sh"),
                           {QStringLiteral("-c"), QStringLiteral("sleep 7; touch \"%1\"").arg(marker)});
    LogCapture log;
    tray.refreshDeviceList();
    QCOMPARE(log.lines(QtWarningMsg).size(), 2);
    QCOMPARE(log.lines(QtWarningMsg).at(0), QStringLiteral("重启资源管理器超时"));
    QVERIFY(log.lines(QtWarningMsg).at(1).startsWith(QStringLiteral("错误信息: \"")));
    QVERIFY(!log.contains(QStringLiteral("资源管理器已成功重启")));
    QVERIFY(!QFile::exists(marker));

    // The command is not killed: it completes after the call returned.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 15000);
    QTest::qWait(200); // let the process object delete itself
}

void TestTrayIcon::refreshProgramMissing()
{
    TrayIcon tray;
    tray.setRefreshCommand(QStringLiteral("/nonexistent/restart-audio"), {});
    LogCapture log;
    tray.refreshDeviceList();
    QCOMPARE(log.lines(QtWarningMsg).size(), 2);
    QCOMPARE(log.lines(QtWarningMsg).at(0), QStringLiteral("重启资源管理器超时"));
    QTest::qWait(50);
}

void TestTrayIcon::soundPanelOpens()
{
    // A stand-in sound settings program on the PATH.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("pavucontrol"));
    const QString marker = dir.filePath(QStringLiteral("opened"));
    QFile script(program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\n: > \"%1\"\n").arg(marker).toUtf8());
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8());

    TrayIcon tray;
    LogCapture log;
    BoxWatcher boxes;
    menuAction(tray.contextMenu(), QStringLiteral("Win Sound Pannel"))->trigger();
    qputenv("PATH", path);
    QCOMPARE(log.lines(QtDebugMsg), QStringList{QStringLiteral("声音设置面板已打开。")});
    QCOMPARE(boxes.seen.count, 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
}

void TestTrayIcon::soundPanelFailureWarns()
{
    QTemporaryDir empty;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", empty.path().toUtf8());
    TrayIcon tray;
    LogCapture log;
    BoxWatcher boxes;
    tray.openSoundPannel();
    qputenv("PATH", path);
    QCOMPARE(boxes.seen.count, 1);
    QCOMPARE(boxes.seen.title, QStringLiteral("错误"));
    QCOMPARE(boxes.seen.text, QStringLiteral("无法打开声音设置面板，请检查系统设置。"));
    QVERIFY(!log.contains(QStringLiteral("声音设置面板已打开。")));
}

void TestTrayIcon::upgradeFirmwareWithDevice()
{
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("ks2")});
    QVERIFY(sim.start());
    TrayIcon tray;
    LogCapture log;
    menuAction(tray.contextMenu(), QStringLiteral("Upgrade Firmware"))->trigger();
    QList<QJsonObject> records;
    QTRY_VERIFY_WITH_TIMEOUT(!(records = sim.journal()).isEmpty(), 5000);
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().value(QStringLiteral("code")).toString(), QStringLiteral("0xFFDC209C"));
    QCOMPARE(records.first().value(QStringLiteral("cmd")).toInt(), 0x60); // enter firmware-upgrade mode
    QVERIFY(log.lines().isEmpty());
}

void TestTrayIcon::upgradeFirmwareWithoutDevice()
{
    TrayIcon tray;
    LogCapture log;
    BoxWatcher boxes;
    menuAction(tray.contextMenu(), QStringLiteral("Upgrade Firmware"))->trigger();
    // Only the lines of the open attempts; nothing is sent, nothing shown.
    QCOMPARE(log.stdOut().count(QStringLiteral("ZelvoroAudioBus")), 16);
    QVERIFY(log.stdErr().isEmpty());
    QVERIFY(log.lines().isEmpty());
    QCOMPARE(boxes.seen.count, 0);
}

QTEST_MAIN(TestTrayIcon)
#include "tst_TrayIcon.moc"
