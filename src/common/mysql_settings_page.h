// The MySQL connection page (123), reached in the server scenario only: local or remote server,
// user and password, host and port.  On Next the settings go to the converter's MySQL half and
// the connection is made on the window thread; failures are shown with their advice text and the
// page stays.  Back returns to the Oracle page, never to the dump options.
// Thread-safety: window thread only.
#pragma once

#include "GUI2/wizard_page.h"

class mysql_settings_page : public wizard_page<123, k_wiz_back | k_wiz_next, k_page_has_help> {
public:
    mysql_settings_page();

    bool page_init() override;
    int on_next() override;
    int on_back() override;
    void on_help() override;
    // Local sends an empty host and port "3306", whatever the remote boxes hold.
    void store_settings();

private:
    void on_local();
    void on_remote();
};
