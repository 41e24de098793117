// SPDX-License-Identifier: MIT
#include "panels/ks2.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QDebug>
#include <QLabel>
#include <QVBoxLayout>

const ks2::LevelTexts ks2::speakerLevel{"Speaker Knob value changed:", "Speaker volume set to:",
                                        "Failed to set speaker volume."};
const ks2::LevelTexts ks2::headphoneLevel{"Headphone Knob value changed:", "Headphone volume set to:",
                                          "Failed to set headphone volume."};

ks2::ks2(QWidget *parent) : DevicePanel(parent)
{
    logsSaves = true;
    if (!startDevice("ks2", {1, 2, 5, 6}))
        return;
    buildControls();
    initMixerBlock();
    // Matrices 3 and 4 also feed the headphone outputs 4/5 on this model.
    mixerBlock.matrix(3, 4, 0) = 1.0;
    mixerBlock.matrix(3, 5, 1) = 1.0;
    mixerBlock.matrix(4, 4, 0) = 1.0;
    mixerBlock.matrix(4, 5, 1) = 1.0;
    startMeterPoll();
    meterKeys = {{"mic1", 0}, {"mic2", 1}, {"phone", -1}};
    presetOutputs({&speaker, &headphone});
    restoreState({
        {"Button/Mic120dBIsChecked", false, mic1.padButton, "mic1.pad"},
        {"Button/Mic148VIsChecked", false, mic1.phantomButton, "mic1.48v"},
        {"Button/MonitorMic1IsChecked", false, mic1.directButton, "mic1.direct"},
        {"Dial/Mic1Value", 0, mic1.gainKnob, "mic1.gain"},
        {"Dial/Mic2Value", 0, mic2.gainKnob, "mic2.gain"},
        {"Button/Mic220dBIsChecked", false, mic2.padButton, "mic2.pad"},
        {"Button/Mic248VIsChecked", false, mic2.phantomButton, "mic2.48v"},
        {"Button/MonitorMic2IsChecked", false, mic2.directButton, "mic2.direct"},
        {"Dial/SpeakerValue", -80, speaker.knob, "speakers.level"},
        {"Button/SpeakerMuteIsChecked", false, speakerMuteButton, "speakers.mute"},
        {"Button/SpeakerDimIsChecked", false, speakerDimButton, "speakers.dim"},
        {"Dial/HeadphoneValue", -80, headphone.knob, "headphones.level"},
        {"Button/HeadphoneMuteIsChecked", false, headphoneMuteButton, "headphones.mute"},
        {"Button/HeadphoneDimIsChecked", false, headphoneDimButton, "headphones.dim"},
        {"Dial/OtgToHpValue", 0, phoneToHeadphoneKnob, "phone.headphones"},
        {"Dial/OtgToSPValue", 0, phoneToSpeakerKnob, "phone.speakers"},
    });
}

QVBoxLayout *ks2::buildMicColumn(int channel, MicChannel &mic, const QString &title)
{
    const bool first = channel == 1;
    // Title and caption before the column's controls: a screen reader's order.
    QLabel *titleLabel = makeLabel(title, titleStyle);
    QLabel *caption = makeLabel(tr("Gain"), captionStyle);
    mic.gainKnob = makeGainKnob(first ? "mic1GainKnob" : "mic2GainKnob", 56, 9);
    connect(mic.gainKnob, &Knob::valueChangedSig, this, [this, channel, &mic](int value) {
        setMicGain(channel, value, mic.gainKnob, channel == 1 ? "Dial/Mic1Value" : "Dial/Mic2Value");
    });
    mic.padButton = makeButton(first ? "mic1PadButton" : "mic2PadButton", QStringLiteral("20dB"), "#ff7f00");
    connect(mic.padButton, qOverload<bool>(&Button::pressed), this, [this, channel, &mic](bool on) {
        setMicPad(channel, on, mic.padButton, channel == 1 ? "Button/Mic120dBIsChecked" : "Button/Mic220dBIsChecked");
    });
    mic.phantomButton = makeButton(first ? "mic1PhantomButton" : "mic2PhantomButton", QStringLiteral("48V"), "#ff1111");
    connect(mic.phantomButton, qOverload<bool>(&Button::pressed), this, [this, channel, &mic](bool on) {
        setMicPhantom(channel, on, mic.phantomButton,
                      channel == 1 ? "Button/Mic148VIsChecked" : "Button/Mic248VIsChecked");
    });
    mic.directButton = makeButton(first ? "mic1DirectButton" : "mic2DirectButton", tr("DIRECT"), "#00FFFF");
    connect(mic.directButton, qOverload<bool>(&Button::pressed), this,
            [this, channel](bool on) { directChanged(channel, on); });
    mic.meter = makeMeterLabel(first ? "mic1Meter" : "mic2Meter");
    mic.gainKnob->setAccessibleName(tr("MIC%1 gain").arg(channel));
    mic.padButton->setAccessibleName(tr("MIC%1 20 dB pad").arg(channel));
    mic.phantomButton->setAccessibleName(tr("MIC%1 48V phantom power").arg(channel));
    mic.directButton->setAccessibleName(tr("MIC%1 direct monitoring").arg(channel));
    mic.meter->setAccessibleDescription(tr("MIC%1 level").arg(channel));

    QVBoxLayout *column = inputColumn(titleLabel, mic.gainKnob, mic.meter, caption,
                                      {mic.padButton, mic.phantomButton, mic.directButton});
    column->addStretch(0);
    return column;
}

void ks2::buildControls()
{
    QVBoxLayout *mic1Column = buildMicColumn(1, mic1, tr("MIC1"));
    QVBoxLayout *mic2Column = buildMicColumn(2, mic2, tr("MIC2"));

    QLabel *speakerTitle = makeLabel(tr("SPEAKER"), titleStyle);
    QLabel *speakerCaption = makeLabel(tr("Volume"), captionStyle);
    QLabel *speakerPhoneCaption = makeLabel(tr("Phone To SP Volume"), phoneCaptionStyle);
    speaker.knob = makeLevelKnob("speakerKnob");
    connect(speaker.knob, &Knob::valueChangedSig, this,
            [this](int value) { levelChanged(speaker, value, speakerLevel); });
    speakerMuteButton = makeButton("speakerMuteButton", QStringLiteral("MUTE"), "#00FFFF", true);
    connect(speakerMuteButton, qOverload<bool>(&Button::pressed), this, &ks2::speakerMuteChanged);
    speakerDimButton = makeButton("speakerDimButton", QStringLiteral("DIM"), "#00FFFF", true);
    connect(speakerDimButton, qOverload<bool>(&Button::pressed), this, [this](bool on) {
        switchOutput(speaker, speakerLevel, &Output::dimmed, on, speakerDimButton, "Button/SpeakerDimIsChecked");
    });
    phoneToSpeakerKnob = makePhoneKnob("phoneToSpeakerKnob");
    connect(phoneToSpeakerKnob, &Knob::valueChangedSig, this, [this](int value) {
        setPhoneLevel(value, phoneToSpeakerKnob, "Dial/OtgToSPValue", {{0, 2}, {1, 3}}, "OTG to SP volume set to:");
    });
    speakerPhoneMeter = makeMeterLabel("speakerPhoneMeter");

    QLabel *headphoneTitle = makeLabel(tr("HEADPHONE"), titleStyle);
    QLabel *headphoneCaption = makeLabel(tr("Volume"), captionStyle);
    QLabel *headphonePhoneCaption = makeLabel(tr("Phone To HP Volume"), phoneCaptionStyle);
    headphone.knob = makeLevelKnob("headphoneKnob");
    connect(headphone.knob, &Knob::valueChangedSig, this,
            [this](int value) { levelChanged(headphone, value, headphoneLevel); });
    headphoneMuteButton = makeButton("headphoneMuteButton", QStringLiteral("MUTE"), "#00FFFF", true);
    connect(headphoneMuteButton, qOverload<bool>(&Button::pressed), this, [this](bool on) {
        switchOutput(headphone, headphoneLevel, &Output::muted, on, headphoneMuteButton,
                     "Button/HeadphoneMuteIsChecked");
    });
    headphoneDimButton = makeButton("headphoneDimButton", QStringLiteral("DIM"), "#00FFFF", true);
    connect(headphoneDimButton, qOverload<bool>(&Button::pressed), this, [this](bool on) {
        switchOutput(headphone, headphoneLevel, &Output::dimmed, on, headphoneDimButton,
                     "Button/HeadphoneDimIsChecked");
    });
    phoneToHeadphoneKnob = makePhoneKnob("phoneToHeadphoneKnob");
    connect(phoneToHeadphoneKnob, &Knob::valueChangedSig, this, [this](int value) {
        setPhoneLevel(value, phoneToHeadphoneKnob, "Dial/OtgToHpValue", {{4, 2}, {5, 3}}, "OTG to HP volume set to:");
    });
    headphonePhoneMeter = makeMeterLabel("headphonePhoneMeter");
    nameOutputControls();

    QVBoxLayout *speakerColumn =
        outputColumn(speakerTitle, speaker.knob, speakerCaption, speakerMuteButton, speakerDimButton);
    speakerColumn->addLayout(phoneRow(phoneToSpeakerKnob, speakerPhoneMeter, speakerPhoneCaption));
    speakerColumn->addStretch(0);
    QVBoxLayout *headphoneColumn =
        outputColumn(headphoneTitle, headphone.knob, headphoneCaption, headphoneMuteButton, headphoneDimButton);
    headphoneColumn->addLayout(phoneRow(phoneToHeadphoneKnob, headphonePhoneMeter, headphonePhoneCaption));
    headphoneColumn->addStretch(0);
    setColumns({mic1Column, mic2Column}, {speakerColumn, headphoneColumn});
}

void ks2::nameOutputControls()
{
    speaker.knob->setAccessibleName(tr("Speaker volume"));
    speakerMuteButton->setAccessibleName(tr("Speaker mute"));
    speakerDimButton->setAccessibleName(tr("Speaker dim"));
    phoneToSpeakerKnob->setAccessibleName(tr("Phone to speaker volume"));
    speakerPhoneMeter->setAccessibleDescription(tr("Phone level"));
    headphone.knob->setAccessibleName(tr("Headphone volume"));
    headphoneMuteButton->setAccessibleName(tr("Headphone mute"));
    headphoneDimButton->setAccessibleName(tr("Headphone dim"));
    phoneToHeadphoneKnob->setAccessibleName(tr("Phone to headphone volume"));
    headphonePhoneMeter->setAccessibleDescription(tr("Phone level"));
}

void ks2::directChanged(int channel, bool on)
{
    const std::size_t input = channel == 1 ? 0 : 1;
    MicChannel &mic = channel == 1 ? mic1 : mic2;
    setDirect(on, mic.directButton, channel == 1 ? "Button/MonitorMic1IsChecked" : "Button/MonitorMic2IsChecked",
              {{0, input}, {1, input}, {4, input}, {5, input}});
}

bool ks2::levelChanged(Output &output, int value, const LevelTexts &texts)
{
    qDebug() << texts.changed << value;
    double gain = 0.0;
    const bool accepted = writeOutputLevel(output, value, gain);
    if (accepted)
        qDebug() << texts.set << output.effectiveLevel(value);
    else
        logFailure(texts.failed);
    settle(output.knob, accepted, output.levelKey);
    return accepted;
}

void ks2::speakerMuteChanged(bool on)
{
    const bool before = speaker.muted;
    speaker.muted = on;
    const bool accepted =
        resendLevel([&] { return levelChanged(speaker, on ? -80 : speaker.knob->value, speakerLevel); });
    qDebug() << (on ? "Speaker Mute Button Clicked: Mute ON" : "Speaker Mute Button Clicked: Mute OFF");
    settleOutputSwitch(speaker, &Output::muted, before, speakerMuteButton, accepted, "Button/SpeakerMuteIsChecked");
}

void ks2::switchOutput(Output &output, const LevelTexts &texts, bool Output::*flag, bool on, Button *button,
                       const char *key)
{
    const int value = output.knob->value;
    const bool before = output.*flag;
    output.*flag = on;
    settleOutputSwitch(output, flag, before, button, resendLevel([&] { return levelChanged(output, value, texts); }),
                       key);
}

void ks2::showMeters(const MeterBlock &block)
{
    mic1.meter->setText(meterText(block.words[0]));
    mic2.meter->setText(meterText(block.words[1]));
    const QString phone = meterText(block.phoneMean());
    speakerPhoneMeter->setText(phone);
    headphonePhoneMeter->setText(phone);
}
