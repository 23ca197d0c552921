#pragma once

#include "HistoryDatabase.h"
#include "SqliteApi.h"

#include <QString>

// The engine's statements as the history connection and table use them; shared by the files
// of the history store only.
namespace historysql
{

inline const QString ClosedDataset =
    QStringLiteral("Cannot perform this operation on a closed dataset");
inline const QString EmptyDataset =
    QStringLiteral("Cannot perform this operation on an empty dataset");
inline const QString RecordNotFound = QStringLiteral("Record not found");

// Rows read together for the views: one screen and a little more.
constexpr int BlockRows = 128;
// Records a scan reads with one statement.
constexpr int ScanRows = 1024;
// Blocks kept in memory.
constexpr int CachedBlocks = 64;
// A block whose keys spread wider than this many times its size is read record by record.
constexpr qint64 DenseSpread = 4;

QString engineMessage(sqlite3 *db);
[[noreturn]] void raise(sqlite3 *db);

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

inline const QString InsertSql = QStringLiteral(
    "INSERT INTO mHistory (mDate, mTime, mSender, mReceiver, mCutText, mFullText, mIncoming) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");

void bindRecord(Statement &insert, const HistoryRecord &r);

// The fields a Row holds; mFullText is read alone and mIncoming comes with the keys.
inline bool heldInRows(HistoryField field)
{
    return field != HistoryField::mFullText && field != HistoryField::mIncoming;
}

// The statement telling whether a filter admits one record, bound to its key; none for no filter.
Statement filterMatch(sqlite3 *db, const QString &filter);
bool admitsRecord(Statement &match, qint64 key);

} // namespace historysql

struct HistoryTable::Statements {
    using Statement = historysql::Statement;
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
    historysql::Statement admits; // filterMatch of the view's filter
};
