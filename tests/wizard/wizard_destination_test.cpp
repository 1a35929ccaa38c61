// The dump-options and destination pages: the radio and check-box rules, what is stored in the
// converter, and every check of the destination on Next.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "wizard/wizard_test_support.h"

namespace {

bool checked(QWidget* w) {
    return static_cast<QAbstractButton*>(w)->isChecked();
}

}  // namespace

class destination_test : public wizard_test {
protected:
    // Oracle connected; in the server scenario the MySQL page passed too.
    void to_destination(bool direct) {
        to_oracle_page(direct);
        connect_oracle();
        if (direct) {
            connect_mysql();
        } else {
            next();
        }
        ASSERT_EQ(page_id(), 106);
    }
};

TEST_F(wizard_test, dump_options_radio_buttons_and_check_boxes_follow_their_rules) {
    to_oracle_page(false);
    connect_oracle();
    ASSERT_EQ(page_id(), 102);
    // The defaults of a first start.
    EXPECT_TRUE(checked(ctrl(1329)));
    EXPECT_FALSE(checked(ctrl(1330)));
    EXPECT_TRUE(checked(ctrl(1331)));
    EXPECT_FALSE(checked(ctrl(1332)));
    EXPECT_TRUE(checked(ctrl(1204)));
    EXPECT_TRUE(ctrl(1203)->isEnabled());

    // A click in one pair leaves the other pair as it was.
    click(1330);
    EXPECT_TRUE(checked(ctrl(1330)));
    EXPECT_FALSE(checked(ctrl(1329)));
    EXPECT_TRUE(checked(ctrl(1331)));
    click(1332);
    EXPECT_TRUE(checked(ctrl(1332)));
    EXPECT_FALSE(checked(ctrl(1331)));
    EXPECT_TRUE(checked(ctrl(1330)));
    // A second click on a checked button keeps it checked.
    click(1332);
    EXPECT_TRUE(checked(ctrl(1332)));

    // CREATE DATABASE only with CREATE TABLE.
    click(1204);
    EXPECT_FALSE(checked(ctrl(1204)));
    EXPECT_FALSE(ctrl(1203)->isEnabled());
    click(1204);
    EXPECT_TRUE(ctrl(1203)->isEnabled());
    click(1203);
    click(1202);
    click(1205);

    next();
    ASSERT_EQ(page_id(), 106);
    const dump_options& dump = conv().dump;
    EXPECT_FALSE(dump.new_version);
    EXPECT_EQ(conv().mysql_engine.version_word, 0x031401u);
    EXPECT_EQ(dump.unix_eol, 1);
    EXPECT_TRUE(dump.structure);
    EXPECT_TRUE(dump.create_db);
    EXPECT_FALSE(dump.lock_tables);
    EXPECT_FALSE(dump.comments);

    // Back shows the stored choices.
    back();
    ASSERT_EQ(page_id(), 102);
    EXPECT_TRUE(checked(ctrl(1330)));
    EXPECT_TRUE(checked(ctrl(1332)));
    EXPECT_TRUE(checked(ctrl(1203)));
    click(1329);
    back();
    EXPECT_EQ(page_id(), 132);
    EXPECT_EQ(conv().mysql_engine.version_word, 0x040100u);
}

TEST_F(destination_test, empty_dump_file_name_is_refused) {
    to_destination(false);
    EXPECT_EQ(ctrl<QLabel>(1312)->text(), "My&SQL dump file:");
    type(1004, "");
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 106);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Message|You should enter MySQL dump file name");
}

TEST_F(destination_test, existing_dump_file_no_keeps_it_yes_lets_the_run_replace_it) {
    to_destination(false);
    const std::string path = file("old.sql");
    std::ofstream(path) << "old";
    type(1004, QString::fromStdString(path));
    script->answer(QMessageBox::No);
    next();
    EXPECT_EQ(page_id(), 106);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(ctrl<QLineEdit>(1004)->text().toStdString(), path);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0],
              "Tidewell 6.3 Question|Destination file already exists. Overwrite?");
    // Yes lets the run replace the file once its new dump is whole; until then it stays.
    script->answer(QMessageBox::Yes);
    next();
    EXPECT_EQ(page_id(), 127);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(conv().m_destination_name, std::wstring(path.begin(), path.end()));
}

TEST_F(destination_test, read_only_dump_file_and_missing_folder_and_folder_are_refused) {
    to_destination(false);
    // A running program cannot be opened for writing, whoever runs the test.
    type(1004, "/proc/self/exe");
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 106);
    type(1004, QString::fromStdString(file("no/such/folder/x.sql")));
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 106);
    type(1004, QString::fromStdString(work));
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 106);
    ASSERT_EQ(script->boxes.size(), 3u);
    EXPECT_EQ(script->boxes[0],
              "Tidewell 6.3 Error|Destination name specifies an existing read-only file.");
    EXPECT_EQ(script->boxes[1],
              "Tidewell 6.3 Error|Destination path does not exist.\n"
              "Please verify the correct path was given.");
    EXPECT_EQ(script->boxes[2],
              "Tidewell 6.3 Error|Destination name should specify a file, not folder.");
    if (getuid() != 0) {
        const std::string locked = file("locked.sql");
        std::ofstream(locked) << "x";
        chmod(locked.c_str(), 0444);
        type(1004, QString::fromStdString(locked));
        script->answer(QMessageBox::Ok);
        next();
        EXPECT_EQ(page_id(), 106);
        EXPECT_TRUE(std::filesystem::exists(locked));
    }
}

TEST_F(destination_test, dump_file_typed_without_extension_is_kept_and_shown_with_sql_later) {
    to_destination(false);
    const std::string path = file("plain");
    type(1004, QString::fromStdString(path));
    next();
    ASSERT_EQ(page_id(), 127);
    EXPECT_EQ(conv().m_destination_name, std::wstring(path.begin(), path.end()));
    back();
    ASSERT_EQ(page_id(), 106);
    EXPECT_EQ(ctrl<QLineEdit>(1004)->text().toStdString(), path + ".sql");
    EXPECT_TRUE(ctrl(1104)->isVisible());
}

TEST_F(destination_test, invalid_log_file_is_reported_on_next_and_back) {
    to_destination(false);
    type(1004, QString::fromStdString(file("x.sql")));
    type(1005, QString::fromStdString(file("no/such/dir/run.log")));
    script->answer(QMessageBox::Ok).answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 106);
    back();
    EXPECT_EQ(page_id(), 106);
    ASSERT_EQ(script->boxes.size(), 2u);
    EXPECT_EQ(script->boxes[0],
              "Tidewell 6.3 Error|Logfile path does not exist.\n"
              "Please verify the correct path was given.");
}

TEST_F(destination_test, character_set_keeps_its_first_word_and_switches_are_stored) {
    to_destination(false);
    auto* charsets = ctrl<QComboBox>(1303);
    ASSERT_GT(charsets->count(), 1);
    const int latin = charsets->findText("latin1", Qt::MatchStartsWith);
    ASSERT_GE(latin, 0);
    charsets->setCurrentIndex(latin);
    click(1228);
    click(1226);
    click(1202);
    type(1004, QString::fromStdString(file("x.sql")));
    next();
    ASSERT_EQ(page_id(), 127);
    EXPECT_EQ(conv().mysql_engine.character_set(), L"latin1");
    EXPECT_TRUE(conv().tab_def);
    EXPECT_TRUE(conv().skip_idx);
    EXPECT_TRUE(conv().case_sensitive);
}

TEST_F(destination_test, server_scenario_refuses_empty_and_invalid_database_names) {
    REQUIRE_TEST_SERVER();
    to_destination(true);
    EXPECT_EQ(ctrl<QLabel>(1312)->text(), "My&SQL database:");
    type(1004, "");
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 106);
    type(1004, "bad/name");
    script->answer(QMessageBox::Ok);
    next();
    EXPECT_EQ(page_id(), 106);
    ASSERT_EQ(script->boxes.size(), 2u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Message|You should enter MySQL database name");
    EXPECT_EQ(script->boxes[1].rfind("Tidewell 6.3 Error|Not a valid MySQL database name.", 0), 0u)
        << script->boxes[1];
}

TEST_F(destination_test, existing_database_asks_and_applies_each_overwrite_choice) {
    REQUIRE_TEST_SERVER();
    to_destination(true);
    const std::string db = new_database("wiz_exists");
    std::string out;
    ASSERT_EQ(run_client_sql(
                  "create database `" + db + "`; create table `" + db + "`.keep_me (id int)", out),
              0)
        << out;
    type(1004, QString::fromStdString(db));

    // Cancel: the page stays and the mode is untouched.
    conv().mode = 2;
    std::string caption;
    script->then([&](QWidget* w) {
        caption = w->windowTitle().toStdString();
        EXPECT_EQ(w->objectName(), "133");
        EXPECT_TRUE(static_cast<QRadioButton*>(w->findChild<QWidget*>("1329"))->isChecked());
        EXPECT_TRUE(w->findChild<QWidget*>("1339")->isVisible());
        w->findChild<QPushButton*>("2")->click();
    });
    next();
    EXPECT_EQ(page_id(), 106);
    EXPECT_EQ(conv().mode, 2);
    EXPECT_EQ(caption, "Tidewell 6.3 Warning");

    // Each choice but the first keeps the database and sets the mode.
    const int choices[] = {1330, 1331, 1332, 1339};
    for (int mode = 1; mode <= 4; ++mode) {
        script->then([&, id = choices[mode - 1]](QWidget* w) {
            static_cast<QRadioButton*>(w->findChild<QWidget*>(QString::number(id)))->click();
            w->findChild<QPushButton*>("1")->click();
        });
        next();
        EXPECT_EQ(page_id(), 127);
        EXPECT_EQ(conv().mode, mode);
        back();
        ASSERT_EQ(page_id(), 106);
        std::string count;
        ASSERT_EQ(run_client_sql("select count(*) from information_schema.tables where "
                                 "table_schema = '" +
                                     db + "'",
                                 count),
                  0);
        EXPECT_EQ(count, "1\n");
    }

    // Overwrite the entire database: dropped at once, still on the way to the tables.
    script->click(1);
    next();
    EXPECT_EQ(page_id(), 127);
    EXPECT_EQ(conv().mode, 0);
    ASSERT_EQ(run_client_sql("select count(*) from information_schema.schemata where "
                             "schema_name = '" +
                                 db + "'",
                             out),
              0);
    EXPECT_EQ(out, "0\n");
}

TEST_F(destination_test, new_database_goes_on_and_leaves_the_mode) {
    REQUIRE_TEST_SERVER();
    to_destination(true);
    conv().mode = 3;
    type(1004, QString::fromStdString(new_database("wiz_new")));
    next();
    EXPECT_EQ(page_id(), 127);
    EXPECT_EQ(conv().mode, 3);
}

TEST_F(destination_test, stored_server_destination_shows_its_name_part) {
    REQUIRE_TEST_SERVER();
    conv().m_destination_name = L"sales.archive";
    to_destination(true);
    EXPECT_EQ(ctrl<QLineEdit>(1004)->text(), "sales");
    EXPECT_FALSE(ctrl(1104)->isVisible());
}
