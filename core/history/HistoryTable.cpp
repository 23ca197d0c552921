#include "HistoryDatabase.h"
#include "HistorySql.h"

#include <algorithm>

// The history table: opening and closing, the filters and the snapshots of keys under them.

using namespace historysql;

namespace
{

// Sorts entries by key; they come as a few ascending runs (one per direction value), which are
// merged.
template <typename Entry> void sortKeys(std::vector<Entry> &keys)
{
    const auto byKey = [](const Entry &a, const Entry &b) { return a.key < b.key; };
    std::vector<size_t> starts{0};
    for (size_t i = 1; i < keys.size(); ++i) {
        if (keys[i].key < keys[i - 1].key)
            starts.push_back(i);
    }
    if (starts.size() > 16) {
        std::sort(keys.begin(), keys.end(), byKey);
        return;
    }
    starts.push_back(keys.size());
    while (starts.size() > 2) {
        std::vector<size_t> merged{0};
        for (size_t i = 0; i + 2 < starts.size(); i += 2) {
            std::inplace_merge(keys.begin() + qsizetype(starts[i]),
                               keys.begin() + qsizetype(starts[i + 1]),
                               keys.begin() + qsizetype(starts[i + 2]), byKey);
            merged.push_back(starts[i + 2]);
        }
        if (starts.size() % 2 == 0)
            merged.push_back(starts.back());
        starts = std::move(merged);
    }
}

} // namespace

HistoryTable::HistoryTable(HistoryConnection &connection, QObject *parent)
    : QObject(parent), m_connection(connection), m_blocks(CachedBlocks)
{
    connect(&m_connection, &HistoryConnection::aboutToClose, this, &HistoryTable::close);
}

HistoryTable::~HistoryTable() = default;

void HistoryTable::open()
{
    if (m_active)
        return;
    sqlite3 *db = m_connection.handle();
    if (!db)
        throw EDatabaseError(ClosedDataset);
    const QString fields =
        QStringLiteral("SELECT rowid, mDate, mTime, mSender, mReceiver, mCutText FROM mHistory ");
    auto statements = std::make_unique<Statements>();
    statements->range = Statement(db, fields + QStringLiteral("WHERE rowid BETWEEN ?1 AND ?2"));
    statements->point = Statement(db, fields + QStringLiteral("WHERE rowid = ?1"));
    const QString cut = QStringLiteral("SELECT rowid, mCutText FROM mHistory ");
    statements->rangeCut = Statement(db, cut + QStringLiteral("WHERE rowid BETWEEN ?1 AND ?2"));
    statements->pointCut = Statement(db, cut + QStringLiteral("WHERE rowid = ?1"));
    statements->rangeCutDown =
        Statement(db, cut + QStringLiteral("WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid DESC"));
    statements->fullText =
        Statement(db, QStringLiteral("SELECT mFullText FROM mHistory WHERE rowid = ?1"));
    statements->insert = Statement(db, InsertSql);
    statements->remove = Statement(db, QStringLiteral("DELETE FROM mHistory WHERE rowid = ?1"));
    Q_EMIT aboutToReset();
    m_statements = std::move(statements);
    m_active = true;
    m_keysLoaded = false;
    reloadView();
}

void HistoryTable::reloadView()
{
    // Views are told before and after; a failed load leaves the table closed.
    try {
        useView(effectiveFilter());
    } catch (...) {
        shut();
        Q_EMIT reset();
        announceCurrent();
        throw;
    }
    Q_EMIT reset();
    announceCurrent();
}

void HistoryTable::close()
{
    if (!m_active)
        return;
    Q_EMIT aboutToReset();
    shut();
    Q_EMIT reset();
    announceCurrent();
}

void HistoryTable::shut()
{
    m_salvaged = false;
    m_salvageQueued = false;
    m_statements.reset();
    m_keys.clear();
    m_keys.shrink_to_fit();
    m_keysLoaded = false;
    m_otherViews.clear();
    m_blocks.clear();
    m_active = false;
    m_position = -1;
    m_eof = m_bof = true;
}

void HistoryTable::setFilter(bool filtered, const QString &text)
{
    m_filtered = filtered;
    m_filterText = text;
    if (!m_active)
        return;
    Q_EMIT aboutToReset();
    reloadView();
}

QString HistoryTable::effectiveFilter() const
{
    return m_filtered ? m_filterText : QString();
}

void HistoryTable::useView(const QString &filter)
{
    m_blocks.clear();
    if (!m_keysLoaded || filter != m_keysFilter) {
        View view;
        const auto cached = m_otherViews.find(filter);
        if (cached != m_otherViews.end()) {
            view = std::move(*cached->second);
            m_otherViews.erase(cached);
        } else {
            view.keys = loadKeys(filter);
            view.admits = filterMatch(m_connection.handle(), filter);
        }
        if (m_keysLoaded)
            m_otherViews[m_keysFilter] =
                std::make_unique<View>(View{std::move(m_keys), std::move(m_statements->admits)});
        m_keys = std::move(view.keys);
        m_statements->admits = std::move(view.admits);
        m_keysFilter = filter;
        m_keysLoaded = true;
    }
    m_position = m_keys.empty() ? -1 : 0;
    m_eof = m_bof = m_keys.empty();
}

std::vector<HistoryTable::Entry> HistoryTable::loadKeys(const QString &filter) const
{
    if (!m_salvaged) {
        try {
            bool complete = true;
            return candidateKeys(filter, complete, false);
        } catch (const EDatabaseError &error) {
            if (!error.damaged())
                throw;
            noteDamage();
        }
    }
    bool complete = true;
    return readableKeys(candidateKeys(filter, complete, true), filter);
}

std::vector<HistoryTable::Entry> HistoryTable::candidateKeys(const QString &filter, bool &complete,
                                                             bool pastDamage) const
{
    if (pastDamage) {
        try {
            return candidateKeys(filter, complete, false);
        } catch (const EDatabaseError &error) {
            if (!error.damaged())
                throw;
        }
        return walkRecordKeys(filter, complete);
    }
    std::vector<Entry> entries;
    QString sql = QStringLiteral("SELECT rowid, mIncoming FROM mHistory");
    if (!filter.isEmpty())
        sql += QStringLiteral(" WHERE ") + filter;
    // Without an order the engine walks the direction index, which holds every key and
    // direction: a few ascending runs, merged here, much less to read than the records.
    Statement keys(m_connection.handle(), sql);
    while (keys.step())
        entries.push_back({keys.int64(0), qint32(keys.int64(1))});
    sortKeys(entries);
    return entries;
}

std::vector<HistoryTable::Bookmark> HistoryTable::keys() const
{
    checkActive();
    std::vector<Bookmark> keys;
    keys.reserve(m_keys.size());
    for (const Entry &e : m_keys)
        keys.push_back(e.key);
    return keys;
}

bool HistoryTable::holdsExactly(const std::vector<Bookmark> &keys) const
{
    // The view's entries are in key order too.
    return keys.size() == m_keys.size() &&
           std::equal(keys.begin(), keys.end(), m_keys.begin(),
                      [](Bookmark key, const Entry &e) { return key == e.key; });
}

bool HistoryTable::holdsWholeTable() const
{
    checkActive();
    if (effectiveFilter().isEmpty())
        return true;
    // The engine counts through the direction index, far less to read than the records.
    Statement count(m_connection.handle(), QStringLiteral("SELECT count(*) FROM mHistory"));
    return count.step() && count.int64(0) == qint64(m_keys.size());
}
