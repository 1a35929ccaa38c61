// Oracle DDL over SQLite. The dictionary is the truth: every statement first changes the
// dictionary rows, then the SQLite table is (re)built from them, because SQLite cannot add a
// NOT NULL, CHECK or primary key to an existing table. A rebuild copies the rows, so adding a
// constraint to a filled table also validates it, as Oracle does.
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <array>
#include <cstdio>
#include <optional>
#include <set>
#include <variant>

#include "ddl/lite_ddl_parser.h"
#include "ddl/lite_dictionary.h"
#include "ddl/lite_schema.h"
#include "lite_value_text.h"
#include "lite_internal.h"
#include "ddl/lite_trigger.h"
#include "lite_errors.h"
#include "lite_sqlite_stmt.h"

namespace {

using stmt = lite_stmt;

const std::string D = "\"LITE$DICT\".";

// Runs one parsed statement. The statement is read whole first (lite_ddl_parser); errors the
// parser held back are raised here, after the dictionary checks that used to precede them.
struct ddl {
    lite_session& s;
    sqlite3* db;

    explicit ddl(lite_session& session) : s(session), db(session.db()) {}

    static int64_t to_int(const std::string& text) { return lite_ddl_parser::to_int(text); }
    static void need_column(const std::vector<std::string>& have, const std::string& col) {
        lite_ddl_parser::need_column(have, col);
    }
    static lite_ddl_constraint not_null_of(const std::string& col) {
        return lite_ddl_parser::not_null_of(col);
    }

    // ------------------------------------------------------------------ dictionary helpers
    bool table_exists(const std::string& owner, const std::string& table) {
        stmt q(db, "SELECT 1 FROM " + D + "TABLES WHERE OWNER=?1 AND TABLE_NAME=?2");
        q.text(1, owner).text(2, table);
        return q.row();
    }
    bool name_in_use(const std::string& owner, const std::string& n) {
        stmt q(db, "SELECT 1 FROM " + D +
                       "TABLES WHERE OWNER=?1 AND TABLE_NAME=?2 UNION ALL "
                       "SELECT 1 FROM " +
                       D +
                       "VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2 UNION ALL "
                       "SELECT 1 FROM " +
                       D +
                       "SEQUENCES WHERE SEQUENCE_OWNER=?1 AND SEQUENCE_NAME=?2 "
                       "UNION ALL SELECT 1 FROM " +
                       D +
                       "SOURCE WHERE OWNER=?1 AND NAME=?2 AND "
                       "TYPE IN ('PROCEDURE','FUNCTION','PACKAGE','TYPE')");
        q.text(1, owner).text(2, n);
        return q.row();
    }
    std::vector<std::string> table_columns(const std::string& owner, const std::string& table) {
        stmt q(db, "SELECT COLUMN_NAME FROM " + D +
                       "COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 "
                       "ORDER BY COLUMN_ID");
        q.text(1, owner).text(2, table);
        return q.strings();
    }
    // The columns with their types, for the conditions and index expressions that read them.
    std::vector<lite_table_column> typed_columns(const std::string& owner,
                                                 const std::string& table) {
        stmt q(db, "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, CHAR_LENGTH, CHAR_USED FROM " + D +
                       "COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 ORDER BY COLUMN_ID");
        q.text(1, owner).text(2, table);
        std::vector<lite_table_column> out;
        while (q.row()) {
            lite_table_column c;
            c.name = q.col(0);
            c.type.data_type = q.col(1);
            c.type.data_length = q.is_null(2) ? 0 : q.i64(2);
            c.type.char_length = q.is_null(3) ? 0 : q.i64(3);
            c.type.char_used = q.col(4);
            out.push_back(std::move(c));
        }
        return out;
    }
    bool index_exists(const std::string& owner, const std::string& iname) {
        stmt q(db, "SELECT 1 FROM " + D + "INDEXES WHERE OWNER=?1 AND INDEX_NAME=?2");
        q.text(1, owner).text(2, iname);
        return q.row();
    }
    // Name of the table's primary key, or "" when it has none.
    std::string primary_key(const std::string& owner, const std::string& table) {
        stmt q(db, "SELECT CONSTRAINT_NAME FROM " + D +
                       "CONSTRAINTS WHERE OWNER=?1 AND TABLE_NAME=?2 AND CONSTRAINT_TYPE='P'");
        q.text(1, owner).text(2, table);
        return q.row() ? q.col(0) : std::string();
    }
    // Removes a constraint and its column rows from the dictionary.
    void forget_constraint(const std::string& owner, const std::string& cname) {
        for (const char* tb : {"CONSTRAINTS", "CONS_COLUMNS"}) {
            stmt d(db, "DELETE FROM " + D + tb + " WHERE OWNER=?1 AND CONSTRAINT_NAME=?2");
            d.text(1, owner).text(2, cname).run();
        }
    }
    std::string sys_name() {
        stmt q(db, "SELECT VALUE FROM " + D + "SETTINGS WHERE NAME='NEXT_SYS_C'");
        int64_t n = q.row() ? to_int(q.col(0)) : 8000;
        stmt u(db, "INSERT OR REPLACE INTO " + D + "SETTINGS VALUES ('NEXT_SYS_C', ?1)");
        u.text(1, std::to_string(n + 1)).run();
        char b[32];
        std::snprintf(b, sizeof b, "SYS_C%07lld", static_cast<long long>(n));
        return b;
    }
    std::string qualified(const std::string& owner) const {
        return owner == s.user() ? "main" : lite_quote_name(owner);
    }
    void set_nullable(const std::string& owner, const std::string& table, const std::string& col) {
        // NULLABLE follows the enabled NOT NULL and primary-key constraints of the column.
        stmt q(db,
               "SELECT 1 FROM " + D + "CONSTRAINTS c JOIN " + D +
                   "CONS_COLUMNS k ON "
                   "k.OWNER=c.OWNER AND k.CONSTRAINT_NAME=c.CONSTRAINT_NAME WHERE c.OWNER=?1 AND "
                   "c.TABLE_NAME=?2 AND k.COLUMN_NAME=?3 AND c.STATUS='ENABLED' AND "
                   "(c.CONSTRAINT_TYPE='P' OR c.EVALUABLE=2)");
        q.text(1, owner).text(2, table).text(3, col);
        bool nn = q.row();
        stmt u(db, "UPDATE " + D +
                       "COLUMNS SET NULLABLE=?4 WHERE OWNER=?1 AND TABLE_NAME=?2 AND "
                       "COLUMN_NAME=?3");
        u.text(1, owner).text(2, table).text(3, col).text(4, nn ? "N" : "Y").run();
    }

    // Creates the sequence behind an identity column; returns the column's default text.
    std::string identity_sequence(const std::string& owner, const lite_ddl_column& c) {
        std::string seq = "ISEQ$$_" + std::to_string(to_int(sys_name().substr(5)));
        stmt sq(db, "INSERT INTO " + D +
                        "SEQUENCES VALUES (?1,?2,'1','9999999999999999999999999999',"
                        "?3,'N','N',20,?4)");
        sq.text(1, owner).text(2, seq).num(3, c.identity_inc).num(4, c.identity_start).run();
        return lite_quote_name(owner) + "." + lite_quote_name(seq) + ".nextval";
    }

    // The sequence behind an identity column, or "" when the column is no identity.
    std::string identity_sequence_of(const std::string& owner, const std::string& table,
                                     const std::string& col) {
        stmt q(db, "SELECT DATA_DEFAULT FROM " + D +
                       "COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3 AND "
                       "IDENTITY_COLUMN='YES'");
        q.text(1, owner).text(2, table).text(3, col);
        if (!q.row()) return {};
        std::vector<lite_token> dt = lite_tokenize(q.col(0));
        return dt.size() > 3 ? dt[2].text : std::string();
    }

    void insert_column(const std::string& owner, const std::string& table, const lite_ddl_column& c,
                       int64_t id) {
        stmt q(db, "INSERT INTO " + D +
                       "COLUMNS VALUES (?1,?2,?3,?4,?5,?6,?7,?8,'Y',?9,?10,?11,?12,NULL)");
        std::string def = c.identity ? identity_sequence(owner, c) : c.default_text;
        q.text(1, owner).text(2, table).text(3, c.name).num(4, id).text(5, c.type.data_type);
        q.num(6, c.type.data_length).opt_num(7, c.type.precision).opt_num(8, c.type.scale);
        q.opt_text(9, def).num(10, c.type.char_length).opt_text(11, c.type.char_used);
        q.text(12, c.identity ? "YES" : "NO").run();
    }

    std::vector<std::string> key_columns(const std::string& owner, const std::string& cname) {
        stmt q(db, "SELECT COLUMN_NAME FROM " + D +
                       "CONS_COLUMNS WHERE OWNER=?1 AND "
                       "CONSTRAINT_NAME=?2 ORDER BY POSITION");
        q.text(1, owner).text(2, cname);
        return q.strings();
    }

    // Index of the table whose columns are exactly `cols`, or "".
    std::string index_on(const std::string& owner, const std::string& table,
                         const std::vector<std::string>& cols) {
        stmt q(db,
               "SELECT INDEX_NAME FROM " + D + "INDEXES WHERE TABLE_OWNER=?1 AND TABLE_NAME=?2");
        q.text(1, owner).text(2, table);
        for (const std::string& n : q.strings()) {
            stmt c(db, "SELECT COLUMN_NAME FROM " + D +
                           "IND_COLUMNS WHERE INDEX_OWNER=?1 AND "
                           "INDEX_NAME=?2 ORDER BY COLUMN_POSITION");
            c.text(1, owner).text(2, n);
            if (c.strings() == cols) return n;
        }
        return {};
    }

    void insert_index(const std::string& owner, const std::string& name, const std::string& table,
                      bool unique, bool generated, const std::vector<std::string>& cols,
                      const std::vector<std::string>& descend, const std::string& type) {
        stmt q(db, "INSERT INTO " + D + "INDEXES VALUES (?1,?2,?3,?1,?4,?5,?6)");
        q.text(1, owner).text(2, name).text(3, type).text(4, table);
        q.text(5, unique ? "UNIQUE" : "NONUNIQUE").text(6, generated ? "Y" : "N").run();
        for (size_t k = 0; k < cols.size(); ++k) {
            stmt c(db, "INSERT INTO " + D + "IND_COLUMNS VALUES (?1,?2,?1,?3,?4,?5,?6)");
            c.text(1, owner).text(2, name).text(3, table).text(4, cols[k]);
            c.num(5, static_cast<int64_t>(k) + 1)
                .text(6, k < descend.size() ? descend[k] : "ASC")
                .run();
        }
    }

    // Name and type (P or U) of each primary and unique key of a table.
    std::vector<std::pair<std::string, std::string>> table_keys(const std::string& owner,
                                                                const std::string& table) {
        stmt q(db, "SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM " + D +
                       "CONSTRAINTS WHERE OWNER=?1 AND TABLE_NAME=?2 AND "
                       "CONSTRAINT_TYPE IN ('P','U') ORDER BY CONSTRAINT_TYPE");
        q.text(1, owner).text(2, table);
        std::vector<std::pair<std::string, std::string>> keys;
        while (q.row()) keys.emplace_back(q.col(0), q.col(1));
        return keys;
    }

    // Records a constraint in the dictionary; the table is rebuilt by the caller.
    void add_constraint(const std::string& owner, const std::string& table, lite_ddl_constraint c,
                        bool check_data) {
        bool generated = c.name.empty();
        if (generated) c.name = sys_name();
        {
            stmt q(db, "SELECT 1 FROM " + D + "CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_NAME=?2");
            q.text(1, owner).text(2, c.name);
            if (q.row())
                throw lite_error(ora_err::constraint_name_in_use,
                                 "name already used by an existing constraint");
        }
        std::vector<std::string> have = table_columns(owner, table);
        for (const std::string& col : c.columns) need_column(have, col);
        std::string index_name, r_name;
        int evaluable = c.not_null ? 2 : c.type == 'C' ? 1 : 0;
        if (c.type == 'P' || c.type == 'U') {
            for (auto& [kn, kt] : table_keys(owner, table)) {
                if (c.type == 'P' && kt == "P")
                    throw lite_error(ora_err::one_primary_key_only,
                                     "table can have only one primary key");
                if (key_columns(owner, kn) == c.columns) {
                    throw lite_error(ora_err::key_exists,
                                     "such unique or primary key already exists in the table");
                }
            }
            index_name = index_on(owner, table, c.columns);
            if (index_name.empty()) {
                if (index_exists(owner, c.name))
                    throw lite_error(ora_err::name_in_use,
                                     "name is already used by an existing object");
                index_name = c.name;
                insert_index(owner, c.name, table, true, generated, c.columns, {}, "NORMAL");
            }
        } else if (c.type == 'R') {
            if (!table_exists(c.r_owner, c.r_table))
                throw lite_error(ora_err::table_not_found, "table or view does not exist");
            auto keys = table_keys(c.r_owner, c.r_table);
            if (c.r_columns.empty()) {
                for (auto& [kn, kt] : keys) {
                    if (kt == "P") c.r_columns = key_columns(c.r_owner, kn);
                }
                if (c.r_columns.empty()) {
                    throw lite_error(ora_err::no_referenced_primary_key,
                                     "referenced table does not have a primary key");
                }
            }
            if (c.r_columns.size() != c.columns.size()) {
                throw lite_error(ora_err::referencing_columns_mismatch,
                                 "number of referencing columns must match referenced columns");
            }
            for (auto& [kn, kt] : keys) {
                if (key_columns(c.r_owner, kn) == c.r_columns) r_name = kn;
            }
            if (r_name.empty()) {
                throw lite_error(ora_err::no_matching_key,
                                 "no matching unique or primary key for this column-list");
            }
            if (c.enabled && c.validate && check_data) check_foreign_key(owner, table, c);
        }
        stmt q(db,
               "INSERT INTO " + D + "CONSTRAINTS VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12)");
        q.text(1, owner).text(2, c.name).text(3, std::string(1, c.type)).text(4, table);
        q.opt_text(5, c.condition).opt_text(6, c.type == 'R' ? c.r_owner : "");
        q.opt_text(7, r_name).opt_text(8, c.type == 'R' ? c.delete_rule : "");
        q.text(9, c.enabled ? "ENABLED" : "DISABLED");
        q.text(10, generated ? "GENERATED NAME" : "USER NAME").opt_text(11, index_name);
        q.num(12, evaluable).run();
        std::vector<std::string> cols = c.columns;
        if (c.type == 'C' && !c.not_null) {
            // A check lists the columns its condition mentions.
            cols.clear();
            for (const lite_token& k : lite_tokenize(c.condition)) {
                if ((k.kind == lite_token::ident || k.kind == lite_token::quoted) &&
                    std::find(have.begin(), have.end(), k.text) != have.end() &&
                    std::find(cols.begin(), cols.end(), k.text) == cols.end()) {
                    cols.push_back(k.text);
                }
            }
        }
        for (size_t k = 0; k < cols.size(); ++k) {
            stmt cc(db, "INSERT INTO " + D + "CONS_COLUMNS VALUES (?1,?2,?3,?4,?5)");
            cc.text(1, owner).text(2, c.name).text(3, table).text(4, cols[k]);
            cc.num(5, static_cast<int64_t>(k) + 1).run();
        }
        if (c.type == 'P' || c.not_null) {
            for (const std::string& col : c.columns) set_nullable(owner, table, col);
        }
    }

    void check_foreign_key(const std::string& owner, const std::string& table,
                           const lite_ddl_constraint& c) {
        std::string cond, match;
        for (size_t k = 0; k < c.columns.size(); ++k) {
            if (k) {
                cond += " AND ";
                match += " AND ";
            }
            cond += "c." + lite_quote_name(c.columns[k]) + " IS NOT NULL";
            match +=
                "p." + lite_quote_name(c.r_columns[k]) + " = c." + lite_quote_name(c.columns[k]);
        }
        stmt q(db, "SELECT 1 FROM " + qualified(owner) + "." + lite_quote_name(table) +
                       " c WHERE " + cond + " AND NOT EXISTS (SELECT 1 FROM " +
                       qualified(c.r_owner) + "." + lite_quote_name(c.r_table) + " p WHERE " +
                       match + ") LIMIT 1");
        if (q.row()) {
            throw lite_error(
                ora_err::parent_keys_not_found,
                "cannot validate (" + owner + "." + c.name + ") - parent keys not found");
        }
    }

    // A text literal as the default of a date, timestamp or number column is converted as an
    // INSERT would convert it, when a row takes the default: the row then holds the column's
    // type (or the INSERT gets the conversion's error), never text a later read cannot show.
    static std::string typed_default(const std::string& text, const std::string& data_type) {
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

    // ------------------------------------------------------------------ SQLite table build
    bool compiles(const std::string& sql) {
        lite_stmt probe;
        return lite_stmt::try_prepare(db, sql, probe);
    }

    void build_table(const std::string& owner, const std::string& table, bool existed) {
        stmt q(db,
               "SELECT COLUMN_NAME, DATA_TYPE, DATA_PRECISION, DATA_DEFAULT, NULLABLE, "
               "DATA_LENGTH, CHAR_LENGTH, CHAR_USED FROM " +
                   D + "COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 ORDER BY COLUMN_ID");
        q.text(1, owner).text(2, table);
        std::string probe;  // a row source with the table's column names, for test compiles
        std::vector<std::string> names;
        std::string cols_sql;
        while (q.row()) {
            lite_coltype ty;
            ty.data_type = q.col(1);
            if (!q.is_null(2)) ty.precision = static_cast<int>(q.i64(2));
            std::string n = q.col(0);
            names.push_back(n);
            probe += (probe.empty() ? "" : ", ") + std::string("NULL AS ") + lite_quote_name(n);
            std::string def;
            if (!q.is_null(3)) {
                std::string expr;
                bool read = true;
                try {
                    expr =
                        lite_translate_condition(typed_default(q.col(3), ty.data_type), s.user());
                } catch (const lite_error&) {
                    read = false;
                }
                if (read && !expr.empty() && (ty.data_type == "CHAR" || ty.data_type == "NCHAR")) {
                    // A CHAR holds its default blank-padded, as every value it stores.
                    const bool chars = q.col(7) == "C";
                    expr = "LITE_FIT_TEXT(" + expr + ", " +
                           std::to_string(q.is_null(chars ? 6 : 5) ? 0 : q.i64(chars ? 6 : 5)) +
                           ", " + (chars ? "1" : "0") + ", " +
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
            cols_sql += (cols_sql.empty() ? "" : ", ") + lite_quote_name(n) + " " +
                        lite_affinity_for(ty) + (q.col(4) == "N" ? " NOT NULL" : "") + def;
        }
        stmt c(db, "SELECT CONSTRAINT_NAME, SEARCH_CONDITION FROM " + D +
                       "CONSTRAINTS WHERE "
                       "OWNER=?1 AND TABLE_NAME=?2 AND CONSTRAINT_TYPE='C' AND EVALUABLE=1 AND "
                       "STATUS='ENABLED'");
        c.text(1, owner).text(2, table);
        std::vector<std::pair<std::string, std::string>> checks;
        while (c.row()) checks.emplace_back(c.col(0), c.col(1));
        const std::vector<lite_table_column> typed =
            checks.empty() ? std::vector<lite_table_column>() : typed_columns(owner, table);
        for (auto& [cn, cond] : checks) {
            std::string expr;
            try {
                expr = lite_translate_condition(cond, s.user(), &typed);
            } catch (const lite_error&) {
            }
            if (!expr.empty() && compiles("SELECT (" + expr + ") FROM (SELECT " + probe + ")")) {
                cols_sql += ", CONSTRAINT " + lite_quote_name(cn) + " CHECK (" + expr + ")";
            } else {
                stmt u(db, "UPDATE " + D +
                               "CONSTRAINTS SET EVALUABLE=0 WHERE OWNER=?1 AND "
                               "CONSTRAINT_NAME=?2");
                u.text(1, owner).text(2, cn).run();
                s.add_warning("check constraint " + cn + " on " + table +
                              " cannot be evaluated; kept in the dictionary only");
            }
        }
        std::string qt = "main." + lite_quote_name(table);
        if (!existed) {
            lite_exec(db, "CREATE TABLE " + qt + " (" + cols_sql + ")");
        } else {
            std::string tmp = "main." + lite_quote_name(table + "$REBUILD");
            lite_exec(db, "CREATE TABLE " + tmp + " (" + cols_sql + ")");
            // Copy the columns both versions have.
            std::vector<std::string> old_cols;
            {
                stmt p(db, "SELECT name FROM pragma_table_info(?1, 'main')");
                p.text(1, table);
                old_cols = p.strings();
            }
            std::string list;
            for (const std::string& n : names) {
                if (std::find(old_cols.begin(), old_cols.end(), n) != old_cols.end()) {
                    list += (list.empty() ? "" : ", ") + lite_quote_name(n);
                }
            }
            if (!list.empty()) {
                lite_exec(db,
                          "INSERT INTO " + tmp + " (" + list + ") SELECT " + list + " FROM " + qt);
            }
            lite_exec(db, "DROP TABLE " + qt);
            lite_exec(db, "PRAGMA legacy_alter_table = ON");
            lite_exec(db, "ALTER TABLE " + tmp + " RENAME TO " + lite_quote_name(table));
            lite_exec(db, "PRAGMA legacy_alter_table = OFF");
        }
        stmt ix(db, "SELECT INDEX_NAME, UNIQUENESS, INDEX_TYPE FROM " + D +
                        "INDEXES WHERE "
                        "TABLE_OWNER=?1 AND TABLE_NAME=?2");
        ix.text(1, owner).text(2, table);
        std::vector<std::array<std::string, 3>> idx;
        while (ix.row()) idx.push_back({ix.col(0), ix.col(1), ix.col(2)});
        for (auto& [iname, uniq, itype] : idx)
            create_sqlite_index(owner, iname, table, uniq == "UNIQUE", itype);
    }

    void create_sqlite_index(const std::string& owner, const std::string& iname,
                             const std::string& table, bool unique, const std::string& itype) {
        const bool function_based = itype == "FUNCTION-BASED NORMAL";
        if (itype != "NORMAL" && itype != "IOT - TOP" && !function_based) return;
        stmt c(db, "SELECT COLUMN_NAME, DESCEND FROM " + D +
                       "IND_COLUMNS WHERE INDEX_OWNER=?1 "
                       "AND INDEX_NAME=?2 ORDER BY COLUMN_POSITION");
        c.text(1, owner).text(2, iname);
        std::string list;
        std::vector<std::string> have =
            function_based ? table_columns(owner, table) : std::vector<std::string>();
        const std::vector<lite_table_column> typed =
            function_based ? typed_columns(owner, table) : std::vector<lite_table_column>();
        while (c.row()) {
            std::string item = lite_quote_name(c.col(0));
            // An expression is indexed as SQLite computes it, so a unique one holds row by row
            // (a CASE that gives NULL exempts the row, as in Oracle).
            if (function_based && std::find(have.begin(), have.end(), c.col(0)) == have.end()) {
                try {
                    item = "(" + lite_translate_condition(c.col(0), s.user(), &typed) + ")";
                } catch (const lite_error&) {
                    item.clear();
                }
            }
            if (item.empty()) {
                s.add_warning("index " + iname +
                              " cannot be evaluated; kept in the dictionary only");
                return;
            }
            list += (list.empty() ? "" : ", ") + item + (c.col(1) == "DESC" ? " DESC" : "");
        }
        if (function_based && !compiles("CREATE " + std::string(unique ? "UNIQUE " : "") +
                                        "INDEX main.\"LITE$PROBE\" ON " + lite_quote_name(table) +
                                        " (" + list + ")")) {
            s.add_warning("index " + iname + " cannot be evaluated; kept in the dictionary only");
            return;
        }
        try {
            lite_exec(db, std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX main." +
                              lite_quote_name(iname) + " ON " + lite_quote_name(table) + " (" +
                              list + ")");
        } catch (const lite_error& e) {
            if (e.code() == ora_err::unique_violated) {
                throw lite_error(ora_err::duplicate_keys_found,
                                 "cannot CREATE UNIQUE INDEX; duplicate keys found");
            }
            throw;
        }
    }

    // Rebuild errors read as the validation errors Oracle gives for the constraint at hand.
    void rebuild_validating(const std::string& owner, const std::string& table,
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
                stmt k(db, "SELECT CONSTRAINT_TYPE FROM " + D +
                               "CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_NAME=?2");
                k.text(1, owner).text(2, cname);
                if (k.row() && k.col(0) == "U")
                    throw lite_error(ora_err::cannot_validate_unique,
                                     "cannot validate " + who + " - duplicate keys found");
                throw lite_error(ora_err::cannot_validate_primary_key,
                                 "cannot validate " + who + " - primary key violated");
            }
            throw;
        }
    }

    // ------------------------------------------------------------------ statements

    void exec(lite_create_table st) {
        const std::string& owner = st.owner;
        const std::string& table = st.table;
        if (name_in_use(owner, table))
            throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
        if (st.deferred) std::rethrow_exception(st.deferred);
        std::vector<lite_ddl_column>& cols = st.columns;
        std::vector<lite_ddl_constraint>& cons = st.constraints;
        bool iot = st.index_organized;
        bool temporary = st.temporary;
        stmt q(db, "INSERT INTO " + D + "TABLES VALUES (?1,?2,?3,?4,'NO',NULL)");
        q.text(1, owner)
            .text(2, table)
            .opt_text(3, iot ? "IOT" : "")
            .text(4, temporary ? "Y" : "N")
            .run();
        int64_t id = 1;
        for (auto& c : cols) insert_column(owner, table, c, id++);
        for (auto& c : cols) {
            if (c.identity) cons.push_back(not_null_of(c.name));
        }
        bool has_pk = false;
        for (auto& c : cons) {
            has_pk = has_pk || c.type == 'P';
            add_constraint(owner, table, c, false);
        }
        if (iot && !has_pk)
            throw lite_error(ora_err::no_primary_key_found, "no PRIMARY KEY constraint found");
        if (iot) {
            // The primary key's index of an index-organized table is the table itself.
            stmt u(db, "UPDATE " + D +
                           "INDEXES SET INDEX_TYPE='IOT - TOP' WHERE OWNER=?1 AND INDEX_NAME="
                           "(SELECT INDEX_NAME FROM " +
                           D +
                           "CONSTRAINTS WHERE OWNER=?1 AND TABLE_NAME=?2 AND "
                           "CONSTRAINT_TYPE='P')");
            u.text(1, owner).text(2, table).run();
        }
        build_table(owner, table, false);
    }

    void exec(const lite_create_index& st) {
        const std::string& owner = st.owner;
        const std::string& iname = st.index;
        const std::string& towner = st.table_owner;
        const std::string& table = st.table;
        bool unique = st.unique;
        if (!table_exists(towner, table))
            throw lite_error(ora_err::table_not_found, "table or view does not exist");
        if (index_exists(owner, iname))
            throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
        std::vector<std::string> have = table_columns(towner, table);
        std::vector<std::string> cols, desc;
        bool expression = false;
        for (const auto& k : st.keys) {
            if (k.expression) {
                expression = true;
            } else {
                need_column(have, k.text);
            }
            cols.push_back(k.text);
            desc.push_back(k.direction);
        }
        if (st.deferred) std::rethrow_exception(st.deferred);
        if (!index_on(towner, table, cols).empty()) {
            throw lite_error(ora_err::column_list_indexed, "such column list already indexed");
        }
        std::string type = expression ? "FUNCTION-BASED NORMAL" : "NORMAL";
        insert_index(owner, iname, table, unique, false, cols, desc, type);
        create_sqlite_index(owner, iname, table, unique, type);
    }

    void exec(const lite_create_sequence& def) {
        const std::string& owner = def.owner;
        const std::string& sname = def.sequence;
        if (name_in_use(owner, sname))
            throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
        if (def.deferred) std::rethrow_exception(def.deferred);
        int64_t inc = def.increment;
        const std::optional<int64_t>& start = def.start;
        const std::optional<std::string>& minv = def.min_value;
        const std::optional<std::string>& maxv = def.max_value;
        bool cycle = def.cycle;
        int64_t cache = def.cache;
        std::string mn = minv ? *minv : inc > 0 ? "1" : "-999999999999999999999999999";
        std::string mx = maxv ? *maxv : inc > 0 ? "9999999999999999999999999999" : "-1";
        int64_t st = start     ? *start
                     : inc > 0 ? (minv ? to_int(*minv) : 1)
                               : (maxv ? to_int(*maxv) : -1);
        stmt q(db, "INSERT INTO " + D + "SEQUENCES VALUES (?1,?2,?3,?4,?5,?6,'N',?7,?8)");
        q.text(1, owner).text(2, sname).text(3, mn).text(4, mx).num(5, inc).text(6,
                                                                                 cycle ? "Y" : "N");
        q.num(7, cache).num(8, st).run();
    }

    void exec(const lite_create_view& st) {
        const std::string& owner = st.owner;
        const std::string& vname = st.view;
        const std::vector<std::string>& cols = st.columns;
        const std::string& text = st.text;
        bool replace = st.replace;
        bool exists = false;
        {
            stmt v(db, "SELECT 1 FROM " + D + "VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2");
            v.text(1, owner).text(2, vname);
            exists = v.row();
        }
        if (exists && !replace)
            throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
        if (!exists && name_in_use(owner, vname)) {
            throw lite_error(ora_err::name_in_use, "name is already used by an existing object");
        }
        if (exists) {
            lite_exec(db, "DROP VIEW IF EXISTS main." + lite_quote_name(vname));
            stmt d(db, "DELETE FROM " + D + "VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2");
            d.text(1, owner).text(2, vname).run();
        }
        std::string status = "VALID";
        std::string sql;
        try {
            sql = lite_translate_query(st.query, s.user());
        } catch (const lite_error&) {
        }
        std::string list;
        for (const std::string& c : cols) list += (list.empty() ? "" : ", ") + lite_quote_name(c);
        bool ok =
            !sql.empty() && sqlite3_exec(db,
                                         ("CREATE VIEW main." + lite_quote_name(vname) +
                                          (list.empty() ? "" : " (" + list + ")") + " AS " + sql)
                                             .c_str(),
                                         nullptr, nullptr, nullptr) == SQLITE_OK;
        if (ok && !compiles("SELECT * FROM main." + lite_quote_name(vname))) {
            lite_exec(db, "DROP VIEW main." + lite_quote_name(vname));
            ok = false;
        }
        if (!ok) {
            status = "INVALID";
            s.add_warning("view " + vname +
                          " created with compilation errors; kept in the dictionary only");
        }
        stmt q(db, "INSERT INTO " + D + "VIEWS VALUES (?1,?2,?3,?4,?5)");
        q.text(1, owner).text(2, vname).num(3, static_cast<int64_t>(text.size())).text(4, text);
        q.text(5, status).run();
    }

    void exec(const lite_store_source& st) {
        stmt q(db, "INSERT OR REPLACE INTO " + D + "SOURCE VALUES (?1,?2,?3,?4)");
        q.text(1, st.owner).text(2, st.name).text(3, st.type).text(4, st.source).run();
        s.add_warning(lite_upper(st.type) + " " + st.name +
                      " stored, not compiled: the engine runs no PL/SQL");
    }

    // ------------------------------------------------------------------ users

    bool user_exists(const std::string& u) {
        stmt q(db, "SELECT 1 FROM " + D + "USERS WHERE USERNAME=?1");
        q.text(1, u);
        return q.row();
    }

    void exec(const lite_user_ddl& st) { st.creating ? create_user(st) : alter_user(st); }

    void apply_user_clauses(const lite_user_ddl& st) {
        using kind = lite_user_ddl::clause::kind;
        for (const auto& c : st.clauses) {
            switch (c.what) {
                case kind::password: {
                    stmt q(db, "UPDATE " + D + "USERS SET PASSWORD=?2 WHERE USERNAME=?1");
                    q.text(1, st.user).opt_text(2, c.password).run();
                    break;
                }
                case kind::quota: {
                    stmt q(db, "INSERT OR REPLACE INTO " + D + "TS_QUOTAS VALUES (?1,?2,?3)");
                    q.text(1, st.user).text(2, c.tablespace).num(3, c.bytes).run();
                    break;
                }
                case kind::lock: {
                    stmt q(db, "UPDATE " + D + "USERS SET LOCKED=?2 WHERE USERNAME=?1");
                    q.text(1, st.user).num(2, c.lock ? 1 : 0).run();
                    break;
                }
            }
        }
        if (st.deferred) std::rethrow_exception(st.deferred);
    }

    void create_user(const lite_user_ddl& st) {
        const std::string& u = st.user;
        if (user_exists(u))
            throw lite_error(ora_err::user_name_conflict,
                             "user name '" + u + "' conflicts with another user or role name");
        stmt q(db, "INSERT INTO " + D +
                       "USERS VALUES (?1, NULL, 0, strftime('%Y-%m-%d %H:%M:%S', 'now', "
                       "'localtime'))");
        q.text(1, u).run();
        apply_user_clauses(st);
        lite_instance::create_schema_file(s.directory(), u);
    }

    void alter_user(const lite_user_ddl& st) {
        if (!user_exists(st.user))
            throw lite_error(ora_err::user_not_found, "user '" + st.user + "' does not exist");
        apply_user_clauses(st);
    }

    // ------------------------------------------------------------------ triggers

    bool trigger_exists(const std::string& owner, const std::string& n) {
        stmt q(db, "SELECT 1 FROM " + D + "TRIGGERS WHERE OWNER=?1 AND TRIGGER_NAME=?2");
        q.text(1, owner).text(2, n);
        return q.row();
    }

    void exec(const lite_create_trigger& st) {
        const std::string& owner = st.owner;
        const std::string& n = st.name;
        if (!st.replace && trigger_exists(owner, n))
            throw lite_error(ora_err::trigger_exists, "trigger '" + n + "' already exists");
        if (st.deferred && !st.table_read) std::rethrow_exception(st.deferred);
        const std::string& towner = st.table_owner;
        const std::string& table = st.table;
        if (!table_exists(towner, table))
            throw lite_error(ora_err::table_not_found, "table or view does not exist");
        if (st.deferred) std::rethrow_exception(st.deferred);
        const std::string& timing = st.timing;
        const std::string& events = st.events;
        const std::string& when = st.when;
        const std::string& body = st.body;
        bool row = st.row;
        bool plain_new = st.plain_new;
        bool fires =
            timing == "BEFORE" && row && plain_new && events.find("INSERT") != std::string::npos;
        std::vector<std::pair<std::string, std::string>> sets;
        if (fires) fires = lite_parse_trigger_body(body, sets);
        if (fires) {
            std::vector<std::string> have = table_columns(towner, table);
            for (const auto& [c, e] : sets) {
                fires = fires && std::find(have.begin(), have.end(), c) != have.end();
            }
            try {
                if (!when.empty()) lite_translate_condition(when, s.user());
                for (const auto& [c, e] : sets) lite_translate_condition(e, s.user());
            } catch (const lite_error&) {
                fires = false;
            }
        }
        stmt q(db, "INSERT OR REPLACE INTO " + D +
                       "TRIGGERS VALUES (?1,?2,?3,?4,?5,?6,?7,'ENABLED',?8,?9,"
                       "(SELECT coalesce(max(CREATED_SEQ), 0) + 1 FROM " +
                       D + "TRIGGERS))");
        q.text(1, owner)
            .text(2, n)
            .text(3, timing + (row ? " EACH ROW" : " STATEMENT"))
            .text(4, events)
            .text(5, towner)
            .text(6, table)
            .opt_text(7, when)
            .text(8, body)
            .num(9, fires ? 1 : 0)
            .run();
        stmt src_row(db, "INSERT OR REPLACE INTO " + D + "SOURCE VALUES (?1,?2,'TRIGGER',?3)");
        src_row.text(1, owner).text(2, n).text(3, st.source).run();
        if (!fires) {
            s.add_warning("TRIGGER " + n + " stored, not compiled: the engine runs no PL/SQL");
        }
    }

    void exec(const lite_alter_table& st) {
        using action = lite_alter_table::action;
        const std::string& owner = st.owner;
        const std::string& table = st.table;
        if (!table_exists(owner, table))
            throw lite_error(ora_err::table_not_found, "table or view does not exist");
        if (st.deferred && st.kind != action::modify_columns) std::rethrow_exception(st.deferred);
        switch (st.kind) {
            case action::add: {
                std::vector<std::string> have = table_columns(owner, table);
                int64_t id = static_cast<int64_t>(have.size()) + 1;
                for (auto& c : st.columns) {
                    if (std::find(have.begin(), have.end(), c.name) != have.end()) {
                        throw lite_error(ora_err::column_exists,
                                         "column being added already exists in table");
                    }
                    insert_column(owner, table, c, id++);
                }
                for (auto& c : st.constraints) add_constraint(owner, table, c, true);
                rebuild_validating(owner, table, last_constraint(owner, table));
                return;
            }
            case action::modify_constraint:
                return change_status(owner, table, st.constraint, st.enable);
            case action::modify_columns:
                for (auto& m : st.modifications) {
                    modify_column(owner, table, m.column, m.constraints);
                }
                if (st.deferred) std::rethrow_exception(st.deferred);
                rebuild_validating(owner, table, last_constraint(owner, table));
                return;
            case action::change_status: {
                if (!st.primary_key) return change_status(owner, table, st.constraint, st.enable);
                std::string pk = primary_key(owner, table);
                if (pk.empty())
                    throw lite_error(
                        ora_err::primary_key_not_defined,
                        "cannot enable primary key - primary key not defined for table");
                return change_status(owner, table, pk, st.enable);
            }
            case action::drop_constraint:
                drop_constraint(owner, table, st.constraint);
                break;
            case action::drop_primary_key: {
                std::string pk = primary_key(owner, table);
                if (pk.empty())
                    throw lite_error(ora_err::no_primary_key_to_drop,
                                     "Cannot drop nonexistent primary key");
                drop_constraint(owner, table, pk);
                break;
            }
            case action::drop_columns:
                for (auto& c : st.drop) drop_column(owner, table, c);
                break;
            case action::ignored:
                s.add_warning("ALTER TABLE option ignored: " + st.ignored_word);
                return;
        }
        build_table(owner, table, true);
    }

    // The constraint added last to a table: the one a failed rebuild complains about.
    std::string last_constraint(const std::string& owner, const std::string& table) {
        stmt q(db, "SELECT CONSTRAINT_NAME FROM " + D +
                       "CONSTRAINTS WHERE OWNER=?1 AND "
                       "TABLE_NAME=?2 ORDER BY rowid DESC LIMIT 1");
        q.text(1, owner).text(2, table);
        return q.row() ? q.col(0) : table;
    }

    void modify_column(const std::string& owner, const std::string& table, const lite_ddl_column& c,
                       const std::vector<lite_ddl_constraint>& cons) {
        need_column(table_columns(owner, table), c.name);
        if (!c.type.data_type.empty()) {
            stmt u(db, "UPDATE " + D +
                           "COLUMNS SET DATA_TYPE=?4, DATA_LENGTH=?5, DATA_PRECISION=?6, "
                           "DATA_SCALE=?7, CHAR_LENGTH=?8, CHAR_USED=?9 WHERE OWNER=?1 AND "
                           "TABLE_NAME=?2 AND COLUMN_NAME=?3");
            u.text(1, owner).text(2, table).text(3, c.name).text(4, c.type.data_type);
            u.num(5, c.type.data_length).opt_num(6, c.type.precision).opt_num(7, c.type.scale);
            u.num(8, c.type.char_length).opt_text(9, c.type.char_used).run();
        }
        if (!c.default_text.empty()) {
            stmt u(db, "UPDATE " + D +
                           "COLUMNS SET DATA_DEFAULT=?4 WHERE OWNER=?1 AND TABLE_NAME=?2 "
                           "AND COLUMN_NAME=?3");
            u.text(1, owner).text(2, table).text(3, c.name).text(4, c.default_text).run();
        }
        if (c.explicit_null) {
            stmt q(db, "SELECT c.CONSTRAINT_NAME, c.CONSTRAINT_TYPE FROM " + D +
                           "CONSTRAINTS c JOIN " + D +
                           "CONS_COLUMNS k ON k.OWNER=c.OWNER AND "
                           "k.CONSTRAINT_NAME=c.CONSTRAINT_NAME WHERE c.OWNER=?1 AND "
                           "c.TABLE_NAME=?2 AND k.COLUMN_NAME=?3 AND (c.CONSTRAINT_TYPE='P' OR "
                           "c.EVALUABLE=2)");
            q.text(1, owner).text(2, table).text(3, c.name);
            std::vector<std::string> not_nulls;
            while (q.row()) {
                if (q.col(1) == "P")
                    throw lite_error(ora_err::cannot_modify_to_null,
                                     "column to be modified to NULL cannot be modified to NULL");
                not_nulls.push_back(q.col(0));
            }
            q.done();
            if (not_nulls.empty())
                throw lite_error(ora_err::cannot_modify_to_null,
                                 "column to be modified to NULL cannot be modified to NULL");
            for (const std::string& n : not_nulls) forget_constraint(owner, n);
            set_nullable(owner, table, c.name);
        }
        std::vector<lite_ddl_constraint> all = cons;
        std::string old_sequence = identity_sequence_of(owner, table, c.name);
        if (c.drop_identity) {
            if (old_sequence.empty()) {
                throw lite_error(ora_err::not_identity_column,
                                 "column to be modified is not an identity column");
            }
            stmt u(db, "UPDATE " + D +
                           "COLUMNS SET DATA_DEFAULT=NULL, IDENTITY_COLUMN='NO' WHERE "
                           "OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3");
            u.text(1, owner).text(2, table).text(3, c.name).run();
            stmt x(db,
                   "DELETE FROM " + D + "SEQUENCES WHERE SEQUENCE_OWNER=?1 AND SEQUENCE_NAME=?2");
            x.text(1, owner).text(2, old_sequence).run();
        }
        if (c.identity) {
            lite_ddl_column id = c;
            if (c.identity_limit_value) {
                // Rows loaded with their keys first: numbering goes on after the highest.
                stmt m(db, "SELECT max(" + lite_quote_name(c.name) + ") FROM " + qualified(owner) +
                               "." + lite_quote_name(table));
                id.identity_start = m.row() && !m.is_null(0) ? m.i64(0) + id.identity_inc : 1;
            }
            if (!old_sequence.empty()) {
                stmt u(db, "UPDATE " + D +
                               "SEQUENCES SET INCREMENT_BY=?3, LAST_NUMBER=?4 WHERE "
                               "SEQUENCE_OWNER=?1 AND SEQUENCE_NAME=?2");
                u.text(1, owner).text(2, old_sequence).num(3, id.identity_inc);
                u.num(4, id.identity_start).run();
            } else {
                stmt u(db, "UPDATE " + D +
                               "COLUMNS SET DATA_DEFAULT=?4, IDENTITY_COLUMN='YES' WHERE "
                               "OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3");
                u.text(1, owner).text(2, table).text(3, c.name);
                u.text(4, identity_sequence(owner, id)).run();
            }
            all.push_back(not_null_of(c.name));
        }
        for (auto& k : all) {
            if (k.not_null) {
                stmt q(db,
                       "SELECT 1 FROM " + D + "CONSTRAINTS c JOIN " + D +
                           "CONS_COLUMNS k ON "
                           "k.OWNER=c.OWNER AND k.CONSTRAINT_NAME=c.CONSTRAINT_NAME WHERE "
                           "c.OWNER=?1 AND c.TABLE_NAME=?2 AND k.COLUMN_NAME=?3 AND c.EVALUABLE=2");
                q.text(1, owner).text(2, table).text(3, c.name);
                if (q.row()) continue;
            }
            add_constraint(owner, table, k, true);
        }
    }

    void change_status(const std::string& owner, const std::string& table, const std::string& cname,
                       bool enable) {
        stmt q(db, "SELECT CONSTRAINT_TYPE, R_OWNER, R_CONSTRAINT_NAME FROM " + D +
                       "CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_NAME=?2 AND TABLE_NAME=?3");
        q.text(1, owner).text(2, cname).text(3, table);
        if (!q.row())
            throw lite_error(ora_err::no_such_constraint,
                             "cannot disable constraint (" + cname + ") - no such constraint");
        std::string type = q.col(0);
        std::string r_owner = q.col(1), r_cons = q.col(2);
        q.done();
        if (enable && type == "R") {
            lite_ddl_constraint c;
            c.name = cname;
            c.columns = key_columns(owner, cname);
            c.r_owner = r_owner;
            c.r_columns = key_columns(c.r_owner, r_cons);
            stmt p(db, "SELECT TABLE_NAME FROM " + D +
                           "CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_NAME=?2");
            p.text(1, c.r_owner).text(2, r_cons);
            if (p.row()) c.r_table = p.col(0);
            check_foreign_key(owner, table, c);
        }
        stmt u(db,
               "UPDATE " + D + "CONSTRAINTS SET STATUS=?3 WHERE OWNER=?1 AND CONSTRAINT_NAME=?2");
        u.text(1, owner).text(2, cname).text(3, enable ? "ENABLED" : "DISABLED").run();
        for (const std::string& col : key_columns(owner, cname)) set_nullable(owner, table, col);
        if (type == "C" || type == "P") rebuild_validating(owner, table, cname);
    }

    void drop_constraint(const std::string& owner, const std::string& table,
                         const std::string& cname) {
        stmt q(db, "SELECT CONSTRAINT_TYPE, INDEX_NAME FROM " + D +
                       "CONSTRAINTS WHERE OWNER=?1 AND "
                       "CONSTRAINT_NAME=?2 AND TABLE_NAME=?3");
        q.text(1, owner).text(2, cname).text(3, table);
        if (!q.row())
            throw lite_error(ora_err::no_constraint_to_drop,
                             "Cannot drop constraint - nonexistent constraint");
        std::string index = q.col(1);
        q.done();
        std::vector<std::string> cols = key_columns(owner, cname);
        forget_constraint(owner, cname);
        if (index == cname) drop_index_rows(owner, index);
        for (const std::string& col : cols) set_nullable(owner, table, col);
        build_table(owner, table, true);
    }

    void drop_index_rows(const std::string& owner, const std::string& iname) {
        for (const char* tb : {"INDEXES", "IND_COLUMNS"}) {
            stmt d(db, "DELETE FROM " + D + tb + std::string(" WHERE ") +
                           (std::string(tb) == "INDEXES" ? "OWNER" : "INDEX_OWNER") +
                           "=?1 AND INDEX_NAME=?2");
            d.text(1, owner).text(2, iname).run();
        }
        lite_exec(db, "DROP INDEX IF EXISTS main." + lite_quote_name(iname));
    }

    void drop_column(const std::string& owner, const std::string& table, const std::string& col) {
        stmt d(db,
               "DELETE FROM " + D + "COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3");
        d.text(1, owner).text(2, table).text(3, col).run();
        if (sqlite3_changes(db) == 0)
            throw lite_error(ora_err::invalid_identifier,
                             lite_quote_name(col) + ": invalid identifier");
        std::vector<std::string> left = table_columns(owner, table);
        for (size_t k = 0; k < left.size(); ++k) {
            stmt r(db, "UPDATE " + D +
                           "COLUMNS SET COLUMN_ID=?4 WHERE OWNER=?1 AND TABLE_NAME=?2 "
                           "AND COLUMN_NAME=?3");
            r.text(1, owner)
                .text(2, table)
                .text(3, left[k])
                .num(4, static_cast<int64_t>(k) + 1)
                .run();
        }
        stmt k(db, "SELECT DISTINCT CONSTRAINT_NAME FROM " + D +
                       "CONS_COLUMNS WHERE OWNER=?1 AND "
                       "TABLE_NAME=?2 AND COLUMN_NAME=?3");
        k.text(1, owner).text(2, table).text(3, col);
        for (const std::string& n : k.strings()) forget_constraint(owner, n);
        stmt ix(db, "SELECT DISTINCT INDEX_NAME FROM " + D +
                        "IND_COLUMNS WHERE INDEX_OWNER=?1 AND "
                        "TABLE_NAME=?2 AND COLUMN_NAME=?3");
        ix.text(1, owner).text(2, table).text(3, col);
        for (const std::string& n : ix.strings()) drop_index_rows(owner, n);
    }

    void exec(const lite_drop& st) {
        using kind = lite_drop::kind;
        const std::string& owner = st.owner;
        switch (st.object) {
            case kind::table: {
                const std::string& table = st.name;
                bool cascade = st.cascade;
                if (!table_exists(owner, table))
                    throw lite_error(ora_err::table_not_found, "table or view does not exist");
                stmt r(db, "SELECT c.OWNER, c.CONSTRAINT_NAME, c.TABLE_NAME FROM " + D +
                               "CONSTRAINTS c JOIN " + D +
                               "CONSTRAINTS p ON p.OWNER=c.R_OWNER AND "
                               "p.CONSTRAINT_NAME=c.R_CONSTRAINT_NAME "
                               "WHERE c.CONSTRAINT_TYPE='R' AND p.OWNER=?1 AND p.TABLE_NAME=?2 AND "
                               "NOT (c.OWNER=?1 AND c.TABLE_NAME=?2)");
                r.text(1, owner).text(2, table);
                std::vector<std::pair<std::string, std::string>> refs;
                while (r.row()) refs.emplace_back(r.col(0), r.col(1));
                if (!refs.empty() && !cascade) {
                    throw lite_error(ora_err::referenced_by_foreign_keys,
                                     "unique/primary keys in table referenced by foreign keys");
                }
                for (auto& [o, n] : refs) forget_constraint(o, n);
                stmt sq(db, "SELECT DATA_DEFAULT FROM " + D +
                                "COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 "
                                "AND IDENTITY_COLUMN='YES'");
                sq.text(1, owner).text(2, table);
                while (sq.row()) {
                    std::vector<lite_token> dt = lite_tokenize(sq.col(0));
                    if (dt.size() > 3) {
                        stmt x(db, "DELETE FROM " + D +
                                       "SEQUENCES WHERE SEQUENCE_OWNER=?1 AND SEQUENCE_NAME=?2");
                        x.text(1, owner).text(2, dt[2].text).run();
                    }
                }
                for (const char* del :
                     {"DELETE FROM \"LITE$DICT\".SOURCE WHERE TYPE='TRIGGER' AND (OWNER, NAME) IN "
                      "(SELECT OWNER, TRIGGER_NAME FROM \"LITE$DICT\".TRIGGERS WHERE "
                      "TABLE_OWNER=?1 "
                      "AND TABLE_NAME=?2)",
                      "DELETE FROM \"LITE$DICT\".TRIGGERS WHERE TABLE_OWNER=?1 AND TABLE_NAME=?2",
                      "DELETE FROM \"LITE$DICT\".TABLES WHERE OWNER=?1 AND TABLE_NAME=?2",
                      "DELETE FROM \"LITE$DICT\".COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2",
                      "DELETE FROM \"LITE$DICT\".CONSTRAINTS WHERE OWNER=?1 AND TABLE_NAME=?2",
                      "DELETE FROM \"LITE$DICT\".CONS_COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2",
                      "DELETE FROM \"LITE$DICT\".INDEXES WHERE TABLE_OWNER=?1 AND TABLE_NAME=?2",
                      "DELETE FROM \"LITE$DICT\".IND_COLUMNS WHERE TABLE_OWNER=?1 AND "
                      "TABLE_NAME=?2"}) {
                    stmt x(db, del);
                    x.text(1, owner).text(2, table).run();
                }
                lite_exec(db, "DROP TABLE IF EXISTS main." + lite_quote_name(table));
                return;
            }
            case kind::view: {
                const std::string& v = st.name;
                stmt x(db, "DELETE FROM " + D + "VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2");
                x.text(1, owner).text(2, v).run();
                if (sqlite3_changes(db) == 0)
                    throw lite_error(ora_err::table_not_found, "table or view does not exist");
                stmt c(db, "DELETE FROM " + D + "VIEW_COMMENTS WHERE OWNER=?1 AND VIEW_NAME=?2");
                c.text(1, owner).text(2, v).run();
                lite_exec(db, "DROP VIEW IF EXISTS main." + lite_quote_name(v));
                return;
            }
            case kind::index: {
                const std::string& n = st.name;
                if (!index_exists(owner, n))
                    throw lite_error(ora_err::index_not_found, "specified index does not exist");
                stmt c(db, "SELECT 1 FROM " + D + "CONSTRAINTS WHERE OWNER=?1 AND INDEX_NAME=?2");
                c.text(1, owner).text(2, n);
                if (c.row()) {
                    throw lite_error(
                        ora_err::index_enforces_key,
                        "cannot drop index used for enforcement of unique/primary key");
                }
                drop_index_rows(owner, n);
                return;
            }
            case kind::sequence: {
                const std::string& n = st.name;
                stmt x(db, "DELETE FROM " + D +
                               "SEQUENCES WHERE SEQUENCE_OWNER=?1 AND SEQUENCE_NAME=?2");
                x.text(1, owner).text(2, n).run();
                if (sqlite3_changes(db) == 0)
                    throw lite_error(ora_err::sequence_not_found, "sequence does not exist");
                return;
            }
            case kind::trigger: {
                const std::string& n = st.name;
                if (!trigger_exists(owner, n))
                    throw lite_error(ora_err::trigger_not_found,
                                     "trigger '" + n + "' does not exist");
                stmt x(db, "DELETE FROM " + D + "TRIGGERS WHERE OWNER=?1 AND TRIGGER_NAME=?2");
                x.text(1, owner).text(2, n).run();
                stmt y(db,
                       "DELETE FROM " + D + "SOURCE WHERE OWNER=?1 AND NAME=?2 AND TYPE='TRIGGER'");
                y.text(1, owner).text(2, n).run();
                return;
            }
            case kind::source: {
                stmt x(db, "DELETE FROM " + D + "SOURCE WHERE OWNER=?1 AND NAME=?2");
                x.text(1, owner).text(2, st.name).run();
                return;
            }
            case kind::ignored:
                s.add_warning("statement ignored: DROP " + st.ignored_word);
                return;
        }
    }

    bool view_exists(const std::string& owner, const std::string& v) {
        stmt q(db, "SELECT 1 FROM " + D + "VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2");
        q.text(1, owner).text(2, v);
        return q.row();
    }

    // A view's comment lives beside it; '' names the view itself. Views kept in the dictionary
    // only take comments too, on any column, since their columns are not known.
    void comment_view(const std::string& owner, const std::string& v, const std::string& col,
                      const std::string& text) {
        if (!col.empty()) {
            stmt k(db, "SELECT count(*), sum(name = ?2) FROM pragma_table_info(?1, 'main')");
            k.text(1, v).text(2, col);
            if (k.row() && k.i64(0) > 0 && k.i64(1) == 0) {
                throw lite_error(ora_err::invalid_identifier,
                                 lite_quote_name(col) + ": invalid identifier");
            }
        }
        stmt u(db, "INSERT OR REPLACE INTO " + D + "VIEW_COMMENTS VALUES (?1,?2,?3,?4)");
        u.text(1, owner).text(2, v).text(3, col).opt_text(4, text).run();
    }

    void exec(const lite_comment& st) {
        using kind = lite_comment::kind;
        const std::string& owner = st.owner;
        const std::string& table = st.table;
        const std::string& text = st.text;
        if (st.on == kind::table) {
            stmt u(db, "UPDATE " + D + "TABLES SET COMMENTS=?3 WHERE OWNER=?1 AND TABLE_NAME=?2");
            u.text(1, owner).text(2, table).opt_text(3, text).run();
            if (sqlite3_changes(db) != 0) return;
            if (!view_exists(owner, table))
                throw lite_error(ora_err::table_not_found, "table or view does not exist");
            comment_view(owner, table, "", text);
        } else if (st.on == kind::column) {
            const std::string& col = st.column;
            if (!table_exists(owner, table)) {
                if (!view_exists(owner, table)) {
                    throw lite_error(ora_err::table_not_found, "table or view does not exist");
                }
                return comment_view(owner, table, col, text);
            }
            stmt u(db, "UPDATE " + D +
                           "COLUMNS SET COMMENTS=?4 WHERE OWNER=?1 AND TABLE_NAME=?2 AND "
                           "COLUMN_NAME=?3");
            u.text(1, owner).text(2, table).text(3, col).opt_text(4, text).run();
            if (sqlite3_changes(db) == 0)
                throw lite_error(ora_err::invalid_identifier,
                                 lite_quote_name(col) + ": invalid identifier");
        } else {
            s.add_warning("COMMENT ignored");
        }
    }
    // Foreign keys are enforced row by row with SQLite triggers, rebuilt from the dictionary after
    // every DDL of the schema. A parent in another schema is out of a trigger's reach, so such
    // keys are checked only when added or enabled.
    void sync_fk_triggers() {
        const std::string owner = s.user();
        std::vector<std::string> old;
        {
            stmt q(db,
                   "SELECT name FROM main.sqlite_master WHERE type = 'trigger' AND "
                   "name LIKE 'LITE$FK$%'");
            old = q.strings();
        }
        for (const std::string& n : old)
            lite_exec(db, "DROP TRIGGER IF EXISTS main." + lite_quote_name(n));
        struct fk {
            std::string name, table, r_cons, rule;
        };
        std::vector<fk> keys;
        {
            stmt q(db,
                   "SELECT CONSTRAINT_NAME, TABLE_NAME, R_CONSTRAINT_NAME, DELETE_RULE FROM " + D +
                       "CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_TYPE='R' AND STATUS='ENABLED' "
                       "AND R_OWNER=?1");
            q.text(1, owner);
            while (q.row()) keys.push_back({q.col(0), q.col(1), q.col(2), q.col(3)});
        }
        for (const fk& k : keys) {
            std::string parent;
            {
                stmt p(db, "SELECT TABLE_NAME FROM " + D +
                               "CONSTRAINTS WHERE OWNER=?1 AND "
                               "CONSTRAINT_NAME=?2");
                p.text(1, owner).text(2, k.r_cons);
                if (!p.row()) continue;
                parent = p.col(0);
            }
            std::vector<std::string> cols = key_columns(owner, k.name);
            std::vector<std::string> pcols = key_columns(owner, k.r_cons);
            if (cols.empty() || cols.size() != pcols.size()) continue;
            std::string who = owner + "." + k.name;
            std::string new_set, match_new, match_old, col_list, pcol_list, changed, set_null;
            for (size_t c = 0; c < cols.size(); ++c) {
                std::string cc = lite_quote_name(cols[c]), pc = lite_quote_name(pcols[c]);
                std::string sep = c ? " AND " : "";
                new_set += sep + "NEW." + cc + " IS NOT NULL";
                match_new += sep + pc + " = NEW." + cc;
                match_old += sep + cc + " = OLD." + pc;
                col_list += (c ? ", " : "") + cc;
                pcol_list += (c ? ", " : "") + pc;
                changed += (c ? " OR " : "") + std::string("NEW.") + pc + " IS NOT OLD." + pc;
                set_null += (c ? ", " : "") + cc + " = NULL";
            }
            std::string child_q = lite_quote_name(k.table), parent_q = lite_quote_name(parent);
            std::string base = "LITE$FK$" + k.name + "$";
            // The trigger raises the error as its number, through the session's function.
            std::string no_parent = "2291, " + lite_quote_text("integrity constraint (" + who +
                                                               ") violated - parent key not found");
            std::string has_child = "2292, " + lite_quote_text("integrity constraint (" + who +
                                                               ") violated - child record found");
            std::string check = " WHEN " + new_set + " AND NOT EXISTS (SELECT 1 FROM " + parent_q +
                                " WHERE " + match_new + ") BEGIN SELECT LITE_RAISE(" + no_parent +
                                "); END";
            lite_exec(db, "CREATE TRIGGER main." + lite_quote_name(base + "I") +
                              " BEFORE INSERT ON " + child_q + check);
            lite_exec(db, "CREATE TRIGGER main." + lite_quote_name(base + "U") +
                              " BEFORE UPDATE OF " + col_list + " ON " + child_q + check);
            std::string children = "EXISTS (SELECT 1 FROM " + child_q + " WHERE " + match_old + ")";
            if (k.rule == "CASCADE") {
                lite_exec(db, "CREATE TRIGGER main." + lite_quote_name(base + "D") +
                                  " AFTER DELETE ON " + parent_q + " BEGIN DELETE FROM " + child_q +
                                  " WHERE " + match_old + "; END");
            } else if (k.rule == "SET NULL") {
                lite_exec(db, "CREATE TRIGGER main." + lite_quote_name(base + "D") +
                                  " AFTER DELETE ON " + parent_q + " BEGIN UPDATE " + child_q +
                                  " SET " + set_null + " WHERE " + match_old + "; END");
            } else {
                lite_exec(db, "CREATE TRIGGER main." + lite_quote_name(base + "D") +
                                  " BEFORE DELETE ON " + parent_q + " WHEN " + children +
                                  " BEGIN SELECT LITE_RAISE(" + has_child + "); END");
            }
            lite_exec(db, "CREATE TRIGGER main." + lite_quote_name(base + "P") +
                              " BEFORE UPDATE OF " + pcol_list + " ON " + parent_q + " WHEN (" +
                              changed + ") AND " + children + " BEGIN SELECT LITE_RAISE(" +
                              has_child + "); END");
        }
    }

    void exec(const lite_truncate& st) {
        if (!table_exists(st.owner, st.table))
            throw lite_error(ora_err::table_not_found, "table or view does not exist");
        lite_exec(db, "DELETE FROM main." + lite_quote_name(st.table));
    }

    void exec(const lite_ignored_ddl& st) { s.add_warning(st.warning); }

    void run(const std::string& sql) {
        lite_ddl_parser p(sql, s.user());
        std::visit([this](auto&& st) { exec(std::move(st)); }, p.parse());
    }
};

}  // namespace

void lite_run_ddl(lite_session& s, const std::string& oracle_sql) {
    sqlite3* db = s.db();
    // The write lock is taken at once: a deferred start that first reads the dictionary cannot
    // wait for another process's DDL, SQLite refuses the upgrade to avoid a deadlock.
    lite_exec(db, "BEGIN IMMEDIATE");
    s.set_in_ddl(true);
    struct ddl_done {
        lite_session& s;
        ~ddl_done() { s.set_in_ddl(false); }
    } done{s};
    try {
        ddl d(s);
        d.run(oracle_sql);
        d.sync_fk_triggers();
        lite_exec(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "PRAGMA legacy_alter_table = OFF", nullptr, nullptr, nullptr);
        s.schema_changed();
        try {
            throw;
        } catch (const lite_error&) {
            throw;
        } catch (const std::exception& e) {
            throw lite_error(
                ora_err::internal_error,
                std::string("internal error code, arguments: [lite ddl], [") + e.what() + "]");
        }
    }
    s.schema_changed();
}
