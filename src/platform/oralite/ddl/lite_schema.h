// What the translator may ask about stored objects: the columns of a table with their Oracle
// types and defaults, and the row triggers that fire on INSERT. The session answers from the
// dictionary; tests answer from a fixed list. Without a schema the translator still translates,
// only without the conversions a target column asks for (hex text into RAW, fractions of
// TIMESTAMP(p)).
//
// Thread-safety: as the implementation; the session's belongs to the session's thread.
#ifndef TW_PLATFORM_ORALITE_LITE_SCHEMA_H
#define TW_PLATFORM_ORALITE_LITE_SCHEMA_H

#include <string>
#include <utility>
#include <vector>

#include "ddl/lite_dictionary.h"
#include "ddl/lite_trigger.h"

struct lite_table_column {
    std::string name;
    lite_coltype type;
    std::string default_text;  // the Oracle DEFAULT expression as written, "" when none
    std::string identity;      // ALWAYS, BY DEFAULT, BY DEFAULT ON NULL; "" for other columns
};

class lite_schema {
public:
    virtual ~lite_schema() = default;
    // The columns of table owner.table in order; null when it is no table (a view, or nothing).
    // The answer stays valid until the schema changes.
    virtual const std::vector<lite_table_column>* table_columns(const std::string& owner,
                                                                const std::string& table) = 0;
    // The columns of view owner.view as they were described when it was made; null when it is
    // no view. Valid until the schema changes.
    virtual const std::vector<lite_table_column>* view_columns(const std::string& /*owner*/,
                                                               const std::string& /*view*/) {
        return nullptr;
    }
    // The row triggers that fire on INSERT into owner.table, in the order they were created;
    // null or empty when none. Valid until the schema changes.
    virtual const std::vector<lite_row_trigger>* insert_triggers(const std::string& /*owner*/,
                                                                 const std::string& /*table*/) {
        return nullptr;
    }
    // The object a statement reaches when it names owner.name (owner empty when written
    // without one) to use it for `privilege`: the same names, or those of the object a synonym
    // stands for. Raises ORA-00942 or ORA-01031 when the user may not use another schema's
    // object so, and the synonym errors of a chain that leads nowhere.
    virtual std::pair<std::string, std::string> resolve(const std::string& owner,
                                                        const std::string& name,
                                                        const char* /*privilege*/) {
        return {owner, name};
    }
};

#endif
