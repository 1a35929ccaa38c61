// What the writer's files share: the grouping set of an expanded GROUP BY and the small text
// helpers every construct uses. Not for use outside the writer.
//
// Thread-safety: as lite_sqlite_writer.h.
#ifndef TW_PLATFORM_ORALITE_SQL_LITE_SQLITE_WRITER_INTERNAL_H
#define TW_PLATFORM_ORALITE_SQL_LITE_SQLITE_WRITER_INTERNAL_H

#include <string>
#include <vector>

#include "lite_names.h"
#include "sql/lite_lexer.h"
#include "sql/lite_sqlite_writer.h"

// The grouping set one branch of an expanded GROUP BY stands for: every grouping expression of
// the query (as SQLite text) and whether this branch groups by it. Outside aggregates, an
// expression the branch does not group by reads as NULL, as in Oracle's super-aggregate rows.
struct lite_sqlite_writer::grouping {
    std::vector<std::string> all;
    std::vector<bool> in_set;
};

namespace lite_write {

// An object, column or alias name as SQLite spells it; error texts quote names as written.
inline std::string q(const std::string& name) {
    return lite_sqlite_name(name);
}

inline std::string join(const std::vector<std::string>& parts, const char* sep) {
    std::string r;
    for (const std::string& p : parts) {
        if (!r.empty()) r += sep;
        r += p;
    }
    return r;
}

}  // namespace lite_write

#endif
