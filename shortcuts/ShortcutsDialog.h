// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class GlobalHotkeys;
class QGridLayout;
class QLabel;
class ShortcutActions;
class ShortcutStore;

// Lists every action with its key: a key editor, a clear button and, when
// the key could not be taken, the reason. A change is stored and the keys
// bound again at once.
class ShortcutsDialog : public QDialog
{
    Q_OBJECT

public:
    ShortcutsDialog(ShortcutStore *store, GlobalHotkeys *hotkeys, ShortcutActions *actions, QWidget *parent = nullptr);

    // The rows again: the connected model's snapshots change.
    void refresh();
    // Reads the file and binds its keys; what the program does at start.
    void bindStored();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString actionText(const QString &action) const;
    void change(const QString &action, const QKeySequence &key);

    ShortcutStore *store;
    GlobalHotkeys *hotkeys;
    ShortcutActions *actions;
    QLabel *sessionNote;
    QWidget *rows = nullptr;
    QGridLayout *grid = nullptr;
};
