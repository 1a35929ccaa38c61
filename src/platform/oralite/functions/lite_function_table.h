// The SQL functions the embedded engine knows, one signature per function: its Oracle name,
// the name the SQLite text calls, the argument counts it takes, the rule for the type of its
// result and its implementation. Registration on a connection, the translator's checks of
// names and argument counts, and the describe of expression columns all read this one table.
//
// Errors raised inside an implementation reach the statement as numbers: an implementation
// calls lite_function_fail, which keeps the Oracle error for the thread that runs the step,
// and the statement takes it from there with lite_take_function_error.
//
// Thread-safety: the table is constant; registration acts on one connection; the pending error
// is per thread (a statement steps on one thread).
#ifndef TW_PLATFORM_ORALITE_LITE_FUNCTION_TABLE_H
#define TW_PLATFORM_ORALITE_LITE_FUNCTION_TABLE_H

#include <optional>
#include <string>
#include <string_view>

#include "lite_engine.h"

struct sqlite3_context;
struct sqlite3_value;
class lite_session;

// How the type of a call's result follows from its arguments.
enum class lite_result_rule {
    number,
    varchar2,   // text up to 4000 bytes
    long_text,  // text that may pass 4000 bytes (RPAD, LISTAGG, ...): a CLOB when described
    date,
    timestamp,
    timestamp_tz,
    clob,
    blob,
    raw,
    arg0,         // the type of the first argument (MIN, MAX, ROUND of a date, ...)
    first_known,  // the first argument whose type is known (NVL, COALESCE, GREATEST)
    decode,       // the type of the first result argument
    nvl2,         // the type of the second argument
};

using lite_sqlite_function = void (*)(sqlite3_context*, int, sqlite3_value**);
using lite_sqlite_final = void (*)(sqlite3_context*);

struct lite_function_sig {
    const char* name;         // Oracle's name, dotted for a package's function
    const char* sqlite_name;  // what the SQLite text calls
    int min_args, max_args;   // max_args -1: any number from min_args on
    lite_result_rule result;
    lite_sqlite_function scalar;        // scalar or aggregate step; null: SQLite's own function
    lite_sqlite_final final = nullptr;  // aggregates
    lite_sqlite_final value = nullptr;  // aggregates usable over a window
    lite_sqlite_function inverse = nullptr;
    int variant = 0;  // handed to the implementation (lite_function_variant)
    unsigned flags = 0;
};

inline constexpr unsigned k_fn_aggregate = 1;  // an aggregate (also analytic with OVER)
inline constexpr unsigned k_fn_volatile = 2;   // not deterministic (SYSDATE, NEXTVAL)
inline constexpr unsigned k_fn_session = 4;    // gets the session as its user data
inline constexpr unsigned k_fn_analytic = 8;   // only with OVER (ROW_NUMBER, RANK, LAG, ...)
inline constexpr unsigned k_fn_internal = 16;  // the translator's own helper, not Oracle's

// The signature of an Oracle function by its name (upper-case, dotted for packages); null
// when the engine does not know it.
const lite_function_sig* lite_find_function(std::string_view oracle_name);
// The signature of a function by the name the SQLite text calls it.
const lite_function_sig* lite_find_sqlite_function(std::string_view sqlite_name);

// Registers every implemented function of the table on db.
void lite_register_functions(sqlite3* db, lite_session* session);

// The entry's variant inside an implementation.
int lite_function_variant(sqlite3_context* ctx);
// Fails the current call with an Oracle error, kept for lite_take_function_error.
void lite_function_fail(sqlite3_context* ctx, int ora_code, const std::string& text);
// The Oracle error the last failing function raised on this thread, once; nullopt when none.
std::optional<lite_error> lite_take_function_error();
// Forgets a pending function error (before a statement steps).
void lite_clear_function_error();

#endif
