// What the parser's files share: the words never taken for an alias and the bound on nesting.
// Not for use outside the parser.
//
// Thread-safety: constants and pure functions only.
#ifndef TW_PLATFORM_ORALITE_SQL_LITE_PARSER_INTERNAL_H
#define TW_PLATFORM_ORALITE_SQL_LITE_PARSER_INTERNAL_H

#include <string_view>

namespace lite_parse {

// Oracle's reserved words, plus the keywords that open a clause: none of them is taken for an
// alias, so "FROM t WHERE" never reads WHERE as the alias of t.
bool reserved(std::string_view w);

// Nesting beyond this is refused (ORA-01436-like depth errors are better than a stack overflow).
inline constexpr int k_max_depth = 200;

}  // namespace lite_parse

#endif
