// The view page: the source's views in the order the user gives them, "Step 5 of 6".  Next hands
// the selected views with their texts to the converter.
// Thread-safety: window thread only.
#pragma once

#include "UDB/udb_database.h"
#include "common/sel_tables_page.h"

class kvt_sel_views_page : public sel_tables_page {
public:
    kvt_sel_views_page();

    bool page_init() override;
    int on_next() override;
    void on_help() override;

    // The source's (view, text) pairs read at activation.
    udb_database::view_list views;
};
