// Building blocks of the wizard's pages and dialogs: controls created with their id as objectName,
// and the plain check box and radio button that do not change themselves when clicked (the page
// decides, as with the dialogs' non-automatic buttons).
// Thread-safety: window thread only.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

// A check box whose click only reports; the handler sets the state.
class plain_check_box : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

// A radio button that neither checks itself nor clears its neighbours.
class plain_radio_button : public QRadioButton {
public:
    explicit plain_radio_button(const QString& text, QWidget* parent = nullptr);

protected:
    void nextCheckState() override {}
};

// Each sets objectName to the id (none for id 0) and parents the control to `parent`.
QLabel* make_label(QWidget* parent, int id, const QString& text);
QLineEdit* make_edit(QWidget* parent, int id);
QPushButton* make_button(QWidget* parent, int id, const QString& text);
QCheckBox* make_check(QWidget* parent, int id, const QString& text);
QCheckBox* make_plain_check(QWidget* parent, int id, const QString& text);
QRadioButton* make_radio(QWidget* parent, int id, const QString& text);
QRadioButton* make_plain_radio(QWidget* parent, int id, const QString& text);
QComboBox* make_combo(QWidget* parent, int id);
QListWidget* make_list(QWidget* parent, int id);
QPlainTextEdit* make_text_box(QWidget* parent, int id);
QGroupBox* make_group(QWidget* parent, const QString& title);
// A label whose mnemonic moves the focus to `buddy`.
QLabel* make_buddy_label(QWidget* parent, int id, const QString& text, QWidget* buddy);

// Puts a dialog over the middle of its owner's window (the owner may be a page inside the
// wizard); a dialog without a shown owner stays where it is.  The dialog's layout is applied
// first, so that the size it is centred with is the size it keeps.
void centre_on_owner(QWidget& dialog);
