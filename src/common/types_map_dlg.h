// types_map_dlg: the dialog "Edit Table" (135) in which the user edits the type mapping of one
// source table: the destination table name, and per column the destination name, the MySQL type
// (one of the types allowed for the column), the default, the length or precision and scale, and
// whether the column is converted at all (the row's tick).  Only OK writes into the converter's
// type-mapping model; pressing OK without a change creates nothing.
//
// Rows: one per source column, in schema order.  An edited row exists for a column the user
// changed (or whose tick changed); a row without one keeps the built-in type.  An empty length,
// precision or scale keeps the column's built-in value.  A change of a row's tick changes only
// that row's status.  A row whose name is refused (empty, or another converted column's, as MySQL
// compares column names) keeps the selection until the name is mended.
//
// Thread-safety: window thread only; the dialog runs before a conversion starts.
#pragma once

#include <QDialog>
#include <map>
#include <string>

#include "UDB/udb_schema.h"
#include "converter/sql_native_type.h"

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;
class tk_exception;

class types_map_dlg : public QDialog {
public:
    struct edited_row {
        std::wstring new_name;
        sql_native_type type;
        int status = 1;
    };

    // Reads the source table's schema through the converter (its errors pass on).
    explicit types_map_dlg(const std::wstring& source_table, QWidget* owner = nullptr);

    void on_init();
    void on_ok();
    // False, with the reason shown, when a name is empty or already another column's: the dialog
    // stays open then.
    bool save_to_mutator();
    // The parameter fields for the type chosen in the type box.
    void show_ctrl();
    bool save_item(int row);
    bool store_row(int row);
    bool get_item(int row, edited_row& out);

    // False when the type files could not be read; the dialog then closes without changes.
    bool usable() const noexcept { return m_usable; }
    const std::map<std::wstring, edited_row>& edited() const noexcept { return m_edited; }

    static constexpr int k_help_topic = 1025;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load_from_mutator();
    void add_item(int row);
    void set_available_conversions(int row);
    void show_item(int row);
    void show_row(int row);
    void select_type(const QString& text);
    void on_item_changed(QTreeWidgetItem* item, int column);
    void on_current_changed(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    int row_of(const QTreeWidgetItem* item) const;
    // Another converted row already carries this destination name.
    bool name_taken(int row, const QString& name) const;
    // The row is current and the only one highlighted.
    void keep_row(QTreeWidgetItem* item);
    bool row_ticked(int row) const;
    // An error while the type box or the parameter fields are filled: told, nothing applied.
    void fail(const tk_exception& e);

    std::wstring m_source_table;
    udb_schema m_schema;
    std::wstring m_shown_table;
    std::map<std::wstring, sql_native_type> m_builtin;
    std::map<std::wstring, edited_row> m_edited;
    bool m_initialized = false;
    bool m_updating = false;
    bool m_usable = true;
    QTreeWidget* m_list = nullptr;
    QComboBox* m_types = nullptr;
};
