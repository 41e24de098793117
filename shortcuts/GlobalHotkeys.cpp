// SPDX-License-Identifier: MIT
#include "shortcuts/GlobalHotkeys.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>

namespace {

struct KeyPair
{
    int qt;
    quint32 keysym;
    quint32 virtualKey;
};

// Keys beyond letters, digits and function keys that mean the same on every layout.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Space, 0x20, 0x20},           {Qt::Key_Left, 0xff51, 0x25},
    {Qt::Key_Up, 0xff52, 0x26},            {Qt::Key_Right, 0xff53, 0x27},
    {Qt::Key_Down, 0xff54, 0x28},          {Qt::Key_Home, 0xff50, 0x24},
    {Qt::Key_End, 0xff57, 0x23},           {Qt::Key_PageUp, 0xff55, 0x21},
    {Qt::Key_PageDown, 0xff56, 0x22},      {Qt::Key_Insert, 0xff63, 0x2d},
    {Qt::Key_Delete, 0xffff, 0x2e},        {Qt::Key_Pause, 0xff13, 0x13},
    {Qt::Key_VolumeMute, 0x1008ff12, 0xad}, {Qt::Key_VolumeDown, 0x1008ff11, 0xae},
    {Qt::Key_VolumeUp, 0x1008ff13, 0xaf},  {Qt::Key_MediaPlay, 0x1008ff14, 0xb3},
};

} // namespace

GlobalHotkeys::GlobalHotkeys(QObject *parent) : QObject(parent)
{
    void *connection = nullptr;
#if QT_CONFIG(xcb)
    if (auto *x11Application = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        connection = x11Application->connection();
        x11 = true;
    }
#endif
    keys = std::make_unique<zelvoro::platform::GlobalHotkeys>(connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalHotkeys::~GlobalHotkeys()
{
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool GlobalHotkeys::available() const
{
    return keys->available();
}

quint32 GlobalHotkeys::nativeKey(int qtKey, bool x11)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return x11 ? quint32(qtKey - Qt::Key_A + 'a') : quint32(qtKey);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return quint32(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return quint32(qtKey - Qt::Key_F1) + (x11 ? 0xffbe : 0x70);
    for (const KeyPair &pair : kKeys) {
        if (pair.qt == qtKey)
            return x11 ? pair.keysym : pair.virtualKey;
    }
    // Other printable keys are their own keysym under X11; on Windows their
    // virtual key depends on the layout.
    if (x11 && qtKey > 0x20 && qtKey < 0x7f)
        return quint32(qtKey);
    return 0;
}

QHash<QString, QString> GlobalHotkeys::bindAll(const QMap<QString, QKeySequence> &bindings)
{
    keys->removeAll();
    actions.clear();
    problems.clear();
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        const QString &action = it.key();
        // Without global keys the dialog says so once, not in every row.
        if (!keys->available())
            continue;
        const QKeyCombination combination = it.value()[0];
        const quint32 native = nativeKey(combination.key(), x11);
        const Qt::KeyboardModifiers qtModifiers = combination.keyboardModifiers();
        unsigned modifiers = 0;
        if (qtModifiers & Qt::ShiftModifier)
            modifiers |= zelvoro::platform::HotkeyShift;
        if (qtModifiers & Qt::ControlModifier)
            modifiers |= zelvoro::platform::HotkeyControl;
        if (qtModifiers & Qt::AltModifier)
            modifiers |= zelvoro::platform::HotkeyAlt;
        if (qtModifiers & Qt::MetaModifier)
            modifiers |= zelvoro::platform::HotkeyMeta;
        zelvoro::platform::HotkeyResult result = zelvoro::platform::HotkeyResult::Refused;
        if (native != 0) {
            actions << action;
            result = keys->add(int(actions.size()), modifiers, native);
        }
        QString reason;
        if (result == zelvoro::platform::HotkeyResult::InUse)
            reason = tr("in use by another program");
        else if (result == zelvoro::platform::HotkeyResult::Refused)
            reason = tr("refused by the system");
        if (!reason.isEmpty()) {
            problems.insert(action, reason);
            qWarning().noquote() << QStringLiteral("Shortcut %1 (%2) not registered: %3")
                                        .arg(action, it.value().toString(QKeySequence::PortableText),
                                             result == zelvoro::platform::HotkeyResult::InUse
                                                 ? QStringLiteral("in use by another program")
                                                 : QStringLiteral("refused by the system"));
        }
    }
    return problems;
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result)
{
    Q_UNUSED(result)
    if (eventType != "xcb_generic_event_t" && eventType != "windows_generic_MSG")
        return false;
    const int id = keys->idOf(message);
    if (id < 1 || id > actions.size())
        return false;
    emit activated(actions.at(id - 1));
    return true;
}
