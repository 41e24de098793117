// SPDX-License-Identifier: MIT
#include "shortcuts/ShortcutsDialog.h"

#include "shortcuts/GlobalHotkeys.h"
#include "shortcuts/ShortcutActions.h"
#include "shortcuts/ShortcutStore.h"

#include <QGridLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

ShortcutsDialog::ShortcutsDialog(ShortcutStore *store, GlobalHotkeys *hotkeys, ShortcutActions *actions,
                                 QWidget *parent)
    : QDialog(parent), store(store), hotkeys(hotkeys), actions(actions)
{
    setWindowTitle(tr("Shortcuts"));
    setObjectName(QStringLiteral("shortcutsDialog"));
    setStyleSheet(QStringLiteral(
        "QDialog, QScrollArea, QScrollArea > QWidget > QWidget { background-color: #2c313c; color: white; }"
        "QLabel { color: white; font-size: 13px; }"
        "QLabel[problem=\"true\"] { color: #ff8080; }"
        "QKeySequenceEdit QLineEdit { background-color: #1f232b; color: white; border: 1px solid #555555;"
        " padding: 3px; }"
        "QPushButton { background-color: #008888; color: white; border: none; padding: 4px 10px; }"
        "QPushButton:hover { background-color: #00a0a0; }"));

    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(tr("Keys that work whatever program has the focus."), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    sessionNote = new QLabel(tr("Global shortcuts are not available in this session."), this);
    sessionNote->setObjectName(QStringLiteral("sessionNote"));
    sessionNote->setProperty("problem", true);
    sessionNote->setWordWrap(true);
    sessionNote->setVisible(!hotkeys->available());
    layout->addWidget(sessionNote);

    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    rows = new QWidget;
    grid = new QGridLayout(rows);
    grid->setColumnStretch(3, 1);
    scroll->setWidget(rows);
    layout->addWidget(scroll, 1);

    auto *closeButton = new QPushButton(tr("Close"), this);
    closeButton->setAccessibleName(tr("Close"));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(closeButton, 0, Qt::AlignRight);
    resize(620, 460);
}

QString ShortcutsDialog::actionText(const QString &action) const
{
    static const char *const texts[] = {
        QT_TR_NOOP("Speakers mute"),        QT_TR_NOOP("Speakers dim"),         QT_TR_NOOP("Headphones mute"),
        QT_TR_NOOP("Headphones dim"),       QT_TR_NOOP("Speakers level up"),    QT_TR_NOOP("Speakers level down"),
        QT_TR_NOOP("Headphones level up"),  QT_TR_NOOP("Headphones level down"), QT_TR_NOOP("Open the main window")};
    const int index = int(ShortcutActions::fixedNames().indexOf(action));
    if (index >= 0)
        return tr(texts[index]);
    return tr("Load snapshot \"%1\"").arg(action.section(QLatin1Char('.'), 1));
}

void ShortcutsDialog::bindStored()
{
    hotkeys->bindAll(store->load());
    if (isVisible())
        refresh();
}

void ShortcutsDialog::showEvent(QShowEvent *event)
{
    refresh();
    QDialog::showEvent(event);
}

void ShortcutsDialog::refresh()
{
    while (QLayoutItem *item = grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QMap<QString, QKeySequence> stored = store->load();
    QStringList names = actions->names();
    // A key bound to a snapshot of another model stays listed, so it can be cleared.
    for (const QString &action : stored.keys()) {
        if (!names.contains(action))
            names << action;
    }
    int line = 0;
    for (const QString &action : names) {
        const QString text = actionText(action);
        auto *label = new QLabel(text, rows);
        auto *editor = new QKeySequenceEdit(stored.value(action), rows);
        editor->setObjectName(QStringLiteral("key:") + action);
        editor->setAccessibleName(tr("Key for %1").arg(text));
        // Qt's own hint is not in this program's translations.
        if (auto *line = editor->findChild<QLineEdit *>())
            line->setPlaceholderText(tr("Press a key"));
        auto *clear = new QPushButton(tr("Clear"), rows);
        clear->setObjectName(QStringLiteral("clear:") + action);
        clear->setAccessibleName(tr("Clear the key for %1").arg(text));
        auto *status = new QLabel(hotkeys->problem(action), rows);
        status->setObjectName(QStringLiteral("status:") + action);
        status->setProperty("problem", true);
        status->setAccessibleName(tr("Status of %1").arg(text));
        label->setBuddy(editor);
        grid->addWidget(label, line, 0);
        grid->addWidget(editor, line, 1);
        grid->addWidget(clear, line, 2);
        grid->addWidget(status, line, 3);
        ++line;
        connect(editor, &QKeySequenceEdit::editingFinished, this, [this, editor, action] {
            // One key, not a chord sequence: a global key fires on one press.
            const QKeySequence key = ShortcutStore::parse(editor->keySequence().isEmpty()
                                                              ? QString()
                                                              : QKeySequence(editor->keySequence()[0]).toString());
            change(action, key);
        });
        connect(clear, &QPushButton::clicked, this, [this, action] { change(action, QKeySequence()); });
    }
    grid->setRowStretch(line, 1);
}

void ShortcutsDialog::change(const QString &action, const QKeySequence &key)
{
    // A key drives one action: whichever had it before lets go.
    const QMap<QString, QKeySequence> stored = store->load();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        if (!key.isEmpty() && it.key() != action && it.value() == key)
            store->set(it.key(), QKeySequence());
    }
    store->set(action, key);
    hotkeys->bindAll(store->load());
    // Rebuilt after the editor's signal has returned: it is one of the rows.
    QMetaObject::invokeMethod(this, &ShortcutsDialog::refresh, Qt::QueuedConnection);
}
