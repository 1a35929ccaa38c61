// dlg_error_ex: the internal-error dialog (114).  Shows the message with OK, "Send bug" (an error
// report by mail) and "Copy to clipboard"; its result is the id of the button that closed it.
// Whoever shows it ends the process afterwards.
// Thread-safety: window thread only.
#pragma once

#include <QDialog>
#include <string>

class dlg_error_ex : public QDialog {
public:
    explicit dlg_error_ex(const std::wstring& message, QWidget* owner = nullptr);
    // Titles the dialog and fills the message.
    void on_init();

    std::wstring message;
};
