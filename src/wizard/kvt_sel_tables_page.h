// The table page: the source's tables and the user's queries, "Step 4 of 6".  Next hands the
// selection to the converter and goes to the view page only when views can and shall be
// converted and the source has some; a double click on a selected table opens the type-mapping
// editor.
// Thread-safety: window thread only.
#pragma once

#include "common/sel_tables_page.h"

class kvt_sel_tables_page : public sel_tables_page_ex {
public:
    kvt_sel_tables_page();

    bool page_init() override;
    int on_next() override;
    // Keeps the queries defined here, so that they are still there when the user comes back.
    int on_back() override;
    void on_help() override;
    void edit_table(const std::wstring& name) override;
};
