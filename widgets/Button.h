// SPDX-License-Identifier: MIT
#pragma once

#include <QPushButton>
#include <QString>

class QGraphicsDropShadowEffect;

// On/off switch shown through a generated style sheet and a coloured glow.
// Keeps its own `status`, toggles on every mouse press and announces every
// change with pressed(bool), including a set to the current state.
class Button : public QPushButton
{
    Q_OBJECT

public:
    explicit Button(const QString &text, QWidget *parent = nullptr);

    void updateStyle();
    void setStatus(bool s);
    // Shows a state without emitting: the owner puts back a state it could not apply.
    void showStatus(bool s);

    // The style sheet for the given state and colours (pure; updateStyle applies it).
    QString styleSheetFor(bool on) const;
    // "on" or "off", translated: the state as a screen reader says it.
    QString stateText() const;

    int cornerRadius = 3;
    QString onTextColor = QStringLiteral("#000000");
    QString offTextColor = QStringLiteral("#00ff7f");
    QString glowColor = QStringLiteral("#00ff7f");
    QString onBackground = QStringLiteral("#00ff7f");
    QString offBackground = QStringLiteral("#1b1e23");
    bool status = false;
    QGraphicsDropShadowEffect *glow = nullptr;

signals:
    void pressed(bool status);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    // Tells the accessibility layer that the on/off state was set.
    void announceState();
};
