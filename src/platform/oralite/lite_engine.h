// The embedded Oracle server: an instance directory of SQLite files that answers Oracle SQL.
//
// An instance is a directory holding "dictionary.db" (users, passwords, the banner and the
// Oracle data dictionary) and one "<USER>.db" per user (schema). A session opens the logged-on
// user's file as its main database, attaches every other schema under the user's name
// (so "HR"."EMPLOYEES" works from any session that was granted it; writable only where a change
// to its rows was granted), and the dictionary as "LITE$DICT". The dictionary views
// (USER_/ALL_/DBA_ TABLES, TAB_COLUMNS, COL_COMMENTS, TAB_COMMENTS, CONSTRAINTS, CONS_COLUMNS,
// INDEXES, IND_COLUMNS, VIEWS, SEQUENCES, TRIGGERS, OBJECTS, SYNONYMS, TAB_PRIVS, USERS,
// TS_QUOTAS, DBA_USERS, SYS.USER_VIEWS, v$version, DUAL) are per-session views; USER_* show the
// logged-on user's objects only, ALL_* those it may see, and DBA_* are there only for SYS,
// SYSTEM and holders of DBA, SELECT_CATALOG_ROLE or SELECT ANY DICTIONARY.
//
// Connect strings resolve to an instance directory:
// - an existing directory path is used as it is;
// - "//host[:port]/SERVICE" or a bare "SERVICE" names a sub-directory SERVICE of the directory
//   in the environment variable ORALITE_HOME, or, when that is unset, of the build's bundled
//   instance folder (lite_instance::default_home()). The service is matched as given, then
//   upper-cased, then lower-cased. Unknown: ORA-12154 (bare name) or ORA-12514 (//host/service).
//
// The Oracle SQL the engine understands is listed once, in samples/README.md; the translator
// (lite_internal.h) parses it into a tree and writes SQLite text from the tree.
//
// Storage: text types TEXT affinity; RAW/LONG RAW/BLOB as BLOB; NUMBER(p<=15[,s]) NUMERIC
// affinity; other NUMBER/FLOAT without affinity (exact integers as INTEGER, larger literals as
// their canonical text); DATE as 'YYYY-MM-DD HH:MM:SS', TIMESTAMP as 'YYYY-MM-DD
// HH:MM:SS.fffffffff' text. Foreign keys hold row by row within a schema (ORA-02291/02292,
// CASCADE, SET NULL); one to another schema is checked only when added or enabled (ORA-02298).
//
// Errors are `lite_error` (ORA number and text). Thread-safety: a lite_session and its statements
// belong to one thread at a time; distinct sessions may run on distinct threads. A query read
// ahead (set_read_ahead) is stepped by a thread of the engine's own, which shares the connection
// under SQLite's own lock and is stopped before the statement is run again, bound or freed.
#ifndef TW_PLATFORM_ORALITE_LITE_ENGINE_H
#define TW_PLATFORM_ORALITE_LITE_ENGINE_H

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lite_sqlite_stmt.h"

struct sqlite3;
struct sqlite3_stmt;
struct lite_query;
class lite_read_ahead;
class lite_session_schema;

// An Oracle error: its number and its text (without the "ORA-nnnnn: " prefix).
class lite_error : public std::runtime_error {
public:
    // Builds "ORA-%05d: text" as what().
    lite_error(int ora_code, const std::string& text);
    int code() const noexcept { return code_; }
    const std::string& text() const noexcept { return text_; }

private:
    int code_;
    std::string text_;
};

// Oracle type codes as a client's describe reports them.
enum lite_type_code : int {
    LITE_VARCHAR2 = 1,  // also NVARCHAR2 (charset form 2)
    LITE_NUMBER = 2,    // also FLOAT
    LITE_LONG = 8,
    LITE_DATE = 12,
    LITE_RAW = 23,
    LITE_LONG_RAW = 24,
    LITE_CHAR = 96,  // also NCHAR
    LITE_BINARY_FLOAT = 100,
    LITE_BINARY_DOUBLE = 101,
    LITE_ROWID = 104,
    LITE_NAMED = 108,  // XMLTYPE and other object types
    LITE_CLOB = 112,   // also NCLOB
    LITE_BLOB = 113,
    LITE_BFILE = 114,
    LITE_TIMESTAMP = 180,
    LITE_TIMESTAMP_TZ = 181,
    LITE_INTERVAL_YM = 182,
    LITE_INTERVAL_DS = 183,
    LITE_TIMESTAMP_LTZ = 231,
};

// One select-list item as Oracle describes it.
struct lite_column {
    std::string name;       // UTF-8; upper-cased unless quoted, expressions without blanks
    std::string type_text;  // dictionary form, e.g. "VARCHAR2", "NUMBER", "TIMESTAMP(6)"
    int type_code = LITE_VARCHAR2;
    int data_size =
        0;  // bytes (NUMBER 22, DATE 7, VARCHAR2(n CHAR) 4n, NVARCHAR2(n) 2n, LOBs 4000)
    int precision = 0;  // 0 when absent
    int scale = 0;      // 0 when absent; FLOAT reports -127
    bool nullable = true;
    int charset_form = 1;  // 1 implicit, 2 national (NCHAR, NVARCHAR2, NCLOB), 0 for non-text
    int char_length = 0;   // declared length in characters of text columns, else 0
    bool char_semantics = false;  // length counted in characters (CHAR, national types)
};

// A date or timestamp value broken into parts (no time zone arithmetic is done).
struct lite_datetime {
    int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    uint32_t nanosecond = 0;
    int tz_minutes = 0;  // offset east of UTC, for TIMESTAMP WITH TIME ZONE
};

class lite_session;

// A compiled statement. Columns are described by execute(); a query's rows are then walked with
// next(). Cell values stay valid until the next call of next(), execute() or the destructor.
class lite_statement {
public:
    enum class kind { query, dml, ddl, other };

    ~lite_statement();
    lite_statement(const lite_statement&) = delete;
    lite_statement& operator=(const lite_statement&) = delete;

    // What the statement is; known from prepare on.
    kind get_kind() const noexcept { return kind_; }
    // The statement text as given to prepare.
    const std::string& sql() const noexcept { return oracle_sql_; }

    // Number of distinct bind placeholders (0 for DDL).
    int bind_count() const noexcept;
    // 1-based position of placeholder ":name" ("name" or ":name", any case); 0 when absent.
    int bind_index(std::string_view name) const noexcept;
    // Name of placeholder at a 1-based position, without the colon ("1" for :1); "" when out of
    // range.
    std::string bind_name(int position) const;
    // Bind setters by 1-based position; bind values are copied. Out of range: ORA-01036.
    void bind_null(int position);
    void bind_int64(int position, int64_t value);
    void bind_double(int position, double value);
    void bind_text(int position, std::string_view utf8);  // "" binds NULL, as in Oracle
    void bind_bytes(int position, std::span<const unsigned char> bytes);
    void bind_datetime(int position, const lite_datetime& value, bool with_fraction);
    void clear_binds();

    // Runs the statement: a query is positioned before its first row and described; DML and
    // DDL run to completion. Raises lite_error (ORA-00001, 01400, 00942, ...) on failure.
    void execute();
    // Above 1, the queries of later execute() calls are read ahead of next() on a thread of the
    // engine's own, in chunks of up to `rows` rows, from their second row on; the rows and errors
    // seen stay the same. A query that draws sequence numbers is always read row by row.
    void set_read_ahead(int rows) noexcept { read_ahead_rows_ = rows; }
    // Describes a query without running it (what a parse-only execute needs); raises on errors
    // of names or syntax. The description may be less precise for expression columns.
    void describe_only();

    // Query columns, valid after execute() or describe_only(); empty for non-queries.
    const std::vector<lite_column>& columns() const noexcept { return columns_; }
    // Steps to the next row; false at the end. Raises lite_error on a runtime failure.
    bool next();
    // Rows fetched so far by next() (queries) or rows changed by the last execute (DML).
    int64_t rows_affected() const noexcept { return rows_; }

    // Cell access for the current row, 0-based column index.
    bool is_null(int col) const;
    // Value as UTF-8 text: numbers in Oracle's canonical form ("100000000000000000000", ".5"),
    // dates as 'YYYY-MM-DD HH:MM:SS', timestamps with 9 fraction digits, upper-case
    // hex for RAW, LONG RAW and BLOB, CLOB its text. NULL gives "".
    std::string_view text(int col);
    // The text of a cell as text() shows it, or nothing for NULL: one look where is_null() and
    // text() would take two, for a caller that reads every cell of every row.
    std::optional<std::string_view> text_unless_null(int col);
    // The reader of a query read ahead, while the statement stands on one of its rows, else
    // null: the fetch's copy of a row takes the cells whose text stands ready from it, as
    // text() would show them (lite_read_ahead::ready), in one look a cell.
    const lite_read_ahead* row_reader() const noexcept {
        return has_row_ ? read_ahead_.get() : nullptr;
    }
    // Raw bytes of the cell (BLOB, RAW); text cells give their UTF-8 bytes.
    std::span<const unsigned char> bytes(int col);
    int64_t as_int64(int col) const;
    double as_double(int col) const;
    // Parses a date/timestamp cell; raises ORA-01858 when the cell is not a date.
    lite_datetime as_datetime(int col) const;
    // How the cell is stored: 1 integer, 2 floating point, 3 text, 4 bytes, 5 NULL.
    int storage_class(int col) const;

    // For "... RETURNING ROWID INTO :n": the placeholder name (without colon, upper-case), or "".
    const std::string& returning_bind() const noexcept { return returning_bind_; }
    // The ROWID of the row the last execute() inserted, updated or deleted, as text (empty
    // before, or when no row was touched).
    const std::string& returned_rowid() const noexcept { return returned_rowid_; }

    // A query FOR UPDATE: the owner and name of the table whose rows it locks ("" otherwise).
    const std::string& update_owner() const noexcept { return update_owner_; }
    const std::string& update_table() const noexcept { return update_table_; }
    // The column of the locked table that query column `col` reads unchanged, or "" when it
    // reads something else (an expression, another table).
    std::string update_column(int col) const;
    // The ROWID of the locked table's row the current row comes from, as text.
    std::string update_rowid() const;

private:
    friend class lite_session;
    lite_statement(lite_session& session, std::string oracle_sql);
    void compile();
    void describe();
    void check_column(int col) const;
    bool may_read_ahead() const;
    void start_read_ahead();
    void stop_read_ahead() noexcept;
    bool next_ahead();
    // A stored number's text as text() shows it, into `out` (64 bytes): its length, or 0 when
    // it needs an exponent.
    size_t number_text(int col, int type, int64_t integer, double real, char* out) const;
    // A real as its column holds it.
    double rounded(int col, double v) const;
    // The text of a cell as text() shows it, from its stored value; `buf` holds it when made.
    std::string_view render(int col, int type, int64_t integer, double real, const char* bytes,
                            size_t size, std::string& buf) const;

    lite_session& session_;
    std::string oracle_sql_;
    std::string sqlite_sql_;
    kind kind_ = kind::other;
    lite_stmt stmt_;
    sqlite3* conn_ = nullptr;  // the connection compiled on; a new logon invalidates the statement
    std::vector<lite_column> columns_;
    std::vector<std::string> bind_names_;  // by position - 1
    std::vector<bool> bound_;              // by position - 1: a value was bound
    bool executed_ = false;
    bool pending_row_ = false;  // execute() stepped onto the first row already
    bool at_end_ = false;
    bool has_row_ = false;
    int64_t rows_ = 0;
    std::string returning_bind_;
    std::string returned_rowid_;
    std::string verb_;
    std::string update_owner_, update_table_;
    bool uses_session_state_ = false;         // calls a session-bound function: never read ahead
    bool hidden_rowid_ = false;               // the SQLite query has one column more: the rowid
    std::shared_ptr<const lite_query> tree_;  // the parsed query, for the describe
    std::vector<std::string> origin_table_;   // per column: "owner\x1ftable" it reads, or ""
    std::vector<std::string> origin_column_;
    std::vector<int> render_;             // per column: how text() renders the cell
    std::vector<std::string> cell_text_;  // per column: reused text of rendered cells
    int read_ahead_rows_ = 0;
    std::unique_ptr<lite_read_ahead> read_ahead_;  // while a query is read ahead
};

// The identity of an instance directory and its administration (used by the oralite tool).
class lite_instance {
public:
    // Creates an empty instance directory with its dictionary and the SYS and SYSTEM users
    // (passwords "manager"), or raises lite_error if it exists with a dictionary already.
    static void create(const std::string& dir, const std::string& banner);
    // Adds or replaces a user (name upper-cased unless quoted) and its schema file.
    static void add_user(const std::string& dir, const std::string& name,
                         const std::string& password);
    // Creates the (empty) schema file of a user listed in the dictionary; ORA-01119 when it
    // cannot be made.
    static void create_schema_file(const std::string& dir, const std::string& user);
    // Locks or unlocks a user; ORA-01918 when the user does not exist.
    static void set_locked(const std::string& dir, const std::string& name, bool locked);
    // Replaces the banner that v$version reports.
    static void set_banner(const std::string& dir, const std::string& banner);
    // The instance directory for a connect string, or ORA-12154/ORA-12514.
    static std::string resolve(const std::string& connect);
    // The folder of bundled instances used when ORALITE_HOME is unset.
    static std::string default_home();
    // The default banner of a new instance.
    static const char* default_banner();
};

// One logged-on user's connection. Statements borrow the session and must die before it.
class lite_session {
public:
    lite_session();
    ~lite_session();
    lite_session(const lite_session&) = delete;
    lite_session& operator=(const lite_session&) = delete;

    // Resolves the connect string and logs on; ORA-12154/12514, ORA-01017 (bad user or
    // password), ORA-28000 (locked). A second logon ends the first session. With `external`
    // the password is not asked: only a user identified externally logs on that way, and such
    // a user logs on no other way.
    void logon(const std::string& connect, const std::string& user, const std::string& password,
               bool external = false);
    // Logs on to an instance directory given by path.
    void logon_dir(const std::string& dir, const std::string& user, const std::string& password,
                   bool external = false);
    // Ends the session, rolling back uncommitted work. Safe to call twice.
    void logoff() noexcept;
    bool logged_on() const noexcept { return db_ != nullptr; }
    // The logged-on user (upper-case) and instance directory.
    const std::string& user() const noexcept { return user_; }
    const std::string& directory() const noexcept { return dir_; }

    // Compiles one Oracle statement (no trailing ';' needed; one is tolerated). Raises lite_error
    // (ORA-00942, 00904, 00900/00933/00936, ...) when it cannot be compiled.
    std::unique_ptr<lite_statement> prepare(const std::string& oracle_sql);
    // Prepares and executes a statement that has no binds nor rows to read; returns rows changed.
    int64_t execute(const std::string& oracle_sql);

    void commit();
    void rollback();

    // Warnings collected by DDL the engine accepted only partly (a CHECK or view it cannot
    // evaluate). Cleared by take_warnings().
    std::vector<std::string> take_warnings();

    // Engine internals used by statements, functions and the DDL executor.
    sqlite3* db() const noexcept { return db_; }
    // Opens a transaction for DML unless one is open.
    void begin_if_needed();
    void add_warning(std::string text) { warnings_.push_back(std::move(text)); }
    // Set while a DDL statement runs in its own transaction.
    void set_in_ddl(bool on) noexcept { in_ddl_ = on; }
    // NEXTVAL (next = true) or CURRVAL of a sequence; ORA-02289, ORA-08002, ORA-08004.
    int64_t sequence_value(const std::string& owner, const std::string& name, bool next);
    // The describe of a stored column from the dictionary; null when the dictionary lacks it.
    const lite_column* dictionary_column(const std::string& owner, const std::string& table,
                                         const std::string& column);
    // Forgets cached dictionary answers after DDL.
    void schema_changed() noexcept;
    // The stored tables as the translator sees them.
    lite_session_schema& schema() noexcept { return *schema_; }
    // Attached schema name for a SQLite database name ("main" is the session's user).
    std::string owner_of(const char* sqlite_db_name) const;
    // Attaches another schema writable, for a change to its rows granted since logon; false
    // when it stays read-only (inside a transaction, or while a query of the session reads).
    bool make_writable(const std::string& owner);

private:
    friend class lite_statement;
    void open(const std::string& dir, const std::string& user, const std::string& password,
              bool external);

    sqlite3* sequence_connection();

    sqlite3* db_ = nullptr;
    sqlite3* seq_db_ = nullptr;  // the dictionary again, for sequence numbers
    bool in_ddl_ = false;
    std::string dir_;
    std::string user_;
    std::vector<std::string> warnings_;
    std::unordered_map<std::string, int64_t> currval_;
    std::unordered_map<std::string, std::unique_ptr<lite_column>> column_cache_;
    std::unique_ptr<lite_session_schema> schema_;
    std::vector<lite_statement*> reading_ahead_;  // statements whose reader runs on db_
};

#endif
