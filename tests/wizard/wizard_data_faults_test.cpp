// Settings the wizard must keep exactly as chosen or stored: the character set and storage engine
// of the destination page, and the mode a profile saved after a run into a new database holds.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SQL/sql_test_env.h"
#include "TK/tk_temp_chdir.h"
#include "wizard/wizard_test_support.h"

namespace {

std::string server_rows(const std::string& sql) {
    std::string out;
    EXPECT_EQ(run_client_sql(sql, out), 0) << out;
    return out;
}

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

QString first_word(const QComboBox& box) {
    return box.currentText().section(QLatin1Char(' '), 0, 0);
}

class data_faults_test : public wizard_test {
protected:
    // The dump scenario's destination page, reached with this character set stored.
    void to_dump_destination(const std::wstring& charset) {
        to_oracle_page(false);
        connect_oracle();
        ASSERT_EQ(page_id(), 102);
        conv().mysql_engine.set_character_set(charset);
        next();
        ASSERT_EQ(page_id(), 106);
    }

    // The server scenario into a new database with this engine chosen, every table converted.
    void run_into_new_database(const std::string& db, const QString& engine) {
        to_oracle_page(true);
        connect_oracle();
        connect_mysql();
        ASSERT_EQ(page_id(), 106);
        auto* engines = ctrl<QComboBox>(1304);
        const int index = engines->findText(engine);
        ASSERT_GE(index, 0) << engine.toStdString();
        engines->setCurrentIndex(index);
        type(1004, QString::fromStdString(db));
        next();
        ASSERT_EQ(page_id(), 127);
        click(1102);
        next();
        if (shell().current_index() == 6) next();  // the view page: no view chosen
        ASSERT_EQ(page_id(), 107);
        ASSERT_TRUE(QTest::qWaitFor([&] { return page_id() == 116; }, 60000));
        EXPECT_EQ(ctrl<QLabel>(1314)->text().toStdWString(), std::wstring(k_finish_success_text))
            << (shell().error_list.empty() ? "" : shell().error_list[0]);
    }

    tk_temp_chdir m_dir{TW_BINARY_DIR "/bin"};
};

TEST_F(data_faults_test, stored_character_set_missing_from_the_list_is_kept) {
    to_dump_destination(L"utf8mb4");
    auto* charsets = ctrl<QComboBox>(1303);
    EXPECT_EQ(first_word(*charsets), "utf8mb4");
    type(1004, QString::fromStdString(file("x.sql")));
    next();
    EXPECT_EQ(conv().mysql_engine.character_set(), L"utf8mb4");
}

TEST_F(data_faults_test, stored_character_set_is_matched_by_its_whole_first_word) {
    to_dump_destination(L"utf8");
    EXPECT_EQ(first_word(*ctrl<QComboBox>(1303)), "utf8");
    type(1004, QString::fromStdString(file("x.sql")));
    next();
    EXPECT_EQ(conv().mysql_engine.character_set(), L"utf8");
}

TEST_F(data_faults_test, no_stored_character_set_selects_none_and_stores_none) {
    to_dump_destination(L"");
    EXPECT_EQ(ctrl<QComboBox>(1303)->currentIndex(), -1);
    type(1004, QString::fromStdString(file("x.sql")));
    next();
    EXPECT_EQ(conv().mysql_engine.character_set(), L"");
}

TEST_F(data_faults_test, engines_that_keep_no_rows_are_not_offered) {
    to_dump_destination(L"utf8");
    auto* engines = ctrl<QComboBox>(1304);
    ASSERT_GT(engines->count(), 0);
    for (const char* rowless : {"BLACKHOLE", "CSV", "SEQUENCE", "PERFORMANCE_SCHEMA"})
        EXPECT_EQ(engines->findText(rowless, Qt::MatchFixedString), -1) << rowless;
    EXPECT_GE(engines->findText("InnoDB"), 0);
}

TEST_F(data_faults_test, chosen_engine_creates_the_tables_and_stays_chosen) {
    REQUIRE_SERVER();
    const std::string db = new_database("wiz_engine");
    run_into_new_database(db, "Aria");
    EXPECT_EQ(server_rows("select distinct engine from information_schema.tables where "
                          "table_schema = '" +
                          db + "' and table_type = 'BASE TABLE'"),
              "Aria\n");
    EXPECT_EQ(conv().mysql_engine.table_type(), L"Aria");
}

TEST_F(data_faults_test, profile_after_a_run_into_a_new_database_keeps_its_tables_on_replay) {
    REQUIRE_SERVER();
    const std::string db = new_database("wiz_mode");
    run_into_new_database(db, "InnoDB");
    script->choose_file(file("first"));
    click(1116);
    const std::string profile = file_text(file("first.kvt"));
    EXPECT_NE(profile.find("mode=1"), std::string::npos) << profile;
    EXPECT_EQ(profile.find("mode=0"), std::string::npos) << profile;
}

}  // namespace
