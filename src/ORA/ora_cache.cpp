#include "ORA/ora_cache.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_literal.h"
#include "ORA/ora_table.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/t_ftd.h"

namespace {

constexpr int k_rowid_bytes = 64;
// Characters of a number written as text: 20 digits of a 64-bit integer or the 24 characters of
// the longest shortest-form double, with room to spare.
constexpr int k_number_chars = 48;
// "YYYY-MM-DD HH24:MI:SS" and nine fraction digits.
constexpr int k_stamp_chars = 32;

bool is_numeric(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_INT:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_UINT:
        case VT_R4:
        case VT_R8:
        case VT_DECIMAL:
        case VT_CY:
        case VT_BOOL:
            return true;
        default:
            return false;
    }
}

std::wstring quoted(const std::wstring& name) {
    return L"\"" + name + L"\"";
}

// Oracle error numbers that concern the statement, not one of its rows.
bool is_statement_error(int number) {
    switch (number) {
        case k_ora_invalid_identifier:
        case k_ora_too_many_values:
        case k_ora_no_such_table:
        case k_ora_not_enough_values:
        case k_ora_not_all_variables_bound:
        case k_ora_illegal_variable_name:
        case k_ora_not_connected:
        case k_ora_unsupported_network_type:
        case k_ora_statement_not_executed:
            return true;
        default:
            return number >= k_ora_first_syntax_error && number <= k_ora_last_syntax_error;
    }
}

}  // namespace

ora_cache::ora_cache(const std::wstring& table, ora_table& owner) : m_table(table), m_owner(owner) {
    tk_wlog(2, L"ora_cache::ctor(%s)", table.c_str());
    tk_log(1, "p_table=%08X",
           static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(&owner) & 0xFFFFFFFFu));
    init();
}

ora_cache::~ora_cache() {
    tk_log(2, "ora_cache::dtor(n_records=%d)", m_count);
    if (m_count == 0) return;
    try {
        commit();
    } catch (const std::exception& e) {
        tk_log(3, "Rows of table left unwritten at its end:\n%s\n", e.what());
    }
}

void ora_cache::init() {
    tk_wlog(2, L"ora_cache::init(%s)", m_table.c_str());
    if (!m_buffers.empty()) return;
    ora_engine& eng = ora_engine::instance();
    const udb_schema& schema = m_owner.get_schema();
    std::wstring columns = L"INSERT /*+ APPEND */ INTO " + eng.get_safe_name(m_table) + L" (";
    std::wstring values = L" VALUES(";
    for (std::size_t i = 0; i < schema.size(); ++i) {
        const t_ftd& column = schema[i];
        const bool is_long = column.native_type == L"LONG";
        const bool lob = is_long || ora_is_lob_column(column.vartype, column.size);
        column_buffer buffer;
        buffer.column = static_cast<int>(i);
        buffer.vartype = column.vartype;
        if (!lob) {
            const int vt = column.vartype;
            if (ora_binds_as_int(vt)) {
                buffer.size = 4, buffer.type = SQLT_INT;
            } else if (vt == VT_R4) {
                buffer.size = 4, buffer.type = SQLT_FLT;
            } else if (vt == VT_R8 || vt == VT_I8 || vt == VT_UI8) {
                // As decimal text: a 64-bit integer through a double would lose digits above
                // 2^53, and a double's shortest text reads back as the same double.
                buffer.size = (k_number_chars + 1) * 2, buffer.type = SQLT_STR;
                buffer.as_text = true;
            } else if (vt == VT_DATE && ora_fraction_digits(column) > 0) {
                // The 7-byte date stops at the second.
                buffer.size = (k_stamp_chars + 1) * 2, buffer.type = SQLT_STR;
                buffer.stamp = true;
            } else if (vt == VT_DATE) {
                buffer.size = 8, buffer.type = SQLT_ODT;
            } else if (vt == VT_BLOB || vt == VT_BYTE_ARRAY) {
                // Small binary columns take their bytes as hexadecimal text.
                buffer.size = (static_cast<int>(column.size) * 2 + 1) * 2, buffer.type = SQLT_STR;
                buffer.as_text = true;
            } else {
                buffer.size = get_ora_len(column);
                buffer.type = static_cast<ub2>(get_ora_type(column));
                if (buffer.size == 0 || buffer.type == 0)
                    buffer.size = (2000 + 1) * 2, buffer.type = SQLT_STR;
            }
            tk_log(1, "Field #%d has size=%d", static_cast<int>(i), buffer.size);
        } else {
            tk_wlog(2, L"Field '%s' stored into v_blob_desc (type=%d)", column.name.c_str(),
                    column.vartype);
            m_lob_desc.emplace_back(static_cast<int>(i), static_cast<int>(m_lob_desc.size()),
                                    column.vartype == VT_BSTR ? VT_BSTR : VT_BLOB, column.name,
                                    is_long);
        }
        if (i > 0) {
            columns += L", ";
            values += L", ";
        }
        columns += quoted(column.name);
        if (!lob) {
            buffer.data.assign(static_cast<std::size_t>(buffer.size) * k_rows, 0);
            buffer.ind.assign(k_rows, -1);
            buffer.len.assign(k_rows, 0);
            const bool stamp = buffer.stamp;
            m_buffers.push_back(std::move(buffer));
            const std::wstring place = L":" + std::to_wstring(m_buffers.size());
            values +=
                stamp ? L"TO_TIMESTAMP(" + place + L", '" + k_ora_timestamp_mask + L"')" : place;
        } else if (is_long) {
            values += L"NULL ";
        } else {
            values += column.vartype == VT_BSTR ? L"EMPTY_CLOB() " : L"EMPTY_BLOB() ";
        }
    }
    tk_log(2, "ora_cache::lob_data_init");
    if (!m_lob_desc.empty())
        m_lob_rows.assign(k_rows, std::vector<ole_variant>(m_lob_desc.size()));
    else
        tk_log(1, "v_blob_desc.empty");
    column_buffer rowid;
    rowid.column = static_cast<int>(schema.size());
    rowid.size = k_rowid_bytes;
    rowid.type = SQLT_STR;
    rowid.data.assign(static_cast<std::size_t>(k_rowid_bytes) * k_rows, 0);
    rowid.ind.assign(k_rows, -1);
    rowid.len.assign(k_rows, 0);
    m_buffers.push_back(std::move(rowid));
    values += L")" + std::wstring(L" RETURNING ROWID INTO :") + std::to_wstring(m_buffers.size());
    columns += L")";
    m_sql = columns + values;
    tk_wlog(2, L"sql_query=%s", m_sql.c_str());
    m_stmt = std::make_unique<ora_stmt>();
    eng.check_err(m_stmt->prepare(m_sql));
    bind();
}

void ora_cache::bind() {
    tk_log(1, "ora_cache::bind");
    ora_engine& eng = ora_engine::instance();
    ub4 position = 1;
    for (column_buffer& buffer : m_buffers) {
        eng.check_err(eng.oci().BindByPos(
            m_stmt->get(), &buffer.bind, eng.err(), position, buffer.data.data(), buffer.size,
            buffer.type, buffer.ind.data(), buffer.len.data(), nullptr, 0, nullptr, OCI_DEFAULT));
        tk_log(1, "Bind item #%d: type=%d, size=%d", static_cast<int>(position), buffer.type,
               buffer.size);
        ++position;
    }
}

int ora_cache::append_record(udb_record& record) {
    tk_log(1, "ora_cache::append_record(size=%d)", static_cast<int>(record.size()));
    const udb_schema& schema = m_owner.get_schema();
    const int n = m_count;
    // Fields meet their columns by name: a source may list them in another order.
    const std::vector<std::wstring> names = m_owner.destination_names(record);
    for (std::size_t k = 0; k + 1 < m_buffers.size(); ++k) {
        column_buffer& buffer = m_buffers[k];
        const t_ftd& column = schema[static_cast<std::size_t>(buffer.column)];
        const auto found = std::find(names.begin(), names.end(), column.name);
        if (found == names.end())
            throw tk_exception("Table '" + tk_to_utf8(m_table) +
                                   "': the record has no value for column '" +
                                   tk_to_utf8(column.name) + "'",
                               0);
        const udb_field& field = record[static_cast<std::size_t>(found - names.begin())];
        tk_log(1, "Field #%d has type=%d", buffer.column, static_cast<int>(field.vt()));
        if (field.is_null()) {
            tk_log(1, "Put NULL/empty-field");
            put_null(buffer, column, n, true);
            continue;
        }
        copy_field(buffer, column, field, n);
    }
    lob_data_copy(record, names, n);
    ++m_count;
    if (m_count == k_rows) return commit();
    return m_count;
}

void ora_cache::put_null(column_buffer& buffer, const t_ftd& column, int n, bool may_reset) {
    if (may_reset && column.b_not_null && !column.b_auto_increment) {
        tk_log(1, "Remove NOTNULL flag");
        m_owner.reset_not_null_flag(buffer.column);
    }
    buffer.ind[static_cast<std::size_t>(n)] = -1;
    std::memset(buffer.data.data() + static_cast<std::size_t>(n) * buffer.size, 0,
                static_cast<std::size_t>(buffer.size));
    buffer.len[static_cast<std::size_t>(n)] = 0;
}

void ora_cache::put_text(column_buffer& buffer, const t_ftd& column, const std::wstring& text,
                         int n) {
    m_scratch.clear();
    for (wchar_t wc : text) {
        auto c = static_cast<std::uint32_t>(wc);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            m_scratch.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            m_scratch.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            m_scratch.push_back(c > 0x10FFFF ? u'\uFFFD' : static_cast<char16_t>(c));
        }
    }
    const std::size_t capacity = static_cast<std::size_t>(buffer.size) / 2 - 1;
    tk_log(1, "sz=%d, src.length=%d", buffer.size, static_cast<int>(text.size()));
    if (m_scratch.size() > capacity)
        throw ora_value_error(m_table, column.name,
                              "a value of " + std::to_string(m_scratch.size()) +
                                  " characters does not fit the column's " +
                                  std::to_string(capacity));
    unsigned char* out = buffer.data.data() + static_cast<std::size_t>(n) * buffer.size;
    std::memcpy(out, m_scratch.data(), m_scratch.size() * 2);
    std::memset(out + m_scratch.size() * 2, 0, 2);
    buffer.ind[static_cast<std::size_t>(n)] = 0;
    buffer.len[static_cast<std::size_t>(n)] = static_cast<ub2>((m_scratch.size() + 1) * 2);
}

void ora_cache::row_error(const std::string& text) {
    tk_log(3, "%s", text.c_str());
    ora_database* db = m_owner.get_database();
    if (db)
        db->report(tk_to_utf8(m_table), tk_exception(text, 0));
    else
        throw tk_exception(text, 0);
}

tk_exception ora_cache::no_date(const t_ftd& column, const ole_variant& value) const {
    return ora_value_error(m_table, column.name,
                           "'" + tk_to_utf8(value.to_wstring()) + "' is no date");
}

void ora_cache::copy_field(column_buffer& buffer, const t_ftd& column, const ole_variant& value,
                           int n) {
    tk_log(1, "ora_cache::copy_field(%d)", n);
    tk_wlog(1, L"name=%s, type=%d", column.name.c_str(), column.vartype);
    const std::size_t at = static_cast<std::size_t>(n) * buffer.size;
    unsigned char* out = buffer.data.data() + at;
    const std::size_t i = static_cast<std::size_t>(n);
    // A real Oracle's NUMBER cannot hold is written as NULL (or the column's default), and
    // the row's owner is told.
    auto out_of_range = [&](double d) {
        if (!m_owner.limits_reals(buffer.column) || !ora_out_of_range(d)) return false;
        const std::wstring def = column.b_not_null ? make_ora_def_val(column) : std::wstring();
        row_error("Table '" + tk_to_utf8(m_table) + "', column '" + tk_to_utf8(column.name) +
                  "': the number " + tk_to_utf8(to_oracle_str(value, 0)) +
                  " is out of Oracle's range; " + (def.empty() ? "NULL" : "the default") +
                  " was written instead");
        if (def.empty() || !buffer.as_text)
            put_null(buffer, column, n, true);
        else
            put_text(buffer, column, def, n);
        return true;
    };
    if (buffer.type == SQLT_INT) {
        std::int32_t v = 0;
        const std::string misfit = ora_integer_misfit(value, v);
        if (!misfit.empty()) throw ora_value_error(m_table, column.name, misfit);
        std::memcpy(out, &v, 4);
        buffer.ind[i] = 0, buffer.len[i] = 4;
        return;
    }
    if (buffer.type == SQLT_FLT) {
        const double d = is_numeric(value.vt()) ? value.to_double()
                                                : std::wcstod(value.to_wstring().c_str(), nullptr);
        if (out_of_range(d)) return;
        const float f = static_cast<float>(d);
        std::memcpy(out, &f, 4);
        buffer.ind[i] = 0, buffer.len[i] = 4;
        return;
    }
    if (buffer.stamp) {
        std::wstring stamp;
        if (!ora_timestamp_text(value, stamp)) throw no_date(column, value);
        put_text(buffer, column, stamp, n);
        return;
    }
    if (buffer.type == SQLT_ODT) {
        tk_log(1, "Processing date");
        ole_variant date;
        const ole_variant* source = &value;
        if (value.vt() != VT_DATE) {
            date = value;
            try {
                date.change_type(VT_DATE);
            } catch (const std::exception&) {
                throw no_date(column, value);
            }
            source = &date;
        }
        SYSTEMTIME t{};
        source->get_systemtime(t);
        OCIDate d{};
        d.OCIDateYYYY = static_cast<sb2>(t.wYear);
        d.OCIDateMM = static_cast<ub1>(t.wMonth);
        d.OCIDateDD = static_cast<ub1>(t.wDay);
        d.OCIDateTime.OCITimeHH = static_cast<ub1>(t.wHour);
        d.OCIDateTime.OCITimeMI = static_cast<ub1>(t.wMinute);
        d.OCIDateTime.OCITimeSS = static_cast<ub1>(t.wSecond);
        std::memset(out, 0, static_cast<std::size_t>(buffer.size));
        std::memcpy(out, &d, 7);
        buffer.ind[i] = 0, buffer.len[i] = 7;
        return;
    }
    std::memset(out, 0, static_cast<std::size_t>(buffer.size));
    if ((value.vt() == VT_R4 || value.vt() == VT_R8) && out_of_range(value.to_double())) return;
    std::wstring text = to_oracle_str(value, 0);
    tk_wlog(1, L"src=%s", text.c_str());
    if (text.empty() && column.b_not_null && column.vartype == VT_BSTR) {
        tk_log(2, "Change '' to ' ' to avoid NULL-interpretation");
        text = L" ";
    }
    if (text.empty()) {
        put_null(buffer, column, n, true);
        return;
    }
    put_text(buffer, column, text, n);
}

void ora_cache::lob_data_copy(udb_record& record, const std::vector<std::wstring>& names, int n) {
    tk_log(1, "ora_cache::lob_data_copy");
    if (m_lob_desc.empty()) {
        tk_log(2, "data.size == 0, nothing to do");
        return;
    }
    tk_log(1, "Building LOB data...");
    std::vector<ole_variant>& row = m_lob_rows[static_cast<std::size_t>(n)];
    for (std::size_t k = 0; k < m_lob_desc.size(); ++k) {
        const t_lob_desc& desc = m_lob_desc[k];
        const auto found = std::find(names.begin(), names.end(), desc.name);
        if (found == names.end()) {
            row[k] = ole_variant();
            continue;
        }
        const udb_field& field = record[static_cast<std::size_t>(found - names.begin())];
        tk_log(1, "LOB[%d].vt=%d, v_blob_desc[%d].vt=%d", static_cast<int>(k),
               static_cast<int>(field.vt()), static_cast<int>(k), desc.vt);
        if (desc.vt == VT_BSTR && !field.is_null() && field.vt() != VT_BSTR)
            row[k] = ole_variant(field.to_wstring());
        else
            row[k] = static_cast<const ole_variant&>(field);
    }
}

int ora_cache::commit() {
    tk_log(2, "ora_cache::commit");
    if (m_count == 0) return 0;
    ora_engine& eng = ora_engine::instance();
    const int rows = m_count;
    std::vector<bool> failed(static_cast<std::size_t>(rows), false);
    column_buffer& rowid = m_buffers.back();
    std::fill(rowid.ind.begin(), rowid.ind.end(), static_cast<sb2>(-1));
    int written = 0;
    try {
        int done = 0;
        while (done < rows) {
            const sword status = eng.oci().StmtExecute(
                eng.svc(), m_stmt->get(), eng.err(), static_cast<ub4>(rows - done),
                static_cast<ub4>(done), nullptr, nullptr, OCI_DEFAULT);
            if (status != OCI_ERROR) {
                written += rows - done;
                break;
            }
            // The error record first: any later call on the error handle clears it.
            std::unique_ptr<ora_exception> refused;
            try {
                eng.check_err(status);
            } catch (const ora_exception& e) {
                refused = std::make_unique<ora_exception>(e);
            }
            ub4 ok = 0;
            eng.oci().AttrGet(m_stmt->get(), OCI_HTYPE_STMT, &ok, nullptr, OCI_ATTR_ROW_COUNT,
                              eng.err());
            const int bad = done + static_cast<int>(ok);
            if (!refused || is_statement_error(refused->code() & 0xFFFF) || bad >= rows) {
                if (refused) throw *refused;
                throw tk_mail_assertion("ora_cache", 300);
            }
            written += static_cast<int>(ok);
            failed[static_cast<std::size_t>(bad)] = true;
            // The refused row alone is lost; the ones after it go again.
            row_error("Table '" + tk_to_utf8(m_table) + "', row " + std::to_string(bad + 1) +
                      " of the batch: " + refused->message());
            done = bad + 1;
        }
        lob_data_insert(failed);
        ora_stmt commit;
        eng.check_err(commit.prepare(L"COMMIT"));
        eng.check_err(commit.execute(1));
    } catch (const tk_exception&) {
        tk_log(2, "ora_cache::commit FAILED!");
        m_count = 0;
        for (auto& row : m_lob_rows)
            for (auto& value : row) value = ole_variant();
        throw;
    }
    m_count = 0;
    if (ora_database* db = m_owner.get_database()) db->raise_kept_errors();
    return written;
}

void ora_cache::lob_data_insert(const std::vector<bool>& failed) {
    tk_log(1, "ora_cache::lob_data_insert");
    if (m_lob_desc.empty()) {
        tk_log(1, "v_blob_desc is empty, nothing to do");
        return;
    }
    const column_buffer& rowid = m_buffers.back();
    ora_lob_insert writer(m_table, m_lob_desc);
    std::vector<const ole_variant*> values(m_lob_desc.size(), nullptr);
    for (int n = 0; n < m_count; ++n) {
        if (failed[static_cast<std::size_t>(n)] || rowid.ind[static_cast<std::size_t>(n)] != 0)
            continue;
        const auto* text = reinterpret_cast<const char16_t*>(
            rowid.data.data() + static_cast<std::size_t>(n) * rowid.size);
        const std::wstring id = ora_from_utf16(text, static_cast<std::size_t>(rowid.size) / 2);
        std::vector<ole_variant>& row = m_lob_rows[static_cast<std::size_t>(n)];
        for (std::size_t k = 0; k < row.size(); ++k) values[k] = &row[k];
        writer.insert(id, values);
    }
    tk_log(1, "ora_cache::lob_data_clear");
    for (auto& row : m_lob_rows)
        for (auto& value : row) value = ole_variant();
}
