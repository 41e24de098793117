// SPDX-License-Identifier: MIT
// Renders every knob and button variant the panels use, at their bounds and in between,
// on the panels' dark background, and saves the picture to the PNG file named by argv[1].
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QTextStream>

#include <cstdio>

namespace {

struct KnobVariant {
    QString caption;
    int size;
    int minimum;
    int maximum;
    int displayOffset;
    int arcWidth;
    int fontSize;
    QColor arcColor;
};

Knob *makeKnob(const KnobVariant &variant, int value, QWidget *parent)
{
    auto *knob = new Knob(parent);
    knob->setFixedSize(variant.size, variant.size);
    knob->minimum = variant.minimum;
    knob->maximum = variant.maximum;
    knob->value = value;
    knob->displayOffset = variant.displayOffset;
    knob->arcWidth = variant.arcWidth;
    knob->fontSize = variant.fontSize;
    knob->textColor = QColor(QStringLiteral("#00ff7f"));
    if (variant.arcColor.isValid()) {
        knob->arcColor = variant.arcColor;
    }
    return knob;
}

// As the panels do it: parentless construction (so the glow blur uses the default width), then reparenting.
Button *makeButton(const QString &text, const QString &accent, bool on, QWidget *parent)
{
    auto *button = new Button(text);
    button->setParent(parent);
    button->offTextColor = QStringLiteral("#8a95aa");
    button->onBackground = QStringLiteral("#1b1e23");
    button->offBackground = QStringLiteral("#1b1e23");
    button->cornerRadius = 3;
    button->setMinimumWidth(80);
    button->setMaximumWidth(80);
    button->onTextColor = accent;
    button->glowColor = accent;
    button->updateStyle();
    if (on) {
        button->setStatus(true);
    }
    return button;
}

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: white; font-size: 12px;"));
    return label;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        QTextStream(stderr) << "usage: widget-gallery <output.png>\n";
        return 2;
    }

    QWidget gallery;
    gallery.setObjectName(QStringLiteral("gallery"));
    gallery.setStyleSheet(QStringLiteral("#gallery { background-color: #2c313c; }"));
    gallery.setAttribute(Qt::WA_StyledBackground);
    auto *grid = new QGridLayout(&gallery);
    grid->setSpacing(12);

    const QList<KnobVariant> knobs = {
        {QStringLiteral("KS1/KT mic gain 0..42"), 120, 0, 42, 0, 7, 12, QColor(QStringLiteral("#f1fa8c"))},
        {QStringLiteral("KS2 mic gain 0..56 +9"), 120, 0, 56, 9, 7, 12, QColor(QStringLiteral("#f1fa8c"))},
        {QStringLiteral("level -80..6"), 120, -80, 6, 0, 7, 12, QColor()},
        {QStringLiteral("phone -80..6"), 70, -80, 6, 0, 3, 10, QColor()},
    };
    int row = 0;
    for (const KnobVariant &variant : knobs) {
        grid->addWidget(caption(variant.caption, &gallery), row, 0);
        const int middle = variant.minimum + (variant.maximum - variant.minimum) / 2;
        const int values[] = {variant.minimum, variant.minimum + 1, middle, variant.maximum};
        int column = 1;
        for (int value : values) {
            grid->addWidget(makeKnob(variant, value, &gallery), row, column++, Qt::AlignCenter);
        }
        ++row;
    }

    const QStringList accents = {QStringLiteral("#00ff7f"), QStringLiteral("#ff7f00"), QStringLiteral("#ff1111"),
                                 QStringLiteral("#00FFFF")};
    const QStringList texts = {QStringLiteral("MIC"), QStringLiteral("20dB"), QStringLiteral("48V"),
                               QStringLiteral("DIRECT")};
    for (bool on : {false, true}) {
        grid->addWidget(caption(on ? QStringLiteral("buttons on") : QStringLiteral("buttons off"), &gallery), row,
                        0);
        for (int i = 0; i < accents.size(); ++i) {
            grid->addWidget(makeButton(texts.at(i), accents.at(i), on, &gallery), row, i + 1, Qt::AlignCenter);
        }
        ++row;
    }
    grid->addWidget(caption(QStringLiteral("mute/dim on, off"), &gallery), row, 0);
    Button *mute = makeButton(QStringLiteral("MUTE"), QStringLiteral("#00FFFF"), true, &gallery);
    mute->setMinimumHeight(40);
    Button *dim = makeButton(QStringLiteral("DIM"), QStringLiteral("#00FFFF"), false, &gallery);
    dim->setMinimumHeight(40);
    grid->addWidget(mute, row, 1, Qt::AlignCenter);
    grid->addWidget(dim, row, 2, Qt::AlignCenter);

    gallery.adjustSize();
    const QImage image = gallery.grab().toImage();
    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        QTextStream(stderr) << "cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
