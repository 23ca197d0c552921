#pragma once

#include <sqlite3.h>

// The database engine's functions, taken from its library at their first use rather than at
// start-up: a run that stores no message and shows no history never loads the engine.
struct SqliteApi {
    decltype(&sqlite3_open_v2) open_v2 = nullptr;
    decltype(&sqlite3_close) close = nullptr;
    decltype(&sqlite3_exec) exec = nullptr;
    decltype(&sqlite3_free) free = nullptr;
    decltype(&sqlite3_errmsg) errmsg = nullptr;
    decltype(&sqlite3_errcode) errcode = nullptr;
    decltype(&sqlite3_errstr) errstr = nullptr;
    decltype(&sqlite3_busy_timeout) busy_timeout = nullptr;
    decltype(&sqlite3_prepare_v2) prepare_v2 = nullptr;
    decltype(&sqlite3_finalize) finalize = nullptr;
    decltype(&sqlite3_step) step = nullptr;
    decltype(&sqlite3_reset) reset = nullptr;
    decltype(&sqlite3_clear_bindings) clear_bindings = nullptr;
    decltype(&sqlite3_bind_int64) bind_int64 = nullptr;
    decltype(&sqlite3_bind_text) bind_text = nullptr;
    decltype(&sqlite3_column_int64) column_int64 = nullptr;
    decltype(&sqlite3_column_text) column_text = nullptr;
    decltype(&sqlite3_column_bytes) column_bytes = nullptr;
    decltype(&sqlite3_last_insert_rowid) last_insert_rowid = nullptr;
};

// The engine's functions, the library loaded at the first call; throws EDatabaseError when
// it cannot be loaded.
const SqliteApi &Sqlite();
