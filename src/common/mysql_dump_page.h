// The dump-options page (102), dump scenario only: the server generation the dump is written for,
// the line breaks, and what the dump holds (locks, CREATE DATABASE, CREATE TABLE, comments).  The
// radio buttons and check boxes are set by the page itself on each click.
// Thread-safety: window thread only.
#pragma once

#include "GUI2/wizard_page.h"

class mysql_dump_page : public wizard_page<102, k_wiz_back | k_wiz_next, k_page_has_help> {
public:
    mysql_dump_page();

    bool page_init() override;
    int on_next() override;
    int on_back() override;
    void on_help() override;
    // The choices into the converter's dump options.
    void store_options();
    // A click on one of the four radio buttons; another id is an internal error.
    void on_radio(int id);
    // A click on one of the four check boxes.
    void on_check(int id);
};
