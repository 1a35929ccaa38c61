// sql_tmp_recordset: the whole result of one statement (SHOW TABLES, SHOW COLUMNS, SELECT
// COUNT(*) and the like), read at construction into one sql_record per row, in server order.
// The client result is released once its last row is read.  Read-only.  Needs the registered
// sql_engine.  Thread-safety: none; the connection's thread.
#pragma once

#include <mysql.h>

#include <memory>
#include <vector>

#include "SQL/sql_record.h"
#include "UDB/udb_recordset.h"

class sql_tmp_recordset : public udb_recordset {
public:
    // Reads and releases the result.  A null result raises tk_mail_assertion("sql_recs", 339); a
    // connection that fails while the rows are read raises sql_exception.
    explicit sql_tmp_recordset(MYSQL_RES* result);
    ~sql_tmp_recordset() override;

    // Internal error: a statement's result cannot be written ("sql_recs", 332).
    void append_record(udb_record& record) override;
    // The row at the cursor, or null past the end.
    udb_record* get_item() override;
    bool is_eof() override;
    void next() override;
    void reset() override;

    int get_rows_count() const noexcept { return static_cast<int>(m_records.size()); }

private:
    void initialize(MYSQL_RES* result);

    int m_index = 0;
    std::vector<std::unique_ptr<sql_record>> m_records;
};
