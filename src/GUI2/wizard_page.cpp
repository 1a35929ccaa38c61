#include "GUI2/wizard_page.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

wizard_page_base::wizard_page_base(int idd, int buttons, int flags)
    : m_idd(idd), m_buttons(buttons), m_flags(flags) {
    setObjectName(ctrl_name(idd));
}

wizard_page_base::~wizard_page_base() {
    tk_log(2, "wizard_page::dtor");
}

void wizard_page_base::set_header(const QString& title, const QString& subtitle) {
    m_header_title = title;
    m_header_subtitle = subtitle;
}

bool wizard_page_base::on_set_active() {
    tk_log(2, "wizard_page::OnSetActive");
    wizard_shell& shell = wizard_shell::instance();
    shell.set_wizard_buttons(m_buttons);
    shell.set_icon_and_title();
    shell.current_page_window = this;
    return page_init();
}

bool wizard_page_base::on_cancel() {
    tk_log(2, "wizard_page::on_cancel");
    return wizard_shell::question(L"Are you sure you want to exit the wizard?", k_default_no);
}

void wizard_page_base::invert_chbox(int id) {
    auto* box = ctrl<QAbstractButton>(id);
    if (!box) throw tk_mail_assertion("g_wiz_pg", 123);
    box->setChecked(!box->isChecked());
}

void wizard_page_base::enable_ctrl(int id, bool enable) {
    tk_log(1, "wizard_page::enable_ctrl(%d=%d)", id, enable ? 1 : 0);
    if (QWidget* w = ctrl(id)) w->setEnabled(enable);
}

void wizard_page_base::show_ctrl(int id, bool show) {
    tk_log(1, "wizard_page::show_ctrl(%d=%d)", id, show ? 1 : 0);
    if (QWidget* w = ctrl(id)) w->setVisible(show);
}

void wizard_page_base::set_title_font(int id) {
    if (!m_title_font) {
        // 13 points at the screen's resolution, normal weight, a proportional sans-serif face.
        m_title_font = std::make_unique<QFont>(QStringLiteral("Segoe UI"));
        m_title_font->setStyleHint(QFont::SansSerif, QFont::PreferDefault);
        m_title_font->setPointSize(13);
        m_title_font->setWeight(QFont::Normal);
    }
    if (QWidget* w = ctrl(id)) w->setFont(*m_title_font);
}

bool wizard_page_base::is_checked(int id) const {
    auto* box = ctrl<QAbstractButton>(id);
    return box && box->isChecked();
}

void wizard_page_base::set_checked(int id, bool checked) {
    if (auto* box = ctrl<QAbstractButton>(id)) box->setChecked(checked);
}

QString wizard_page_base::ctrl_text(int id) const {
    if (auto* edit = ctrl<QLineEdit>(id)) return edit->text();
    if (auto* label = ctrl<QLabel>(id)) return label->text();
    if (auto* button = ctrl<QAbstractButton>(id)) return button->text();
    return QString();
}

void wizard_page_base::set_ctrl_text(int id, const QString& text) {
    if (auto* edit = ctrl<QLineEdit>(id)) {
        edit->setText(text);
    } else if (auto* label = ctrl<QLabel>(id)) {
        label->setText(text);
    } else if (auto* button = ctrl<QAbstractButton>(id)) {
        button->setText(text);
    }
}

bool list_box_find_text(const QString& text, const QListWidget& list) {
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->text().compare(text, Qt::CaseInsensitive) == 0) return false;
    }
    return true;
}
