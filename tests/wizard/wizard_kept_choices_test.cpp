// What the user chose, or what was stored before, reaches what the run writes, with the wizard
// driven page by page as a user drives it: the character set kept across a restart without a
// server, the engine chosen for a dump, a column only looked at in the table editor, and the
// mode chosen for an existing database in the profile saved afterwards, and the count of a run's
// errors beyond those the closing page lists.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <sstream>

#include "TK/tk_temp_chdir.h"
#include "converter/type_files.h"
#include "wizard/wizard_test_support.h"

namespace {

std::string file_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The line of `text` that holds `needle`, empty when none does.
std::string line_with(const std::string& text, const std::string& needle) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.find(needle) != std::string::npos) return line;
    return std::string();
}

int entries_named(const QComboBox& box, const QString& name) {
    int found = 0;
    for (int i = 0; i < box.count(); ++i)
        if (box.itemText(i).section(QLatin1Char(' '), 0, 0).compare(name, Qt::CaseInsensitive) == 0)
            ++found;
    return found;
}

class kept_choices_test : public wizard_test {
protected:
    void TearDown() override {
        clear_type_caches();
        wizard_test::TearDown();
    }

    // Dump scenario up to the destination page.
    void to_dump_destination() {
        to_oracle_page(false);
        connect_oracle();
        ASSERT_EQ(page_id(), 102);
        next();
        ASSERT_EQ(page_id(), 106);
    }
    // From the table page: this table alone selected.
    void select_only(const QString& table) {
        ASSERT_EQ(page_id(), 127);
        auto* available = ctrl<QListWidget>(1317);
        const auto found = available->findItems(table, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << table.toStdString();
        available->setCurrentItem(found.front());
        click(1101);
    }

    // The editor reads the type files from the program's folder.
    tk_temp_chdir m_dir{TW_BINARY_DIR "/bin"};
};

TEST_F(kept_choices_test, stored_set_the_list_lacks_survives_a_restart_and_names_the_dump) {
    conv().mysql_engine.set_character_set(L"utf8mb4");
    // The program writes its settings when it ends; the next one reads them.
    start_program();
    EXPECT_EQ(conv().mysql_engine.character_set(), L"utf8mb4");
    to_dump_destination();
    auto* charsets = ctrl<QComboBox>(1303);
    EXPECT_EQ(charsets->currentText().section(QLatin1Char(' '), 0, 0), "utf8mb4");
    EXPECT_EQ(entries_named(*charsets, "utf8mb4"), 1);
    // Back and again: still the one stored entry, still chosen.
    back();
    next();
    ASSERT_EQ(page_id(), 106);
    EXPECT_EQ(charsets->currentText().section(QLatin1Char(' '), 0, 0), "utf8mb4");
    EXPECT_EQ(entries_named(*charsets, "utf8mb4"), 1);
    const std::string dump = file("kept.sql");
    type(1004, QString::fromStdString(dump));
    next();
    select_only("CATEGORIES");
    run_to_closing_page();
    EXPECT_NE(file_text(dump).find("SET NAMES utf8mb4;"), std::string::npos);
    EXPECT_EQ(conv().mysql_engine.character_set(), L"utf8mb4");
}

TEST_F(kept_choices_test, engine_chosen_for_a_dump_creates_its_tables) {
    to_dump_destination();
    auto* engines = ctrl<QComboBox>(1304);
    const int memory = engines->findText("MEMORY");
    ASSERT_GE(memory, 0);
    engines->setCurrentIndex(memory);
    const std::string dump = file("engine.sql");
    type(1004, QString::fromStdString(dump));
    next();
    back();
    EXPECT_EQ(ctrl<QComboBox>(1304)->currentText(), "MEMORY");
    next();
    select_only("CATEGORIES");
    run_to_closing_page();
    const std::string create = line_with(file_text(dump), "ENGINE=");
    EXPECT_NE(create.find("ENGINE=MEMORY"), std::string::npos) << create;
}

TEST_F(kept_choices_test, raw_column_only_clicked_in_the_editor_keeps_its_type_in_the_dump) {
    clear_type_caches();
    to_dump_destination();
    const std::string dump = file("raw.sql");
    type(1004, QString::fromStdString(dump));
    next();
    select_only("PRODUCTS");
    auto* selected = ctrl<QListWidget>(1318);
    QListWidgetItem* products = selected->findItems("PRODUCTS", Qt::MatchExactly).front();
    selected->setCurrentItem(products);
    QString shown_type;
    script->then([&](QWidget* w) {
        auto* fields = w->findChild<QTreeWidget*>("1316");
        for (int i = 0; i < fields->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = fields->topLevelItem(i);
            if (row->text(1) != "CHECKSUM") continue;
            QTest::mouseClick(fields->viewport(), Qt::LeftButton, {},
                              fields->visualItemRect(row).center());
        }
        shown_type = w->findChild<QComboBox*>("1302")->currentText();
        w->findChild<QPushButton*>("1")->click();
    });
    emit selected->itemDoubleClicked(products);
    EXPECT_EQ(shown_type, "VARBINARY");
    EXPECT_EQ(conv().find_table_mutator(L"PRODUCTS"), nullptr);
    run_to_closing_page();
    const std::string column = line_with(file_text(dump), "`CHECKSUM`");
    EXPECT_NE(QString::fromStdString(column).indexOf("varbinary(16)", 0, Qt::CaseInsensitive), -1)
        << column;
}

TEST_F(kept_choices_test, profile_after_a_run_into_an_existing_database_keeps_the_chosen_mode) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("wiz_kept_mode");
    std::string out;
    ASSERT_EQ(run_client_sql("create database `" + db + "`", out), 0) << out;
    to_oracle_page(true);
    connect_oracle();
    connect_mysql();
    ASSERT_EQ(page_id(), 106);
    type(1004, QString::fromStdString(db));
    script->then([](QWidget* w) {
        w->findChild<QAbstractButton*>("1332")->click();
        w->findChild<QPushButton*>("1")->click();
    });
    next();
    select_only("CATEGORIES");
    run_to_closing_page();
    script->choose_file(file("merged"));
    click(1116);
    const std::string profile = file_text(file("merged.kvt"));
    EXPECT_NE(profile.find("mode=3"), std::string::npos) << profile;
}

TEST_F(kept_choices_test, run_with_more_errors_than_listed_tells_their_count_and_the_log_file) {
    clear_type_caches();
    to_dump_destination();
    const std::string log = file("run.log");
    type(1004, QString::fromStdString(file("errors.sql")));
    type(1005, QString::fromStdString(log));
    next();
    select_only("CUSTOMERS");
    auto* selected = ctrl<QListWidget>(1318);
    QListWidgetItem* customers = selected->findItems("CUSTOMERS", Qt::MatchExactly).front();
    selected->setCurrentItem(customers);
    // E-mail addresses cut to three characters collide in their unique key, record after record.
    script->then([&](QWidget* w) {
        auto* fields = w->findChild<QTreeWidget*>("1316");
        for (int i = 0; i < fields->topLevelItemCount(); ++i)
            if (fields->topLevelItem(i)->text(1) == "EMAIL")
                fields->setCurrentItem(fields->topLevelItem(i));
        w->findChild<QLineEdit*>("1006")->setText("3");
        w->findChild<QPushButton*>("1")->click();
    });
    emit selected->itemDoubleClicked(customers);
    script->then([](QWidget* w) {
        w->findChild<QCheckBox*>("1222")->click();
        w->findChild<QPushButton*>("2")->click();
    });
    next();
    if (shell().current_index() == 6) next();  // the view page: no view chosen
    ASSERT_EQ(page_id(), 107);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page_id() == 116; }, 60000));
    ASSERT_GT(shell().errors_total, wizard_shell::k_max_errors);
    const QString shown = ctrl<QPlainTextEdit>(1016)->toPlainText();
    EXPECT_TRUE(
        shown.startsWith(QStringLiteral("%1 errors occurred; the first 20 are listed below. "
                                        "All of them are in the log file %2.")
                             .arg(shell().errors_total)
                             .arg(QString::fromStdString(log))))
        << shown.toStdString();
    // The log file holds every one of them, the listed and the others.
    const QString logged = QString::fromStdString(file_text(log));
    EXPECT_EQ(static_cast<std::size_t>(
                  logged.count(QRegularExpression(QStringLiteral("CUSTOMERS, record #\\d+")))),
              shell().errors_total)
        << logged.left(2000).toStdString();
}

}  // namespace
