#include "common/mysql_settings_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "SQL/sql_exception.h"
#include "TK/tk_error_converter.h"
#include "TK/tk_logger.h"
#include "converter/error_handler.h"
#include "converter/tabshift_convertor.h"

mysql_settings_page::mysql_settings_page() {
    set_header(QStringLiteral("Step 2 of 6"), QStringLiteral("Connect to MySQL server"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(make_label(
        this, 0,
        QStringLiteral(
            "Provide necessary information to establish connection with MySQL server.")));

    QGroupBox* access = make_group(this, QStringLiteral(" Access mode "));
    auto* access_layout = new QHBoxLayout(access);
    QRadioButton* local = make_radio(access, k_ctl_mysql_local, QStringLiteral("&Local"));
    QRadioButton* remote = make_radio(access, k_ctl_mysql_remote, QStringLiteral("&Remote"));
    access_layout->addWidget(local);
    access_layout->addWidget(remote);
    access_layout->addStretch(1);
    layout->addWidget(access);

    QGroupBox* auth = make_group(this, QStringLiteral(" Authorization settings "));
    auto* auth_grid = new QGridLayout(auth);
    QLineEdit* user = make_edit(auth, k_ctl_mysql_user);
    QLineEdit* password = make_edit(auth, k_ctl_mysql_password);
    password->setEchoMode(QLineEdit::Password);
    auth_grid->addWidget(make_buddy_label(auth, 0, QStringLiteral("&User name:"), user), 0, 0);
    auth_grid->addWidget(user, 0, 1);
    auth_grid->addWidget(make_buddy_label(auth, 0, QStringLiteral("User pa&ssword:"), password), 1,
                         0);
    auth_grid->addWidget(password, 1, 1);
    layout->addWidget(auth);

    QGroupBox* remote_box = make_group(this, QStringLiteral(" Remote settings "));
    auto* remote_grid = new QGridLayout(remote_box);
    QLineEdit* host = make_edit(remote_box, k_ctl_mysql_host);
    QLineEdit* port = make_edit(remote_box, k_ctl_mysql_port);
    remote_grid->addWidget(make_buddy_label(remote_box, 0, QStringLiteral("H&ost:"), host), 0, 0);
    remote_grid->addWidget(host, 0, 1);
    remote_grid->addWidget(
        make_label(remote_box, 0, QStringLiteral("(it could be network name or IP address)")), 0,
        2);
    remote_grid->addWidget(make_buddy_label(remote_box, 0, QStringLiteral("&Port:"), port), 1, 0);
    remote_grid->addWidget(port, 1, 1);
    remote_grid->addWidget(
        make_label(remote_box, 0, QStringLiteral("(default MySQL port is 3306)")), 1, 2);
    layout->addWidget(remote_box);
    layout->addStretch(1);

    connect(local, &QRadioButton::clicked, this, [this] { on_local(); });
    connect(remote, &QRadioButton::clicked, this, [this] { on_remote(); });
}

bool mysql_settings_page::page_init() {
    tk_log(2, "sql_settings_page2<t_converter>::page_init");
    tabshift_convertor& conv = tabshift_convertor::instance();
    set_ctrl_text(k_ctl_mysql_user, to_qt(widen_ansi(conv.mysql_user)));
    set_ctrl_text(k_ctl_mysql_password, to_qt(widen_ansi(conv.mysql_password)));
    if (conv.mysql_host.empty()) {
        set_checked(k_ctl_mysql_local, true);
        enable_ctrl(k_ctl_mysql_host, false);
        enable_ctrl(k_ctl_mysql_port, false);
    } else {
        set_checked(k_ctl_mysql_remote, true);
        set_ctrl_text(k_ctl_mysql_host, to_qt(widen_ansi(conv.mysql_host)));
        set_ctrl_text(k_ctl_mysql_port, to_qt(widen_ansi(conv.mysql_port)));
        enable_ctrl(k_ctl_mysql_host, true);
        enable_ctrl(k_ctl_mysql_port, true);
        if (QWidget* port = ctrl(k_ctl_mysql_port)) port->setFocus();
    }
    return true;
}

void mysql_settings_page::on_local() {
    enable_ctrl(k_ctl_mysql_host, false);
    enable_ctrl(k_ctl_mysql_port, false);
}

void mysql_settings_page::on_remote() {
    enable_ctrl(k_ctl_mysql_host, true);
    enable_ctrl(k_ctl_mysql_port, true);
    if (QWidget* host = ctrl(k_ctl_mysql_host)) host->setFocus();
}

void mysql_settings_page::store_settings() {
    std::string host;
    std::string port = "3306";
    if (is_checked(k_ctl_mysql_remote)) {
        host = to_ansi(cut_text(ctrl_text(k_ctl_mysql_host), 260));
        port = to_ansi(cut_text(ctrl_text(k_ctl_mysql_port), 260));
    }
    tabshift_convertor::instance().store_mysql_settings(
        host, to_ansi(cut_text(ctrl_text(k_ctl_mysql_user), 260)),
        to_ansi(cut_text(ctrl_text(k_ctl_mysql_password), 260)), port);
}

int mysql_settings_page::on_next() {
    store_settings();
    try {
        tabshift_convertor::instance().connect_mysql_server();
        return 106;
    } catch (const sql_auth_not_supported_exception& e) {
        wizard_shell::error_ansi(e.message());
        wizard_shell::instance().display_help(k_topic_connection);
    } catch (const tk_exception& e) {
        const tk_error_converter texts(k_mysql_error_text_count, mysql_error_texts);
        const std::string advice = texts.convert(e.code());
        wizard_shell::error_ansi(advice.empty() ? e.message() : advice);
        const int number = e.code() & 0xFFFF;
        if (number == k_mysql_auth_protocol || number == k_mysql_auth_protocol_old)
            wizard_shell::instance().display_help(k_topic_connection);
    }
    return -1;
}

int mysql_settings_page::on_back() {
    store_settings();
    return 132;
}

void mysql_settings_page::on_help() {
    wizard_shell::instance().display_help(k_topic_mysql_page);
}
