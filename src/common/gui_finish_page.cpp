#include "common/gui_finish_page.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "GUI2/file_dialog.h"
#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "converter/tabshift_convertor.h"

namespace {

// Tells that the list stops short of the run's errors, and where all of them are.
QString unlisted_errors_text(const wizard_shell& shell) {
    const std::string& log = tabshift_convertor::instance().m_log_file;
    const QString where =
        log.empty()
            ? QStringLiteral(
                  "No log file was kept: name one on the Conversion Settings "
                  "page to keep every error of the next run.")
            : QStringLiteral("All of them are in the log file %1.").arg(to_qt(widen_ansi(log)));
    return QStringLiteral("%1 errors occurred; the first %2 are listed below. %3\n\n")
        .arg(shell.errors_total)
        .arg(shell.error_list.size())
        .arg(where);
}

}  // namespace

gui_finish_page::gui_finish_page(std::wstring success_text, std::wstring error_text)
    : m_success_text(std::move(success_text)), m_error_text(std::move(error_text)) {
    tk_log(2, "gui_finish_page::ctor");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        make_label(this, k_ctl_finish_title, QStringLiteral("Conversion is Completed")));
    QLabel* text = make_label(this, k_ctl_finish_text, QString());
    text->setWordWrap(true);
    layout->addWidget(text);
    QPlainTextEdit* box = make_text_box(this, k_ctl_log_box);
    box->hide();
    box->installEventFilter(this);
    layout->addWidget(box, 1);
    auto* row = new QHBoxLayout();
    QPushButton* save = make_button(this, k_ctl_save_settings, QStringLiteral("&Save Settings..."));
    row->addWidget(save);
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(0);
    connect(save, &QPushButton::clicked, this, [this] {
        if (auto* self = dynamic_cast<gui_finish_page_t*>(this)) self->on_store();
    });
}

bool gui_finish_page::page_init() {
    tk_log(2, "gui_finish_page::page_init");
    set_title_font(k_ctl_finish_title);
    wizard_shell& shell = wizard_shell::instance();
    shell.enable_button(k_id_cancel, false);
    shell.enable_button(k_id_help, false);
    auto* box = ctrl<QPlainTextEdit>(k_ctl_log_box);
    if (shell.error_list.empty()) {
        tk_log(2, "Display success-message");
        set_ctrl_text(k_ctl_finish_text, to_qt(m_success_text));
        return true;
    }
    tk_log(2, "Display errors");
    set_ctrl_text(k_ctl_finish_text, to_qt(m_error_text));
    box->show();
    box->clear();
    QString all;
    for (std::string text : shell.error_list) {
        for (char& c : text)
            if (c == '\n') c = ' ';
        all += to_qt(widen_ansi(text)) + QStringLiteral("\n\n");
    }
    // First, where it is seen without scrolling past the list.
    if (shell.errors_total > shell.error_list.size()) all = unlisted_errors_text(shell) + all;
    box->setPlainText(all);
    box->setReadOnly(true);
    return true;
}

bool gui_finish_page::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == ctrl(k_ctl_log_box)) on_eb_focus();
    return wizard_page_base::eventFilter(watched, event);
}

void gui_finish_page::on_eb_focus() {
    tk_log(1, "gui_finish_page::on_eb_focus");
    if (!m_first_focus) return;
    m_first_focus = false;
    auto* box = ctrl<QPlainTextEdit>(k_ctl_log_box);
    QTextCursor cursor = box->textCursor();
    cursor.movePosition(QTextCursor::End);
    box->setTextCursor(cursor);
    box->ensureCursorVisible();
    if (wizard_shell* shell = wizard_shell::find_instance())
        if (QWidget* finish = find_ctrl(shell, k_id_finish)) finish->setFocus();
}

gui_finish_page_t::gui_finish_page_t(std::wstring success_text, std::wstring error_text,
                                     std::wstring profile_ext)
    : gui_finish_page(std::move(success_text), std::move(error_text)),
      m_profile_ext(std::move(profile_ext)) {}

void gui_finish_page_t::on_store() {
    const std::wstring filter = profile_filter_text(m_profile_ext);
    tk_wlog(2, L"gui_finish_page_t::on_store(%s)", filter.c_str());
    save_file_dialog dialog(window(), file_dialog::split_filter(filter), L"Select Profile File",
                            L"", m_profile_ext);
    if (!dialog.run()) return;
    if (!tabshift_convertor::instance().store_profile_file(dialog.path()))
        wizard_shell::error(L"The settings could not be saved to '" + dialog.path() + L"'.");
}
