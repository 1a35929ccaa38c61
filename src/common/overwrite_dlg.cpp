#include "common/overwrite_dlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "converter/error_handler.h"

overwrite_dlg2::overwrite_dlg2(int topic, const std::wstring& text, QWidget* owner)
    : QDialog(owner), message(text), help_topic(topic) {
    tk_log(2, "overwrite_dlg2::ctor");
    setObjectName(QStringLiteral("133"));
    auto* grid = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    grid->addWidget(icon, 0, 0);
    grid->addWidget(make_label(this, k_ctl_message, QString()), 0, 1);
    auto* choices = new QVBoxLayout();
    for (auto [id, caption] :
         {std::pair{k_ctl_overwrite_database, QStringLiteral("&Overwrite the entire database")},
          std::pair{k_ctl_overwrite_tables, QStringLiteral("Overwrite existing &tables only")},
          std::pair{k_ctl_skip_tables, QStringLiteral("&Skip existing tables")},
          std::pair{k_ctl_merge, QStringLiteral("&Merge")},
          std::pair{k_ctl_synchronize, QStringLiteral("S&ynchronize")}})
        choices->addWidget(make_radio(this, id, caption));
    grid->addLayout(choices, 1, 1);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    QPushButton* ok = make_button(this, 1, QStringLiteral("OK"));
    QPushButton* cancel = make_button(this, 2, QStringLiteral("Cancel"));
    QPushButton* help = make_button(this, 9, QStringLiteral("Help"));
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(ok, &QPushButton::clicked, this, [this] {
        try {
            on_ok();
        } catch (const tk_exception& e) {
            // No exception may cross the event loop; an internal error ends the program there.
            if (error_handler* handler = error_handler::find_instance()) handler->handle(e, true);
            done(0);
        }
    });
    connect(cancel, &QPushButton::clicked, this, [this] { done(0); });
    connect(help, &QPushButton::clicked, this, [this] {
        if (wizard_shell* shell = wizard_shell::find_instance()) shell->display_help(help_topic);
    });
    find_ctrl<QWidget>(this, k_ctl_synchronize)->hide();
}

void overwrite_dlg2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    on_init();
}

void overwrite_dlg2::on_init() {
    tk_log(2, "overwrite_dlg2::on_init");
    wizard_shell* shell = wizard_shell::find_instance();
    setWindowTitle((shell ? to_qt(shell->title()) : QString()) + QStringLiteral(" Warning"));
    find_ctrl<QLabel>(this, k_ctl_message)->setText(to_qt(message));
    find_ctrl<QRadioButton>(this, k_ctl_synchronize)->setVisible(m_with_sync);
    find_ctrl<QRadioButton>(this, k_ctl_overwrite_database)->setChecked(true);
    // The dialog was sized before its text was known.
    adjustSize();
    centre_on_owner(*this);
    raise();
    QApplication::beep();
}

void overwrite_dlg2::on_ok() {
    const std::pair<int, overwrite_mode> choices[] = {
        {k_ctl_overwrite_database, k_mode_overwrite_database},
        {k_ctl_overwrite_tables, k_mode_replace_tables},
        {k_ctl_skip_tables, k_mode_skip_tables},
        {k_ctl_merge, k_mode_merge},
        {k_ctl_synchronize, k_mode_synchronize}};
    for (auto [id, value] : choices) {
        if (find_ctrl<QRadioButton>(this, id)->isChecked()) {
            mode = value;
            done(1);
            return;
        }
    }
    throw tk_mail_assertion("over_dlg", 223);
}

overwrite_dlg3::overwrite_dlg3(int topic, const std::wstring& text, QWidget* owner)
    : overwrite_dlg2(topic, text, owner) {
    tk_log(2, "overwrite_dlg3::ctor");
    m_with_sync = true;
}
