// SPDX-License-Identifier: MIT
#pragma once

#include "driver/AudioBusDevice.h"
#include "driver/MeterBlock.h"
#include "driver/MixerBlock.h"
#include "panels/PanelLayout.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class Button;
class Knob;
class QSettings;

// What the three device panels have in common: their own driver link, the INI
// store replayed through the controls, the mixer block, the meter poll and the
// handlers whose behaviour does not depend on the model (PanelLayout makes
// and lays out the controls). A panel adds its controls, channels, keys and
// layout.
class DevicePanel : public PanelLayout
{
    Q_OBJECT

public:
    // One row of a panel's key table: the INI key, its default, the control
    // that replays it, and the stable name and unit ("dB" or "switch") by
    // which scripts reach it. The default's type follows the control.
    struct StateKey
    {
        StateKey(const char *key, int fallback, Knob *knob, const char *name)
            : key(key), fallback(fallback), knob(knob), name(name), unit("dB") {}
        StateKey(const char *key, bool fallback, Button *button, const char *name)
            : key(key), fallback(fallback), button(button), name(name), unit("switch") {}
        const char *key;
        QVariant fallback;
        Knob *knob = nullptr;
        Button *button = nullptr;
        const char *name;
        const char *unit;
    };
    // One meter a panel reports by name: a word of the meter block, or the
    // phone pair's mean for -1.
    struct MeterKey
    {
        const char *name;
        int word;
    };

    // The model's key table as the restore replayed it (empty until then).
    const std::vector<StateKey> &stateKeys() const { return keyTable; }
    // The level of each named meter in the last block read, in dBFS.
    QVariantMap meterLevels() const;

    ~DevicePanel() override;

    // False while the panel is empty because its driver link or its start-up
    // output levels failed; the host builds it again later.
    bool isStarted() const { return started; }

signals:
    // Ends every control handler: the control shows its final state; a refused
    // request carries the failure line it logged.
    void controlApplied(QObject *control, bool accepted, const QString &failureLine);

protected:
    explicit DevicePanel(QWidget *parent = nullptr);

    // A stereo output: its level knob, its two gain-vector-0 entries, the INI
    // keys of its level, mute and dim, and its mute and dim flags.
    struct Output
    {
        std::size_t left;
        std::size_t right;
        const char *levelKey;
        const char *muteKey;
        const char *dimKey;
        Knob *knob = nullptr;
        bool muted = false;
        bool dimmed = false;

        // Mute wins over dim, dim lowers the knob setting by 20 dB.
        int effectiveLevel(int value) const { return muted ? -80 : dimmed ? value - 20 : value; }
    };

    // A matrix 2 entry: output channel (row) and input channel (column).
    struct Route
    {
        std::size_t row;
        std::size_t column;
    };

    // Opens the driver link, sets the start-up output volumes (only the last
    // answer counts) and opens "<model>.ini". False leaves the panel empty.
    bool startDevice(const char *model, std::initializer_list<std::uint32_t> outputs);
    // Unity gain vectors and the fixed routes of matrices 0, 3, 4 and 5.
    void initMixerBlock();
    void startMeterPoll();
    // Before the restore: puts each output's stored level, after its stored
    // mute and dim, into the block copy and the flags, so that no block of the
    // restore is louder than the stored state.
    void presetOutputs(std::initializer_list<Output *> outputs);
    // Replays each key, in table order, through the control's own setter so that
    // its handler sends it to the device and writes it back.
    // The table stays with the panel for the control channel.
    void restoreState(std::vector<StateKey> keys);

    // Handlers shared by every model (the channel is 1, or 1 and 2 on the KS2).
    void setMicGain(int channel, int value, Knob *knob, const char *key);
    void setMicPad(int channel, bool on, Button *button, const char *key);
    void setMicPhantom(int channel, bool on, Button *button, const char *key);
    void setDirect(bool on, Button *button, const char *key, std::initializer_list<Route> routes);
    void setPhoneLevel(int value, Knob *knob, const char *key, std::initializer_list<Route> routes,
                       const char *logText);

    // Writes the output's gain for `value` after mute and dim; false when the
    // driver refused the block.
    bool writeOutputLevel(const Output &output, int value, double &gain);
    // Sends the whole block. Accepted, it becomes what the device runs;
    // refused, the copy goes back to what the device last accepted, so no
    // later write carries a change the device never took.
    bool writeBlock();
    // Mute and dim send the output's level again through the level handler
    // with the knob where it is.
    bool resendLevel(const std::function<bool()> &write);
    // Mute or dim of an output: a refused write puts the flag back to
    // `before`, the button shows it and its key is left alone.
    void settleOutputSwitch(Output &output, bool Output::*flag, bool before, Button *button, bool accepted,
                            const char *key);

    // Ends a control's request: an accepted state is stored; a refused one
    // puts the control back to `shown` without emitting and leaves its key
    // alone (during a restore the key keeps the stored intent for the next one).
    void settle(QObject *control, bool accepted, const char *key, int shown);
    void settle(QObject *control, bool accepted, const char *key) { settle(control, accepted, key, shownBefore(control)); }
    // The state a control showed before its current change: what the device
    // last accepted, or the control's start state.
    int shownBefore(const QObject *control) const;
    // Logs a refusal's line and keeps it for controlApplied.
    void logFailure(const char *line);

    void store(const char *key, Knob *knob);
    void store(const char *key, Button *button);

    // Shows one meter block; the poll calls it after each successful read.
    virtual void showMeters(const MeterBlock &block) = 0;
    static QString meterText(std::int32_t word);

    std::unique_ptr<AudioBusDevice> device;
    QSettings *settings = nullptr;
    MixerBlock mixerBlock;
    MeterBlock meterBlock;
    // The KS2 confirms every save on the log.
    bool logsSaves = false;
    std::vector<MeterKey> meterKeys;

private:
    bool started = false;

    void store(const char *key, const QVariant &value);
    void refreshMeters();

    // What the device last accepted (or the start value) per control.
    QHash<const QObject *, int> applied;
    // The mixer block as the device last accepted it (the start copy before any write).
    MixerBlock acceptedBlock;
    QString lastFailure;
    bool restoring = false;
    bool resendingLevel = false;
    // Controls the restore could not set: their keys keep the stored value
    // until the control itself is changed.
    QSet<const QObject *> keptIntent;
    // Set while a restore replays a file that could not be read: the defaults
    // reach the device, but the file keeps what it holds.
    bool holdWrites = false;
    std::vector<StateKey> keyTable;
};
