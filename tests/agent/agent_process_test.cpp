// QUILLRUN run as a user runs it: a separate process with its command line, its console output and
// its exit status, against embedded Oracle instances and the private MariaDB server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TK/tk_utils.h"
#include "agent/agent_console.h"
#include "agent/agent_test_support.h"
#include "converter/tabshift_convertor.h"
#include "lite_engine.h"

namespace {

const std::string k_usage = std::string(k_usage_text) + "\n";

TEST_F(agent_test, usage_and_refused_options) {
    agent_result r = run({});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, k_usage);
    EXPECT_EQ(r.out, "");

    r = run({"--help"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, k_usage);

    // The usage comes from --help at once: unmatched arguments are judged after the last one.
    r = run({"--what", "--help"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, k_usage);

    r = run({"--what"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, k_usage);

    r = run({"--silent", "--what"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err, "");

    for (const char* mode : {"--mode=01", "--mode=+1", "--mode=4", "--mode=", "--mode=x"}) {
        r = run({mode});
        EXPECT_EQ(r.status, 255) << mode;
        EXPECT_EQ(r.err, "Invalid merge/overwrite mode\n") << mode;
    }
    r = run({"--mode=3"});
    EXPECT_EQ(r.err, "You should enter Oracle database name\n");
    r = run({"--src=DEMO"});
    EXPECT_EQ(r.err, "You should enter destination MySQL database or dump file name\n");
    r = run({"--src=DEMO", "--dest=x", "--oraclh="});
    EXPECT_EQ(r.err, "You should enter network name or IP address of Oracle server\n");
    EXPECT_EQ(r.status, 255);

    std::vector<std::string> many;
    many.reserve(21);
    for (int i = 0; i < 21; ++i) many.push_back("x" + std::to_string(i));
    r = run(many);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out.rfind("Internal error: ", 0), 0u) << r.out;
}

TEST_F(agent_test, table_list_files) {
    const std::string dump = work + "/demo.sql";
    agent_result r = run({"--src=DEMO", "--oraclu=DEMO", "--oraclp=demo", "--view_owned", "--dump",
                          "--dest=" + dump, "--tab_file=" + work + "/none.txt"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.err,
              "Table names file does not exist.\nPlease verify the correct path/name was given.\n");

    // A byte-order mark on the first non-empty line, Windows line ends, a table the source
    // lacks, and a line longer than any buffer.
    std::ofstream(work + "/list.txt", std::ios::binary)
        << "\r\n\xEF\xBB\xBF"
           "CATEGORIES\r\nNOPE\r\n"
        << std::string(300, 'L') << "\r\nORDERS\r\n";
    r = run({"--src=DEMO", "--oraclu=DEMO", "--oraclp=demo", "--view_owned", "--dump",
             "--dest=" + dump, "--tab_file=" + work + "/list.txt"});
    // Tables asked for and not converted make the run's status an error.
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(r.err, "Table NOPE not exists\nTable " + std::string(300, 'L') + " not exists\n");
    EXPECT_NE(r.out.find("Converting database 'DEMO' (4 tables)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Converting table 'CATEGORIES' ("), std::string::npos);
    EXPECT_NE(r.out.find("Converting table 'ORDERS' ("), std::string::npos);
    const std::string text = read_file(dump);
    EXPECT_NE(text.find("CREATE TABLE `CATEGORIES`"), std::string::npos);
    EXPECT_EQ(text.find("CREATE TABLE `CUSTOMERS`"), std::string::npos);

    // Silent: no progress and no notice.
    r = run({"--silent", "--src=DEMO", "--oraclu=DEMO", "--oraclp=demo", "--view_owned", "--dump",
             "--dest=" + dump, "--tab_file=" + work + "/list.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out + r.err, "");
}

TEST_F(agent_test, errors_are_reported_on_one_line_with_a_status) {
    agent_result r = run({"--src=DEMO", "--oraclu=DEMO", "--oraclp=demo", "--dump",
                          "--dest=" + work + "/no/such/folder/x.sql"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(
        r.out,
        "Error:\nDestination path does not exist. Please verify the correct path was given.\n");

    // A refused logon stops the work before the run: not a success.
    r = run(
        {"--src=DEMO", "--oraclu=DEMO", "--oraclp=wrong", "--dump", "--dest=" + work + "/x.sql"});
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_EQ(r.out, "Error:\nInvalid user name or password.\n");
    EXPECT_FALSE(std::filesystem::exists(work + "/x.sql"));
}

TEST_F(agent_test, a_profile_then_options_that_follow_it) {
    const std::string profile = work + "/run.kvt";
    const std::string dump = work + "/from-profile.sql";
    ASSERT_TRUE(store_categories_profile(profile, dump, L"NOWHERE"));
    // The source named after the profile wins; the profile's other settings stand, and the
    // required-value checks do not run.
    agent_result r = run({"--profile=" + profile, "--src=DEMO", "--oraclu=nobody"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("Converting database 'DEMO' (1 tables)\n", 0), 0u) << r.out;
    EXPECT_NE(read_file(dump).find("CREATE TABLE `CATEGORIES`"), std::string::npos);

    r = run({"--profile=" + work + "/missing.kvt"});
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out.rfind("Error:\n", 0), 0u) << r.out;
}

TEST_F(agent_test, hr_sample_into_the_server_and_a_dump) {
    REQUIRE_TEST_SERVER();
    const std::string dir = std::string(TW_SHARED_DIR) + "/oracle-samples/human_resources";
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "sample schema not found in " << dir;
    auto hr_owner = make_hr_instance(dir);
    ora_test_instance& hr = *hr_owner;
    std::filesystem::create_symlink(hr.dir(), work + "/home/HR");
    const test_server& s = get_test_server();
    const std::string db = new_database("agent_hr");
    std::vector<std::string> source = {"--src=HR", "--oraclu=HR", "--oraclp=hr", "--view_owned"};
    std::vector<std::string> live = source;
    for (const std::string& a : {"--dest=" + db, "--mysqlh=" + s.host, "--mysqlu=" + s.user,
                                 "--mysqlp=" + s.password, "--myport=" + std::to_string(s.port)})
        live.push_back(a);
    agent_result r = run(live);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(server_value("select count(*), sum(salary), count(commission_pct) from `" + db +
                           "`.EMPLOYEES"),
              "107\t691416.00\t35");
    std::vector<std::string> to_dump = source;
    to_dump.push_back("--dump");
    to_dump.push_back("--dest=" + work + "/hr.sql");
    r = run(to_dump);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string replayed = new_database("agent_hr_dump");
    std::string out;
    ASSERT_EQ(run_client_sql("create database `" + replayed + "`", out), 0);
    ASSERT_EQ(run_client_file(work + "/hr.sql", replayed, out), 0) << out;
    EXPECT_EQ(server_value("select count(*), sum(salary), count(commission_pct) from `" + replayed +
                           "`.EMPLOYEES"),
              "107\t691416.00\t35");
}

TEST_F(agent_test, demo_into_the_server_and_the_modes_on_a_second_run) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("agent_demo");
    std::vector<std::string> args = server_args(db);
    agent_result r = run(args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    const std::string categories = server_value("select count(*) from `" + db + "`.CATEGORIES");
    const std::string customers = server_value("select count(*) from `" + db + "`.CUSTOMERS");
    EXPECT_EQ(categories, "5");
    const std::string sum =
        server_value("select sum(credit_limit), count(email) from `" + db + "`.CUSTOMERS");

    // Mode 2 skips tables that exist; mode 1 empties and refills them; mode 3 merges (the
    // duplicate keys are swallowed).
    for (const char* mode : {"--mode=2", "--mode=1", "--mode=3"}) {
        std::vector<std::string> again = args;
        again.push_back(mode);
        r = run(again);
        EXPECT_EQ(r.status, 0) << mode << r.out << r.err;
        EXPECT_EQ(server_value("select count(*) from `" + db + "`.CATEGORIES"), categories) << mode;
        EXPECT_EQ(server_value("select count(*) from `" + db + "`.CUSTOMERS"), customers) << mode;
        EXPECT_EQ(
            server_value("select sum(credit_limit), count(email) from `" + db + "`.CUSTOMERS"),
            sum);
    }
    // Mode 0 drops the database first: a table added by hand is gone.
    server_value("create table `" + db + "`.extra (x int)");
    args.push_back("--mode=0");
    r = run(args);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(server_value("select count(*) from information_schema.tables where table_schema='" +
                           db + "' and table_name='extra'"),
              "0");
}

TEST_F(agent_test, a_profile_with_selected_views_creates_them_and_tells_the_one_that_fails) {
    REQUIRE_TEST_SERVER();
    const test_server& s = get_test_server();
    const std::string db = new_database("agent_views");
    const auto store = [&](const std::string& path, const tabshift_convertor::text_pairs& views) {
        tabshift_convertor conv;
        conv.m_source_name = L"DEMO";
        conv.m_destination_name = tk_to_unicode(db);
        conv.mysql_direct = true;
        conv.oracle_engine.b_owned_by_user = true;
        conv.store_oracle_settings(L"", L"DEMO", L"demo", L"");
        conv.store_mysql_settings(s.host, s.user, s.password, std::to_string(s.port));
        conv.selected_tables = {L"CUSTOMERS", L"ORDERS"};
        conv.selected_views = views;
        ASSERT_TRUE(conv.store_profile_file(tk_to_unicode(path)));
    };
    const std::pair<std::wstring, std::wstring> totals = {
        L"CUSTOMER_TOTALS",
        L"SELECT c.customer_id, c.full_name, COUNT(o.order_id) AS orders, SUM(o.total) AS spent "
        L"FROM customers c, orders o WHERE o.customer_id = c.customer_id "
        L"GROUP BY c.customer_id, c.full_name"};
    store(work + "/views.kvt", {totals});
    agent_result r = run({"--profile=" + work + "/views.kvt"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string source;
    s_demo->with_session("DEMO", "demo", [&](lite_session& session) {
        auto stmt = session.prepare("SELECT COUNT(*), SUM(spent) FROM customer_totals");
        stmt->execute();
        stmt->next();
        source = std::string(stmt->text(0)) + "\t" + std::string(stmt->text(1));
    });
    EXPECT_EQ(server_value("select count(*), sum(spent) from `" + db + "`.CUSTOMER_TOTALS"),
              source + ".00");

    // A view over a table the run did not convert: the run goes on and the status says so.
    store(work + "/failing.kvt", {{L"KINDS", L"SELECT name FROM categories"}, totals});
    r = run({"--profile=" + work + "/failing.kvt"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find("View 'KINDS': "), std::string::npos) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find("categories' doesn't exist"), std::string::npos) << r.out;
    EXPECT_EQ(server_value("select count(*) from information_schema.views where table_schema='" +
                           db + "'"),
              "1");
}

TEST_F(agent_test, a_client_library_that_cannot_serve_ends_the_program_before_the_run) {
    const std::string old =
        std::getenv("TIDEWELL_OCI_LIBRARY") ? std::getenv("TIDEWELL_OCI_LIBRARY") : "";
    const std::string not_library = work + "/libclntsh.so";
    std::ofstream(not_library) << "not a shared object\n";
    const std::string dump = work + "/x.sql";
    for (const std::string& library : {work + "/missing/libclntsh.so", not_library}) {
        ::setenv("TIDEWELL_OCI_LIBRARY", library.c_str(), 1);
        agent_result r =
            run({"--src=DEMO", "--oraclu=DEMO", "--oraclp=demo", "--dump", "--dest=" + dump});
        EXPECT_EQ(r.status, 255) << r.out << r.err;
        EXPECT_NE(r.out.find("The Oracle client and networking components were not found."),
                  std::string::npos)
            << r.out << r.err;
        EXPECT_NE(r.out.find(library), std::string::npos) << r.out;
        EXPECT_FALSE(std::filesystem::exists(dump));
    }
    if (old.empty()) {
        ::unsetenv("TIDEWELL_OCI_LIBRARY");
    } else {
        ::setenv("TIDEWELL_OCI_LIBRARY", old.c_str(), 1);
    }
}

}  // namespace
