// SPDX-License-Identifier: MIT
#include "control/SnapshotPlan.h"

#include <QSet>

#include <algorithm>

namespace {

// The part after the last dot: "level", "mute", "gain", ...
QString suffixOf(const QString &name)
{
    return name.mid(name.lastIndexOf(QLatin1Char('.')) + 1);
}

QString prefixOf(const QString &name)
{
    return name.left(name.lastIndexOf(QLatin1Char('.')));
}

bool lowersWhenOn(const QString &suffix)
{
    return suffix == QLatin1String("pad") || suffix == QLatin1String("mute") || suffix == QLatin1String("dim");
}

// Order within the output phases: on the way down the switches silence
// first, on the way up the level comes back before the switches let it through.
int outputRank(const QString &suffix, bool down)
{
    const int rank = suffix == QLatin1String("mute") ? 0 : suffix == QLatin1String("dim") ? 1 : 2;
    return down ? rank : 2 - rank;
}

} // namespace

QList<SnapshotPlan::Step> SnapshotPlan::steps(const QList<ControlRow> &rows, const QMap<QString, int> &target)
{
    QSet<QString> outputs;
    for (const ControlRow &row : rows) {
        if (!row.isSwitch() && suffixOf(row.name()) == QLatin1String("level"))
            outputs.insert(prefixOf(row.name()));
    }

    struct Ranked
    {
        Step step;
        int rank;
    };
    QList<Ranked> ranked;
    for (int i = 0; i < rows.size(); ++i) {
        const ControlRow &row = rows.at(i);
        if (!target.contains(row.iniKey()))
            continue;
        const int from = row.raw();
        const int to = target.value(row.iniKey());
        if (from == to)
            continue;
        const QString suffix = suffixOf(row.name());
        const bool lowers = row.isSwitch() ? (to != 0) == lowersWhenOn(suffix) : to < from;
        const bool outputPart = outputs.contains(prefixOf(row.name())) &&
                                (suffix == QLatin1String("level") || suffix == QLatin1String("mute") ||
                                 suffix == QLatin1String("dim"));
        if (outputPart)
            ranked.append({{i, from, to, lowers ? 1 : 3}, outputRank(suffix, lowers)});
        else
            ranked.append({{i, from, to, 2}, lowers ? 0 : 1});
    }
    // Stable: table order within a phase and rank.
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked &a, const Ranked &b) {
        return a.step.phase != b.step.phase ? a.step.phase < b.step.phase : a.rank < b.rank;
    });
    QList<Step> result;
    for (const Ranked &entry : ranked)
        result.append(entry.step);
    return result;
}
