// SPDX-License-Identifier: MIT
#include "widgets/ButtonAccessible.h"

#include "widgets/Button.h"

// A check box, not a push button: the AT-SPI bridge passes no checkable state
// on, only "checked" once the button is on, so a push button would be read as
// a plain button while off. A check box is read as a toggle with its state.
ButtonAccessible::ButtonAccessible(Button *button) : QAccessibleWidget(button, QAccessible::CheckBox) {}

void ButtonAccessible::installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(&ButtonAccessible::create);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface *ButtonAccessible::create(const QString &key, QObject *object)
{
    if (key == QLatin1String("Button") && object && object->isWidgetType())
        return new ButtonAccessible(static_cast<Button *>(object));
    return nullptr;
}

Button *ButtonAccessible::button() const
{
    return static_cast<Button *>(widget());
}

QString ButtonAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name: {
        const QString name = button()->accessibleName();
        return name.isEmpty() ? button()->text() : name;
    }
    case QAccessible::Value:
        return button()->stateText();
    case QAccessible::Description:
        if (!button()->accessibleDescription().isEmpty())
            return button()->accessibleDescription();
        return text(QAccessible::Name) + QStringLiteral(", ") + button()->stateText();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State ButtonAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = button()->status;
    return s;
}

QStringList ButtonAccessible::actionNames() const
{
    return {pressAction(), toggleAction()};
}

void ButtonAccessible::doAction(const QString &actionName)
{
    // Both act like a mouse press: the state flips and pressed(bool) is emitted.
    if (actionName == pressAction() || actionName == toggleAction())
        button()->setStatus(!button()->status);
}
