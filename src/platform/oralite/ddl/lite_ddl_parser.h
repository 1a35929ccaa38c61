// Reads Oracle DDL text into the plain statements of lite_ddl_types.h. Reading consults
// neither the dictionary nor SQLite: names default to the session user given here, and whether
// the objects exist is the executor's question. Errors are ORA errors (lite_error), thrown at
// once up to the point where the executor first consults the dictionary and held in the
// statement's `deferred` past it, so the error a statement reports does not depend on the split.
//
// The cursor and the reading steps are public so tests can read one statement kind alone.
//
// Thread-safety: one parser per statement text; no shared state.
#ifndef TW_PLATFORM_ORALITE_LITE_DDL_PARSER_H
#define TW_PLATFORM_ORALITE_LITE_DDL_PARSER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ddl/lite_ddl_types.h"
#include "sql/lite_lexer.h"
#include "lite_errors.h"

struct lite_ddl_parser {
    std::string src;
    std::vector<lite_token> t;
    size_t i = 0;
    std::string user;  // owner of names written without one

    // A trailing ';' or '/' is dropped: scripts end DDL with either.
    lite_ddl_parser(std::string sql, std::string session_user);

    // The whole statement; the cursor is at its start.
    lite_ddl_statement parse();
    // The cursor is after CREATE.
    lite_ddl_statement parse_create();

    // The cursor is after CREATE and its OR REPLACE/editioning words, on GLOBAL or TABLE.
    lite_create_table parse_create_table();
    // The cursor is after ALTER TABLE.
    lite_alter_table parse_alter_table();
    // The cursor is on INDEX, after UNIQUE or BITMAP when written.
    lite_create_index parse_create_index(bool unique);
    // The cursor is after CREATE SEQUENCE.
    lite_create_sequence parse_create_sequence();
    // The cursor is after CREATE [OR REPLACE] ... VIEW.
    lite_create_view parse_create_view(bool replace);
    // The cursor is after CREATE MATERIALIZED VIEW (or CREATE SNAPSHOT).
    lite_create_mview parse_create_mview();
    // The cursor is after COMMENT.
    lite_comment parse_comment();
    // The cursor is after DROP.
    lite_drop parse_drop();
    // The cursor is after CREATE USER or ALTER USER.
    lite_user_ddl parse_user(bool creating);
    // The cursor is after CREATE [OR REPLACE] ... TRIGGER.
    lite_create_trigger parse_create_trigger(bool replace);
    // The cursor is after CREATE [OR REPLACE] [PUBLIC] SYNONYM.
    lite_create_synonym parse_create_synonym(bool replace, bool is_public);
    // The cursor is after GRANT or REVOKE.
    lite_grant parse_grant(bool revoke);

    const lite_token& cur() const;
    const lite_token& peek(size_t k = 1) const;
    bool at_end() const;
    bool word(const char* w);
    bool op(const char* o);
    void need_word(const char* w, int code = ora_err::missing_keyword,
                   const char* text = "missing keyword");
    void need_open();
    void need_close();
    std::string name(int code = ora_err::invalid_identifier,
                     const char* text = "invalid identifier");
    // [owner.]name, owner defaulting to the session user; other schemas are read-only here.
    std::pair<std::string, std::string> object_name(bool for_write = true);
    std::vector<std::string> name_list();
    void need_word_op(const char* o);
    static bool known_tablespace(const std::string& ts);
    // QUOTA {n[K|M|G] | UNLIMITED} ON tablespace.
    lite_user_ddl::clause quota();
    // Skips a balanced parenthesised group starting at '('.
    void skip_group();
    std::string raw(size_t b, size_t e) const;
    static int64_t to_int(const std::string& text);
    static int to_small(const std::string& text);
    // An integer sequence bound as exact canonical text; exponent forms such as 1.0E28 are
    // accepted when their value is whole.
    std::string bound();
    int64_t number();
    // Throws ORA-00904 unless `col` is one of the table columns `have`.
    static void need_column(const std::vector<std::string>& have, const std::string& col);
    lite_coltype parse_type();
    bool constraint_start() const;
    void constraint_state(lite_ddl_constraint& c);
    void references(lite_ddl_constraint& c);
    std::string paren_text();
    // Out-of-line constraint; the cursor is on CONSTRAINT or the kind keyword.
    lite_ddl_constraint table_constraint();
    // Column definition with its inline constraints.
    lite_ddl_column column(std::vector<lite_ddl_constraint>& cons, bool type_optional = false);
    // A comma-separated list of column definitions and out-of-line constraints.
    void relational_items(std::vector<lite_ddl_column>& cols,
                          std::vector<lite_ddl_constraint>& cons);
    // The NOT NULL check constraint of a column, unnamed.
    static lite_ddl_constraint not_null_of(const std::string& col);
};

#endif
