// SPDX-License-Identifier: MIT
// The Linux side of the tray's system actions, with stand-in programs on the PATH.
#include "platform/SystemActions.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Writes an executable script `name` into `dir` that appends its arguments
// to `<dir>/calls` and exits with `exitCode`.
bool addStub(const QTemporaryDir &dir, const QString &name, int exitCode = 0)
{
    QFile script(dir.filePath(name));
    if (!script.open(QIODevice::WriteOnly))
        return false;
    script.write(QStringLiteral("#!/bin/sh\necho \"%1 $*\" >> \"%2\"\nexit %3\n")
                     .arg(name, dir.filePath(QStringLiteral("calls")))
                     .arg(exitCode)
                     .toUtf8());
    script.close();
    return script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
}

QStringList calls(const QTemporaryDir &dir)
{
    QFile file(dir.filePath(QStringLiteral("calls")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class PathOverride
{
public:
    explicit PathOverride(const QString &path) : saved(qgetenv("PATH")) { qputenv("PATH", path.toUtf8()); }
    ~PathOverride() { qputenv("PATH", saved); }

private:
    QByteArray saved;
};

int runRefresh(const QString &path)
{
    const zelvoro::platform::Command command = zelvoro::platform::audioRefreshCommand();
    QStringList arguments;
    for (const std::string &argument : command.arguments)
        arguments << QString::fromStdString(argument);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), path);
    process.setProcessEnvironment(env);
    process.start(QString::fromStdString(command.program), arguments);
    if (!process.waitForFinished(10000))
        return -100;
    return process.exitCode();
}

} // namespace

class TestSystemActions : public QObject
{
    Q_OBJECT

private slots:
    void soundSettingsPrefersTheDesktop();
    void soundSettingsFallsBackToMixer();
    void soundSettingsMissing();
    void refreshRestartsPipeWire();
    void refreshKillsPulseAudio();
    void refreshReportsFailure();
};

void TestSystemActions::soundSettingsPrefersTheDesktop()
{
    QTemporaryDir dir;
    QVERIFY(addStub(dir, QStringLiteral("pavucontrol")));
    QVERIFY(addStub(dir, QStringLiteral("gnome-control-center")));
    {
        PathOverride path(dir.path());
        QVERIFY(zelvoro::platform::openSoundSettings());
    }
    QTRY_COMPARE_WITH_TIMEOUT(calls(dir), QStringList{QStringLiteral("gnome-control-center sound")}, 10000);
}

void TestSystemActions::soundSettingsFallsBackToMixer()
{
    QTemporaryDir dir;
    QVERIFY(addStub(dir, QStringLiteral("pavucontrol")));
    {
        PathOverride path(dir.path());
        QVERIFY(zelvoro::platform::openSoundSettings());
    }
    QTRY_COMPARE_WITH_TIMEOUT(calls(dir), QStringList{QStringLiteral("pavucontrol ")}, 10000);
}

void TestSystemActions::soundSettingsMissing()
{
    QTemporaryDir dir;
    QFile notExecutable(dir.filePath(QStringLiteral("pavucontrol")));
    QVERIFY(notExecutable.open(QIODevice::WriteOnly));
    notExecutable.close();
    PathOverride path(dir.path());
    QVERIFY(!zelvoro::platform::openSoundSettings());
}

void TestSystemActions::refreshRestartsPipeWire()
{
    QTemporaryDir dir;
    QVERIFY(addStub(dir, QStringLiteral("systemctl")));
    QVERIFY(addStub(dir, QStringLiteral("pulseaudio")));
    QCOMPARE(runRefresh(dir.path() + QStringLiteral(":/usr/bin:/bin")), 0);
    QCOMPARE(calls(dir), QStringList({"systemctl --user is-active --quiet pipewire.service",
                                      "systemctl --user restart pipewire.service",
                                      "systemctl --user try-restart pipewire-pulse.service wireplumber.service"}));
}

void TestSystemActions::refreshKillsPulseAudio()
{
    QTemporaryDir dir;
    QVERIFY(addStub(dir, QStringLiteral("systemctl"), 3)); // pipewire not active
    QVERIFY(addStub(dir, QStringLiteral("pulseaudio")));
    QCOMPARE(runRefresh(dir.path() + QStringLiteral(":/usr/bin:/bin")), 0);
    QCOMPARE(calls(dir), QStringList({"systemctl --user is-active --quiet pipewire.service", "pulseaudio -k"}));
}

void TestSystemActions::refreshReportsFailure()
{
    QTemporaryDir dir;
    QVERIFY(addStub(dir, QStringLiteral("systemctl"), 3));
    QVERIFY(addStub(dir, QStringLiteral("pulseaudio"), 1));
    QCOMPARE(runRefresh(dir.path() + QStringLiteral(":/usr/bin:/bin")), 1);
}

QTEST_GUILESS_MAIN(TestSystemActions)
#include "tst_SystemActions.moc"
