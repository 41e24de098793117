// SPDX-License-Identifier: MIT
#pragma once

#include "platform/GlobalHotkeys.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QKeySequence>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>

// Binds action names to system-wide keys and reports a bound key's press,
// whatever program has the focus. The keys are the OS layer's; this side
// turns Qt keys into native ones and watches the application's native events.
class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit GlobalHotkeys(QObject *parent = nullptr);
    ~GlobalHotkeys() override;

    // False in a session where no program can take a system-wide key.
    bool available() const;
    // Replaces the whole set; the answer holds, per action that could not be
    // bound, the reason shown in its row.
    QHash<QString, QString> bindAll(const QMap<QString, QKeySequence> &keys);
    QString problem(const QString &action) const { return problems.value(action); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // The native key for a Qt key (an X keysym, or a Windows virtual key); 0 when it has none.
    static quint32 nativeKey(int qtKey, bool x11);

signals:
    void activated(const QString &action);

private:
    std::unique_ptr<zelvoro::platform::GlobalHotkeys> keys;
    bool x11 = false;
    QStringList actions; // index + 1 is the id
    QHash<QString, QString> problems;
};
