#include "HistoryDatabase.h"
#include "HistorySql.h"

#include <algorithm>

// The history table's writes: appending and deleting records, and the views kept up to date.

using namespace historysql;

void HistoryTable::append(const HistoryRecord &record)
{
    checkActive();
    sqlite3 *db = m_connection.handle();
    {
        Statement &insert = m_statements->insert;
        Resetting done(insert);
        bindRecord(insert, record);
        insert.step();
    }
    const Bookmark key = Sqlite().last_insert_rowid(db);
    const Entry entry{key, record.mIncoming};
    const auto after = [](Bookmark k, const Entry &e) { return k < e.key; };
    for (auto view = m_otherViews.begin(); view != m_otherViews.end();) {
        try {
            if (admitsRecord(view->second->admits, key)) {
                auto &keys = view->second->keys;
                keys.insert(std::upper_bound(keys.begin(), keys.end(), key, after), entry);
            }
            ++view;
        } catch (const EDatabaseError &) {
            view = m_otherViews.erase(view); // read again from the table when next used
        }
    }
    if (!admitsRecord(m_statements->admits, key))
        return;
    const auto at = std::upper_bound(m_keys.begin(), m_keys.end(), key, after);
    const int position = int(at - m_keys.begin());
    Q_EMIT aboutToInsert(position);
    m_keys.insert(at, entry);
    // A record added at the end changes only the last block read.
    if (position == int(m_keys.size()) - 1)
        m_blocks.remove(position / BlockRows);
    else
        m_blocks.clear();
    Q_EMIT inserted(position);
    m_position = position;
    m_eof = m_bof = false;
    announceCurrent();
}

void HistoryTable::deleteCurrent()
{
    checkActive();
    if (m_position < 0)
        throw EDatabaseError(EmptyDataset);
    const int position = m_position;
    {
        Statement &remove = m_statements->remove;
        Resetting done(remove);
        remove.bind(1, m_keys[size_t(position)].key);
        remove.step();
    }
    const Bookmark key = m_keys[size_t(position)].key;
    for (auto &view : m_otherViews) {
        auto &keys = view.second->keys;
        const auto at = std::lower_bound(keys.begin(), keys.end(), key,
                                         [](const Entry &e, Bookmark k) { return e.key < k; });
        if (at != keys.end() && at->key == key)
            keys.erase(at);
    }
    Q_EMIT aboutToRemove(position, position);
    m_keys.erase(m_keys.begin() + position);
    m_blocks.clear();
    m_position = std::min(position, int(m_keys.size()) - 1);
    m_eof = m_bof = m_keys.empty();
    Q_EMIT removed(position, position);
    announceCurrent();
}

void HistoryTable::deleteRecords(std::vector<Bookmark> keys)
{
    checkActive();
    if (!std::is_sorted(keys.begin(), keys.end()))
        std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    if (keys.empty())
        return;
    sqlite3 *db = m_connection.handle();
    m_connection.exec(QStringLiteral("BEGIN"));
    try {
        Statement &remove = m_statements->remove;
        for (const Bookmark key : keys) {
            Resetting done(remove);
            remove.bind(1, key);
            remove.step();
        }
        m_connection.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        Sqlite().exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    std::vector<int> positions;
    positions.reserve(keys.size());
    for (const Bookmark key : keys) {
        const int position = positionOf(key);
        if (position >= 0)
            positions.push_back(position);
    }
    dropPositions(positions, keys);
}

void HistoryTable::dropPositions(const std::vector<int> &positions,
                                 const std::vector<Bookmark> &keys)
{
    const auto deleted = [&keys](const Entry &e) {
        return std::binary_search(keys.begin(), keys.end(), e.key);
    };
    for (auto &view : m_otherViews) {
        auto &other = view.second->keys;
        other.erase(std::remove_if(other.begin(), other.end(), deleted), other.end());
    }
    if (positions.empty())
        return;
    // Runs of neighbouring positions leave the view one by one, from the last; many runs
    // are cheaper as one reset.
    std::vector<std::pair<int, int>> runs;
    for (const int position : positions) {
        if (!runs.empty() && runs.back().second + 1 == position)
            runs.back().second = position;
        else
            runs.emplace_back(position, position);
    }
    constexpr size_t MostRunsTold = 16;
    if (runs.size() > MostRunsTold) {
        Q_EMIT aboutToReset();
        m_keys.erase(std::remove_if(m_keys.begin(), m_keys.end(), deleted), m_keys.end());
        m_blocks.clear();
        Q_EMIT reset();
    } else {
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            Q_EMIT aboutToRemove(run->first, run->second);
            m_keys.erase(m_keys.begin() + run->first, m_keys.begin() + run->second + 1);
            m_blocks.clear();
            Q_EMIT removed(run->first, run->second);
        }
    }
    m_position = std::min(positions.front(), int(m_keys.size()) - 1);
    m_eof = m_bof = m_keys.empty();
    announceCurrent();
}
