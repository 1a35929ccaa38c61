#include <gtest/gtest.h>

#include <string>

#include "SQL/sql_exception.h"
#include "SQL/sql_table.h"
#include "sql_live_test_env.h"
#include "UDB/udb_record.h"

namespace {

class sql_table_test : public sql_live_test {
protected:
    void SetUp() override {
        sql_live_test::SetUp();
        emp.add_field(make_column(L"ID", VT_I4, 4, true));
        emp.add_field(make_column(L"NAME", VT_BSTR, 10));
        emp_keys.push_back(udb_index(L"PK_EMP", false, true, {L"ID"}));
    }

    static void add_row(udb_recordset& table, int id, const std::wstring& name) {
        append_id_name(table, id, name);
    }

    std::string names_in(const std::string& table) {
        return scalar(
            "select group_concat(concat(ID, '=', NAME) order by ID separator ',') from `" +
            db_name + "`.`" + table + "`");
    }

    udb_schema emp;
    udb_indexes emp_keys;
};

}  // namespace

TEST_F(sql_table_test, RowsArriveOneByOneAndBatched) {
    REQUIRE_TEST_SERVER();
    {
        engine->fast_append_mode = false;
        auto table = db->create_table(L"EMP", emp, emp_keys);
        add_row(*table, 1, L"Smith");
        EXPECT_EQ(names_in("EMP"), "1=Smith");
        engine->fast_append_mode = true;
        add_row(*table, 2, L"O'Neil");
        add_row(*table, 3, L"caf\u00e9 \\");
        // Batched rows wait until the statement is full or the table is flushed.
        EXPECT_EQ(names_in("EMP"), "1=Smith");
        table->flush();
        EXPECT_EQ(names_in("EMP"), "1=Smith,2=O'Neil,3=caf\u00e9 \\");
        add_row(*table, 4, L"last");
    }
    // Releasing the table sends what is left.
    EXPECT_EQ(scalar("select count(*) from `" + db_name + "`.EMP"), "4");
    EXPECT_TRUE(db->is_table_exist(L"emp"));
}

TEST_F(sql_table_test, BatchesEndPastTheLimitByWholeRows) {
    REQUIRE_TEST_SERVER();
    udb_schema wide;
    wide.add_field(make_column(L"ID", VT_I4, 4, true));
    wide.add_field(make_column(L"TXT", VT_BSTR, 70000));
    auto table = db->create_table(L"WIDE", wide, emp_keys);
    const std::wstring text(60000, L'x');
    for (int i = 1; i <= 20; ++i) {
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(i)));
        row.add_field(udb_field(L"TXT", 70000, ole_variant(text)));
        table->append_record(row);
    }
    // 17 rows of 60,000 characters pass 1,000,000: they went out together, the rest waits.  The
    // database takes the server's answer to them before it sends anything else.
    EXPECT_EQ(live->query_scalar(L"select count(*) from WIDE"), 17);
    table->flush();
    EXPECT_EQ(scalar("select count(*), min(length(TXT)) from `" + db_name + "`.WIDE"), "20");
}

TEST_F(sql_table_test, ABatchSentWithoutWaitingIsCheckedToo) {
    REQUIRE_TEST_SERVER();
    exec("create table `" + db_name + "`.WIDE (ID int primary key, TXT text) engine=InnoDB");
    exec("set session sql_mode='STRICT_ALL_TABLES'");
    reopen(0x28 | 0x100);
    auto table = db->create_table(L"WIDE", emp, emp_keys);
    for (int i = 1; i <= 20; ++i) {
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(i)));
        // Row 5 is too long for TEXT: the whole first statement fails on the server.
        row.add_field(
            udb_field(L"TXT", 0, ole_variant(std::wstring(i == 5 ? 70000 : 60000, L'y'))));
        table->append_record(row);
    }
    try {
        table->flush();
        ADD_FAILURE() << "the bad row of the statement sent without waiting was not reported";
    } catch (const sql_row_errors& e) {
        ASSERT_EQ(e.errors().size(), 1u) << e.what();
        EXPECT_EQ(e.errors()[0].message().rfind("Table 'WIDE', record #5: Data too long", 0), 0u);
        EXPECT_EQ(e.errors()[0].table(), L"WIDE");
        EXPECT_EQ(e.errors()[0].record(), 5);
        EXPECT_EQ(e.errors()[0].text().rfind("Data too long", 0), 0u);
    }
    EXPECT_EQ(scalar("select count(*) from `" + db_name + "`.WIDE"), "19");
}

TEST_F(sql_table_test, ExistingTablesAreOpenedEmptiedMergedAndReplaced) {
    REQUIRE_TEST_SERVER();
    exec("create table `" + db_name + "`.EMP (ID int primary key, NAME varchar(30) not null)");
    exec("insert into `" + db_name + "`.EMP values (1, 'old'), (2, 'keep')");
    reopen();
    ASSERT_TRUE(db->is_table_exist(L"emp"));

    // Opened as it is: the definition passed is not used.
    udb_schema other;
    other.add_field(make_column(L"ID", VT_BSTR, 5));
    {
        auto merge = db->create_table(L"emp", other, {});
        EXPECT_EQ(merge->get_record_count(), 2);
        EXPECT_EQ(merge->get_schema().size(), 2u);
        try {
            add_row(*merge, 1, L"dup");
            merge->flush();
            ADD_FAILURE() << "the dropped duplicate was not reported";
        } catch (const sql_row_errors& e) {
            EXPECT_EQ(e.code(), 0x400000 | 1062);
            EXPECT_EQ(e.errors()[0].message(),
                      "Table 'EMP', record #1: Duplicate entry '1' for key 'PRIMARY'");
        }
        add_row(*merge, 3, L"new");
        merge->flush();
    }
    // The server keeps the row it had; whether that is wanted (merging) is the run's to say.
    EXPECT_EQ(names_in("EMP"), "1=old,2=keep,3=new");

    reopen(0x28 | 0x100);
    {
        auto replace = db->create_table(L"EMP", emp, emp_keys);
        add_row(*replace, 1, L"replaced");
        replace->flush();
    }
    EXPECT_EQ(names_in("EMP"), "1=replaced,2=keep,3=new");

    EXPECT_TRUE(db->delete_tab(L"Emp"));
    EXPECT_EQ(scalar("select count(*) from `" + db_name + "`.EMP"), "0");
    EXPECT_EQ(scalar("select data_type from information_schema.columns where table_schema='" +
                     db_name + "' and column_name='NAME'"),
              "varchar");
    EXPECT_THROW(db->delete_tab(L"NOPE"), tk_mail_assertion);
    EXPECT_THROW(db->get_table(L"NOPE", 2), tk_mail_assertion);
}

TEST_F(sql_table_test, ShorterRecordsAndRefusedNamesFindTheirColumns) {
    REQUIRE_TEST_SERVER();
    const std::wstring long_name(70, L'C');
    udb_schema schema;
    schema.add_field(make_column(L"ID", VT_I4, 4, true));
    schema.add_field(make_column(long_name, VT_I4, 4));
    schema.add_field(make_column(L"NOTE", VT_BSTR, 20));
    auto table = db->create_table(L"T", schema, emp_keys);
    EXPECT_EQ(table->get_schema()[1].name, std::wstring(63, L'C'));

    udb_record shorter;
    shorter.add_field(udb_field(L"ID", 4, ole_variant(1)));
    shorter.add_field(udb_field(long_name, 4, ole_variant(42)));
    table->append_record(shorter);
    udb_record full;
    full.add_field(udb_field(L"ID", 4, ole_variant(2)));
    full.add_field(udb_field(long_name, 4, ole_variant(7)));
    full.add_field(udb_field(L"NOTE", 20, ole_variant(std::wstring(L"n"))));
    // Another column list: the pending statement is sent before this row starts a new one.
    table->append_record(full);
    table->flush();
    EXPECT_EQ(scalar("select group_concat(concat_ws(':', ID, `" + std::string(63, 'C') +
                     "`, ifnull(NOTE, 'null')) order by ID) from `" + db_name + "`.T"),
              "1:42:null,2:7:n");
}

TEST_F(sql_table_test, AFailingBatchLandsEveryGoodRowAndNamesTheBadOne) {
    REQUIRE_TEST_SERVER();
    exec("create table `" + db_name +
         "`.EMP (ID int primary key, NAME varchar(5) not null) engine=InnoDB");
    exec("set session sql_mode='STRICT_ALL_TABLES'");
    reopen(0x28 | 0x100);  // REPLACE: strict mode turns a value too long into an error
    auto table = db->create_table(L"EMP", emp, emp_keys);
    add_row(*table, 1, L"a");
    add_row(*table, 2, L"much too long");
    add_row(*table, 3, L"c");
    try {
        table->flush();
        ADD_FAILURE() << "the bad row was not reported";
    } catch (const sql_row_errors& e) {
        ASSERT_EQ(e.errors().size(), 1u);
        EXPECT_EQ(e.errors()[0].code(), 0x400000 | 1406);
        EXPECT_EQ(e.errors()[0].level(), 0);
        EXPECT_NE(e.errors()[0].message().find("Table 'EMP', record #2: Data too long for column"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(names_in("EMP"), "1=a,3=c");
    // Nothing is held back any more: releasing the table sends nothing twice.
    table.reset();
    EXPECT_EQ(scalar("select count(*) from `" + db_name + "`.EMP"), "2");
}

TEST_F(sql_table_test, ValuesTheServerChangesAreReported) {
    REQUIRE_TEST_SERVER();
    exec("set session sql_mode=''");
    for (const bool batched : {false, true}) {
        engine->fast_append_mode = batched;
        const std::wstring name = batched ? L"B" : L"S";
        auto table = db->create_table(name, emp, emp_keys);
        add_row(*table, 1, L"fits");
        try {
            add_row(*table, 2, L"far too long for ten");
            table->flush();
            ADD_FAILURE() << "the truncation was not reported";
        } catch (const sql_row_errors& e) {
            ASSERT_EQ(e.errors().size(), 1u) << e.what();
            EXPECT_EQ(e.errors()[0].code(), 0x400000 | 1265);
            EXPECT_NE(e.what(), std::string());
            EXPECT_EQ(e.errors()[0].message(),
                      "Table '" + std::string(batched ? "B" : "S") +
                          "', record #2: Data truncated for column 'NAME'");
        }
        // A duplicate key the server drops is told as well.
        try {
            add_row(*table, 1, L"again");
            table->flush();
            ADD_FAILURE() << "the dropped duplicate was not reported";
        } catch (const sql_row_errors& e) {
            ASSERT_EQ(e.errors().size(), 1u) << e.what();
            EXPECT_EQ(e.errors()[0].code(), 0x400000 | 1062);
        }
        EXPECT_EQ(names_in(batched ? "B" : "S"), "1=fits,2=far too lo");
    }
}

TEST_F(sql_table_test, ALostConnectionFailsTheTableAndTheNextJobFast) {
    REQUIRE_TEST_SERVER();
    auto table = db->create_table(L"EMP", emp, emp_keys);
    add_row(*table, 1, L"a");
    add_row(*table, 2, L"b");
    std::string out;
    ASSERT_EQ(run_client_sql("kill " + std::to_string(mysql_thread_id(engine->handle())), out), 0)
        << out;
    try {
        table->flush();
        ADD_FAILURE() << "a lost connection was reported as success";
    } catch (const sql_exception& e) {
        EXPECT_TRUE(e.is_connection_lost()) << e.what();
        EXPECT_NE(e.message().find("0 rows of table 'EMP' had reached the server"),
                  std::string::npos)
            << e.what();
    }
    table.reset();
    EXPECT_THROW(db->create_table(L"NEXT", emp, emp_keys), sql_exception);
}

TEST_F(sql_table_test, ReleasingATableWhoseLastBatchFailsOnlyLogs) {
    REQUIRE_TEST_SERVER();
    auto table = db->create_table(L"EMP", emp, emp_keys);
    add_row(*table, 1, L"a");
    exec("drop table `" + db_name + "`.EMP");
    EXPECT_NO_THROW(table.reset());
}
