// SPDX-License-Identifier: MIT
// Preloaded into a Qt program (LD_PRELOAD) to see it reach its event loop,
// without the program's cooperation: a pre-routine, run by the
// QCoreApplication constructor, posts a zero-delay timer; the timer fires on
// the first pass of the event loop and writes "loop" to file descriptor 3.
//  - Without a descriptor 4 the program is then asked to quit (start-up timing).
//  - With one (the read end of a pipe) it keeps running until that pipe
//    reaches end of file, and then quits (idle measurements): the program
//    ends through its own shutdown path, releasing what it holds.
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Taken before main runs, while only the inherited descriptors are open.
bool controlled = false;

void quitWhenControlCloses()
{
    auto *notifier = new QSocketNotifier(4, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier] {
        char byte;
        if (::read(4, &byte, 1) <= 0) {
            notifier->setEnabled(false);
            QCoreApplication::quit();
        }
    });
}

void onApplication()
{
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        [[maybe_unused]] const ssize_t n = ::write(3, "loop\n", 5);
        if (controlled)
            quitWhenControlCloses();
        else
            QCoreApplication::quit();
    });
}

__attribute__((constructor)) void installProbe()
{
    if (::fcntl(3, F_GETFD) == -1)
        return;
    controlled = ::fcntl(4, F_GETFD) != -1;
    qAddPreRoutine(onApplication);
}

} // namespace
