#include "GUI2/gui_controls.h"

#include <QLayout>

#include "GUI2/window_thread.h"

namespace {

template <class T>
T* named(T* widget, int id) {
    if (id != 0) widget->setObjectName(ctrl_name(id));
    return widget;
}

}  // namespace

plain_radio_button::plain_radio_button(const QString& text, QWidget* parent)
    : QRadioButton(text, parent) {
    setAutoExclusive(false);
}

QLabel* make_label(QWidget* parent, int id, const QString& text) {
    return named(new QLabel(text, parent), id);
}

QLineEdit* make_edit(QWidget* parent, int id) {
    return named(new QLineEdit(parent), id);
}

QPushButton* make_button(QWidget* parent, int id, const QString& text) {
    auto* button = named(new QPushButton(text, parent), id);
    button->setAutoDefault(false);
    return button;
}

QCheckBox* make_check(QWidget* parent, int id, const QString& text) {
    return named(new QCheckBox(text, parent), id);
}

QCheckBox* make_plain_check(QWidget* parent, int id, const QString& text) {
    return named(new plain_check_box(text, parent), id);
}

QRadioButton* make_radio(QWidget* parent, int id, const QString& text) {
    return named(new QRadioButton(text, parent), id);
}

QRadioButton* make_plain_radio(QWidget* parent, int id, const QString& text) {
    return named(new plain_radio_button(text, parent), id);
}

QComboBox* make_combo(QWidget* parent, int id) {
    return named(new QComboBox(parent), id);
}

QListWidget* make_list(QWidget* parent, int id) {
    return named(new QListWidget(parent), id);
}

QPlainTextEdit* make_text_box(QWidget* parent, int id) {
    auto* box = named(new QPlainTextEdit(parent), id);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return box;
}

QGroupBox* make_group(QWidget* parent, const QString& title) {
    return new QGroupBox(title, parent);
}

QLabel* make_buddy_label(QWidget* parent, int id, const QString& text, QWidget* buddy) {
    QLabel* label = make_label(parent, id, text);
    label->setBuddy(buddy);
    return label;
}

void centre_on_owner(QWidget& dialog) {
    QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : nullptr;
    if (!owner || owner == &dialog || !owner->isVisible()) return;
    if (QLayout* layout = dialog.layout()) layout->activate();
    const QRect frame = dialog.frameGeometry();
    dialog.move(owner->frameGeometry().center() - (frame.center() - frame.topLeft()));
}
