// ora_cache: the array insert of one destination table.  Rows are copied into bound column
// buffers, 200 at a time, and sent as one execution of
// INSERT /*+ APPEND */ INTO t (...) VALUES (:1, ...) RETURNING ROWID INTO :n; out-of-line values
// (LOBs, LONG) are kept per row and written afterwards by ROWID (ora_lob_insert).
//
// A row whose values cannot be bound as given (a text longer than its column) is refused at
// append with a level-0 tk_exception naming the table and column.  When the server refuses a row
// of a batch, the rows after it are sent again and each refused row is reported to the database's
// error reporter as its own level-0 error; every other row is written.  The table is borrowed and
// must outlive the cache.
// Thread-safety: none; the writing thread of its table.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_lob_insert.h"
#include "ORA/ora_stmt.h"
#include "TK/tk_exception.h"
#include "UDB/udb_record.h"

class ora_table;
class t_ftd;

class ora_cache {
public:
    static constexpr int k_rows = 200;

    // Prepares the statement and binds the buffers; raises ora_exception.
    ora_cache(const std::wstring& table, ora_table& owner);
    // Commits the cached rows; failures are logged and reported, never raised.
    ~ora_cache();
    ora_cache(const ora_cache&) = delete;
    ora_cache& operator=(const ora_cache&) = delete;

    // Caches one row: the new row count, or commit's result at the 200th row.  Raises
    // tk_exception (level 0) for a row that cannot be bound, leaving the cache as it was.
    int append_record(udb_record& record);
    // Sends the cached rows and their out-of-line values and commits; returns the rows written.
    // Raises ora_exception when the statement itself fails (the rows are dropped), and the kept
    // row errors (tk_exception) when no reporter takes them.
    int commit();

    int get_count() const noexcept { return m_count; }
    const std::wstring& get_statement() const noexcept { return m_sql; }

private:
    struct column_buffer {
        int column = 0;        // position in the schema; the schema size for the ROWID
        int size = 0;          // bytes per element
        ub2 type = 0;          // OCI external type
        int vartype = 0;       // variant type of the column
        bool as_text = false;  // written as its SQL text (numbers exactly, bytes as hex)
        bool stamp = false;    // a time stamp, as text with every fraction digit
        std::vector<unsigned char> data;
        std::vector<sb2> ind;
        std::vector<ub2> len;
        OCIBind* bind = nullptr;
    };

    void init();
    void bind();
    // Copies one value into element n; raises tk_exception (level 0) when it does not fit.
    void copy_field(column_buffer& buffer, const t_ftd& column, const ole_variant& value, int n);
    void put_null(column_buffer& buffer, const t_ftd& column, int n, bool may_reset);
    void lob_data_copy(udb_record& record, const std::vector<std::wstring>& names, int n);
    void lob_data_insert(const std::vector<bool>& failed);
    void put_text(column_buffer& buffer, const t_ftd& column, const std::wstring& text, int n);
    void row_error(const std::string& text);
    tk_exception no_date(const t_ftd& column, const ole_variant& value) const;

    std::wstring m_table;
    ora_table& m_owner;
    int m_count = 0;
    std::vector<column_buffer> m_buffers;
    std::unique_ptr<ora_stmt> m_stmt;
    std::wstring m_sql;
    std::vector<t_lob_desc> m_lob_desc;
    std::vector<std::vector<ole_variant>> m_lob_rows;
    std::u16string m_scratch;
};
