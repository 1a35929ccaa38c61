// sql_recordset: a whole table or the result of a SELECT text on a live MySQL server, read page by
// page with LIMIT so that at most 65,536 rows are held at once.  Construction counts the rows and
// reads the column descriptions; the page that holds the current row is fetched when a row is
// first read, so a recordset that is only written to fetches no rows.  A table with a primary key
// (or a unique key of not-null columns) is paged in key order, so pages neither skip nor repeat
// rows.  A record from get_item stays valid until another page is fetched or the recordset dies.
//
// Reading statements that fail raise sql_exception.  The owning sql_database (borrowed) must
// outlive it; needs the registered sql_engine.  Thread-safety: none; the connection's thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_record.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_recordset.h"

class sql_database;

class sql_recordset : public udb_recordset {
public:
    static constexpr int k_page_size = 0x10000;

    // A whole table; raises sql_exception when it cannot be counted or described.
    sql_recordset(sql_database* database, const std::wstring& table, udb_names_map* names);
    // A SELECT text stored under `name`; raises sql_exception when it cannot be counted or
    // described (a text ending in ";" fails at the count).
    sql_recordset(sql_database* database, const std::wstring& name, const std::wstring& query,
                  udb_names_map* names);
    ~sql_recordset() override;

    // Internal error: a result is read-only ("sql_recs", 215).
    void append_record(udb_record& record) override;
    // The current row (fetching its page when needed), or null past the end or when the page
    // came back shorter than counted.  Raises sql_exception when the page cannot be fetched.
    udb_record* get_item() override;
    // True at or past the counted rows.
    bool is_eof() override;
    void next() override;
    // One row back; nothing at row 0.
    void prev() override;
    // Counts again and goes back to row 0; raises sql_exception.
    void reset() override;

    // The number of rows by SELECT COUNT(*); raises sql_exception.
    int get_rec_count();
    // The auto-increment column ("" when none) and its largest value when the recordset was built
    // (0 for an empty table or a query).
    const std::wstring& get_auto_column() const noexcept { return m_auto_column; }
    long long get_last_value() const noexcept { return m_last_value; }

protected:
    // The text that follows FROM: the quoted table or the query as a derived table.
    std::wstring source_text() const;

    sql_database* m_database;
    udb_names_map* m_names;

private:
    void initialize();
    // Reads the column descriptions from an empty page.
    void describe_columns();
    void clean();
    void load_page(int offset);
    // The ORDER BY columns that make pages stable; empty when the table has no usable key.
    std::vector<std::wstring> page_order() const;

    int m_row = 0;
    // Offset of the rows in m_page, or -1 when no page is held.
    int m_page_start = -1;
    std::vector<std::unique_ptr<sql_record>> m_page;
    // Columns that carry the server's primary-key flag, in column order.
    std::vector<std::wstring> m_key_columns;
    std::wstring m_auto_column;
    long long m_last_value = 0;
};
