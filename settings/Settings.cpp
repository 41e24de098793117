// SPDX-License-Identifier: MIT
#include "settings/Settings.h"

#include "driver/AudioBusDevice.h"

Settings::Settings()
{
    setWindowTitle(QStringLiteral("Settings"));
}

Settings::~Settings()
{
    if (device)
        device->close();
    delete device;
}

bool Settings::initDevice()
{
    if (device) {
        device->close();
        delete device;
    }
    device = new AudioBusDevice;
    return device->open();
}

void Settings::loadAndApply() {}
