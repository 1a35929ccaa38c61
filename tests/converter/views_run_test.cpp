// The selected views of a run: created after the tables in the server and in the dump, with the
// rows of the source view, whatever case the view's text writes its names in and whatever names
// the run gave the tables and columns; a view that fails is reported under its name.
#include <gtest/gtest.h>

#include <algorithm>

#include "TK/tk_utils.h"
#include "converter/converter_test_support.h"

namespace {

class views_run_test : public conversion_test {
protected:
    static void SetUpTestSuite() {
        s_inst = make_demo_instance();
        // The demo's own CUSTOMER_TOTALS joins two tables in lower case.
        s_inst->run(
            "DEMO", "demo",
            {"CREATE VIEW big_spenders AS SELECT customer_id, spent FROM customer_totals "
             "WHERE spent > 100",
             "CREATE VIEW customer_labels AS SELECT \"CUSTOMER_ID\", full_name || ' <' || "
             "NVL(email, '-') || '> \\' AS label, NVL(credit_limit, 0) AS credit FROM "
             "demo.customers WHERE country <> 'XX' OR country IS NULL",
             "CREATE TABLE \"GAME/SCORES\" (id NUMBER(4), \"PTS+BONUS\" NUMBER(6))",
             "INSERT INTO \"GAME/SCORES\" VALUES (1, 10)",
             "INSERT INTO \"GAME/SCORES\" VALUES (2, 25)",
             "CREATE VIEW top_scores AS SELECT id, \"PTS+BONUS\" AS total FROM \"GAME/SCORES\" "
             "WHERE \"PTS+BONUS\" > 20",
             "CREATE VIEW kinds AS SELECT name FROM categories",
             "CREATE VIEW named_columns (cid, who, twice) AS SELECT customer_id, c.full_name, "
             "customer_id * 2 FROM customers c",
             "CREATE VIEW kind_count AS SELECT COUNT(*) AS n FROM kinds",
             "CREATE VIEW order_states AS SELECT order_id, DECODE(status, 'NEW', 'open', "
             "'SENT', 'done', NULL, 'unknown', 'other') AS state FROM orders",
             "CREATE VIEW numbered AS SELECT rownum AS n, full_name FROM customers"});
    }
    static void TearDownTestSuite() { s_inst.reset(); }

    void SetUp() override {
        conversion_test::SetUp();
        connect_source(*s_inst, L"DEMO", L"demo");
        conv->selected_tables = {L"CUSTOMERS", L"ORDERS", L"GAME/SCORES"};
    }

    // The source's views of these names, in this order.
    void select_views(const std::vector<std::wstring>& names) {
        const udb_database::view_list all = conv->get_all_views();
        for (const std::wstring& name : names) {
            auto found = std::find_if(all.begin(), all.end(),
                                      [&](const auto& view) { return view.first == name; });
            ASSERT_NE(found, all.end()) << tk_to_utf8(name);
            conv->selected_views.push_back(*found);
        }
    }

    std::vector<std::string> server_views(const std::string& db) {
        std::string out;
        EXPECT_EQ(run_client_sql("select table_name from information_schema.views where "
                                 "table_schema = '" +
                                     db + "' order by table_name",
                                 out),
                  0)
            << out;
        std::vector<std::string> names;
        std::size_t start = 0;
        for (std::size_t end = out.find('\n'); end != std::string::npos;
             start = end + 1, end = out.find('\n', start))
            names.push_back(out.substr(start, end - start));
        return names;
    }

    void expect_same_views(const std::string& db, const std::vector<std::string>& views) {
        for (const std::string& view : views) {
            SCOPED_TRACE(view);
            EXPECT_TRUE(expect_same_table(*s_inst, "DEMO", "demo", view, db, view).empty());
        }
    }

    // The errors shown, as their texts.
    std::vector<std::string> shown() {
        std::vector<std::string> texts;
        for (const auto& e : handler->errors) texts.push_back(e.text);
        return texts;
    }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};

const std::vector<std::string> k_good_views = {"BIG_SPENDERS",    "CUSTOMER_LABELS",
                                               "CUSTOMER_TOTALS", "NAMED_COLUMNS",
                                               "ORDER_STATES",    "TOP_SCORES"};

TEST_F(views_run_test, selected_views_land_in_the_server_and_failures_are_told_by_name) {
    REQUIRE_TEST_SERVER();
    select_views({L"CUSTOMER_TOTALS", L"BIG_SPENDERS", L"CUSTOMER_LABELS", L"TOP_SCORES",
                  L"ORDER_STATES", L"NAMED_COLUMNS", L"KINDS", L"NUMBERED"});
    // Table names compare exactly here, as on most Linux servers: CUSTOMERS is not customers.
    std::string out;
    ASSERT_EQ(run_client_sql("select @@lower_case_table_names", out), 0) << out;
    ASSERT_EQ(out, "0\n");
    const std::string db = database("views_live");
    run_to_server(db);
    EXPECT_EQ(server_views(db), k_good_views);
    expect_same_views(db, k_good_views);
    // CATEGORIES was not converted: the server's word for it, under the view's name.
    const std::vector<std::string> errors = shown();
    ASSERT_EQ(errors.size(), 2u) << testing::PrintToString(errors);
    EXPECT_EQ(errors[0].rfind("View 'KINDS': ", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find("categories' doesn't exist"), std::string::npos) << errors[0];
    EXPECT_EQ(errors[1], "View 'NUMBERED': the view uses Oracle's ROWNUM, which MySQL lacks");
    for (const auto& e : handler->errors) EXPECT_EQ(e.level, 0);
    const bool told = std::any_of(front->lines.begin(), front->lines.end(), [](const auto& l) {
        return l == L"Creating view 'TOP_SCORES'\n";
    });
    EXPECT_TRUE(told);
    // The run's last line counts the views that were created, not those that failed.
    ASSERT_FALSE(front->lines.empty());
    EXPECT_NE(front->lines.back().find(L"0 record errors, 6 views."), std::wstring::npos)
        << tk_to_utf8(front->lines.back());
}

TEST_F(views_run_test, views_follow_tables_and_columns_the_run_renamed) {
    REQUIRE_TEST_SERVER();
    sql_table_mutator& clients = conv->get_table_mutator(L"CUSTOMERS", L"CLIENTS");
    clients.update_field(L"EMAIL", L"MAIL", sql_native_type{L"VARCHAR", L"", L"", 80, 0, 0});
    // CUSTOMER_TOTALS lists FULL_NAME as a column of its own: the view's column keeps its name.
    clients.update_field(L"FULL_NAME", L"NAME", sql_native_type{L"VARCHAR", L"", L"", 60, 0, 0});
    select_views({L"CUSTOMER_TOTALS", L"BIG_SPENDERS", L"CUSTOMER_LABELS", L"TOP_SCORES",
                  L"ORDER_STATES", L"NAMED_COLUMNS"});
    const std::string db = database("views_renamed");
    run_to_server(db);
    EXPECT_TRUE(handler->errors.empty()) << testing::PrintToString(shown());
    EXPECT_EQ(server_tables(db),
              (std::vector<std::string>{"BIG_SPENDERS", "CLIENTS", "CUSTOMER_LABELS",
                                        "CUSTOMER_TOTALS", "GAME_SCORES", "NAMED_COLUMNS", "ORDERS",
                                        "ORDER_STATES", "TOP_SCORES"}));
    expect_same_views(db, k_good_views);
}

TEST_F(views_run_test, a_dump_writes_the_views_after_the_tables_and_replays) {
    REQUIRE_TEST_SERVER();
    // BIG_SPENDERS reads CUSTOMER_TOTALS, KIND_COUNT reads KINDS: each waits for its view.
    select_views({L"BIG_SPENDERS", L"CUSTOMER_TOTALS", L"CUSTOMER_LABELS", L"TOP_SCORES",
                  L"ORDER_STATES", L"NAMED_COLUMNS", L"KIND_COUNT", L"KINDS", L"NUMBERED"});
    const std::string dump = run_to_dump("views");
    // Views that would stop the replay are told instead of written.
    const std::vector<std::string> errors = shown();
    ASSERT_EQ(errors.size(), 3u) << testing::PrintToString(errors);
    EXPECT_EQ(errors[0], "View 'KINDS': the view reads CATEGORIES, which this run did not convert");
    EXPECT_EQ(errors[1],
              "View 'KIND_COUNT': the view reads the view KINDS, which could not be created");
    EXPECT_EQ(errors[2], "View 'NUMBERED': the view uses Oracle's ROWNUM, which MySQL lacks");
    const std::string text = read_file(dump);
    EXPECT_LT(text.rfind("INSERT IGNORE INTO"),
              text.find("CREATE OR REPLACE VIEW `CUSTOMER_TOTALS`"));
    EXPECT_LT(text.find("VIEW `CUSTOMER_TOTALS`"), text.find("VIEW `BIG_SPENDERS`"));
    const std::string db = database("views_dump");
    replay(dump, db);
    EXPECT_EQ(server_views(db), k_good_views);
    expect_same_views(db, k_good_views);
}

}  // namespace

// The human-resources sample's own view, over four tables and closed WITH READ ONLY.
class hr_views_run_test : public conversion_test {};

TEST_F(hr_views_run_test, the_samples_view_lands_with_its_rows) {
    REQUIRE_TEST_SERVER();
    std::string why;
    const std::string dir = sample_dir("human_resources", why);
    if (dir.empty()) GTEST_SKIP() << why;
    auto hr = make_hr_instance(dir);
    connect_source(*hr, L"HR", L"hr");
    conv->selected_tables = conv->get_all_tables();
    conv->selected_views = conv->get_all_views();
    ASSERT_EQ(conv->selected_views.size(), 1u);
    const test_server& s = get_test_server();
    conv->store_mysql_settings(s.host, s.user, s.password, std::to_string(s.port));
    conv->connect_mysql_server();
    conv->mysql_direct = true;
    const std::string db = database("views_hr");
    conv->m_destination_name = tk_to_unicode(db);
    (*conv)();
    EXPECT_TRUE(handler->errors.empty()) << handler->errors.front().text;
    EXPECT_TRUE(
        expect_same_table(*hr, "HR", "hr", "EMP_DETAILS_VIEW", db, "EMP_DETAILS_VIEW").empty());
}
