// The Oracle type of a query column computed from its expression, as Oracle describes it
// before any row is read: MAX of a DATE column is a DATE, NVL(number, 0) a NUMBER, a
// concatenation a VARCHAR2, whatever the rows hold. Column references are looked up in the
// dictionary through the query's FROM list (tables, inline views and WITH queries); functions
// follow their rules in lite_function_table.h.
//
// Thread-safety: used on its session's thread.
#ifndef TW_PLATFORM_ORALITE_LITE_TYPE_RESOLVER_H
#define TW_PLATFORM_ORALITE_LITE_TYPE_RESOLVER_H

#include <optional>
#include <string>

#include "sql/lite_ast.h"
#include "lite_engine.h"

class lite_type_resolver {
public:
    explicit lite_type_resolver(lite_session& session) : session_(session) {}
    // The describe of select item `item` of the query's first block, named `name`; nullopt
    // when its type cannot be told from the expression.
    std::optional<lite_column> item(const lite_query& q, size_t item, const std::string& name);

private:
    std::optional<lite_column> type_of(const lite_expr& e, const lite_query_block& scope,
                                       const lite_query& owner);
    std::optional<lite_column> column_type(const lite_expr& e, const lite_query_block& scope,
                                           const lite_query& owner);
    std::optional<lite_column> from_item_column(const lite_from_item& f, const std::string& col,
                                                const lite_query& owner);

    lite_session& session_;
    int depth_ = 0;
};

#endif
