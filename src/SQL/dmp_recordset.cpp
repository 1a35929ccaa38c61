#include "SQL/dmp_recordset.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "SQL/dmp_database.h"
#include "SQL/sql_engine.h"
#include "SQL/sql_errors.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

constexpr unsigned int k_duplicate_key = k_mysql_duplicate_entry;
// The bytes of a binary value whose hex digits are written a piece at a time: its text alone
// passes a statement's size, so its statement is written at the end of its row.
constexpr std::size_t k_hex_written_bytes = dmp_recordset::k_max_statement / 2;
// A statement's text: the rows up to the limit, and the row that passes it.
constexpr std::size_t k_statement_room = dmp_recordset::k_max_statement + 64 * 1024;
// The bytes a piece of hex digits takes.
constexpr std::size_t k_hex_piece = 1 << 14;

}  // namespace

dmp_recordset::dmp_recordset(dmp_database* owner, const std::wstring& table,
                             const udb_schema& columns, const dump_options& options,
                             const std::vector<std::wstring>& charsets, const udb_indexes& indexes)
    : udb_recordset(owner, table, false),
      m_database(owner),
      m_charsets(charsets),
      m_key_indexes(indexes),
      m_options(options) {
    tk_wlog(1, L"dmp_recordset::dmp_recordset(%s)", table.c_str());
    for (const auto& column : columns) m_schema.add_field(*column);
}

dmp_recordset::~dmp_recordset() {
    tk_log(2, "dmp_recordset::dtor");
    // The rows queued are written as the rows appended before them: the table is given up, and
    // the errors no later call will raise are left in the trace.
    m_queue.reset();
    for (const sql_record_error& e : m_told.errors) tk_log(3, "%s", e.what());
    try {
        write_statement();
    } catch (const tk_exception& e) {
        tk_log(3, "%s", e.what());
    }
}

void dmp_recordset::flush() {
    if (m_queue) m_queue->drain();
    write_statement();
    // A write that failed is told here, under this table, not under whichever comes next.
    m_database->flush();
    raise_told();
}

void dmp_recordset::write_statement() {
    if (m_pending.empty()) return;
    tk_log(2, "Run SQL query: [%s]", m_pending.c_str());
    m_pending += ';';
    m_pending += m_options.get_eol();
    // The buffer keeps its capacity for the next statement; a failed write drops the statement
    // so that it is not written again when the recordset is released.
    try {
        const std::string_view text(m_pending);
        std::size_t from = 0;
        for (const pending_hex& value : m_hex) {
            m_database->write(text.substr(from, value.at - from));
            write_hex(value);
            from = value.at;
        }
        m_database->write(text.substr(from));
    } catch (...) {
        m_pending.clear();
        m_hex.clear();
        m_hex_bytes = 0;
        throw;
    }
    m_pending.clear();
    m_hex.clear();
    m_hex_bytes = 0;
}

void dmp_recordset::write_hex(const pending_hex& value) {
    char piece[2 + 2 * k_hex_piece];
    piece[0] = '0';
    piece[1] = 'x';
    std::size_t used = 2;
    for (std::size_t done = 0; done < value.count;) {
        const std::size_t n = std::min(k_hex_piece, value.count - done);
        write_hex_digits(piece + used, value.bytes + done, n);
        m_database->write(std::string_view(piece, used + 2 * n));
        used = 0;
        done += n;
    }
}

void dmp_recordset::prepare_names() {
    m_async = sql_engine::instance().holds_four_byte_chars();
    const udb_names_map& names = m_database->get_names_map();
    m_originals.clear();
    for (std::size_t i = 0; i < m_schema.size(); ++i)
        m_originals.push_back(names.get_fn_orig_name(m_name, m_schema[i].name, true));
}

void dmp_recordset::prepare_checks() {
    m_checks.clear();
    for (std::size_t i = 0; i < m_schema.size(); ++i) {
        const bool not_null =
            m_schema[i].b_not_null || m_key_indexes.is_idx_field(m_originals[i], true);
        m_checks.emplace_back(m_name, m_schema[i], i < m_charsets.size() ? m_charsets[i] : L"",
                              not_null);
    }
    m_keys.clear();
    for (const udb_index& index : m_key_indexes) {
        if (!index.primary && !index.unique) continue;
        unique_key key;
        key.name = index.primary ? "PRIMARY" : tk_to_utf8(index.name);
        for (const std::wstring& column : index.columns)
            for (std::size_t i = 0; i < m_originals.size(); ++i)
                if (same_field_name(m_originals[i], column)) key.columns.push_back(i);
        if (key.columns.size() == index.columns.size()) m_keys.push_back(std::move(key));
    }
    // A key compares its columns' stored forms, made from their text.
    m_hex_by_length.assign(m_schema.size(), 0);
    for (std::size_t i = 0; i < m_schema.size(); ++i)
        m_hex_by_length[i] = m_checks[i].checks_hex_by_length();
    for (const unique_key& key : m_keys)
        for (std::size_t column : key.columns) m_hex_by_length[column] = 0;
}

void dmp_recordset::check_row(int number) {
    const auto literal = [this](std::size_t i) {
        return std::string_view(m_pending).substr(m_literals[i].first,
                                                  m_literals[i].second - m_literals[i].first);
    };
    std::size_t hex = 0;
    for (std::size_t i = 0; i < m_checks.size(); ++i) {
        const bool written = hex < m_hex.size() && m_hex[hex].column == i;
        const sql_value_check::verdict v =
            written ? m_checks[i].check_hex(m_hex[hex++].count)
                    : m_checks[i].check(literal(i), m_facts[i], m_scratch);
        if (v.number != 0)
            m_errors.emplace_back(m_name, number, m_schema[i].name, v.message, v.number);
    }
    for (unique_key& key : m_keys) {
        m_key_text.clear();
        bool has_null = false;
        // The parts of a key of several columns go each after its length, so that no text can
        // make two different keys one; a key of one column is its form alone, which keeps an
        // integer key the integer's text.
        const bool several = key.columns.size() > 1;
        for (std::size_t k = 0; k < key.columns.size() && !has_null; ++k) {
            const std::size_t column = key.columns[k];
            const std::size_t at = m_key_text.size();
            std::uint32_t length = 0;
            if (several) m_key_text.append(sizeof length, '\0');
            has_null =
                !m_checks[column].append_stored_form(literal(column), m_facts[column], m_key_text);
            if (several && !has_null) {
                length = static_cast<std::uint32_t>(m_key_text.size() - at - sizeof length);
                std::memcpy(m_key_text.data() + at, &length, sizeof length);
            }
        }
        // NULL never equals NULL: such a key takes any number of rows.
        if (has_null || key.seen.insert(m_key_text)) continue;
        std::string shown;
        for (std::size_t k = 0; k < key.columns.size(); ++k) {
            const std::string form = m_checks[key.columns[k]].stored_form(literal(key.columns[k]));
            if (k) shown += '-';
            shown += form.substr(form[0] == 's' ? 1 : 0);
        }
        m_errors.emplace_back(m_name, number, std::wstring(),
                              "Duplicate entry '" + shown + "' for key '" + key.name + "'",
                              k_duplicate_key);
    }
}

void dmp_recordset::append_record(udb_record& record) {
    append_record(record, m_caller.last_number + 1);
}

void dmp_recordset::append_record(udb_record& record, int number) {
    tk_log(1, "dmp_recordset::append_record");
    m_caller.last_number = number;
    // The head names the same columns for every statement of the table: build it once.
    if (m_head.empty()) {
        const bool quoted = !sql_engine::instance().is_old_version();
        std::wstring head =
            L"INSERT IGNORE INTO " +
            (quoted ? quote_mysql_name(m_name) : mysql_name_for_old_server(m_name)) + L"(";
        for (std::size_t i = 0; i < m_schema.size(); ++i) {
            if (i) head += L", ";
            head += quoted ? quote_mysql_name(m_schema[i].name)
                           : mysql_name_for_old_server(m_schema[i].name);
        }
        m_head = tk_to_utf8(head) + ")";
    }
    // The source names behind the columns are fixed once the table is created: look them up
    // once, not per row.
    if (m_originals.size() != m_schema.size()) prepare_names();

    const std::size_t columns = m_schema.size();
    m_caller.fields.resize(columns);
    for (std::size_t i = 0; i < columns; ++i) {
        const std::wstring& original = m_originals[i];
        tk_wlog(1, L"Name=%s, original name=%s", m_schema[i].name.c_str(), original.c_str());
        // The field at the column's position when it carries the name, else found by name,
        // so a record in another column order still puts each value under its own column.
        const udb_field* field = nullptr;
        if (i < record.size() && same_field_name(record[i].get_name(), original)) {
            field = &record[i];
        } else if (record.find_field(original)) {
            field = &record.get_field(original);
        } else {
            tk_wlog(3, L"Field %s not found", original.c_str());
            throw tk_exception(
                "Generic error occurred while migrating the data.\r\n"
                "Please send the trace log to the product's support contact.",
                0);
        }
        // Stored only when it changed: a source's record keeps its fields row after row, and
        // a line written for every row is taken from the queue's core each time.
        if (m_caller.fields[i] != field) m_caller.fields[i] = field;
    }

    // A record whose every value stands on its own is rendered on the queue's thread while the
    // next is read; one holding a long value is rendered here, after those queued before it, so
    // that no copy of it is held.  Where a text may be refused for its characters, every record
    // is rendered here, so that the refusal is raised by the record's own call.
    if (m_async && !m_queue) {
        m_queue = std::make_unique<dmp_row_queue>(
            columns, [this](const ole_variant* const* values, int queued) {
                render_queued(values, queued);
            });
    }
    if (!m_queue || !m_queue->push(m_caller.fields.data(), number)) {
        if (m_queue) m_queue->drain();
        m_caller.values.assign(m_caller.fields.begin(), m_caller.fields.end());
        add_row(m_caller.values.data(), number);
        tell(m_errors);
    }
    raise_told();
}

void dmp_recordset::render_queued(const ole_variant* const* values, int number) {
    try {
        add_row(values, number);
    } catch (const tk_exception& e) {
        // A record's own failure costs that record only, as when it is rendered by the run's
        // thread; a failed write ends the table.
        if (e.level() != 0) throw;
        m_errors.emplace_back(m_name, number, std::wstring(), e.message(), 0u);
    }
    tell(m_errors);
}

void dmp_recordset::tell(std::vector<sql_record_error>& errors) {
    if (errors.empty()) return;
    std::lock_guard lock(m_told.mutex);
    for (sql_record_error& e : errors) m_told.errors.push_back(std::move(e));
    errors.clear();
    m_told.any.store(true, std::memory_order_release);
}

void dmp_recordset::raise_told() {
    if (!m_told.any.load(std::memory_order_acquire)) return;
    std::vector<sql_record_error> errors;
    {
        std::lock_guard lock(m_told.mutex);
        errors.swap(m_told.errors);
        m_told.any.store(false, std::memory_order_relaxed);
    }
    throw sql_row_errors(std::move(errors));
}

void dmp_recordset::add_row(const ole_variant* const* values, int number) {
    // Made by the thread that renders: the memory it reads for every row is then its own, not
    // beside what the run's thread writes for every row.
    if (m_checks.size() != m_schema.size()) {
        prepare_checks();
        // A statement's whole room at once, kept from one statement to the next: grown by
        // doubling, the text was copied into new memory a dozen times before the first
        // statement was written.
        m_pending.reserve(k_statement_room);
    }
    const bool fresh = m_pending.empty();
    if (fresh) tk_log(1, "Initialize new query...");
    m_facts.resize(m_schema.size());

    // The row goes straight into the pending statement; a record that fails half-way takes its
    // part back out, so the statement stays whole.
    const std::size_t restart = m_pending.size();
    if (!fresh) m_pending += ", ";
    const std::size_t row_start = m_pending.size();
    m_literals.clear();
    try {
        if (fresh) {
            m_pending += m_head;
            m_pending += " VALUES(";
        } else {
            m_pending += '(';
        }
        for (std::size_t i = 0; i < m_schema.size(); ++i) {
            const t_ftd& column = m_schema[i];
            const ole_variant& value = *values[i];
            if (i) m_pending += ", ";
            const std::size_t start = m_pending.size();
            const std::uint8_t* bytes = nullptr;
            std::size_t count = 0;
            if (m_hex_by_length[i] && hex_literal_bytes(value, column, bytes, count) &&
                count > k_hex_written_bytes) {
                m_hex.push_back({start, i, bytes, count});
                m_hex_bytes += 2 + 2 * count;
                m_facts[i] = sql_literal_facts();
            } else {
                append_fld_str(m_pending, &value, &column, m_facts[i]);
            }
            m_literals.emplace_back(start, m_pending.size());
        }
        check_row(number);
    } catch (...) {
        m_errors.clear();
        m_pending.resize(restart);
        while (!m_hex.empty() && m_hex.back().at >= restart) {
            m_hex_bytes -= 2 + 2 * m_hex.back().count;
            m_hex.pop_back();
        }
        throw;
    }
    m_pending += ')';
    tk_log(1, "*** FAST INSERT MODE ***");
    tk_log(1, "sql_query=[%s]", m_pending.c_str() + row_start);

    if (m_pending.size() + m_hex_bytes > k_max_statement) {
        write_statement();
        tk_log(1, "Cleaning append_buffer...");
    }
}
