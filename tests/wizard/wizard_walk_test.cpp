// The whole wizard walked as a user walks it: the demo schema from the embedded Oracle into the
// private MariaDB and into a dump file that replays, with a table renamed and a field retyped in
// the editor; the closing page, its error list and the profile it saves; Cancel during a run.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QComboBox>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SQL/sql_test_env.h"
#include "TK/tk_logger.h"
#include "TK/tk_temp_chdir.h"
#include "common/progress_page.h"
#include "converter/type_files.h"
#include "lite_engine.h"
#include "wizard/wizard_test_support.h"

namespace {

std::string server_value(const std::string& sql) {
    std::string out;
    EXPECT_EQ(run_client_sql(sql, out), 0) << out;
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

}  // namespace

class walk_test : public wizard_test {
protected:
    void SetUp() override {
        wizard_test::SetUp();
        clear_type_caches();
    }
    void TearDown() override {
        clear_type_caches();
        wizard_test::TearDown();
    }

    long long source_count(const std::string& table) {
        long long count = -1;
        try {
            s_demo->with_session("DEMO", "demo", [&](lite_session& s) {
                auto stmt = s.prepare("SELECT COUNT(*) FROM " + table);
                stmt->execute();
                stmt->next();
                count = std::atoll(std::string(stmt->text(0)).c_str());
            });
        } catch (const std::exception& e) {
            ADD_FAILURE() << table << ": " << e.what();
        }
        return count;
    }

    // On the table page: everything selected, CATEGORIES renamed to KINDS and PRODUCTS.TITLE
    // retyped to TEXT in the editor, then on through the view page to the closing page.
    void select_map_and_run() {
        ASSERT_EQ(page_id(), 127);
        click(1102);
        auto* selected = ctrl<QListWidget>(1318);
        auto open_editor = [&](const QString& table) {
            selected->setCurrentItem(selected->findItems(table, Qt::MatchExactly).front());
            emit selected->itemDoubleClicked(selected->currentItem());
        };
        script->then([](QWidget* w) {
            EXPECT_EQ(w->objectName(), "135");
            w->findChild<QLineEdit*>("1003")->setText("KINDS");
            w->findChild<QPushButton*>("1")->click();
        });
        open_editor("CATEGORIES");
        script->then([](QWidget* w) {
            auto* list = w->findChild<QTreeWidget*>("1316");
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                if (list->topLevelItem(i)->text(1) == "TITLE")
                    list->setCurrentItem(list->topLevelItem(i));
            auto* types = w->findChild<QComboBox*>("1302");
            types->setCurrentIndex(types->findText("TEXT"));
            w->findChild<QPushButton*>("1")->click();
        });
        open_editor("PRODUCTS");
        ASSERT_NE(conv().find_table_mutator(L"PRODUCTS"), nullptr);
        run_to_closing_page();
        EXPECT_FALSE(find_ctrl<QPushButton>(&shell(), k_id_cancel)->isEnabled());
        EXPECT_FALSE(find_ctrl<QPushButton>(&shell(), k_id_help)->isEnabled());
        EXPECT_TRUE(find_ctrl<QPushButton>(&shell(), k_id_finish)->isVisible());
    }

    // Every demo table with its rows, KINDS in place of CATEGORIES, TITLE as text.
    void expect_demo_in(const std::string& db) {
        for (const char* table :
             {"CUSTOMERS", "PRODUCTS", "ORDERS", "ORDER_ITEMS", "PRODUCT_NOTES"}) {
            EXPECT_EQ(
                std::atoll(
                    server_value("select count(*) from `" + db + "`.`" + table + "`").c_str()),
                source_count(table))
                << table;
        }
        EXPECT_EQ(std::atoll(server_value("select count(*) from `" + db + "`.`KINDS`").c_str()),
                  source_count("CATEGORIES"));
        EXPECT_EQ(server_value("select count(*) from information_schema.tables where "
                               "table_schema='" +
                               db + "' and table_name='CATEGORIES'"),
                  "0");
        // A dump moves its tables to the four-byte character set where the server has it,
        // which widens TEXT to MEDIUMTEXT so that every character still fits.
        const std::string title =
            server_value("select data_type from information_schema.columns where table_schema='" +
                         db + "' and table_name='PRODUCTS' and column_name='TITLE'");
        EXPECT_TRUE(title == "text" || title == "mediumtext") << title;
    }

    tk_temp_chdir m_dir{TW_BINARY_DIR "/bin"};
};

TEST_F(walk_test, demo_schema_into_the_server_with_a_renamed_table_and_a_retyped_field) {
    REQUIRE_TEST_SERVER();
    to_oracle_page(true);
    connect_oracle();
    connect_mysql();
    const std::string db = new_database("wiz_walk");
    type(1004, QString::fromStdString(db));
    next();
    select_map_and_run();
    expect_demo_in(db);
    auto* log = ctrl<QPlainTextEdit>(1016);
    EXPECT_TRUE(log->isHidden());
    // The run's lines reached the progress page's box.
    auto* progress_log = find_ctrl<QPlainTextEdit>(shell().pages()[7], 1016);
    EXPECT_TRUE(progress_log->toPlainText().contains("Converting table 'PRODUCTS'"));
    EXPECT_FALSE(shell().timer_running());

    // The settings of this run saved as a profile, and loaded into a new wizard.
    script->choose_file(file("walk"));
    click(1116);
    ASSERT_TRUE(std::filesystem::exists(file("walk.kvt")));
    shell().press_finish();
    EXPECT_EQ(shell().result(), 1);
    program.reset();
    setenv("TIDEWELL_CONFIG_HOME", (work + "/config2").c_str(), 1);
    start_program();
    conv().mysql_direct = false;
    click(1330);
    script->choose_file(file("walk.kvt"));
    click(1115);
    EXPECT_TRUE(find_ctrl<QAbstractButton>(&page(), 1329)->isChecked());
    EXPECT_EQ(conv().m_destination_name, std::wstring(db.begin(), db.end()));
    EXPECT_EQ(conv().m_source_name, L"DEMO");
    ASSERT_NE(conv().find_table_mutator(L"CATEGORIES"), nullptr);
    EXPECT_EQ(conv().find_table_mutator(L"CATEGORIES")->new_name, L"KINDS");
    EXPECT_EQ(conv().selected_tables.size(), 6u);
}

TEST_F(walk_test, demo_schema_into_a_dump_file_that_replays) {
    REQUIRE_TEST_SERVER();
    to_oracle_page(false);
    connect_oracle();
    next();
    const std::string dump = file("walk.sql");
    type(1004, QString::fromStdString(dump));
    next();
    select_map_and_run();
    const std::string db = new_database("wiz_dump");
    std::string out;
    ASSERT_EQ(run_client_sql("drop database if exists `" + db + "`; create database `" + db +
                                 "` character set utf8mb4",
                             out),
              0);
    ASSERT_EQ(run_client_file(dump, db, out), 0) << out.substr(0, 2000);
    expect_demo_in(db);
}

TEST_F(walk_test, closing_page_lists_errors_one_a_paragraph) {
    shell().error_list = {"first\nline", "second"};
    shell().set_cur_sel_id(116);
    ASSERT_EQ(page_id(), 116);
    EXPECT_EQ(ctrl<QLabel>(1314)->text().toStdWString(), std::wstring(k_finish_error_text));
    auto* box = ctrl<QPlainTextEdit>(1016);
    EXPECT_FALSE(box->isHidden());
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->toPlainText(), "first line\n\nsecond\n\n");
    // A cancelled save writes nothing.
    script->choose_file("");
    click(1116);
    EXPECT_TRUE(std::filesystem::is_empty(work + "/home") ||
                !std::filesystem::exists(file(".kvt")));
}

TEST_F(walk_test, cancel_during_a_run_stops_it_between_records_and_leaves_no_half_dump) {
    program.reset();
    const std::string trace = file("trace.log");
    tk_logger logger(trace.c_str(), true, 3, false);
    start_program();
    to_oracle_page(false);
    connect_oracle();
    next();
    const std::string dump = file("cancel.sql");
    type(1004, QString::fromStdString(dump));
    next();
    ASSERT_EQ(page_id(), 127);
    // Half a million rows: the run is still busy when Cancel comes.
    conv().table_jobs.clear();
    script->then([](QWidget* w) {
        w->findChild<QLineEdit*>("1019")->setText("BIG");
        w->findChild<QPlainTextEdit*>("1020")->setPlainText(
            "SELECT a.customer_id, b.product_id, c.category_id "
            "FROM customers a, products b, categories c");
        w->findChild<QPushButton*>("1")->click();
    });
    click(1114);
    conv().convert_views = false;
    next();
    ASSERT_EQ(page_id(), 107);
    auto* box = ctrl<QPlainTextEdit>(1016);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return box->toPlainText().contains("Converting table 'BIG'"); }, 20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return conv().cur_record > 100; }, 20000));
    EXPECT_FALSE(conv().m_finished);
    script->answer(QMessageBox::Yes);
    shell().press_cancel();
    EXPECT_FALSE(shell().isVisible());
    EXPECT_EQ(shell().result(), 0);
    auto* progress = dynamic_cast<progress_page*>(shell().pages()[7]);
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(progress->is_running());
    EXPECT_TRUE(conv().m_finished);
    EXPECT_LT(conv().cur_record, 500000);
    // A cancelled run wrote no whole dump: nothing, not half a file, is left at the path.
    EXPECT_FALSE(std::filesystem::exists(dump));
    EXPECT_FALSE(std::filesystem::exists(dump + ".part"));
    EXPECT_NE(read_file(trace).find("Conversion ended on"), std::string::npos);
    program.reset();
}
