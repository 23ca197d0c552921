#include "HistoryDatabase.h"
#include "HistorySql.h"

#include <QMetaObject>

#include <algorithm>

// The history table on a damaged file: finding the records that can still be read.

using namespace historysql;

std::vector<HistoryTable::Entry> HistoryTable::walkRecordKeys(const QString &filter,
                                                              bool &complete) const
{
    sqlite3 *db = m_connection.handle();
    const QString where = filter.isEmpty() ? QString() : QStringLiteral(" AND (") + filter + u')';
    Statement walk(db, QStringLiteral("SELECT rowid, mIncoming FROM mHistory NOT INDEXED "
                                      "WHERE rowid > ?1") +
                           where + QStringLiteral(" ORDER BY rowid"));
    Statement probe(db, QStringLiteral("SELECT rowid FROM mHistory NOT INDEXED WHERE rowid > ?1 "
                                       "ORDER BY rowid LIMIT 1"));
    // Whether the records can be walked from just after `from` (or nothing is there).
    const auto walkable = [&probe](qint64 from) {
        try {
            Resetting done(probe);
            probe.bind(1, from);
            probe.step();
            return true;
        } catch (const EDatabaseError &error) {
            if (!error.damaged())
                throw;
            return false;
        }
    };
    std::vector<Entry> entries;
    qint64 after = 0;
    for (;;) {
        try {
            Resetting done(walk);
            walk.bind(1, after);
            while (walk.step()) {
                after = walk.int64(0);
                entries.push_back({after, qint32(walk.int64(1))});
            }
            return entries;
        } catch (const EDatabaseError &error) {
            if (!error.damaged())
                throw;
        }
        // Past the damaged pages: the nearest start from which the walk goes on, found by
        // doubling the step and then halving the gap.
        complete = false;
        constexpr qint64 Farthest = qint64(1) << 60;
        qint64 step = 1;
        while (step < Farthest && !walkable(after + step))
            step *= 2;
        if (step >= Farthest)
            return entries;
        qint64 failing = step / 2;
        while (step - failing > 1) {
            const qint64 middle = failing + (step - failing) / 2;
            (walkable(after + middle) ? step : failing) = middle;
        }
        after += step;
    }
}

std::vector<HistoryTable::Entry> HistoryTable::readableKeys(const std::vector<Entry> &candidates,
                                                            const QString &filter) const
{
    sqlite3 *db = m_connection.handle();
    const QString where = filter.isEmpty() ? QString() : QStringLiteral(" AND (") + filter + u')';
    // Reading the length of every text field reads each field whole, overflow pages included.
    const QString check = QStringLiteral(
        "SELECT rowid, mIncoming, length(mDate), length(mTime), length(mSender), "
        "length(mReceiver), length(mCutText), length(mFullText) FROM mHistory NOT INDEXED ");
    Statement range(db, check + QStringLiteral("WHERE rowid BETWEEN ?1 AND ?2") + where);
    Statement point(db, check + QStringLiteral("WHERE rowid = ?1") + where);
    std::vector<Entry> readable;
    for (size_t begin = 0; begin < candidates.size(); begin += ScanRows) {
        const size_t end = std::min(candidates.size(), begin + ScanRows);
        const auto first = candidates.begin() + qsizetype(begin);
        const auto last = candidates.begin() + qsizetype(end);
        const size_t kept = readable.size();
        try {
            Resetting done(range);
            range.bind(1, first->key);
            range.bind(2, (last - 1)->key);
            while (range.step()) {
                const Entry entry{range.int64(0), qint32(range.int64(1))};
                if (std::binary_search(first, last, entry, [](const Entry &a, const Entry &b) {
                        return a.key < b.key;
                    }))
                    readable.push_back(entry);
            }
            continue;
        } catch (const EDatabaseError &error) {
            if (!error.damaged())
                throw;
        }
        readable.resize(kept);
        for (auto candidate = first; candidate != last; ++candidate) {
            try {
                Resetting done(point);
                point.bind(1, candidate->key);
                if (point.step())
                    readable.push_back({candidate->key, qint32(point.int64(1))});
            } catch (const EDatabaseError &error) {
                if (!error.damaged())
                    throw;
            }
        }
    }
    return readable;
}

void HistoryTable::noteDamage() const
{
    if (m_salvaged || m_salvageQueued)
        return;
    m_salvageQueued = true;
    auto *table = const_cast<HistoryTable *>(this);
    // Closing the view or opening another store forgets it.
    QMetaObject::invokeMethod(
        table,
        [table] {
            if (table->m_salvageQueued)
                table->salvage();
        },
        Qt::QueuedConnection);
}

void HistoryTable::salvage()
{
    m_salvageQueued = false;
    if (!m_active)
        return;
    const Bookmark current = bookmark();
    Q_EMIT aboutToReset();
    m_salvaged = true;
    m_otherViews.clear();
    m_blocks.clear();
    const QString filter = effectiveFilter();
    int unreadable = -1;
    try {
        bool complete = true;
        const std::vector<Entry> candidates = candidateKeys(filter, complete, true);
        m_keys = readableKeys(candidates, filter);
        if (complete)
            unreadable = int(candidates.size() - m_keys.size());
    } catch (const EDatabaseError &) {
        m_keys.clear();
    }
    m_keysFilter = filter;
    m_keysLoaded = true;
    m_position = positionOf(current);
    if (m_position < 0)
        m_position = m_keys.empty() ? -1 : 0;
    m_eof = m_bof = m_keys.empty();
    Q_EMIT reset();
    announceCurrent();
    Q_EMIT damageFound(unreadable);
}
