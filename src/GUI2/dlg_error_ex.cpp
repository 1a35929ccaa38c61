#include "GUI2/dlg_error_ex.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QPushButton>

#include "GUI2/error_frame.h"
#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

dlg_error_ex::dlg_error_ex(const std::wstring& text, QWidget* owner)
    : QDialog(owner), message(text) {
    tk_log(1, "dlg_error_ex::ctor");
    setObjectName(QStringLiteral("114"));
    QHBoxLayout* buttons = build_error_frame(*this);
    QPushButton* ok = make_button(this, 1, QStringLiteral("OK"));
    QPushButton* bug = make_button(this, k_ctl_send_bug, QStringLiteral("Send bug"));
    QPushButton* copy = make_button(this, k_ctl_copy, QStringLiteral("Copy to clipboard"));
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(bug);
    buttons->addWidget(copy);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    connect(copy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(to_qt(message));
        tk_copy_to_clipboard2(message);
        done(k_ctl_copy);
    });
    connect(bug, &QPushButton::clicked, this, [this] {
        wizard_shell* shell = wizard_shell::find_instance();
        const std::string title = shell ? to_ansi(to_qt(shell->title())) : std::string();
        tk_send_bug(title, to_ansi(to_qt(message)));
        done(k_ctl_send_bug);
    });
    on_init();
}

void dlg_error_ex::on_init() {
    tk_log(1, "dlg_error_ex::on_init");
    init_error_frame(*this, message);
}
