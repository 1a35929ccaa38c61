#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/gui_controls.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

// The caption, the error icon and the message of both dialogs; answers the button row.
QHBoxLayout* build_error_frame(QDialog& dialog) {
    auto* grid = new QGridLayout(&dialog);
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    grid->addWidget(icon, 0, 0);
    QLabel* text = make_label(&dialog, 1320, QString());
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setMinimumWidth(320);
    grid->addWidget(text, 0, 1);
    auto* buttons = new QHBoxLayout();
    grid->addLayout(buttons, 2, 0, 1, 2);
    return buttons;
}

void init_error_frame(QDialog& dialog, const std::wstring& message) {
    wizard_shell* shell = wizard_shell::find_instance();
    dialog.setWindowTitle(shell ? to_qt(shell->title()) + QStringLiteral(" Error")
                                : QStringLiteral("Error"));
    if (auto* text = find_ctrl<QLabel>(&dialog, 1320)) text->setText(to_qt(message));
    dialog.adjustSize();
}

}  // namespace

dlg_error_ex::dlg_error_ex(const std::wstring& text, QWidget* owner)
    : QDialog(owner), message(text) {
    tk_log(1, "dlg_error_ex::ctor");
    setObjectName(QStringLiteral("114"));
    QHBoxLayout* buttons = build_error_frame(*this);
    QPushButton* ok = make_button(this, 1, QStringLiteral("OK"));
    QPushButton* bug = make_button(this, 1112, QStringLiteral("Send bug"));
    QPushButton* copy = make_button(this, 1108, QStringLiteral("Copy to clipboard"));
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(bug);
    buttons->addWidget(copy);
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    connect(copy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(to_qt(message));
        tk_copy_to_clipboard2(message);
        done(1108);
    });
    connect(bug, &QPushButton::clicked, this, [this] {
        wizard_shell* shell = wizard_shell::find_instance();
        const std::string title = shell ? to_ansi(to_qt(shell->title())) : std::string();
        tk_send_bug(title, to_ansi(to_qt(message)));
        done(1112);
    });
    on_init();
}

void dlg_error_ex::on_init() {
    tk_log(1, "dlg_error_ex::on_init");
    init_error_frame(*this, message);
}

dlg_error_continue::dlg_error_continue(const std::wstring& text, QWidget* owner)
    : QDialog(owner), message(text) {
    tk_log(1, "dlg_error_continue::ctor");
    setObjectName(QStringLiteral("115"));
    QHBoxLayout* buttons = build_error_frame(*this);
    auto* grid = static_cast<QGridLayout*>(layout());
    QCheckBox* again = make_check(this, 1222, QStringLiteral("&Do not show this dialog box again"));
    grid->addWidget(again, 1, 1);
    QPushButton* go_on = make_button(this, 2, QStringLiteral("Continue"));
    QPushButton* abort = make_button(this, 1, QStringLiteral("Abort"));
    go_on->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(go_on);
    buttons->addWidget(abort);
    connect(go_on, &QPushButton::clicked, this, [this] { done(2); });
    connect(abort, &QPushButton::clicked, this, [this] { done(1); });
    connect(again, &QCheckBox::toggled, this, [this](bool on) { dont_show = on ? 1 : 0; });
    on_init();
}

void dlg_error_continue::on_init() {
    tk_log(1, "dlg_error_continue::on_init");
    init_error_frame(*this, message);
}

void dlg_error_continue::reject() {
    // Escape and the close box stand for the Cancel id, which is Continue here.
    done(2);
}
