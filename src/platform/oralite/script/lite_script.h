// The script loader behind `oralite run`: splits SQL*Plus-style scripts into units and runs
// them on a session. Units end at ';' outside literals and comments or at a line holding only
// '/'; PL/SQL units (BEGIN, DECLARE, CREATE PROCEDURE/FUNCTION/PACKAGE/TRIGGER/TYPE) end only at
// '/'. A line holding only '.' ends a unit without running it: a following '/' or RUN runs it.
// Client commands (REM, PROMPT, SET, SPOOL, ...) are recognised at the start of a unit, and a
// line that opens neither a command nor a statement is an unknown command (SP2-0734) on its own.
// A trailing '-' continues a client command, and the first line of a statement, on the next
// line. @file and START run another script from the working directory, @@file from the calling
// script's folder (".sql" added when the name has no extension).
// Anonymous blocks are run statement by statement: DML, SELECT ... INTO, assignments of simple
// variables, COMMIT/ROLLBACK, NULL and EXECUTE IMMEDIATE of a literal; anything else fails with
// ORA-06550.
//
// Scripts are read line by line and each unit runs as soon as it is complete, so a script of
// any size is loaded in the memory of its largest statement.
//
// A failing unit is handled as SQL*Plus handles it: with an error handler the failure is
// reported and the script goes on, unless WHENEVER SQLERROR EXIT is in force, which stops it
// (after the COMMIT or ROLLBACK it names, ROLLBACK by default) with the status it names; client
// errors (SP2-nnnn) are reported and counted but never stop a script.
// Without a handler the first failure is raised, for callers that load fixtures.
//
// Thread-safety: a runner uses one session on one thread; the splitter is pure.
#ifndef TW_PLATFORM_ORALITE_LITE_SCRIPT_H
#define TW_PLATFORM_ORALITE_LITE_SCRIPT_H

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lite_engine.h"

struct lite_script_unit {
    // unknown: a line that is neither a client command nor the start of a statement.
    enum kind_t { sql, plsql, client, unknown };
    kind_t kind = sql;
    std::string text;   // without its terminator
    int line = 1;       // 1-based line of the unit's first character
    bool held = false;  // ended by a '.' line: waits for '/' or RUN instead of running
};

// Splits a script fed line by line, keeping only the unit being read.
class lite_script_splitter {
public:
    // One line without its '\n' (a trailing '\r' is dropped); completed units go to `out`.
    void feed(std::string_view line, std::vector<lite_script_unit>& out);
    // The end of the script: an unterminated unit is returned as it is.
    void finish(std::vector<lite_script_unit>& out);

private:
    void emit(lite_script_unit::kind_t k, std::vector<lite_script_unit>& out, bool held = false);
    // Starts a unit at `rest` (whole or the rest after a ';'); false when the line is used up.
    bool start_unit(std::string& rest, std::vector<lite_script_unit>& out);

    enum { none, sql, plsql } mode_ = none;
    std::string buf_;
    int buf_line_ = 0;
    int line_no_ = 0;
    int start_line_ = 0;  // the line a unit starting now is reported at
    bool in_string_ = false, in_comment_ = false, in_quoted_ = false;
    char q_close_ = 0;  // inside q'X...X': the closing character X
    // A line continued by a trailing '-', waiting for the next one.
    std::string continued_;
    int continued_line_ = 0;
};

// Splits a whole script; never fails.
std::vector<lite_script_unit> lite_split_script(std::string_view script);

// An error that stopped a script: where, and the Oracle error.
class lite_script_error : public lite_error {
public:
    lite_script_error(const std::string& file, int line, const lite_error& e)
        : lite_error(e.code(), e.text()), file_(file), line_(line) {}
    // A client error: `code` is its SP2 number and `message` its whole text ("SP2-0734: ...").
    lite_script_error(const std::string& file, int line, int code, const std::string& message)
        : lite_error(code, message), file_(file), line_(line), client_message_(message) {}
    const char* what() const noexcept override {
        return client_message_.empty() ? lite_error::what() : client_message_.c_str();
    }
    const std::string& file() const noexcept { return file_; }
    int line() const noexcept { return line_; }
    // A client (SP2) error rather than a database one.
    bool client() const noexcept { return !client_message_.empty(); }

private:
    std::string file_;
    int line_;
    std::string client_message_;
};

class lite_script_runner {
public:
    // Warnings go to `warn` as "FILE:LINE: text"; failures to `on_error` (see above).
    lite_script_runner(lite_session& session, std::function<void(const std::string&)> warn,
                       std::function<void(const lite_script_error&)> on_error = nullptr);
    // Runs a whole script. Returns false when the script stopped: EXIT, or a failure under
    // WHENEVER SQLERROR EXIT. Without an error handler, raises lite_script_error at the first
    // failing unit. `file_name` names the script in errors and is where @@ looks.
    bool run(std::string_view script, const std::string& file_name);
    // The same, reading the script from a stream as it runs.
    bool run(std::istream& script, const std::string& file_name);
    // Runs one anonymous block; raises lite_error.
    void run_block(const std::string& text);

    // Units that failed so far.
    int failures() const noexcept { return failures_; }
    // The status the script asked to exit with (EXIT n, WHENEVER SQLERROR EXIT n), or -1.
    int exit_status() const noexcept { return exit_status_; }

private:
    // Runs one unit; false when the script must stop.
    bool run_unit(const lite_script_unit& u, const std::string& file);
    bool run_client(const lite_script_unit& u, const std::string& file);
    // @, @@ and START: runs the named script; false when it stopped the run.
    bool run_nested(const lite_script_unit& u, const std::string& file);
    // Reports a client error the way a failing unit is reported.
    void client_failure(const std::string& file, int line, int code, const std::string& text);
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
    // The unit a '.' line ended, run by the next '/' or RUN.
    std::optional<lite_script_unit> held_;
    int depth_ = 0;  // scripts open through @ and START
};

#endif
