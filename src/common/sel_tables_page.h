// The selection pages (127): available names on the left (1317), selected ones on the right
// (1318), with Add, Add all, Remove and Remove all, and (with reorder) Up and Down for the order
// of the selected names.  sel_tables_page_ex adds queries stored as tables: a query lives in the
// selected or the available query list and moves between them with its name.
//
// Names are compared ignoring case; a list item holds at most 259 characters.
// Thread-safety: window thread only.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "GUI2/wizard_page.h"

class QListWidget;

class sel_tables_page : public wizard_page<127, k_wiz_back | k_wiz_next, k_page_has_help> {
public:
    using text_pairs = std::vector<std::pair<std::wstring, std::wstring>>;

    explicit sel_tables_page(bool reorder);

    // Moves each listed name that is available to the selected list.
    virtual void load_selection(const text_pairs& pairs);
    virtual bool is_query(const std::wstring& name) const;
    virtual void select_query(const std::wstring& name);
    virtual void unselect_query(const std::wstring& name);

    void on_add();
    void on_add_all();
    void on_delete();
    void on_del_all();
    void on_move_up();
    void on_move_down();

    // Both lists from `names`: everything available, nothing selected.
    void do_page_init();
    // The question when nothing is selected; then `names` becomes the selected non-query names.
    bool check_selection();

    QListWidget* available() const noexcept { return m_available; }
    QListWidget* selected() const noexcept { return m_selected; }
    std::vector<std::wstring> names;
    std::wstring question;

protected:
    // Adds an item where the alphabetical order puts it.
    static void add_sorted(QListWidget& list, const QString& text);
    // Moves the current item of `from` to `to`; answers its text (empty when none).
    std::wstring move_current(QListWidget& from, QListWidget& to);

    bool m_reorder;
    QListWidget* m_available = nullptr;
    QListWidget* m_selected = nullptr;
};

class sel_tables_page_ex : public sel_tables_page {
public:
    sel_tables_page_ex();

    void load_selection(const text_pairs& pairs) override;
    bool is_query(const std::wstring& name) const override;
    void select_query(const std::wstring& name) override;
    void unselect_query(const std::wstring& name) override;
    // Opens the type-mapping editor for a selected table (the wizard's page does).
    virtual void edit_table(const std::wstring& name);

    // "Add Query": the query dialog until a name not yet selected is given, or Cancel.
    void on_add_query();
    // A double click on a selected item: a query opens the query dialog, a table the editor.
    void on_edit_query();
    // Moves a query from the available to the selected queries.
    void do_add_query(const std::wstring& name);

    text_pairs selected_queries;
    text_pairs available_queries;

private:
    std::wstring m_last_name;
    std::wstring m_last_query;
};
