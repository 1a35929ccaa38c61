#include "ORA/ora_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "ORA/ora_cache.h"
#include "ORA/ora_catalog.h"
#include "ORA/ora_database.h"
#include "ORA/ora_date_processor.h"
#include "ORA/ora_default.h"
#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"

namespace {

// Date kinds of t_ftd::dw_reserved: a DATE column, and one whose default is the current time.
constexpr int k_plain_date_time = 1;
constexpr int k_current_date_time = 9;
// The first server version whose dictionary gives CHAR_LENGTH.
constexpr unsigned k_char_length_version = 0x90000;

bool is_text_type_name(const std::wstring& type) {
    return type == L"VARCHAR2" || type == L"VARCHAR" || type == L"CHAR" || type == L"NVARCHAR2" ||
           type == L"NCHAR";
}

// Reads a whole catalogue result of `columns` text columns, row by row.
template <class F>
void for_each_row(int columns, const std::wstring& sql, F&& handle) {
    ora_query_results rs(columns, sql);
    int row = 0;
    while (!rs.is_eof()) {
        udb_record* rec = rs.get_item();
        if (!rec) break;
        handle(*rec, row++);
        rs.next();
    }
}

}  // namespace

ora_table::ora_table(ora_database* db, const std::wstring& name, udb_relationships& relationships,
                     int mode)
    : ora_query_results(db, name, std::wstring()), m_db(db), m_relationships(relationships) {
    construct(mode);
}

ora_table::ora_table(ora_database* db, const std::wstring& name, const std::wstring& query,
                     udb_relationships& relationships, int mode)
    : ora_query_results(db, name, query), m_db(db), m_relationships(relationships) {
    construct(mode);
}

ora_table::~ora_table() {
    tk_log(2, "ora_table::dtor");
    m_cache.reset();
}

void ora_table::construct(int mode) {
    tk_wlog(2, L"ora_table::ora_table(%s)", m_name.c_str());
    ora_engine& eng = ora_engine::instance();
    init_schema();
    if (m_schema.empty()) {
        tk_log(2, "Empty table");
        return;
    }
    if (!is_query()) {
        if ((mode & (k_no_fks | k_no_indexes)) == (k_no_fks | k_no_indexes) || eng.b_indexes_off)
            tk_log(2, "Indexes are OFF");
        else
            init_indexes(mode);
    }
    m_record_count =
        is_query() ? eng.get_records_cnt(m_query, true) : eng.get_records_cnt(m_name, false);
    tk_log(2, "Got %d records", m_record_count);
}

bool ora_table::is_eof() {
    tk_log(1, "ora_table::is_eof(%d,%d)", m_rows_read, m_record_count);
    if (!m_executed) throw tk_mail_assertion("ora_tab", 520);
    if (m_rows_read >= m_record_count) return true;
    return fetch_row();
}

void ora_table::next() {
    tk_log(1, "ora_table::next");
    ++m_rows_read;
}

int ora_table::get_columns_cnt() {
    tk_log(2, "ora_table::get_columns_cnt");
    ora_engine& eng = ora_engine::instance();
    std::wstring sql = L"SELECT COUNT(*) FROM " + eng.get_tab_columns_view() + L" WHERE " +
                       eng.get_table_filter(m_name);
    tk_wlog(1, L"Query=%s", sql.c_str());
    ora_stmt stmt;
    sb4 count = 0;
    sword status = stmt.select_int(sql, count);
    eng.check_err(status);
    if (status == OCI_NO_DATA) throw tk_mail_assertion("ora_tab", 512);
    return count;
}

std::wstring ora_table::get_safe_select_query(int& columns) {
    tk_log(2, "ora_table::get_safe_select_query");
    ora_engine& eng = ora_engine::instance();
    std::wstring list;
    bool skipped = false;
    for_each_row(2,
                 L"SELECT COLUMN_NAME, DATA_TYPE FROM " + eng.get_tab_columns_view() + L" WHERE " +
                     eng.get_table_filter(m_name),
                 [&](udb_record& rec, int) {
                     std::wstring column = rec[0].to_wstring();
                     std::wstring type = rec[1].to_wstring();
                     tk_wlog(1, L"GOT field '%s' with type '%s'", column.c_str(), type.c_str());
                     if (!ora_engine::is_supported_type_name(type)) {
                         tk_wlog(3, L"Table '%s': column '%s' has unsupported type '%s', skip it",
                                 m_name.c_str(), column.c_str(), type.c_str());
                         skipped = true;
                         m_unsupported.push_back(L"column '" + column +
                                                 L"' has unsupported type '" + type +
                                                 L"' and is left out");
                         if (columns > 0) --columns;
                         return;
                     }
                     if (!list.empty()) list += L",";
                     list += eng.get_safe_name(column);
                 });
    if (skipped) return L"SELECT " + list + L" FROM " + eng.get_safe_name(m_name);
    return L"SELECT * FROM " + eng.get_safe_name(m_name);
}

void ora_table::init_schema() {
    tk_log(2, "ora_table::init_schema");
    ora_engine& eng = ora_engine::instance();
    int columns = is_query() ? 0 : get_columns_cnt();
    tk_log(2, "Got %d columns", columns);
    std::wstring sql = is_query() ? m_query : get_safe_select_query(columns);
    // A table none of whose columns can be read has no select list: it stays without fields,
    // which callers take as "nothing to convert", instead of failing on an empty SELECT.
    if (!is_query() && columns == 0) {
        tk_log(2, "No supported columns");
        return;
    }
    tk_log(1, "Right before extract DB structure");
    initialize(columns, sql);
    if (is_query()) return;

    std::wstring filter = eng.get_table_filter(m_name);
    // The dictionary counts characters (CHAR_LENGTH) from version 9 on; the described size is
    // in bytes, up to four a character.
    const bool char_lengths = eng.get_version() >= k_char_length_version;
    std::wstring defaults = std::wstring(L"select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE") +
                            (char_lengths ? L", CHAR_LENGTH" : L"") + L" from " +
                            eng.get_tab_columns_view() + L" where " + filter;
    tk_wlog(2, L"query(3)=%s", defaults.c_str());
    for_each_row(char_lengths ? 4 : 3, defaults, [&](udb_record& rec, int eye) {
        std::wstring column = rec[0].to_wstring();
        std::wstring def_text = rec[1].to_wstring();
        std::wstring type = rec[2].to_wstring();
        const long characters = char_lengths && !rec[3].is_empty() ? rec[3].to_long() : 0;
        tk_wlog(1, L"Got field '%s'", column.c_str());
        int idx = m_schema.get_field_idx(column);
        if (idx < 0) {
            tk_log(2, "Field not found in schema");
            return;
        }
        t_ftd& ftd = m_schema[static_cast<std::size_t>(idx)];
        tk_log(1, "field size=%d", static_cast<int>(ftd.size));
        if (!def_text.empty()) {
            tk_wlog(1, L"Got default string: %s (eye=%d, type=%d)", def_text.c_str(), eye,
                    ftd.vartype);
            if (ftd.vartype == VT_DATE && ora_is_current_time(def_text)) {
                tk_log(1, "Processing 'sysdate' def.value");
                ftd.default_value = ole_variant(std::wstring(L"sysdate"));
                // The mark of a DATE column; a time stamp keeps the digits of its fraction.
                if (ftd.dw_reserved == k_plain_date_time) ftd.dw_reserved = k_current_date_time;
            } else {
                ora_default def = get_def_value(ftd.vartype, def_text);
                ftd.default_value = def.value;
                ftd.b_default_expression = def.expression;
                tk_wlog(1, L"Got default variant: %s", ftd.default_value.to_wstring().c_str());
            }
        }
        const bool national = type == L"NVARCHAR2" || type == L"NCHAR";
        if (national && static_cast<std::size_t>(idx) >= m_columns.size())
            throw tk_mail_assertion("ora_tab", 607);
        if (characters > 0 && is_text_type_name(type)) {
            // MySQL counts a text column's length in characters too.
            ftd.size = static_cast<unsigned>(characters);
            tk_log(1, "Length in characters=%d", static_cast<int>(characters));
            if (national) m_columns[static_cast<std::size_t>(idx)]->set_size(ftd.size);
        } else if (national) {
            tk_log(1, "Tuning field size for NCHAR/NVARCHAR (eye=%d)", eye);
            ora_type& col = *m_columns[static_cast<std::size_t>(idx)];
            unsigned size = col.get_size() ? col.get_size() : ftd.size;
            size /= 2;
            ftd.size = size;
            col.set_size(size);
            tk_log(1, "New field size=%d", static_cast<int>(size));
        } else if (type == L"LONG") {
            ftd.size = 0;
            ftd.native_type = L"LONG";
        }
        if (type == L"BINARY_FLOAT" || type == L"BINARY_DOUBLE") {
            m_binary_real.resize(m_schema.size(), false);
            m_binary_real[static_cast<std::size_t>(idx)] = true;
        }
    });

    std::wstring comments =
        L"select COLUMN_NAME, COMMENTS from USER_COL_COMMENTS where table_name = '" +
        ora_quote_literal(m_name) + L"'";
    tk_wlog(2, L"query(4)=%s", comments.c_str());
    try {
        for_each_row(2, comments, [&](udb_record& rec, int) {
            std::wstring column = rec[0].to_wstring();
            std::wstring comment = rec[1].to_wstring();
            tk_wlog(1, L"Column '%s' has comment '%s'", column.c_str(), comment.c_str());
            m_schema.set_field_comment(column, comment);
        });
    } catch (const tk_exception& e) {
        tk_log(3, "Error while processing column comments:\n%s\n", e.what());
    }
}

namespace {

// A plain decimal number, as the dictionary keeps most numeric defaults: read as it stands, so
// that no digit is lost on the way through a double.
bool is_plain_number(const std::wstring& text) {
    std::size_t i = text.size() > 1 && text[0] == L'-' ? 1 : 0;
    if (i == text.size() || text.find_first_not_of(L"0123456789.", i) != std::wstring::npos)
        return false;
    return text.find(L'.') == text.rfind(L'.') && text.find_first_of(L"0123456789") != text.npos;
}

// The text of a constant number in the column's terms: integers rounded as Oracle stores them.
std::wstring number_text(const std::wstring& text, int vartype) {
    const bool integral = ole_is_integer_type(static_cast<VARTYPE>(vartype));
    if (is_plain_number(text) && !(integral && text.find(L'.') != text.npos)) return text;
    std::optional<double> value = ora_eval_constant(text);
    if (!value) return std::wstring();
    constexpr int k_significant_digits = 15;
    char buf[64];
    const auto result = integral ? std::to_chars(buf, buf + sizeof buf, std::round(*value),
                                                 std::chars_format::fixed, 0)
                                 : std::to_chars(buf, buf + sizeof buf, *value,
                                                 std::chars_format::general, k_significant_digits);
    if (result.ec != std::errc()) return std::wstring();
    return std::wstring(buf, result.ptr);
}

// True when the value read for a column is the number its text says: the conversion saturates
// or wraps what its type cannot hold, and such a value would be one the source never had.
bool holds_number(const ole_variant& value, const std::wstring& text) {
    const std::optional<double> expected = ora_eval_constant(text);
    if (!expected) return false;
    const double got = value.to_double();
    // Integers are rounded from the text; a double keeps 15 significant digits of it.
    constexpr double k_rounding = 0.5;
    constexpr double k_relative = 1e-12;
    return std::fabs(got - *expected) <= k_rounding + k_relative * std::fabs(*expected);
}

}  // namespace

ora_default ora_table::get_def_value(int vartype, const std::wstring& src) {
    tk_wlog(1, L"ora_table::get_def_value(type=0x%08X, src=%s)", vartype & 0xFFFF, src.c_str());
    const std::wstring text = ora_trim(src);
    ora_default result;
    // An explicit DEFAULT NULL is no default; read as a number it would become 0.
    if (text.empty() || udb_equal_nocase(text, L"null")) return result;
    const std::optional<std::wstring> literal = ora_unquote_literal(text);
    if (literal) tk_wlog(1, L"After removing quotes: %s", literal->c_str());
    const VARTYPE vt = static_cast<VARTYPE>(vartype);
    const bool numeric = ole_is_numeric_type(vt);
    std::wstring constant;
    if (vartype == VT_DATE)
        constant = ora_date_constant(text);
    else if (literal && !numeric)
        constant = *literal;
    else
        constant = number_text(literal ? ora_trim(*literal) : text, vartype);
    if (!constant.empty() || (literal && vartype == VT_BSTR)) {
        try {
            result.value = ole_variant::from_wstring(constant, vt);
            if ((!result.value.is_empty() || vartype == VT_BSTR) &&
                (!numeric || holds_number(result.value, constant)))
                return result;
        } catch (const tk_exception&) {
            // A text the column's type cannot take is no constant of that column.
        }
    }
    tk_wlog(1, L"Default '%s' is no constant: kept as an expression", text.c_str());
    result.value = ole_variant(text);
    result.expression = true;
    return result;
}

void ora_table::mark_auto_increment(const std::vector<std::wstring>& pk_columns) {
    if (pk_columns.size() != 1) return;
    const int idx = m_schema.get_field_idx(pk_columns.front());
    if (idx < 0) return;
    t_ftd* column = &m_schema[static_cast<std::size_t>(idx)];
    if (!column->b_default_expression ||
        !ole_is_integer_type(static_cast<VARTYPE>(column->vartype)) ||
        !ora_is_sequence_default(column->default_value.to_wstring()))
        return;
    tk_wlog(2, L"Column '%s' takes its values from a sequence: auto-increment",
            column->name.c_str());
    column->b_auto_increment = true;
}

int ora_table::count_of(const std::wstring& sql) {
    ora_stmt stmt;
    sb4 count = 0;
    // A count that fails at execution leaves 0: no key, no foreign keys.
    stmt.select_int(sql, count);
    return count;
}

void ora_table::init_indexes(int mode) {
    tk_log(2, "ora_table::init_indexes(mode=%d)", mode);
    if ((mode & (k_no_fks | k_no_indexes)) == (k_no_fks | k_no_indexes)) {
        tk_log(2, "Indexes are OFF, nothing to do");
        return;
    }
    ora_engine& eng = ora_engine::instance();
    const bool owned = eng.b_owned_by_user;
    const std::wstring t = ora_quote_literal(m_name);

    std::wstring pk_name;
    std::vector<std::wstring> pk_columns;
    const ora_catalog catalog(owned);
    int pk_count = count_of(catalog.primary_key_count(t));
    if (pk_count == 0) {
        tk_log(2, "No Primary Key found");
    } else {
        for_each_row(2, catalog.primary_key_columns(t), [&](udb_record& rec, int row) {
            if (row == 0) {
                pk_name = rec[0].to_wstring();
                tk_wlog(2, L"Got primary key '%s'", pk_name.c_str());
            }
            std::wstring column = rec[1].to_wstring();
            if (m_schema.find_field(column))
                pk_columns.push_back(column);
            else
                tk_wlog(2, L"PK field '%s' not found - skip it", column.c_str());
        });
        if (!pk_columns.empty()) add_index(udb_index(pk_name, true, true, pk_columns));
        mark_auto_increment(pk_columns);
    }

    // An index the server named itself is left out (a LOB's own index, say), unless it
    // enforces a unique constraint: then it is a key of the table like any named one.
    const bool v8 = eng.get_version() >= 0x80000;
    struct index_row {
        std::wstring index, column;
        bool unique;
    };
    std::vector<index_row> index_rows;
    // An index keyed on something the table has no readable column of (an expression, a DESC
    // key, a column left out) cannot be rebuilt from its columns: the other keys alone would
    // make another index, a stricter one when it is unique. It is left out, and the user told.
    std::vector<std::wstring> left_out;
    for_each_row(3, catalog.indexes(t, v8), [&](udb_record& rec, int) {
        index_row r{rec[0].to_wstring(), rec[2].to_wstring(),
                    udb_equal_nocase(rec[1].to_wstring(), L"UNIQUE")};
        tk_wlog(2, L"Got index '%s' (unique=%d)", r.index.c_str(), r.unique ? 1 : 0);
        if (!m_schema.find_field(r.column)) {
            tk_wlog(2, L"Index field '%s' not found - skip it", r.column.c_str());
            if (r.index != pk_name &&
                std::find(left_out.begin(), left_out.end(), r.index) == left_out.end()) {
                left_out.push_back(r.index);
                m_unsupported.push_back(L"index '" + r.index + L"' has the key '" + r.column +
                                        L"', which is not a column that is read, and is left out");
            }
        }
        index_rows.push_back(std::move(r));
    });
    for (const index_row& r : index_rows) {
        if (std::find(left_out.begin(), left_out.end(), r.index) != left_out.end()) continue;
        if (!m_indexes.find2(r.index)) {
            add_index(udb_index(r.index, r.unique, false, {r.column}));
            continue;
        }
        udb_index& existing = m_indexes.get_index(r.index);
        if (existing.primary) {
            tk_log(2, "Skip Primary Key DoubleInitialization");
            continue;
        }
        existing.columns.push_back(r.column);
    }

    if (mode & k_no_fks) {
        tk_log(2, "FKs are OFF, nothing to do");
        return;
    }
    if (pk_name.empty()) {
        tk_log(2, "pk_name is empty, cannot create FKs");
        return;
    }
    const std::wstring p = ora_quote_literal(pk_name);
    int fk_count = count_of(catalog.foreign_key_count(p));
    if (fk_count == 0) {
        tk_log(2, "No foreign keys found");
        return;
    }
    for_each_row(4, catalog.foreign_keys(p), [&](udb_record& rec, int) {
        std::wstring child = rec[0].to_wstring();
        std::wstring name = rec[1].to_wstring();
        std::wstring rule = rec[2].to_wstring();
        std::wstring column = rec[3].to_wstring();
        tk_wlog(2, L"GOT FK: %s,%s,%s,%s", child.c_str(), name.c_str(), rule.c_str(),
                column.c_str());
        if (m_relationships.is_acceptable_name(name)) {
            m_relationships.push_back(udb_relationship(name, pk_name, child, m_name, {column},
                                                       pk_columns,
                                                       rule.empty() ? L"" : L"ON DELETE " + rule));
            return;
        }
        udb_relationship& rel = m_relationships.get_index(name);
        if (std::find(rel.child_columns.begin(), rel.child_columns.end(), column) ==
            rel.child_columns.end())
            rel.child_columns.push_back(column);
    });
}
