// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs zelvoro-sim for a test: starts it with a journal file, waits until it
// serves, sends standard-input commands and reads the journal back.
class SimProcess
{
public:
    explicit SimProcess(const QStringList &arguments = {});
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator (appending --journal <file>) and waits up to
    // `timeoutMs` for it to report that it serves. False if it did not.
    bool start(int timeoutMs = 5000);
    // Sends one command line and returns its one-line answer ("ok ..." or "error ...").
    QString command(const QString &line, int timeoutMs = 5000);
    // Asks the simulator to quit and waits for it.
    void stop();

    // Every journal record written so far, oldest first.
    QList<QJsonObject> journal() const;
    // Journal records written after the given count (use journal().size() as a mark).
    QList<QJsonObject> journalSince(int mark) const;
    // Drops everything journalled so far, so the next journal() starts empty.
    void clearJournal();
    QString journalPath() const;

    // What the simulator printed on standard output apart from command answers
    // (for example "ASIO reset received").
    QString output();

    static QString executable();

private:
    QStringList arguments;
    QTemporaryDir dir;
    QProcess process;
    QString pendingOutput;
    int journalSkip = 0;
};
