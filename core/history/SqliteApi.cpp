#include "SqliteApi.h"

#include "HistoryDatabase.h"
#include "LibraryFunctions.h"

namespace
{

struct LoadedSqlite {
    SqliteApi api;
    QString error;

    LoadedSqlite()
    {
        QLibrary library(QStringLiteral("sqlite3"), 0);
        const auto take = [&library](auto &function, const char *name) {
            return TakeFunction(library, function, name);
        };
        SqliteApi &a = api;
        if (!(take(a.open_v2, "sqlite3_open_v2") && take(a.close, "sqlite3_close") &&
              take(a.exec, "sqlite3_exec") && take(a.free, "sqlite3_free") &&
              take(a.errmsg, "sqlite3_errmsg") && take(a.errcode, "sqlite3_errcode") &&
              take(a.errstr, "sqlite3_errstr") && take(a.busy_timeout, "sqlite3_busy_timeout") &&
              take(a.prepare_v2, "sqlite3_prepare_v2") && take(a.finalize, "sqlite3_finalize") &&
              take(a.step, "sqlite3_step") && take(a.reset, "sqlite3_reset") &&
              take(a.clear_bindings, "sqlite3_clear_bindings") &&
              take(a.bind_int64, "sqlite3_bind_int64") && take(a.bind_text, "sqlite3_bind_text") &&
              take(a.column_int64, "sqlite3_column_int64") &&
              take(a.column_text, "sqlite3_column_text") &&
              take(a.column_bytes, "sqlite3_column_bytes") &&
              take(a.last_insert_rowid, "sqlite3_last_insert_rowid")))
            error = library.errorString();
    }
};

} // namespace

const SqliteApi &Sqlite()
{
    static const LoadedSqlite loaded;
    if (!loaded.error.isEmpty())
        throw EDatabaseError(loaded.error);
    return loaded.api;
}
