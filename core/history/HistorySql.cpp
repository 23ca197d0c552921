#include "HistorySql.h"

namespace historysql
{

QString engineMessage(sqlite3 *db)
{
    return db ? QString::fromUtf8(Sqlite().errmsg(db)) : QStringLiteral("out of memory");
}

[[noreturn]] void raise(sqlite3 *db)
{
    throw EDatabaseError(engineMessage(db), db ? Sqlite().errcode(db) : SQLITE_NOMEM);
}

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

} // namespace historysql
