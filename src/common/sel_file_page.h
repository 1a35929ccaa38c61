// The destination page (106): the destination database (server scenario) or dump file (dump
// scenario), the log file, the MySQL character set and storage engine, and four switches.  Next
// validates the destination: an empty name is refused, a database name is checked against the
// server's rules, an existing database asks for the overwrite mode (and "overwrite the entire
// database" drops it at once), an existing file asks whether to overwrite it (and deletes it).
// Errors are shown with their advice text; the page then stays, with everything typed kept.
// Thread-safety: window thread only.
#pragma once

#include "GUI2/wizard_page.h"

class QComboBox;
class tk_exception;

class sel_file_page : public wizard_page<106, k_wiz_back | k_wiz_next, k_page_has_help> {
public:
    sel_file_page();

    bool page_init() override;
    int on_next() override;
    int on_back() override;
    void on_help() override;
    // The page's fields into the converter; an unusable log file raises tk_exception (level 1).
    void store_file_info();

private:
    void on_browse_dump();
    void on_browse_log();
    // Shows an error with the advice text of its code (Oracle, then MySQL) or its own text.
    static void show_error(const tk_exception& e);

    QComboBox* m_charsets = nullptr;
    QComboBox* m_engines = nullptr;
    bool m_lists_filled = false;
};
