// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleWidget>

class Button;
class QObject;
class QString;

// What a screen reader sees of a Button: a toggle (a check box, checkable from
// the start) whose checked state is its `status` and whose description joins the name and "on" or
// "off" ("48V phantom power, on"). Pressing or toggling it through the
// accessibility layer acts like a mouse press.
class ButtonAccessible : public QAccessibleWidget
{
public:
    explicit ButtonAccessible(Button *button);

    // Registers the factory with QAccessible; later calls do nothing.
    static void installFactory();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    Button *button() const;
    static QAccessibleInterface *create(const QString &key, QObject *object);
};
