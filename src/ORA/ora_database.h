// ora_database: the Oracle source database behind the udb_database interface.  It lists the
// tables (and the connected user's views) that can be converted, tests whether a table exists,
// opens tables and user queries for reading, checks user queries and runs single statements.
// Lists come from the data dictionary, through USER_ or ALL_ views as the engine's
// b_owned_by_user says; names are compared exactly.
//
// An Oracle destination is not offered: create_schema, create_table, create_views and
// create_relationships raise the internal error.  Tables it opens belong to the caller and must
// be destroyed before it.
// Thread-safety: one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "UDB/udb_database.h"

class ora_database : public udb_database {
public:
    // Reads the views unless bit 0x80 of `mode` is set; a failure there is logged and leaves the
    // view list empty.
    ora_database(const std::wstring& connect, int mode);
    ~ora_database() override;

    void create_schema(const udb_schema& schema) override;
    std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& fields,
                                                const udb_indexes& indexes) override;
    void create_views(const view_list& views) override;
    void create_relationships(const udb_relationships& relationships) override;
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

    void init_tables(bool owned_by_user);
    void init_views();
    // The view text without comments and without its WITH ... clauses.
    static std::wstring refine_view_out(const std::wstring& text);
};
