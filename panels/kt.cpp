// SPDX-License-Identifier: MIT
#include "panels/kt.h"

#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
// The KT's captions carry a leading space in their style.
const char *const ktCaptionStyle = " font-size: 12px; color: white;";
} // namespace

kt::kt(QWidget *parent) : SingleInputPanel(parent)
{
    logsHeadphoneGain = false;
    if (!startDevice("kt", {1, 2}))
        return;
    buildControls();
    initMixerBlock();
    // Phone pair 2/3 to headphone left/right, fixed at unity.
    mixerBlock.matrix(2, 0, 2) = 1.0;
    mixerBlock.matrix(2, 1, 3) = 1.0;
    startMeterPoll();
    meterKeys = {{"mic1", 0}, {"phone", -1}};
    presetOutputs({&headphone});
    restoreState({
        {"Button/MonitorMicIsChecked", false, directButton, "mic1.direct"},
        {"Dial/MicValue", 0, micGainKnob, "mic1.gain"},
        {"Dial/HeadphoneValue", -80, headphoneKnob, "headphones.level"},
        {"Button/HeadphoneMuteIsChecked", false, muteButton, "headphones.mute"},
        {"Button/HeadphoneDimIsChecked", false, dimButton, "headphones.dim"},
    });
}

void kt::nameControls()
{
    micGainKnob->setAccessibleName(tr("Mic gain"));
    directButton->setAccessibleName(tr("Direct monitoring"));
    inputMeter->setAccessibleDescription(tr("Input level"));
    headphoneKnob->setAccessibleName(tr("Headphone volume"));
    muteButton->setAccessibleName(tr("Headphone mute"));
    dimButton->setAccessibleName(tr("Headphone dim"));
}

void kt::buildControls()
{
    // Titles and captions before their column's controls: a screen reader's order.
    QLabel *inputTitle = makeLabel(tr("MIC"), titleStyle);
    QLabel *inputCaption = makeLabel(tr("Gain"), ktCaptionStyle);
    createMicControls();
    createDirectButton(tr("DIRECT"));
    QLabel *outputTitle = makeLabel(QStringLiteral("HEADPHONE"), titleStyle);
    QLabel *outputCaption = makeLabel(tr("Volume"), ktCaptionStyle);
    createHeadphoneControls();
    nameControls();

    QVBoxLayout *input = inputColumn(inputTitle, micGainKnob, inputMeter, inputCaption, {directButton});
    QVBoxLayout *output = outputColumn(outputTitle, headphoneKnob, outputCaption, muteButton, dimButton);
    output->addStretch(0);
    setColumns({input}, {output});
}
