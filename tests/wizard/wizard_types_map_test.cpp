// The type-mapping editor over the DEMO tables: what it shows for a table without a mapping, what
// OK writes into the model (nothing without a change), renames, unticked columns, refused names,
// the parameter fields of each type, and an empty length.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "TK/tk_temp_chdir.h"
#include "common/types_map_dlg.h"
#include "converter/type_files.h"
#include "wizard/wizard_test_support.h"

class types_map_test : public wizard_test {
protected:
    void SetUp() override {
        wizard_test::SetUp();
        clear_type_caches();
        to_oracle_page(false);
        connect_oracle();
        ASSERT_EQ(page_id(), 102);
        // The table page has read the source's tables before it opens the editor.
        conv().get_all_tables();
    }
    void TearDown() override {
        clear_type_caches();
        wizard_test::TearDown();
    }
    static QTreeWidget* list(types_map_dlg& d) { return d.findChild<QTreeWidget*>("1316"); }
    static QLineEdit* edit(types_map_dlg& d, int id) {
        return d.findChild<QLineEdit*>(QString::number(id));
    }
    static QComboBox* types(types_map_dlg& d) { return d.findChild<QComboBox*>("1302"); }
    static int row_of(types_map_dlg& d, const QString& name) {
        for (int i = 0; i < list(d)->topLevelItemCount(); ++i)
            if (list(d)->topLevelItem(i)->text(1) == name) return i;
        return -1;
    }
    static void select(types_map_dlg& d, const QString& name) {
        list(d)->setCurrentItem(list(d)->topLevelItem(row_of(d, name)));
    }

    // The type files are read from the program's folder.
    tk_temp_chdir m_dir{TW_BINARY_DIR "/bin"};
};

TEST_F(types_map_test, table_without_mapping_shows_its_name_every_row_ticked_and_built_in_types) {
    types_map_dlg d(L"PRODUCTS");
    EXPECT_TRUE(d.usable());
    EXPECT_EQ(d.windowTitle(), "Edit Table");
    EXPECT_EQ(edit(d, 1003)->text(), "PRODUCTS");
    ASSERT_EQ(list(d)->topLevelItemCount(), 9);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(list(d)->topLevelItem(i)->checkState(0), Qt::Checked);
    EXPECT_EQ(list(d)->headerItem()->text(1), "Field Name");
    EXPECT_EQ(list(d)->topLevelItem(row_of(d, "SKU"))->text(2), "VARCHAR(20)");
    EXPECT_EQ(list(d)->currentItem(), list(d)->topLevelItem(0));
    EXPECT_EQ(edit(d, 1004)->text(), "PRODUCT_ID");
    select(d, "SKU");
    EXPECT_EQ(edit(d, 1004)->text(), "SKU");
    EXPECT_EQ(types(d)->currentText(), "VARCHAR");
    EXPECT_EQ(edit(d, 1006)->text(), "20");
    EXPECT_FALSE(edit(d, 1006)->isHidden());
    EXPECT_TRUE(edit(d, 1007)->isHidden());
    select(d, "PRICE");
    EXPECT_EQ(types(d)->currentText(), "DECIMAL");
    EXPECT_FALSE(edit(d, 1007)->isHidden());
    EXPECT_FALSE(edit(d, 1008)->isHidden());
    EXPECT_TRUE(edit(d, 1006)->isHidden());
    EXPECT_EQ(edit(d, 1007)->text(), "9");
    EXPECT_EQ(edit(d, 1008)->text(), "2");
}

TEST_F(types_map_test, ok_without_change_creates_no_mapping) {
    types_map_dlg d(L"PRODUCTS");
    select(d, "SKU");
    select(d, "PRICE");
    d.on_ok();
    EXPECT_EQ(conv().find_table_mutator(L"PRODUCTS"), nullptr);
}

TEST_F(types_map_test, renaming_only_the_table_creates_a_table_mapping_without_fields) {
    types_map_dlg d(L"CATEGORIES");
    edit(d, 1003)->setText("KINDS");
    d.on_ok();
    const sql_table_mutator* table = conv().find_table_mutator(L"CATEGORIES");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->new_name, L"KINDS");
    EXPECT_TRUE(table->field_mutators().empty());
    types_map_dlg again(L"CATEGORIES");
    EXPECT_EQ(edit(again, 1003)->text(), "KINDS");
}

TEST_F(types_map_test, unticked_field_gets_status_2_and_shows_unticked_again) {
    types_map_dlg d(L"PRODUCTS");
    select(d, "SKU");
    list(d)->topLevelItem(row_of(d, "THUMBNAIL"))->setCheckState(0, Qt::Unchecked);
    d.on_ok();
    const sql_table_mutator* table = conv().find_table_mutator(L"PRODUCTS");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->field_mutators().size(), 1u);
    const sql_field_mutator* field = table->find_field_mutator(L"THUMBNAIL");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->status, 2);
    // The tick of another row never took the controls of the selected row (SKU).
    EXPECT_EQ(field->new_name, L"THUMBNAIL");
    EXPECT_NE(field->native_type.type, L"VARCHAR");

    types_map_dlg again(L"PRODUCTS");
    EXPECT_EQ(list(again)->topLevelItem(row_of(again, "THUMBNAIL"))->checkState(0), Qt::Unchecked);
    EXPECT_EQ(list(again)->topLevelItem(row_of(again, "SKU"))->checkState(0), Qt::Checked);
}

TEST_F(types_map_test, retyped_and_renamed_field_is_written_into_the_model) {
    types_map_dlg d(L"PRODUCTS");
    select(d, "TITLE");
    edit(d, 1004)->setText("NAME");
    const int text_index = types(d)->findText("TEXT");
    ASSERT_GE(text_index, 0);
    types(d)->setCurrentIndex(text_index);
    EXPECT_TRUE(edit(d, 1006)->isHidden());
    select(d, "SKU");
    d.on_ok();
    const sql_field_mutator* field =
        conv().find_table_mutator(L"PRODUCTS")->find_field_mutator(L"TITLE");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->new_name, L"NAME");
    EXPECT_EQ(field->native_type.type, L"TEXT");
    EXPECT_EQ(field->status, 1);
}

TEST_F(types_map_test, empty_length_keeps_the_fields_own_length) {
    types_map_dlg d(L"PRODUCTS");
    select(d, "SKU");
    const int char_index = types(d)->findText("CHAR");
    ASSERT_GE(char_index, 0);
    types(d)->setCurrentIndex(char_index);
    edit(d, 1006)->clear();
    d.on_ok();
    const sql_field_mutator* field =
        conv().find_table_mutator(L"PRODUCTS")->find_field_mutator(L"SKU");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->native_type.type, L"CHAR");
    EXPECT_EQ(field->native_type.length, 20);
    EXPECT_EQ(native_type_text(field->native_type), L"CHAR(20)");
}

TEST_F(types_map_test, empty_field_name_is_refused_and_the_row_keeps_the_selection) {
    types_map_dlg d(L"PRODUCTS");
    select(d, "SKU");
    edit(d, 1004)->clear();
    script->answer(QMessageBox::Ok);
    select(d, "PRICE");
    EXPECT_EQ(list(d)->currentItem()->text(1), "SKU");
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Error|Name cannot be empty. Try again.");
}

TEST_F(types_map_test, refused_name_keeps_current_row_and_highlight_together) {
    types_map_dlg d(L"PRODUCTS");
    d.show();
    select(d, "SKU");
    auto click_row = [&](const QString& name) {
        QTreeWidgetItem* item = list(d)->topLevelItem(row_of(d, name));
        QTest::mouseClick(list(d)->viewport(), Qt::LeftButton, {},
                          list(d)->visualItemRect(item).center());
        QApplication::processEvents();
    };
    auto stays_on = [&](const std::string& name, const std::string& typed) {
        ASSERT_NE(list(d)->currentItem(), nullptr);
        EXPECT_EQ(list(d)->currentItem()->text(1).toStdString(), name);
        std::string highlighted;
        for (QTreeWidgetItem* item : list(d)->selectedItems())
            highlighted += item->text(1).toStdString() + " ";
        EXPECT_EQ(highlighted, name + " ");
        EXPECT_EQ(edit(d, 1004)->text().toStdString(), typed);
    };

    // An empty name, then a click on another row, then the arrow key.
    edit(d, 1004)->clear();
    script->answer(QMessageBox::Ok);
    click_row("PRICE");
    stays_on("SKU", "");
    script->answer(QMessageBox::Ok);
    list(d)->setFocus();
    QTest::keyClick(list(d), Qt::Key_Down);
    QApplication::processEvents();
    stays_on("SKU", "");

    // The name of another converted column, in other letters' case.
    edit(d, 1004)->setText("price");
    script->answer(QMessageBox::Ok);
    click_row("TITLE");
    stays_on("SKU", "price");
    ASSERT_EQ(script->boxes.size(), 3u);
    EXPECT_EQ(script->boxes[0], "Tidewell 6.3 Error|Name cannot be empty. Try again.");
    EXPECT_EQ(script->boxes[1], "Tidewell 6.3 Error|Name cannot be empty. Try again.");
    EXPECT_EQ(script->boxes[2], "Tidewell 6.3 Error|Duplicate field name. Try again.");

    // A dropped column's name is free; a mended name lets the click through.
    list(d)->topLevelItem(row_of(d, "THUMBNAIL"))->setCheckState(0, Qt::Unchecked);
    edit(d, 1004)->setText("THUMBNAIL");
    click_row("PRICE");
    stays_on("PRICE", "PRICE");
    d.on_ok();
    const sql_field_mutator* field =
        conv().find_table_mutator(L"PRODUCTS")->find_field_mutator(L"SKU");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->new_name, L"THUMBNAIL");
}

TEST_F(types_map_test, type_with_precision_but_not_scale_hides_both_fields) {
    const std::string dir = file("types");
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/sql.map") << "DECIMAL:\n  - DECIMAL\n  - FLOAT\n";
    std::ofstream(dir + "/sql.typ")
        << "DECIMAL:\n  - PRECISION\n  - SCALE\nFLOAT:\n  - PRECISION\n";
    tk_temp_chdir here(dir);
    clear_type_caches();
    types_map_dlg d(L"PRODUCTS");
    select(d, "PRICE");
    EXPECT_FALSE(edit(d, 1007)->isHidden());
    types(d)->setCurrentIndex(types(d)->findText("FLOAT"));
    EXPECT_TRUE(edit(d, 1007)->isHidden());
    EXPECT_TRUE(edit(d, 1008)->isHidden());
    EXPECT_TRUE(d.findChild<QLabel*>("1341")->isHidden());
    EXPECT_TRUE(edit(d, 1006)->isHidden());
}

TEST_F(types_map_test, missing_type_files_are_told_and_nothing_is_applied) {
    const std::string dir = file("empty");
    std::filesystem::create_directories(dir);
    tk_temp_chdir here(dir);
    clear_type_caches();
    // Beside the test program there are no type files either.
    script->answer(QMessageBox::Ok);
    types_map_dlg d(L"PRODUCTS");
    EXPECT_FALSE(d.usable());
    edit(d, 1003)->setText("OTHER");
    d.on_ok();
    EXPECT_EQ(conv().find_table_mutator(L"PRODUCTS"), nullptr);
    ASSERT_EQ(script->boxes.size(), 1u);
    EXPECT_EQ(script->boxes[0],
              "Tidewell 6.3 Error|Cannot find sql.map. Custom type mapping is not available.");
}
