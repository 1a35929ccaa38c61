// ora_database: the Oracle source database behind the udb_database interface.  It lists the
// tables (and the connected user's views) that can be converted, tests whether a table exists,
// opens tables and user queries for reading, checks user queries and runs single statements.
// Lists come from the data dictionary, through USER_ or ALL_ views as the engine's
// b_owned_by_user says; names are compared exactly.
//
// As a destination it creates users, tables with their keys, indexes, the sequence and trigger
// of an auto-increment column, foreign keys and views, recording the names it had to repair in
// the names map; its tables append rows (ora_table).  Errors of single views and foreign keys,
// and rows a table could not write, go to the error reporter (or, when none is set, are raised
// together once every item was tried).  Tables it opens belong to the caller and must be
// destroyed before it.
// Thread-safety: one thread at a time.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "UDB/udb_database.h"

class ora_in_validator;

class ora_database : public udb_database {
public:
    // Reads the views unless bit 0x80 of `mode` is set; a failure there is logged and leaves the
    // view list empty.
    ora_database(const std::wstring& connect, int mode);
    ~ora_database() override;

    // Receives the error of one view, foreign key or row: the object's text ("View 'V'",
    // "Foreign key 'FK'", a table name) and a level-0 error.
    using error_reporter =
        std::function<void(const std::string& object_text, const tk_exception& error)>;

    // A column list carries no user name: nothing is created (see the named form).
    void create_schema(const udb_schema& schema) override;
    // Creates a user identified externally with unlimited quota on USERS; failures of either
    // statement are logged and the work goes on.  Returns 0.
    int create_schema(const std::wstring& user);
    // Creates the table unless it exists (CREATE TABLE, then keys and indexes) and opens it for
    // appending; raises ora_exception, or tk_exception (level 0) when the auto-increment
    // sequence may not be created.
    std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& fields,
                                                const udb_indexes& indexes) override;
    // Creates or replaces each SELECT view; a failing view goes to the error reporter.
    void create_views(const view_list& views) override;
    // Adds the foreign keys whose tables exist (with a unique constraint on the referenced
    // columns where none covers them); a failing one goes to the error reporter.
    void create_relationships(const udb_relationships& relationships) override;
    // Adds a unique constraint on the destination columns of `columns` unless a unique index
    // starts with them; a failing statement is logged.
    void create_fk_index_if(const std::wstring& table, const std::vector<std::wstring>& columns);
    // Destination names through the names map (exact first, then ignoring case).
    std::wstring get_tn_mapped_name_ex(const std::wstring& table);
    std::wstring get_fn_mapped_name_ex(const std::wstring& table, const std::wstring& column);
    // A view text in Oracle form: bracket quoting and DISTINCTROW gone, a closing ";" blanked,
    // repaired names substituted.
    std::wstring refine_view_in(const std::wstring& text) const;

    void set_error_reporter(error_reporter reporter) { m_reporter = std::move(reporter); }
    // Hands an item's error to the reporter, or keeps it for raise_kept_errors.
    void report(const std::string& object_text, const tk_exception& error);
    // Raises the kept errors as one tk_exception (level 0); nothing when none were kept.
    void raise_kept_errors();
    // The process-wide index-name validator, created by the first destination table.
    ora_in_validator& index_names();
    // Opens a user query under `name`; raises ora_exception when the query fails.
    std::unique_ptr<udb_recordset> get_query(const std::wstring& name,
                                             const std::wstring& query_text, int mode) override;
    // Opens a listed table; an unknown name raises tk_mail_assertion("ora_db", 302).
    std::unique_ptr<udb_recordset> get_table(const std::wstring& table, int mode) override;
    // Runs one statement without a result; raises ora_exception.
    std::unique_ptr<udb_recordset> query(const std::wstring& statement) override;
    // Parses the query on the server; raises ora_exception with the server's text when invalid.
    bool test_query(const std::wstring& query_text) override;
    // Reads the table list again; raises ora_exception when the dictionary query fails.
    name_list& get_tables() override;
    // Exact lookup; a bare name is also tried as the connected user's OWNER.TABLE.
    bool is_table_exist(const std::wstring& table) override;
    // The listed name that `table` stands for (itself, or the connected user's OWNER.TABLE for a
    // bare name), or empty when the source has no such table.
    std::wstring listed_name(const std::wstring& table);

    void init_tables(bool owned_by_user);
    void init_views();
    // The view text without comments and without its WITH ... clauses.
    static std::wstring refine_view_out(const std::wstring& text);

    // Table, column and user names are upper-cased before use; view texts lose [ ] quoting.
    bool b_uppercase = false;
    // Tables append through the array-insert cache (else one statement per row).
    bool b_use_cache = true;

private:
    error_reporter m_reporter;
    std::vector<std::string> m_kept_errors;
    std::unique_ptr<ora_in_validator> m_index_names;
    bool m_tables_read = false;
};

// A free index name for `table`: the table name made an Oracle name, followed by "_UI",
// repaired by the process-wide index-name validator when taken; it is registered as taken.
std::wstring ora_gen_idx_name(const std::wstring& table);
