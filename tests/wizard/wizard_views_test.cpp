// The views page drives the run: the views chosen there exist in the server once the run ends,
// with the rows of the source views, and a view the server refuses is shown and listed on the
// closing page under its name.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "SQL/sql_test_env.h"
#include "TK/tk_temp_chdir.h"
#include "lite_engine.h"
#include "wizard/wizard_test_support.h"

namespace {

std::string server_rows(const std::string& sql) {
    std::string out;
    EXPECT_EQ(run_client_sql(sql, out), 0) << out;
    return out;
}

class wizard_views_test : public wizard_test {
protected:
    static void SetUpTestSuite() {
        wizard_test::SetUpTestSuite();
        s_demo->run("DEMO", "demo",
                    {"CREATE VIEW order_labels AS SELECT o.order_id, c.full_name || ' #' || "
                     "o.order_id AS label FROM orders o, customers c WHERE o.customer_id = "
                     "c.customer_id",
                     "CREATE VIEW kinds AS SELECT name FROM categories"});
    }

    // The rows of a source query, one line each, cells separated by tabs.
    std::string source_rows(const std::string& sql) {
        std::string out;
        s_demo->with_session("DEMO", "demo", [&](lite_session& session) {
            auto stmt = session.prepare(sql);
            stmt->execute();
            while (stmt->next()) {
                for (std::size_t c = 0; c < stmt->columns().size(); ++c)
                    out += (c ? "\t" : "") + std::string(stmt->text(static_cast<int>(c)));
                out += "\n";
            }
        });
        return out;
    }

    tk_temp_chdir m_dir{TW_BINARY_DIR "/bin"};
};

TEST_F(wizard_views_test, views_chosen_on_the_views_page_are_created_by_the_run) {
    REQUIRE_TEST_SERVER();
    to_oracle_page(true);
    connect_oracle();
    connect_mysql();
    const std::string db = new_database("wiz_views");
    type(1004, QString::fromStdString(db));
    next();
    ASSERT_EQ(page_id(), 127);
    // Every table but CATEGORIES, so that KINDS has nothing to read.
    click(1102);
    auto* tables = ctrl<QListWidget>(1318);
    tables->setCurrentItem(tables->findItems("CATEGORIES", Qt::MatchExactly).front());
    click(1111);
    next();
    ASSERT_EQ(shell().current_index(), 6);
    click(1102);
    ASSERT_EQ(ctrl<QListWidget>(1318)->count(), 3);
    std::string shown;
    script->then([&shown](QWidget* w) {
        EXPECT_EQ(w->objectName(), "115");
        shown = w->findChild<QLabel*>("1320")->text().toStdString();
        w->findChild<QPushButton*>("2")->click();
    });
    next();
    ASSERT_EQ(page_id(), 107);
    ASSERT_TRUE(QTest::qWaitFor([&] { return page_id() == 116; }, 60000));
    EXPECT_EQ(script->pending(), 0u);
    EXPECT_TRUE(script->unexpected.empty());
    EXPECT_EQ(shown.rfind("View 'KINDS': ", 0), 0u) << shown;
    ASSERT_EQ(shell().error_list.size(), 1u);
    EXPECT_EQ(shell().error_list[0].rfind("View 'KINDS': ", 0), 0u) << shell().error_list[0];
    EXPECT_NE(ctrl<QLabel>(1314)->text().toStdWString(), std::wstring(k_finish_success_text));

    EXPECT_EQ(server_rows("select table_name from information_schema.views where "
                          "table_schema = '" +
                          db + "' order by table_name"),
              "CUSTOMER_TOTALS\nORDER_LABELS\n");
    EXPECT_EQ(
        server_rows("select order_id, label from `" + db + "`.ORDER_LABELS order by order_id"),
        source_rows("SELECT order_id, label FROM order_labels ORDER BY order_id"));
    EXPECT_EQ(server_rows("select customer_id, orders from `" + db +
                          "`.CUSTOMER_TOTALS order by customer_id"),
              source_rows("SELECT customer_id, orders FROM customer_totals ORDER BY customer_id"));
}

}  // namespace
