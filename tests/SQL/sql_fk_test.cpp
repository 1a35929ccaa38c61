#include <gtest/gtest.h>

#include <string>

#include "SQL/dmp_database.h"
#include "SQL/sql_field_finder.h"
#include "SQL/sql_fk_parser.h"
#include "sql_live_test_env.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"

namespace {

udb_relationships parse(const std::string& ddl) {
    udb_relationships found;
    sql_fk_parser(L"child", ddl).do_parse(found);
    return found;
}

using names = std::vector<std::wstring>;

}  // namespace

TEST(sql_fk_parser_test, ReadsForeignKeyLines) {
    auto fks = parse(
        "CREATE TABLE `child` (\n  `pid` int(11) DEFAULT NULL,\n  KEY `pid` (`pid`),\n"
        "  CONSTRAINT `fk1` FOREIGN KEY (`pid`) REFERENCES `parent` (`id`) ON DELETE CASCADE,\n"
        "  CONSTRAINT `ck` CHECK (`pid` > 0),\n"
        "  constraint fk2 foreign key (a, b) references other (x, y)\n) ENGINE=InnoDB");
    ASSERT_EQ(fks.size(), 2u);
    EXPECT_EQ(fks[0].name, L"fk1");
    EXPECT_EQ(fks[0].child_table, L"child");
    EXPECT_EQ(fks[0].parent_table, L"parent");
    EXPECT_EQ(fks[0].child_columns, names{L"pid"});
    EXPECT_EQ(fks[0].parent_columns, names{L"id"});
    EXPECT_EQ(fks[0].rule, L"ON DELETE CASCADE");
    EXPECT_TRUE(fks[0].ref_key_name.empty());
    // Lower-case keywords, names without backticks, no rule.
    EXPECT_EQ(fks[1].name, L"fk2");
    EXPECT_EQ(fks[1].parent_table, L"other");
    EXPECT_EQ(fks[1].child_columns, (names{L"a", L"b"}));
    EXPECT_EQ(fks[1].parent_columns, (names{L"x", L"y"}));
    EXPECT_EQ(fks[1].rule, L"");
}

TEST(sql_fk_parser_test, EdgeCases) {
    auto fks = parse(
        "  CONSTRAINT `f``k` FOREIGN KEY (`a b`, `c`) REFERENCES `db`.`par ent` "
        "(`x`, `y`) ON DELETE SET NULL ON UPDATE CASCADE,");
    ASSERT_EQ(fks.size(), 1u);
    EXPECT_EQ(fks[0].name, L"f`k");
    // The database in front of the parent is not the parent.
    EXPECT_EQ(fks[0].parent_table, L"par ent");
    EXPECT_EQ(fks[0].child_columns, (names{L"a b", L"c"}));
    EXPECT_EQ(fks[0].rule, L"ON DELETE SET NULL ON UPDATE CASCADE");
    EXPECT_TRUE(parse("").empty());
    EXPECT_TRUE(
        parse("  `constraint ` int COMMENT 'CONSTRAINT x FOREIGN KEY y REFERENCES z',").empty());
    EXPECT_TRUE(parse("CONSTRAINT x FOREIGN KEY (a)").empty());
    names columns;
    sql_fk_parser::get_columns(L" `A` ,`B`", columns);
    EXPECT_EQ(columns, (names{L"A", L"B"}));
}

TEST_F(sql_engine_test, FieldFinderNamesFieldsSafely) {
    engine->version_word = 0x50700;
    udb_record record;
    record.add_field(udb_field(L"id", 4, ole_variant(1)));
    record.add_field(udb_field(std::wstring(70, L'x') + L"1", 4, ole_variant(2)));
    record.add_field(udb_field(std::wstring(70, L'x') + L"2", 4, ole_variant(3)));
    const sql_field_finder finder(record);
    EXPECT_EQ(finder.name(0), L"id");
    EXPECT_EQ(finder.name(1), std::wstring(63, L'x'));
    EXPECT_NE(finder.name(2), finder.name(1));
    EXPECT_EQ(finder.get_field_idx(L"ID"), 0);
    EXPECT_EQ(finder.get_field_idx(L"I"), -1);
}

namespace {

class sql_fk_live_test : public sql_live_test {
protected:
    void make_tables() {
        engine->set_table_type(L"InnoDB");
        udb_schema dept;
        dept.add_field(make_column(L"DEPT_ID", VT_I4, 4, true));
        udb_indexes dept_keys;
        dept_keys.push_back(udb_index(L"PK_DEPT", false, true, {L"DEPT_ID"}));
        udb_schema emp;
        emp.add_field(make_column(L"EMP_ID", VT_I4, 4, true));
        emp.add_field(make_column(L"DEPT_ID", VT_I4, 4));
        emp.add_field(make_column(L"MGR_ID", VT_I4, 4));
        udb_indexes emp_keys;
        emp_keys.push_back(udb_index(L"PK_EMP", false, true, {L"EMP_ID"}));
        db->create_table(L"DEPT", dept, dept_keys);
        db->create_table(L"EMP", emp, emp_keys);
        rels.push_back(udb_relationship(L"FK_EMP_DEPT", L"", L"EMP", L"DEPT", {L"DEPT_ID"},
                                        {L"DEPT_ID"}, L"ON DELETE SET NULL"));
        rels.push_back(
            udb_relationship(L"FK MGR", L"", L"EMP", L"EMP", {L"MGR_ID"}, {L"EMP_ID"}, L""));
        rels.push_back(
            udb_relationship(L"FK_LOST", L"", L"EMP", L"NOWHERE", {L"DEPT_ID"}, {L"ID"}, L""));
    }

    std::string constraints() {
        return scalar(
            "select group_concat(concat(constraint_name, '>', referenced_table_name, ':', "
            "delete_rule, '/', update_rule) order by constraint_name) from "
            "information_schema.referential_constraints where constraint_schema='" +
            db_name + "'");
    }

    udb_relationships rels;
};

}  // namespace

TEST_F(sql_fk_live_test, LiveServerGetsTheConstraintsAndReportsTheMissingTable) {
    REQUIRE_TEST_SERVER();
    make_tables();
    std::vector<std::string> reported;
    live->set_error_reporter([&](const std::string& object, const tk_exception& e) {
        reported.push_back(object + " | " + e.message());
        EXPECT_EQ(e.level(), 0);
    });
    db->create_relationships(rels);
    EXPECT_EQ(constraints(), "FK MGR>EMP:CASCADE/CASCADE,FK_EMP_DEPT>DEPT:SET NULL/RESTRICT");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind("Foreign key 'FK_LOST' | Can't create foreign key.", 0), 0u)
        << reported[0];
    EXPECT_NE(reported[0].find("Table 'NOWHERE' not exists"), std::string::npos);
    EXPECT_EQ(scalar("select @@session.foreign_key_checks"), "1");

    // Without a reporter the failures are raised together once all were tried.
    live->set_error_reporter(nullptr);
    EXPECT_THROW(db->create_relationships(rels), tk_exception);
}

TEST_F(sql_fk_live_test, DumpFileReplaysWithTheConstraints) {
    REQUIRE_TEST_SERVER();
    const std::string path = test_file_path("fk.sql");
    const std::string dump_db = db_name + "_dump";
    dump_options options;
    options.create_db = true;
    options.database = dump_db;
    {
        engine->set_table_type(L"InnoDB");
        auto dump = engine->create_dump(std::wstring(path.begin(), path.end()), options);
        db = std::move(dump);
        make_tables();
        rels.push_back(udb_relationship(L"FK_EMP_DEPT", L"", L"EMP", L"DEPT", {L"DEPT_ID"},
                                        {L"DEPT_ID"}, L""));
        rels[2].parent_table = L"DEPT";
        rels[2].parent_columns = {L"DEPT_ID"};
        db->create_relationships(rels);
        db.reset();
    }
    const std::string text = read_file(path);
    // The primary key starts with EMP_ID: the self reference needs no index of its own.
    EXPECT_EQ(text.find("ADD INDEX (`EMP_ID`)"), std::string::npos);
    EXPECT_NE(text.find("ALTER TABLE `EMP` ADD INDEX (`DEPT_ID`);"), std::string::npos);
    std::string out;
    ASSERT_EQ(run_client_file(path, "", out), 0) << out << text;
    const std::string live_db = db_name;
    db_name = dump_db;
    const std::string found = constraints();
    run_client_sql("drop database if exists `" + live_db + "`", out);
    EXPECT_EQ(found,
              "FK MGR>EMP:CASCADE/CASCADE,FK_EMP_DEPT>DEPT:SET NULL/RESTRICT,"
              "FK_EMP_DEPT00000>DEPT:CASCADE/CASCADE,FK_LOST>DEPT:CASCADE/CASCADE");
}
