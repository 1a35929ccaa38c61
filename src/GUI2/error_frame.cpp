#include "GUI2/error_frame.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

#include "GUI2/gui_controls.h"
#include "GUI2/gui_ids.h"
#include "GUI2/wizard_shell.h"

// The caption, the error icon and the message of both dialogs; answers the button row.
QHBoxLayout* build_error_frame(QDialog& dialog) {
    auto* grid = new QGridLayout(&dialog);
    auto* icon = new QLabel(&dialog);
    icon->setPixmap(dialog.style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    grid->addWidget(icon, 0, 0);
    QLabel* text = make_label(&dialog, k_ctl_message, QString());
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
    if (auto* text = find_ctrl<QLabel>(&dialog, k_ctl_message)) text->setText(to_qt(message));
    dialog.adjustSize();
}
