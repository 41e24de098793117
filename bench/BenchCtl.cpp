// SPDX-License-Identifier: MIT
// zelvoroctl against the running program (a KS2 on zelvoro-sim, no journal):
//  - `zelvoroctl set headphones.level` from spawn to exit, next to its floor:
//    one `zelvoroctl --version` start plus one headphone knob step in a panel
//    (Knob::setValue -> handler -> mixer block acknowledged -> INI synced),
//    measured in this process against the same simulator; alternating rounds;
//  - a watcher keeping up with the headphone knob driven at full speed: every
//    step requested back to back on one connection, each change must reach
//    `zelvoroctl watch --json` once and in order.
//
//   bench-ctl <table file> [rounds]
#include "bench/BenchTable.h"
#include "bench/PrivateEnvironment.h"
#include "bench/ProbedProcess.h"
#include "bench/SimChild.h"
#include "panels/ks2.h"
#include "platform/ControlChannel.h"
#include "widgets/Knob.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Spawns zelvoroctl with the arguments; its exit status, or -1. With `output`
// the child's stdout is that pipe's write end, otherwise /dev/null.
pid_t spawnCtl(const std::vector<std::string> &arguments, int output = -1)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (output >= 0)
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> copies = {ZELVOROCTL_PATH};
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, ZELVOROCTL_PATH, &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int runCtl(const std::vector<std::string> &arguments)
{
    const pid_t pid = spawnCtl(arguments);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Reads whole lines from the watcher's pipe until `count` arrived or the deadline.
std::vector<QJsonObject> readEvents(int fd, std::size_t count, int timeoutMs)
{
    std::vector<QJsonObject> events;
    QByteArray buffer;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (events.size() < count && Clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        const int left =
            int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (::poll(&entry, 1, std::max(1, left)) <= 0)
            continue;
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0)
            break;
        buffer.append(chunk, int(got));
        int end;
        while ((end = buffer.indexOf('\n')) >= 0) {
            events.push_back(QJsonDocument::fromJson(buffer.left(end)).object());
            buffer.remove(0, end + 1);
        }
    }
    return events;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-ctl <table file> [rounds]\n");
        return 2;
    }
    BenchTable table(argv[1]);
    const int rounds = argc > 2 ? std::max(10, std::atoi(argv[2])) : 100;
    PrivateEnvironment env;
    if (!table.isOpen() || !env.isValid()) {
        std::fprintf(stderr, "cannot set up the table or the private directories\n");
        return 1;
    }
    // The simulator, the program, zelvoroctl and the in-process panel share the directories.
    env.apply();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    SimChild sim;
    if (!sim.start(ZELVORO_SIM_PATH, {"--model", "ks2"})) {
        table.failed("zelvoroctl", "zelvoro-sim did not start");
        return 1;
    }
    ProbedProcess program;
    if (!program.start(ZELVORO_DRIVER_PATH, ZELVORO_PROBE_PATH, {"QT_QPA_PLATFORM=offscreen"}, true) ||
        program.waitForLoop(20000) < 0) {
        table.failed("zelvoroctl", "the program did not start");
        return 1;
    }
    // Detection, the panel's replay and the settings dialog's start-up cycle.
    bool connected = false;
    for (int i = 0; i < 100 && !connected; ++i) {
        connected = runCtl({"get", "headphones.level"}) == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    if (!connected) {
        table.failed("zelvoroctl", "the program did not report a KS2");
        return 1;
    }

    QApplication app(argc, argv);
    ks2 panel;
    Knob *knob = panel.findChild<Knob *>(QStringLiteral("headphoneKnob"));
    if (!knob) {
        table.failed("zelvoroctl", "the in-process panel did not build its controls");
        return 1;
    }
    std::vector<double> set;
    std::vector<double> version;
    std::vector<double> step;
    bool ok = true;
    for (int i = -rounds / 10; i < rounds; ++i) {
        const std::string level = std::to_string(-12 - (i & 1));
        auto t = Clock::now();
        ok = runCtl({"--version"}) == 0 && ok;
        const double versionMs = millisecondsSince(t);
        t = Clock::now();
        ok = runCtl({"set", "headphones.level", level}) == 0 && ok;
        const double setMs = millisecondsSince(t);
        t = Clock::now();
        knob->setValue(-12 - (i & 1));
        const double stepMs = millisecondsSince(t);
        QCoreApplication::processEvents();
        if (i >= 0) {
            version.push_back(versionMs);
            set.push_back(setMs);
            step.push_back(stepMs);
        }
    }
    if (!ok) {
        table.failed("zelvoroctl set", "a zelvoroctl run failed");
        return 1;
    }
    const double versionMedian = BenchTable::median(version);
    const double stepMedian = BenchTable::median(step);
    table.ratio("zelvoroctl set headphones.level, start to exit (vs zelvoroctl --version start + knob step)",
                BenchTable::median(set), versionMedian + stepMedian, "ms", 1.5);
    table.report("  floor part: zelvoroctl --version, start to exit", versionMedian, "ms");
    table.report("  floor part: headphone knob step in a KS2 panel", stepMedian, "ms");

    // The knob at full speed: -80 up to +6 and back down, requested back to back.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        table.failed("zelvoroctl watch", "no pipe");
        return 1;
    }
    const pid_t watcher = spawnCtl({"watch", "--json"}, pipeFds[1]);
    ::close(pipeFds[1]);
    QLocalSocket driver;
    driver.connectToServer(QString::fromStdString(zelvoro::platform::controlChannelName()));
    if (watcher < 0 || !driver.waitForConnected(3000)) {
        table.failed("zelvoroctl watch", "the watcher or the driving client did not start");
        return 1;
    }
    // The watcher has subscribed once it reports a change; then start from -80.
    std::vector<QJsonObject> first;
    for (int i = 0; i < 50 && first.empty(); ++i) {
        runCtl({"set", "headphones.level", i % 2 ? "-79" : "-80"});
        first = readEvents(pipeFds[0], 1, 100);
    }
    runCtl({"set", "headphones.level", "-80"});
    readEvents(pipeFds[0], 1000, 300);
    std::vector<int> sent;
    for (int level = -79; level <= 6; ++level)
        sent.push_back(level);
    for (int level = 5; level >= -80; --level)
        sent.push_back(level);
    QByteArray requests;
    for (std::size_t i = 0; i < sent.size(); ++i)
        requests += QStringLiteral("{\"id\":%1,\"cmd\":\"set\",\"name\":\"headphones.level\",\"value\":%2}\n")
                        .arg(i)
                        .arg(sent[i])
                        .toUtf8();
    const auto started = Clock::now();
    driver.write(requests);
    int answers = 0;
    while (answers < int(sent.size()) && driver.waitForReadyRead(10000))
        while (driver.canReadLine())
            answers += driver.readLine().contains("\"ok\":true") ? 1 : 0;
    const double answeredMs = millisecondsSince(started);
    std::vector<QJsonObject> events = readEvents(pipeFds[0], sent.size(), 10000);
    const double deliveredMs = millisecondsSince(started);
    std::size_t inOrder = 0;
    for (const QJsonObject &event : events)
        if (inOrder < sent.size() &&
            event.value(QStringLiteral("name")).toString() == QLatin1String("headphones.level") &&
            event.value(QStringLiteral("value")).toInt() == sent[inOrder])
            ++inOrder;
    const double missed = double(sent.size() - inOrder) + double(events.size() - inOrder);
    table.limit("zelvoroctl watch, headphone knob at full speed: of " + std::to_string(sent.size()) +
                    " changes missed, repeated or out of order" +
                    (first.empty() ? " (watcher never reported)" : ""),
                missed, "", 1);
    table.report("  " + std::to_string(answers) + " steps answered in (one connection, back to back)",
                 answeredMs, "ms");
    table.report("  last change delivered to the watcher after", deliveredMs, "ms");
    ::kill(watcher, SIGINT);
    int status = 0;
    ::waitpid(watcher, &status, 0);
    ::close(pipeFds[0]);
    driver.disconnectFromServer();
    const bool clean = program.stop();
    sim.stop();
    return clean && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
