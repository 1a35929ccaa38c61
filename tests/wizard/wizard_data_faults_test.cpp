// What the wizard must keep exactly as chosen or stored: the character set and storage engine of
// the destination page, the mode a profile saved after a run into a new database holds, the
// types of the table editor when only looked at, and the names of queries and tables.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "SQL/sql_test_env.h"
#include "TK/tk_temp_chdir.h"
#include "common/types_map_dlg.h"
#include "converter/error_handler.h"
#include "converter/type_files.h"
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
        run_to_closing_page();
    }

    // The table editor over a DEMO table, as the table page opens it.
    std::unique_ptr<types_map_dlg> editor(const std::wstring& table) {
        clear_type_caches();
        to_oracle_page(false);
        connect_oracle();
        conv().get_all_tables();
        return std::make_unique<types_map_dlg>(table);
    }
    static void select_field(types_map_dlg& d, const QString& name) {
        auto* list = d.findChild<QTreeWidget*>("1316");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(1) == name) list->setCurrentItem(list->topLevelItem(i));
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
    conv().mysql_engine.set_table_type(L"BLACKHOLE");
    to_dump_destination(L"utf8");
    auto* engines = ctrl<QComboBox>(1304);
    ASSERT_GT(engines->count(), 0);
    for (const char* rowless : {"BLACKHOLE", "CSV", "SEQUENCE", "PERFORMANCE_SCHEMA"})
        EXPECT_EQ(engines->findText(rowless, Qt::MatchFixedString), -1) << rowless;
    EXPECT_GE(engines->findText("InnoDB"), 0);
    EXPECT_EQ(engines->currentIndex(), -1);
    type(1004, QString::fromStdString(file("x.sql")));
    next();
    EXPECT_FALSE(conv().engine_chosen);
}

TEST_F(data_faults_test, chosen_engine_creates_the_tables_and_stays_chosen) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("wiz_engine");
    run_into_new_database(db, "Aria");
    EXPECT_EQ(server_rows("select distinct engine from information_schema.tables where "
                          "table_schema = '" +
                          db + "' and table_type = 'BASE TABLE'"),
              "Aria\n");
    EXPECT_EQ(conv().mysql_engine.table_type(), L"Aria");
}

TEST_F(data_faults_test, profile_after_a_run_into_a_new_database_keeps_its_tables_on_replay) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("wiz_mode");
    run_into_new_database(db, "InnoDB");
    script->choose_file(file("first"));
    click(1116);
    const std::string profile = file_text(file("first.kvt"));
    EXPECT_NE(profile.find("mode=1"), std::string::npos) << profile;
    EXPECT_EQ(profile.find("mode=0"), std::string::npos) << profile;
}

TEST_F(data_faults_test, looking_at_a_raw_column_and_ok_leave_the_model_untouched) {
    auto d = editor(L"PRODUCTS");
    select_field(*d, "CHECKSUM");
    auto* types = d->findChild<QComboBox*>("1302");
    EXPECT_EQ(types->currentText(), "VARBINARY");
    EXPECT_EQ(d->findChild<QLineEdit*>("1006")->text(), "16");
    select_field(*d, "SKU");
    select_field(*d, "CHECKSUM");
    d->on_ok();
    EXPECT_EQ(conv().find_table_mutator(L"PRODUCTS"), nullptr);
    clear_type_caches();
}

TEST_F(data_faults_test, type_files_offer_every_mapped_type_itself) {
    tk_temp_chdir dir{TW_BINARY_DIR "/bin"};
    clear_type_caches();
    for (const wchar_t* type : {L"BINARY", L"VARBINARY", L"BLOB", L"VARCHAR", L"DECIMAL"}) {
        const std::vector<std::wstring>& choices = conv().get_mapped_types(type);
        EXPECT_NE(std::find(choices.begin(), choices.end(), type), choices.end())
            << QString::fromWCharArray(type).toStdString();
    }
    EXPECT_TRUE(type_takes(conv().get_type_params(L"VARBINARY"), L"LENGTH"));
    clear_type_caches();
}

TEST_F(data_faults_test, empty_table_name_in_the_editor_is_refused) {
    auto d = editor(L"CATEGORIES");
    d->findChild<QLineEdit*>("1003")->setText("");
    script->answer(QMessageBox::Ok);
    d->on_ok();
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_NE(script->boxes[0].find("Name cannot be empty. Try again."), std::string::npos)
        << script->boxes[0];
    EXPECT_EQ(conv().find_table_mutator(L"CATEGORIES"), nullptr);
    clear_type_caches();
}

TEST_F(data_faults_test, query_renamed_to_a_selected_table_is_refused) {
    to_dump_tables(file("sel.sql"));
    auto fill_query = [](const QString& name, int button) {
        return [=](QWidget* w) {
            w->findChild<QLineEdit*>("1019")->setText(name);
            w->findChild<QPlainTextEdit*>("1020")->setPlainText("select 1 from dual");
            w->findChild<QPushButton*>(QString::number(button))->click();
        };
    };
    script->then(fill_query("Q1", 1));
    click(1114);
    auto* available = ctrl<QListWidget>(1317);
    available->setCurrentItem(available->findItems("PRODUCTS", Qt::MatchExactly).front());
    click(1101);
    auto* selected = ctrl<QListWidget>(1318);
    QListWidgetItem* query = selected->findItems("Q1", Qt::MatchExactly).front();
    selected->setCurrentItem(query);
    script->then(fill_query("products", 1)).answer(QMessageBox::Ok).then([](QWidget* w) {
        EXPECT_EQ(w->findChild<QLineEdit*>("1019")->text(), "products");
        w->findChild<QPushButton*>("2")->click();
    });
    emit selected->itemDoubleClicked(query);
    EXPECT_EQ(script->boxes.back(), "Tidewell 6.3 Message|Duplicate table name. Try again.");
    EXPECT_EQ(selected->findItems("Q1", Qt::MatchExactly).size(), 1);
    back();
    ASSERT_EQ(conv().table_jobs.size(), 1u);
    EXPECT_EQ(conv().table_jobs[0].first, L"Q1");
}

TEST_F(data_faults_test, closing_page_tells_how_many_errors_were_not_listed_and_where_they_are) {
    const std::string log = file("run.log");
    conv().set_logfile(log);
    error_handler::instance().dont_show = true;
    for (int i = 1; i <= 25; ++i) {
        try {
            error_handler::instance().handle(tk_exception("error " + std::to_string(i), 0), false);
        } catch (const tk_final_exception&) {
        }
    }
    error_handler::instance().dont_show = false;
    ASSERT_EQ(shell().error_list.size(), wizard_shell::k_max_errors);
    shell().set_cur_sel_id(116);
    ASSERT_EQ(page_id(), 116);
    const QString shown = ctrl<QPlainTextEdit>(1016)->toPlainText();
    // Told before the list, where the page shows it without scrolling.
    EXPECT_TRUE(shown.startsWith("25 errors occurred; the first 20 are listed below."))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString::fromStdString(log))) << shown.toStdString();
    EXPECT_FALSE(shown.contains("error 21"));
    conv().set_logfile(std::string());
}

}  // namespace
