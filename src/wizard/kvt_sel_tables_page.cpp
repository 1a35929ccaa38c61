#include "wizard/kvt_sel_tables_page.h"

#include <QListWidget>

#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "common/types_map_dlg.h"
#include "converter/error_handler.h"
#include "converter/tabshift_convertor.h"

kvt_sel_tables_page::kvt_sel_tables_page() {
    question = L"There are no tables selected. Continue anyway?";
    set_header(QStringLiteral("Step 4 of 6"), QStringLiteral("Select tables to convert"));
}

bool kvt_sel_tables_page::page_init() {
    set_ctrl_text(k_ctl_page_text,
                  QStringLiteral("Select Oracle tables to convert into MySQL format. Double "
                                 "click on an item in\r\n'Selected tables' list to edit it."));
    set_ctrl_text(k_ctl_available_label, QStringLiteral("&Available tables:"));
    set_ctrl_text(k_ctl_selected_label, QStringLiteral("&Selected tables:"));
    tabshift_convertor& conv = tabshift_convertor::instance();
    names = conv.get_all_tables();
    do_page_init();
    show_ctrl(k_ctl_add_query, true);
    selected_queries.clear();
    available_queries.clear();
    load_selection(conv.table_jobs);
    for (const auto& pair : conv.available_queries) {
        if (is_query(pair.first)) continue;
        available_queries.push_back(pair);
        const QString name = to_qt(pair.first);
        if (!pair.second.empty() && list_box_find_text(name, *m_available))
            add_sorted(*m_available, name);
    }
    return true;
}

int kvt_sel_tables_page::on_next() {
    if (!check_selection()) return -1;
    tabshift_convertor& conv = tabshift_convertor::instance();
    conv.selected_tables = names;
    conv.table_jobs = selected_queries;
    conv.available_queries = available_queries;
    if (conv.can_create_views() && conv.convert_views && !conv.get_all_views().empty()) return 0;
    return 107;
}

int kvt_sel_tables_page::on_back() {
    tabshift_convertor& conv = tabshift_convertor::instance();
    conv.table_jobs = selected_queries;
    conv.available_queries = available_queries;
    return 0;
}

void kvt_sel_tables_page::on_help() {
    wizard_shell::instance().display_help(k_topic_tables);
}

void kvt_sel_tables_page::edit_table(const std::wstring& name) {
    tk_wlog(2, L"kvt_sel_tables_page::edit_table(%s)", name.c_str());
    tk_log(1, "Ready for types mapping");
    try {
        types_map_dlg dialog(name, window());
        dialog.exec();
    } catch (const tk_exception& e) {
        // The source's errors while the table is read; nothing was changed.
        error_handler::instance().handle(e, true);
    }
}
