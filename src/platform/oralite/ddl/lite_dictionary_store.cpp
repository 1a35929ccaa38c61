#include "ddl/lite_dictionary_store.h"

#include <cstdlib>

#include "ddl/lite_dictionary.h"

#include "lite_sqlite_stmt.h"

using stmt = lite_stmt;

// ------------------------------------------------------------------ names

bool lite_dictionary_store::table_exists(const std::string& owner, const std::string& table) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".TABLES WHERE OWNER=?1 AND TABLE_NAME=?2)");
    q.text(1, owner).text(2, table);
    return q.row();
}

bool lite_dictionary_store::view_exists(const std::string& owner, const std::string& view) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2)");
    q.text(1, owner).text(2, view);
    return q.row();
}

bool lite_dictionary_store::index_exists(const std::string& owner, const std::string& index) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".INDEXES WHERE OWNER=?1 AND INDEX_NAME=?2)");
    q.text(1, owner).text(2, index);
    return q.row();
}

bool lite_dictionary_store::constraint_exists(const std::string& owner, const std::string& name) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_NAME=?2)");
    q.text(1, owner).text(2, name);
    return q.row();
}

bool lite_dictionary_store::trigger_exists(const std::string& owner, const std::string& name) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".TRIGGERS WHERE OWNER=?1 AND TRIGGER_NAME=?2)");
    q.text(1, owner).text(2, name);
    return q.row();
}

bool lite_dictionary_store::user_exists(const std::string& user) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".USERS WHERE USERNAME=?1)");
    q.text(1, user);
    return q.row();
}

bool lite_dictionary_store::name_in_use(const std::string& owner, const std::string& name) {
    stmt q(
        db_,
        R"(SELECT 1 FROM "LITE$DICT".TABLES WHERE OWNER=?1 AND TABLE_NAME=?2 )"
        R"(UNION ALL SELECT 1 FROM "LITE$DICT".VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2 )"
        R"(UNION ALL SELECT 1 FROM "LITE$DICT".SEQUENCES WHERE SEQUENCE_OWNER=?1 AND )"
        R"(SEQUENCE_NAME=?2 UNION ALL SELECT 1 FROM "LITE$DICT".SOURCE WHERE OWNER=?1 AND )"
        R"(NAME=?2 AND TYPE IN ('PROCEDURE','FUNCTION','PACKAGE','TYPE') UNION ALL SELECT 1 FROM )"
        R"("LITE$DICT".SYNONYMS WHERE OWNER=?1 AND SYNONYM_NAME=?2)");
    q.text(1, owner).text(2, name);
    return q.row();
}

int64_t lite_dictionary_store::next_system_number() {
    int64_t n = 8000;
    {
        stmt q(db_, R"(SELECT VALUE FROM "LITE$DICT".SETTINGS WHERE NAME='NEXT_SYS_C')");
        if (q.row()) n = std::strtoll(q.col(0).c_str(), nullptr, 10);
    }
    stmt u(db_, R"(INSERT OR REPLACE INTO "LITE$DICT".SETTINGS VALUES ('NEXT_SYS_C', ?1))");
    u.text(1, std::to_string(n + 1)).run();
    return n;
}

// ------------------------------------------------------------------ tables and columns

void lite_dictionary_store::insert_table(const std::string& owner, const std::string& table,
                                         bool index_organized, bool temporary) {
    stmt q(db_, R"(INSERT INTO "LITE$DICT".TABLES VALUES (?1,?2,?3,?4,'NO',NULL))");
    q.text(1, owner).text(2, table).opt_text(3, index_organized ? "IOT" : "");
    q.text(4, temporary ? "Y" : "N").run();
}

bool lite_dictionary_store::set_table_comment(const std::string& owner, const std::string& table,
                                              const std::string& text) {
    stmt u(db_, R"(UPDATE "LITE$DICT".TABLES SET COMMENTS=?3 WHERE OWNER=?1 AND TABLE_NAME=?2)");
    u.text(1, owner).text(2, table).opt_text(3, text).run();
    return changed();
}

void lite_dictionary_store::forget_table(const std::string& owner, const std::string& table) {
    for (const char* del :
         {R"(DELETE FROM "LITE$DICT".SOURCE WHERE TYPE='TRIGGER' AND (OWNER, NAME) IN )"
          R"((SELECT OWNER, TRIGGER_NAME FROM "LITE$DICT".TRIGGERS WHERE TABLE_OWNER=?1 )"
          R"(AND TABLE_NAME=?2))",
          R"(DELETE FROM "LITE$DICT".TRIGGERS WHERE TABLE_OWNER=?1 AND TABLE_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".TABLES WHERE OWNER=?1 AND TABLE_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND TABLE_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".CONS_COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".INDEXES WHERE TABLE_OWNER=?1 AND TABLE_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".IND_COLUMNS WHERE TABLE_OWNER=?1 AND TABLE_NAME=?2)"}) {
        stmt x(db_, del);
        x.text(1, owner).text(2, table).run();
    }
}

std::vector<std::string> lite_dictionary_store::column_names(const std::string& owner,
                                                             const std::string& table) {
    stmt q(db_, R"(SELECT COLUMN_NAME FROM "LITE$DICT".COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 )"
                R"(ORDER BY COLUMN_ID)");
    q.text(1, owner).text(2, table);
    return q.strings();
}

std::vector<lite_dict_build_column> lite_dictionary_store::build_columns(const std::string& owner,
                                                                         const std::string& table) {
    stmt q(db_, R"(SELECT COLUMN_NAME, DATA_TYPE, DATA_PRECISION, DATA_DEFAULT, NULLABLE, )"
                R"(DATA_LENGTH, CHAR_LENGTH, CHAR_USED FROM )"
                R"("LITE$DICT".COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 ORDER BY COLUMN_ID)");
    q.text(1, owner).text(2, table);
    std::vector<lite_dict_build_column> cols;
    while (q.row()) {
        lite_dict_build_column c;
        c.name = q.col(0);
        c.data_type = q.col(1);
        if (!q.is_null(2)) c.precision = static_cast<int>(q.i64(2));
        if (!q.is_null(3)) c.default_text = q.col(3);
        c.not_null = q.col(4) == "N";
        c.data_length = q.is_null(5) ? 0 : q.i64(5);
        c.char_length = q.is_null(6) ? 0 : q.i64(6);
        c.in_characters = q.col(7) == "C";
        cols.push_back(std::move(c));
    }
    return cols;
}

std::vector<lite_table_column> lite_dictionary_store::typed_columns(const std::string& owner,
                                                                    const std::string& table) {
    stmt q(db_, R"(SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, CHAR_LENGTH, CHAR_USED FROM )"
                R"("LITE$DICT".COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 ORDER BY COLUMN_ID)");
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

void lite_dictionary_store::insert_column(const std::string& owner, const std::string& table,
                                          const std::string& name, int64_t id,
                                          const lite_coltype& type, const std::string& default_text,
                                          bool identity) {
    stmt q(db_, R"(INSERT INTO "LITE$DICT".COLUMNS VALUES )"
                R"((?1,?2,?3,?4,?5,?6,?7,?8,'Y',?9,?10,?11,?12,NULL,NULL,NULL))");
    q.text(1, owner).text(2, table).text(3, name).num(4, id).text(5, type.data_type);
    q.num(6, type.data_length).opt_num(7, type.precision).opt_num(8, type.scale);
    q.opt_text(9, default_text).num(10, type.char_length).opt_text(11, type.char_used);
    q.text(12, identity ? "YES" : "NO").run();
}

void lite_dictionary_store::set_column_type(const std::string& owner, const std::string& table,
                                            const std::string& column, const lite_coltype& type) {
    stmt u(db_,
           R"(UPDATE "LITE$DICT".COLUMNS SET DATA_TYPE=?4, DATA_LENGTH=?5, DATA_PRECISION=?6, )"
           R"(DATA_SCALE=?7, CHAR_LENGTH=?8, CHAR_USED=?9 WHERE OWNER=?1 AND TABLE_NAME=?2 )"
           R"(AND COLUMN_NAME=?3)");
    u.text(1, owner).text(2, table).text(3, column).text(4, type.data_type);
    u.num(5, type.data_length).opt_num(6, type.precision).opt_num(7, type.scale);
    u.num(8, type.char_length).opt_text(9, type.char_used).run();
}

void lite_dictionary_store::set_column_default(const std::string& owner, const std::string& table,
                                               const std::string& column, const std::string& text) {
    stmt u(db_, R"(UPDATE "LITE$DICT".COLUMNS SET DATA_DEFAULT=?4 WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    u.text(1, owner).text(2, table).text(3, column).text(4, text).run();
}

void lite_dictionary_store::set_column_nullable(const std::string& owner, const std::string& table,
                                                const std::string& column, bool nullable) {
    stmt u(db_, R"(UPDATE "LITE$DICT".COLUMNS SET NULLABLE=?4 WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    u.text(1, owner).text(2, table).text(3, column).text(4, nullable ? "Y" : "N").run();
}

void lite_dictionary_store::set_column_id(const std::string& owner, const std::string& table,
                                          const std::string& column, int64_t id) {
    stmt u(db_, R"(UPDATE "LITE$DICT".COLUMNS SET COLUMN_ID=?4 WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    u.text(1, owner).text(2, table).text(3, column).num(4, id).run();
}

bool lite_dictionary_store::set_column_comment(const std::string& owner, const std::string& table,
                                               const std::string& column, const std::string& text) {
    stmt u(db_, R"(UPDATE "LITE$DICT".COLUMNS SET COMMENTS=?4 WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    u.text(1, owner).text(2, table).text(3, column).opt_text(4, text).run();
    return changed();
}

bool lite_dictionary_store::delete_column(const std::string& owner, const std::string& table,
                                          const std::string& column) {
    stmt d(db_, R"(DELETE FROM "LITE$DICT".COLUMNS WHERE OWNER=?1 AND TABLE_NAME=?2 AND )"
                R"(COLUMN_NAME=?3)");
    d.text(1, owner).text(2, table).text(3, column).run();
    return changed();
}

std::optional<std::string> lite_dictionary_store::identity_default(const std::string& owner,
                                                                   const std::string& table,
                                                                   const std::string& column) {
    stmt q(db_, R"(SELECT DATA_DEFAULT FROM "LITE$DICT".COLUMNS WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND COLUMN_NAME=?3 AND IDENTITY_COLUMN='YES')");
    q.text(1, owner).text(2, table).text(3, column);
    if (!q.row()) return std::nullopt;
    return q.col(0);
}

std::vector<std::string> lite_dictionary_store::identity_defaults(const std::string& owner,
                                                                  const std::string& table) {
    stmt q(db_, R"(SELECT DATA_DEFAULT FROM "LITE$DICT".COLUMNS WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND IDENTITY_COLUMN='YES')");
    q.text(1, owner).text(2, table);
    return q.strings();
}

void lite_dictionary_store::make_identity(const std::string& owner, const std::string& table,
                                          const std::string& column,
                                          const std::string& default_text) {
    stmt u(db_, R"(UPDATE "LITE$DICT".COLUMNS SET DATA_DEFAULT=?4, IDENTITY_COLUMN='YES' )"
                R"(WHERE OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    u.text(1, owner).text(2, table).text(3, column).text(4, default_text).run();
}

void lite_dictionary_store::drop_identity(const std::string& owner, const std::string& table,
                                          const std::string& column) {
    stmt u(db_, R"(UPDATE "LITE$DICT".COLUMNS SET DATA_DEFAULT=NULL, IDENTITY_COLUMN='NO', )"
                R"(IDENTITY_GENERATION=NULL, IDENTITY_OPTIONS=NULL )"
                R"(WHERE OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    u.text(1, owner).text(2, table).text(3, column).run();
}

void lite_dictionary_store::set_identity_kind(const std::string& owner, const std::string& table,
                                              const std::string& column,
                                              const std::string& generation,
                                              const std::string& options) {
    stmt u(db_, R"(UPDATE "LITE$DICT".COLUMNS SET IDENTITY_GENERATION=?4, IDENTITY_OPTIONS=?5 )"
                R"(WHERE OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    u.text(1, owner).text(2, table).text(3, column).text(4, generation).text(5, options).run();
}

// ------------------------------------------------------------------ constraints

void lite_dictionary_store::insert_constraint(const lite_dict_constraint_row& c,
                                              const std::vector<std::string>& columns) {
    stmt q(db_, R"(INSERT INTO "LITE$DICT".CONSTRAINTS VALUES )"
                R"((?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15))");
    q.text(1, c.owner).text(2, c.name).text(3, std::string(1, c.type)).text(4, c.table);
    q.opt_text(5, c.condition).opt_text(6, c.r_owner).opt_text(7, c.r_constraint);
    q.opt_text(8, c.delete_rule).text(9, c.enabled ? "ENABLED" : "DISABLED");
    q.text(10, c.generated ? "GENERATED NAME" : "USER NAME").opt_text(11, c.index_name);
    q.num(12, c.evaluable).text(13, c.deferrable ? "DEFERRABLE" : "NOT DEFERRABLE");
    q.text(14, c.deferred ? "DEFERRED" : "IMMEDIATE");
    q.text(15, c.validated ? "VALIDATED" : "NOT VALIDATED").run();
    for (size_t k = 0; k < columns.size(); ++k) {
        stmt cc(db_, R"(INSERT INTO "LITE$DICT".CONS_COLUMNS VALUES (?1,?2,?3,?4,?5))");
        cc.text(1, c.owner).text(2, c.name).text(3, c.table).text(4, columns[k]);
        cc.num(5, static_cast<int64_t>(k) + 1).run();
    }
}

void lite_dictionary_store::forget_constraint(const std::string& owner, const std::string& name) {
    for (const char* del :
         {R"(DELETE FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".CONS_COLUMNS WHERE OWNER=?1 AND CONSTRAINT_NAME=?2)"}) {
        stmt d(db_, del);
        d.text(1, owner).text(2, name).run();
    }
}

std::string lite_dictionary_store::primary_key(const std::string& owner, const std::string& table) {
    stmt q(db_, R"(SELECT CONSTRAINT_NAME FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND CONSTRAINT_TYPE='P')");
    q.text(1, owner).text(2, table);
    return q.row() ? q.col(0) : std::string();
}

std::vector<std::pair<std::string, std::string>> lite_dictionary_store::table_keys(
    const std::string& owner, const std::string& table) {
    stmt q(db_, R"(SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM "LITE$DICT".CONSTRAINTS WHERE )"
                R"(OWNER=?1 AND TABLE_NAME=?2 AND CONSTRAINT_TYPE IN ('P','U') )"
                R"(ORDER BY CONSTRAINT_TYPE)");
    q.text(1, owner).text(2, table);
    std::vector<std::pair<std::string, std::string>> keys;
    while (q.row()) keys.emplace_back(q.col(0), q.col(1));
    return keys;
}

std::vector<std::string> lite_dictionary_store::key_columns(const std::string& owner,
                                                            const std::string& name) {
    stmt q(db_, R"(SELECT COLUMN_NAME FROM "LITE$DICT".CONS_COLUMNS WHERE OWNER=?1 AND )"
                R"(CONSTRAINT_NAME=?2 ORDER BY POSITION)");
    q.text(1, owner).text(2, name);
    return q.strings();
}

std::optional<lite_dict_constraint_info> lite_dictionary_store::table_constraint(
    const std::string& owner, const std::string& table, const std::string& name) {
    stmt q(db_,
           R"(SELECT CONSTRAINT_TYPE, R_OWNER, R_CONSTRAINT_NAME, INDEX_NAME FROM )"
           R"("LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_NAME=?2 AND TABLE_NAME=?3)");
    q.text(1, owner).text(2, name).text(3, table);
    if (!q.row()) return std::nullopt;
    return lite_dict_constraint_info{q.col(0), q.col(1), q.col(2), q.col(3)};
}

std::string lite_dictionary_store::constraint_type(const std::string& owner,
                                                   const std::string& name) {
    stmt q(db_, R"(SELECT CONSTRAINT_TYPE FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND )"
                R"(CONSTRAINT_NAME=?2)");
    q.text(1, owner).text(2, name);
    return q.row() ? q.col(0) : std::string();
}

std::string lite_dictionary_store::constraint_table(const std::string& owner,
                                                    const std::string& name) {
    stmt q(db_, R"(SELECT TABLE_NAME FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND )"
                R"(CONSTRAINT_NAME=?2)");
    q.text(1, owner).text(2, name);
    return q.row() ? q.col(0) : std::string();
}

void lite_dictionary_store::set_constraint_status(const std::string& owner, const std::string& name,
                                                  bool enabled, std::optional<bool> validated) {
    stmt u(db_, R"(UPDATE "LITE$DICT".CONSTRAINTS SET STATUS=?3, VALIDATED=?4 WHERE OWNER=?1 )"
                R"(AND CONSTRAINT_NAME=?2)");
    u.text(1, owner).text(2, name).text(3, enabled ? "ENABLED" : "DISABLED");
    u.text(4, validated.value_or(enabled) ? "VALIDATED" : "NOT VALIDATED").run();
}

void lite_dictionary_store::mark_not_evaluable(const std::string& owner, const std::string& name) {
    stmt u(db_, R"(UPDATE "LITE$DICT".CONSTRAINTS SET EVALUABLE=0 WHERE OWNER=?1 AND )"
                R"(CONSTRAINT_NAME=?2)");
    u.text(1, owner).text(2, name).run();
}

std::string lite_dictionary_store::last_constraint(const std::string& owner,
                                                   const std::string& table) {
    stmt q(db_, R"(SELECT CONSTRAINT_NAME FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 ORDER BY rowid DESC LIMIT 1)");
    q.text(1, owner).text(2, table);
    return q.row() ? q.col(0) : std::string();
}

bool lite_dictionary_store::column_held_not_null(const std::string& owner, const std::string& table,
                                                 const std::string& column) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".CONSTRAINTS c JOIN "LITE$DICT".CONS_COLUMNS k ON )"
                R"(k.OWNER=c.OWNER AND k.CONSTRAINT_NAME=c.CONSTRAINT_NAME WHERE c.OWNER=?1 AND )"
                R"(c.TABLE_NAME=?2 AND k.COLUMN_NAME=?3 AND c.STATUS='ENABLED' AND )"
                R"((c.CONSTRAINT_TYPE='P' OR c.EVALUABLE=2))");
    q.text(1, owner).text(2, table).text(3, column);
    return q.row();
}

bool lite_dictionary_store::column_has_not_null(const std::string& owner, const std::string& table,
                                                const std::string& column) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".CONSTRAINTS c JOIN "LITE$DICT".CONS_COLUMNS k ON )"
                R"(k.OWNER=c.OWNER AND k.CONSTRAINT_NAME=c.CONSTRAINT_NAME WHERE c.OWNER=?1 AND )"
                R"(c.TABLE_NAME=?2 AND k.COLUMN_NAME=?3 AND c.EVALUABLE=2)");
    q.text(1, owner).text(2, table).text(3, column);
    return q.row();
}

std::vector<std::pair<std::string, std::string>> lite_dictionary_store::not_null_keys(
    const std::string& owner, const std::string& table, const std::string& column) {
    stmt q(db_, R"(SELECT c.CONSTRAINT_NAME, c.CONSTRAINT_TYPE FROM "LITE$DICT".CONSTRAINTS c )"
                R"(JOIN "LITE$DICT".CONS_COLUMNS k ON k.OWNER=c.OWNER AND )"
                R"(k.CONSTRAINT_NAME=c.CONSTRAINT_NAME WHERE c.OWNER=?1 AND c.TABLE_NAME=?2 AND )"
                R"(k.COLUMN_NAME=?3 AND (c.CONSTRAINT_TYPE='P' OR c.EVALUABLE=2))");
    q.text(1, owner).text(2, table).text(3, column);
    std::vector<std::pair<std::string, std::string>> keys;
    while (q.row()) keys.emplace_back(q.col(0), q.col(1));
    return keys;
}

std::vector<std::pair<std::string, std::string>> lite_dictionary_store::evaluable_checks(
    const std::string& owner, const std::string& table) {
    stmt q(db_, R"(SELECT CONSTRAINT_NAME, SEARCH_CONDITION FROM "LITE$DICT".CONSTRAINTS WHERE )"
                R"(OWNER=?1 AND TABLE_NAME=?2 AND CONSTRAINT_TYPE='C' AND EVALUABLE=1 AND )"
                R"(STATUS='ENABLED')");
    q.text(1, owner).text(2, table);
    std::vector<std::pair<std::string, std::string>> checks;
    while (q.row()) checks.emplace_back(q.col(0), q.col(1));
    return checks;
}

std::vector<std::string> lite_dictionary_store::unvalidated_checks(const std::string& owner,
                                                                   const std::string& table) {
    stmt q(db_, R"(SELECT CONSTRAINT_NAME FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND CONSTRAINT_TYPE='C' AND EVALUABLE=1 AND STATUS='ENABLED' )"
                R"(AND VALIDATED='NOT VALIDATED')");
    q.text(1, owner).text(2, table);
    return q.strings();
}

std::vector<std::string> lite_dictionary_store::constraints_on_column(const std::string& owner,
                                                                      const std::string& table,
                                                                      const std::string& column) {
    stmt q(db_, R"(SELECT DISTINCT CONSTRAINT_NAME FROM "LITE$DICT".CONS_COLUMNS WHERE )"
                R"(OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    q.text(1, owner).text(2, table).text(3, column);
    return q.strings();
}

std::vector<std::pair<std::string, std::string>> lite_dictionary_store::foreign_keys_into(
    const std::string& owner, const std::string& table) {
    stmt q(db_, R"(SELECT c.OWNER, c.CONSTRAINT_NAME FROM "LITE$DICT".CONSTRAINTS c )"
                R"(JOIN "LITE$DICT".CONSTRAINTS p ON p.OWNER=c.R_OWNER AND )"
                R"(p.CONSTRAINT_NAME=c.R_CONSTRAINT_NAME WHERE c.CONSTRAINT_TYPE='R' AND )"
                R"(p.OWNER=?1 AND p.TABLE_NAME=?2 AND NOT (c.OWNER=?1 AND c.TABLE_NAME=?2))");
    q.text(1, owner).text(2, table);
    std::vector<std::pair<std::string, std::string>> refs;
    while (q.row()) refs.emplace_back(q.col(0), q.col(1));
    return refs;
}

std::vector<lite_dict_foreign_key> lite_dictionary_store::local_foreign_keys(
    const std::string& owner) {
    stmt q(db_, R"(SELECT CONSTRAINT_NAME, TABLE_NAME, R_CONSTRAINT_NAME, DELETE_RULE FROM )"
                R"("LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND CONSTRAINT_TYPE='R' AND )"
                R"(STATUS='ENABLED' AND R_OWNER=?1)");
    q.text(1, owner);
    std::vector<lite_dict_foreign_key> keys;
    while (q.row()) keys.push_back({q.col(0), q.col(1), q.col(2), q.col(3)});
    return keys;
}

bool lite_dictionary_store::index_enforces_constraint(const std::string& owner,
                                                      const std::string& index) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND INDEX_NAME=?2)");
    q.text(1, owner).text(2, index);
    return q.row();
}

// ------------------------------------------------------------------ indexes

void lite_dictionary_store::insert_index(const std::string& owner, const std::string& name,
                                         const std::string& table, bool unique, bool generated,
                                         const std::vector<std::string>& columns,
                                         const std::vector<std::string>& descend,
                                         const std::string& type) {
    stmt q(db_, R"(INSERT INTO "LITE$DICT".INDEXES VALUES (?1,?2,?3,?1,?4,?5,?6))");
    q.text(1, owner).text(2, name).text(3, type).text(4, table);
    q.text(5, unique ? "UNIQUE" : "NONUNIQUE").text(6, generated ? "Y" : "N").run();
    for (size_t k = 0; k < columns.size(); ++k) {
        stmt c(db_, R"(INSERT INTO "LITE$DICT".IND_COLUMNS VALUES (?1,?2,?1,?3,?4,?5,?6))");
        c.text(1, owner).text(2, name).text(3, table).text(4, columns[k]);
        c.num(5, static_cast<int64_t>(k) + 1).text(6, k < descend.size() ? descend[k] : "ASC");
        c.run();
    }
}

void lite_dictionary_store::forget_index(const std::string& owner, const std::string& name) {
    for (const char* del :
         {R"(DELETE FROM "LITE$DICT".INDEXES WHERE OWNER=?1 AND INDEX_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".IND_COLUMNS WHERE INDEX_OWNER=?1 AND INDEX_NAME=?2)"}) {
        stmt d(db_, del);
        d.text(1, owner).text(2, name).run();
    }
}

std::vector<lite_dict_index> lite_dictionary_store::table_indexes(const std::string& owner,
                                                                  const std::string& table) {
    stmt q(db_, R"(SELECT INDEX_NAME, UNIQUENESS, INDEX_TYPE FROM "LITE$DICT".INDEXES WHERE )"
                R"(TABLE_OWNER=?1 AND TABLE_NAME=?2)");
    q.text(1, owner).text(2, table);
    std::vector<lite_dict_index> idx;
    while (q.row()) idx.push_back({q.col(0), q.col(1) == "UNIQUE", q.col(2)});
    return idx;
}

std::vector<std::string> lite_dictionary_store::index_columns(const std::string& owner,
                                                              const std::string& name) {
    stmt q(db_, R"(SELECT COLUMN_NAME FROM "LITE$DICT".IND_COLUMNS WHERE INDEX_OWNER=?1 AND )"
                R"(INDEX_NAME=?2 ORDER BY COLUMN_POSITION)");
    q.text(1, owner).text(2, name);
    return q.strings();
}

std::vector<std::pair<std::string, std::string>> lite_dictionary_store::index_keys(
    const std::string& owner, const std::string& name) {
    stmt q(db_, R"(SELECT COLUMN_NAME, DESCEND FROM "LITE$DICT".IND_COLUMNS WHERE )"
                R"(INDEX_OWNER=?1 AND INDEX_NAME=?2 ORDER BY COLUMN_POSITION)");
    q.text(1, owner).text(2, name);
    std::vector<std::pair<std::string, std::string>> keys;
    while (q.row()) keys.emplace_back(q.col(0), q.col(1));
    return keys;
}

std::vector<std::string> lite_dictionary_store::indexes_on_column(const std::string& owner,
                                                                  const std::string& table,
                                                                  const std::string& column) {
    stmt q(db_, R"(SELECT DISTINCT INDEX_NAME FROM "LITE$DICT".IND_COLUMNS WHERE )"
                R"(INDEX_OWNER=?1 AND TABLE_NAME=?2 AND COLUMN_NAME=?3)");
    q.text(1, owner).text(2, table).text(3, column);
    return q.strings();
}

void lite_dictionary_store::mark_primary_key_iot(const std::string& owner,
                                                 const std::string& table) {
    stmt u(db_, R"(UPDATE "LITE$DICT".INDEXES SET INDEX_TYPE='IOT - TOP' WHERE OWNER=?1 AND )"
                R"(INDEX_NAME=(SELECT INDEX_NAME FROM "LITE$DICT".CONSTRAINTS WHERE OWNER=?1 AND )"
                R"(TABLE_NAME=?2 AND CONSTRAINT_TYPE='P'))");
    u.text(1, owner).text(2, table).run();
}

// ------------------------------------------------------------------ sequences

void lite_dictionary_store::insert_sequence(const std::string& owner, const std::string& name,
                                            const std::string& min_value,
                                            const std::string& max_value, int64_t increment,
                                            bool cycle, int64_t cache, int64_t last_number) {
    stmt q(db_, R"(INSERT INTO "LITE$DICT".SEQUENCES VALUES (?1,?2,?3,?4,?5,?6,'N',?7,?8))");
    q.text(1, owner).text(2, name).text(3, min_value).text(4, max_value).num(5, increment);
    q.text(6, cycle ? "Y" : "N").num(7, cache).num(8, last_number).run();
}

bool lite_dictionary_store::forget_sequence(const std::string& owner, const std::string& name) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".SEQUENCES WHERE SEQUENCE_OWNER=?1 AND )"
                R"(SEQUENCE_NAME=?2)");
    x.text(1, owner).text(2, name).run();
    return changed();
}

void lite_dictionary_store::restart_sequence(const std::string& owner, const std::string& name,
                                             int64_t increment, int64_t last_number) {
    stmt u(db_, R"(UPDATE "LITE$DICT".SEQUENCES SET INCREMENT_BY=?3, LAST_NUMBER=?4 WHERE )"
                R"(SEQUENCE_OWNER=?1 AND SEQUENCE_NAME=?2)");
    u.text(1, owner).text(2, name).num(3, increment).num(4, last_number).run();
}

// ------------------------------------------------------------------ views

void lite_dictionary_store::insert_view(const std::string& owner, const std::string& view,
                                        const std::string& text, const std::string& status) {
    stmt q(db_, R"(INSERT INTO "LITE$DICT".VIEWS VALUES (?1,?2,?3,?4,?5))");
    q.text(1, owner).text(2, view).num(3, static_cast<int64_t>(text.size())).text(4, text);
    q.text(5, status).run();
}

bool lite_dictionary_store::delete_view(const std::string& owner, const std::string& view) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2)");
    x.text(1, owner).text(2, view).run();
    const bool gone = changed();
    lite_dictionary_forget_view(db_, owner, view);
    return gone;
}

void lite_dictionary_store::forget_view_comments(const std::string& owner,
                                                 const std::string& view) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".VIEW_COMMENTS WHERE OWNER=?1 AND VIEW_NAME=?2)");
    x.text(1, owner).text(2, view).run();
}

void lite_dictionary_store::set_view_comment(const std::string& owner, const std::string& view,
                                             const std::string& column, const std::string& text) {
    stmt u(db_, R"(INSERT OR REPLACE INTO "LITE$DICT".VIEW_COMMENTS VALUES (?1,?2,?3,?4))");
    u.text(1, owner).text(2, view).text(3, column).opt_text(4, text).run();
}

// ------------------------------------------------------------------ materialized views

void lite_dictionary_store::insert_mview(const std::string& owner, const std::string& name,
                                         const std::string& query, const std::string& build_mode,
                                         const std::string& refresh_method,
                                         const std::string& refresh_mode, bool updatable,
                                         bool rewrite) {
    // A view built at once was last refreshed then; one built deferred never was.
    stmt q(db_, R"(INSERT INTO "LITE$DICT".MVIEWS VALUES (?1,?2,?3,?4,?5,?6,?7,?8,?9,)"
                R"(CASE WHEN ?9 = 'DEFERRED' THEN NULL ELSE strftime('%Y-%m-%d %H:%M:%S', )"
                R"('now', 'localtime') END))");
    q.text(1, owner).text(2, name).text(3, query).num(4, static_cast<int64_t>(query.size()));
    q.text(5, updatable ? "Y" : "N").text(6, rewrite ? "Y" : "N").text(7, refresh_mode);
    q.text(8, refresh_method).text(9, build_mode).run();
}

std::optional<std::string> lite_dictionary_store::mview_build_mode(const std::string& owner,
                                                                   const std::string& name) {
    stmt q(db_, R"(SELECT BUILD_MODE FROM "LITE$DICT".MVIEWS WHERE OWNER=?1 AND MVIEW_NAME=?2)");
    q.text(1, owner).text(2, name);
    if (!q.row()) return std::nullopt;
    return q.col(0);
}

void lite_dictionary_store::forget_mview(const std::string& owner, const std::string& name) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".MVIEWS WHERE OWNER=?1 AND MVIEW_NAME=?2)");
    x.text(1, owner).text(2, name).run();
}

// ------------------------------------------------------------------ stored source and triggers

void lite_dictionary_store::store_source(const std::string& owner, const std::string& name,
                                         const std::string& type, const std::string& source) {
    stmt q(db_, R"(INSERT OR REPLACE INTO "LITE$DICT".SOURCE VALUES (?1,?2,?3,?4))");
    q.text(1, owner).text(2, name).text(3, type).text(4, source).run();
}

void lite_dictionary_store::forget_source(const std::string& owner, const std::string& name) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".SOURCE WHERE OWNER=?1 AND NAME=?2)");
    x.text(1, owner).text(2, name).run();
}

void lite_dictionary_store::store_trigger(const lite_dict_trigger_row& t) {
    stmt q(db_, R"(INSERT OR REPLACE INTO "LITE$DICT".TRIGGERS VALUES )"
                R"((?1,?2,?3,?4,?5,?6,?7,'ENABLED',?8,?9,)"
                R"((SELECT coalesce(max(CREATED_SEQ), 0) + 1 FROM "LITE$DICT".TRIGGERS)))");
    q.text(1, t.owner).text(2, t.name).text(3, t.type).text(4, t.events);
    q.text(5, t.table_owner).text(6, t.table).opt_text(7, t.when).text(8, t.body);
    q.num(9, t.fires ? 1 : 0).run();
}

void lite_dictionary_store::forget_trigger(const std::string& owner, const std::string& name) {
    for (const char* del :
         {R"(DELETE FROM "LITE$DICT".TRIGGERS WHERE OWNER=?1 AND TRIGGER_NAME=?2)",
          R"(DELETE FROM "LITE$DICT".SOURCE WHERE OWNER=?1 AND NAME=?2 AND TYPE='TRIGGER')"}) {
        stmt x(db_, del);
        x.text(1, owner).text(2, name).run();
    }
}

// ------------------------------------------------------------------ users

void lite_dictionary_store::insert_user(const std::string& user) {
    stmt q(db_, R"(INSERT INTO "LITE$DICT".USERS VALUES (?1, NULL, 0, )"
                R"(strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime')))");
    q.text(1, user).run();
}

void lite_dictionary_store::set_password(const std::string& user, const std::string& password) {
    stmt q(db_, R"(UPDATE "LITE$DICT".USERS SET PASSWORD=?2 WHERE USERNAME=?1)");
    q.text(1, user).opt_text(2, password).run();
}

void lite_dictionary_store::set_quota(const std::string& user, const std::string& tablespace,
                                      int64_t bytes) {
    stmt q(db_, R"(INSERT OR REPLACE INTO "LITE$DICT".TS_QUOTAS VALUES (?1,?2,?3))");
    q.text(1, user).text(2, tablespace).num(3, bytes).run();
}

void lite_dictionary_store::set_locked(const std::string& user, bool locked) {
    stmt q(db_, R"(UPDATE "LITE$DICT".USERS SET LOCKED=?2 WHERE USERNAME=?1)");
    q.text(1, user).num(2, locked ? 1 : 0).run();
}

// ------------------------------------------------------------------ synonyms and privileges

bool lite_dictionary_store::object_exists(const std::string& owner, const std::string& name) {
    stmt q(db_, R"(SELECT 1 FROM "LITE$DICT".TABLES WHERE OWNER=?1 AND TABLE_NAME=?2 )"
                R"(UNION ALL SELECT 1 FROM "LITE$DICT".VIEWS WHERE OWNER=?1 AND VIEW_NAME=?2 )"
                R"(UNION ALL SELECT 1 FROM "LITE$DICT".SEQUENCES WHERE SEQUENCE_OWNER=?1 AND )"
                R"(SEQUENCE_NAME=?2)");
    q.text(1, owner).text(2, name);
    return q.row();
}

std::optional<lite_dict_synonym> lite_dictionary_store::synonym(const std::string& owner,
                                                                const std::string& name) {
    stmt q(db_, R"(SELECT TABLE_OWNER, TABLE_NAME, DB_LINK FROM "LITE$DICT".SYNONYMS )"
                R"(WHERE OWNER=?1 AND SYNONYM_NAME=?2)");
    q.text(1, owner).text(2, name);
    if (!q.row()) return std::nullopt;
    return lite_dict_synonym{owner, name, q.col(0), q.col(1), q.col(2)};
}

void lite_dictionary_store::store_synonym(const lite_dict_synonym& y) {
    stmt q(db_, R"(INSERT OR REPLACE INTO "LITE$DICT".SYNONYMS VALUES (?1,?2,?3,?4,?5))");
    q.text(1, y.owner).text(2, y.name).text(3, y.target_owner).text(4, y.target);
    q.opt_text(5, y.db_link).run();
}

bool lite_dictionary_store::forget_synonym(const std::string& owner, const std::string& name) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".SYNONYMS WHERE OWNER=?1 AND SYNONYM_NAME=?2)");
    x.text(1, owner).text(2, name).run();
    return changed();
}

void lite_dictionary_store::grant_object(const std::string& grantee, const std::string& owner,
                                         const std::string& object, const std::string& grantor,
                                         const std::string& privilege, bool grantable) {
    stmt q(db_, R"(INSERT OR REPLACE INTO "LITE$DICT".TAB_PRIVS VALUES (?1,?2,?3,?4,?5,?6))");
    q.text(1, grantee).text(2, owner).text(3, object).text(4, grantor).text(5, privilege);
    q.text(6, grantable ? "YES" : "NO").run();
}

bool lite_dictionary_store::revoke_object(const std::string& grantee, const std::string& owner,
                                          const std::string& object, const std::string& privilege) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".TAB_PRIVS WHERE GRANTEE=?1 AND OWNER=?2 AND )"
                R"(TABLE_NAME=?3 AND PRIVILEGE=?4)");
    x.text(1, grantee).text(2, owner).text(3, object).text(4, privilege).run();
    return changed();
}

void lite_dictionary_store::forget_grants(const std::string& owner, const std::string& object) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".TAB_PRIVS WHERE OWNER=?1 AND TABLE_NAME=?2)");
    x.text(1, owner).text(2, object).run();
}

std::vector<std::string> lite_dictionary_store::object_privileges(const std::string& user,
                                                                  const std::string& owner,
                                                                  const std::string& object) {
    stmt q(db_, R"(SELECT DISTINCT PRIVILEGE FROM "LITE$DICT".TAB_PRIVS WHERE OWNER=?2 AND )"
                R"(TABLE_NAME=?3 AND GRANTEE IN (?1, 'PUBLIC'))");
    q.text(1, user).text(2, owner).text(3, object);
    std::vector<std::string> r;
    while (q.row()) r.push_back(q.col(0));
    return r;
}

void lite_dictionary_store::grant_system(const std::string& grantee, const std::string& privilege) {
    stmt q(db_, R"(INSERT OR REPLACE INTO "LITE$DICT".SYS_PRIVS VALUES (?1,?2))");
    q.text(1, grantee).text(2, privilege).run();
}

bool lite_dictionary_store::revoke_system(const std::string& grantee,
                                          const std::string& privilege) {
    stmt x(db_, R"(DELETE FROM "LITE$DICT".SYS_PRIVS WHERE GRANTEE=?1 AND PRIVILEGE=?2)");
    x.text(1, grantee).text(2, privilege).run();
    return changed();
}

bool lite_dictionary_store::holds_system(const std::string& user,
                                         const std::vector<std::string>& privileges) {
    stmt q(db_, R"(SELECT PRIVILEGE FROM "LITE$DICT".SYS_PRIVS WHERE GRANTEE IN (?1, 'PUBLIC'))");
    q.text(1, user);
    while (q.row()) {
        for (const std::string& p : privileges) {
            if (q.col(0) == p) return true;
        }
    }
    return false;
}
