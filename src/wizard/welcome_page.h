// The welcome page (103): chooses the scenario (straight into a MySQL server, or into a dump file)
// and can load a profile, which changes the scenario buttons at once and every other page when it
// is next shown.
// Thread-safety: window thread only.
#pragma once

#include <string>

#include "GUI2/wizard_page.h"

class welcome_page : public wizard_page<103, k_wiz_next, k_page_has_help | k_page_hide_header> {
public:
    explicit welcome_page(std::wstring profile_ext);

    bool page_init() override;
    int on_next() override;
    void on_help() override;
    // The scenario buttons from the converter.
    void load_settings();

protected:
    std::wstring m_profile_ext;
};

class welcome_page_t : public welcome_page {
public:
    using welcome_page::welcome_page;
    // "Load Settings...": a profile chosen in the open dialog is loaded; a profile that fails to
    // load is reported and the settings already taken from it stay.
    void on_load();
};
