// SPDX-License-Identifier: MIT
#pragma once

#include "panels/DevicePanel.h"

// The part the KS1 and KT share: one microphone on channel 1 with its gain
// knob, meter and direct monitoring, and a headphone output on outputs 0 and 1
// with level, mute and dim.
class SingleInputPanel : public DevicePanel
{
    Q_OBJECT

protected:
    explicit SingleInputPanel(QWidget *parent = nullptr);

    // Create and connect the shared controls. Children are created in layout
    // order, which is the keyboard and screen-reader order: a model adds its
    // own input switches between the mic controls and the direct button.
    void createMicControls();
    // The model supplies the translated text.
    void createDirectButton(const QString &text);
    void createHeadphoneControls();

    void showMeters(const MeterBlock &block) override;

    Knob *micGainKnob = nullptr;
    QLabel *inputMeter = nullptr;
    Button *directButton = nullptr;
    Knob *headphoneKnob = nullptr;
    Button *muteButton = nullptr;
    Button *dimButton = nullptr;
    Output headphone{0, 1, "Dial/HeadphoneValue", "Button/HeadphoneMuteIsChecked",
                     "Button/HeadphoneDimIsChecked"};
    // Whether a successful headphone write logs its gain.
    bool logsHeadphoneGain = true;

private:
    // True when the device took the level.
    bool headphoneChanged(int value);
    void muteChanged(bool on);
    void dimChanged(bool on);
};
