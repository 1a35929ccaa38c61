// The values a DML statement stores, as their columns take them: each becomes a call that
// converts it to the column's type and refuses it as Oracle would (ORA-12899 past a length,
// ORA-01438 past a precision, ORA-01722 for a text that is no number), so the SQLite column only
// ever holds what the Oracle column could.
#include "lite_value_text.h"
#include "sql/lite_lexer.h"
#include "sql/lite_sqlite_writer.h"

namespace {

bool is_text_type(const std::string& dt) {
    return dt == "VARCHAR2" || dt == "VARCHAR" || dt == "NVARCHAR2" || dt == "CHAR" ||
           dt == "NCHAR";
}

// An unsigned numeric literal as the writer leaves it: nothing to convert or check.
bool plain_number_literal(const std::string& v) {
    if (v.empty()) return false;
    for (char c : v) {
        if ((c < '0' || c > '9') && c != '.') return false;
    }
    return true;
}

std::string opt_int(const std::optional<int>& v) {
    return v ? std::to_string(*v) : std::string("NULL");
}

}  // namespace

std::string lite_sqlite_writer::coerce(const std::string& value, const lite_coltype* t,
                                       const std::string& column) const {
    if (!t) return value;
    const std::string& dt = t->data_type;
    auto name = [&] {
        return lite_quote_text("\"" + store_owner_ + "\".\"" + store_table_ + "\".\"" + column +
                               "\"");
    };
    if (dt == "RAW") {
        return "LITE_FIT_RAW(LITE_TO_RAW(" + value + "), " + std::to_string(t->data_length) + ", " +
               name() + ")";
    }
    if (dt == "BLOB" || dt == "LONG RAW") return "LITE_TO_RAW(" + value + ")";
    if (dt == "NUMBER" || dt == "FLOAT") {
        // FLOAT's precision counts binary digits: only its conversion applies here.
        const bool number = dt == "NUMBER";
        if ((!number || (!t->precision && !t->scale)) && plain_number_literal(value)) return value;
        return "LITE_FIT_NUMBER(" + value + ", " + (number ? opt_int(t->precision) : "NULL") +
               ", " + (number ? opt_int(t->scale) : "NULL") + ", " + name() + ")";
    }
    if (is_text_type(dt)) {
        const bool chars = t->char_used == "C";
        const int64_t maximum = chars ? t->char_length : t->data_length;
        if (maximum <= 0) return value;
        // A CHAR holds its value blank-padded to its width, as Oracle stores it.
        const bool fixed = dt == "CHAR" || dt == "NCHAR";
        return "LITE_FIT_TEXT(" + value + ", " + std::to_string(maximum) + ", " +
               (chars ? "1" : "0") + ", " + name() + (fixed ? ", 1)" : ")");
    }
    if (dt.rfind("TIMESTAMP(", 0) == 0 && t->scale) {
        // Kept to the column's digits, with the zone only where the column has one.
        const bool zoned = dt.find("WITH TIME ZONE") != std::string::npos;
        return "LITE_TS(" + value + ", " + std::to_string(*t->scale) + (zoned ? ", 1)" : ", 0)");
    }
    return value;
}

std::string lite_sqlite_writer::filled(const std::string& value, const std::string& column) const {
    for (const auto& [name, next] : insert_fills_) {
        if (name == column) return "COALESCE(" + value + ", " + next + ")";
    }
    return value;
}

std::string lite_sqlite_writer::coerced_rows(const std::string& query_sql,
                                             const std::vector<std::string>& names,
                                             const std::vector<const lite_coltype*>& types) const {
    static const std::string rows_name = "\"LITE$ROWS\"";
    std::vector<std::string> row_cols, values;
    bool any = false;
    for (size_t k = 0; k < names.size(); ++k) {
        const std::string c = rows_name + ".\"C" + std::to_string(k + 1) + "\"";
        row_cols.push_back("\"C" + std::to_string(k + 1) + "\"");
        values.push_back(filled(coerce(c, types[k], names[k]), names[k]));
        any = any || values.back() != c;
    }
    if (!any) return query_sql;
    auto join = [](const std::vector<std::string>& v) {
        std::string out;
        for (const std::string& s : v) out += (out.empty() ? "" : ", ") + s;
        return out;
    };
    return "WITH " + rows_name + "(" + join(row_cols) + ") AS (" + query_sql + ") SELECT " +
           join(values) + " FROM " + rows_name;
}
