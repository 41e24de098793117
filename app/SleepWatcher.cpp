// SPDX-License-Identifier: MIT
#include "app/SleepWatcher.h"

#include <QDebug>

#ifdef ZELVORO_HAVE_DBUS
#include <QDBusConnection>
#endif

SleepWatcher::SleepWatcher(QObject *parent)
    : QObject(parent)
    , powerWatch(std::make_unique<zelvoro::platform::PowerWatch>(
          static_cast<zelvoro::platform::PowerWatch::Listener &>(*this)))
{
#ifdef ZELVORO_HAVE_DBUS
    // Containers and minimal systems have no system bus: then sleep is not watched.
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() ||
        !bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                     QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                     SLOT(prepareForSleep(bool))))
        qDebug() << "No system bus: resume from sleep is not watched.";
#endif
}

SleepWatcher::~SleepWatcher() = default;

void SleepWatcher::prepareForSleep(bool start)
{
    if (start)
        emit suspending();
    else
        emit resumed();
}

void SleepWatcher::systemSuspending()
{
    emit suspending();
}

void SleepWatcher::systemResumed()
{
    emit resumed();
}
