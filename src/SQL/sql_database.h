// sql_database: a database on the live MySQL server, opened over the engine's one connection
// (borrowed; the engine outlives it).  It knows the database's base tables, runs statements and
// empties tables.  Writing and reading table rows on a live server is not part of this object
// yet: create_table, get_table and get_query raise tk_exception at level 1.
// Thread-safety: none; the conversion thread.
#pragma once

#include <mysql.h>

#include <memory>
#include <string>

#include "UDB/udb_database.h"

class sql_database : public udb_database {
public:
    // Reads the table list; raises sql_exception when it cannot be read.
    sql_database(const std::wstring& name, MYSQL* handle, int flags);

    std::unique_ptr<udb_recordset> create_table(const std::wstring& table, const udb_schema& fields,
                                                const udb_indexes& indexes) override;
    // Deletes every row of a listed table (the definition stays); raises sql_exception.
    bool delete_tab(const std::wstring& table) override;
    void empty_table(const std::wstring& table) override;
    std::unique_ptr<udb_recordset> get_query(const std::wstring& name,
                                             const std::wstring& query_text, int mode) override;
    std::unique_ptr<udb_recordset> get_table(const std::wstring& table, int mode) override;
    // Sends the statement and releases any result; raises sql_exception on failure.  Gives none.
    std::unique_ptr<udb_recordset> query(const std::wstring& statement) override;
    // True when the statement runs.
    bool test_query(const std::wstring& query_text) override;

private:
    void init_tables();
    void send(const std::wstring& statement);

    MYSQL* m_handle;
};
