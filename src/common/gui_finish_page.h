// The closing page (116): success, or the errors the run reported (one a paragraph), and a button
// that saves the run's settings as a profile.  Finish is the only way out: Cancel and Help are off.
// Thread-safety: window thread only.
#pragma once

#include <string>

#include "GUI2/wizard_page.h"

class gui_finish_page : public wizard_page<116, k_wiz_finish, k_page_hide_header> {
public:
    gui_finish_page(std::wstring success_text, std::wstring error_text);

    bool page_init() override;
    // The error box got the focus: the first time, the selection goes and Finish gets the focus.
    void on_eb_focus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

    bool m_first_focus = true;
    std::wstring m_success_text;
    std::wstring m_error_text;
};

class gui_finish_page_t : public gui_finish_page {
public:
    gui_finish_page_t(std::wstring success_text, std::wstring error_text, std::wstring profile_ext);
    // "Save Settings...": the settings, selections and mapping of the run into a profile chosen in
    // the save dialog; a profile that cannot be written is reported.
    void on_store();

private:
    std::wstring m_profile_ext;
};
