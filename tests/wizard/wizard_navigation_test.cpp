// The wizard walked as a user walks it: the page order of both scenarios, Back from every page,
// and the connection pages with the embedded Oracle instance and the private MariaDB.
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <fstream>
#include <sstream>

#include "SQL/sql_test_env.h"
#include "TK/tk_logger.h"
#include "wizard/wizard_test_support.h"

TEST_F(wizard_test, server_scenario_visits_welcome_oracle_mysql_destination_tables) {
    REQUIRE_TEST_SERVER();
    std::vector<int> seen{page_id()};
    to_oracle_page(true);
    seen.push_back(page_id());
    connect_oracle();
    seen.push_back(page_id());
    connect_mysql();
    seen.push_back(page_id());
    type(1004, QString::fromStdString(new_database("wiz_order")));
    next();
    seen.push_back(page_id());
    EXPECT_EQ(seen, (std::vector<int>{103, 132, 123, 106, 127}));
    EXPECT_EQ(shell().current_index(), 5);

    // Back retraces the server scenario: the dump options are never shown.
    std::vector<int> back_seen;
    for (int i = 0; i < 4; ++i) {
        back();
        back_seen.push_back(page_id());
    }
    EXPECT_EQ(back_seen, (std::vector<int>{106, 123, 132, 103}));
}

TEST_F(wizard_test, dump_scenario_visits_welcome_oracle_dump_options_destination_tables) {
    std::vector<int> seen{page_id()};
    to_oracle_page(false);
    seen.push_back(page_id());
    connect_oracle();
    seen.push_back(page_id());
    next();
    seen.push_back(page_id());
    type(1004, QString::fromStdString(file("demo.sql")));
    next();
    seen.push_back(page_id());
    EXPECT_EQ(seen, (std::vector<int>{103, 132, 102, 106, 127}));
    std::vector<int> back_seen;
    for (int i = 0; i < 4; ++i) {
        back();
        back_seen.push_back(page_id());
    }
    EXPECT_EQ(back_seen, (std::vector<int>{106, 102, 132, 103}));
    EXPECT_FALSE(conv().mysql_direct);
}

TEST_F(wizard_test, back_from_mysql_page_returns_to_oracle_page_skipping_dump_options) {
    to_oracle_page(true);
    connect_oracle();
    ASSERT_EQ(page_id(), 123);
    back();
    EXPECT_EQ(page_id(), 132);
}

TEST_F(wizard_test, empty_oracle_database_name_never_connects) {
    to_oracle_page(true);
    type(1014, "");
    type(1012, "DEMO");
    type(1013, "demo");
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 132);
    EXPECT_EQ(conv().source(), nullptr);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Message|You should enter Oracle database name");
}

TEST_F(wizard_test, wrong_oracle_password_is_told_with_the_advice_text_and_the_page_stays) {
    to_oracle_page(true);
    script->answer(QMessageBox::Ok);
    connect_oracle("DEMO", "not-the-password");
    EXPECT_EQ(page_id(), 132);
    EXPECT_EQ(conv().source(), nullptr);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Error|Invalid user name or password.");
    // The typed values stay for the next try.
    EXPECT_EQ(ctrl<QLineEdit>(1014)->text(), "DEMO");
    connect_oracle();
    EXPECT_EQ(page_id(), 123);
}

TEST_F(wizard_test, unknown_oracle_service_is_told_and_the_page_stays) {
    to_oracle_page(false);
    type(1014, "NO_SUCH_SERVICE");
    type(1012, "DEMO");
    type(1013, "demo");
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 132);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_NE(script->boxes[0].find("Tidewell 6.3 Error|"), std::string::npos);
}

TEST_F(wizard_test, local_mysql_sends_an_empty_host_and_port_3306) {
    to_oracle_page(true);
    connect_oracle();
    ASSERT_EQ(page_id(), 123);
    click(1330);
    EXPECT_TRUE(ctrl(1014)->isEnabled());
    type(1014, "db.example.org");
    type(1015, "4406");
    type(1012, "someone");
    click(1329);
    EXPECT_FALSE(ctrl(1014)->isEnabled());
    EXPECT_FALSE(ctrl(1015)->isEnabled());
    back();
    EXPECT_EQ(conv().mysql_host, "");
    EXPECT_EQ(conv().mysql_port, "3306");
    EXPECT_EQ(conv().mysql_user, "someone");
    // Remote again: the page shows what the converter holds.
    next();
    ASSERT_EQ(page_id(), 123);
    EXPECT_TRUE(ctrl<QRadioButton>(1329)->isChecked());
}

TEST_F(wizard_test, mysql_refusal_is_told_and_the_page_stays) {
    REQUIRE_TEST_SERVER();
    to_oracle_page(true);
    connect_oracle();
    const test_server& s = get_test_server();
    click(1330);
    type(1014, QString::fromStdString(s.host));
    type(1015, QString::number(s.port));
    type(1012, QString::fromStdString(s.user));
    type(1013, "wrong-password");
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 123);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0].rfind("Tidewell 6.3 Error|", 0), 0u) << script->boxes[0];
}

TEST_F(wizard_test, scenario_and_typed_values_survive_back_and_next) {
    to_oracle_page(false);
    type(1014, "DEMO");
    type(1012, "DEMO");
    back();
    EXPECT_TRUE(ctrl<QRadioButton>(1330)->isChecked());
    next();
    EXPECT_EQ(ctrl<QLineEdit>(1014)->text(), "DEMO");
    EXPECT_EQ(conv().m_source_name, L"DEMO");
}

TEST_F(wizard_test, passwords_typed_into_the_pages_never_reach_the_trace_log) {
    REQUIRE_TEST_SERVER();
    // A logger at the lowest threshold, in place before the program builds its own.
    program.reset();
    const std::string log_path = file("trace.log");
    {
        tk_logger logger(log_path.c_str(), true, 1, false);
        s_demo->add_user("SCOTTY", "Ora_Secret_4711");
        start_program();
        to_oracle_page(true);
        connect_oracle("SCOTTY", "Ora_Secret_4711");
        ASSERT_EQ(page_id(), 123);
        connect_mysql();
        ASSERT_EQ(page_id(), 106);
        back();
        back();
        program.reset();
    }
    const std::string log = read_file(log_path);
    EXPECT_NE(log.find("connect_oracle_server"), std::string::npos);
    EXPECT_EQ(log.find("Ora_Secret_4711"), std::string::npos);
    EXPECT_EQ(log.find(get_test_server().password), std::string::npos);
}
