// SPDX-License-Identifier: MIT
#pragma once

#include "control/ControlRow.h"

#include <QList>
#include <QMap>
#include <QString>

// The order in which a snapshot's control values are applied, so that no
// output is louder at any moment than both before and after the load:
//   1. outputs that go down: mutes that turn on, dims that turn on, levels
//      that go down;
//   2. the other controls (gains, pads, instrument, direct monitoring, phone
//      levels), those that lower a signal before those that raise it;
//   3. outputs that go up: levels that go up, dims that turn off, mutes that
//      turn off.
// Within each phase every step only lowers (1) or only raises (3) its
// output, so the way down ends below both states and the way up ends at the
// snapshot. Controls already at the snapshot's value are left alone (48 V
// switches only where the snapshot differs). An output is a name prefix
// with ".level", ".mute" and ".dim" rows; ".pad", ".mute" and ".dim" lower
// when they turn on, every other switch when it turns off.
class SnapshotPlan
{
public:
    struct Step
    {
        int row;  // index into the rows
        int from; // raw values
        int to;
        int phase; // 1, 2 or 3
    };

    static QList<Step> steps(const QList<ControlRow> &rows, const QMap<QString, int> &target);
};
