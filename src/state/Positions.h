// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <algorithm>
#include <utility>

// Where an item goes among `others` (in order): before `beforeID`, at the mean of its neighbours
// (the lower one counting as 0), or at the end (last + 65536). Crowded when the neighbours are
// less than 1 apart, after which the service will have renumbered and the container is reloaded.
template <typename T>
std::pair<double, bool> positionAmong(const QList<T> &others, const QString &beforeID)
{
    if (!beforeID.isEmpty()) {
        for (qsizetype i = 0; i < others.size(); ++i) {
            if (others[i].id == beforeID) {
                const double next = others[i].pos;
                const double prev = i > 0 ? others[i - 1].pos : 0.0;
                return {(next + prev) * 0.5, next - prev < 1.0};
            }
        }
    }
    return {others.isEmpty() ? 65536.0 : others.last().pos + 65536.0, false};
}

// Sorts by ascending pos, stably.
template <typename T> void sortByPos(QList<T> &records)
{
    std::stable_sort(records.begin(), records.end(),
                     [](const T &a, const T &b) { return a.pos < b.pos; });
}
