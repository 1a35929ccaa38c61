#include "wizard/kvt_sel_views_page.h"

#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "converter/tabshift_convertor.h"

kvt_sel_views_page::kvt_sel_views_page() : sel_tables_page(true) {
    set_header(QStringLiteral("Step 5 of 6"), QStringLiteral("Select views to convert"));
}

bool kvt_sel_views_page::page_init() {
    set_ctrl_text(k_ctl_page_text,
                  QStringLiteral("Select Oracle views to convert into MySQL format. Use the "
                                 "up and down buttons to control the order in which views "
                                 "are converted."));
    set_ctrl_text(k_ctl_available_label, QStringLiteral("&Available views:"));
    set_ctrl_text(k_ctl_selected_label, QStringLiteral("&Selected views:"));
    tabshift_convertor& conv = tabshift_convertor::instance();
    views = conv.get_all_views();
    names.clear();
    for (const auto& view : views) names.push_back(view.first);
    do_page_init();
    load_selection(conv.selected_views);
    return true;
}

int kvt_sel_views_page::on_next() {
    tk_log(2, "kvt_sel_views_page::on_next");
    if (!check_selection()) return -1;
    udb_converter::text_pairs chosen;
    for (const std::wstring& name : names) {
        for (const auto& view : views) {
            if (view.first == name) {
                tk_wlog(1, L"Found view: '%s'", name.c_str());
                chosen.push_back(view);
                break;
            }
        }
    }
    tabshift_convertor::instance().selected_views = chosen;
    return 0;
}

void kvt_sel_views_page::on_help() {
    wizard_shell::instance().display_help(k_topic_views);
}
