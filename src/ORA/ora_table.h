// ora_table: one Oracle table, or one user query, opened for reading.  Construction describes the
// columns from the data dictionary (leaving out those of types the reader cannot fetch), reads
// defaults and comments and, for a table, its primary key, its indexes and the foreign keys of
// other tables that reference it (into the database's relationship list); then it counts the
// rows.  The run walks it with is_eof, get_item and next; the end is the row count taken at open.
//
// Writing into an Oracle table is not offered: append_record and update1 raise the internal
// error.  The table keeps a pointer to its database, which must outlive it.
// Thread-safety: one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "ORA/ora_query_results.h"
#include "UDB/udb_relationships.h"

class ora_database;

class ora_table : public ora_query_results {
public:
    // Mode bits: 0x20 leaves out the foreign keys; 0x20|0x40 also keys and indexes.
    static constexpr int k_no_fks = 0x20;
    static constexpr int k_no_indexes = 0x40;

    // The table form: `name` is the catalogue name without double quotes (bare, or OWNER.TABLE
    // in all-schemas mode).  Raises ora_exception when the dictionary or the SELECT fails.
    ora_table(ora_database* db, const std::wstring& name, udb_relationships& relationships,
              int mode);
    // The query form: `name` is the name chosen for the query's result.  Raises ora_exception.
    ora_table(ora_database* db, const std::wstring& name, const std::wstring& query,
              udb_relationships& relationships, int mode);
    ~ora_table() override;

    void update1(udb_record& record) override;
    // True when the rows counted at open were read, or the server has no more; raises
    // ora_exception on a fetch error.
    bool is_eof() override;
    void next() override;

    // Steps of construction.
    void init_schema();
    int get_columns_cnt();
    std::wstring get_safe_select_query(int& columns);
    void init_indexes(int mode);
    // The default value of a column of variant type `vartype` from its dictionary text; empty
    // when the text is not a usable constant.
    static ole_variant get_def_value(int vartype, const std::wstring& text);

    int get_rows_read() const noexcept { return m_rows_read; }

private:
    void construct(int mode);
    // One integer from a count statement; 0 when the statement fails at execution.
    static int count_of(const std::wstring& sql);

    int m_rows_read = 0;
    ora_database* m_db;
    udb_relationships& m_relationships;
};
