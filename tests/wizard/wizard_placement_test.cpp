// The dialogs the wizard opens stand over its middle, wherever the user moved the wizard: the wait
// dialog of the Oracle connection, the table editor and the overwrite choice.
#include <QListWidget>
#include <algorithm>
#include <cstdlib>
#include <QPushButton>
#include <QTest>

#include "TK/tk_temp_chdir.h"
#include "converter/type_files.h"
#include "wizard/wizard_test_support.h"

namespace {

// Counts the showings of the widgets of one name.
class show_counter : public QObject {
public:
    explicit show_counter(QString name) : m_name(std::move(name)) {
        QApplication::instance()->installEventFilter(this);
    }
    ~show_counter() override { QApplication::instance()->removeEventFilter(this); }
    int shows = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            watched->objectName() == m_name)
            ++shows;
        return false;
    }

private:
    QString m_name;
};

// How far the middle of `dialog` lies from the middle of `wizard`, in pixels along each axis.
int off_centre(const QWidget& dialog, const QWidget& wizard) {
    const QPoint d = dialog.frameGeometry().center() - wizard.frameGeometry().center();
    return std::max(std::abs(d.x()), std::abs(d.y()));
}

class placement_test : public wizard_test {
protected:
    void SetUp() override {
        wizard_test::SetUp();
        clear_type_caches();
        // Away from the middle of the screen, where a dialog placed by the screen would land.
        shell().move(30, 20);
        QApplication::processEvents();
    }
    void TearDown() override {
        clear_type_caches();
        wizard_test::TearDown();
    }

    // Answers the next modal window: measures it once its layout has settled, then closes it.
    modal_script::handler measure_then_click(int& distance, int button) {
        return [this, &distance, button](QWidget* w) {
            QTest::qWait(50);
            distance = off_centre(*w, shell());
            auto* pressed = w->findChild<QPushButton*>(QString::number(button));
            ASSERT_NE(pressed, nullptr)
                << "no button " << button << " in " << w->objectName().toStdString();
            pressed->click();
        };
    }

    // The table editor reads the type files from the program's folder.
    tk_temp_chdir m_dir{TW_BINARY_DIR "/bin"};
};

TEST_F(placement_test, wait_dialog_and_table_editor_open_over_the_middle_of_the_wizard) {
    show_counter wait_shows(QStringLiteral("101"));
    to_oracle_page(false);
    connect_oracle();
    ASSERT_EQ(page_id(), 102);
    ASSERT_GE(wait_shows.shows, 1);
    auto* wait = shell().findChild<QWidget*>(QStringLiteral("101"));
    ASSERT_NE(wait, nullptr);
    EXPECT_LE(off_centre(*wait, shell()), 3) << "wait dialog at " << wait->x() << "," << wait->y()
                                             << ", wizard at " << shell().x() << "," << shell().y();

    next();
    type(1004, QString::fromStdString(file("placed.sql")));
    next();
    ASSERT_EQ(page_id(), 127);
    auto* available = ctrl<QListWidget>(1317);
    available->setCurrentItem(available->findItems("PRODUCTS", Qt::MatchExactly).front());
    click(1101);
    auto* selected = ctrl<QListWidget>(1318);
    QListWidgetItem* products = selected->findItems("PRODUCTS", Qt::MatchExactly).front();
    selected->setCurrentItem(products);
    int editor = -1;
    script->then(measure_then_click(editor, 2));
    emit selected->itemDoubleClicked(products);
    EXPECT_GE(editor, 0) << "no table editor";
    EXPECT_LE(editor, 3);
}

TEST_F(placement_test, overwrite_choice_opens_over_the_middle_of_the_wizard) {
    REQUIRE_TEST_SERVER();
    const std::string db = new_database("wiz_place");
    std::string out;
    ASSERT_EQ(run_client_sql("create database `" + db + "`", out), 0) << out;
    to_oracle_page(true);
    connect_oracle();
    connect_mysql();
    ASSERT_EQ(page_id(), 106);
    type(1004, QString::fromStdString(db));
    int overwrite = -1;
    script->then(measure_then_click(overwrite, 2));
    next();
    EXPECT_EQ(page_id(), 106);
    EXPECT_GE(overwrite, 0) << "no overwrite choice";
    EXPECT_LE(overwrite, 3);
}

}  // namespace
