// sql_database: a database on the live MySQL server, opened over the engine's connection
// (borrowed; the engine outlives it), with further sessions of its own for rows sent beside it.
// It lists the database's base tables (and, unless the open flags hold 0x80, its views), creates
// destination tables from a column and index list, empties tables, hands out table recordsets
// (sql_table) and query recordsets, runs statements, and creates views and foreign keys.  Every
// statement is built as wide text and sent as UTF-8; results are read unbuffered and released
// after use.
//
// Failure: statements that fail raise sql_exception with the server's text and number; misuse
// (writing into a read-only database, opening a table that is not listed) raises
// tk_mail_assertion.  Errors of single views and foreign keys go to the error reporter (or, when
// none is set, are raised together once every item was tried).  Recordsets it returns must not
// outlive it.  Needs the registered sql_engine.  Thread-safety: none; the conversion thread.
#pragma once

#include <mysql.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SQL/sql_engine.h"
#include "SQL/sql_record.h"
#include "TK/tk_exception.h"
#include "UDB/udb_database.h"

class sql_table;

class sql_database : public udb_database {
public:
    // One page of rows: the LIMIT statement sent at construction, its result released by the
    // destructor.
    class sql_limited_query {
    public:
        // Sends "SELECT * FROM " + source + order_by + " LIMIT offset,count" (source: the quoted
        // table or a derived table); raises sql_exception.
        sql_limited_query(sql_database& database, const std::wstring& source,
                          const std::wstring& order_by, long offset, long count);
        ~sql_limited_query();
        sql_limited_query(const sql_limited_query&) = delete;
        sql_limited_query& operator=(const sql_limited_query&) = delete;

        // Replaces the page's records with the fetched rows (at most `capacity`); a null page
        // raises tk_mail_assertion("sql_db", 65), a connection failing mid-way sql_exception.
        void store_to(std::vector<std::unique_ptr<sql_record>>* page, std::size_t capacity);
        // The result's field descriptions and count (valid while this object lives).
        const MYSQL_FIELD* fields() const;
        unsigned int field_count() const;

    private:
        sql_database& m_database;
        MYSQL_RES* m_result = nullptr;
    };

    // Receives the error of one view or foreign key: the object's text ("View 'V'",
    // "Foreign key 'FK'") and a level-0 error.
    using error_reporter =
        std::function<void(const std::string& object_text, const tk_exception& error)>;

    // Reads the table list (raises sql_exception when it cannot) and, unless flags hold 0x80, the
    // views (best effort).  Table names compare as the engine's case_sensitive flag says.
    sql_database(const std::wstring& name, MYSQL* handle, int flags);
    ~sql_database() override;

    // Creates the table and opens it for writing (the caller owns it); a table that exists is
    // opened as it is and nothing is sent.  Read-only: tk_mail_assertion("sql_db", 378); a failing
    // CREATE TABLE raises sql_exception.
    std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& fields,
                                                const udb_indexes& indexes) override;
    // Creates or replaces each SELECT view; a failing view goes to the error reporter.
    void create_views(const view_list& views) override;
    // Deletes every row of a listed table (the definition stays); read-only or not listed:
    // tk_mail_assertion("sql_db", 484 / 485); a failing DELETE raises sql_exception.
    bool delete_tab(const std::wstring& table) override;
    // DELETE FROM the quoted table; raises sql_exception.
    void empty_table(const std::wstring& table) override;
    // A recordset over the SELECT text (the caller owns it); raises sql_exception.
    std::unique_ptr<udb_recordset> get_query(const std::wstring& name,
                                             const std::wstring& query_text, int mode) override;
    // The listed table as an sql_table (the caller owns it); a table that is not listed raises
    // tk_mail_assertion("sql_db", 121), a failing schema statement sql_exception.
    std::unique_ptr<udb_recordset> get_table(const std::wstring& table, int mode) override;
    // Runs the statement: its whole result as an sql_tmp_recordset, or null when it has none;
    // raises sql_exception.
    std::unique_ptr<udb_recordset> query(const std::wstring& statement) override;
    // True when the statement runs; any result is read and released.
    bool test_query(const std::wstring& query_text) override;
    // Adds the foreign keys (with an index on their columns where none starts with them); a
    // relationship that fails goes to the error reporter and the next one is tried.
    void create_relationships(const udb_relationships& relationships) override;

    // Sends a UTF-8 statement as it is and releases any result; gives the server's warning count.
    // Raises sql_exception.
    unsigned int query_append(const std::string& statement);
    // Runs a statement whose placeholders, in order, take `values` as binary strings sent a piece
    // at a time, never as one text; calls `on_warnings` with the server's warning count, when
    // there are any, while they can still be read.  Raises sql_exception.
    void query_with_long_values(const std::string& statement,
                                const std::vector<std::string_view>& values,
                                const std::function<void(unsigned int)>& on_warnings);
    // Sends the statement and gives its unread result (null when it has none); the caller
    // releases it.  Raises sql_exception.
    MYSQL_RES* do_query2(const std::wstring& statement);
    // The first cell of the first row as an integer (0 when null or no row); raises
    // sql_exception.
    long long query_scalar(const std::wstring& statement);
    // Adds an index on the columns unless one of the table's indexes starts with them; a failing
    // ADD INDEX is logged.  A table that is not listed raises tk_mail_assertion("sql_db", 121).
    void create_fk_index_if(const std::wstring& table, const std::vector<std::wstring>& columns);

    // A view's text as read from the server, without its first comment and database prefixes.
    std::wstring refine_view_out(const std::wstring& text) const;
    // A view's text in MySQL form: blanks collapsed, repaired names substituted, brackets to
    // backticks, a few functions renamed (whole words outside quoted text); ends with ";".
    std::wstring refine_view_in(const std::wstring& text) const;

    // A table or column name as statements write it for the server generation.
    std::wstring name_text(const std::wstring& name) const;
    // The table list's own spelling of a listed name (the name itself when not listed).
    std::wstring listed_name(const std::wstring& table) const;

    // Makes sure the connection still stands before a new piece of work: a connection that was
    // lost is opened again once (the database selected and the session tuned as before).
    // Raises sql_exception when the server cannot be reached, tk_exception when another run took
    // the destination meanwhile.
    void resume_session();

    // At most this many further sessions beside the connection.
    static constexpr std::size_t k_lanes = 3;
    // Further session `index` (below k_lanes) into this database, for rows of a table this run
    // created, sent while the connection's own statement runs; opened on first use, null when it
    // cannot be.  Closed by close_lanes, by resume_session when lost, and with this object.
    // An unopened one waits for the server no longer than `connect_seconds`.
    MYSQL* lane(std::size_t index, unsigned int connect_seconds);
    // Cuts and closes the further sessions; they open again when next wanted.
    void close_lanes() noexcept;
    // Sends a statement on `handle` and gives its unread result (null when it has none), or its
    // warning count with any result released; no statement in flight is waited for.  Both raise
    // sql_exception.
    static MYSQL_RES* run_query(MYSQL* handle, const std::string& statement);
    static unsigned int run_append(MYSQL* handle, const std::string& statement);

    void set_error_reporter(error_reporter reporter) { m_reporter = std::move(reporter); }
    // The table whose statement was sent without waiting for the answer (null when none); its
    // answer is taken before anything else is sent.
    void set_in_flight(sql_table* table) noexcept { m_in_flight = table; }
    MYSQL* handle() const noexcept { return m_handle; }

private:
    void init_tables();
    void init_views();
    // False when the session would not keep every warning.
    bool tune_session(MYSQL* handle);
    // Hands an item's error to the reporter, or keeps it for raise_kept_errors.
    void report(const std::string& object_text, const tk_exception& error);
    void raise_kept_errors();
    // Takes the answer of a statement still in flight, so the connection is free to send.
    void settle();

    MYSQL* m_handle;
    error_reporter m_reporter;
    std::vector<std::string> m_kept_errors;
    sql_table* m_in_flight = nullptr;
    struct lane_slot {
        sql_engine::lane_handle handle{nullptr, nullptr};
        bool tried = false;
    };
    std::array<lane_slot, k_lanes> m_lanes;
};
