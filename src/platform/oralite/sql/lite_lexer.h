// Tokens of Oracle SQL text, shared by the SQL translator, the DDL executor and the script
// loader. The lexer never fails: an unterminated literal or comment runs to the end of the text
// and is flagged, so callers decide what an incomplete statement means.
//
// Thread-safety: stateless free function; safe from any thread.
#ifndef TW_PLATFORM_ORALITE_LITE_LEXER_H
#define TW_PLATFORM_ORALITE_LITE_LEXER_H

#include <string>
#include <string_view>
#include <vector>

struct lite_token {
    enum kind_t { ident, quoted, string, number, bind, op, end };
    kind_t kind = end;
    std::string text;  // ident: upper-cased; quoted: name without quotes; string: value
                       // without quotes ('' undone); bind: name upper-cased without ':';
                       // number and op: as written
    size_t begin = 0;  // byte offsets of the token in the source
    size_t end_pos = 0;
    int line = 1;  // 1-based line of the token's first character
    bool unterminated = false;

    bool is(std::string_view upper_word) const { return kind == ident && text == upper_word; }
    bool is_op(std::string_view o) const { return kind == op && text == o; }
};

// Splits SQL into tokens, dropping blanks and comments (hints included). Always ends with a
// token of kind `end`.
std::vector<lite_token> lite_tokenize(std::string_view sql);

// Quotes a name for SQLite and Oracle: "NAME" with embedded quotes doubled.
std::string lite_quote_name(std::string_view name);
// Quotes a text as an SQL literal: 'text' with embedded quotes doubled.
std::string lite_quote_text(std::string_view text);
// The character that closes an Oracle q'X...X' literal opened by X.
char lite_q_closer(char open);
// Upper-cases ASCII letters of a copy.
std::string lite_upper(std::string_view s);

#endif
