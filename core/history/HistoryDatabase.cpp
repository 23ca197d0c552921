#include "HistoryDatabase.h"
#include "HistorySql.h"

#include <QFile>

using namespace historysql;

namespace
{

const char *const SchemaSql = "CREATE TABLE mHistory ("
                              "mDate VARCHAR(10), "
                              "mTime VARCHAR(8), "
                              "mSender VARCHAR(50), "
                              "mReceiver VARCHAR(50), "
                              "mCutText VARCHAR(200), "
                              "mFullText TEXT, "
                              "mIncoming INTEGER);"
                              "CREATE INDEX mHistory_mIncoming ON mHistory (mIncoming);";

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
