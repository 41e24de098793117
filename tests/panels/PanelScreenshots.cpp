// SPDX-License-Identifier: MIT
// Draws each device panel, hosted as the main window hosts it, against a
// zelvoro-sim of its model and saves it as PNG, in English and Chinese.
//
//   panel_screenshots <output dir> [<translations/pending dir>]
//
// Chinese comes from ZelvoroDriver_zh_CN.qm beside this program (built with
// ZelvoroDriver), or from the pending "source<TAB>translation" lists when their
// folder is given. The file names carry the model, the language and
// QT_SCALE_FACTOR (ks2_zh_CN@2x.png). Without QT_SCALE_FACTOR the program runs
// itself once for each of 1, 1.5 and 2 (100 %, 150 % and 200 %). Run through
// tests/run-isolated.sh so that the simulator socket and the INI files live in
// throw-away directories.
#include "panels/ks1.h"
#include "panels/ks2.h"
#include "panels/kt.h"

#include "PanelJournal.h"
#include "SimProcess.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMainWindow>
#include <QPixmap>
#include <QTest>
#include <QTextStream>
#include <QTranslator>
#include <QVBoxLayout>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

// Serves the panels' texts from the pending "source<TAB>translation" lists.
class TsvTranslator : public QTranslator
{
public:
    bool load(const QString &dir)
    {
        for (const char *context : {"ks1", "ks2", "kt"}) {
            QFile file(dir + QLatin1Char('/') + QLatin1String(context) + QStringLiteral(".tsv"));
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                return false;
            QTextStream in(&file);
            while (!in.atEnd()) {
                const QStringList fields = in.readLine().split(QLatin1Char('\t'));
                if (fields.size() >= 2)
                    texts.insert(QLatin1String(context) + QLatin1Char('\x04') + fields[0], fields[1]);
            }
        }
        return true;
    }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return texts.value(QLatin1String(context) + QLatin1Char('\x04') + QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return texts.isEmpty(); }

private:
    QHash<QString, QString> texts;
};

struct Shot
{
    const char *model;
    QList<QPair<QString, QVariant>> state; // a few controls on, so both looks show
    std::function<QWidget *()> create;
};

bool shoot(const Shot &shot, const QString &file)
{
    SimProcess sim({"--model", shot.model});
    if (!sim.start())
        return false;
    paneltest::removeIni(shot.model);
    paneltest::writeIni(shot.model, shot.state);
    QMainWindow window;
    window.setStyleSheet(QStringLiteral("background-color: #2c313c;"));
    auto *central = new QWidget(&window);
    auto *layout = new QVBoxLayout(central);
    QWidget *panel = shot.create();
    panel->setParent(central);
    layout->addWidget(panel);
    window.setCentralWidget(central);
    window.show();
    // Let the meters show a reading or two.
    QTest::qWait(1200);
    return window.grab().save(file);
}

// Runs this program again once per scale factor; 0 when every run succeeded.
int runEachScale(char **argv)
{
    int failures = 0;
    for (const char *scale : {"1", "1.5", "2"}) {
        ::setenv("QT_SCALE_FACTOR", scale, 1);
        pid_t pid = -1;
        if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, environ) != 0) {
            ++failures;
            continue;
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        failures += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ::unsetenv("QT_SCALE_FACTOR");
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        return runEachScale(argv);
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: panel_screenshots <output dir> [<translations/pending dir>]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    const QString suffix = scale.isEmpty() || scale == "1" ? QString() : QStringLiteral("@%1x").arg(QString::fromLatin1(scale));

    const QList<Shot> shots = {
        {"ks1",
         {{"Button/Mic48VIsChecked", true}, {"Dial/MicValue", 24}, {"Dial/HeadphoneValue", -12},
          {"Button/HeadphoneDimIsChecked", true}, {"Dial/OtgToHpValue", -6}},
         [] { return new ks1; }},
        {"kt", {{"Button/MonitorMicIsChecked", true}, {"Dial/MicValue", 30}, {"Dial/HeadphoneValue", -20}},
         [] { return new kt; }},
        {"ks2",
         {{"Button/Mic148VIsChecked", true}, {"Dial/Mic1Value", 40}, {"Button/MonitorMic2IsChecked", true},
          {"Dial/SpeakerValue", -10}, {"Button/SpeakerMuteIsChecked", true}, {"Dial/HeadphoneValue", 0},
          {"Dial/OtgToSPValue", -30}},
         [] { return new ks2; }},
    };

    TsvTranslator pending;
    QTranslator compiled;
    QTranslator *chinese = &compiled;
    if (argc > 2) {
        chinese = &pending;
        if (!pending.load(QString::fromLocal8Bit(argv[2]))) {
            std::fprintf(stderr, "cannot read the translation lists in %s\n", argv[2]);
            return 1;
        }
    } else if (!compiled.load(QCoreApplication::applicationDirPath() + QStringLiteral("/ZelvoroDriver_zh_CN.qm"))) {
        std::fprintf(stderr, "no ZelvoroDriver_zh_CN.qm beside this program: build ZelvoroDriver first\n");
        return 1;
    }
    int failures = 0;
    for (const char *language : {"en_US", "zh_CN"}) {
        if (QLatin1String(language) == QLatin1String("zh_CN"))
            QApplication::installTranslator(chinese);
        for (const Shot &shot : shots) {
            const QString file = QStringLiteral("%1/%2_%3%4.png").arg(out, QLatin1String(shot.model),
                                                                     QLatin1String(language), suffix);
            // qInfo, not printf: the driver link's wide output has claimed stdout.
            if (shoot(shot, file)) {
                qInfo().noquote() << "wrote" << file;
            } else {
                qInfo().noquote() << "failed:" << file;
                ++failures;
            }
        }
    }
    return failures ? 1 : 0;
}
