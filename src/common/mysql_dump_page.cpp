#include "common/mysql_dump_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "converter/tabshift_convertor.h"

mysql_dump_page::mysql_dump_page() {
    set_header(QStringLiteral("Step 2 of 6"), QStringLiteral("MySQL dump file settings"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(make_label(
        this, 0,
        QStringLiteral("On this page you can specify how to format output MySQL dump file.")));

    auto radio_group = [&](const QString& title, int first, const QString& first_text, int second,
                           const QString& second_text) {
        QGroupBox* group = make_group(this, title);
        auto* group_layout = new QVBoxLayout(group);
        for (auto [id, text] : {std::pair{first, first_text}, std::pair{second, second_text}}) {
            QRadioButton* radio = make_plain_radio(group, id, text);
            group_layout->addWidget(radio);
            connect(radio, &QRadioButton::clicked, this, [this, id = id] { on_radio(id); });
        }
        layout->addWidget(group);
    };
    radio_group(QStringLiteral(" MySQL server version: "), k_ctl_dump_new_version,
                QStringLiteral("n&ew (4.1 or higher)"), k_ctl_dump_old_version,
                QStringLiteral("&old (before 4.1)"));
    radio_group(QStringLiteral(" Line breaks: "), k_ctl_dump_windows_eol,
                QStringLiteral("MS &Windows style (\\r\\n)"), k_ctl_dump_unix_eol,
                QStringLiteral("Uni&x style (\\n)"));
    for (auto [id, text] :
         {std::pair{k_ctl_dump_lock_tables,
                    QStringLiteral("&Add lock for write around 'INSERT' statements")},
          std::pair{k_ctl_dump_create_db, QStringLiteral("Insert 'CREATE &DATABASE' statement")},
          std::pair{k_ctl_dump_create_tables, QStringLiteral("Insert 'CREATE &TABLE' statements")},
          std::pair{k_ctl_dump_comments, QStringLiteral("Insert &comments")}}) {
        QCheckBox* box = make_plain_check(this, id, text);
        layout->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this, id = id] { on_check(id); });
    }
    layout->addStretch(1);
}

bool mysql_dump_page::page_init() {
    tk_log(2, "sql_dump_page<t_converter>::page_init");
    const dump_options& dump = tabshift_convertor::instance().dump;
    set_checked(k_ctl_dump_new_version, dump.new_version);
    set_checked(k_ctl_dump_old_version, !dump.new_version);
    set_checked(k_ctl_dump_unix_eol, dump.unix_eol != 0);
    set_checked(k_ctl_dump_windows_eol, dump.unix_eol == 0);
    set_checked(k_ctl_dump_lock_tables, dump.lock_tables);
    set_checked(k_ctl_dump_create_db, dump.create_db);
    set_checked(k_ctl_dump_create_tables, dump.structure);
    set_checked(k_ctl_dump_comments, dump.comments);
    enable_ctrl(k_ctl_dump_create_db, dump.structure);
    if (dump.structure)
        if (QWidget* box = ctrl(k_ctl_dump_create_db)) box->setFocus();
    return true;
}

void mysql_dump_page::on_radio(int id) {
    int partner = 0;
    switch (id) {
        case k_ctl_dump_new_version:
            partner = k_ctl_dump_old_version;
            break;
        case k_ctl_dump_old_version:
            partner = k_ctl_dump_new_version;
            break;
        case k_ctl_dump_windows_eol:
            partner = k_ctl_dump_unix_eol;
            break;
        case k_ctl_dump_unix_eol:
            partner = k_ctl_dump_windows_eol;
            break;
        default:
            throw tk_mail_assertion("sql_dump", 151);
    }
    set_checked(id, true);
    set_checked(partner, false);
}

void mysql_dump_page::on_check(int id) {
    invert_chbox(id);
    if (id == k_ctl_dump_create_tables)
        enable_ctrl(k_ctl_dump_create_db, is_checked(k_ctl_dump_create_tables));
}

void mysql_dump_page::store_options() {
    tabshift_convertor& conv = tabshift_convertor::instance();
    dump_options& dump = conv.dump;
    dump.lock_tables = is_checked(k_ctl_dump_lock_tables);
    dump.create_db = is_checked(k_ctl_dump_create_db);
    dump.structure = is_checked(k_ctl_dump_create_tables);
    dump.comments = is_checked(k_ctl_dump_comments);
    dump.new_version = is_checked(k_ctl_dump_new_version);
    conv.mysql_engine.version_word = dump.new_version ? 0x040100 : 0x031401;
    dump.unix_eol = is_checked(k_ctl_dump_windows_eol) ? 0 : 1;
}

int mysql_dump_page::on_next() {
    store_options();
    return 106;
}

int mysql_dump_page::on_back() {
    store_options();
    return 0;
}

void mysql_dump_page::on_help() {
    wizard_shell::instance().display_help(k_topic_dump_options);
}
