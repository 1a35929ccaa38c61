// The conversion run end to end: embedded Oracle sources converted into dump files that are
// replayed into the private server and compared cell by cell with the source.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SQL/sql_util.h"
#include "TK/tk_utils.h"
#include "converter/converter_test_support.h"
#include "lite_engine.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The demo schema of the repository, loaded once for the suite.
class demo_conversion_test : public conversion_test {
protected:
    static void SetUpTestSuite() { s_inst = make_demo_instance(); }
    static void TearDownTestSuite() { s_inst.reset(); }

    void SetUp() override {
        conversion_test::SetUp();
        connect_source(*s_inst, L"DEMO", L"demo");
    }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};

TEST_F(demo_conversion_test, every_table_arrives_cell_for_cell) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = conv->get_all_tables();
    ASSERT_FALSE(conv->selected_tables.empty());
    const std::string dump = run_to_dump("demo_all");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    EXPECT_TRUE(conv->m_finished);
    EXPECT_EQ(front->timer_period, 200);
    ASSERT_FALSE(front->lines.empty());
    EXPECT_EQ(front->lines[0], L"Converting database '" + conv->m_source_name + L"' (" +
                                   std::to_wstring(conv->selected_tables.size()) + L" tables)\n");

    const std::string db = database("demo");
    replay(dump, db);
    const std::vector<std::string> tables = server_tables(db);
    EXPECT_EQ(tables.size(), conv->selected_tables.size());
    for (const std::wstring& table : conv->selected_tables) {
        const std::string name = tk_to_utf8(table);
        SCOPED_TRACE(name);
        // Every column arrives, time stamps with their fractions included.
        EXPECT_TRUE(expect_same_table(*s_inst, "DEMO", "demo", name, db, name).empty());
    }
}

TEST_F(demo_conversion_test, progress_block_and_lines_follow_the_jobs) {
    conv->selected_tables = {L"CATEGORIES", L"ORDER_ITEMS"};
    conv->table_jobs = {{L"BIG_ORDERS", L"SELECT order_id, total FROM orders WHERE total > 100"}};
    run_to_dump("demo_progress");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    ASSERT_EQ(front->lines.size(), 5u);
    EXPECT_EQ(front->lines[0].find(L"(2 tables)"), front->lines[0].size() - 11);
    EXPECT_EQ(front->lines[1].rfind(L"Converting table 'BIG_ORDERS' (", 0), 0u);
    EXPECT_EQ(front->lines[2].rfind(L"Converting table 'CATEGORIES' (", 0), 0u);
    EXPECT_EQ(front->lines[3].rfind(L"Converting table 'ORDER_ITEMS' (", 0), 0u);
    EXPECT_NE(front->lines[4].find(L": 3 tables converted, 0 failed, 0 skipped; "),
              std::wstring::npos)
        << front->lines[4];
    // Counters return to 0 at the end; the job list stays as the user left it.
    EXPECT_EQ(conv->tables_done, 0);
    EXPECT_EQ(conv->tables_total, 0);
    EXPECT_EQ(conv->table_jobs.size(), 1u);
    EXPECT_EQ(conv->get_cur_table(), L"ORDER_ITEMS");
}

TEST_F(demo_conversion_test, empty_selection_still_writes_the_header) {
    const std::string dump = run_to_dump("demo_empty");
    ASSERT_EQ(front->lines.size(), 2u);
    EXPECT_EQ(front->lines[0], L"Converting database '" + conv->m_source_name + L"' (0 tables)\n");
    EXPECT_NE(front->lines[1].find(L": 0 tables converted, 0 failed, 0 skipped; 0 rows written"),
              std::wstring::npos)
        << front->lines[1];
    const std::string text = read_file(dump);
    EXPECT_TRUE(contains(text, "SET NAMES")) << text;
    EXPECT_FALSE(contains(text, "CREATE TABLE"));
    EXPECT_TRUE(conv->m_finished);
}

TEST_F(demo_conversion_test, query_under_a_selected_name_pushes_the_table_to_a_numbered_name) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"CATEGORIES"};
    conv->table_jobs = {
        {L"CATEGORIES", L"SELECT category_id, name FROM categories WHERE category_id < 3"}};
    const std::string dump = run_to_dump("demo_query_name");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    const std::string db = database("qname");
    replay(dump, db);
    EXPECT_EQ(server_tables(db), (std::vector<std::string>{"CATEGORIES", "CATEGORIES00000"}));
    expect_same_table(*s_inst, "DEMO", "demo", "CATEGORIES", db, "CATEGORIES00000");
}

TEST_F(demo_conversion_test, definitions_only_and_skipped_indexes) {
    REQUIRE_TEST_SERVER();
    conv->selected_tables = {L"CUSTOMERS", L"ORDERS"};
    conv->tab_def = true;
    conv->skip_idx = true;
    const std::string dump = run_to_dump("demo_tab_def");
    const std::string text = read_file(dump);
    EXPECT_FALSE(contains(text, "INSERT")) << text;
    EXPECT_FALSE(contains(text, "PRIMARY KEY"));
    EXPECT_FALSE(contains(text, "InnoDB"));
    EXPECT_TRUE(contains(text, "MyISAM"));
    const std::string db = database("tabdef");
    replay(dump, db);
    EXPECT_EQ(server_count(db, "CUSTOMERS"), 0);

    // Indexes read again once the switch is off, and the tables become InnoDB.
    conv->tab_def = false;
    conv->skip_idx = false;
    const std::string with_keys = read_file(run_to_dump("demo_keys"));
    EXPECT_TRUE(contains(with_keys, "PRIMARY KEY"));
    EXPECT_TRUE(contains(with_keys, "InnoDB"));
    EXPECT_FALSE(contains(with_keys, "MyISAM"));
}

TEST_F(demo_conversion_test, a_failing_job_lets_the_next_one_run) {
    REQUIRE_TEST_SERVER();
    conv->table_jobs = {{L"BROKEN", L"SELECT no_such_column FROM categories"}};
    conv->selected_tables = {L"CATEGORIES"};
    const std::string dump = run_to_dump("demo_failing_job");
    ASSERT_EQ(handler->errors.size(), 1u);
    EXPECT_EQ(handler->errors[0].text.rfind("BROKEN: ", 0), 0u) << handler->errors[0].text;
    EXPECT_FALSE(handler->errors[0].stop);
    const std::string db = database("failjob");
    replay(dump, db);
    expect_same_table(*s_inst, "DEMO", "demo", "CATEGORIES", db, "CATEGORIES");
}

TEST_F(demo_conversion_test, type_mapping_renames_retypes_and_deletes) {
    REQUIRE_TEST_SERVER();
    sql_table_mutator& table = conv->get_table_mutator(L"CATEGORIES", L"KINDS");
    table.update_field(L"NAME", L"LABEL", sql_native_type{L"VARCHAR", L"", L"", 60, 0, 0});
    sql_field_mutator& gone = table.update_field(L"DESCRIPTION", L"DESCRIPTION",
                                                 sql_native_type{L"TEXT", L"", L"", 0, 0, 0});
    gone.status = udb_field_mutator::status_deleted;
    table.update_field(L"CATEGORY_ID", L"ID", sql_native_type{L"NO_SUCH_TYPE", L"", L"", 20, 0, 0});
    conv->selected_tables = {L"CATEGORIES"};
    const std::string dump = run_to_dump("demo_mapping");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    const std::string text = read_file(dump);
    EXPECT_FALSE(contains(text, "DESCRIPTION"));
    const std::string db = database("mapping");
    replay(dump, db);
    EXPECT_EQ(server_tables(db), (std::vector<std::string>{"KINDS"}));
    std::string out;
    ASSERT_EQ(run_client_sql("select column_name, data_type from information_schema.columns where "
                             "table_schema='" +
                                 db + "' order by ordinal_position",
                             out),
              0);
    EXPECT_EQ(out, "ID\tvarchar\nLABEL\tvarchar\n");
    std::string source;
    s_inst->with_session("DEMO", "demo", [&](lite_session& s) {
        auto stmt = s.prepare("SELECT COUNT(*) FROM categories");
        stmt->execute();
        stmt->next();
        source = std::string(stmt->text(0));
    });
    EXPECT_EQ(std::to_string(server_count(db, "KINDS")), source);
}

TEST_F(demo_conversion_test, a_value_the_mapping_cannot_convert_costs_its_record_only) {
    REQUIRE_TEST_SERVER();
    conv->table_jobs = {{L"MIXED",
                         L"SELECT sku FROM products WHERE product_id <= 5 UNION ALL "
                         L"SELECT '17' FROM dual"}};
    sql_table_mutator& table = conv->get_table_mutator(L"MIXED", L"MIXED");
    table.update_field(L"SKU", L"SKU", sql_native_type{L"INT", L"", L"", 0, 0, 0});
    const std::string dump = run_to_dump("demo_bad_value");
    ASSERT_FALSE(handler->errors.empty());
    for (const auto& e : handler->errors) {
        EXPECT_EQ(e.level, 0);
        EXPECT_TRUE(contains(e.text, "MIXED, record #")) << e.text;
        EXPECT_TRUE(contains(e.text, "Data conversion is not supported for given type mapping"));
    }
    const std::string db = database("badvalue");
    replay(dump, db);
    EXPECT_EQ(server_count(db, "MIXED"), 1);
}

TEST_F(demo_conversion_test, abort_ends_the_run_and_leaves_no_half_dump) {
    REQUIRE_TEST_SERVER();
    conv->table_jobs = {{L"MIXED",
                         L"SELECT '1' AS v FROM dual UNION ALL SELECT 'x' FROM dual "
                         L"UNION ALL SELECT '3' FROM dual"}};
    conv->selected_tables = {L"CATEGORIES"};
    conv->get_table_mutator(L"MIXED", L"MIXED")
        .update_field(L"V", L"V", sql_native_type{L"INT", L"", L"", 0, 0, 0});
    handler->abort_at = 1;
    const std::string dump = run_to_dump("demo_abort");
    EXPECT_EQ(handler->errors.size(), 1u);
    EXPECT_TRUE(conv->m_finished);
    // Nothing after the abort: the table job never started, and the unfinished dump is not
    // put where a replay would take it for a whole one.
    EXPECT_EQ(front->lines.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(dump));
    EXPECT_FALSE(std::filesystem::exists(dump + ".part"));
}

TEST_F(demo_conversion_test, long_names_are_repaired_and_never_collide) {
    REQUIRE_TEST_SERVER();
    const std::wstring stem(70, L'Q');
    conv->table_jobs = {{stem + L"1", L"SELECT 1 AS a FROM dual"},
                        {stem + L"2", L"SELECT 2 AS a FROM dual"}};
    const std::string dump = run_to_dump("demo_long_names");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    const std::string db = database("longnames");
    replay(dump, db);
    const std::vector<std::string> tables = server_tables(db);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_NE(tables[0], tables[1]);
    for (const std::string& t : tables) EXPECT_LE(t.size(), 64u);
}

TEST_F(demo_conversion_test, a_run_without_a_front_end_is_an_internal_error) {
    front.reset();
    try {
        (*conv)();
        FAIL() << "no error";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.level(), 2);
    }
    // The flag is never left clear for a poller to wait on.
    EXPECT_TRUE(conv->m_finished);
}

TEST_F(demo_conversion_test, console_form_takes_every_table_and_skips_missing_ones) {
    front->console = true;
    conv->mysql_engine.fast_append_mode = true;
    const std::string all = read_file(run_to_dump("demo_console_all"));
    const auto tables = conv->get_all_tables();
    // The database line, one line per table, the summary.
    EXPECT_EQ(front->lines.size(), tables.size() + 2);
    for (const std::wstring& t : tables)
        EXPECT_TRUE(contains(all, "CREATE TABLE `" + tk_to_utf8(t) + "`")) << tk_to_utf8(t);
    EXPECT_TRUE(conv->mysql_engine.fast_append_mode);

    front->lines.clear();
    conv->selected_tables = {L"NOPE", L"CATEGORIES"};
    const std::string some = read_file(run_to_dump("demo_console_some"));
    EXPECT_EQ(front->missing, std::vector<std::wstring>{L"NOPE"});
    EXPECT_TRUE(handler->errors.empty());
    EXPECT_NE(front->lines.back().find(L"1 tables converted, 0 failed, 1 skipped; 5 rows written, "
                                       L"0 record errors"),
              std::wstring::npos)
        << front->lines.back();
    EXPECT_TRUE(contains(some, "CREATE TABLE `CATEGORIES`"));
    EXPECT_FALSE(contains(some, "NOPE"));
}

TEST_F(demo_conversion_test, a_missing_table_is_a_table_error_in_the_wizard) {
    conv->selected_tables = {L"NOPE", L"CATEGORIES"};
    const std::string some = read_file(run_to_dump("demo_wizard_missing"));
    ASSERT_EQ(handler->errors.size(), 1u);
    EXPECT_EQ(handler->errors[0].text, "NOPE: Table 'NOPE' does not exist in the source database.");
    EXPECT_TRUE(contains(some, "CREATE TABLE `CATEGORIES`"));
    // The wizard sends rows one statement each.
    EXPECT_FALSE(conv->mysql_engine.fast_append_mode);
}

// A source table none of whose columns can be read is reported and skipped.
class odd_source_test : public conversion_test {};

TEST_F(odd_source_test, zones_and_intervals_are_converted_and_unreadable_columns_reported) {
    ora_test_instance inst;
    inst.add_user("ODD", "odd");
    inst.run("ODD", "odd",
             {"CREATE TABLE ONLY_ODD (TZ TIMESTAMP WITH TIME ZONE, IV INTERVAL DAY TO SECOND)",
              "CREATE TABLE PLAIN (ID NUMBER(4), F BFILE)", "INSERT INTO PLAIN (ID) VALUES (1)"});
    connect_source(inst, L"ODD", L"odd");
    conv->selected_tables = {L"ONLY_ODD", L"PLAIN"};
    const std::string text = read_file(run_to_dump("odd_source"));
    EXPECT_TRUE(contains(text, "CREATE TABLE `ONLY_ODD`")) << text;
    EXPECT_TRUE(contains(text, "`TZ` DATETIME/*!50604 (6)*/")) << text;
    // The user hears of a column whose values cannot be carried; the trace alone is not enough.
    ASSERT_EQ(handler->errors.size(), 1u);
    EXPECT_EQ(handler->errors[0].level, 0);
    EXPECT_TRUE(contains(handler->errors[0].text, "Table 'PLAIN': column 'F'"))
        << handler->errors[0].text;
    EXPECT_TRUE(contains(text, "CREATE TABLE `PLAIN`"));
}

TEST_F(odd_source_test, awkward_values_arrive_byte_for_byte) {
    REQUIRE_TEST_SERVER();
    ora_test_instance inst;
    inst.add_user("ZOO", "zoo");
    inst.run("ZOO", "zoo",
             {"CREATE TABLE EDGE (ID NUMBER(4) PRIMARY KEY, T VARCHAR2(100 CHAR), "
              "N NUMBER(12,2), BIG NUMBER(18), D DATE, R RAW(16), C CLOB, B BLOB)"});
    std::string big_text;
    for (int i = 0; big_text.size() < 1300000; ++i)
        big_text += "line " + std::to_string(i) + " \xF0\x9F\x98\x80 'q' \\ \n";
    std::vector<unsigned char> big_bytes(1200000);
    for (std::size_t i = 0; i < big_bytes.size(); ++i)
        big_bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    inst.with_session("ZOO", "zoo", [&](lite_session& s) {
        auto add = s.prepare(
            "INSERT INTO EDGE VALUES (:1, :2, :3, :4, TO_DATE(:5, 'YYYY-MM-DD HH24:MI:SS'), "
            "HEXTORAW(:6), :7, :8)");
        auto row = [&](int id, const char* t, const char* n, const char* big, const char* d,
                       const char* r, const std::string& c, std::span<const unsigned char> b) {
            add->bind_int64(1, id);
            add->bind_text(2, t);
            add->bind_text(3, n);
            add->bind_text(4, big);
            add->bind_text(5, d);
            add->bind_text(6, r);
            add->bind_text(7, c);
            if (b.empty())
                add->bind_null(8);
            else
                add->bind_bytes(8, b);
            add->execute();
        };
        const unsigned char three[] = {0, 255, 10};
        row(1, "", "", "", "", "", "", {});
        row(2, "it's a \"quote\" and a \\ backslash", "-1234567890.12", "-999999999999999999",
            "1850-03-01 00:00:00", "00FF10", "short", three);
        row(3, "\xF0\x9F\x98\x80 four-byte \xE2\x82\xAC", "0.01", "999999999999999999",
            "2024-02-29 23:59:59", "DEADBEEF", big_text, big_bytes);
        row(4, "tab\there\r\nnew line", "9999999999.99", "0", "0001-01-01 00:00:00", "", "x", {});
    });
    connect_source(inst, L"ZOO", L"zoo");
    conv->selected_tables = {L"EDGE"};
    // Four-byte characters need the full UTF-8 set on the server.
    conv->mysql_engine.set_character_set(L"utf8mb4");
    const std::string dump = run_to_dump("zoo_edge");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    const std::string db = database("edge");
    replay(dump, db);
    EXPECT_TRUE(expect_same_table(inst, "ZOO", "zoo", "EDGE", db, "EDGE").empty());
}

// The human-resources sample, when the shared samples are present.
TEST_F(odd_source_test, hr_sample_arrives_cell_for_cell) {
    REQUIRE_TEST_SERVER();
    std::string why;
    const std::string dir = sample_dir("human_resources", why);
    if (dir.empty()) GTEST_SKIP() << why;
    auto inst_owner = make_hr_instance(dir);
    ora_test_instance& inst = *inst_owner;
    connect_source(inst, L"HR", L"hr");
    conv->selected_tables = conv->get_all_tables();
    ASSERT_EQ(conv->selected_tables.size(), 7u);
    const std::string dump = run_to_dump("hr_all");
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    const std::string db = database("hr");
    replay(dump, db);
    for (const std::wstring& table : conv->selected_tables) {
        const std::string name = tk_to_utf8(table);
        EXPECT_TRUE(expect_same_table(inst, "HR", "hr", name, db, name).empty()) << name;
    }
    EXPECT_EQ(server_count(db, "EMPLOYEES"), 107);
}

}  // namespace
