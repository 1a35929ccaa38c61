// Batched rows of a table the run created, keyed by integers, may go over further sessions while
// the connection's own statement is stored.  Whatever the sessions do at once, the rows that land
// and the errors told are those of one connection: the first of two rows with a key wins, errors
// come in the order of the records, and a lost connection counts every row that reached the
// server.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "SQL/sql_exception.h"
#include "SQL/sql_table.h"
#include "TK/tk_utils.h"
#include "sql_live_test_env.h"
#include "test_sanitizer.h"
#include "UDB/udb_record.h"

namespace {

// About 110 bytes a row as a statement: some nine thousand rows fill one.
constexpr std::size_t k_text = 100;

class sql_table_lanes_test : public sql_live_test {
protected:
    void SetUp() override {
        sql_live_test::SetUp();
        if (!engine->connected) return;
        engine->set_table_type(L"InnoDB");
        engine->fast_append_mode = true;
        keyed.add_field(make_column(L"ID", VT_I4, 4, true));
        keyed.add_field(make_column(L"NAME", VT_BSTR, k_text));
        by_id.push_back(udb_index(L"PK", false, true, {L"ID"}));
    }

    // The text of row `id`: non-ASCII, and `length` characters long.
    static std::wstring text_of(int id, std::size_t length = k_text) {
        std::wstring text = L"\u00e9t\u00e9 " + std::to_wstring(id) + L" ";
        text.resize(length, L'x');
        return text;
    }

    // Appends (id, name) as record `number`; the records its call was told of, "#N" each.
    static std::string append(udb_recordset& table, int id, const std::wstring& name, int number) {
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(id)));
        row.add_field(udb_field(L"NAME", static_cast<int>(k_text), ole_variant(name)));
        return told([&] { table.append_record(row, number); });
    }
    static std::string flush(udb_recordset& table) {
        return told([&] { table.flush(); });
    }
    template <class Call>
    static std::string told(Call call) {
        try {
            call();
            return "";
        } catch (const sql_row_errors& e) {
            std::string records;
            for (const sql_record_error& error : e.errors())
                records += "#" + std::to_string(error.record()) + " ";
            return records;
        }
    }

    // The sessions of this test's user that have its database selected (asked through the
    // database, which takes the answers still owed first).
    // Whether further sessions took statements.  Under the address sanitizer the server stores
    // each statement before the next is made, and none is wanted: what the rows and errors must
    // be is checked all the same.
    bool overlapped() { return sessions() > 1 || k_address_sanitizer; }

    long long sessions() {
        return live->query_scalar(
            L"select count(*) from information_schema.PROCESSLIST where DB = DATABASE()");
    }

    // A digest of the table's rows, to compare what landed with what was meant to.
    std::string digest(const std::string& table) {
        return scalar("select concat(count(*), ':', sum(crc32(concat(ID, '=', NAME)))) from `" +
                      db_name + "`.`" + table + "`");
    }

    udb_schema keyed;
    udb_indexes by_id;
};

TEST_F(sql_table_lanes_test, only_a_fresh_innodb_table_keyed_by_integers_takes_further_sessions) {
    REQUIRE_TEST_SERVER();
    const int rows = 30000;
    const auto fill = [&](const std::wstring& name, const udb_schema& fields,
                          const udb_indexes& keys) {
        auto table = db->create_table(name, fields, keys);
        std::string told;
        for (int id = 1; id <= rows; ++id) told += append(*table, id, text_of(id), id);
        EXPECT_EQ(told + flush(*table), "") << tk_to_utf8(name);
    };
    fill(L"NO_KEY", keyed, udb_indexes());
    udb_indexes by_name;
    by_name.push_back(udb_index(L"PK", false, true, {L"NAME"}));
    fill(L"TEXT_KEY", keyed, by_name);
    exec("create table `" + db_name + "`.OLD (ID int primary key, NAME varchar(100)) " +
         "engine=InnoDB");
    reopen(0);
    fill(L"OLD", keyed, by_id);
    engine->set_table_type(L"MyISAM");
    fill(L"MYISAM", keyed, by_id);
    engine->set_table_type(L"InnoDB");
    // Rows kept in arrival order, or a table that held rows before: one session.
    EXPECT_EQ(sessions(), 1);

    fill(L"KEYED", keyed, by_id);
    EXPECT_TRUE(overlapped());
    const std::string meant = digest("NO_KEY");
    for (const char* table : {"TEXT_KEY", "OLD", "MYISAM", "KEYED"})
        EXPECT_EQ(digest(table), meant) << table;
}

TEST_F(sql_table_lanes_test, the_first_row_of_a_key_wins_and_errors_come_in_record_order) {
    REQUIRE_TEST_SERVER();
    // Statements of this table end after rows 8,782, 17,488, 26,184, 34,880 and 43,576.  Keys
    // near the end of one statement come back at the start of the next, and later: had that
    // statement gone while the one before was stored, they would have won.  Into DEEP the first
    // key to come back does so when every session has a statement in flight.
    struct again {
        int record, key;
    };
    const struct {
        const wchar_t* table;
        std::vector<again> rows;
        const char* told;
    } cases[] = {{L"DUPS", {{8790, 8700}, {8800, 8760}, {30000, 29990}}, "#8790 #8800 #30000 "},
                 {L"DEEP", {{34900, 34800}, {34910, 34870}}, "#34900 #34910 "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(tk_to_utf8(c.table));
        auto table = db->create_table(c.table, keyed, by_id);
        std::string told;
        for (int id = 1; id <= 45000; ++id) {
            const auto found = std::find_if(c.rows.begin(), c.rows.end(),
                                            [id](const again& row) { return row.record == id; });
            if (found == c.rows.end())
                told += append(*table, id, text_of(id), id);
            else
                told += append(*table, found->key, L"again", id);
        }
        EXPECT_EQ(told + flush(*table), c.told);
        const std::string name = "`" + db_name + "`.`" + tk_to_utf8(c.table) + "`";
        EXPECT_EQ(scalar("select count(*) from " + name + " where NAME = 'again'"), "0");
        EXPECT_EQ(scalar("select count(*) from " + name), std::to_string(45000 - c.rows.size()));
    }
}

// The keys that let statements overlap are found among the columns of the rows' layout: rows
// of other columns start over without them, even when the held rows were sent just before.
TEST_F(sql_table_lanes_test, rows_of_other_columns_do_not_keep_the_keys_of_the_first) {
    REQUIRE_TEST_SERVER();
    // Rows name fewer fields than the table has: their fields pair with columns in their own
    // order.
    keyed.add_field(make_column(L"QTY", VT_I4, 4));
    keyed.add_field(make_column(L"NOTE", VT_BSTR, 10));
    auto table = db->create_table(L"RELAID", keyed, by_id);
    // First by NAME and ID: the key is the second field.
    for (int number = 1; number <= 10; ++number) {
        udb_record row;
        row.add_field(udb_field(L"NAME", static_cast<int>(k_text), ole_variant(text_of(number))));
        row.add_field(udb_field(L"ID", 4, ole_variant(1000000 + number)));
        ASSERT_EQ(told([&] { table->append_record(row, number); }), "");
    }
    ASSERT_EQ(flush(*table), "");
    // Then by ID, QTY and NAME, QTY unique as the second field: had it been taken for the key,
    // the keys coming back below, each just after the end of a statement (the rows are as long
    // as above), would have gone over sessions of their own.
    const struct {
        int record, key;
    } again[] = {{8790, 8770},   {17495, 17480}, {26190, 26180},
                 {34900, 34800}, {34910, 34870}, {43580, 43570}};
    std::string said;
    for (int r = 1; r <= 45000; ++r) {
        int id = r;
        std::wstring name = text_of(r, k_text - std::to_string(r).size() - 2);
        for (const auto& a : again)
            if (a.record == r) id = a.key, name = L"again";
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(id)));
        row.add_field(udb_field(L"QTY", 4, ole_variant(r)));
        row.add_field(udb_field(L"NAME", static_cast<int>(k_text), ole_variant(name)));
        said += told([&] { table->append_record(row, 10 + r); });
    }
    EXPECT_EQ(said + flush(*table), "#8800 #17505 #26200 #34910 #34920 #43590 ");
    const std::string name = "`" + db_name + "`.`RELAID`";
    EXPECT_EQ(scalar("select count(*) from " + name + " where NAME = 'again'"), "0");
    EXPECT_EQ(scalar("select count(*) from " + name), "45004");
}

TEST_F(sql_table_lanes_test, a_changed_value_is_told_under_its_record_whichever_session_stored_it) {
    REQUIRE_TEST_SERVER();
    auto table = db->create_table(L"LONGS", keyed, by_id);
    // A text too long for its column is stored cut, a warning of the session that stored it.
    std::string told;
    const std::vector<int> too_long = {4000, 13000, 13001, 22000, 31000, 39999};
    for (int id = 1; id <= 40000; ++id) {
        const bool cut = std::find(too_long.begin(), too_long.end(), id) != too_long.end();
        told += append(*table, id, text_of(id, cut ? k_text + 1 : k_text), id);
    }
    EXPECT_EQ(told + flush(*table), "#4000 #13000 #13001 #22000 #31000 #39999 ");
    EXPECT_EQ(scalar("select count(*) from `" + db_name + "`.LONGS"), "40000");
    EXPECT_TRUE(overlapped());
}

TEST_F(sql_table_lanes_test,
       a_lost_session_counts_the_rows_of_every_session_and_the_next_table_goes_on) {
    REQUIRE_TEST_SERVER();
    for (const bool lose_lane : {false, true}) {
        SCOPED_TRACE(lose_lane ? "a further session is lost" : "the connection is lost");
        const std::wstring name = lose_lane ? L"LOST_LANE" : L"LOST";
        auto table = db->create_table(name, keyed, by_id);
        for (int id = 1; id <= 30000; ++id) ASSERT_EQ(append(*table, id, text_of(id), id), "");
        ASSERT_TRUE(overlapped());
        // No further session to kill.
        if (lose_lane && sessions() == 1) continue;
        const long long session = live->query_scalar(
            std::wstring(L"select ID from information_schema.PROCESSLIST where DB = DATABASE() "
                         L"and ID ") +
            (lose_lane ? L"<>" : L"=") + L" CONNECTION_ID()");
        std::string out;
        ASSERT_EQ(run_client_sql("kill " + std::to_string(session), out), 0) << out;
        // A further session killed while idle may not be wanted again: then every row arrives.
        long long written = 60000;
        try {
            for (int id = 30001; id <= 60000; ++id) append(*table, id, text_of(id), id);
            flush(*table);
            EXPECT_TRUE(lose_lane) << "rows went over the killed connection without an error";
        } catch (const sql_rows_lost& e) {
            written = e.written();
        }
        table.reset();
        // Three statements of the rows before the kill were stored at least.
        ASSERT_GE(written, 26184) << "the rows went through a killed session";
        live->resume_session();
        EXPECT_EQ(live->query_scalar(L"select count(*) from " + name), written);
    }
    // The sessions are there again for the next table.
    auto table = db->create_table(L"AFTER", keyed, by_id);
    std::string told;
    for (int id = 1; id <= 30000; ++id) told += append(*table, id, text_of(id), id);
    EXPECT_EQ(told + flush(*table), "");
    EXPECT_EQ(live->query_scalar(L"select count(*) from AFTER"), 30000);
    EXPECT_TRUE(overlapped());
}

// A server of its own, to freeze.
class sql_table_lanes_frozen_test : public sql_engine_test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<private_test_server>("tw_lanes_"); }
    static void TearDownTestSuite() { s_server.reset(); }
    void TearDown() override {
        if (s_server) s_server->resume();
        unsetenv("TIDEWELL_MYSQL_TIMEOUT");
        sql_engine_test::TearDown();
    }

    static inline std::unique_ptr<private_test_server> s_server;
};

TEST_F(sql_table_lanes_frozen_test, a_server_that_stops_answering_costs_the_time_out_once) {
    REQUIRE_SERVER(s_server->facts);
    setenv("TIDEWELL_MYSQL_TIMEOUT", "4", 1);
    const test_server& server = s_server->facts;
    engine->connect(server.host, server.user, server.password, server.port);
    engine->set_table_type(L"InnoDB");
    engine->fast_append_mode = true;
    std::string out;
    s_server->sql("drop database if exists frozen_db", out);
    auto db = engine->create_and_open_db(L"frozen_db");
    udb_schema fields;
    fields.add_field(make_column(L"ID", VT_I4, 4, true));
    fields.add_field(make_column(L"NAME", VT_BSTR, k_text));
    udb_indexes keys;
    keys.push_back(udb_index(L"PK", false, true, {L"ID"}));
    auto table = db->create_table(L"FROZEN", fields, keys);
    const auto add = [&](int id) {
        udb_record row;
        row.add_field(udb_field(L"ID", 4, ole_variant(id)));
        row.add_field(
            udb_field(L"NAME", static_cast<int>(k_text), ole_variant(std::wstring(90, L'n'))));
        table->append_record(row);
    };
    const auto before = std::chrono::steady_clock::now();
    for (int id = 1; id <= 30000; ++id) add(id);
    // What making and sending these rows took: the rows after the freeze take as long before
    // their statements wait.
    const auto making = std::chrono::steady_clock::now() - before;
    s_server->pause();
    const auto start = std::chrono::steady_clock::now();
    bool lost = false;
    try {
        for (int id = 30001; id <= 90000; ++id) add(id);
        table->flush();
    } catch (const sql_rows_lost&) {
        lost = true;
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    s_server->resume();
    EXPECT_TRUE(lost);
    // Once, after the last statement went: each of four sessions waiting out its own time-out
    // would take sixteen seconds, and a statement waiting its time-out from when it is read
    // rather than sent, eight.
    EXPECT_LT(waited, std::chrono::seconds(4) + making + std::chrono::milliseconds(1500));
    table.reset();
    db.reset();
}

}  // namespace
