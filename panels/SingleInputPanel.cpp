// SPDX-License-Identifier: MIT
#include "panels/SingleInputPanel.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QDebug>
#include <QLabel>

SingleInputPanel::SingleInputPanel(QWidget *parent) : DevicePanel(parent) {}

void SingleInputPanel::createMicControls()
{
    micGainKnob = makeGainKnob("micGainKnob", 42);
    connect(micGainKnob, &Knob::valueChangedSig, this,
            [this](int value) { setMicGain(1, value, micGainKnob, "Dial/MicValue"); });
    inputMeter = makeMeterLabel("inputMeter");
}

void SingleInputPanel::createDirectButton(const QString &text)
{
    directButton = makeButton("directButton", text, "#00FFFF");
    connect(directButton, qOverload<bool>(&Button::pressed), this, [this](bool on) {
        setDirect(on, directButton, "Button/MonitorMicIsChecked", {{0, 0}, {1, 1}});
    });
}

void SingleInputPanel::createHeadphoneControls()
{
    headphoneKnob = makeLevelKnob("headphoneKnob");
    headphone.knob = headphoneKnob;
    connect(headphoneKnob, &Knob::valueChangedSig, this, &SingleInputPanel::headphoneChanged);
    muteButton = makeButton("muteButton", QStringLiteral("MUTE"), "#00FFFF", true);
    connect(muteButton, qOverload<bool>(&Button::pressed), this, &SingleInputPanel::muteChanged);
    dimButton = makeButton("dimButton", QStringLiteral("DIM"), "#00FFFF", true);
    connect(dimButton, qOverload<bool>(&Button::pressed), this, &SingleInputPanel::dimChanged);
}

void SingleInputPanel::showMeters(const MeterBlock &block)
{
    inputMeter->setText(meterText(block.words[0]));
}

void SingleInputPanel::headphoneChanged(int value)
{
    double gain = 0.0;
    if (writeOutputLevel(headphone, value, gain)) {
        if (logsHeadphoneGain)
            qDebug() << "Headphone volume set to:" << gain;
    } else {
        qDebug() << "Failed to set headphone volume.";
    }
    store(headphone.levelKey, headphoneKnob);
}

void SingleInputPanel::muteChanged(bool on)
{
    headphone.muted = on;
    headphoneChanged(on ? -80 : headphoneKnob->value);
    qDebug() << (on ? "Headphone Mute Button Clicked: Mute ON" : "Headphone Mute Button Clicked: Mute OFF");
    store("Button/HeadphoneMuteIsChecked", muteButton);
}

void SingleInputPanel::dimChanged(bool on)
{
    const int value = headphoneKnob->value;
    headphone.dimmed = on;
    headphoneChanged(value);
    qDebug() << (on ? "Headphone Dim Button Clicked: Dim ON" : "Headphone Dim Button Clicked: Dim OFF");
    store("Button/HeadphoneDimIsChecked", dimButton);
}
