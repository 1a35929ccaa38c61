// The conversion run into the live server: every cell arrives, one statement per row (the
// wizard) or in batches (the agent); rows the server refuses are reported one by one; a server
// that goes away mid-table ends that table and the run without hanging.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TK/tk_utils.h"
#include "converter/live_conversion_test.h"

namespace {

bool starts_with(const std::string& text, const std::string& head) {
    return text.rfind(head, 0) == 0;
}

TEST_F(live_conversion_test, one_statement_per_row_and_batched_give_the_same_cells) {
    conv->selected_tables = conv->get_all_tables();
    const std::string one = database("live_rows");
    run_into(one);
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    expect_all_tables(one);

    front->console = true;
    conv->mysql_engine.fast_append_mode = true;
    const std::string batched = database("live_batch");
    run_into(batched);
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    expect_all_tables(batched);
}

TEST_F(live_conversion_test, refused_rows_are_reported_each_and_the_others_land) {
    front->console = true;
    conv->mysql_engine.fast_append_mode = true;
    conv->table_jobs = {{L"SHORT",
                         L"SELECT customer_id, CASE WHEN MOD(customer_id, 2) = 0 THEN 'ab' ELSE "
                         L"full_name END AS full_name FROM customers"}};
    // Names longer than five characters do not fit the mapped column.
    conv->get_table_mutator(L"SHORT", L"SHORT")
        .update_field(L"FULL_NAME", L"FULL_NAME", sql_native_type{L"VARCHAR", L"", L"", 5, 0, 0});
    const std::string db = database("live_short");
    run_into(db);
    ASSERT_FALSE(handler->errors.empty());
    for (const auto& e : handler->errors) {
        EXPECT_EQ(e.level, 0);
        EXPECT_TRUE(starts_with(e.text, "SHORT, record #")) << e.text;
        EXPECT_NE(e.text.find("FULL_NAME"), std::string::npos) << e.text;
    }
    // Every odd row is told; whether the server kept it cut or refused it, no row is lost
    // without a word and every short value landed.
    EXPECT_EQ(handler->errors.size(), 250u);
    std::string out;
    ASSERT_EQ(run_client_sql("select count(*) from `" + db + "`.SHORT where full_name = 'ab'", out),
              0);
    EXPECT_EQ(out, "250\n");
}

TEST_F(live_conversion_test, a_server_that_goes_away_ends_the_table_and_the_run) {
    // A server of this test's own, so that stopping it touches no other test.
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("tw-gone-" + std::to_string(::getpid())))
            .string();
    const std::string script = std::string(TW_SOURCE_DIR) + "/scripts/mariadb-test-server.sh";
    ASSERT_EQ(std::system(("bash " + script + " start " + dir + " >/dev/null 2>&1").c_str()), 0);
    std::ifstream env(dir + "/env");
    int port = 0;
    for (std::string line; std::getline(env, line);)
        if (starts_with(line, "TW_MYSQL_PORT=")) port = std::stoi(line.substr(14));
    ASSERT_GT(port, 0);
    connect_server("127.0.0.1", port);

    struct stopping_front_end : test_front_end {
        std::string stop_command;
        void write_log(const std::wstring& line) override {
            test_front_end::write_log(line);
            if (line.rfind(L"Converting table 'ORDER_ITEMS'", 0) == 0)
                (void)std::system(stop_command.c_str());
        }
    };
    front.reset();
    auto stopping = std::make_unique<stopping_front_end>();
    stopping->stop_command = "bash " + script + " stop " + dir + " >/dev/null 2>&1";
    conv->selected_tables = {L"CATEGORIES", L"ORDER_ITEMS", L"PRODUCTS"};
    run_into("gone");
    EXPECT_TRUE(conv->m_finished);
    ASSERT_EQ(handler->errors.size(), 2u);
    EXPECT_TRUE(starts_with(handler->errors[0].text, "ORDER_ITEMS: ")) << handler->errors[0].text;
    EXPECT_TRUE(starts_with(handler->errors[1].text, "PRODUCTS: ")) << handler->errors[1].text;
    std::filesystem::remove_all(dir);
}

TEST_F(live_conversion_test, modes_on_tables_that_exist) {
    conv->selected_tables = {L"CATEGORIES"};
    const std::string db = database("live_modes");
    run_into(db);
    ASSERT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    auto value = [&](const std::string& sql) {
        std::string out;
        EXPECT_EQ(run_client_sql(sql, out), 0) << out;
        return out;
    };
    const std::string table = "`" + db + "`.CATEGORIES";
    const std::string original = value("select category_id, name from " + table + " order by 1");
    auto tamper = [&] {
        value("update " + table + " set name = concat('x', name) where category_id = 1");
        value("insert into " + table + " (category_id, name) values (99, 'extra')");
    };

    // 2 skips the table: the changes stay.
    tamper();
    conv->mode = 2;
    run_into(db);
    EXPECT_NE(value("select category_id, name from " + table + " order by 1"), original);
    // 1 empties it and fills it again, keeping its definition.
    value("alter table " + table + " comment 'kept'");
    conv->mode = 1;
    run_into(db);
    EXPECT_EQ(value("select category_id, name from " + table + " order by 1"), original);
    EXPECT_EQ(value("select table_comment from information_schema.tables where table_schema='" +
                    db + "' and table_name='CATEGORIES'"),
              "kept\n");
    // 3 merges: rows with existing keys stay as they are, without a word.
    tamper();
    conv->mode = 3;
    run_into(db);
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    EXPECT_EQ(value("select name from " + table + " where category_id = 1").rfind('x', 0), 0u);
    // 4 replaces rows with equal keys and keeps the others.
    conv->mode = 4;
    run_into(db);
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    EXPECT_EQ(
        value("select category_id, name from " + table + " where category_id <> 99 order by 1"),
        original);
    EXPECT_EQ(value("select name from " + table + " where category_id = 99"), "extra\n");
}

TEST_F(live_conversion_test, hr_sample_arrives_cell_for_cell) {
    std::string why;
    const std::string dir = sample_dir("human_resources", why);
    if (dir.empty()) GTEST_SKIP() << why;
    auto inst_owner = make_hr_instance(dir);
    ora_test_instance& inst = *inst_owner;
    connect_source(inst, L"HR", L"hr");
    conv->selected_tables = conv->get_all_tables();
    const std::string db = database("live_hr");
    run_into(db);
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    for (const std::wstring& table : conv->selected_tables) {
        const std::string name = tk_to_utf8(table);
        EXPECT_TRUE(expect_same_table(inst, "HR", "hr", name, db, name).empty()) << name;
    }
}

}  // namespace
