#include <gtest/gtest.h>

#include <string>

#include "SQL/sql_exception.h"
#include "SQL/sql_recordset.h"
#include "SQL/sql_table.h"
#include "sql_live_test_env.h"

namespace {

class sql_recordset_test : public sql_live_test {
protected:
    long long bytes_sent() {
        return std::stoll(
            scalar("select variable_value from information_schema.session_status "
                   "where variable_name='BYTES_SENT'"));
    }

    // Walks the table and checks that the ids come in key order without gap or repeat.
    void expect_all_rows(const std::wstring& table, int rows) {
        auto set = db->get_table(table, 2);
        ASSERT_EQ(set->get_record_count(), rows);
        int seen = 0;
        for (; !set->is_eof(); set->next()) {
            udb_record* row = set->get_item();
            ASSERT_NE(row, nullptr) << "row " << seen;
            ASSERT_EQ((*row)[0].to_long(), seen + 1);
            ++seen;
        }
        EXPECT_EQ(seen, rows);
        EXPECT_EQ(set->get_item(), nullptr);
    }
};

}  // namespace

TEST_F(sql_recordset_test, PagesOfSixtyFiveThousandRows) {
    REQUIRE_TEST_SERVER();
    // Inserted in reverse, so that only the key order gives the ids in order.
    exec("create table `" + db_name + "`.P (ID int primary key, V varchar(20)) engine=InnoDB");
    exec("insert into `" + db_name +
         "`.P select 65537 - seq, concat('v', seq) from seq_0_to_65536");
    exec("create table `" + db_name + "`.Q like `" + db_name + "`.P");
    exec("insert into `" + db_name + "`.Q select * from `" + db_name + "`.P where ID <= 65536");
    reopen();
    expect_all_rows(L"Q", 65536);
    expect_all_rows(L"P", 65537);

    // A table opened to be written fetches no rows.
    const long long before = bytes_sent();
    auto table = db->get_table(L"P", 8);
    EXPECT_LT(bytes_sent() - before, 100000);
    // Reading goes back across a page boundary to the right row.
    for (int i = 0; i < 65536; ++i) table->next();
    ASSERT_NE(table->get_item(), nullptr);
    EXPECT_EQ((*table->get_item())[0].to_long(), 65537);
    table->prev();
    EXPECT_EQ((*table->get_item())[0].to_long(), 65536);
    table->reset();
    EXPECT_EQ((*table->get_item())[0].to_long(), 1);
}

TEST_F(sql_recordset_test, QueriesAreCountedAndPaged) {
    REQUIRE_TEST_SERVER();
    exec("create table `" + db_name + "`.T (ID int, V text, B blob, VB varbinary(4))");
    exec("insert into `" + db_name +
         "`.T values (1, 'caf\xc3\xa9', 'x\\0y', 'ab'), (2, null, null, null)");
    reopen();
    auto query = db->get_query(L"Q", L"select ID, V from T where ID > 1", 1);
    ASSERT_EQ(query->get_record_count(), 1);
    EXPECT_TRUE(query->is_query());
    EXPECT_EQ((*query->get_item())[0].to_long(), 2);
    EXPECT_THROW(db->get_query(L"Q", L"select * from T;", 1), sql_exception);

    auto table = db->get_table(L"T", 2);
    const udb_schema& schema = table->get_schema();
    EXPECT_EQ(schema[1].vartype, VT_BSTR);
    EXPECT_EQ(schema[2].vartype, VT_BLOB);
    EXPECT_EQ(schema[3].vartype, VT_BLOB);
    udb_record& row = *table->get_item();
    EXPECT_EQ(row[1].to_wstring(), L"caf\u00e9");
    ASSERT_EQ(row[2].vt(), VT_BYTE_ARRAY);
    const std::uint8_t* bytes = nullptr;
    ASSERT_EQ(row[2].get_bytes1(bytes), 3u);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(row[3].vt(), VT_BYTE_ARRAY);
    table->next();
    EXPECT_TRUE(table->get_item()->get_field(L"V").is_null());
}

TEST_F(sql_recordset_test, ColumnsDefaultsKeysAndForeignKeysAreReadBack) {
    REQUIRE_TEST_SERVER();
    exec("create table `" + db_name +
         "`.PARENT (ID int auto_increment primary key, CODE char(2) not null, unique key "
         "UK_CODE (CODE, ID)) engine=InnoDB character set utf8");
    exec("create table `" + db_name +
         "`.CHILD (ID int primary key, PID int, NAME varchar(100) default 'n/a', F float(10,2), "
         "G float(10,0), D date not null default '0000-00-00', N int not null default 7, "
         "constraint fk_child foreign key (PID) references PARENT (ID) on delete set null) "
         "engine=InnoDB character set utf8");
    reopen();
    auto parent = db->get_table(L"PARENT", 2);
    auto* live_parent = dynamic_cast<sql_recordset*>(parent.get());
    ASSERT_NE(live_parent, nullptr);
    EXPECT_EQ(live_parent->get_auto_column(), L"ID");
    EXPECT_EQ(live_parent->get_last_value(), 0);
    ASSERT_EQ(parent->get_indexes().size(), 2u);
    EXPECT_TRUE(parent->get_indexes()[0].primary);
    EXPECT_TRUE(parent->get_indexes()[1].unique);
    EXPECT_EQ(parent->get_indexes()[1].columns, (std::vector<std::wstring>{L"CODE", L"ID"}));

    auto child = db->get_table(L"CHILD", 2);
    udb_schema& s = child->get_schema();
    EXPECT_EQ(s.get_field1(L"NAME").size, 100u);
    EXPECT_EQ(s.get_field1(L"NAME").default_value.to_wstring(), L"n/a");
    EXPECT_EQ(s.get_field1(L"F").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field1(L"F").dw_reserved, 10 * 256 + 2);
    EXPECT_EQ(s.get_field1(L"G").vartype, VT_R4);
    EXPECT_FALSE(s.get_field1(L"D").b_not_null);
    EXPECT_TRUE(s.get_field1(L"D").default_value.is_empty());
    EXPECT_EQ(s.get_field1(L"N").default_value.to_long(), 7);
    auto& fks = dynamic_cast<sql_table&>(*child).get_relationships();
    ASSERT_EQ(fks.size(), 1u);
    EXPECT_EQ(fks[0].name, L"fk_child");
    EXPECT_EQ(fks[0].parent_table, L"PARENT");
    EXPECT_EQ(fks[0].rule, L"ON DELETE SET NULL");
    EXPECT_EQ(fks[0].child_columns, std::vector<std::wstring>{L"PID"});

    // Flags 0x20 and 0x40 alone read no keys.
    auto bare = db->get_table(L"CHILD", 0x20);
    EXPECT_TRUE(bare->get_indexes().empty());
}

TEST_F(sql_recordset_test, QueryGivesTheWholeResultOrNone) {
    REQUIRE_TEST_SERVER();
    EXPECT_EQ(db->query(L"create table T (A int)"), nullptr);
    auto shown = db->query(L"show tables");
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(sql_record::text_of((*shown->get_item())[0]), L"T");
    EXPECT_THROW(shown->append_record(*shown->get_item()), tk_mail_assertion);
    EXPECT_THROW(db->query(L"select * from missing"), sql_exception);
    EXPECT_TRUE(db->test_query(L"select 1"));
    EXPECT_FALSE(db->test_query(L"select * from missing"));
}
