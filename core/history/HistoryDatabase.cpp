#include "HistoryDatabase.h"
#include "SqliteApi.h"

#include <QFile>

#include <algorithm>

namespace
{

const QString ClosedDataset = QStringLiteral("Cannot perform this operation on a closed dataset");
const QString EmptyDataset = QStringLiteral("Cannot perform this operation on an empty dataset");
const QString RecordNotFound = QStringLiteral("Record not found");
// Rows read together for the views: one screen and a little more.
constexpr int BlockRows = 128;
// Records a scan reads with one statement.
constexpr int ScanRows = 1024;
// Blocks kept in memory.
constexpr int CachedBlocks = 64;
// A block whose keys spread wider than this many times its size is read record by record.
constexpr qint64 DenseSpread = 4;

QString engineMessage(sqlite3 *db)
{
    return db ? QString::fromUtf8(Sqlite().errmsg(db)) : QStringLiteral("out of memory");
}

[[noreturn]] void raise(sqlite3 *db)
{
    throw EDatabaseError(engineMessage(db), db ? Sqlite().errcode(db) : SQLITE_NOMEM);
}

// One prepared statement.
class Statement
{
public:
    Statement() = default;
    Statement(sqlite3 *db, const QString &sql) : m_db(db)
    {
        const QByteArray text = sql.toUtf8();
        if (Sqlite().prepare_v2(db, text.constData(), int(text.size()), &m_stmt, nullptr) !=
            SQLITE_OK)
            raise(db);
    }
    ~Statement()
    {
        if (m_stmt)
            Sqlite().finalize(m_stmt);
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    Statement(Statement &&other) noexcept : m_db(other.m_db), m_stmt(other.m_stmt)
    {
        other.m_stmt = nullptr;
    }
    Statement &operator=(Statement &&other) noexcept
    {
        std::swap(m_db, other.m_db);
        std::swap(m_stmt, other.m_stmt);
        return *this;
    }

    bool isValid() const { return m_stmt != nullptr; }

    void bind(int index, qint64 value)
    {
        if (Sqlite().bind_int64(m_stmt, index, value) != SQLITE_OK)
            raise(m_db);
    }
    void bind(int index, const QString &value)
    {
        const QByteArray text = value.toUtf8();
        if (Sqlite().bind_text(m_stmt, index, text.constData(), int(text.size()),
                               SQLITE_TRANSIENT) != SQLITE_OK)
            raise(m_db);
    }
    // True while a row is there; throws the engine's error.
    bool step()
    {
        const int rc = Sqlite().step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        const QString message = engineMessage(m_db);
        Sqlite().reset(m_stmt);
        throw EDatabaseError(message, rc);
    }
    void reset()
    {
        Sqlite().reset(m_stmt);
        Sqlite().clear_bindings(m_stmt);
    }
    qint64 int64(int column) const { return Sqlite().column_int64(m_stmt, column); }
    // The column's UTF-8 bytes, valid until the next step.
    QByteArrayView bytes(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(Sqlite().column_text(m_stmt, column));
        return QByteArrayView(data, Sqlite().column_bytes(m_stmt, column));
    }
    QString text(int column) const { return QString::fromUtf8(bytes(column)); }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};

// Resets a statement when the scope ends, however it ends.
class Resetting
{
public:
    explicit Resetting(Statement &s) : m_s(s) {}
    ~Resetting() { m_s.reset(); }
    Resetting(const Resetting &) = delete;
    Resetting &operator=(const Resetting &) = delete;

private:
    Statement &m_s;
};

const char *const SchemaSql = "CREATE TABLE mHistory ("
                              "mDate VARCHAR(10), "
                              "mTime VARCHAR(8), "
                              "mSender VARCHAR(50), "
                              "mReceiver VARCHAR(50), "
                              "mCutText VARCHAR(200), "
                              "mFullText TEXT, "
                              "mIncoming INTEGER);"
                              "CREATE INDEX mHistory_mIncoming ON mHistory (mIncoming);";

const QString InsertSql = QStringLiteral(
    "INSERT INTO mHistory (mDate, mTime, mSender, mReceiver, mCutText, mFullText, mIncoming) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");

void bindRecord(Statement &insert, const HistoryRecord &r)
{
    insert.bind(1, r.mDate);
    insert.bind(2, r.mTime);
    insert.bind(3, r.mSender);
    insert.bind(4, r.mReceiver);
    insert.bind(5, r.mCutText);
    insert.bind(6, r.mFullText);
    insert.bind(7, qint64(r.mIncoming));
}

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

// The fields a Row holds; mFullText is read alone and mIncoming comes with the keys.
bool heldInRows(HistoryField field)
{
    return field != HistoryField::mFullText && field != HistoryField::mIncoming;
}

// The statement telling whether a filter admits one record, bound to its key; none for no filter.
Statement filterMatch(sqlite3 *db, const QString &filter)
{
    if (filter.isEmpty())
        return Statement();
    return Statement(db, QStringLiteral("SELECT 1 FROM mHistory WHERE rowid = ?1 AND (") + filter +
                             QStringLiteral(")"));
}

bool admitsRecord(Statement &match, qint64 key)
{
    if (!match.isValid())
        return true;
    Resetting done(match);
    match.bind(1, key);
    return match.step();
}

} // namespace

EDatabaseError::EDatabaseError(QString message, int code)
    : AppError(std::move(message)), m_code(code)
{
}

bool EDatabaseError::damaged() const
{
    const int primary = m_code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

void CreateHistoryTemplate(const QString &path)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    const QByteArray file = path.toUtf8();
    if (Sqlite().open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                         nullptr) != SQLITE_OK) {
        const QString message = engineMessage(db);
        Sqlite().close(db);
        throw EDatabaseError(message);
    }
    char *error = nullptr;
    if (Sqlite().exec(db, SchemaSql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error);
        Sqlite().free(error);
        Sqlite().close(db);
        QFile::remove(path);
        throw EDatabaseError(message);
    }
    Sqlite().close(db);
}

void CheckDatabaseFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError(QString::fromUtf8(Sqlite().errstr(SQLITE_CANTOPEN)));
    // The 100-byte header: the format's name, and the payload fractions every database has.
    static constexpr char Magic[] = "SQLite format 3";
    const QByteArray head = file.read(100);
    if (!head.isEmpty() &&
        (head.size() < 100 || !head.startsWith(QByteArray(Magic, sizeof Magic)) ||
         head.mid(21, 3) != QByteArray("\x40\x20\x20")))
        throw EDatabaseError(QString::fromUtf8(Sqlite().errstr(SQLITE_NOTADB)));
}

// HistoryConnection

HistoryConnection::HistoryConnection(QObject *parent) : QObject(parent) {}

HistoryConnection::~HistoryConnection()
{
    close();
}

void HistoryConnection::setDatabasePath(const QString &path)
{
    close();
    m_path = path;
}

void HistoryConnection::open(Access access)
{
    if (isOpen())
        return;
    // An empty name would make the engine open a private temporary database.
    if (m_path.isEmpty())
        throw EDatabaseError(QString::fromUtf8(Sqlite().errstr(SQLITE_CANTOPEN)));
    const int flags = access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    sqlite3 *db = nullptr;
    const QByteArray file = m_path.toUtf8();
    int rc = Sqlite().open_v2(file.constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK) {
        Sqlite().busy_timeout(db, 5000);
        // The engine reads the file lazily: read its header now, so a file that is not a
        // database fails here, untouched.
        rc = Sqlite().exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString message = engineMessage(db);
        Sqlite().close(db);
        throw EDatabaseError(message);
    }
    if (access == Access::ReadWrite) {
        // Each commit is synced into the database file itself before it returns, and the
        // rollback journal is gone afterwards: the file alone holds every stored record, so a
        // copy of it taken at any time is whole. A file left in write-ahead mode by an older
        // run is checkpointed and turned back here.
        Sqlite().exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
        Sqlite().exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    m_db = db;
    m_readOnly = access == Access::ReadOnly;
}

void HistoryConnection::close()
{
    if (!m_db)
        return;
    Q_EMIT aboutToClose();
    Sqlite().close(m_db);
    m_db = nullptr;
    m_readOnly = false;
}

void HistoryConnection::exec(const QString &sql)
{
    if (!m_db)
        throw EDatabaseError(QString::fromUtf8(Sqlite().errstr(SQLITE_MISUSE)));
    char *error = nullptr;
    if (Sqlite().exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error);
        Sqlite().free(error);
        throw EDatabaseError(message);
    }
}

void HistoryConnection::appendRecords(const std::vector<HistoryRecord> &records)
{
    exec(QStringLiteral("BEGIN"));
    try {
        Statement insert(m_db, InsertSql);
        for (const HistoryRecord &r : records) {
            bindRecord(insert, r);
            insert.step();
            insert.reset();
        }
    } catch (...) {
        Sqlite().exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    exec(QStringLiteral("COMMIT"));
}

// HistoryTable

struct HistoryTable::Statements {
    Statement range;        // the text fields before mFullText of the records with keys in a range
    Statement point;        // the same of one record
    Statement rangeCut;     // mCutText alone, of the records with keys in a range
    Statement pointCut;     // the same of one record
    Statement rangeCutDown; // the same as rangeCut, highest key first
    Statement fullText;     // mFullText of one record
    Statement insert;
    Statement remove;
    Statement admits; // filterMatch of the filter in force
};

struct HistoryTable::View {
    std::vector<Entry> keys;
    Statement admits; // filterMatch of the view's filter
};

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

void HistoryTable::checkActive() const
{
    if (!m_active)
        throw EDatabaseError(ClosedDataset);
}

int HistoryTable::recordCount() const
{
    checkActive();
    return int(m_keys.size());
}

int HistoryTable::recNo() const
{
    return m_position;
}

bool HistoryTable::eof() const
{
    checkActive();
    return m_eof;
}

bool HistoryTable::bof() const
{
    checkActive();
    return m_bof;
}

void HistoryTable::first()
{
    checkActive();
    m_position = m_keys.empty() ? -1 : 0;
    m_eof = m_bof = m_keys.empty();
    announceCurrent();
}

void HistoryTable::last()
{
    checkActive();
    m_position = int(m_keys.size()) - 1;
    m_eof = m_bof = m_keys.empty();
    announceCurrent();
}

void HistoryTable::next()
{
    checkActive();
    if (m_position + 1 < int(m_keys.size())) {
        ++m_position;
        m_eof = m_bof = false;
        announceCurrent();
    } else {
        m_eof = true;
    }
}

void HistoryTable::prior()
{
    checkActive();
    if (m_position > 0) {
        --m_position;
        m_eof = m_bof = false;
        announceCurrent();
    } else {
        m_bof = true;
    }
}

void HistoryTable::moveTo(int position)
{
    checkActive();
    if (position < 0 || position >= int(m_keys.size()))
        throw EDatabaseError(RecordNotFound);
    const bool moved = position != m_position;
    m_position = position;
    m_eof = m_bof = false;
    if (moved)
        announceCurrent();
}

QString HistoryTable::fieldText(HistoryField field) const
{
    checkActive();
    if (m_position < 0)
        return QString();
    if (!heldInRows(field))
        return textOutsideRows(m_position, field);
    const Row *row = rowAt(m_position, field != HistoryField::mCutText, true);
    return row ? row->texts[int(field)] : QString();
}

qint32 HistoryTable::fieldInt(HistoryField field) const
{
    if (field == HistoryField::mIncoming) {
        checkActive();
        return m_position < 0 ? 0 : m_keys[size_t(m_position)].incoming;
    }
    return fieldText(field).toInt();
}

bool HistoryTable::scanCutText(bool down, const std::function<bool(QByteArrayView)> &accept)
{
    checkActive();
    const int count = int(m_keys.size());
    const int step = down ? 1 : -1;
    int position = m_position + step;
    while (position >= 0 && position < count) {
        // The next run of positions, read with one statement: a range of neighbouring keys
        // walked in the scan's direction, or record by record when the keys lie far apart.
        const int last = down ? std::min(count - 1, position + ScanRows - 1)
                              : std::max(0, position - ScanRows + 1);
        const qint64 low = m_keys[size_t(std::min(position, last))].key;
        const qint64 high = m_keys[size_t(std::max(position, last))].key;
        const int runLength = std::abs(last - position) + 1;
        const int runStart = position;
        bool byRange = high - low < DenseSpread * runLength;
        if (byRange) {
            Statement &range = down ? m_statements->rangeCut : m_statements->rangeCutDown;
            Resetting done(range);
            range.bind(1, low);
            range.bind(2, high);
            try {
                while (range.step()) {
                    const qint64 key = range.int64(0);
                    // Records deleted since the snapshot was taken are passed over.
                    while (position != last + step && (down ? m_keys[size_t(position)].key < key
                                                            : m_keys[size_t(position)].key > key))
                        position += step;
                    if (position == last + step)
                        break;
                    if (m_keys[size_t(position)].key == key && accept(range.bytes(1))) {
                        moveTo(position);
                        return true;
                    }
                }
            } catch (const EDatabaseError &error) {
                if (!error.damaged())
                    throw;
                byRange = false; // this run again, record by record, past the damaged pages
                position = runStart;
            }
        }
        if (!byRange) {
            Statement &point = m_statements->pointCut;
            for (; position != last + step; position += step) {
                Resetting done(point);
                point.bind(1, m_keys[size_t(position)].key);
                try {
                    if (point.step() && accept(point.bytes(1))) {
                        moveTo(position);
                        return true;
                    }
                } catch (const EDatabaseError &error) {
                    if (!error.damaged())
                        throw;
                    noteDamage(); // an unreadable record holds nothing to find
                }
            }
        }
        position = last + step;
    }
    if (count == 0)
        m_eof = m_bof = true;
    else if (down)
        m_eof = true;
    else
        m_bof = true;
    return false;
}

HistoryTable::Bookmark HistoryTable::bookmark() const
{
    checkActive();
    return m_position < 0 ? NoBookmark : m_keys[size_t(m_position)].key;
}

bool HistoryTable::bookmarkValid(Bookmark bookmark) const
{
    return m_active && positionOf(bookmark) >= 0;
}

void HistoryTable::gotoBookmark(Bookmark bookmark)
{
    checkActive();
    const int position = positionOf(bookmark);
    if (position < 0)
        throw EDatabaseError(RecordNotFound);
    moveTo(position);
}

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

std::vector<HistoryTable::Bookmark> HistoryTable::keys() const
{
    checkActive();
    std::vector<Bookmark> keys;
    keys.reserve(m_keys.size());
    for (const Entry &e : m_keys)
        keys.push_back(e.key);
    return keys;
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

void HistoryTable::disableControls()
{
    ++m_disabled;
}

void HistoryTable::enableControls()
{
    if (m_disabled > 0 && --m_disabled == 0)
        announceCurrent();
}

void HistoryTable::announceCurrent()
{
    if (m_disabled == 0)
        Q_EMIT currentChanged();
}

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
