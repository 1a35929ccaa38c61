#include "common/ora_settings_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "ORA/ora_exception.h"
#include "TK/tk_error_converter.h"
#include "TK/tk_logger.h"
#include "converter/error_handler.h"
#include "converter/tabshift_convertor.h"

namespace {

// Oracle errors that mean the listener or the service cannot be reached: the connection help
// explains what to check.
bool is_listener_error(int ora_number) {
    switch (ora_number) {
        case k_ora_listener_cannot_start:
        case k_ora_unknown_sid:
        case k_ora_no_listener:
        case k_ora_host_unreachable:
        case k_ora_nls_parameters:
            return true;
        default:
            return false;
    }
}

}  // namespace

ora_settings_page2::ora_settings_page2(bool with_database) {
    set_header(QStringLiteral("Step 1 of 6"), QStringLiteral("Connect to Oracle server"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(make_label(
        this, 0,
        QStringLiteral("If the program has been installed on Oracle server machine, you can leave\n"
                       "'Server' editbox empty. It is necessary to specify the port only if it "
                       "differs\nfrom default value 1521.")));
    auto* grid = new QGridLayout();
    int row = 0;
    auto add_row = [&](int label_id, const QString& text, int edit_id) {
        QLineEdit* edit = make_edit(this, edit_id);
        edit->setMaxLength(259);
        grid->addWidget(make_buddy_label(this, label_id, text, edit), row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
        return edit;
    };
    add_row(0, QStringLiteral("&Server (IP or network name):"), k_ctl_ora_host);
    if (with_database) add_row(0, QStringLiteral("&Database name:"), k_ctl_ora_database);
    add_row(k_ctl_ora_port_label, QStringLiteral("Po&rt:"), k_ctl_ora_port);
    add_row(0, QStringLiteral("&Username:"), k_ctl_ora_user);
    add_row(0, QStringLiteral("&Password:"), k_ctl_ora_password)->setEchoMode(QLineEdit::Password);
    layout->addSpacing(12);
    layout->addLayout(grid);
    layout->addStretch(1);
}

bool ora_settings_page2::page_init() {
    tk_log(2, "ora_settings_page2<t_converter>::page_init");
    tabshift_convertor& conv = tabshift_convertor::instance();
    set_ctrl_text(k_ctl_ora_host, to_qt(conv.oracle_host));
    set_ctrl_text(k_ctl_ora_port, to_qt(conv.oracle_port));
    set_ctrl_text(k_ctl_ora_user, to_qt(conv.oracle_user));
    set_ctrl_text(k_ctl_ora_password, to_qt(conv.oracle_password));
    return true;
}

void ora_settings_page2::store_settings() {
    tk_log(2, "oracle_settings_page2<t_converter>::store_settings");
    store_connection();
}

void ora_settings_page2::store_connection() {
    tabshift_convertor::instance().store_oracle_settings(
        from_qt(cut_text(ctrl_text(k_ctl_ora_host), 260)),
        from_qt(cut_text(ctrl_text(k_ctl_ora_user), 260)),
        from_qt(cut_text(ctrl_text(k_ctl_ora_password), 260)),
        from_qt(cut_text(ctrl_text(k_ctl_ora_port), 260)));
}

void ora_settings_page2::on_help() {
    wizard_shell::instance().display_help(k_topic_oracle_page);
}

oracle_settings_page::animation::animation(oracle_settings_page& page)
    : animation_dlg(QStringLiteral("Connecting to Oracle data source.\nPlease wait..."),
                    k_icon_first_frame, k_animation_frames, 500),
      m_page(page) {
    setParent(&page, windowFlags());
}

void oracle_settings_page::animation::operator()() {
    tk_log(2, "oracle_settings_page::animation::operator()");
    m_page.connected = false;
    try {
        tabshift_convertor& conv = tabshift_convertor::instance();
        conv.connect_oracle_server(conv.m_source_name);
        m_page.connected = true;
    } catch (const ora_exception& e) {
        const tk_error_converter texts(12, oracle_error_texts);
        const std::string advice = texts.convert(e.code());
        wizard_shell::error_ansi(advice.empty() ? e.message() : advice);
        const int ora_number = e.code() & 0xFFFF;
        tk_log(2, "Got error code: %d", ora_number);
        if (is_listener_error(ora_number))
            wizard_shell::instance().display_help(k_topic_connection);
    } catch (const tk_exception& e) {
        try {
            error_handler::instance().handle(e, false);
        } catch (const tk_final_exception&) {
            // The error was shown; the page stays.
        }
    } catch (const std::exception& e) {
        wizard_shell::error_ansi(e.what());
        std::_Exit(-1);
    }
    close_from_worker();
}

oracle_settings_page::oracle_settings_page()
    : ora_settings_page2(true), m_animation(*this), m_thread(&m_animation) {}

oracle_settings_page::~oracle_settings_page() {
    if (m_thread.is_running()) wait_for_thread(m_thread);
}

bool oracle_settings_page::page_init() {
    tk_log(2, "ora_settings_page::page_init");
    ora_settings_page2::page_init();
    set_ctrl_text(k_ctl_ora_database, to_qt(tabshift_convertor::instance().m_source_name));
    return true;
}

void oracle_settings_page::store_settings() {
    tk_log(2, "oracle_settings_page::store_settings");
    tabshift_convertor::instance().m_source_name =
        from_qt(cut_text(ctrl_text(k_ctl_ora_database), 260));
    store_connection();
}

int oracle_settings_page::on_next() {
    store_settings();
    tabshift_convertor& conv = tabshift_convertor::instance();
    if (conv.m_source_name.empty()) {
        wizard_shell::message(L"You should enter Oracle database name");
        return -1;
    }
    connected = false;
    m_thread.start();
    m_animation.exec();
    // The worker closes the dialog as its last step; it may still be returning.
    wait_for_thread(m_thread);
    if (!connected) return -1;
    return conv.mysql_direct ? 123 : 102;
}

int oracle_settings_page::on_back() {
    store_settings();
    return 0;
}
