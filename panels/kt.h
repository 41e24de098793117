// SPDX-License-Identifier: MIT
#pragma once

#include "panels/SingleInputPanel.h"

// KT: the KS1 panel without instrument mode, pad, phantom power and the phone
// knob; the phone input instead reaches the headphones on two fixed unity routes.
class kt : public SingleInputPanel
{
    Q_OBJECT

public:
    explicit kt(QWidget *parent = nullptr);

private:
    void buildControls();
    // Names for screen readers, in this panel's translation context.
    void nameControls();
};
