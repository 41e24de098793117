// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class QWidget;

// One supported interface: what the main window builds and shows for it.
struct DeviceModel
{
    std::uint32_t pid;
    const char *name;
    QWidget *(*createPanel)();
    const char *logLine;      // logged after the panel joins the layout
    const char *titlePattern; // %1 .. %10 take the ten firmware-version bytes
};

// The product-id table of the models this program serves.
class DeviceModels
{
public:
    using FirmwareVersion = std::array<std::uint8_t, 10>;

    static const std::vector<DeviceModel> &all();
    // The row for `pid` in `models`, or null.
    static const DeviceModel *find(const std::vector<DeviceModel> &models, std::uint32_t pid);

    // Replaces %1 .. %10 of `pattern` in one pass, each with exactly one
    // character whose code is the byte (a zero byte gives a NUL character).
    static QString buildTitle(const QString &pattern, const FirmwareVersion &version);
};
