// SPDX-License-Identifier: MIT
#include "widgets/Knob.h"

#include "widgets/KnobAccessible.h"

#include <QAccessible>
#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QRadialGradient>
#include <QWheelEvent>

#include <algorithm>
#include <limits>

namespace {

constexpr int arcStart = 225 * 16;
constexpr int arcSweep = 270 * 16;

int boundedTo(qint64 v, int lo, int hi)
{
    // Not std::clamp: an empty range (hi < lo) must not be undefined behaviour.
    return static_cast<int>(std::max<qint64>(lo, std::min<qint64>(hi, v)));
}

QRect discRect(int width, int arcWidth, double bodyRatio, double shift)
{
    const double a = width - 2.0 * arcWidth;
    const double d = bodyRatio * a;
    const int corner = arcWidth + static_cast<int>((1.0 - bodyRatio) * a * 0.5 + shift * d);
    const int size = static_cast<int>(d);
    return QRect(corner, corner, size, size);
}

void drawDisc(QPainter &painter, const QRect &rect, double radius, const QColor &outer)
{
    QRadialGradient gradient(QPointF(0, 0), radius);
    gradient.setColorAt(0, QColor(255, 255, 255));
    gradient.setColorAt(1, outer);
    painter.setPen(QPen(QBrush(gradient), 0));
    painter.setBrush(gradient);
    painter.drawEllipse(rect);
}

} // namespace

Knob::Knob(QWidget *parent) : QWidget(parent), editor(new QLineEdit(this))
{
    KnobAccessible::installFactory();
    editor->hide();
    connect(editor, &QLineEdit::editingFinished, this, &Knob::finishEdit);
}

void Knob::setValue(int v)
{
    value = boundedTo(v, minimum, maximum);
    emit valueChangedSig(value);
    announceValue();
    update();
}

void Knob::showValue(int v)
{
    value = bounded(v);
    announceValue();
    update();
}

int Knob::bounded(int v) const
{
    return boundedTo(v, minimum, maximum);
}

int Knob::spanFor(int value, int minimum, int maximum)
{
    // An empty range has no meaningful fraction: draw no value arc rather than divide by zero.
    if (maximum <= minimum) {
        return 0;
    }
    const double fraction = (double(value) - double(minimum)) * 270.0 / (double(maximum) - double(minimum));
    // A value assigned outside the range may sweep past the track, but must still convert to an int.
    const double limit = std::numeric_limits<int>::max();
    const double sixteenths = std::clamp(fraction * 16.0, -limit, limit);
    return -static_cast<int>(sixteenths);
}

QRect Knob::shadowDiscRect(int width, int arcWidth, double bodyRatio)
{
    return discRect(width, arcWidth, bodyRatio, 0.02);
}

QRect Knob::faceDiscRect(int width, int arcWidth, double bodyRatio)
{
    return discRect(width, arcWidth, bodyRatio, 0.0);
}

QRect Knob::editorRectFor(const QRect &textRect)
{
    const int dx = static_cast<int>(0.025 * textRect.width());
    const int dy = static_cast<int>(0.025 * textRect.height());
    return textRect.adjusted(dx, dy, -dx, -dy);
}

qint64 Knob::shownNumber() const
{
    return value == 0 ? 0 : qint64(value) + displayOffset;
}

QString Knob::displayText() const
{
    return QString::number(shownNumber()) + suffix;
}

QString Knob::accessibleValueText() const
{
    const QString number = QString::number(shownNumber());
    return suffix.isEmpty() ? number : number + QLatin1Char(' ') + suffix;
}

void Knob::announceValue()
{
    QAccessibleValueChangeEvent event(this, value);
    QAccessible::updateAccessibility(&event);
}

QString Knob::editorText() const
{
    return QString::number(qint64(value) + displayOffset);
}

void Knob::finishEdit()
{
    QString text = editor->text();
    if (text.endsWith(suffix, Qt::CaseSensitive)) {
        text.chop(suffix.size());
    }
    bool ok = false;
    const int typed = text.toInt(&ok, 10);
    editor->hide();
    if (ok) {
        value = boundedTo(qint64(typed) - displayOffset, minimum, maximum);
    }
    emit valueChangedSig(value);
    announceValue();
    update();
}

void Knob::mousePressEvent(QMouseEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        value = minimum;
        emit valueChangedSig(value);
        announceValue();
        update();
    }
}

void Knob::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (showText && textRect.contains(event->position().toPoint())) {
        openEditor();
        return;
    }
    value = minimum;
    emit valueChangedSig(value);
    announceValue();
    update();
}

void Knob::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    // One step per axis and event, whatever the distance: the feel does not depend on pointer speed.
    if (lastY > pos.y() && value < maximum) {
        ++value;
    } else if (lastY < pos.y() && value > minimum) {
        --value;
    }
    if (lastX < pos.x() && value < maximum) {
        ++value;
    } else if (lastX > pos.x() && value > minimum) {
        --value;
    }
    lastY = pos.y();
    lastX = pos.x();
    value = boundedTo(value, minimum, maximum);
    emit valueChangedSig(value);
    announceValue();
    update();
}

void Knob::wheelEvent(QWheelEvent *event)
{
    if (event->angleDelta().y() > 0) {
        if (value < maximum) {
            ++value;
        }
    } else if (value > minimum) {
        --value;
    }
    value = boundedTo(value, minimum, maximum);
    emit valueChangedSig(value);
    announceValue();
    update();
}

void Knob::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    const int p = arcWidth;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(QFont(fontFamily, fontSize));

    QPen pen;
    pen.setWidth(p);
    if (roundCap) {
        pen.setCapStyle(Qt::RoundCap);
    }
    const QRectF arcBox(p, p, w - 2 * p, h - 2 * p);
    if (showTrack) {
        pen.setColor(trackColor);
        painter.setPen(pen);
        painter.drawArc(arcBox, arcStart, -arcSweep);
    }
    pen.setColor(arcColor);
    painter.setPen(pen);
    painter.drawArc(arcBox, arcStart, spanFor(value, minimum, maximum));

    // Both gradients are centred on the top-left corner, so the body looks lit from there.
    const double a = w - 2.0 * p;
    drawDisc(painter, shadowDiscRect(w, p, bodyRatio), 0.6 * a, QColor(20, 20, 20));
    drawDisc(painter, faceDiscRect(w, p, bodyRatio), 0.5 * a, QColor(30, 30, 30));

    if (showText) {
        const QString text = displayText();
        textRect = QFontMetrics(painter.font()).boundingRect(QRect(0, 0, w, h), Qt::AlignCenter, text);
        painter.setPen(textColor);
        painter.drawText(textRect, Qt::AlignCenter, text);
    }
}

void Knob::openEditor()
{
    editor->setText(editorText());
    editor->setGeometry(editorRectFor(textRect));
    editor->show();
    editor->setFocus(Qt::OtherFocusReason);
    editor->selectAll();
}
