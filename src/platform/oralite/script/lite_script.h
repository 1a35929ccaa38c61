// The script loader behind `oralite run`: splits SQL*Plus-style scripts into units and runs
// them on a session. Units end at ';' outside literals and comments or at a line holding only
// '/'; PL/SQL units (BEGIN, DECLARE, CREATE PROCEDURE/FUNCTION/PACKAGE/TRIGGER/TYPE) end only at
// '/'. Client commands (REM, PROMPT, SET, SPOOL, ...) are recognised at the start of a unit.
// Anonymous blocks are run statement by statement: DML, SELECT ... INTO, assignments of simple
// variables, COMMIT/ROLLBACK, NULL and EXECUTE IMMEDIATE of a literal; anything else fails with
// ORA-06550.
//
// A failing unit is handled as SQL*Plus handles it: with an error handler the failure is
// reported and the script goes on, unless WHENEVER SQLERROR EXIT is in force, which stops it
// (after the COMMIT or ROLLBACK it names, ROLLBACK by default) with the status it names.
// Without a handler the first failure is raised, for callers that load fixtures.
//
// Thread-safety: a runner uses one session on one thread; the splitter is pure.
#ifndef TW_PLATFORM_ORALITE_LITE_SCRIPT_H
#define TW_PLATFORM_ORALITE_LITE_SCRIPT_H

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "lite_engine.h"

struct lite_script_unit {
    enum kind_t { sql, plsql, client };
    kind_t kind = sql;
    std::string text;  // without its terminator
    int line = 1;      // 1-based line of the unit's first character
};

// Splits a script; never fails (an unterminated unit at the end is returned as it is).
std::vector<lite_script_unit> lite_split_script(std::string_view script);

// An error that stopped a script: where, and the Oracle error.
class lite_script_error : public lite_error {
public:
    lite_script_error(const std::string& file, int line, const lite_error& e)
        : lite_error(e.code(), e.text()), file_(file), line_(line) {}
    const std::string& file() const noexcept { return file_; }
    int line() const noexcept { return line_; }

private:
    std::string file_;
    int line_;
};

class lite_script_runner {
public:
    // Warnings go to `warn` as "FILE:LINE: text"; failures to `on_error` (see above).
    lite_script_runner(lite_session& session, std::function<void(const std::string&)> warn,
                       std::function<void(const lite_script_error&)> on_error = nullptr);
    // Runs a whole script. Returns false when the script stopped: EXIT, or a failure under
    // WHENEVER SQLERROR EXIT. Without an error handler, raises lite_script_error at the first
    // failing unit.
    bool run(std::string_view script, const std::string& file_name);
    // Runs one anonymous block; raises lite_error.
    void run_block(const std::string& text);

    // Units that failed so far.
    int failures() const noexcept { return failures_; }
    // The status the script asked to exit with (EXIT n, WHENEVER SQLERROR EXIT n), or -1.
    int exit_status() const noexcept { return exit_status_; }

private:
    void warn(const std::string& file, int line, const std::string& text);
    // EXIT's and WHENEVER's words after the keyword: the status and the closing action.
    void exit_with(const std::vector<std::string>& words, size_t from, int sqlcode, bool commit);

    lite_session& s_;
    std::function<void(const std::string&)> warn_;
    std::function<void(const lite_script_error&)> on_error_;
    int failures_ = 0;
    int exit_status_ = -1;
    // WHENEVER SQLERROR EXIT in force: the words after EXIT.
    bool exit_on_error_ = false;
    std::vector<std::string> exit_words_;
};

#endif
