// The destination side of ora_table: appending rows, updating them, dropping NOT NULL.
#include "ORA/ora_cache.h"
#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_exception.h"
#include "ORA/ora_field_finder.h"
#include "ORA/ora_get_rowid.h"
#include "ORA/ora_lob_insert.h"
#include "ORA/ora_literal.h"
#include "ORA/ora_table.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_custom_conversion.h"

namespace {

std::wstring quoted(const std::wstring& name) {
    return L"\"" + name + L"\"";
}

const char* const k_not_conform =
    "The structure of data source does not conform to the destination table.";

bool is_real(VARTYPE vt) {
    return vt == VT_R4 || vt == VT_R8;
}

}  // namespace

void ora_table::append_record(udb_record& record) {
    if (m_db && !m_db->b_use_cache)
        slow_append(record);
    else
        fast_append(record);
    ++m_record_count;
}

void ora_table::fast_append(udb_record& record) {
    // Built with the first row: a table opened only to be read prepares no INSERT.
    if (!m_cache) m_cache = std::make_unique<ora_cache>(m_name, *this);
    m_cache->append_record(record);
}

void ora_table::flush() {
    if (m_cache) m_cache->commit();
}

std::vector<std::wstring> ora_table::destination_names(const udb_record& record) const {
    ora_field_finder finder(record, m_db && m_db->b_uppercase);
    std::vector<std::wstring> names = finder.get_names();
    for (std::size_t i = 0; i < names.size() && i < record.size(); ++i)
        tk_wlog(1, L"Name=%s, mapped name=%s", record[i].get_name().c_str(), names[i].c_str());
    return names;
}

void ora_table::slow_append(udb_record& record) {
    tk_log(1, "ora_table::slow_append");
    ora_engine& eng = ora_engine::instance();
    std::wstring columns = L"INSERT /*+ APPEND */ INTO " + eng.get_safe_name(m_name) + L" (";
    std::wstring values = L" VALUES(";
    const std::vector<std::wstring> names = destination_names(record);
    std::vector<std::pair<int, int>> pairs;  // column, field
    if (record.size() < m_schema.size()) {
        tk_log(1, "Size of record is less than size of schema");
        for (std::size_t f = 0; f < record.size(); ++f) {
            int column = -1;
            for (std::size_t c = 0; c < m_schema.size(); ++c)
                if (m_schema[c].name == names[f]) column = static_cast<int>(c);
            if (column < 0) {
                tk_wlog(1, L"Field %s not found", names[f].c_str());
                throw tk_exception(k_not_conform, 0);
            }
            pairs.emplace_back(column, static_cast<int>(f));
        }
    } else {
        tk_log(1, "Size of schema is less or equal to the size of record");
        for (std::size_t c = 0; c < m_schema.size(); ++c) {
            int field = -1;
            for (std::size_t f = 0; f < names.size(); ++f)
                if (names[f] == m_schema[c].name) field = static_cast<int>(f);
            if (field < 0) {
                tk_wlog(1, L"Field %s not found in appending record", m_schema[c].name.c_str());
                throw tk_exception(k_not_conform, 0);
            }
            pairs.emplace_back(static_cast<int>(c), field);
        }
    }
    std::vector<t_lob_desc> lobs;
    std::vector<const ole_variant*> lob_values;
    bool first = true;
    for (const auto& [column, field] : pairs) {
        const t_ftd& ftd = m_schema[static_cast<std::size_t>(column)];
        const udb_field& value = record[static_cast<std::size_t>(field)];
        if (!first) {
            columns += L", ";
            values += L", ";
        }
        first = false;
        columns += quoted(ftd.name);
        if (udb_custom_conversion::is_acceptable2(value))
            values += udb_custom_conversion::handle2(value);
        else
            values += get_fld_append_wstr(value, column);
        if (ora_is_lob_column(ftd.vartype, ftd.size) || ftd.native_type == L"LONG") {
            lobs.emplace_back(column, static_cast<int>(lobs.size()),
                              ftd.vartype == VT_BSTR ? VT_BSTR : VT_BLOB, ftd.name,
                              ftd.native_type == L"LONG");
            lob_values.push_back(&value);
        }
    }
    ora_get_rowid inserter;
    const std::wstring rowid = inserter.do_insert(columns + L")" + values + L")");
    if (!lobs.empty()) {
        ora_lob_insert writer(m_name, lobs);
        writer.insert(rowid, lob_values);
        ora_stmt commit;
        eng.check_err(commit.prepare(L"COMMIT"));
        eng.check_err(commit.execute(1));
    }
    tk_log(1, "ora_table::slow_append - at the END");
}

std::wstring ora_table::get_fld_append_wstr(const udb_field& value, int eye) {
    tk_log(1, "ora_table::get_fld_append_wstr");
    const t_ftd& column = m_schema[static_cast<std::size_t>(eye)];
    std::wstring text = to_oracle_str(value, 1);
    tk_wlog(1, L"Got field #%d: '%s' (%d, %d)", eye, text.c_str(), static_cast<int>(value.vt()),
            column.vartype);
    tk_log(1, "schema[eye]->size=%d", static_cast<int>(column.size));
    if (is_real(static_cast<VARTYPE>(column.vartype)) && is_real(value.vt()) && limits_reals(eye) &&
        ora_out_of_range(value.to_double())) {
        tk_log(1, "Number is out of range");
        std::wstring def = column.b_not_null ? make_ora_def_val(column) : std::wstring();
        const std::string message =
            "Table '" + tk_to_utf8(m_name) + "', column '" + tk_to_utf8(column.name) +
            "': the number " + tk_to_utf8(to_oracle_str(value, 0)) + " is out of Oracle's range; " +
            (def.empty() ? "NULL" : "the default") + " was written instead";
        tk_log(3, "%s", message.c_str());
        if (m_db) m_db->report(tk_to_utf8(m_name), tk_exception(message, 0));
        if (!def.empty()) return def;
        if (column.b_not_null && !column.b_auto_increment) reset_not_null_flag(eye);
        return L"NULL";
    }
    if (ora_binds_as_int(column.vartype) && !value.is_null()) {
        std::int32_t whole = 0;
        const std::string misfit = ora_integer_misfit(value, whole);
        if (!misfit.empty()) throw ora_value_error(m_name, column.name, misfit);
        return std::to_wstring(whole);
    }
    std::wstring stamp;
    if (ora_fraction_digits(column) > 0 && !value.is_null() && ora_timestamp_text(value, stamp))
        return L"TO_TIMESTAMP('" + stamp + L"', '" + k_ora_timestamp_mask + L"')";
    if (column.native_type == L"LONG") return L"NULL";
    if (ora_is_lob_column(column.vartype, column.size)) {
        tk_log(1, "Got LOB - put placeholder");
        return column.vartype == VT_BSTR ? L"EMPTY_CLOB()" : L"EMPTY_BLOB()";
    }
    if (!value.is_null() && !text.empty() && text != L"''" && text != L"\"\"") return text;
    // Oracle reads '' as NULL: a NOT NULL text column keeps one blank instead.
    if (!value.is_null() && column.vartype == VT_BSTR && column.b_not_null) {
        tk_log(2, "Change '' to ' ' to avoid NULL-interpretation");
        return L"' '";
    }
    if (column.b_not_null && !column.b_auto_increment) {
        tk_log(1, "Put NULL-field");
        reset_not_null_flag(eye);
    }
    return L"NULL";
}

bool ora_table::limits_reals(int column) const {
    const auto at = static_cast<std::size_t>(column);
    return at >= m_binary_real.size() || !m_binary_real[at];
}

void ora_table::reset_not_null_flag(int eye) {
    tk_log(2, "ora_table::reset_not_null_flag(%d)", eye);
    if (eye < 0 || static_cast<std::size_t>(eye) >= m_schema.size())
        throw tk_mail_assertion("ora_tab", 860);
    t_ftd& column = m_schema[static_cast<std::size_t>(eye)];
    ora_engine& eng = ora_engine::instance();
    // The type as the dictionary holds it: the one the model would give may differ (a DATE
    // read back describes as a date-time), and Oracle refuses to change a filled column's type.
    std::wstring type;
    {
        ora_query_results rs(4, L"select DATA_TYPE, CHAR_LENGTH, DATA_PRECISION, DATA_SCALE from " +
                                    eng.get_tab_columns_view() + L" where " +
                                    eng.get_table_filter(m_name) + L" and COLUMN_NAME = '" +
                                    ora_quote_literal(column.name) + L"'");
        if (!rs.is_eof()) {
            if (udb_record* rec = rs.get_item()) {
                const std::wstring data_type = (*rec)[0].to_wstring();
                const std::wstring chars = (*rec)[1].to_wstring();
                const std::wstring precision = (*rec)[2].to_wstring();
                const std::wstring scale = (*rec)[3].to_wstring();
                type = data_type;
                if ((data_type == L"VARCHAR2" || data_type == L"NVARCHAR2" ||
                     data_type == L"CHAR" || data_type == L"NCHAR" || data_type == L"RAW") &&
                    !chars.empty() && chars != L"0")
                    type += L"(" + chars + L")";
                else if (data_type == L"NUMBER" && !precision.empty())
                    type += L"(" + precision + L"," + (scale.empty() ? L"0" : scale) + L")";
            }
        }
    }
    if (type.empty()) type = get_ora_native_type(column, true);
    std::wstring sql = L"ALTER TABLE " + eng.get_safe_name(m_name) + L" MODIFY " +
                       quoted(column.name) + L" " + type;
    const std::wstring def = make_ora_def_val(column);
    tk_wlog(1, L"got def value: %s", def.c_str());
    if (!def.empty() && !ora_is_lob_column(column.vartype, column.size)) sql += L" DEFAULT " + def;
    sql += L" NULL";
    tk_wlog(2, L"Run SQL query: %s\n", sql.c_str());
    ora_stmt stmt;
    eng.check_err(stmt.prepare(sql));
    eng.check_err(stmt.execute(1, OCI_COMMIT_ON_SUCCESS));
    column.b_not_null = false;
}

void ora_table::update1(udb_record& record) {
    update(record, m_key_index);
}

void ora_table::update(udb_record& record, int key) {
    tk_log(2, "ora_table::update");
    if (key < 0 || static_cast<std::size_t>(key) >= m_indexes.size())
        throw tk_mail_assertion("ora_tab", 900);
    const udb_index& index = m_indexes[static_cast<std::size_t>(key)];
    ora_engine& eng = ora_engine::instance();
    const std::vector<std::wstring> names = destination_names(record);
    std::wstring sets, conditions;
    for (std::size_t f = 0; f < record.size(); ++f) {
        const std::wstring& name = names[f];
        tk_wlog(1, L"Got mappend fn: %s", name.c_str());
        bool column = false;
        for (const auto& ftd : m_schema) column = column || ftd->name == name;
        if (!column) {
            tk_wlog(1, L"Field '%s' is not found in schema", name.c_str());
            continue;
        }
        bool in_key = false;
        for (const std::wstring& k : index.columns) in_key = in_key || k == name;
        const std::wstring pair = quoted(name) + L"=" + to_oracle_str(record[f], 1);
        if (in_key) {
            tk_wlog(1, L"Field %s is a part of UKey", name.c_str());
            conditions += (conditions.empty() ? L"" : L" AND ") + pair;
        } else {
            tk_wlog(1, L"Field %s is NOT a part of UKey", name.c_str());
            sets += (sets.empty() ? L"" : L", ") + pair;
        }
    }
    const std::wstring sql =
        L"UPDATE " + eng.get_safe_name(m_name) + L" SET " + sets + L" WHERE " + conditions;
    tk_wlog(2, L"UPDATE QUERY: %s", sql.c_str());
    if (conditions.empty()) {
        tk_log(1, "Missing primary/unique key");
        return;
    }
    if (sets.empty()) return;
    m_db->query(sql);
}
