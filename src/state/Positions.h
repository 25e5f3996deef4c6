// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <algorithm>
#include <utility>

// Where an item goes among `others` (in order): before `beforeID`, at the mean of its neighbours
// (the lower one counting as 0), or at the end (last + 65536). The service renumbers crowded
// containers at a threshold of its own; the answer to the move says so by its position.
template <typename T> double positionAmong(const QList<T> &others, const QString &beforeID)
{
    if (!beforeID.isEmpty()) {
        for (qsizetype i = 0; i < others.size(); ++i) {
            if (others[i].id == beforeID) {
                return (others[i].pos + (i > 0 ? others[i - 1].pos : 0.0)) * 0.5;
            }
        }
    }
    return others.isEmpty() ? 65536.0 : others.last().pos + 65536.0;
}

// Sorts by ascending pos, stably.
template <typename T> void sortByPos(QList<T> &records)
{
    std::stable_sort(records.begin(), records.end(),
                     [](const T &a, const T &b) { return a.pos < b.pos; });
}
