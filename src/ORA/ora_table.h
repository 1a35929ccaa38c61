// ora_table: one Oracle table, or one user query, opened for reading.  Construction describes the
// columns from the data dictionary (leaving out those of types the reader cannot fetch), reads
// defaults and comments and, for a table, its primary key, its indexes and the foreign keys of
// other tables that reference it (into the database's relationship list); then it counts the
// rows.  The run walks it with is_eof, get_item and next; the end is the row count taken at open.
//
// As a destination it appends rows, through the array-insert cache (ora_cache, built with the
// first row, so reading prepares no INSERT) or one INSERT per row, writing out-of-line values by
// ROWID, and updates rows by a key.  A NULL for a NOT NULL column drops the constraint first.
// Rows still cached are written by flush and by the destructor.  The table keeps a pointer to
// its database, which must outlive it.
// Thread-safety: one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_default.h"
#include "ORA/ora_query_results.h"
#include "UDB/udb_relationships.h"

class ora_cache;
class ora_database;
class udb_field;

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

    // Appends one row (fast through the cache when the database's b_use_cache is set, else
    // slow); raises tk_exception (level 0) for a row that does not fit the table,
    // ora_exception for the server's refusals.
    void append_record(udb_record& record) override;
    // Writes the cached rows; raises as ora_cache::commit.
    void flush() override;
    // Updates the row found by the table's key (update with the key index).
    void update1(udb_record& record) override;
    // Updates the row whose key columns (index `key` of the table) hold the record's values;
    // a record without key columns sends nothing.  A bad key position raises
    // tk_mail_assertion("ora_tab"), a failing UPDATE ora_exception.
    void update(udb_record& record, int key);
    // Drops NOT NULL of column `column` (ALTER TABLE ... MODIFY ... NULL); a position outside
    // the schema raises tk_mail_assertion("ora_tab").
    void reset_not_null_flag(int column);
    void fast_append(udb_record& record);
    void slow_append(udb_record& record);
    // The value text of column `column` in the one-row INSERT.
    std::wstring get_fld_append_wstr(const udb_field& value, int column);
    ora_database* get_database() const noexcept { return m_db; }
    // False for a column of a binary real type, which takes any real of its kind; true for a
    // NUMBER, which a floating value must fit (k_ora_number_limit).
    bool limits_reals(int column) const;
    // A record's field names as this table names its columns.
    std::vector<std::wstring> destination_names(const udb_record& record) const;
    // True when the rows counted at open were read, or the server has no more; raises
    // ora_exception on a fetch error.
    bool is_eof() override;
    void next() override;

    // Steps of construction.
    void init_schema();
    int get_columns_cnt();
    std::wstring get_safe_select_query(int& columns);
    void init_indexes(int mode);
    // The default of a column of variant type `vartype` from its dictionary text: the value of
    // a constant, else the text itself marked as an expression; empty for no default or NULL.
    static ora_default get_def_value(int vartype, const std::wstring& text);

    int get_rows_read() const noexcept { return m_rows_read; }

private:
    void construct(int mode);
    // A sequence-fed column that is the whole primary key numbers the rows by itself.
    void mark_auto_increment(const std::vector<std::wstring>& pk_columns);
    // One integer from a count statement; 0 when the statement fails at execution.
    static int count_of(const std::wstring& sql);

    int m_rows_read = 0;
    std::vector<bool> m_binary_real;  // by column: BINARY_FLOAT or BINARY_DOUBLE
    ora_database* m_db;
    std::unique_ptr<ora_cache> m_cache;
    udb_relationships& m_relationships;
};
