// ora_indexes_initializer: the keys and indexes of one destination table, with destination
// column and index names.  An index over a column Oracle cannot index (a long text or binary)
// is dropped whole; a unique index is built on an expression that is NULL when any of its
// columns is, so such rows stay exempt from uniqueness as elsewhere; an index equal to the
// primary key is not sent again.  Index names go through the process-wide ora_in_validator,
// which must exist.  The schema initializer is borrowed and must outlive this object.
// Thread-safety: none; one table on one thread.
#pragma once

#include <string>
#include <vector>

#include "UDB/udb_index.h"

class ora_schema_initializer;

class ora_indexes_initializer {
public:
    // Maps the source indexes of `schema`; raises tk_mail_assertion("tk_singl", 71) when no
    // ora_in_validator exists.
    ora_indexes_initializer(const std::wstring& table, const ora_schema_initializer& schema);

    // Prepares and executes each statement; ORA-01408 and ORA-02261 (already indexed) are
    // ignored, other errors raise ora_exception.
    void build_indexes();
    // The statement of one index, "" when it is not sent.
    std::wstring index_statement(const udb_index& index) const;

    const std::vector<udb_index>& get_indexes() const noexcept { return m_indexes; }
    int get_primary() const noexcept { return m_primary; }

private:
    int m_primary = -1;
    std::wstring m_table;
    std::vector<udb_index> m_indexes;
    const ora_schema_initializer& m_schema;
};
