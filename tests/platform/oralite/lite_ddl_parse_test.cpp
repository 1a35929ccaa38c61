// The DDL parse step alone: statement text in, plain struct out, no database behind it.
#include <gtest/gtest.h>

#include "ddl/lite_ddl_parser.h"
#include "lite_engine.h"

namespace {

lite_create_table create_table(const std::string& sql) {
    lite_ddl_parser p(sql, "HR");
    EXPECT_TRUE(p.word("CREATE"));
    return p.parse_create_table();
}

lite_alter_table alter_table(const std::string& sql) {
    lite_ddl_parser p(sql, "HR");
    EXPECT_TRUE(p.word("ALTER"));
    EXPECT_TRUE(p.word("TABLE"));
    return p.parse_alter_table();
}

// The ORA code a held syntax error carries, or 0 when the statement read cleanly.
int deferred_code(const std::exception_ptr& e) {
    if (!e) return 0;
    try {
        std::rethrow_exception(e);
    } catch (const lite_error& err) {
        return err.code();
    }
    return -1;
}

TEST(LiteDdlParse, CreateTableColumnsAndConstraints) {
    lite_create_table st = create_table(
        "CREATE TABLE dept (id NUMBER(4) CONSTRAINT dept_pk PRIMARY KEY, "
        "name VARCHAR2(30) NOT NULL, boss NUMBER DEFAULT 7, "
        "CONSTRAINT dept_uk UNIQUE (name));");
    EXPECT_EQ(deferred_code(st.deferred), 0);
    EXPECT_EQ(st.owner, "HR");
    EXPECT_EQ(st.table, "DEPT");
    EXPECT_FALSE(st.temporary);
    EXPECT_FALSE(st.index_organized);
    ASSERT_EQ(st.columns.size(), 3u);
    EXPECT_EQ(st.columns[0].name, "ID");
    EXPECT_EQ(st.columns[0].type.data_type, "NUMBER");
    EXPECT_EQ(st.columns[0].type.precision, 4);
    EXPECT_EQ(st.columns[1].type.data_type, "VARCHAR2");
    EXPECT_EQ(st.columns[1].type.char_length, 30);
    EXPECT_EQ(st.columns[2].default_text, "7");
    ASSERT_EQ(st.constraints.size(), 3u);
    EXPECT_EQ(st.constraints[0].name, "DEPT_PK");
    EXPECT_EQ(st.constraints[0].type, 'P');
    EXPECT_EQ(st.constraints[0].columns, std::vector<std::string>{"ID"});
    EXPECT_TRUE(st.constraints[1].not_null);
    EXPECT_EQ(st.constraints[2].type, 'U');
    EXPECT_EQ(st.constraints[2].columns, std::vector<std::string>{"NAME"});
}

TEST(LiteDdlParse, CreateTableOptions) {
    lite_create_table st = create_table(
        "CREATE GLOBAL TEMPORARY TABLE hr.t (a INT, PRIMARY KEY (a)) ORGANIZATION INDEX");
    EXPECT_EQ(deferred_code(st.deferred), 0);
    EXPECT_TRUE(st.temporary);
    EXPECT_TRUE(st.index_organized);
    EXPECT_EQ(st.owner, "HR");
}

TEST(LiteDdlParse, CreateTableErrorsPastTheNameAreHeld) {
    // The executor first checks that the name is free, so these wait for it.
    EXPECT_EQ(deferred_code(create_table("CREATE TABLE t (a INT, a INT)").deferred), 957);
    EXPECT_EQ(deferred_code(create_table("CREATE TABLE t (a INT").deferred), 907);
    EXPECT_EQ(deferred_code(create_table("CREATE TABLE t AS SELECT 1 FROM dual").deferred), 3001);
    // A bad name is raised at once.
    try {
        create_table("CREATE TABLE 1t (a INT)");
        ADD_FAILURE() << "no error";
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 903);
    }
    // Other schemas are read-only: refused before anything else is read.
    try {
        create_table("CREATE TABLE scott.t (a INT, a INT)");
        ADD_FAILURE() << "no error";
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 1031);
    }
}

TEST(LiteDdlParse, AlterTableActions) {
    using action = lite_alter_table::action;
    lite_alter_table add =
        alter_table("ALTER TABLE emp ADD (x NUMBER, CONSTRAINT x_ck CHECK (x > 0))");
    EXPECT_EQ(add.kind, action::add);
    ASSERT_EQ(add.columns.size(), 1u);
    ASSERT_EQ(add.constraints.size(), 1u);
    EXPECT_EQ(add.constraints[0].condition, "x > 0");

    lite_alter_table dis = alter_table("ALTER TABLE emp DISABLE CONSTRAINT emp_fk");
    EXPECT_EQ(dis.kind, action::change_status);
    EXPECT_FALSE(dis.enable);
    EXPECT_EQ(dis.constraint, "EMP_FK");

    lite_alter_table drop = alter_table("ALTER TABLE emp DROP (a, b)");
    EXPECT_EQ(drop.kind, action::drop_columns);
    EXPECT_EQ(drop.drop, (std::vector<std::string>{"A", "B"}));

    lite_alter_table pk = alter_table("ALTER TABLE emp DROP PRIMARY KEY");
    EXPECT_EQ(pk.kind, action::drop_primary_key);

    lite_alter_table other = alter_table("ALTER TABLE emp NOLOGGING");
    EXPECT_EQ(other.kind, action::ignored);
    EXPECT_EQ(other.ignored_word, "NOLOGGING");
}

TEST(LiteDdlParse, AlterTableModifyKeepsItemsReadBeforeAnError) {
    lite_alter_table st = alter_table("ALTER TABLE emp MODIFY (a NUMBER(5) NOT NULL, b FOO(");
    EXPECT_EQ(st.kind, lite_alter_table::action::modify_columns);
    ASSERT_EQ(st.modifications.size(), 1u);
    EXPECT_EQ(st.modifications[0].column.name, "A");
    EXPECT_EQ(st.modifications[0].constraints.size(), 1u);
    EXPECT_NE(deferred_code(st.deferred), 0);
}

TEST(LiteDdlParse, CreateIndexKeys) {
    lite_ddl_parser p("CREATE UNIQUE INDEX emp_ix ON emp (last_name DESC, UPPER(email))", "HR");
    ASSERT_TRUE(p.word("CREATE"));
    ASSERT_TRUE(p.word("UNIQUE"));
    lite_create_index st = p.parse_create_index(true);
    EXPECT_EQ(deferred_code(st.deferred), 0);
    EXPECT_TRUE(st.unique);
    EXPECT_EQ(st.index, "EMP_IX");
    EXPECT_EQ(st.table_owner, "HR");
    EXPECT_EQ(st.table, "EMP");
    ASSERT_EQ(st.keys.size(), 2u);
    EXPECT_EQ(st.keys[0].text, "LAST_NAME");
    EXPECT_FALSE(st.keys[0].expression);
    EXPECT_EQ(st.keys[0].direction, "DESC");
    EXPECT_EQ(st.keys[1].text, "UPPER(email)");
    EXPECT_TRUE(st.keys[1].expression);
    EXPECT_EQ(st.keys[1].direction, "ASC");
}

TEST(LiteDdlParse, CreateSequenceOptions) {
    lite_ddl_parser p(
        "CREATE SEQUENCE s START WITH 10 INCREMENT BY -2 MAXVALUE 1.0E28 NOCACHE CYCLE", "HR");
    ASSERT_TRUE(p.word("CREATE"));
    ASSERT_TRUE(p.word("SEQUENCE"));
    lite_create_sequence st = p.parse_create_sequence();
    EXPECT_EQ(deferred_code(st.deferred), 0);
    EXPECT_EQ(st.sequence, "S");
    EXPECT_EQ(st.start, 10);
    EXPECT_EQ(st.increment, -2);
    EXPECT_EQ(st.max_value, "10000000000000000000000000000");
    EXPECT_FALSE(st.min_value);
    EXPECT_EQ(st.cache, 0);
    EXPECT_TRUE(st.cycle);

    lite_ddl_parser zero("CREATE SEQUENCE s INCREMENT BY 0", "HR");
    zero.i = 2;
    EXPECT_EQ(deferred_code(zero.parse_create_sequence().deferred), 4002);
}

TEST(LiteDdlParse, ViewCommentAndDrop) {
    lite_ddl_parser v("CREATE VIEW v (a, b) AS SELECT x, y FROM t WITH READ ONLY", "HR");
    v.i = 2;
    lite_create_view view = v.parse_create_view(false);
    EXPECT_EQ(view.columns, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(view.text, "SELECT x, y FROM t WITH READ ONLY");
    EXPECT_EQ(view.query, "SELECT x, y FROM t");

    lite_ddl_parser c("COMMENT ON COLUMN hr.emp.sal IS 'pay'", "HR");
    c.i = 1;
    lite_comment comment = c.parse_comment();
    EXPECT_EQ(comment.on, lite_comment::kind::column);
    EXPECT_EQ(comment.table, "EMP");
    EXPECT_EQ(comment.column, "SAL");
    EXPECT_EQ(comment.text, "pay");

    lite_ddl_parser d("DROP TABLE emp CASCADE CONSTRAINTS PURGE", "HR");
    d.i = 1;
    lite_drop drop = d.parse_drop();
    EXPECT_EQ(drop.object, lite_drop::kind::table);
    EXPECT_EQ(drop.name, "EMP");
    EXPECT_TRUE(drop.cascade);

    lite_ddl_parser f("DROP FUNCTION f", "HR");
    f.i = 1;
    EXPECT_EQ(f.parse_drop().object, lite_drop::kind::source);
}

TEST(LiteDdlParse, UserClauses) {
    lite_ddl_parser p("CREATE USER app IDENTIFIED BY secret QUOTA 10M ON users ACCOUNT LOCK", "HR");
    p.i = 2;
    lite_user_ddl st = p.parse_user(true);
    EXPECT_EQ(deferred_code(st.deferred), 0);
    EXPECT_EQ(st.user, "APP");
    ASSERT_EQ(st.clauses.size(), 3u);
    EXPECT_EQ(st.clauses[0].password, "SECRET");
    EXPECT_EQ(st.clauses[1].tablespace, "USERS");
    EXPECT_EQ(st.clauses[1].bytes, 10 * 1024 * 1024);
    EXPECT_TRUE(st.clauses[2].lock);

    lite_ddl_parser bare("CREATE USER app", "HR");
    bare.i = 2;
    EXPECT_EQ(deferred_code(bare.parse_user(true).deferred), 1935);
}

TEST(LiteDdlParse, TriggerHeader) {
    lite_ddl_parser p(
        "CREATE TRIGGER trg BEFORE INSERT OR UPDATE OF sal ON emp FOR EACH ROW "
        "WHEN (NEW.sal > 0) BEGIN :NEW.sal := 1; END;",
        "HR");
    p.i = 2;
    lite_create_trigger st = p.parse_create_trigger(false);
    EXPECT_EQ(deferred_code(st.deferred), 0);
    EXPECT_EQ(st.timing, "BEFORE");
    EXPECT_EQ(st.events, "INSERT OR UPDATE");
    EXPECT_EQ(st.table, "EMP");
    EXPECT_TRUE(st.row);
    EXPECT_TRUE(st.table_read);
    EXPECT_EQ(st.when, "NEW.sal > 0");
    EXPECT_EQ(st.body.rfind("BEGIN", 0), 0u);

    lite_ddl_parser bad("CREATE TRIGGER trg DURING INSERT ON emp BEGIN NULL; END;", "HR");
    bad.i = 2;
    lite_create_trigger held = bad.parse_create_trigger(false);
    EXPECT_EQ(deferred_code(held.deferred), 4071);
    EXPECT_FALSE(held.table_read);
}

TEST(LiteDdlParse, WholeStatementPicksItsKind) {
    auto parse = [](const std::string& sql) { return lite_ddl_parser(sql, "HR").parse(); };
    EXPECT_TRUE(std::holds_alternative<lite_create_table>(parse("CREATE TABLE t (a INT)")));
    EXPECT_TRUE(std::holds_alternative<lite_truncate>(parse("TRUNCATE TABLE t")));
    lite_ddl_statement body = parse("CREATE OR REPLACE PACKAGE BODY pk AS END;");
    ASSERT_TRUE(std::holds_alternative<lite_store_source>(body));
    EXPECT_EQ(std::get<lite_store_source>(body).name, "PK");
    EXPECT_EQ(std::get<lite_store_source>(body).type, "PACKAGE");
    lite_ddl_statement user = parse("CREATE OR REPLACE USER u");
    ASSERT_TRUE(std::holds_alternative<lite_ignored_ddl>(user));
    EXPECT_EQ(std::get<lite_ignored_ddl>(user).warning, "statement ignored: CREATE USER");
    lite_ddl_statement alter = parse("ALTER SESSION SET x = 1");
    ASSERT_TRUE(std::holds_alternative<lite_ignored_ddl>(alter));
    EXPECT_EQ(std::get<lite_ignored_ddl>(alter).warning, "statement ignored: ALTER SESSION");
}

}  // namespace
