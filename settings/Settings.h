// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class AudioBusDevice;

// Audio engine settings dialog (minimal: the driver link only, for now).
class Settings : public QDialog
{
    Q_OBJECT

public:
    Settings();
    ~Settings() override;

    bool initDevice();
    void loadAndApply();

private:
    AudioBusDevice *device = nullptr;
};
