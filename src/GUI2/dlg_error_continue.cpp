#include "GUI2/dlg_error_continue.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>

#include "GUI2/error_frame.h"
#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "TK/tk_logger.h"

dlg_error_continue::dlg_error_continue(const std::wstring& text, QWidget* owner)
    : QDialog(owner), message(text) {
    tk_log(1, "dlg_error_continue::ctor");
    setObjectName(QStringLiteral("115"));
    QHBoxLayout* buttons = build_error_frame(*this);
    auto* grid = static_cast<QGridLayout*>(layout());
    QCheckBox* again = make_check(this, k_ctl_dont_show_again,
                                  QStringLiteral("&Do not show this dialog box again"));
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
