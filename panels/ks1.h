// SPDX-License-Identifier: MIT
#pragma once

#include "panels/SingleInputPanel.h"

// KS1: the shared single-input panel plus instrument mode, pad and phantom
// power on the input, and the phone input mixed into the headphones.
class ks1 : public SingleInputPanel
{
    Q_OBJECT

public:
    explicit ks1(QWidget *parent = nullptr);

protected:
    void showMeters(const MeterBlock &block) override;

private:
    void buildControls();
    // Names for screen readers, in this panel's translation context.
    void nameControls();
    void instrumentChanged(int channel, bool on);

    Button *instrumentButton = nullptr;
    Button *padButton = nullptr;
    Button *phantomButton = nullptr;
    Knob *phoneKnob = nullptr;
    QLabel *phoneMeter = nullptr;
};
