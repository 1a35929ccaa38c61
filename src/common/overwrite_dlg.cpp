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
    grid->addWidget(make_label(this, 1320, QString()), 0, 1);
    auto* choices = new QVBoxLayout();
    for (auto [id, caption] : {std::pair{1329, QStringLiteral("&Overwrite the entire database")},
                               std::pair{1330, QStringLiteral("Overwrite existing &tables only")},
                               std::pair{1331, QStringLiteral("&Skip existing tables")},
                               std::pair{1332, QStringLiteral("&Merge")},
                               std::pair{1339, QStringLiteral("S&ynchronize")}})
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
    find_ctrl<QWidget>(this, 1339)->hide();
}

void overwrite_dlg2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    on_init();
}

void overwrite_dlg2::on_init() {
    tk_log(2, "overwrite_dlg2::on_init");
    wizard_shell* shell = wizard_shell::find_instance();
    setWindowTitle((shell ? to_qt(shell->title()) : QString()) + QStringLiteral(" Warning"));
    find_ctrl<QLabel>(this, 1320)->setText(to_qt(message));
    find_ctrl<QRadioButton>(this, 1339)->setVisible(m_with_sync);
    find_ctrl<QRadioButton>(this, 1329)->setChecked(true);
    // The dialog was sized before its text was known.
    adjustSize();
    centre_on_owner(*this);
    raise();
    QApplication::beep();
}

void overwrite_dlg2::on_ok() {
    const std::pair<int, int> choices[] = {{1329, 0}, {1330, 1}, {1331, 2}, {1332, 3}, {1339, 4}};
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
