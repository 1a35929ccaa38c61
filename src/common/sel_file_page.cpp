#include "common/sel_file_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <cstdio>

#include "GUI2/file_dialog.h"
#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_error_converter.h"
#include "TK/tk_exception.h"
#include "TK/tk_file_wname.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/overwrite_dlg.h"
#include "converter/error_handler.h"
#include "converter/tabshift_convertor.h"
#include "platform/win/win_error.h"

namespace {

// Engines whose tables keep no rows (or are not user tables at all): a run into them would
// report success and leave every table empty.
constexpr const wchar_t* k_rowless_engines[] = {L"BLACKHOLE", L"CSV", L"SEQUENCE",
                                                L"PERFORMANCE_SCHEMA"};

bool is_rowless_engine(const std::wstring& name) {
    for (const wchar_t* rowless : k_rowless_engines)
        if (QString::fromStdWString(name).compare(QString::fromWCharArray(rowless),
                                                  Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Selects the item whose first word is `name`, ignoring case.  A stored name the list lacks is
// added, so that Next keeps it; with no name stored nothing is selected and nothing is stored.
void select_stored(QComboBox& box, const QString& name) {
    if (name.isEmpty()) {
        box.setCurrentIndex(-1);
        return;
    }
    for (int i = 0; i < box.count(); ++i) {
        if (box.itemText(i).section(QLatin1Char(' '), 0, 0).compare(name, Qt::CaseInsensitive) ==
            0) {
            box.setCurrentIndex(i);
            return;
        }
    }
    box.addItem(name);
    box.setCurrentIndex(box.count() - 1);
}

// The path with its extension (the part after the last dot of the last component) replaced.
std::wstring replace_extension(const std::wstring& path, const std::wstring& ext) {
    const std::size_t slash = path.find_last_of(L"/\\");
    const std::size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return path + ext;
    return path.substr(0, dot) + ext;
}

}  // namespace

sel_file_page::sel_file_page() {
    tk_log(2, "sel_file_page::ctor");
    set_header(QStringLiteral("Step 3 of 6"), QStringLiteral("Conversion Settings"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(make_label(
        this, 0,
        QStringLiteral(
            "On this page you can specify the destination name and conversion settings.")));
    auto* grid = new QGridLayout();
    QLineEdit* dest = make_edit(this, k_ctl_destination);
    dest->setMaxLength(259);
    grid->addWidget(make_buddy_label(this, k_ctl_destination_label, QString(), dest), 0, 0);
    grid->addWidget(dest, 0, 1);
    QPushButton* browse_dump = make_button(this, k_ctl_browse_dump, QStringLiteral("Browse..."));
    browse_dump->hide();
    grid->addWidget(browse_dump, 0, 2);
    QLineEdit* log = make_edit(this, k_ctl_log_file);
    log->setMaxLength(259);
    grid->addWidget(make_buddy_label(this, 0, QStringLiteral("&Logfile:"), log), 1, 0);
    grid->addWidget(log, 1, 1);
    QPushButton* browse_log = make_button(this, k_ctl_browse_log, QStringLiteral("Browse..."));
    grid->addWidget(browse_log, 1, 2);
    grid->addWidget(
        make_label(this, 0, QStringLiteral("Leave logfile field blank to disable logging.")), 2, 1);
    m_charsets = make_combo(this, k_ctl_charsets);
    m_engines = make_combo(this, k_ctl_engines);
    grid->addWidget(make_buddy_label(this, 0, QStringLiteral("&MySQL character set:"), m_charsets),
                    3, 0);
    grid->addWidget(m_charsets, 3, 1);
    grid->addWidget(make_buddy_label(this, 0, QStringLiteral("MySQL &engine:"), m_engines), 4, 0);
    grid->addWidget(m_engines, 4, 1);
    layout->addLayout(grid);
    for (auto [id, text] :
         {std::pair{k_ctl_definitions_only, QStringLiteral("&Convert table definitions only")},
          std::pair{k_ctl_skip_indexes, QStringLiteral("S&kip converting indexes")},
          std::pair{k_ctl_case_sensitive, QStringLiteral("&Make all strings case sensitive")},
          std::pair{k_ctl_owned_by_user, QStringLiteral("View tables owned by the &user")}}) {
        QCheckBox* box = make_plain_check(this, id, text);
        layout->addWidget(box);
        connect(box, &QCheckBox::clicked, this, [this, id = id] { invert_chbox(id); });
    }
    layout->addStretch(1);
    connect(browse_dump, &QPushButton::clicked, this, [this] { on_browse_dump(); });
    connect(browse_log, &QPushButton::clicked, this, [this] { on_browse_log(); });
}

bool sel_file_page::page_init() {
    tk_log(2, "sel_file_page::page_init");
    tabshift_convertor& conv = tabshift_convertor::instance();
    set_checked(k_ctl_skip_indexes, conv.skip_idx);
    set_checked(k_ctl_definitions_only, conv.tab_def);
    set_checked(k_ctl_case_sensitive, conv.case_sensitive);
    set_checked(k_ctl_owned_by_user, conv.oracle_engine.b_owned_by_user);
    set_ctrl_text(k_ctl_destination_label, conv.mysql_direct ? QStringLiteral("My&SQL database:")
                                                             : QStringLiteral("My&SQL dump file:"));
    if (!conv.m_log_file.empty()) set_ctrl_text(k_ctl_log_file, to_qt(widen_ansi(conv.m_log_file)));
    if (!m_lists_filled) {
        m_lists_filled = true;
        tk_log(1, "Initializing charset combobox");
        for (const std::wstring& item : conv.mysql_engine.get_charsets())
            m_charsets->addItem(to_qt(item));
        tk_log(1, "Initializing engines combobox");
        for (const std::wstring& item : conv.mysql_engine.get_storage_engines())
            if (!is_rowless_engine(item)) m_engines->addItem(to_qt(item));
    }
    select_stored(*m_charsets, to_qt(conv.mysql_engine.character_set()));
    // A stored engine that keeps no rows is not offered again: the run then takes its default.
    const std::wstring& engine = conv.mysql_engine.table_type();
    select_stored(*m_engines, is_rowless_engine(engine) ? QString() : to_qt(engine));
    if (!conv.m_destination_name.empty()) {
        if (conv.mysql_direct) {
            try {
                set_ctrl_text(k_ctl_destination,
                              to_qt(tk_file_wname(conv.m_destination_name.c_str()).name()));
            } catch (const tk_exception&) {
                set_ctrl_text(k_ctl_destination, to_qt(conv.m_destination_name));
            }
        } else {
            show_ctrl(k_ctl_browse_dump, true);
            set_ctrl_text(k_ctl_destination,
                          to_qt(replace_extension(conv.m_destination_name, L".sql")));
        }
    }
    return true;
}

void sel_file_page::store_file_info() {
    tk_log(2, "sel_file_page::store_file_info");
    tabshift_convertor& conv = tabshift_convertor::instance();
    conv.tab_def = is_checked(k_ctl_definitions_only);
    conv.skip_idx = is_checked(k_ctl_skip_indexes);
    conv.case_sensitive = is_checked(k_ctl_case_sensitive);
    conv.oracle_engine.b_owned_by_user = is_checked(k_ctl_owned_by_user);
    conv.m_destination_name = from_qt(cut_text(ctrl_text(k_ctl_destination), 260));
    conv.set_logfile(to_ansi(cut_text(ctrl_text(k_ctl_log_file), 260)));

    const QString charset = m_charsets->currentText();
    if (charset.isEmpty()) {
        tk_log(2, "Failed to exract text from charset COMBO");
    } else {
        tk_wlog(1, L"got charset1=%s", from_qt(charset).c_str());
        const QString first_word = charset.section(QLatin1Char(' '), 0, 0);
        tk_wlog(1, L"got charset2=%s", from_qt(first_word).c_str());
        conv.mysql_engine.set_character_set(from_qt(first_word));
    }
    const QString engine = m_engines->currentText();
    if (engine.isEmpty()) {
        tk_log(2, "Failed to exract text from engines COMBO");
    } else {
        tk_wlog(1, L"got tab_type=%s", from_qt(engine).c_str());
        conv.mysql_engine.set_table_type(from_qt(engine));
        conv.engine_chosen = true;
    }
}

void sel_file_page::show_error(const tk_exception& e) {
    const tk_error_converter oracle_texts(12, oracle_error_texts);
    const tk_error_converter mysql_texts(k_mysql_error_text_count, mysql_error_texts);
    std::string text = oracle_texts.convert(e.code());
    if (text.empty()) text = mysql_texts.convert(e.code());
    wizard_shell::error_ansi(text.empty() ? e.message() : text);
}

int sel_file_page::on_next() {
    tabshift_convertor& conv = tabshift_convertor::instance();
    try {
        store_file_info();
        const std::wstring& dest = conv.m_destination_name;
        if (dest.empty()) {
            wizard_shell::message(conv.mysql_direct ? L"You should enter MySQL database name"
                                                    : L"You should enter MySQL dump file name");
            return -1;
        }
        if (conv.mysql_direct) {
            conv.check_mysql_db_name(dest);
            tk_wlog(2, L"mysql_converter_impl::is_mysql_base_exist( %s )", dest.c_str());
            if (conv.mysql_engine.is_db_exist(dest)) {
                tk_log(1, "MySQL DB exists...");
                overwrite_dlg3 dialog(k_topic_overwrite,
                                      L"The destination database already exists. Select one of "
                                      L"the\noptions below. Click 'Help' button for more "
                                      L"information.",
                                      window());
                if (dialog.exec() != 1) return -1;
                if (dialog.mode == k_mode_overwrite_database) conv.del_mysql_base(dest);
                tk_log(1, "udb_converter::set_mode(%d)", dialog.mode);
                conv.mode = dialog.mode;
                conv.mode_chosen = true;
            } else {
                tk_log(2, "Creating new MySQL DB...");
            }
            return 0;
        }
        common_check_dest(dest);
        if (tk_is_file_exist(dest, 0x4000)) {
            // The run replaces the file once the new dump is whole; until then it stays.
            if (!wizard_shell::question(L"Destination file already exists. Overwrite?",
                                        k_default_no))
                return -1;
        }
        return 0;
    } catch (const tk_exception& e) {
        show_error(e);
        return -1;
    }
}

int sel_file_page::on_back() {
    try {
        store_file_info();
    } catch (const tk_exception& e) {
        // A log file that cannot be used is told now; leaving would lose the choice unseen.
        show_error(e);
        return -1;
    }
    return tabshift_convertor::instance().mysql_direct ? 123 : 102;
}

void sel_file_page::on_help() {
    wizard_shell::instance().display_help(k_topic_destination);
}

void sel_file_page::on_browse_dump() {
    save_file_dialog dialog(window(),
                            {{L"MySQL Dump Files (.sql)", L"*.sql"}, {L"All Files (*.*)", L"*.*"}},
                            L"Select Dump File", from_qt(ctrl_text(k_ctl_destination)), L"sql");
    if (dialog.run()) set_ctrl_text(k_ctl_destination, to_qt(dialog.path()));
}

void sel_file_page::on_browse_log() {
    open_file_dialog dialog(window(),
                            {{L"Log Files (.log)", L"*.log"}, {L"All Files (*.*)", L"*.*"}},
                            L"Select Log File", from_qt(ctrl_text(k_ctl_log_file)));
    if (dialog.run()) set_ctrl_text(k_ctl_log_file, to_qt(dialog.path()));
}
