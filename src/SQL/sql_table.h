// sql_table: a table of the live MySQL server as the conversion run writes it.  It reads like an
// sql_recordset over the whole table and also knows the table's column types, defaults, indexes
// and foreign keys as the server reports them.  append_record sends one INSERT per record, or,
// while the engine's fast_append_mode is on, gathers the rows into multi-row statements of about
// 1,000,000 characters.  The verb is REPLACE INTO when the database was opened with
// k_open_replace_rows, else INSERT IGNORE INTO.  Rows whose fields name different columns never
// share a statement.
//
// Failure: a failing single-row statement raises sql_exception for the record.  A failing
// multi-row statement is sent again one row at a time, unless the connection is gone (then the
// error is raised as sql_rows_lost, with how many rows had reached the server), so that every
// good row lands;
// the rows that still fail, and every value the server changed (truncated, out of range,
// incorrect, too long, NULL into NOT NULL) are raised together as sql_row_errors, each naming
// the table and the record's number in its source (as append_record was given it, else counted
// from 1 through this object).  A row INSERT IGNORE skipped (duplicate key, CHECK constraint) is
// reported the same way; a warning whose text names no row is placed on its row by the server's
// diagnostics, or, on a server that cannot tell, charged to no single record.  Errors of rows
// sent by a later record or by flush() are raised by that call.  No statement grows past the
// server's max_allowed_packet: a row that cannot fit into any is its record's error
// (sql_exception 1153), raised before anything is sent.  A row with a binary value longer than
// k_long_value_bytes goes as a statement of its own, the long values sent apart from its text, a
// piece at a time, so that no value is ever held again as its hex text; its failure is its
// record's error, as for a row sent alone.  The destructor sends what flush() did not, and only
// logs a failure.
//
// The server stores one connection's statements one after another.  Into an InnoDB table this
// run created, whose primary key and unique keys are all integer columns with no auto-increment,
// batched statements may go over further sessions (sql_database::lane) while the ones before
// them are stored: the rows sit in their key's order whatever order they land in, and each row's
// key is remembered, so that the first possible duplicate (or a key value that is no plain
// integer) sends every later statement after all earlier ones, over the one connection, as
// before.  Answers are taken oldest first: errors are told in the order of the records, and a
// lost session counts every row any session confirmed.
//
// The owning sql_database (borrowed) must outlive it.  Thread-safety: none.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "SQL/dmp_key_set.h"
#include "SQL/sql_database.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_recordset.h"
#include "UDB/udb_relationships.h"

class sql_table : public sql_recordset {
    friend class sql_database;

public:
    // A multi-row statement is sent once it is longer than this.
    static constexpr std::size_t k_max_statement = 1000000;
    // At most this many warnings of one statement are placed on their rows one by one.
    static constexpr std::size_t k_max_diagnostic_rows = 4096;
    // A binary value longer than this travels apart from its row's text.
    static constexpr std::size_t k_long_value_bytes = k_max_statement / 2;
    // The server's number for a statement larger than its max_allowed_packet.
    static constexpr unsigned int k_packet_too_large = 1153;

    // Opens the table: count, columns, then the column details, and (when the flags hold any bit
    // but 0x20 and 0x40) the indexes and foreign keys.  Raises sql_exception.
    sql_table(sql_database* database, const std::wstring& table, udb_names_map* names, int flags);
    // Sends the rows still held back; a failure is only logged.
    ~sql_table() override;

    // Writes one record (see above for what it raises), numbered one past the last.
    void append_record(udb_record& record) override;
    // Writes record `number` of the source; every error reported for its row names that number.
    void append_record(udb_record& record, int number) override;
    // Sends the rows still held back; raises as append_record does.
    void flush() override;
    // Updates the row with the record's primary or unique key; nothing when the table has no
    // such key or the record lacks one of its fields.  Raises sql_exception.
    void update1(udb_record& record) override;
    // Updates the rows whose fields equal those of `key`; raises sql_exception.
    void update2(udb_record& record, udb_record& key) override;
    // Updates the row identified by the named index; raises sql_exception.
    void update(udb_record& record, const std::wstring& key_name);
    // Deletes the rows whose fields equal those of `key`.  A key that names no column of the table
    // raises tk_exception (level 0) rather than deleting every row; sql_exception on failure.
    void delete_key(udb_record& key) override;

    // The foreign keys read from the server.
    udb_relationships& get_relationships() noexcept { return m_relationships; }

private:
    struct pending_row {
        std::size_t start;
        std::size_t end;
        int position;
    };
    // A statement sent without waiting for its answer.
    struct flight {
        // The connection it went on; null when this slot holds none.
        MYSQL* handle = nullptr;
        std::string text;
        std::string head;
        std::vector<pending_row> rows;
        // Why it could not be sent; told when its turn to be answered comes.
        std::optional<sql_exception> failure;
        std::chrono::steady_clock::time_point sent;
    };
    // A unique key whose rows are remembered while statements may overlap.
    struct lane_key {
        // Its columns, as indexes into m_pairs.
        std::vector<std::size_t> pairs;
        dmp_key_set seen;
    };

    void initialize(int flags);
    void read_columns();
    void read_indexes();
    void read_foreign_keys();

    // Pairs the record's fields with the table's columns and builds the statement head, when
    // the record's field names differ from the last record's.
    void match_layout(const udb_record& record);
    void append_values(std::string& out, udb_record& record);
    // Whether statements of this table may overlap (see above); decided on the first batched row.
    bool lanes_allowed();
    // Remembers the keys of the row whose values are at m_spans in m_pending; false when one of
    // them may repeat an earlier row's, or is not a plain integer.
    bool keys_are_new();
    void fast_append(udb_record& record, int position);
    // True when a statement of that many bytes is more than the server takes in one packet.
    static bool exceeds_packet(std::size_t statement_size);
    // Raises the record error of a row that no statement can carry.
    [[noreturn]] static void refuse_oversized(std::size_t statement_size);
    // The last row took the held statement past the packet limit: the rows before it are sent
    // and it starts the next statement (or is refused when it alone is too large).
    void keep_within_packet(std::size_t restart);
    void slow_append(udb_record& record, int position);
    // Finds the record's binary values longer than k_long_value_bytes; true when there are any.
    bool find_long_values(udb_record& record);
    // Sends the held rows, then the record alone with its long values apart.  Its failure goes to
    // m_errors when `batched`, else it is raised; a lost connection raises sql_rows_lost.
    void send_long_row(udb_record& record, int position, bool batched);
    // Sends the held rows and waits (one by one when the statement fails); their errors go to
    // m_errors.  Raises sql_exception when the connection is gone.
    void send_batch();
    // Sends the held rows without waiting for the server's answer.
    void start_flight();
    // A session with no statement of this table in flight: the connection, or while statements
    // may overlap a further session; null when none is free.
    MYSQL* free_session();
    // The statement of a failed or finished send on `handle`: warnings read, or its rows sent one
    // by one there.
    void conclude(MYSQL* handle, const sql_exception* failure, unsigned int warnings,
                  std::string& text, std::vector<pending_row>& rows, const std::string& head);
    // Takes the server's answers to the statements sent without waiting, oldest first; the
    // database calls it before it sends anything else on the connection.
    void finish_flight();
    void finish_oldest();
    void take_oldest();
    // When the answer to a statement sent without waiting is due at the latest.
    static std::chrono::steady_clock::time_point answer_deadline(const flight& owed);
    // The table failed: takes the answers still owed that come within the time a statement may
    // wait, counting the rows they confirm and reading their warnings, drops the rows held back,
    // closes the further sessions, and cuts the connection when its answer was not taken.
    void abandon_flights() noexcept;
    // The failure with the record errors held so far appended to its message (they are cleared);
    // as sql_rows_lost with the rows confirmed.
    sql_exception with_earlier_errors(const sql_exception& e);
    sql_rows_lost rows_lost(const sql_exception& e);
    // Reads the warnings of the last statement on `handle`, whose rows are at `positions`.
    void collect_warnings(MYSQL* handle, const std::vector<int>& positions);
    // The statement rows (from 1) of the last statement's conditions (numbered from 1) whose
    // messages name no row, as the server tells them; 0 where it cannot.
    std::vector<int> diagnostic_rows(MYSQL* handle, const std::vector<int>& conditions);
    std::unique_ptr<udb_recordset> query_on(MYSQL* handle, const std::wstring& statement);
    void raise_errors();
    // "col <=> value" conditions of the key's fields joined by " AND " (empty when none match).
    std::wstring key_conditions(udb_record& key) const;
    std::string table_text() const;

    std::string m_head;
    std::string m_pending;
    std::string m_pending_head;
    std::vector<pending_row> m_rows;
    // The statements sent without waiting: m_flight_count of them from m_first_flight on.
    std::array<flight, 1 + sql_database::k_lanes> m_flights;
    std::size_t m_first_flight = 0;
    std::size_t m_flight_count = 0;
    // Set by sql_database::create_table for a table it created.
    bool m_created_empty = false;
    // Undecided, then whether statements may still overlap.
    std::optional<bool> m_lanes;
    // The statement head m_lane_keys were found for.
    std::string m_lanes_head;
    std::vector<lane_key> m_lane_keys;
    // Per column: the digits an integer literal may have and surely fit (0: not an integer
    // column), and whether it refuses a sign.
    std::vector<int> m_integer_digits;
    std::vector<bool> m_unsigned;
    bool m_auto_increment = false;
    // Where each of m_pairs' values of the row being added stands in m_pending, while m_lanes.
    std::vector<std::pair<std::size_t, std::size_t>> m_spans;
    std::string m_key_text;
    std::string m_single;
    // The long values of the record sent apart, and which of m_pairs they are.
    std::vector<std::string_view> m_long_values;
    std::vector<bool> m_long_pairs;
    std::vector<int> m_positions;
    int m_attempted = 0;
    // Rows the server confirmed written.
    long long m_confirmed = 0;
    std::vector<std::wstring> m_layout_names;
    bool m_layout_ready = false;
    std::vector<std::pair<std::size_t, std::size_t>> m_pairs;
    std::vector<sql_record_error> m_errors;
    udb_relationships m_relationships;
};
