// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class Button;
class Knob;
class QHBoxLayout;
class QLabel;
class QLayout;
class QVBoxLayout;

// The look of the device panels: their controls and labels as every model
// shows them, and the columns they stand in. It knows nothing of the device;
// DevicePanel binds the controls to it.
class PanelLayout : public QWidget
{
    Q_OBJECT

protected:
    explicit PanelLayout(QWidget *parent = nullptr);

    // Controls and labels in the panels' look, children of the panel. A knob
    // starts at its minimum, a button off.
    Button *makeButton(const char *name, const QString &text, const char *accent, bool tall = false);
    Knob *makeGainKnob(const char *name, int maximum, int displayOffset = 0);
    Knob *makeLevelKnob(const char *name);
    Knob *makePhoneKnob(const char *name);
    QLabel *makeLabel(const QString &text, const char *style);
    QLabel *makeMeterLabel(const char *name);

    // Columns: an input column (title, gain knob, meter, caption, button stack),
    // an output column (title, level knob, caption, mute and dim), the phone row
    // (knob, meter, caption), and the main row with the separator.
    QVBoxLayout *inputColumn(QLabel *title, Knob *knob, QLabel *meter, QLabel *caption,
                             const QList<Button *> &buttons);
    QVBoxLayout *outputColumn(QLabel *title, Knob *knob, QLabel *caption, Button *mute, Button *dim);
    QHBoxLayout *phoneRow(Knob *knob, QLabel *meter, QLabel *caption);
    void setColumns(const QList<QLayout *> &inputs, const QList<QLayout *> &outputs);

    static const char *const titleStyle;
    static const char *const captionStyle;
    static const char *const phoneCaptionStyle;
    static const char *const meterStyle;
};
