// SPDX-License-Identifier: MIT
#include "panels/ks1.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QDebug>
#include <QLabel>
#include <QVBoxLayout>

ks1::ks1(QWidget *parent) : SingleInputPanel(parent)
{
    if (!startDevice("ks1", {1, 2}))
        return;
    buildControls();
    initMixerBlock();
    startMeterPoll();
    meterKeys = {{"mic1", 0}, {"phone", -1}};
    presetOutputs({&headphone});
    restoreState({
        {"Button/MicInstrIsChecked", false, instrumentButton, "mic1.inst"},
        {"Button/Mic20dBIsChecked", false, padButton, "mic1.pad"},
        {"Button/Mic48VIsChecked", false, phantomButton, "mic1.48v"},
        {"Button/MonitorMicIsChecked", false, directButton, "mic1.direct"},
        {"Dial/MicValue", 0, micGainKnob, "mic1.gain"},
        {"Dial/HeadphoneValue", -80, headphoneKnob, "headphones.level"},
        {"Button/HeadphoneMuteIsChecked", false, muteButton, "headphones.mute"},
        {"Button/HeadphoneDimIsChecked", false, dimButton, "headphones.dim"},
        {"Dial/OtgToHpValue", 0, phoneKnob, "phone.headphones"},
    });
}

void ks1::buildControls()
{
    // Each column's title and caption come first among the children, so that
    // a screen reader reads them before the column's controls.
    QLabel *inputTitle = makeLabel(tr("INPUT"), titleStyle);
    QLabel *inputCaption = makeLabel(tr("Gain"), captionStyle);
    createMicControls();
    instrumentButton = makeButton("instrumentButton", tr("MIC"), "#00ff7f");
    connect(instrumentButton, qOverload<bool>(&Button::pressed), this,
            [this](bool on) { instrumentChanged(1, on); });
    padButton = makeButton("padButton", QStringLiteral("20dB"), "#ff7f00");
    connect(padButton, qOverload<bool>(&Button::pressed), this,
            [this](bool on) { setMicPad(1, on, padButton, "Button/Mic20dBIsChecked"); });
    phantomButton = makeButton("phantomButton", QStringLiteral("48V"), "#ff1111");
    connect(phantomButton, qOverload<bool>(&Button::pressed), this,
            [this](bool on) { setMicPhantom(1, on, phantomButton, "Button/Mic48VIsChecked"); });
    createDirectButton(tr("DIRECT"));

    QLabel *outputTitle = makeLabel(tr("HEADPHONE"), titleStyle);
    QLabel *outputCaption = makeLabel(tr("Volume"), captionStyle);
    QLabel *phoneCaption = makeLabel(tr("Phone To HP Volume"), phoneCaptionStyle);
    createHeadphoneControls();
    phoneKnob = makePhoneKnob("phoneKnob");
    connect(phoneKnob, &Knob::valueChangedSig, this, [this](int value) {
        setPhoneLevel(value, phoneKnob, "Dial/OtgToHpValue", {{0, 2}, {1, 3}}, "OTG to HP volume set to:");
    });
    phoneMeter = makeMeterLabel("phoneMeter");
    nameControls();

    QVBoxLayout *input = inputColumn(inputTitle, micGainKnob, inputMeter, inputCaption,
                                     {instrumentButton, padButton, phantomButton, directButton});
    QVBoxLayout *output = outputColumn(outputTitle, headphoneKnob, outputCaption, muteButton, dimButton);
    output->addLayout(phoneRow(phoneKnob, phoneMeter, phoneCaption));
    output->addStretch(0);
    setColumns({input}, {output});
}

void ks1::nameControls()
{
    micGainKnob->setAccessibleName(tr("Input gain"));
    instrumentButton->setAccessibleName(tr("Instrument mode"));
    padButton->setAccessibleName(tr("20 dB pad"));
    phantomButton->setAccessibleName(tr("48V phantom power"));
    directButton->setAccessibleName(tr("Direct monitoring"));
    inputMeter->setAccessibleDescription(tr("Input level"));
    headphoneKnob->setAccessibleName(tr("Headphone volume"));
    muteButton->setAccessibleName(tr("Headphone mute"));
    dimButton->setAccessibleName(tr("Headphone dim"));
    phoneKnob->setAccessibleName(tr("Phone to headphone volume"));
    phoneMeter->setAccessibleDescription(tr("Phone level"));
}

void ks1::instrumentChanged(int channel, bool on)
{
    qDebug() << "Mic Instr Button Clicked" << int(on);
    const bool accepted = device->setMicInstrument(channel, on);
    if (accepted) {
        qDebug() << "Mic instruction switched for channel 1.";
        instrumentButton->setText(on ? tr("INST") : tr("MIC"));
    } else {
        logFailure("Failed to switch mic instruction.");
    }
    settle(instrumentButton, accepted, "Button/MicInstrIsChecked");
}

void ks1::showMeters(const MeterBlock &block)
{
    SingleInputPanel::showMeters(block);
    phoneMeter->setText(meterText(block.phoneMean()));
}
