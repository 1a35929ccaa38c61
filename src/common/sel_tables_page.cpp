#include "common/sel_tables_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "common/set_query_dlg.h"
#include "converter/tabshift_convertor.h"

namespace {

bool same_name(const std::wstring& a, const std::wstring& b) {
    return QString::compare(to_qt(a), to_qt(b), Qt::CaseInsensitive) == 0;
}

sel_tables_page::text_pairs::iterator find_pair(sel_tables_page::text_pairs& pairs,
                                                const std::wstring& name) {
    return std::find_if(pairs.begin(), pairs.end(),
                        [&](const auto& p) { return same_name(p.first, name); });
}

// The selection already holds an entry of this name (a table or a query): a second one would
// be converted into the same destination table, and only one of them would survive.
bool name_taken(const std::wstring& name, const QListWidget& selected) {
    if (list_box_find_text(cut_text(to_qt(name), 260), selected)) return false;
    wizard_shell::message(L"Duplicate table name. Try again.");
    return true;
}

}  // namespace

sel_tables_page::sel_tables_page(bool reorder) : m_reorder(reorder) {
    tk_log(2, "sel_tables_page::ctor(b_reorder=%d)", reorder ? 1 : 0);
    auto* layout = new QVBoxLayout(this);
    QLabel* description = make_label(this, k_ctl_page_text, QString());
    description->setWordWrap(true);
    layout->addWidget(description);
    auto* grid = new QGridLayout();
    m_available = make_list(this, k_ctl_available_list);
    m_selected = make_list(this, k_ctl_selected_list);
    grid->addWidget(make_buddy_label(this, k_ctl_available_label, QString(), m_available), 0, 0);
    grid->addWidget(make_buddy_label(this, k_ctl_selected_label, QString(), m_selected), 0, 2);
    grid->addWidget(m_available, 1, 0);
    auto* middle = new QVBoxLayout();
    middle->addStretch(1);
    QPushButton* add = make_button(this, k_ctl_add, QStringLiteral("A&dd >"));
    QPushButton* add_all = make_button(this, k_ctl_add_all, QStringLiteral("Add a&ll >"));
    QPushButton* remove = make_button(this, k_ctl_remove, QStringLiteral("< &Remove"));
    QPushButton* remove_all = make_button(this, k_ctl_remove_all, QStringLiteral("< Re&move all"));
    QPushButton* add_query = make_button(this, k_ctl_add_query, QStringLiteral("&Add Query"));
    for (QPushButton* b : {add, add_all, remove, remove_all, add_query}) middle->addWidget(b);
    add_query->hide();
    middle->addStretch(1);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_selected, 1, 2);
    auto* order = new QVBoxLayout();
    order->addStretch(1);
    QPushButton* up = make_button(this, k_ctl_up, QStringLiteral("^"));
    QPushButton* down = make_button(this, k_ctl_down, QStringLiteral("v"));
    up->setFixedWidth(28);
    down->setFixedWidth(28);
    up->hide();
    down->hide();
    order->addWidget(up);
    order->addWidget(down);
    order->addStretch(1);
    grid->addLayout(order, 1, 3);
    layout->addLayout(grid, 1);

    connect(add, &QPushButton::clicked, this, [this] { on_add(); });
    connect(add_all, &QPushButton::clicked, this, [this] { on_add_all(); });
    connect(remove, &QPushButton::clicked, this, [this] { on_delete(); });
    connect(remove_all, &QPushButton::clicked, this, [this] { on_del_all(); });
    connect(up, &QPushButton::clicked, this, [this] { on_move_up(); });
    connect(down, &QPushButton::clicked, this, [this] { on_move_down(); });
    connect(m_available, &QListWidget::itemDoubleClicked, this, [this] { on_add(); });
    connect(add_query, &QPushButton::clicked, this, [this] {
        if (auto* self = dynamic_cast<sel_tables_page_ex*>(this)) self->on_add_query();
    });
    connect(m_selected, &QListWidget::itemDoubleClicked, this, [this] {
        if (auto* self = dynamic_cast<sel_tables_page_ex*>(this)) self->on_edit_query();
    });
}

void sel_tables_page::add_sorted(QListWidget& list, const QString& text) {
    int row = 0;
    while (row < list.count() &&
           QString::compare(list.item(row)->text(), text, Qt::CaseInsensitive) <= 0)
        ++row;
    list.insertItem(row, text);
}

std::wstring sel_tables_page::move_current(QListWidget& from, QListWidget& to) {
    const int row = from.currentRow();
    if (row < 0) return std::wstring();
    QListWidgetItem* item = from.takeItem(row);
    const QString text = cut_text(item->text(), 260);
    delete item;
    add_sorted(to, text);
    return from_qt(text);
}

void sel_tables_page::do_page_init() {
    m_available->clear();
    m_selected->clear();
    for (const std::wstring& name : names) add_sorted(*m_available, cut_text(to_qt(name), 260));
    if (m_available->count() > 0) m_available->setCurrentRow(0);
    if (m_reorder) {
        tk_log(1, "Activating re-order buttons");
        show_ctrl(k_ctl_up, true);
        show_ctrl(k_ctl_down, true);
    }
}

void sel_tables_page::load_selection(const text_pairs& pairs) {
    // Appended in the stored order: for views that order is the order they are created in, which
    // sorting would lose.
    for (const auto& [name, text] : pairs) {
        const auto found = m_available->findItems(to_qt(name), Qt::MatchFixedString);
        if (found.isEmpty()) continue;
        QListWidgetItem* item = m_available->takeItem(m_available->row(found.front()));
        m_selected->addItem(item);
    }
    if (m_available->count() > 0) m_available->setCurrentRow(0);
    if (m_selected->count() > 0) m_selected->setCurrentRow(0);
}

bool sel_tables_page::is_query(const std::wstring&) const {
    return false;
}

void sel_tables_page::select_query(const std::wstring&) {}

void sel_tables_page::unselect_query(const std::wstring&) {}

void sel_tables_page::on_add() {
    tk_log(2, "sel_tables_page::on_add");
    const int row = m_available->currentRow();
    const std::wstring name = move_current(*m_available, *m_selected);
    if (name.empty() && row < 0) return;
    if (is_query(name)) select_query(name);
    if (m_available->count() == 0) {
        m_selected->setFocus();
        m_selected->setCurrentRow(0);
        return;
    }
    m_available->setCurrentRow(std::min(row, m_available->count() - 1));
}

void sel_tables_page::on_add_all() {
    tk_log(2, "sel_tables_page::on_add_all");
    while (m_available->count() > 0) {
        m_available->setCurrentRow(0);
        const std::wstring name = move_current(*m_available, *m_selected);
        if (is_query(name)) select_query(name);
    }
    m_selected->setFocus();
    if (m_selected->count() > 0) m_selected->setCurrentRow(0);
}

void sel_tables_page::on_delete() {
    tk_log(2, "sel_tables_page::on_delete");
    const int row = m_selected->currentRow();
    if (row < 0) return;
    const std::wstring name = move_current(*m_selected, *m_available);
    if (is_query(name)) unselect_query(name);
    if (m_selected->count() == 0) {
        m_available->setFocus();
        m_available->setCurrentRow(0);
        return;
    }
    m_selected->setCurrentRow(std::min(row, m_selected->count() - 1));
}

void sel_tables_page::on_del_all() {
    tk_log(2, "sel_tables_page::on_del_all");
    while (m_selected->count() > 0) {
        m_selected->setCurrentRow(0);
        const std::wstring name = move_current(*m_selected, *m_available);
        if (is_query(name)) unselect_query(name);
    }
    m_available->setFocus();
    if (m_available->count() > 0) m_available->setCurrentRow(0);
}

void sel_tables_page::on_move_up() {
    tk_log(2, "sel_tables_page::on_move_up");
    const int row = m_selected->currentRow();
    if (row <= 0) return;
    QListWidgetItem* item = m_selected->takeItem(row);
    m_selected->insertItem(row - 1, item);
    m_selected->setCurrentRow(row - 1);
}

void sel_tables_page::on_move_down() {
    tk_log(2, "sel_tables_page::on_move_down");
    const int row = m_selected->currentRow();
    if (row < 0 || row + 1 >= m_selected->count()) return;
    QListWidgetItem* item = m_selected->takeItem(row);
    m_selected->insertItem(row + 1, item);
    m_selected->setCurrentRow(row + 1);
}

bool sel_tables_page::check_selection() {
    if (m_available->count() > 0 && m_selected->count() == 0 && !question.empty()) {
        if (!wizard_shell::question(question, k_default_no)) return false;
    }
    names.clear();
    for (int row = 0; row < m_selected->count(); ++row) {
        const std::wstring name = from_qt(m_selected->item(row)->text());
        if (!is_query(name)) names.push_back(name);
    }
    return true;
}

sel_tables_page_ex::sel_tables_page_ex() : sel_tables_page(false) {}

void sel_tables_page_ex::load_selection(const text_pairs& pairs) {
    for (const auto& [name, text] : pairs) {
        const QString qname = cut_text(to_qt(name), 260);
        const bool in_available = !list_box_find_text(qname, *m_available);
        const bool in_selected = !list_box_find_text(qname, *m_selected);
        if (!text.empty() && !in_available && !in_selected) {
            add_sorted(*m_selected, qname);
            selected_queries.emplace_back(name, text);
        } else if (in_available) {
            // A query named like a table of the source: the table's item stands for it.
            m_available->setCurrentItem(
                m_available->findItems(qname, Qt::MatchFixedString).front());
            on_add();
        }
    }
}

bool sel_tables_page_ex::is_query(const std::wstring& name) const {
    auto has = [&](const text_pairs& pairs) {
        return std::any_of(pairs.begin(), pairs.end(),
                           [&](const auto& p) { return same_name(p.first, name); });
    };
    return has(selected_queries) || has(available_queries);
}

void sel_tables_page_ex::select_query(const std::wstring& name) {
    do_add_query(name);
}

void sel_tables_page_ex::do_add_query(const std::wstring& name) {
    tk_wlog(2, L"sel_tables_page_ex::do_add_query(%s)", name.c_str());
    auto it = find_pair(available_queries, name);
    if (it == available_queries.end()) return;
    tk_wlog(1, L"Adding pair: '%s','%s'", it->first.c_str(), it->second.c_str());
    selected_queries.push_back(*it);
    available_queries.erase(it);
}

void sel_tables_page_ex::unselect_query(const std::wstring& name) {
    auto it = find_pair(selected_queries, name);
    if (it == selected_queries.end()) return;
    available_queries.push_back(*it);
    selected_queries.erase(it);
}

void sel_tables_page_ex::edit_table(const std::wstring&) {}

void sel_tables_page_ex::on_add_query() {
    tk_log(2, "sel_tables_page::on_add_query");
    for (;;) {
        set_query_dlg dialog(m_last_name, m_last_query, window());
        if (dialog.exec() != 1) return;
        m_last_name = dialog.name;
        m_last_query = dialog.query;
        if (name_taken(dialog.name, *m_selected)) continue;
        add_sorted(*m_selected, cut_text(to_qt(dialog.name), 260));
        selected_queries.emplace_back(dialog.name, dialog.query);
        return;
    }
}

void sel_tables_page_ex::on_edit_query() {
    tk_log(2, "sel_tables_page_ex::on_edit_query");
    QListWidgetItem* item = m_selected->currentItem();
    if (!item) {
        tk_log(1, "Nothing is selected!");
        return;
    }
    const std::wstring name = from_qt(item->text());
    auto it = find_pair(selected_queries, name);
    if (it == selected_queries.end()) {
        tk_log(1, "It's not a query, show type mapping");
        edit_table(name);
        return;
    }
    std::wstring new_name = it->first;
    std::wstring new_query = it->second;
    for (;;) {
        set_query_dlg dialog(new_name, new_query, window());
        if (dialog.exec() != 1) return;
        new_name = dialog.name;
        new_query = dialog.query;
        if (same_name(new_name, name) || !name_taken(new_name, *m_selected)) break;
    }
    selected_queries.erase(find_pair(selected_queries, name));
    selected_queries.emplace_back(new_name, new_query);
    item->setText(cut_text(to_qt(new_name), 260));
}
