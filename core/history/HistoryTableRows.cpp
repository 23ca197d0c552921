#include "HistoryDatabase.h"
#include "HistorySql.h"

#include <algorithm>

// The history table read for the bound views by position, in cached blocks, and whole records
// by key.

using namespace historysql;

QString HistoryTable::textAt(int position, HistoryField field) const
{
    if (!m_active || position < 0 || position >= int(m_keys.size()))
        return QString();
    if (!heldInRows(field)) {
        try {
            return textOutsideRows(position, field);
        } catch (const EDatabaseError &) {
            return QString();
        }
    }
    const Row *row = rowAt(position, true, false);
    if (row && row->unreadable)
        return QString();
    return row ? row->texts[int(field)] : QString();
}

bool HistoryTable::unreadableAt(int position) const
{
    if (!m_active || position < 0 || position >= int(m_keys.size()))
        return false;
    const Row *row = rowAt(position, true, false);
    return row && row->unreadable;
}

QString HistoryTable::textOutsideRows(int position, HistoryField field) const
{
    const Entry &entry = m_keys[size_t(position)];
    if (field == HistoryField::mIncoming)
        return QString::number(entry.incoming);
    Statement &full = m_statements->fullText;
    Resetting done(full);
    full.bind(1, entry.key);
    try {
        return full.step() ? full.text(0) : QString();
    } catch (const EDatabaseError &error) {
        if (error.damaged())
            noteDamage();
        throw;
    }
}

qint32 HistoryTable::incomingAt(int position) const
{
    if (!m_active || position < 0 || position >= int(m_keys.size()))
        return 0;
    return m_keys[size_t(position)].incoming;
}

HistoryTable::Bookmark HistoryTable::bookmarkAt(int position) const
{
    if (position < 0 || position >= int(m_keys.size()))
        return NoBookmark;
    return m_keys[size_t(position)].key;
}

int HistoryTable::positionOf(Bookmark bookmark) const
{
    const auto at = std::lower_bound(m_keys.begin(), m_keys.end(), bookmark,
                                     [](const Entry &e, Bookmark k) { return e.key < k; });
    if (at == m_keys.end() || at->key != bookmark)
        return -1;
    return int(at - m_keys.begin());
}

const HistoryTable::Row *HistoryTable::rowAt(int position, bool complete, bool raise) const
{
    const int block = position / BlockRows;
    Block *b = m_blocks.object(block);
    if (!b || (complete && !b->complete)) {
        try {
            b = loadBlock(block, complete);
        } catch (const EDatabaseError &) {
            if (raise)
                throw;
            return nullptr;
        }
    }
    return &b->rows[size_t(position % BlockRows)];
}

HistoryTable::Block *HistoryTable::loadBlock(int block, bool complete) const
{
    const size_t begin = size_t(block) * BlockRows;
    const size_t end = std::min(m_keys.size(), begin + BlockRows);
    auto loaded = std::make_unique<Block>();
    loaded->rows.resize(end - begin);
    loaded->complete = complete;
    auto take = [&](const Statement &s, size_t index) {
        Row &row = loaded->rows[index];
        if (!complete) {
            row.texts[int(HistoryField::mCutText)] = s.text(1);
            return;
        }
        for (int i = 0; i < 5; ++i)
            row.texts[i] = s.text(i + 1);
    };
    const qint64 low = m_keys[begin].key;
    const qint64 high = m_keys[end - 1].key;
    bool byRange = high - low < DenseSpread * BlockRows;
    if (byRange) {
        // Walk the key range once; records outside the view are passed over.
        Statement &range = complete ? m_statements->range : m_statements->rangeCut;
        Resetting done(range);
        range.bind(1, low);
        range.bind(2, high);
        size_t index = 0;
        try {
            while (index < end - begin && range.step()) {
                const qint64 key = range.int64(0);
                while (index < end - begin && m_keys[begin + index].key < key)
                    ++index; // deleted since the snapshot was taken: reads empty
                if (index < end - begin && m_keys[begin + index].key == key)
                    take(range, index++);
            }
        } catch (const EDatabaseError &error) {
            if (!error.damaged())
                throw;
            byRange = false; // the records one by one, past the damaged pages
        }
    }
    if (!byRange) {
        Statement &point = complete ? m_statements->point : m_statements->pointCut;
        for (size_t index = 0; index < end - begin; ++index) {
            Resetting done(point);
            point.bind(1, m_keys[begin + index].key);
            try {
                if (point.step())
                    take(point, index);
            } catch (const EDatabaseError &error) {
                if (!error.damaged())
                    throw;
                loaded->rows[index].unreadable = true;
                noteDamage();
            }
        }
    }
    Block *b = loaded.release();
    m_blocks.insert(block, b);
    return b;
}

bool HistoryTable::readRecords(const std::vector<Bookmark> &keys,
                               const std::function<bool(const HistoryRecord &)> &take,
                               const std::function<bool(qint64 done)> &between) const
{
    checkActive();
    const QString fields = QStringLiteral("SELECT rowid, mDate, mTime, mSender, mReceiver, "
                                          "mCutText, mFullText, mIncoming FROM mHistory ");
    sqlite3 *db = m_connection.handle();
    Statement range(db, fields + QStringLiteral("WHERE rowid BETWEEN ?1 AND ?2"));
    Statement point(db, fields + QStringLiteral("WHERE rowid = ?1"));
    HistoryRecord record;
    const auto read = [&record](const Statement &s) {
        record.mDate = s.text(1);
        record.mTime = s.text(2);
        record.mSender = s.text(3);
        record.mReceiver = s.text(4);
        record.mCutText = s.text(5);
        record.mFullText = s.text(6);
        record.mIncoming = qint32(s.int64(7));
    };
    for (size_t begin = 0; begin < keys.size(); begin += ScanRows) {
        const size_t end = std::min(keys.size(), begin + ScanRows);
        const qint64 low = keys[begin];
        const qint64 high = keys[end - 1];
        if (high - low < DenseSpread * qint64(end - begin)) {
            Resetting done(range);
            range.bind(1, low);
            range.bind(2, high);
            size_t index = begin;
            while (index < end && range.step()) {
                const qint64 key = range.int64(0);
                while (index < end && keys[index] < key)
                    ++index;
                if (index < end && keys[index] == key) {
                    read(range);
                    if (!take(record))
                        return false;
                }
            }
        } else {
            for (size_t index = begin; index < end; ++index) {
                Resetting done(point);
                point.bind(1, keys[index]);
                if (point.step()) {
                    read(point);
                    if (!take(record))
                        return false;
                }
            }
        }
        if (!between(qint64(end)))
            return false;
    }
    return true;
}
