#include "SQL/sql_table.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

#include "SQL/sql_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_errors.h"
#include "SQL/sql_field_finder.h"
#include "SQL/sql_fk_parser.h"
#include "SQL/sql_tmp_recordset.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_compare.h"

namespace {

// Warnings that mean the server stored something else than it was sent, or nothing at all.
bool is_value_change(unsigned int code) {
    switch (code) {
        case k_mysql_bad_null:
        case k_mysql_duplicate_entry:   // row skipped (the run lets merging swallow it)
        case k_mysql_null_to_not_null:  // default used
        case k_mysql_out_of_range:
        case k_mysql_data_truncated:
        case k_mysql_truncated_wrong_value:  // a date, time or number
        case k_mysql_invalid_character_string:
        case k_mysql_incorrect_value:
        case k_mysql_illegal_value:
        case k_mysql_data_too_long:
        case k_mysql_datetime_overflow:
        case k_mysql_row_is_referenced:  // row skipped
        case k_mysql_no_referenced_row:  // row skipped
        case k_mysql_illegal_value_for_type:
        case k_mysql_check_constraint:     // row skipped
        case k_mariadb_constraint_failed:  // row skipped
            return true;
        default:
            return false;
    }
}

// Takes " at row N" off a server message; gives N, or 0 when the message names no row.
int take_row_number(std::string& message) {
    const std::size_t at = message.rfind(" at row ");
    if (at == std::string::npos) return 0;
    const int row = std::atoi(message.c_str() + at + 8);
    message.erase(at);
    return row;
}

std::wstring lower_text(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

// The digits an integer of a column of that (lower-case) type may have and surely fit, whatever
// its sign; 0 for a column that is no integer.
int integer_digits(const std::wstring& type) {
    static const std::pair<const wchar_t*, int> kinds[] = {
        {L"tinyint", 2}, {L"smallint", 4}, {L"mediumint", 6}, {L"bigint", 18}, {L"int", 9}};
    for (const auto& [name, digits] : kinds) {
        const std::size_t length = std::wcslen(name);
        if (type.compare(0, length, name) == 0 &&
            (type.size() == length || type[length] == L'(' || type[length] == L' '))
            return digits;
    }
    return 0;
}

// True when `literal` is an integer as a column stores it: digits without leading zeros, after a
// minus sign when `sign` allows one, at most `digits` of them.
bool is_plain_integer(std::string_view literal, int digits, bool sign) {
    const bool negative = sign && !literal.empty() && literal.front() == '-';
    if (negative) literal.remove_prefix(1);
    if (literal.empty() || literal.size() > static_cast<std::size_t>(digits)) return false;
    // "-0" and "007" are the key 0 and 7 in other spellings.
    if (literal.front() == '0' && (literal.size() > 1 || negative)) return false;
    for (char c : literal)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

sql_table::sql_table(sql_database* database, const std::wstring& table, udb_names_map* names,
                     int flags)
    : sql_recordset(database, table, names) {
    tk_log(2, "sql_table::ctor");
    initialize(flags);
}

sql_table::~sql_table() {
    tk_log(2, "sql_table::dtor");
    if (m_flight_count == 0 && m_pending.empty() && m_errors.empty()) return;
    try {
        tk_log(2, "Run SQL query: [%s]", m_pending.c_str());
        send_batch();
        raise_errors();
    } catch (const tk_exception& e) {
        tk_wlog(3, L"Table '%s': ERROR '%S'", m_name.c_str(), e.what());
    }
    // The database must not come back to a table that is gone.
    if (m_flight_count > 0) abandon_flights();
}

std::string sql_table::table_text() const {
    return tk_to_utf8(m_database->name_text(m_name));
}

// ---- schema ----------------------------------------------------------------------------------

void sql_table::initialize(int flags) {
    tk_log(2, "sql_table::initialize(%d)", flags);
    read_columns();
    if ((flags & ~0x60) == 0) {
        tk_log(1, "Mode=no_indexes, nothing to do");
        return;
    }
    read_indexes();
    if (sql_engine::instance().version_word > 0x3172B) read_foreign_keys();
}

void sql_table::read_columns() {
    auto columns = m_database->query(L"SHOW COLUMNS FROM " + m_database->name_text(m_name));
    if (!columns) return;
    std::size_t row_number = 0;
    for (; !columns->is_eof(); columns->next(), ++row_number) {
        udb_record& row = *columns->get_item();
        if (row.size() < 3) continue;
        // Matched by name: the order of SHOW COLUMNS is the table's, but a name cannot be wrong.
        int at = m_schema.get_field_idx(sql_record::text_of(row[0]));
        if (at < 0 && row_number < m_schema.size()) at = static_cast<int>(row_number);
        if (at < 0) continue;
        t_ftd& column = m_schema[static_cast<std::size_t>(at)];

        const std::wstring type = lower_text(sql_record::text_of(row[1]));
        tk_wlog(1, L"Got type: %s", type.c_str());
        m_integer_digits.resize(m_schema.size(), 0);
        m_unsigned.resize(m_schema.size(), false);
        m_integer_digits[static_cast<std::size_t>(at)] = integer_digits(type);
        m_unsigned[static_cast<std::size_t>(at)] = type.find(L"unsigned") != std::wstring::npos;
        if (row.size() >= 6 &&
            lower_text(sql_record::text_of(row[row.size() - 1])).find(L"auto_increment") !=
                std::wstring::npos)
            m_auto_increment = true;
        int size = 0, digits = 0, decimals = 0;
        if (std::swscanf(type.c_str(), L"varchar(%d)", &size) == 1) {
            tk_log(1, "Refining size for varchar: %d", size);
            column.size = static_cast<unsigned int>(size);
        } else if (std::swscanf(type.c_str(), L"float(%d,%d)", &digits, &decimals) == 2) {
            tk_log(1, "Refining type for FLOAT(%d,%d)", digits, decimals);
            if (digits != 0 && decimals != 0 && decimals < digits) {
                column.vartype = VT_DECIMAL;
                column.dw_reserved = digits * 256 + decimals;
            }
        }

        const udb_field& default_cell = row[row.size() - 2];
        const std::wstring text = sql_record::text_of(default_cell);
        tk_wlog(1, L"Got default value: %s", text.c_str());
        if (!column.b_not_null && text.empty()) continue;
        tk_log(1, "Default value's type: %08X", static_cast<unsigned>(column.vartype));
        if (column.vartype == VT_DATE &&
            (text.empty() || text == L"0000-00-00" || text == L"0000-00-00 00:00:00" ||
             text == L"00000000000000")) {
            tk_log(1, "Skip empty def.values for date column");
            column.default_value = ole_variant();
            column.b_not_null = false;
            continue;
        }
        if (default_cell.is_null()) continue;
        const bool as_text = column.vartype == VT_BSTR || column.vartype == VT_DATE;
        try {
            column.default_value =
                get_variant(static_cast<VARTYPE>(as_text ? VT_BSTR : column.vartype), text);
        } catch (const std::exception& e) {
            // An expression default (a sequence, a function) is no value of the column's type.
            tk_log(2, "Default value kept out: %s", e.what());
        }
    }
}

void sql_table::read_indexes() {
    auto rows = m_database->query(L"SHOW INDEX FROM " + quote_mysql_name(m_name));
    if (!rows) return;
    for (; !rows->is_eof(); rows->next()) {
        udb_record& row = *rows->get_item();
        if (row.size() < 5 || row[4].is_null()) continue;
        const std::wstring name = sql_record::text_of(row[2]);
        const bool primary = name == L"PRIMARY";
        const bool unique = sql_record::text_of(row[1]) == L"0";
        const std::wstring column = sql_record::text_of(row[4]);
        tk_wlog(1, L"Got index '%s' (primary=%d, unique=%d)", name.c_str(), primary ? 1 : 0,
                unique ? 1 : 0);
        if (m_indexes.find2(name))
            m_indexes.get_index(name).columns.push_back(column);
        else
            add_index(udb_index(name, unique, primary, {column}));
    }
}

void sql_table::read_foreign_keys() {
    tk_log(2, "Extracting foreign keys");
    auto rows = m_database->query(L"SHOW CREATE TABLE " + quote_mysql_name(m_name));
    if (!rows) return;
    for (; !rows->is_eof(); rows->next()) {
        udb_record& row = *rows->get_item();
        if (row.size() < 2) continue;
        sql_fk_parser(m_name, tk_to_utf8(sql_record::text_of(row[1]))).do_parse(m_relationships);
    }
}

// ---- appending -------------------------------------------------------------------------------

void sql_table::match_layout(const udb_record& record) {
    if (m_layout_ready && record.size() == m_layout_names.size()) {
        bool same = true;
        for (std::size_t i = 0; same && i < record.size(); ++i)
            same = same_field_name(record[i].get_name(), m_layout_names[i]);
        if (same) return;
    }
    m_layout_names.clear();
    for (const auto& field : record) m_layout_names.push_back(field->get_name());
    m_layout_ready = true;

    const sql_field_finder finder(record);
    m_pairs.clear();
    if (record.size() < m_schema.size()) {
        tk_log(1, "Size of record is less than size of schema");
        for (std::size_t j = 0; j < record.size(); ++j) {
            tk_wlog(1, L"Name=%s, mapped name=%s", record[j].get_name().c_str(),
                    finder.name(j).c_str());
            const int column = m_schema.get_field_idx(finder.name(j));
            if (column < 0)
                tk_wlog(1, L"Field %s not found", finder.name(j).c_str());
            else
                m_pairs.emplace_back(static_cast<std::size_t>(column), j);
        }
    } else {
        tk_log(1, "Size of schema is less or equal to the size of record");
        for (std::size_t i = 0; i < m_schema.size(); ++i) {
            const int field = finder.get_field_idx(m_schema[i].name);
            if (field < 0)
                tk_wlog(1, L"Field %s not found in appending record", m_schema[i].name.c_str());
            else
                m_pairs.emplace_back(i, static_cast<std::size_t>(field));
        }
    }

    std::wstring head =
        (m_database->get_mode() & k_open_replace_rows) ? L"REPLACE INTO " : L"INSERT IGNORE INTO ";
    head += m_database->name_text(m_name) + L"(";
    for (std::size_t k = 0; k < m_pairs.size(); ++k) {
        if (k) head += L", ";
        head += m_database->name_text(m_schema[m_pairs[k].first].name);
    }
    m_head = tk_to_utf8(head) + ")";
}

void sql_table::append_values(std::string& out, udb_record& record) {
    const bool spans = m_lanes.value_or(false);
    if (spans) m_spans.clear();
    for (std::size_t k = 0; k < m_pairs.size(); ++k) {
        if (k) out += ", ";
        const std::size_t start = out.size();
        append_fld_str(out, &record[m_pairs[k].second], &m_schema[m_pairs[k].first]);
        if (spans) m_spans.emplace_back(start, out.size());
    }
}

bool sql_table::lanes_allowed() {
    m_lane_keys.clear();
    bool primary = false;
    bool allowed = m_created_empty && !m_auto_increment;
    for (const udb_index& index : m_indexes) {
        if (!allowed) break;
        if (!index.primary && !index.unique) continue;
        primary = primary || index.primary;
        lane_key key;
        for (const std::wstring& column : index.columns) {
            std::size_t k = 0;
            while (k < m_pairs.size() && !same_field_name(m_schema[m_pairs[k].first].name, column))
                ++k;
            // A key column the rows do not name takes its default in every row.
            if (k == m_pairs.size() || m_integer_digits.size() <= m_pairs[k].first ||
                m_integer_digits[m_pairs[k].first] == 0) {
                allowed = false;
                break;
            }
            key.pairs.push_back(k);
        }
        m_lane_keys.push_back(std::move(key));
    }
    // Without a primary key InnoDB keeps rows in the order they arrived, and any other engine
    // keeps them so or stores one connection at a time.
    if (!allowed || !primary || sql_engine::instance().version_word < 0x50000) return false;
    try {
        auto engine = m_database->query(
            L"SELECT ENGINE FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE() AND "
            L"TABLE_NAME = '" +
            sql_escape_text(m_name) + L"'");
        udb_record* row = engine ? engine->get_item() : nullptr;
        return row && !row->empty() && lower_text(sql_record::text_of((*row)[0])) == L"innodb";
    } catch (const sql_exception& e) {
        if (e.is_connection_lost()) throw;
        tk_log(2, "The table's storage engine is not known: %s", e.what());
        return false;
    }
}

bool sql_table::keys_are_new() {
    for (lane_key& key : m_lane_keys) {
        m_key_text.clear();
        for (std::size_t k : key.pairs) {
            const std::size_t column = m_pairs[k].first;
            const std::string_view literal(m_pending.data() + m_spans[k].first,
                                           m_spans[k].second - m_spans[k].first);
            if (!is_plain_integer(literal, m_integer_digits[column], !m_unsigned[column]))
                return false;
            // The parts of a key of several columns go each after its length, so that no two
            // keys read alike.
            if (key.pairs.size() > 1) m_key_text += static_cast<char>(literal.size());
            m_key_text += literal;
        }
        if (!key.seen.insert(m_key_text)) return false;
    }
    return true;
}

void sql_table::append_record(udb_record& record) {
    append_record(record, m_attempted + 1);
}

void sql_table::append_record(udb_record& record, int number) {
    tk_log(1, "sql_table::append_record");
    m_attempted = number;
    const int position = number;
    if (sql_engine::instance().fast_append_mode)
        fast_append(record, position);
    else
        slow_append(record, position);
    ++m_record_count;
    raise_errors();
}

void sql_table::slow_append(udb_record& record, int position) {
    tk_log(1, "sql_table::slow_append");
    // Rows held back from batched appends go first, so rows land in the order they came.
    if (!m_pending.empty()) send_batch();
    match_layout(record);
    if (find_long_values(record)) {
        send_long_row(record, position, false);
        return;
    }
    m_single.assign(m_head);
    m_single += " VALUES (";
    append_values(m_single, record);
    m_single += ')';
    if (exceeds_packet(m_single.size())) refuse_oversized(m_single.size());
    tk_log(2, "Run SQL query: %s", m_single.c_str());
    unsigned int warnings = 0;
    try {
        warnings = m_database->query_append(m_single);
    } catch (const sql_exception& e) {
        if (e.is_connection_lost()) throw sql_rows_lost(e, tk_to_utf8(m_name), m_confirmed);
        throw;
    }
    ++m_confirmed;
    if (warnings) {
        m_positions.assign(1, position);
        collect_warnings(m_database->handle(), m_positions);
    }
}

void sql_table::fast_append(udb_record& record, int position) {
    tk_log(1, "sql_table::fast_append");
    tk_log(1, "that.size=%d", static_cast<int>(record.size()));
    match_layout(record);
    if (find_long_values(record)) {
        send_long_row(record, position, true);
        return;
    }
    // The column list of a statement is its first row's: a row for other columns starts anew.
    if (!m_pending.empty() && m_pending_head != m_head) {
        send_batch();
        // Rows for other columns may take another column's default as their key.
        m_lanes = false;
    }
    // The keys found for lanes name the columns of the layout they were found for.
    if (m_lanes.value_or(false) && m_head != m_lanes_head) m_lanes = false;
    if (!m_lanes.has_value()) {
        m_lanes = lanes_allowed();
        m_lanes_head = m_head;
    }

    const std::size_t restart = m_pending.size();
    try {
        if (m_pending.empty()) {
            tk_log(1, "Initialize new query...");
            m_pending_head = m_head;
            m_pending += m_head;
            m_pending += " VALUES";
        } else {
            m_pending += ", ";
        }
        const std::size_t start = m_pending.size();
        m_pending += '(';
        append_values(m_pending, record);
        m_pending += ')';
        m_rows.push_back({start, m_pending.size(), position});
        tk_log(1, "*** FAST INSERT MODE ***");
        tk_log(1, "sql_query=[%s]", m_pending.c_str() + start);
    } catch (...) {
        m_pending.resize(restart);
        if (m_rows.empty()) m_pending.clear();
        throw;
    }
    // From a row that may repeat an earlier key on, statements go one after another again, so
    // that the same row wins as over one connection.
    if (*m_lanes && !keys_are_new()) m_lanes = false;
    if (exceeds_packet(m_pending.size())) keep_within_packet(restart);
    if (m_pending.size() > k_max_statement) {
        tk_log(2, "Run SQL query: [%s]", m_pending.c_str());
        // Sent without waiting: the server stores these rows while the next ones are rendered.
        start_flight();
    }
}

bool sql_table::find_long_values(udb_record& record) {
    m_long_values.clear();
    m_long_pairs.assign(m_pairs.size(), false);
    for (std::size_t k = 0; k < m_pairs.size(); ++k) {
        const std::uint8_t* bytes = nullptr;
        std::size_t count = 0;
        if (hex_literal_bytes(record[m_pairs[k].second], m_schema[m_pairs[k].first], bytes,
                              count) &&
            count > k_long_value_bytes) {
            m_long_values.emplace_back(reinterpret_cast<const char*>(bytes), count);
            m_long_pairs[k] = true;
        }
    }
    return !m_long_values.empty();
}

void sql_table::send_long_row(udb_record& record, int position, bool batched) {
    send_batch();
    m_single.assign(m_head);
    m_single += " VALUES (";
    for (std::size_t k = 0; k < m_pairs.size(); ++k) {
        if (k) m_single += ", ";
        if (m_long_pairs[k])
            m_single += '?';
        else
            append_fld_str(m_single, &record[m_pairs[k].second], &m_schema[m_pairs[k].first]);
    }
    m_single += ')';
    if (exceeds_packet(m_single.size())) refuse_oversized(m_single.size());
    try {
        m_database->query_with_long_values(m_single, m_long_values, [this, position](unsigned int) {
            m_positions.assign(1, position);
            collect_warnings(m_database->handle(), m_positions);
        });
    } catch (const sql_exception& e) {
        if (e.is_connection_lost()) throw sql_rows_lost(e, tk_to_utf8(m_name), m_confirmed);
        if (!batched) throw;
        m_errors.emplace_back(m_name, position, std::wstring(), e.message(),
                              static_cast<unsigned int>(e.mysql_errno_value()));
        return;
    }
    ++m_confirmed;
}

bool sql_table::exceeds_packet(std::size_t statement_size) {
    // The statement travels as one packet with its command byte.
    const unsigned long packet = sql_engine::instance().max_packet();
    return packet > 0 && statement_size + 1 > packet;
}

void sql_table::refuse_oversized(std::size_t statement_size) {
    throw sql_exception("The row takes " + std::to_string(statement_size) +
                            " bytes as a statement, more than the server's max_allowed_packet (" +
                            std::to_string(sql_engine::instance().max_packet()) +
                            " bytes); it was not sent.",
                        k_packet_too_large);
}

void sql_table::keep_within_packet(std::size_t restart) {
    // The rows before the last one go as they are; the last starts a statement of its own,
    // unless it cannot fit into any statement, then it is its record's error alone.
    const pending_row last = m_rows.back();
    std::string row_text(m_pending, last.start, last.end - last.start);
    m_rows.pop_back();
    m_pending.resize(m_rows.empty() ? 0 : restart);
    if (!m_rows.empty()) start_flight();
    m_pending_head = m_head;
    m_pending = m_head + " VALUES";
    const std::size_t start = m_pending.size();
    m_pending += row_text;
    if (exceeds_packet(m_pending.size())) {
        const std::size_t size = m_pending.size();
        m_pending.clear();
        refuse_oversized(size);
    }
    m_rows.push_back({start, m_pending.size(), last.position});
}

void sql_table::flush() {
    tk_log(2, "sql_table::flush");
    send_batch();
    raise_errors();
}

void sql_table::send_batch() {
    finish_flight();
    if (m_rows.empty()) {
        m_pending.clear();
        return;
    }
    MYSQL* handle = m_database->handle();
    try {
        const unsigned int warnings = m_database->query_append(m_pending);
        conclude(handle, nullptr, warnings, m_pending, m_rows, m_pending_head);
    } catch (const sql_exception& e) {
        conclude(handle, &e, 0, m_pending, m_rows, m_pending_head);
    }
}

namespace {

// Waits for an answer on the session until `deadline`; false when none came by then.
bool answer_comes(MYSQL* handle, std::chrono::steady_clock::time_point deadline) noexcept {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd socket{static_cast<int>(mysql_get_socket(handle)), POLLIN, 0};
        const int ready = poll(&socket, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready >= 0 || errno != EINTR) return ready != 0;
    }
}

}  // namespace

MYSQL* sql_table::free_session() {
    const auto busy = [this](MYSQL* handle) {
        for (std::size_t i = 0; i < m_flight_count; ++i)
            if (m_flights[(m_first_flight + i) % m_flights.size()].handle == handle) return true;
        return false;
    };
    if (!busy(m_database->handle())) return m_database->handle();
    if (!m_lanes.value_or(false)) return nullptr;
    // An answer that came already is taken first: its session is free then, and no session is
    // opened for nothing.
    const flight& oldest = m_flights[m_first_flight];
    if (oldest.failure || answer_comes(oldest.handle, std::chrono::steady_clock::now()))
        return nullptr;
    // A session opened while the oldest answer is owed waits for the server no longer than that
    // answer may: a server that stopped answering costs the time-out once.
    const auto left = std::chrono::duration_cast<std::chrono::seconds>(
        answer_deadline(oldest) - std::chrono::steady_clock::now());
    if (left.count() < 1) return nullptr;
    for (std::size_t i = 0; i < sql_database::k_lanes; ++i) {
        MYSQL* lane = m_database->lane(i, static_cast<unsigned int>(left.count()));
        if (lane && !busy(lane)) return lane;
    }
    return nullptr;
}

void sql_table::start_flight() {
    // Answers are taken oldest first, so that rows and their errors stay in order: all of them
    // over one connection, the oldest when every session has a statement.
    if (!m_lanes.value_or(false)) finish_flight();
    MYSQL* handle = nullptr;
    while (!(handle = free_session())) finish_oldest();

    flight& next = m_flights[(m_first_flight + m_flight_count) % m_flights.size()];
    next.text.swap(m_pending);
    next.rows.swap(m_rows);
    next.head.swap(m_pending_head);
    next.handle = handle;
    next.failure.reset();
    next.sent = std::chrono::steady_clock::now();
    m_pending.clear();
    m_rows.clear();
    ++m_flight_count;
    m_database->set_in_flight(this);
    tk_log(1, "sql_database::query_append( q_len=%d)", static_cast<int>(next.text.size()));
    if (mysql_send_query(handle, next.text.data(), next.text.size()) != 0) {
        next.failure.emplace(handle);
        // Each further send could wait its own write time-out: the answers owed are taken
        // first, and the failure meets its rows in order.
        m_lanes = false;
    }
}

void sql_table::finish_flight() {
    while (m_flight_count > 0) finish_oldest();
}

void sql_table::finish_oldest() {
    try {
        take_oldest();
    } catch (const sql_rows_lost&) {
        throw;
    } catch (const sql_exception& e) {
        // Reading the warnings failed after the answer came: the later answers are still owed.
        abandon_flights();
        if (e.is_connection_lost()) throw rows_lost(e);
        throw;
    }
}

std::chrono::steady_clock::time_point sql_table::answer_deadline(const flight& owed) {
    return owed.sent + std::chrono::seconds(sql_engine::answer_timeout());
}

void sql_table::take_oldest() {
    flight& done = m_flights[m_first_flight];
    m_first_flight = (m_first_flight + 1) % m_flights.size();
    if (--m_flight_count == 0) m_database->set_in_flight(nullptr);
    MYSQL* handle = done.handle;
    done.handle = nullptr;
    if (done.failure) {
        const sql_exception failure = *done.failure;
        done.failure.reset();
        conclude(handle, &failure, 0, done.text, done.rows, done.head);
    } else if (!answer_comes(handle, answer_deadline(done))) {
        // Counted from the sending, as over one connection: a server that stopped answering
        // costs the time-out once, however many statements wait on it.
        const sql_exception failure("Lost connection to server during query (no answer in " +
                                        std::to_string(sql_engine::answer_timeout()) + " s)",
                                    k_mysql_lost_connection);
        // The answer may still come: the session would read it as the next statement's.
        if (handle == m_database->handle()) mariadb_cancel(handle);
        conclude(handle, &failure, 0, done.text, done.rows, done.head);
    } else if (mysql_read_query_result(handle) != 0) {
        const sql_exception failure(handle);
        conclude(handle, &failure, 0, done.text, done.rows, done.head);
    } else {
        if (MYSQL_RES* result = mysql_use_result(handle)) mysql_free_result(result);
        conclude(handle, nullptr, mysql_warning_count(handle), done.text, done.rows, done.head);
    }
}

void sql_table::abandon_flights() noexcept {
    // Each answer is waited for no longer than its statement could wait anyway, counted from its
    // sending: a server that stopped answering one session costs the time-out once, not once a
    // session.
    bool connection_owed = false;
    for (; m_flight_count > 0; --m_flight_count) {
        flight& owed = m_flights[m_first_flight];
        m_first_flight = (m_first_flight + 1) % m_flights.size();
        if (!owed.failure && answer_comes(owed.handle, answer_deadline(owed)) &&
            mysql_read_query_result(owed.handle) == 0) {
            if (MYSQL_RES* result = mysql_use_result(owed.handle)) mysql_free_result(result);
            m_confirmed += static_cast<long long>(owed.rows.size());
            // Stored rows whose values the server changed are told like any others.
            if (mysql_warning_count(owed.handle) != 0) {
                m_positions.clear();
                for (const auto& row : owed.rows) m_positions.push_back(row.position);
                try {
                    collect_warnings(owed.handle, m_positions);
                } catch (const std::exception&) {
                    m_errors.push_back(sql_record_error::unplaced(
                        m_name, m_positions.front(), m_positions.back(),
                        "the server reported changed values among these rows, but its warnings "
                        "could not be read",
                        0));
                }
            }
        } else if (!owed.failure && owed.handle == m_database->handle()) {
            connection_owed = true;
        }
        owed.handle = nullptr;
        owed.failure.reset();
        owed.text.clear();
        owed.rows.clear();
    }
    m_database->set_in_flight(nullptr);
    // An answer not taken leaves its session out of step: the further sessions are closed, and
    // the connection is cut so that the next job connects again instead of reading it.
    m_database->close_lanes();
    if (connection_owed) mariadb_cancel(m_database->handle());
    // The table failed: the rows held back are not sent after the count was told.
    m_pending.clear();
    m_rows.clear();
}

sql_exception sql_table::with_earlier_errors(const sql_exception& e) {
    // The record errors found before the table failed are told with its failure: nothing raises
    // them afterwards.
    std::string text = e.message();
    for (const auto& earlier : m_errors) text += "\n" + earlier.message();
    m_errors.clear();
    return sql_exception(text, static_cast<unsigned int>(e.mysql_errno_value()));
}

sql_rows_lost sql_table::rows_lost(const sql_exception& e) {
    return sql_rows_lost(with_earlier_errors(e), tk_to_utf8(m_name), m_confirmed);
}

void sql_table::conclude(MYSQL* handle, const sql_exception* failure, unsigned int warnings,
                         std::string& text, std::vector<pending_row>& rows,
                         const std::string& head) {
    m_positions.clear();
    for (const auto& row : rows) m_positions.push_back(row.position);
    if (!failure) {
        m_confirmed += static_cast<long long>(rows.size());
        // Stored already: a failure to read the warnings must not send them again.
        text.clear();
        rows.clear();
        if (warnings) collect_warnings(handle, m_positions);
        return;
    }
    const sql_exception& e = *failure;
    if (e.is_connection_lost()) {
        text.clear();
        rows.clear();
        abandon_flights();
        throw rows_lost(e);
    }
    if (e.is_table_refused()) {
        // Each row alone would meet the same refusal.
        text.clear();
        rows.clear();
        abandon_flights();
        throw with_earlier_errors(e);
    }
    tk_wlog(3, L"Table '%s': a statement of %d rows failed (%S); sending them one by one",
            m_name.c_str(), static_cast<int>(rows.size()), e.what());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const pending_row& row = rows[i];
        m_single.assign(head);
        m_single += " VALUES ";
        m_single.append(text, row.start, row.end - row.start);
        try {
            // On the statement's own connection: the other one may still be storing later rows.
            const unsigned int row_warnings = sql_database::run_append(handle, m_single);
            ++m_confirmed;
            if (row_warnings) {
                m_positions.assign(1, row.position);
                collect_warnings(handle, m_positions);
            }
        } catch (const sql_exception& one) {
            if (!one.is_connection_lost()) {
                m_errors.emplace_back(m_name, row.position, std::wstring(), one.message(),
                                      static_cast<unsigned int>(one.mysql_errno_value()));
                continue;
            }
            text.clear();
            rows.clear();
            abandon_flights();
            throw rows_lost(one);
        }
    }
    text.clear();
    rows.clear();
}

std::unique_ptr<udb_recordset> sql_table::query_on(MYSQL* handle, const std::wstring& statement) {
    MYSQL_RES* result = sql_database::run_query(handle, tk_to_utf8(statement));
    if (!result) return nullptr;
    return std::make_unique<sql_tmp_recordset>(result);
}

void sql_table::collect_warnings(MYSQL* handle, const std::vector<int>& positions) {
    auto warnings = query_on(handle, L"SHOW WARNINGS");
    if (!warnings) return;
    struct change {
        unsigned int code;
        std::string message;
        int row;
        // Its place in `unplaced`, when its row is asked for.
        int asked;
    };
    std::vector<change> changes;
    std::vector<int> unplaced;
    int condition = 0;
    for (; !warnings->is_eof(); warnings->next()) {
        udb_record& row = *warnings->get_item();
        ++condition;
        if (row.size() < 3) continue;
        const unsigned int code = static_cast<unsigned int>(
            std::wcstoul(sql_record::text_of(row[1]).c_str(), nullptr, 10));
        if (!is_value_change(code)) continue;
        std::string message = tk_to_utf8(sql_record::text_of(row[2]));
        const int row_number = take_row_number(message);
        // A statement of one row needs no asking.
        int asked = -1;
        if (row_number == 0 && positions.size() > 1) {
            asked = static_cast<int>(unplaced.size());
            unplaced.push_back(condition);
        }
        changes.push_back({code, std::move(message), row_number, asked});
    }
    const std::vector<int> rows = diagnostic_rows(handle, unplaced);
    for (change& c : changes) {
        if (c.asked >= 0) c.row = rows[static_cast<std::size_t>(c.asked)];
        if (c.row >= 1 && static_cast<std::size_t>(c.row) <= positions.size()) {
            m_errors.emplace_back(m_name, positions[static_cast<std::size_t>(c.row - 1)],
                                  std::wstring(), c.message, c.code);
        } else if (positions.size() == 1) {
            m_errors.emplace_back(m_name, positions.front(), std::wstring(), c.message, c.code);
        } else {
            // Charged to no record rather than to a wrong one.
            m_errors.push_back(sql_record_error::unplaced(m_name, positions.front(),
                                                          positions.back(), c.message, c.code));
        }
    }
}

std::vector<int> sql_table::diagnostic_rows(MYSQL* handle, const std::vector<int>& conditions) {
    std::vector<int> rows(conditions.size(), 0);
    if (conditions.empty() || conditions.size() > k_max_diagnostic_rows) return rows;
    // Each GET DIAGNOSTICS keeps the statement's conditions for the next one; only the final
    // SELECT clears them, so every row is fetched into a variable of its own first.
    std::wstring select = L"SELECT ";
    try {
        for (std::size_t i = 0; i < conditions.size(); ++i) {
            const std::wstring variable = L"@tw_row_" + std::to_wstring(i);
            query_on(handle, L"GET DIAGNOSTICS CONDITION " + std::to_wstring(conditions[i]) + L" " +
                                 variable + L" = ROW_NUMBER");
            select += (i ? L", " : L"") + variable;
        }
        auto values = query_on(handle, select);
        udb_record* row = values ? values->get_item() : nullptr;
        for (std::size_t i = 0; row && i < rows.size() && i < row->size(); ++i)
            rows[i] = std::atoi(tk_to_utf8(sql_record::text_of((*row)[i])).c_str());
    } catch (const sql_exception& e) {
        // A server without the condition's row number: the rows stay unknown.
        if (e.is_connection_lost()) throw;
        tk_log(2, "No row numbers of the warnings: %s", e.what());
    }
    return rows;
}

void sql_table::raise_errors() {
    if (m_errors.empty()) return;
    std::vector<sql_record_error> errors;
    errors.swap(m_errors);
    for (const auto& e : errors) tk_log(3, "%s", e.what());
    throw sql_row_errors(std::move(errors));
}

// ---- changing rows ---------------------------------------------------------------------------

std::wstring sql_table::key_conditions(udb_record& key) const {
    const sql_field_finder finder(key);
    std::wstring conditions;
    for (std::size_t i = 0; i < key.size(); ++i) {
        tk_wlog(1, L"Got mappend fn: %s", finder.name(i).c_str());
        const int column = m_schema.get_field_idx(finder.name(i));
        if (column < 0) {
            tk_wlog(1, L"Field '%s' is not found in schema", finder.name(i).c_str());
            continue;
        }
        if (!conditions.empty()) conditions += L" AND ";
        // <=> so that a NULL key value finds the row holding NULL.
        conditions += m_database->name_text(m_schema[static_cast<std::size_t>(column)].name) +
                      L" <=> " + tk_to_unicode(to_mysql_str(key[i]));
    }
    return conditions;
}

void sql_table::update1(udb_record& record) {
    tk_log(2, "sql_table::update");
    if (get_key_index() < 0) {
        tk_log(2, "There's no primary/unique key");
        return;
    }
    update(record, m_indexes[static_cast<std::size_t>(get_key_index())].name);
}

void sql_table::update(udb_record& record, const std::wstring& key_name) {
    tk_wlog(2, L"sql_table::update(key=%s)", key_name.c_str());
    if (!m_indexes.find2(key_name)) {
        tk_log(2, "Missing key for update");
        return;
    }
    const udb_index& index = m_indexes.get_index(key_name);
    udb_record key;
    for (const auto& column : index.columns) {
        if (!record.find_field(column)) {
            tk_log(2, "Missing primary/unique key");
            return;
        }
        key.add_field(record.get_field(column));
    }
    udb_record values;
    for (const auto& field : record) {
        bool in_key = false;
        for (const auto& column : index.columns)
            if (udb_equal_nocase(column, field->get_name())) in_key = true;
        tk_wlog(1, in_key ? L"Field %s is a part of UKey" : L"Field %s is NOT a part of UKey",
                field->get_name().c_str());
        if (!in_key) values.add_field(*field);
    }
    try {
        update2(values, key);
    } catch (const tk_exception& e) {
        tk_log(2, "ERROR on UPDATE: %s", e.what());
        throw;
    }
}

void sql_table::update2(udb_record& record, udb_record& key) {
    const std::wstring conditions = key_conditions(key);
    if (conditions.empty()) throw tk_exception("No key column of the table to update by", 0);
    const sql_field_finder finder(record);
    std::wstring sets;
    for (std::size_t i = 0; i < record.size(); ++i) {
        const int column = m_schema.get_field_idx(finder.name(i));
        if (column < 0) continue;
        if (!sets.empty()) sets += L", ";
        sets += m_database->name_text(m_schema[static_cast<std::size_t>(column)].name) + L"=" +
                tk_to_unicode(to_mysql_str(record[i]));
    }
    if (sets.empty()) return;
    const std::wstring statement =
        L"UPDATE " + m_database->name_text(m_name) + L" SET " + sets + L" WHERE " + conditions;
    tk_wlog(2, L"UPDATE QUERY: %s", statement.c_str());
    m_database->query(statement);
}

void sql_table::delete_key(udb_record& key) {
    tk_log(2, "sql_table::delete_key");
    const std::wstring conditions = key_conditions(key);
    if (conditions.empty()) throw tk_exception("No key column of the table to delete by", 0);
    try {
        m_database->query(L"DELETE FROM " + m_database->name_text(m_name) + L" WHERE " +
                          conditions);
    } catch (const tk_exception& e) {
        tk_log(2, "ERROR on DELETE: %s", e.what());
        throw;
    }
}
