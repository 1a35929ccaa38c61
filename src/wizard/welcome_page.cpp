#include "wizard/welcome_page.h"

#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "GUI2/file_dialog.h"
#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "converter/error_handler.h"
#include "converter/tabshift_convertor.h"

welcome_page::welcome_page(std::wstring profile_ext) : m_profile_ext(std::move(profile_ext)) {
    auto* layout = new QVBoxLayout(this);
    QLabel* title = make_label(this, k_ctl_page_text,
                               QStringLiteral("Welcome to Tidewell\nConversion Wizard\n"));
    title->setWordWrap(true);
    layout->addWidget(title);
    layout->addWidget(
        make_label(this, 0, QStringLiteral("This wizard helps you to migrate Oracle database to")));
    layout->addWidget(
        make_label(this, 0, QStringLiteral("MySQL server. Click 'Next' to continue.")));
    layout->addSpacing(16);
    QPushButton* load = make_button(this, k_ctl_load_settings, QStringLiteral("&Load Settings..."));
    auto* load_row = new QHBoxLayout();
    load_row->addWidget(load);
    load_row->addStretch(1);
    layout->addLayout(load_row);
    layout->addSpacing(16);
    layout->addWidget(make_label(this, 0, QStringLiteral("Select conversion scenario:")));
    layout->addWidget(
        make_radio(this, k_ctl_to_server, QStringLiteral("&Move to MySQL server directly")));
    layout->addWidget(make_radio(this, k_ctl_to_dump, QStringLiteral("&Store into dump file")));
    layout->addStretch(1);
    connect(load, &QPushButton::clicked, this, [this] {
        if (auto* self = dynamic_cast<welcome_page_t*>(this)) self->on_load();
    });
}

bool welcome_page::page_init() {
    tk_log(2, "welcome_page::page_init");
    set_title_font(k_ctl_page_text);
    load_settings();
    return true;
}

void welcome_page::load_settings() {
    const bool direct = tabshift_convertor::instance().mysql_direct;
    set_checked(k_ctl_to_server, direct);
    set_checked(k_ctl_to_dump, !direct);
}

int welcome_page::on_next() {
    tk_log(2, "welcome_page::on_next");
    const bool direct = is_checked(k_ctl_to_server);
    tk_log(1, "settind direct_mode to %d", direct ? 1 : 0);
    tabshift_convertor::instance().mysql_direct = direct;
    return 0;
}

void welcome_page::on_help() {
    wizard_shell::instance().display_help(k_topic_welcome);
}

void welcome_page_t::on_load() {
    const std::wstring filter = profile_filter_text(m_profile_ext);
    tk_wlog(2, L"welcome_page_t::on_load(%s)", filter.c_str());
    open_file_dialog dialog(window(), file_dialog::split_filter(filter), L"Select Profile File",
                            L"");
    if (dialog.run()) {
        try {
            if (!tabshift_convertor::instance().load_profile_file(dialog.path()))
                wizard_shell::error(L"The profile '" + dialog.path() +
                                    L"' could not be loaded completely.");
        } catch (const tk_exception& e) {
            // A missing file or a bad value: told here, the wizard goes on with what it holds.
            try {
                error_handler::instance().handle(e, true);
            } catch (const tk_final_exception&) {
            }
        }
    }
    load_settings();
}
