// SPDX-License-Identifier: MIT
#include "shortcuts/ShortcutStore.h"

#include "settings/IniSanitizer.h"
#include "shortcuts/ShortcutActions.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kGroup = QStringLiteral("Shortcuts");

} // namespace

ShortcutStore::ShortcutStore(const QString &path) : filePath(path)
{
    if (filePath.isEmpty())
        filePath = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/shortcuts.ini");
}

QKeySequence ShortcutStore::parse(const QString &text)
{
    const QKeySequence key = QKeySequence::fromString(text.trimmed(), QKeySequence::PortableText);
    if (key.count() != 1 || key[0].key() == Qt::Key_unknown || key[0].key() == 0)
        return {};
    // A modifier alone ("Ctrl+") is no key.
    switch (key[0].key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        return {};
    default:
        return key;
    }
}

QMap<QString, QKeySequence> ShortcutStore::load() const
{
    QMap<QString, QKeySequence> keys;
    if (!QFileInfo::exists(filePath))
        return keys;
    IniSanitizer::sanitize(filePath, IniSanitizer::Keys::Escaped);
    QSettings settings(filePath, QSettings::IniFormat);
    settings.beginGroup(kGroup);
    for (const QString &action : settings.childKeys()) {
        const QVariant value = settings.value(action);
        const QKeySequence key = value.typeId() == QMetaType::QString ? parse(value.toString()) : QKeySequence();
        if (!ShortcutActions::isActionName(action) || key.isEmpty()) {
            qWarning().noquote() << QStringLiteral("shortcuts.ini: skipped \"%1=%2\": not an action name with one key")
                                        .arg(action.left(64), value.toStringList().join(QLatin1Char(',')).left(64));
            continue;
        }
        keys.insert(action, key);
    }
    return keys;
}

void ShortcutStore::set(const QString &action, const QKeySequence &key)
{
    QDir().mkpath(QFileInfo(filePath).path());
    IniSanitizer::sanitize(filePath, IniSanitizer::Keys::Escaped);
    QSettings settings(filePath, QSettings::IniFormat);
    settings.beginGroup(kGroup);
    if (key.isEmpty())
        settings.remove(action);
    else
        settings.setValue(action, key.toString(QKeySequence::PortableText));
}
