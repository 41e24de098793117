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

bool SingleInputPanel::headphoneChanged(int value)
{
    double gain = 0.0;
    const bool accepted = writeOutputLevel(headphone, value, gain);
    if (accepted) {
        if (logsHeadphoneGain)
            qDebug() << "Headphone volume set to:" << gain;
    } else {
        logFailure("Failed to set headphone volume.");
    }
    settle(headphoneKnob, accepted, headphone.levelKey);
    return accepted;
}

void SingleInputPanel::muteChanged(bool on)
{
    const bool before = headphone.muted;
    headphone.muted = on;
    const bool accepted = resendLevel([&] { return headphoneChanged(on ? -80 : headphoneKnob->value); });
    qDebug() << (on ? "Headphone Mute Button Clicked: Mute ON" : "Headphone Mute Button Clicked: Mute OFF");
    settleOutputSwitch(headphone, &Output::muted, before, muteButton, accepted, "Button/HeadphoneMuteIsChecked");
}

void SingleInputPanel::dimChanged(bool on)
{
    const int value = headphoneKnob->value;
    const bool before = headphone.dimmed;
    headphone.dimmed = on;
    const bool accepted = resendLevel([&] { return headphoneChanged(value); });
    qDebug() << (on ? "Headphone Dim Button Clicked: Dim ON" : "Headphone Dim Button Clicked: Dim OFF");
    settleOutputSwitch(headphone, &Output::dimmed, before, dimButton, accepted, "Button/HeadphoneDimIsChecked");
}
