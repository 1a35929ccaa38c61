// dmp_recordset: one table of a dump file.  append_record grows one multi-row
// INSERT IGNORE statement and writes it once it passes 1,000,000 bytes (so a statement exceeds
// that by at most one row); the rest is written when the recordset is flushed or released.
// Each value is checked against its column as the replaying server would store it, and every
// primary or unique key is remembered (as the column stores it, compared byte for byte; see
// dmp_key_set for what that costs), so that
// a value the replay would change and a row it would drop as a duplicate are record errors now,
// as on a live server; the row is written all the same, for the replay to do what a live server
// does.  There are no rows to read.  The owner dump database (borrowed) must outlive it.
// Thread-safety: none; the run's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "SQL/dmp_key_set.h"
#include "SQL/dump_options.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_value_check.h"
#include "UDB/udb_recordset.h"

class dmp_database;

class dmp_recordset : public udb_recordset {
public:
    // columns: the descriptions under their MySQL names, as the schema initialiser made them.
    // charsets: each column's character set as created (empty: any character); indexes: the
    // table's indexes over the source names of the columns.
    dmp_recordset(dmp_database* owner, const std::wstring& table, const udb_schema& columns,
                  const dump_options& options, const std::vector<std::wstring>& charsets,
                  const udb_indexes& indexes);
    // Writes the pending statement; a failure is only logged (flush() reports it).
    ~dmp_recordset() override;

    // Adds one row, numbered one past the last.
    void append_record(udb_record& record) override;
    // Adds record `number` of the source.  A record without a field for one of the columns
    // raises tk_exception at level 0 and is not written; values the replay would change, and a
    // key written before, raise sql_row_errors naming the record after the row was added; a
    // failed write raises tk_exception at level 1.
    void append_record(udb_record& record, int number) override;
    // Writes the pending statement now and waits until every statement of the table is in the
    // file; raises tk_exception (level 1) when a write failed.
    void flush() override;

    // Statements larger than this are written before the next row is added.
    static constexpr std::size_t k_max_statement = 1000000;

private:
    struct unique_key {
        std::string name;
        std::vector<std::size_t> columns;
        dmp_key_set seen;
    };
    // Binary values of the row being added whose hex digits are written straight to the file,
    // in pieces, when the statement is: each is "0x" and the digits of `count` bytes at `at` of
    // m_pending, of `column`.  The bytes are the record's, alive while it is added, and such a
    // row makes its statement long enough to be written at its end.
    struct pending_hex {
        std::size_t at;
        std::size_t column;
        const std::uint8_t* bytes;
        std::size_t count;
    };

    // The columns' checks and the keys, made on the first row, when the source names are known.
    void prepare();
    // The errors of the row just added, whose literals are at m_literals.
    void check_row(int number);
    // Hands the pending statement to the file.
    void write_statement();
    // Writes the hex literal of one of m_hex.
    void write_hex(const pending_hex& value);

    dmp_database* m_database;
    std::vector<std::wstring> m_charsets;
    udb_indexes m_key_indexes;
    std::vector<sql_value_check> m_checks;
    std::vector<unique_key> m_keys;
    // The key of the row being checked, in its stored forms.
    std::string m_key_text;
    int m_last_number = 0;
    // Where each literal of the row being added starts and ends in m_pending.
    std::vector<std::pair<std::size_t, std::size_t>> m_literals;
    // What the rendering of each literal of the row told of it, for its check.
    std::vector<sql_literal_facts> m_facts;
    std::vector<sql_record_error> m_errors;
    // The decoded text of the cell being checked.
    std::string m_scratch;
    dump_options m_options;
    std::string m_pending;
    std::string m_head;
    // The source name of each column, looked up on the first row.
    std::vector<std::wstring> m_originals;
    // Per column: a large binary value may be written without its text (see m_hex).
    std::vector<char> m_hex_by_length;
    std::vector<pending_hex> m_hex;
    // The bytes of the statement m_hex leaves out of m_pending.
    std::size_t m_hex_bytes = 0;
};
