// SPDX-License-Identifier: MIT
#include "widgets/Button.h"

#include "widgets/ButtonAccessible.h"

#include <QAccessible>
#include <QColor>
#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>

Button::Button(const QString &text, QWidget *parent)
    : QPushButton(parent), glow(new QGraphicsDropShadowEffect(this))
{
    ButtonAccessible::installFactory();
    setText(text);
    setCursor(Qt::PointingHandCursor);
    // Owners create buttons parentless, so this is the default widget width, not the final one.
    glow->setBlurRadius(0.01 * width());
    glow->setOffset(0, 0);
    glow->setColor(QColor::fromString(glowColor));
    setGraphicsEffect(glow);
    glow->setEnabled(false);
}

QString Button::styleSheetFor(bool on) const
{
    const QString &background = on ? onBackground : offBackground;
    return QStringLiteral("QPushButton {   color: %1;   background-color: %2;   border-radius: %3px;}"
                          "QPushButton:pressed {   background-color: %4;}")
        .arg(on ? onTextColor : offTextColor)
        .arg(background)
        .arg(cornerRadius)
        .arg(background);
}

QString Button::stateText() const
{
    return status ? tr("on") : tr("off");
}

void Button::announceState()
{
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void Button::updateStyle()
{
    setStyleSheet(styleSheetFor(status));
    glow->setEnabled(status);
    glow->setColor(QColor::fromString(glowColor));
}

void Button::setStatus(bool s)
{
    status = s;
    glow->setEnabled(s);
    updateStyle();
    emit pressed(s);
    announceState();
}

void Button::showStatus(bool s)
{
    status = s;
    glow->setEnabled(s);
    updateStyle();
    announceState();
}

void Button::mousePressEvent(QMouseEvent *)
{
    // The base handler is deliberately not called: the button keeps its own state and
    // must never emit clicked(), toggled() or the parameterless pressed().
    status = !status;
    glow->setEnabled(status);
    updateStyle();
    emit pressed(status);
    announceState();
}
