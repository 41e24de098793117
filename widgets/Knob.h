// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

class QLineEdit;

// Self-painted rotary control: a 270-degree track, a value arc, a shaded body
// and the value as text. Emits valueChangedSig on every change, including a
// set to the current value (the panels replay stored state that way).
class Knob : public QWidget
{
    Q_OBJECT

public:
    explicit Knob(QWidget *parent = nullptr);

    void setValue(int v);
    // Shows a value without emitting: the owner puts back a value it could not apply.
    void showValue(int v);
    // The value clamped to [minimum, maximum], as setValue keeps it.
    int bounded(int v) const;

    // Properties: the owner assigns them after construction (no repaint, no signal).
    int value = -80;
    int arcWidth = 7;
    bool roundCap = true;
    int maximum = 6;
    int minimum = -80;
    QColor arcColor{QStringLiteral("#00ffff")};
    bool showText = true;
    QString fontFamily = QStringLiteral("Segoe UI");
    int fontSize = 12;
    QString suffix = QStringLiteral("dB");
    QColor textColor{QStringLiteral("#ff79c6")};
    bool showTrack = true;
    QColor trackColor{QStringLiteral("#44475a")};
    double bodyRatio = 0.8;
    int lastY = 0;
    int lastX = 0;
    int displayOffset = 0;
    QLineEdit *editor = nullptr;
    QRect textRect; // value text as drawn by the last paint

    // Geometry, as pure functions of the properties and the widget size.
    static int spanFor(int value, int minimum, int maximum);   // value arc span, 1/16 degree
    static QRect shadowDiscRect(int width, int arcWidth, double bodyRatio);
    static QRect faceDiscRect(int width, int arcWidth, double bodyRatio);
    static QRect editorRectFor(const QRect &textRect);
    qint64 shownNumber() const;    // value + offset, except that 0 is shown as 0
    QString displayText() const;   // shown number and suffix
    QString editorText() const;    // value + offset, no suffix
    QString accessibleValueText() const; // shown number, a space and the suffix ("-12 dB")

signals:
    void valueChangedSig(int value);

private slots:
    void finishEdit();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void openEditor();
    // Tells the accessibility layer that the value changed.
    void announceValue();
};
