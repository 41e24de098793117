// SPDX-License-Identifier: MIT
#pragma once

#include "panels/DevicePanel.h"

// KS2: two microphone channels, each with gain, pad, phantom power and direct
// monitoring into both outputs; speaker (outputs 0/1) and headphone (outputs
// 4/5) levels with their own mute and dim; the phone input into both.
class ks2 : public DevicePanel
{
    Q_OBJECT

public:
    explicit ks2(QWidget *parent = nullptr);

protected:
    void showMeters(const MeterBlock &block) override;

private:
    // The controls of one microphone channel.
    struct MicChannel
    {
        Knob *gainKnob = nullptr;
        Button *padButton = nullptr;
        Button *phantomButton = nullptr;
        Button *directButton = nullptr;
        QLabel *meter = nullptr;
    };
    // What one output logs about its level.
    struct LevelTexts
    {
        const char *changed;
        const char *set;
        const char *failed;
    };

    static const LevelTexts speakerLevel;
    static const LevelTexts headphoneLevel;

    void buildControls();
    QVBoxLayout *buildMicColumn(int channel, MicChannel &mic, const QString &title);
    // Names for screen readers, in this panel's translation context.
    void nameOutputControls();
    void directChanged(int channel, bool on);
    // True when the device took the level.
    bool levelChanged(Output &output, int value, const LevelTexts &texts);
    void speakerMuteChanged(bool on);
    // Sets a mute or dim flag and rewrites the output's level from its knob.
    void switchOutput(Output &output, const LevelTexts &texts, bool Output::*flag, bool on, Button *button,
                      const char *key);

    MicChannel mic1;
    MicChannel mic2;
    Output speaker{0, 1, "Dial/SpeakerValue", "Button/SpeakerMuteIsChecked", "Button/SpeakerDimIsChecked"};
    Output headphone{4, 5, "Dial/HeadphoneValue", "Button/HeadphoneMuteIsChecked",
                     "Button/HeadphoneDimIsChecked"};
    Button *speakerMuteButton = nullptr;
    Button *speakerDimButton = nullptr;
    Button *headphoneMuteButton = nullptr;
    Button *headphoneDimButton = nullptr;
    Knob *phoneToHeadphoneKnob = nullptr;
    QLabel *headphonePhoneMeter = nullptr;
    Knob *phoneToSpeakerKnob = nullptr;
    QLabel *speakerPhoneMeter = nullptr;
};
