// SPDX-License-Identifier: MIT
#include "panels/PanelLayout.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

const char *const PanelLayout::titleStyle = "font-weight: bold; font-size: 12px; color: white;";
const char *const PanelLayout::captionStyle = "font-size: 12px; color: white;";
const char *const PanelLayout::phoneCaptionStyle = "font-size: 10px; color: white;";
const char *const PanelLayout::meterStyle = "color: #888888; font-size: 8px;";

PanelLayout::PanelLayout(QWidget *parent) : QWidget(parent) {}

Button *PanelLayout::makeButton(const char *name, const QString &text, const char *accent, bool tall)
{
    // Created without a parent and reparented, as the glow's blur radius is
    // taken from the parentless default width.
    auto *button = new Button(text);
    button->setParent(this);
    button->setObjectName(QLatin1String(name));
    button->offTextColor = QStringLiteral("#8a95aa");
    button->onBackground = QStringLiteral("#1b1e23");
    button->offBackground = QStringLiteral("#1b1e23");
    button->cornerRadius = 3;
    button->onTextColor = QLatin1String(accent);
    button->glowColor = QLatin1String(accent);
    button->setMinimumWidth(80);
    button->setMaximumWidth(80);
    if (tall)
        button->setMinimumHeight(40);
    button->updateStyle();
    return button;
}

Knob *PanelLayout::makeGainKnob(const char *name, int maximum, int displayOffset)
{
    auto *knob = new Knob(this);
    knob->setObjectName(QLatin1String(name));
    knob->setFixedSize(120, 120);
    knob->minimum = 0;
    knob->maximum = maximum;
    knob->value = 0;
    knob->displayOffset = displayOffset;
    knob->textColor = QColor(QStringLiteral("#00ff7f"));
    knob->arcColor = QColor(QStringLiteral("#f1fa8c"));
    return knob;
}

Knob *PanelLayout::makeLevelKnob(const char *name)
{
    auto *knob = new Knob(this);
    knob->setObjectName(QLatin1String(name));
    knob->setFixedSize(120, 120);
    knob->minimum = -80;
    knob->maximum = 6;
    knob->value = -80;
    knob->textColor = QColor(QStringLiteral("#00ff7f"));
    return knob;
}

Knob *PanelLayout::makePhoneKnob(const char *name)
{
    auto *knob = new Knob(this);
    knob->setObjectName(QLatin1String(name));
    knob->setFixedSize(70, 70);
    knob->minimum = -80;
    knob->maximum = 6;
    knob->value = -80;
    knob->textColor = QColor(QStringLiteral("#00ff7f"));
    knob->arcWidth = 3;
    knob->fontSize = 10;
    return knob;
}

QLabel *PanelLayout::makeLabel(const QString &text, const char *style)
{
    auto *label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QLatin1String(style));
    return label;
}

QLabel *PanelLayout::makeMeterLabel(const char *name)
{
    QLabel *label = makeLabel(QStringLiteral("-160 dB"), meterStyle);
    label->setObjectName(QLatin1String(name));
    return label;
}

QVBoxLayout *PanelLayout::inputColumn(QLabel *title, Knob *knob, QLabel *meter, QLabel *caption,
                                      const QList<Button *> &buttons)
{
    auto *column = new QVBoxLayout;
    column->setContentsMargins(10, 10, 20, 10);
    column->addWidget(title);
    column->addWidget(knob);
    column->addWidget(meter);
    column->addWidget(caption);
    auto *stack = new QVBoxLayout;
    stack->setAlignment(Qt::AlignCenter);
    for (Button *button : buttons)
        stack->addWidget(button);
    column->addLayout(stack);
    return column;
}

QVBoxLayout *PanelLayout::outputColumn(QLabel *title, Knob *knob, QLabel *caption, Button *mute, Button *dim)
{
    auto *column = new QVBoxLayout;
    column->setAlignment(Qt::AlignCenter);
    column->setContentsMargins(20, 10, 10, 10);
    column->addWidget(title);
    auto *knobRow = new QHBoxLayout;
    knobRow->addWidget(knob);
    column->addLayout(knobRow);
    column->addWidget(caption);
    auto *switches = new QHBoxLayout;
    switches->setAlignment(Qt::AlignCenter);
    switches->addWidget(mute);
    switches->addWidget(dim);
    column->addLayout(switches);
    return column;
}

QHBoxLayout *PanelLayout::phoneRow(Knob *knob, QLabel *meter, QLabel *caption)
{
    auto *row = new QHBoxLayout;
    row->setAlignment(Qt::AlignCenter);
    row->setSpacing(8);
    row->addWidget(knob);
    auto *texts = new QVBoxLayout;
    texts->setAlignment(Qt::AlignCenter);
    texts->addWidget(meter);
    texts->addWidget(caption);
    row->addLayout(texts);
    return row;
}

void PanelLayout::setColumns(const QList<QLayout *> &inputs, const QList<QLayout *> &outputs)
{
    auto *main = new QHBoxLayout(this);
    main->setAlignment(Qt::AlignCenter);
    main->setContentsMargins(0, 0, 0, 0);
    for (QLayout *column : inputs)
        main->addLayout(column);
    auto *separator = new QFrame(this);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setFixedWidth(1);
    separator->setStyleSheet(QStringLiteral("background-color: #555555;"));
    main->addWidget(separator);
    for (QLayout *column : outputs)
        main->addLayout(column);
}
