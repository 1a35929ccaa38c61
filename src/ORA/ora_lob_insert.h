// ora_lob_insert: writes one row's out-of-line values after the row was inserted with
// EMPTY_CLOB() / EMPTY_BLOB() (or NULL for LONG) placeholders: the LOBs through locators selected
// FOR UPDATE by ROWID and written whole with OCILobWrite, LONG values and NULL LOBs by one UPDATE
// by ROWID.  A 0-byte value stays the empty LOB the placeholder made.  The caller commits.
// Thread-safety: none; used by the writing thread of one table.
#pragma once

#include <string>
#include <vector>

#include "platform/oci/oci.h"

class ole_variant;
class udb_schema;

// One out-of-line column: its position in the table, its position among such columns, the
// variant type its values are written as, its name, and whether it is a LONG (no locator).
struct t_lob_desc {
    t_lob_desc(int idx, int idx_in, int vt, const std::wstring& name, bool is_long);

    int idx;
    int idx_in;
    int vt;
    std::wstring name;
    bool is_long;
};

// True for a column kept out of line: text or binary of size 0 or above 2000.
bool ora_is_lob_column(int vartype, unsigned size);

class ora_lob_insert {
public:
    // From the descriptors a cache already made.
    ora_lob_insert(const std::wstring& table, const std::vector<t_lob_desc>& descriptors);
    // From a table's columns: every out-of-line column, LONG ones included.
    ora_lob_insert(const std::wstring& table, const udb_schema& schema);
    ~ora_lob_insert();
    ora_lob_insert(const ora_lob_insert&) = delete;
    ora_lob_insert& operator=(const ora_lob_insert&) = delete;

    // Writes the values (one per descriptor, null pointers and NULL values write NULL) into the
    // row `rowid`; raises ora_exception.
    void insert(const std::wstring& rowid, const std::vector<const ole_variant*>& values);

    const std::vector<t_lob_desc>& descriptors() const noexcept { return m_desc; }

private:
    void init();
    void write_clob(OCILobLocator* locator, const ole_variant& value);
    void write_blob(OCILobLocator* locator, const ole_variant& value, int i);

    std::wstring m_table;
    std::vector<t_lob_desc> m_desc;
    std::vector<OCILobLocator*> m_locators;
    std::vector<OCIDefine*> m_defines;
};
