// ora_query_results: an Oracle SELECT read as records.  initialize describes the select list
// (executing the query once without fetching), creates one column object per column, defines
// their buffers on its own statement and executes the query again; each is_eof then fetches one
// row and get_item reads it into the result set's one ora_record.  Every catalogue read rests on
// the free-standing form; ora_table derives from it.
//
// The result set owns its statement, its column objects and its record; the record get_item
// hands out holds the current row until the next get_item, and lives as long as the result set.
// Thread-safety: one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_record.h"
#include "ORA/ora_stmt.h"
#include "ORA/ora_type.h"
#include "UDB/udb_recordset.h"

class ora_database;

class ora_query_results : public udb_recordset {
public:
    // A free-standing result set of `query` with `columns` columns (0: as described); raises
    // ora_exception when the query fails.
    ora_query_results(int columns, const std::wstring& query);
    ~ora_query_results() override;

    // Result sets are read only: raises tk_mail_assertion("ora_qres", 53).
    void append_record(udb_record& record) override;
    // The current row as a record, or null at the end.  A value the fetch cut to fit its column's
    // buffer raises the level-0 record error (the walk may go on with the next row); an OCI error
    // raises ora_exception.
    udb_record* get_item() override;
    bool is_eof() override;

    // Describes, defines and executes; a second call raises tk_mail_assertion("ora_qres", 98),
    // an OCI error ora_exception.
    void initialize(int columns, const std::wstring& query);
    // A new column object for a describe parameter of OCI data type `type`.
    std::unique_ptr<ora_type> gen_co_by_type(OCIParam* param, int type);

    const std::vector<std::unique_ptr<ora_type>>& get_columns() const noexcept { return m_columns; }
    // One line per column whose values the reader cannot carry (left out of the select list, or
    // read as a placeholder text), and per index it cannot carry, for the run to show the user.
    const std::vector<std::wstring>& get_unsupported_columns() const noexcept {
        return m_unsupported;
    }
    // Hands the destination's description to the column object of that name (case-sensitive).
    void set_destination_field(const std::wstring& column, const t_ftd& destination) override;
    // One line per column whose values reading changed so far (see ora_type::value_notice).
    std::vector<std::wstring> get_value_notices() const;

protected:
    // The base of ora_table, which calls initialize itself.
    ora_query_results(ora_database* db, const std::wstring& name, const std::wstring& query);
    // Fetches one row; true at the end.  Raises ora_exception.
    bool fetch_row();

    bool m_fetched = false;
    int m_columns_cnt = 0;
    bool m_executed = false;
    bool m_at_end = false;
    std::unique_ptr<ora_stmt> m_stmt;
    std::vector<std::unique_ptr<ora_type>> m_columns;
    std::unique_ptr<ora_record> m_record;
    std::vector<std::wstring> m_unsupported;
};
