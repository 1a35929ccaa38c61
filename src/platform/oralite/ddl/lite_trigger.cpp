#include "ddl/lite_trigger.h"

#include "sql/lite_lexer.h"

namespace {

// The source of tokens [b, e) with the colon of :NEW and :OLD dropped, so that the expression
// parser reads them as the column qualifiers a WHEN clause writes.
std::string expression_text(const std::string& src, const std::vector<lite_token>& t, size_t b,
                            size_t e) {
    std::string out;
    size_t at = t[b].begin;
    for (size_t k = b; k < e; ++k) {
        if (t[k].kind == lite_token::bind && (t[k].text == "NEW" || t[k].text == "OLD")) {
            out.append(src, at, t[k].begin - at);
            out += t[k].text;
            at = t[k].end_pos;
        }
    }
    out.append(src, at, t[e - 1].end_pos - at);
    return out;
}

// The end of an expression that starts at `k`: the first of `stops` at bracket depth 0.
size_t expression_end(const std::vector<lite_token>& t, size_t k,
                      std::initializer_list<const char*> stop_words, bool stop_at_comma) {
    int depth = 0;
    for (; t[k].kind != lite_token::end; ++k) {
        if (t[k].is_op("(")) ++depth;
        if (t[k].is_op(")")) --depth;
        if (depth > 0) continue;
        if (t[k].is_op(";") || (stop_at_comma && t[k].is_op(","))) break;
        bool stop = false;
        for (const char* w : stop_words) stop = stop || t[k].is(w);
        if (stop) break;
    }
    return k;
}

// :NEW.col at `k`; the column name, or "" when the tokens are something else.
std::string new_column(const std::vector<lite_token>& t, size_t k) {
    if (t[k].kind != lite_token::bind || t[k].text != "NEW" || !t[k + 1].is_op(".")) return {};
    const lite_token& c = t[k + 2];
    if (c.kind != lite_token::ident && c.kind != lite_token::quoted) return {};
    return c.text;
}

}  // namespace

bool lite_parse_trigger_body(const std::string& body,
                             std::vector<std::pair<std::string, std::string>>& sets) {
    std::vector<lite_token> t = lite_tokenize(body);
    size_t k = 0;
    if (!t[k].is("BEGIN")) return false;
    ++k;
    std::vector<std::pair<std::string, std::string>> found;
    while (!t[k].is("END")) {
        if (t[k].kind == lite_token::end) return false;
        if (t[k].is("NULL") && t[k + 1].is_op(";")) {
            k += 2;
            continue;
        }
        if (t[k].is("SELECT")) {
            std::vector<std::string> exprs;
            ++k;
            for (;;) {
                size_t e = expression_end(t, k, {"INTO"}, true);
                if (e == k) return false;
                exprs.push_back(expression_text(body, t, k, e));
                k = e;
                if (!t[k].is_op(",")) break;
                ++k;
            }
            if (!t[k].is("INTO")) return false;
            ++k;
            std::vector<std::string> cols;
            for (;;) {
                std::string c = new_column(t, k);
                if (c.empty()) return false;
                cols.push_back(c);
                k += 3;
                if (!t[k].is_op(",")) break;
                ++k;
            }
            if (cols.size() != exprs.size()) return false;
            if (!t[k].is("FROM") || !t[k + 1].is("DUAL") || !t[k + 2].is_op(";")) return false;
            k += 3;
            for (size_t n = 0; n < cols.size(); ++n) found.emplace_back(cols[n], exprs[n]);
            continue;
        }
        std::string c = new_column(t, k);
        if (c.empty() || !t[k + 3].is_op(":=")) return false;
        k += 4;
        size_t e = expression_end(t, k, {}, false);
        if (e == k || !t[e].is_op(";")) return false;
        found.emplace_back(c, expression_text(body, t, k, e));
        k = e + 1;
    }
    ++k;
    if (t[k].kind == lite_token::ident || t[k].kind == lite_token::quoted) ++k;
    while (t[k].is_op(";") || t[k].is_op("/")) ++k;
    if (t[k].kind != lite_token::end) return false;
    sets = std::move(found);
    return true;
}
