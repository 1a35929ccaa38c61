// QUILLRUN's server destination before the first row: a database that cannot be prepared, one
// that another run is writing into, and one that exists already when no mode was given.
#include <gtest/gtest.h>

#include "SQL/sql_engine.h"
#include "agent/agent_test_support.h"
#include "converter/tabshift_convertor.h"

namespace {

using agent_destination_test = agent_test;

TEST_F(agent_destination_test, a_second_run_into_the_same_database_is_refused) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("agent_locked");
    const test_server& s = get_test_server();
    // The first run's session, as it holds the destination for its whole length.
    {
        tabshift_convertor first;
        first.mysql_engine.connect(s.host, s.user, s.password, s.port);
        first.mysql_engine.lock_destination(std::wstring(db.begin(), db.end()));
        const agent_result r = run(server_args(db));
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_NE(r.out.find("Another conversion is writing into the MySQL database '" + db + "'"),
                  std::string::npos)
            << r.out;
        EXPECT_EQ(r.out.find("Converting table"), std::string::npos) << r.out;
        EXPECT_EQ(server_value("select count(*) from information_schema.schemata where "
                               "schema_name='" +
                               db + "'"),
                  "0");
    }
    // Once the first run has ended, the database is free.
    const agent_result r = run(server_args(db));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(server_value("select count(*) from `" + db + "`.CATEGORIES"), "5");
}

TEST_F(agent_destination_test, a_database_that_cannot_be_prepared_stops_before_the_run) {
    REQUIRE_TEST_SERVER();
    // A character set the server does not know.
    const std::string db = new_database("agent_charset");
    std::vector<std::string> args = server_args(db);
    args.push_back("--charset=nosuchset");
    agent_result r = run(args);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("MySQL database '" + db + "'"), std::string::npos) << r.out;

    // A user without the right to create it.
    const std::string user = "tw_norights_" + std::to_string(::getpid());
    std::string out;
    ASSERT_EQ(run_client_sql("create or replace user '" + user +
                                 "'@'127.0.0.1' identified by "
                                 "'pw'; create or replace user '" +
                                 user + "'@'localhost' identified by 'pw'",
                             out),
              0)
        << out;
    args = as_user(server_args(db), user, "pw");
    r = run(args);
    run_client_sql("drop user '" + user + "'@'127.0.0.1'; drop user '" + user + "'@'localhost'",
                   out);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("MySQL database '" + db + "'"), std::string::npos) << r.out;

    // A name longer than a server takes leaves nothing behind, not even a shortened one.
    const std::string stem = "tw_long_" + std::to_string(::getpid()) + "_";
    const std::string long_name = stem + std::string(77 - stem.size(), 'x');
    databases.push_back(long_name.substr(0, 63));
    databases.push_back(long_name.substr(0, 64));
    r = run(server_args(long_name));
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("'" + long_name + "' cannot be used"), std::string::npos) << r.out;
    EXPECT_EQ(server_value("select count(*) from information_schema.schemata where schema_name "
                           "like '" +
                           stem + "%'"),
              "0");
}

TEST_F(agent_destination_test, an_existing_database_is_dropped_only_in_a_chosen_mode_0) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("agent_keep");
    server_value("create database `" + db + "`");
    server_value("create table `" + db + "`.extra (x int)");
    server_value("create table `" + db +
                 "`.CATEGORIES (CATEGORY_ID int, NAME varchar(40), "
                 "DESCRIPTION varchar(200))");
    server_value("insert into `" + db + "`.CATEGORIES values (99, 'old', null)");
    agent_result r = run(server_args(db));
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("The MySQL database '" + db + "' exists and no mode was chosen"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(server_value("select count(*) from `" + db + "`.extra"), "0");
    EXPECT_EQ(server_value("select count(*), max(CATEGORY_ID) from `" + db + "`.CATEGORIES"),
              "5\t5");

    std::vector<std::string> drop = server_args(db);
    drop.push_back("--mode=0");
    r = run(drop);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("no mode was chosen"), std::string::npos) << r.out;
    EXPECT_EQ(server_value("select count(*) from information_schema.tables where table_schema='" +
                           db + "' and table_name='extra'"),
              "0");
}

TEST_F(agent_destination_test, a_table_the_server_refuses_costs_one_error_not_one_per_record) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("agent_noinsert");
    const std::string user = "tw_noinsert_" + std::to_string(::getpid());
    std::string out;
    std::string grants;
    for (const char* host : {"127.0.0.1", "localhost"}) {
        grants += "create or replace user '" + user + "'@'" + host +
                  "' identified by 'pw'; grant " +
                  "create, select, alter, index, drop, delete on `" + db + "`.* to '" + user +
                  "'@'" + host + "'; ";
    }
    ASSERT_EQ(run_client_sql("create database `" + db + "`; " + grants, out), 0) << out;
    std::vector<std::string> args = as_user(server_args(db), user, "pw");
    const agent_result r = run(args);
    run_client_sql("drop user '" + user + "'@'127.0.0.1'; drop user '" + user + "'@'localhost'",
                   out);
    EXPECT_EQ(r.status, 1) << r.out;
    std::size_t errors = 0, tables = 0;
    for (std::size_t at = r.out.find("Error:\n"); at != std::string::npos;
         at = r.out.find("Error:\n", at + 1))
        ++errors;
    for (std::size_t at = r.out.find("Converting table '"); at != std::string::npos;
         at = r.out.find("Converting table '", at + 1))
        ++tables;
    EXPECT_GT(errors, 0u) << r.out;
    EXPECT_LE(errors, tables) << r.out;
    EXPECT_NE(r.out.find("INSERT command denied"), std::string::npos) << r.out;
}

TEST_F(agent_destination_test, text_columns_made_case_sensitive_print_nothing_of_it) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("agent_binary");
    std::vector<std::string> args = server_args(db);
    args.push_back("--case_sense");
    agent_result r = run(args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("settings BINARY"), std::string::npos) << r.out;
    // The run ends with its summary; silent, in the log only.
    EXPECT_NE(r.out.find("tables converted, 0 failed, 0 skipped; "), std::string::npos) << r.out;
    EXPECT_NE(r.out.rfind("Conversion ended after "), std::string::npos) << r.out;
    args.push_back("--silent");
    args.push_back("--mode=0");
    args.push_back("--logfile=" + work + "/run.log");
    r = run(args);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const std::string log = read_file(work + "/run.log");
    EXPECT_NE(log.find("tables converted, 0 failed, 0 skipped; "), std::string::npos) << log;
    EXPECT_NE(log.find("settings BINARY"), std::string::npos);
}

}  // namespace
