#include "HistoryFixture.h"

#include "HistoryDatabase.h"

#include <QStringList>

#include <sqlite3.h>

namespace historytest
{

namespace
{

QString columnText(sqlite3_stmt *stmt, int column)
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(stmt, column));
}

// Runs `sql` on the file read-only, handing each row to `row`.
template <typename Row> bool query(const QString &path, const char *sql, Row row)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    sqlite3_stmt *stmt = nullptr;
    bool ok = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK;
    int rc = SQLITE_DONE;
    while (ok && (rc = sqlite3_step(stmt)) == SQLITE_ROW)
        row(stmt);
    ok = ok && rc == SQLITE_DONE;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ok;
}

} // namespace

ProgramFolder::ProgramFolder()
{
    if (m_dir.isValid())
        CreateHistoryTemplate(templatePath());
}

bool ReadStoreFile(const QString &path, std::vector<HistoryRecord> &records)
{
    records.clear();
    return query(path,
                 "SELECT mDate, mTime, mSender, mReceiver, mCutText, mFullText, mIncoming "
                 "FROM mHistory ORDER BY rowid",
                 [&](sqlite3_stmt *stmt) {
                     HistoryRecord r;
                     r.mDate = columnText(stmt, 0);
                     r.mTime = columnText(stmt, 1);
                     r.mSender = columnText(stmt, 2);
                     r.mReceiver = columnText(stmt, 3);
                     r.mCutText = columnText(stmt, 4);
                     r.mFullText = columnText(stmt, 5);
                     r.mIncoming = sqlite3_column_int(stmt, 6);
                     records.push_back(r);
                 });
}

bool ReadColumns(const QString &path, QStringList &names, QStringList &types)
{
    names.clear();
    types.clear();
    return query(path, "PRAGMA table_info(mHistory)", [&](sqlite3_stmt *stmt) {
        names << columnText(stmt, 1);
        types << columnText(stmt, 2);
    });
}

} // namespace historytest
