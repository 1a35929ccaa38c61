// dmp_recordset: one table of a dump file.  append_record grows one multi-row
// INSERT IGNORE statement and writes it once it passes 1,000,000 bytes (so a statement exceeds
// that by at most one row); the rest is written when the recordset is flushed or released.
// Each value is checked against its column as the replaying server would store it, and every
// primary or unique key is remembered (as the column stores it, compared byte for byte; see
// dmp_key_set for what that costs), so that
// a value the replay would change and a row it would drop as a duplicate are record errors now,
// as on a live server; the row is written all the same, for the replay to do what a live server
// does.  Rows are rendered and checked on a thread of the recordset's own (dmp_row_queue) while
// the run reads the next ones, so their errors are raised by a later append_record or by flush;
// rows with a long value are rendered by the run's thread.
// There are no rows to read.  The owner dump database (borrowed) must outlive it.
// Thread-safety: the public methods belong to the run's thread, which must leave the dump
// database alone from the first append_record until flush returns or the recordset is released.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SQL/dmp_key_set.h"
#include "SQL/dmp_row_queue.h"
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
    // raises tk_exception at level 0 and is not written.  Values the replay would change, a key
    // written before, and a value that cannot be written raise sql_row_errors naming their
    // records, from this call once the row was added or from a later one; a failed write raises
    // tk_exception at level 1, from this call or a later one, and the rows after it are lost.
    void append_record(udb_record& record, int number) override;
    // Writes the pending statement now and waits until every statement of the table is in the
    // file; raises tk_exception (level 1) when a write failed, else sql_row_errors for the rows
    // whose errors were not raised yet.
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

    // The source names of the columns, looked up on the first row, when they are known.
    void prepare_names();
    // The columns' checks and the keys, made for the first row rendered.
    void prepare_checks();
    // The errors of the row just added, whose literals are at m_literals.
    void check_row(int number);
    // Renders a row into the pending statement and checks it, leaving its errors in m_errors;
    // raises, with the row taken back out, when a value cannot be rendered or a write failed.
    void add_row(const ole_variant* const* values, int number);
    // add_row on the queue's thread: the record's own failures become its errors.
    void render_queued(const ole_variant* const* values, int number);
    // Moves errors to those the run's thread raises next.
    void tell(std::vector<sql_record_error>& errors);
    // Raises sql_row_errors for the errors told and not yet raised.
    void raise_told();
    // Hands the pending statement to the file.
    void write_statement();
    // Writes the hex literal of one of m_hex.
    void write_hex(const pending_hex& value);

    // Set before the first row is rendered, and only read after.
    dmp_database* m_database;
    std::vector<std::wstring> m_charsets;
    udb_indexes m_key_indexes;
    dump_options m_options;
    std::string m_head;
    // The source name of each column, looked up on the first row.
    std::vector<std::wstring> m_originals;
    // Rows may be rendered by the queue: false where a text may be refused by its characters,
    // whose refusal is the record's own error, raised by its append_record.
    bool m_async = true;

    // What add_row makes and writes, row after row, on the queue's thread while it renders: on
    // lines of their own, so that the run's thread reading the members above takes no line
    // from it.
    alignas(64) std::vector<sql_value_check> m_checks;
    // Per column: a large binary value may be written without its text (see m_hex).
    std::vector<char> m_hex_by_length;
    std::vector<unique_key> m_keys;
    // The key of the row being checked, in its stored forms.
    std::string m_key_text;
    // Where each literal of the row being added starts and ends in m_pending.
    std::vector<std::pair<std::size_t, std::size_t>> m_literals;
    // What the rendering of each literal of the row told of it, for its check.
    std::vector<sql_literal_facts> m_facts;
    std::vector<sql_record_error> m_errors;
    // The decoded text of the cell being checked.
    std::string m_scratch;
    std::string m_pending;
    std::vector<pending_hex> m_hex;
    // The bytes of the statement m_hex leaves out of m_pending.
    std::size_t m_hex_bytes = 0;

    // The run's thread's, written for every row: the record being appended, its fields in
    // column order (also as values) and its number.
    struct alignas(64) caller_side {
        std::vector<const udb_field*> fields;
        std::vector<const ole_variant*> values;
        int last_number = 0;
    } m_caller;
    // The errors told and not yet raised; `any` spares the run's thread the lock on every row.
    struct alignas(64) told_box {
        std::mutex mutex;
        std::atomic<bool> any{false};
        std::vector<sql_record_error> errors;
    } m_told;
    // Released first: the rows it holds are rendered with the members above.
    alignas(64) std::unique_ptr<dmp_row_queue> m_queue;
};
