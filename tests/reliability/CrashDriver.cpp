// SPDX-License-Identifier: MIT
// Test-only program for the crash-safety test: builds the real KS2 panel or
// settings dialog against the running zelvoro-sim, performs one user action
// through the same setter a user's gesture reaches, prints "done" once the
// handler has returned, and then idles until it is killed.
//
//   CrashDriver knob <objectName> <value>
//   CrashDriver button <objectName> <0|1>
//   CrashDriver setting <boxName> <text>
#include "panels/ks2.h"
#include "settings/Settings.h"
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QApplication>
#include <QComboBox>
#include <QSettings>
#include <QSignalBlocker>
#include <QStandardPaths>

#include <cstdio>
#include <iostream>
#include <memory>

namespace {

// The INI key and default behind each settings box.
struct BoxKey
{
    const char *box;
    const char *key;
    const char *fallback;
};
constexpr BoxKey kBoxKeys[] = {{"sampleRateBox", "Audio/SampleRate", "44100"},
                               {"bufferSizeBox", "Audio/BufferSize", "192"},
                               {"latencyBox", "USB/LatencySize", "8"},
                               {"safeModeBox", "USB/SlowMode", "Disabled"}};

int fail(const char *why)
{
    std::fprintf(stderr, "CrashDriver: %s\n", why);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return fail("usage: CrashDriver knob|button|setting <name> <value>");
    const QString kind = args[1];
    const QString name = args[2];
    const QString value = args[3];

    std::unique_ptr<ks2> panel;
    std::unique_ptr<Settings> dialog;
    if (kind == "knob" || kind == "button") {
        panel = std::make_unique<ks2>();
        if (kind == "knob") {
            auto *knob = panel->findChild<Knob *>(name);
            if (!knob)
                return fail("no such knob");
            knob->setValue(value.toInt());
        } else {
            auto *button = panel->findChild<Button *>(name);
            if (!button)
                return fail("no such button");
            button->setStatus(value.toInt() != 0);
        }
    } else if (kind == "setting") {
        dialog = std::make_unique<Settings>();
        if (!dialog->initDevice())
            return fail("no device");
        // The boxes show what is stored, as after a start-up, without applying it again.
        const QSettings stored(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                                   QStringLiteral("/setting.ini"),
                               QSettings::IniFormat);
        for (const BoxKey &entry : kBoxKeys) {
            auto *box = dialog->findChild<QComboBox *>(entry.box);
            const QSignalBlocker blocker(box);
            box->setCurrentText(stored.value(entry.key, entry.fallback).toString());
        }
        auto *box = dialog->findChild<QComboBox *>(name);
        if (!box)
            return fail("no such box");
        box->setCurrentText(value);
    } else {
        return fail("unknown action kind");
    }
    // The driver link has written to the wide standard output already; stay wide.
    std::wcout << L"done" << std::endl;
    return app.exec();
}
