// libFuzzer target: any text parsed as an expression and as a query, and written as SQLite text,
// must end in a tree or an Oracle error, never a crash, a hang or another exception.
#include <cstddef>
#include <cstdint>
#include <string>

#include "lite_engine.h"
#include "sql/lite_parser.h"
#include "sql/lite_sqlite_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    lite_sqlite_writer w("F", nullptr);
    try {
        lite_parser p(text);
        lite_expr_ptr e = p.expression_statement();
        w.expression(*e);
    } catch (const lite_error&) {
    }
    try {
        lite_parser p(text);
        lite_query_ptr q = p.query_statement();
        w.query(*q);
    } catch (const lite_error&) {
    }
    try {
        lite_parser p(text);
        auto d = p.dml_statement();
        w.dml(*d);
    } catch (const lite_error&) {
    }
    return 0;
}
