// dlg_error_continue: the dialog for an error the user may pass over (115): Continue (2), Abort
// (1) and the check box "Do not show this dialog box again", whose state is kept in `dont_show`.
// Closing it any other way counts as Continue.
// Thread-safety: window thread only.
#pragma once

#include <QDialog>
#include <string>

class dlg_error_continue : public QDialog {
public:
    explicit dlg_error_continue(const std::wstring& message, QWidget* owner = nullptr);
    void on_init();

    std::wstring message;
    unsigned char dont_show = 0;

protected:
    void reject() override;
};
