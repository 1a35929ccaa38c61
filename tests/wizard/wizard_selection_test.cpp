// The selection pages and the query dialog: moving names between the lists and where the focus
// goes, queries stored as tables and their checks, Test Query against the embedded instance, the
// view order and the skipped view page.
#include <QListWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "common/progress_page.h"
#include "common/set_query_dlg.h"
#include "wizard/wizard_test_support.h"

class selection_test : public wizard_test {
protected:
    // Dump scenario up to the table page.
    void to_tables() { to_dump_tables(file("sel.sql")); }
    QListWidget* available() { return ctrl<QListWidget>(1317); }
    QListWidget* selected() { return ctrl<QListWidget>(1318); }
    static bool focused(QWidget* w) { return w->window()->focusWidget() == w; }
    QStringList items(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    // Fills the query dialog and presses a button.
    modal_script::handler query_dialog(const QString& name, const QString& query, int button) {
        return [=](QWidget* w) {
            w->findChild<QLineEdit*>("1019")->setText(name);
            w->findChild<QPlainTextEdit*>("1020")->setPlainText(query);
            w->findChild<QPushButton*>(QString::number(button))->click();
        };
    }
};

TEST_F(selection_test, add_remove_and_all_move_names_and_the_focus_follows) {
    to_tables();
    const int n = available()->count();
    ASSERT_GE(n, 6);
    EXPECT_EQ(selected()->count(), 0);
    EXPECT_EQ(available()->currentRow(), 0);
    EXPECT_TRUE(items(available()).contains("PRODUCTS"));

    available()->setCurrentRow(2);
    const QString third = available()->item(2)->text();
    click(1101);
    EXPECT_EQ(items(selected()), QStringList{third});
    EXPECT_EQ(available()->currentRow(), 2);
    available()->setCurrentRow(available()->count() - 1);
    click(1101);
    EXPECT_EQ(available()->currentRow(), available()->count() - 1);
    EXPECT_EQ(selected()->count(), 2);

    click(1102);
    EXPECT_EQ(available()->count(), 0);
    EXPECT_EQ(selected()->count(), n);
    EXPECT_EQ(selected()->currentRow(), 0);
    EXPECT_TRUE(focused(selected()));

    selected()->setCurrentRow(n - 1);
    click(1111);
    EXPECT_EQ(selected()->currentRow(), n - 2);
    click(1110);
    EXPECT_EQ(available()->count(), n);
    EXPECT_EQ(selected()->count(), 0);
    EXPECT_TRUE(focused(available()));
    EXPECT_EQ(available()->currentRow(), 0);

    // Moving the last one over moves the focus; a double click adds too.
    for (int i = 0; i < n; ++i) click(1101);
    EXPECT_TRUE(focused(selected()));
    selected()->setCurrentRow(0);
    for (int i = 0; i < n; ++i) click(1111);
    EXPECT_TRUE(focused(available()));
    emit available()->itemDoubleClicked(available()->item(0));
    EXPECT_EQ(selected()->count(), 1);
}

TEST_F(selection_test, nothing_selected_asks_and_no_stays) {
    to_tables();
    script->answer(QMessageBox::No);
    next();
    EXPECT_EQ(page_id(), 127);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0],
              "Tidewell 6.3 Question|There are no tables selected. Continue anyway?");
}

TEST_F(selection_test, query_named_like_a_table_is_accepted_and_loads_back_as_that_item) {
    to_tables();
    EXPECT_TRUE(ctrl(1114)->isVisible());
    script->then(query_dialog("PRODUCTS", "select * from products where price > 100", 1));
    click(1114);
    EXPECT_TRUE(items(selected()).contains("PRODUCTS"));
    EXPECT_TRUE(items(available()).contains("PRODUCTS"));
    // A second query of the same name is refused, then the dialog comes again.
    script->then(query_dialog("products", "select 1 from dual", 1))
        .answer(QMessageBox::Ok)
        .then([](QWidget* w) {
            EXPECT_EQ(w->findChild<QLineEdit*>("1019")->text(), "products");
            w->findChild<QPushButton*>("2")->click();
        });
    click(1114);
    EXPECT_EQ(script->boxes.back(), "Tidewell 6.3 Message|Duplicate table name. Try again.");

    // Kept as a query job on the way back; on the next visit the table's item is moved instead.
    back();
    ASSERT_EQ(conv().table_jobs.size(), 1u);
    EXPECT_EQ(conv().table_jobs[0].first, L"PRODUCTS");
    next();
    ASSERT_EQ(page_id(), 127);
    EXPECT_EQ(items(selected()), QStringList{"PRODUCTS"});
    EXPECT_FALSE(items(available()).contains("PRODUCTS"));
}

TEST_F(selection_test, query_checks_skip_blanks_and_refuse_short_empty_and_non_select_text) {
    set_query_dlg dialog(L"Q", L"\n\r\n   \tselect * from dual");
    EXPECT_TRUE(dialog.check_query());
    EXPECT_EQ(dialog.query, L"select * from dual");
    dialog.findChild<QPlainTextEdit*>("1020")->setPlainText("sel");
    EXPECT_FALSE(dialog.check_query());
    dialog.findChild<QPlainTextEdit*>("1020")->setPlainText("  ");
    EXPECT_TRUE(dialog.check_query());
    EXPECT_EQ(dialog.query, L"");

    script->answer(QMessageBox::Ok).answer(QMessageBox::Ok).answer(QMessageBox::Ok);
    dialog.on_ok();  // empty query
    dialog.findChild<QPlainTextEdit*>("1020")->setPlainText("update x set y = 1");
    dialog.on_ok();
    dialog.findChild<QLineEdit*>("1019")->setText("");
    dialog.on_ok();
    EXPECT_EQ(script->boxes,
              (std::vector<std::string>{"Tidewell 6.3 Error|Query is empty!",
                                        "Tidewell 6.3 Error|The query must start with SELECT.",
                                        "Tidewell 6.3 Message|Table name is empty!"}));
    EXPECT_EQ(dialog.result(), 0);
}

TEST_F(selection_test, test_query_runs_the_statement_on_the_source) {
    to_tables();
    set_query_dlg dialog(L"Q", L"SELECT title, price FROM products WHERE price > 10", &shell());
    script->answer(QMessageBox::Ok).answer(QMessageBox::Ok).answer(QMessageBox::Ok);
    dialog.on_test_query();
    dialog.findChild<QPlainTextEdit*>("1020")->setPlainText("SELECT nothing FROM no_such_table");
    dialog.on_test_query();
    dialog.findChild<QPlainTextEdit*>("1020")->setPlainText("DELETE FROM products");
    dialog.on_test_query();
    ASSERT_EQ(script->boxes.size(), 3u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Message|The query is correct.");
    EXPECT_EQ(script->boxes[1],
              "Tidewell 6.3 Error|" + QString::fromWCharArray(k_query_test_failed).toStdString());
    EXPECT_EQ(script->boxes[2], "Tidewell 6.3 Message|The query must start with SELECT.");
}

TEST(progress_formula, counts_tables_done_and_the_current_table_share) {
    EXPECT_EQ(progress_page::progress(4, 1, 200, 100), 37u);
    EXPECT_EQ(progress_page::progress(0, 3, 200, 100), 0u);
    EXPECT_EQ(progress_page::progress(4, 1, 0, 100), 25u);
    // Record numbers whose hundredfold passes 32 bits.
    EXPECT_EQ(progress_page::progress(2, 1, 4000000000u, 3000000000u), 87u);
    EXPECT_EQ(progress_page::progress(1, 1, 10, 10), 100u);
    EXPECT_EQ(progress_page::progress(1, 2, 10, 10), 100u);
}

// A DEMO instance with views, for the view page.
class views_test : public selection_test {
protected:
    static void SetUpTestSuite() {
        selection_test::SetUpTestSuite();
        s_demo->run("DEMO", "demo",
                    {"CREATE VIEW cheap_products AS SELECT * FROM products WHERE price < 10",
                     "CREATE VIEW big_orders AS SELECT * FROM orders WHERE total > 100",
                     "CREATE VIEW all_names AS SELECT name FROM categories"});
    }
};

TEST_F(views_test, view_order_is_the_selected_lists_order) {
    to_tables();
    click(1101);
    next();
    ASSERT_EQ(page_id(), 127);
    ASSERT_EQ(shell().current_index(), 6);
    EXPECT_TRUE(ctrl(1117)->isVisible());
    EXPECT_TRUE(ctrl(1118)->isVisible());
    const int n = available()->count();
    ASSERT_GE(n, 3);
    click(1102);
    const QStringList before = items(selected());
    selected()->setCurrentRow(0);
    click(1117);
    EXPECT_EQ(items(selected()), before);
    selected()->setCurrentRow(n - 1);
    click(1118);
    EXPECT_EQ(items(selected()), before);
    selected()->setCurrentRow(0);
    click(1118);
    EXPECT_EQ(selected()->currentRow(), 1);
    QStringList order = items(selected());
    EXPECT_EQ(order[0], before[1]);
    EXPECT_EQ(order[1], before[0]);
    selected()->setCurrentRow(n - 1);
    click(1117);
    order = items(selected());
    EXPECT_EQ(order[n - 2], before[n - 1]);
    // Next stores the views in this order (asked of the page: the sheet would start the run).
    EXPECT_EQ(page().on_next(), 0);
    ASSERT_EQ(conv().selected_views.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(QString::fromStdWString(conv().selected_views[i].first), order[i]);
    EXPECT_NE(conv().selected_views[0].second.find(L"SELECT"), std::wstring::npos);
    // The stored order comes back on the next visit (the table page starts afresh).
    back();
    click(1101);
    next();
    ASSERT_EQ(shell().current_index(), 6);
    EXPECT_EQ(items(selected()), order);
}

TEST_F(views_test, view_page_is_skipped_when_views_are_not_converted) {
    to_tables();
    click(1101);
    auto* tables = shell().current_page();
    conv().convert_views = false;
    EXPECT_EQ(tables->on_next(), 107);
    conv().convert_views = true;
    EXPECT_EQ(tables->on_next(), 0);
}
