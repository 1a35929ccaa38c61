#include "common/set_query_dlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "converter/tabshift_convertor.h"

const wchar_t k_query_test_failed[] =
    L"You have an error in your query syntax. Make sure that it is a correct SQL "
    L"SELECT-statement. If the error persists, please write to support@corvalin.example.";

set_query_dlg::set_query_dlg(const std::wstring& table, const std::wstring& text, QWidget* owner)
    : QDialog(owner), name(table), query(text) {
    tk_log(2, "set_query_dlg::set_query_dlg");
    setObjectName(QStringLiteral("128"));
    setWindowTitle(QStringLiteral("Add Query"));
    auto* grid = new QGridLayout(this);
    QLineEdit* name_edit = make_edit(this, k_ctl_query_name);
    name_edit->setMaxLength(259);
    QPlainTextEdit* query_edit = make_text_box(this, k_ctl_query_text);
    grid->addWidget(make_buddy_label(this, 0, QStringLiteral("&Store as Table:"), name_edit), 0, 0);
    grid->addWidget(name_edit, 0, 1);
    grid->addWidget(make_buddy_label(this, 0, QStringLiteral("&Query:"), query_edit), 1, 0,
                    Qt::AlignTop);
    grid->addWidget(query_edit, 1, 1);
    auto* buttons = new QHBoxLayout();
    QPushButton* test = make_button(this, k_ctl_test_query, QStringLiteral("&Test Query"));
    QPushButton* ok = make_button(this, 1, QStringLiteral("OK"));
    QPushButton* cancel = make_button(this, 2, QStringLiteral("Cancel"));
    QPushButton* help = make_button(this, 9, QStringLiteral("Help"));
    ok->setDefault(true);
    buttons->addWidget(test);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    grid->addLayout(buttons, 2, 0, 1, 2);
    resize(520, 340);
    connect(test, &QPushButton::clicked, this, [this] { on_test_query(); });
    connect(ok, &QPushButton::clicked, this, [this] { on_ok(); });
    connect(cancel, &QPushButton::clicked, this, [this] { on_cancel(); });
    connect(help, &QPushButton::clicked, this, [] {
        if (wizard_shell* shell = wizard_shell::find_instance()) shell->display_help(k_help_topic);
    });
    on_init();
}

void set_query_dlg::on_init() {
    tk_log(2, "set_query_dlg::on_init");
    find_ctrl<QLineEdit>(this, k_ctl_query_name)->setText(to_qt(name));
    find_ctrl<QPlainTextEdit>(this, k_ctl_query_text)->setPlainText(to_qt(query));
}

bool set_query_dlg::check_query() {
    const QString text =
        cut_text(find_ctrl<QPlainTextEdit>(this, k_ctl_query_text)->toPlainText(), 10000);
    qsizetype first = 0;
    while (first < text.size() &&
           (text[first] == QLatin1Char('\t') || text[first] == QLatin1Char('\n') ||
            text[first] == QLatin1Char('\r') || text[first] == QLatin1Char(' ')))
        ++first;
    query = from_qt(text.mid(first));
    if (query.empty()) return true;
    return query.size() >= 6 &&
           text.mid(first, 6).compare(QStringLiteral("SELECT"), Qt::CaseInsensitive) == 0;
}

void set_query_dlg::on_test_query() {
    tk_log(2, "set_query_dlg::on_test_query");
    if (!check_query()) {
        wizard_shell::message(L"The query must start with SELECT.");
        return;
    }
    if (tabshift_convertor::instance().test_query(query)) {
        wizard_shell::message(L"The query is correct.");
    } else {
        wizard_shell::error(std::wstring(k_query_test_failed));
    }
}

void set_query_dlg::on_ok() {
    tk_log(2, "set_query_dlg::on_ok");
    name = from_qt(cut_text(find_ctrl<QLineEdit>(this, k_ctl_query_name)->text(), 2048));
    if (name.empty()) {
        wizard_shell::message(L"Table name is empty!");
        return;
    }
    if (!check_query()) {
        wizard_shell::error(std::wstring(L"The query must start with SELECT."));
        return;
    }
    if (query.empty()) {
        wizard_shell::error(std::wstring(L"Query is empty!"));
        return;
    }
    done(1);
}

void set_query_dlg::on_cancel() {
    tk_log(2, "set_query_dlg::on_cancel");
    done(0);
}
