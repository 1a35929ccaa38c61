#include <gtest/gtest.h>

#include <fstream>

#include "TK/tk_exception.h"
#include "UDB/udb_custom_conversion.h"
#include "UDB/udb_database.h"
#include "UDB/udb_engine.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_relationships.h"
#include "udb_test_helpers.h"

namespace {

// The smallest real database over the base: it records what the base asks of it.
class memo_database : public udb_database {
public:
    memo_database(int case_sensitive) : udb_database(L"memo", 0, case_sensitive) {}

    std::unique_ptr<udb_recordset> create_table(const std::wstring&, const udb_schema&,
                                                const udb_indexes&) override {
        return nullptr;
    }
    std::unique_ptr<udb_recordset> get_query(const std::wstring&, const std::wstring&,
                                             int) override {
        return nullptr;
    }
    std::unique_ptr<udb_recordset> get_table(const std::wstring&, int) override { return nullptr; }
    bool test_query(const std::wstring&) override { return true; }

    void create_index(const std::wstring& table, int flags, const udb_index& index) override {
        created.push_back(table + L"/" + std::to_wstring(flags) + L"/" + index.name);
    }

    std::vector<std::wstring> created;
};

class statement_database : public memo_database {
public:
    statement_database() : memo_database(0) {}
    std::unique_ptr<udb_recordset> query(const std::wstring& statement) override {
        statements.push_back(statement);
        return nullptr;
    }
    std::vector<std::wstring> statements;
};

class memo_recordset : public udb_recordset {
public:
    using udb_recordset::udb_recordset;
    void append_record(udb_record&) override {}
};

class file_engine : public udb_engine {
public:
    void create_db(const std::wstring&) override {}
    std::unique_ptr<udb_database> open_db(const std::wstring&, int) override { return nullptr; }
};

}  // namespace

TEST(udb_database, delete_tab_follows_the_case_rule) {
    memo_database loose(0);
    loose.get_tables() = {L"EMP", L"DEPT"};
    EXPECT_TRUE(loose.delete_tab(L"emp"));
    EXPECT_EQ(loose.get_tables(), std::vector<std::wstring>{L"DEPT"});
    EXPECT_FALSE(loose.delete_tab(L"emp"));

    memo_database strict(1);
    strict.get_tables() = {L"EMP", L"DEPT"};
    EXPECT_FALSE(strict.delete_tab(L"emp"));
    EXPECT_EQ(strict.get_tables().size(), 2u);
    EXPECT_TRUE(strict.delete_tab(L"EMP"));
    EXPECT_EQ(strict.get_tables(), std::vector<std::wstring>{L"DEPT"});
}

TEST(udb_database, is_table_exist) {
    memo_database loose(0);
    EXPECT_FALSE(loose.is_table_exist(L"EMP"));
    loose.get_tables().push_back(L"Emp");
    EXPECT_TRUE(loose.is_table_exist(L"EMP"));
    EXPECT_FALSE(loose.is_table_exist(L"EMPLOYEE"));

    memo_database strict(1);
    strict.get_tables().push_back(L"Emp");
    EXPECT_FALSE(strict.is_table_exist(L"EMP"));
    EXPECT_TRUE(strict.is_table_exist(L"Emp"));
}

TEST(udb_database, base_query_is_internal_error) {
    memo_database db(0);
    try {
        db.query(L"select 1");
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.message(), make_err_meggase("udb_db", 97));
    }
    // empty_table goes through query, so it fails the same way when query is not provided.
    EXPECT_THROW(db.empty_table(L"EMP"), tk_mail_assertion);
}

TEST(udb_database, empty_table_sends_delete_through_query) {
    statement_database db;
    db.empty_table(L"`EMP`");
    EXPECT_EQ(db.statements, std::vector<std::wstring>{L"delete from `EMP`"});
}

TEST(udb_database, create_indexes_calls_create_index_in_order) {
    memo_database db(0);
    udb_indexes idx;
    idx.push_back(udb_index(L"PK", true, true, {L"ID"}));
    idx.push_back(udb_index(L"IX", false, false, {L"N"}));
    db.create_indexes(L"T", 3, idx);
    EXPECT_EQ(db.created, (std::vector<std::wstring>{L"T/3/PK", L"T/3/IX"}));

    std::vector<std::wstring> list{L"a", L"b"};
    db.clear_list(list);
    EXPECT_TRUE(list.empty());
}

TEST(udb_recordset, is_query_and_base_walk) {
    memo_database db(0);
    memo_recordset table(&db, L"EMP", true);
    memo_recordset result(&db, L"Q1", L"select * from emp", false);
    memo_recordset orphan(L"X");
    EXPECT_FALSE(table.is_query());
    EXPECT_TRUE(result.is_query());
    EXPECT_FALSE(orphan.is_query());
    EXPECT_EQ(orphan.get_owner(), nullptr);
    EXPECT_EQ(table.get_owner(), &db);
    EXPECT_TRUE(table.get_schema().get_setting());
    EXPECT_FALSE(result.get_schema().get_setting());
    EXPECT_TRUE(table.is_eof());
    EXPECT_EQ(table.get_item(), nullptr);
    EXPECT_EQ(table.get_record_count(), 0);
    EXPECT_EQ(table.get_key_index(), -1);
}

TEST(udb_recordset, add_index_remembers_the_first_key) {
    memo_recordset rs(L"T");
    rs.add_index(udb_index(L"IX", false, false, {L"A"}));
    EXPECT_EQ(rs.get_key_index(), -1);
    rs.add_index(udb_index(L"UQ", true, false, {L"B"}));
    EXPECT_EQ(rs.get_key_index(), 1);
    rs.add_index(udb_index(L"PK", true, true, {L"C"}));
    EXPECT_EQ(rs.get_key_index(), 1);
    ASSERT_EQ(rs.get_indexes().size(), 3u);

    // A taken name is refused outright, even when it would have upgraded the index.
    rs.add_index(udb_index(L"IX", true, true, {L"Z"}));
    EXPECT_EQ(rs.get_indexes().size(), 3u);
    EXPECT_FALSE(rs.get_indexes()[0].primary);
}

TEST(udb_recordset, get_key) {
    memo_recordset rs(L"T");
    udb_record row;
    row.add_field(udb_field(L"ID", 4, ole_variant(10)));
    row.add_field(udb_field(L"DEPT", 4, ole_variant(20)));
    row.add_field(udb_field(L"NAME", 4, ole_variant(std::wstring(L"KING"))));

    try {
        rs.get_key(row);
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_STREQ(e.what(), "There's no primary/unique key");
    }

    rs.add_index(udb_index(L"PK", true, true, {L"dept", L"id"}));
    auto key = rs.get_key(row);
    ASSERT_TRUE(key);
    ASSERT_EQ(key->size(), 2u);
    EXPECT_EQ((*key)[0].get_name(), L"DEPT");
    EXPECT_EQ((*key)[0].to_long(), 20);
    EXPECT_EQ((*key)[1].to_long(), 10);
    // The key holds copies.
    row.get_field(L"ID") = udb_field(L"ID", 4, ole_variant(99));
    EXPECT_EQ((*key)[1].to_long(), 10);

    udb_record partial;
    partial.add_field(udb_field(L"ID", 4, ole_variant(1)));
    EXPECT_EQ(rs.get_key(partial), nullptr);
}

TEST(udb_recordset, get_key_of_key_without_columns_is_empty) {
    memo_recordset rs(L"T");
    rs.add_index(udb_index(L"PK", true, true, {}));
    udb_record row;
    row.add_field(udb_field(L"ID", 4, ole_variant(1)));
    auto key = rs.get_key(row);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->empty());
}

TEST(udb_relationships, lookup_by_name_ignoring_case) {
    udb_relationships rels;
    rels.push_back(udb_relationship(L"FK_EMP_DEPT", L"PK_DEPT", L"EMP", L"DEPT", {L"DEPTNO"},
                                    {L"DEPTNO"}, L"ON DELETE CASCADE"));
    const udb_relationship& r = rels.get_index(L"fk_emp_dept");
    EXPECT_EQ(r.child_table, L"EMP");
    EXPECT_EQ(r.parent_table, L"DEPT");
    EXPECT_EQ(r.ref_key_name, L"PK_DEPT");
    EXPECT_EQ(r.rule, L"ON DELETE CASCADE");
    EXPECT_FALSE(rels.is_acceptable_name(L"Fk_Emp_Dept"));
    EXPECT_TRUE(rels.is_acceptable_name(L"FK_OTHER"));
    try {
        rels.get_index(L"FK_OTHER");
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.message(), make_err_meggase("udb_rel", 129));
    }
}

TEST(udb_custom_conversion, hooks_handle_nothing) {
    t_ftd f(4, L"ID", VT_I4, false, false, ole_variant(), 0, L"");
    EXPECT_FALSE(udb_custom_conversion::is_acceptable1(f));
    EXPECT_FALSE(udb_custom_conversion::is_acceptable2(ole_variant(1)));
    EXPECT_TRUE(udb_custom_conversion::handle1(f).empty());
    EXPECT_TRUE(udb_custom_conversion::handle2(ole_variant(1)).empty());
}

TEST(udb_engine, file_databases) {
    scratch_dir dir;
    file_engine engine;
    const auto path = dir.path("db.dmp");
    const std::wstring wpath = path.wstring();
    EXPECT_FALSE(engine.is_db_exist(wpath));
    write_file_bytes(path, "x");
    EXPECT_TRUE(engine.is_db_exist(wpath));
    engine.db_delete(wpath);
    EXPECT_FALSE(engine.is_db_exist(wpath));
    try {
        engine.db_delete(wpath);
        FAIL() << "no exception";
    } catch (const tk_exception_ex& e) {
        EXPECT_NE(e.code(), 0);
    }
    EXPECT_EQ(engine.get_properties(), nullptr);
}
