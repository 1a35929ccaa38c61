// The SQLite side of a table: its CREATE TABLE written from the dictionary rows, the copy of its
// rows into a rebuilt table, and its indexes.
#include <algorithm>

#include "ddl/lite_ddl_exec.h"
#include "lite_errors.h"
#include "lite_names.h"
#include "lite_sqlite_stmt.h"

namespace {

// A text literal as the default of a date, timestamp or number column is converted as an
// INSERT would convert it, when a row takes the default: the row then holds the column's type
// (or the INSERT gets the conversion's error), never text a later read cannot show.
std::string typed_default(const std::string& text, const std::string& data_type) {
    std::vector<lite_token> t = lite_tokenize(text);
    if (t.size() != 2 || t[0].kind != lite_token::string) return text;
    const char* convert = nullptr;
    if (data_type == "DATE") {
        convert = "TO_DATE";
    } else if (data_type.rfind("TIMESTAMP", 0) == 0 &&
               data_type.find(" WITH ") == std::string::npos) {
        convert = "TO_TIMESTAMP";
    } else if (data_type == "NUMBER" || data_type == "FLOAT" || data_type == "BINARY_FLOAT" ||
               data_type == "BINARY_DOUBLE") {
        convert = "TO_NUMBER";
    }
    return convert ? std::string(convert) + "(" + text + ")" : text;
}

}  // namespace

bool lite_ddl_executor::compiles(const std::string& sql) {
    lite_stmt probe;
    return lite_stmt::try_prepare(db, sql, probe);
}

void lite_ddl_executor::build_table(const std::string& owner, const std::string& table,
                                    bool existed) {
    std::string probe;  // a row source with the table's column names, for test compiles
    std::vector<std::string> names;
    std::string cols_sql;
    for (const lite_dict_build_column& col : dict.build_columns(owner, table)) {
        lite_coltype ty;
        ty.data_type = col.data_type;
        ty.precision = col.precision;
        const std::string& n = col.name;
        names.push_back(n);
        probe += (probe.empty() ? "" : ", ") + std::string("NULL AS ") + lite_sqlite_name(n);
        std::string def;
        if (col.default_text) {
            std::string expr;
            bool read = true;
            try {
                expr = lite_translate_condition(typed_default(*col.default_text, ty.data_type),
                                                s.user());
            } catch (const lite_error&) {
                read = false;
            }
            if (read && !expr.empty() && (ty.data_type == "CHAR" || ty.data_type == "NCHAR")) {
                // A CHAR holds its default blank-padded, as every value it stores.
                expr = "LITE_FIT_TEXT(" + expr + ", " +
                       std::to_string(col.in_characters ? col.char_length : col.data_length) +
                       ", " + (col.in_characters ? "1" : "0") + ", " +
                       lite_quote_text("\"" + owner + "\".\"" + table + "\".\"" + n + "\"") +
                       ", 1)";
            }
            if (read && !expr.empty() && compiles("SELECT (" + expr + ")")) {
                def = " DEFAULT (" + expr + ")";
            } else if (!read || !expr.empty()) {
                s.add_warning("default of " + table + "." + n +
                              " cannot be evaluated; kept in the dictionary only");
            }
        }
        cols_sql += (cols_sql.empty() ? "" : ", ") + lite_sqlite_name(n) + " " +
                    lite_affinity_for(ty) + (col.not_null ? " NOT NULL" : "") + def;
    }
    const auto checks = dict.evaluable_checks(owner, table);
    const std::vector<lite_table_column> typed =
        checks.empty() ? std::vector<lite_table_column>() : dict.typed_columns(owner, table);
    std::vector<std::pair<std::string, std::string>> held;  // name and SQLite condition
    for (auto& [cn, cond] : checks) {
        std::string expr;
        try {
            expr = lite_translate_condition(cond, s.user(), &typed);
        } catch (const lite_error&) {
        }
        if (!expr.empty() && compiles("SELECT (" + expr + ") FROM (SELECT " + probe + ")")) {
            cols_sql += ", CONSTRAINT " + lite_sqlite_name(cn) + " CHECK (" + expr + ")";
            held.emplace_back(cn, expr);
        } else {
            dict.mark_not_evaluable(owner, cn);
            s.add_warning("check constraint " + cn + " on " + table +
                          " cannot be evaluated; kept in the dictionary only");
        }
    }
    std::string qt = "main." + lite_sqlite_name(table);
    if (!existed) {
        lite_exec(db, "CREATE TABLE " + qt + " (" + cols_sql + ")");
    } else {
        std::string tmp = "main." + lite_sqlite_name(table + "$REBUILD");
        lite_exec(db, "CREATE TABLE " + tmp + " (" + cols_sql + ")");
        // Copy the columns both versions have.
        std::vector<std::string> old_cols;
        {
            lite_stmt p(db, "SELECT name FROM pragma_table_info(?1, 'main')");
            p.text(1, lite_sqlite_ident(table));
            old_cols = p.strings();
        }
        std::string list;
        for (const std::string& n : names) {
            if (std::find(old_cols.begin(), old_cols.end(), lite_sqlite_ident(n)) !=
                old_cols.end()) {
                list += (list.empty() ? "" : ", ") + lite_sqlite_name(n);
            }
        }
        // A check enabled NOVALIDATE holds for new rows only: the copy is checked against the
        // others one by one instead of by SQLite.
        const std::vector<std::string> unchecked = dict.unvalidated_checks(owner, table);
        if (!list.empty()) {
            if (!unchecked.empty()) lite_exec(db, "PRAGMA ignore_check_constraints = ON");
            try {
                lite_exec(db,
                          "INSERT INTO " + tmp + " (" + list + ") SELECT " + list + " FROM " + qt);
            } catch (...) {
                sqlite3_exec(db, "PRAGMA ignore_check_constraints = OFF", nullptr, nullptr,
                             nullptr);
                throw;
            }
            if (!unchecked.empty()) lite_exec(db, "PRAGMA ignore_check_constraints = OFF");
        }
        for (auto& [cn, expr] : held) {
            if (unchecked.empty() ||
                std::find(unchecked.begin(), unchecked.end(), cn) != unchecked.end())
                continue;
            lite_stmt bad(db, "SELECT 1 FROM " + tmp + " WHERE NOT (" + expr + ")");
            if (bad.row()) {
                throw lite_error(ora_err::check_violated,
                                 "check constraint (" + owner + "." + cn + ") violated");
            }
        }
        lite_exec(db, "DROP TABLE " + qt);
        lite_exec(db, "PRAGMA legacy_alter_table = ON");
        lite_exec(db, "ALTER TABLE " + tmp + " RENAME TO " + lite_sqlite_name(table));
        lite_exec(db, "PRAGMA legacy_alter_table = OFF");
    }
    for (const lite_dict_index& ix : dict.table_indexes(owner, table))
        create_sqlite_index(owner, ix.name, table, ix.unique, ix.type);
}

void lite_ddl_executor::create_sqlite_index(const std::string& owner, const std::string& iname,
                                            const std::string& table, bool unique,
                                            const std::string& itype) {
    // A bitmap index is an ordinary one to SQLite: it only speeds reads up.
    const bool function_based = itype.rfind("FUNCTION-BASED ", 0) == 0;
    if (itype != "NORMAL" && itype != "BITMAP" && itype != "IOT - TOP" && !function_based) return;
    std::string list;
    std::vector<std::string> have =
        function_based ? dict.column_names(owner, table) : std::vector<std::string>();
    const std::vector<lite_table_column> typed =
        function_based ? dict.typed_columns(owner, table) : std::vector<lite_table_column>();
    for (const auto& [key, descend] : dict.index_keys(owner, iname)) {
        std::string item = lite_sqlite_name(key);
        // An expression is indexed as SQLite computes it, so a unique one holds row by row
        // (a CASE that gives NULL exempts the row, as in Oracle).
        if (function_based && std::find(have.begin(), have.end(), key) == have.end()) {
            try {
                item = "(" + lite_translate_condition(key, s.user(), &typed) + ")";
            } catch (const lite_error&) {
                item.clear();
            }
        }
        if (item.empty()) {
            s.add_warning("index " + iname + " cannot be evaluated; kept in the dictionary only");
            return;
        }
        list += (list.empty() ? "" : ", ") + item + (descend == "DESC" ? " DESC" : "");
    }
    if (function_based &&
        !compiles("CREATE " + std::string(unique ? "UNIQUE " : "") +
                  "INDEX main.\"LITE$PROBE\" ON " + lite_sqlite_name(table) + " (" + list + ")")) {
        s.add_warning("index " + iname + " cannot be evaluated; kept in the dictionary only");
        return;
    }
    try {
        lite_exec(db, std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX main." +
                          lite_sqlite_name(iname) + " ON " + lite_sqlite_name(table) + " (" + list +
                          ")");
    } catch (const lite_error& e) {
        if (e.code() == ora_err::unique_violated) {
            throw lite_error(ora_err::duplicate_keys_found,
                             "cannot CREATE UNIQUE INDEX; duplicate keys found");
        }
        throw;
    }
}

void lite_ddl_executor::rebuild_validating(const std::string& owner, const std::string& table,
                                           const std::string& cname) {
    try {
        build_table(owner, table, true);
    } catch (const lite_error& e) {
        std::string who = "(" + owner + "." + cname + ")";
        if (e.code() == ora_err::check_violated)
            throw lite_error(ora_err::cannot_validate_check,
                             "cannot validate " + who + " - check constraint violated");
        if (e.code() == ora_err::cannot_insert_null)
            throw lite_error(ora_err::cannot_enable_not_null,
                             "cannot enable " + who + " - null values found");
        if (e.code() == ora_err::unique_violated || e.code() == ora_err::duplicate_keys_found) {
            if (dict.constraint_type(owner, cname) == "U")
                throw lite_error(ora_err::cannot_validate_unique,
                                 "cannot validate " + who + " - duplicate keys found");
            throw lite_error(ora_err::cannot_validate_primary_key,
                             "cannot validate " + who + " - primary key violated");
        }
        throw;
    }
}

void lite_ddl_executor::drop_index(const std::string& owner, const std::string& iname) {
    dict.forget_index(owner, iname);
    lite_exec(db, "DROP INDEX IF EXISTS main." + lite_sqlite_name(iname));
}
