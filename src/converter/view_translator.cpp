#include "converter/view_translator.h"

#include <cwctype>
#include <optional>
#include <utility>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

enum class kind { blank, word, quoted, literal, number, punct, concat, group };

struct token {
    kind type;
    // A word as written, a quoted name without its quotes, a literal with its quotes.
    std::wstring text;
};

using tokens = std::vector<token>;
constexpr std::size_t k_none = static_cast<std::size_t>(-1);

[[noreturn]] void refuse(const std::wstring& what) {
    throw tk_exception(tk_to_utf8(L"the view uses " + what + L", which MySQL lacks"), 0);
}

[[noreturn]] void malformed(const char* what) {
    throw tk_exception(std::string("the view's text has ") + what, 0);
}

std::wstring upper(const std::wstring& text) {
    std::wstring out = text;
    for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return out;
}

bool is_name_start(wchar_t c) {
    return std::iswalpha(static_cast<wint_t>(c)) || c == L'_';
}

bool is_name_char(wchar_t c) {
    return std::iswalnum(static_cast<wint_t>(c)) || c == L'_' || c == L'$' || c == L'#';
}

std::wstring backticked(const std::wstring& name) {
    std::wstring out = L"`";
    for (wchar_t c : name) {
        if (c == L'`') out += L'`';
        out += c;
    }
    return out + L"`";
}

// The end (one past) of the quoted text opened at `open`; doubled quotes stay inside.
std::size_t quoted_end(const std::wstring& text, std::size_t open, const char* what) {
    const wchar_t quote = text[open];
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        if (text[i] != quote) continue;
        if (i + 1 < text.size() && text[i + 1] == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    malformed(what);
}

std::wstring undoubled(const std::wstring& text, wchar_t quote) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == quote && i + 1 < text.size() && text[i + 1] == quote) ++i;
    }
    return out;
}

tokens lex(const std::wstring& text) {
    tokens out;
    std::size_t i = 0;
    const std::size_t n = text.size();
    const auto at = [&](std::size_t k) { return k < n ? text[k] : L'\0'; };
    // Comments and runs of white space become one blank between their neighbours.
    const auto blank = [&] {
        if (out.empty() || out.back().type != kind::blank) out.push_back({kind::blank, L" "});
    };
    while (i < n) {
        const wchar_t c = text[i];
        std::size_t end = i + 1;
        if (std::iswspace(static_cast<wint_t>(c))) {
            while (end < n && std::iswspace(static_cast<wint_t>(text[end]))) ++end;
            blank();
        } else if (c == L'-' && at(i + 1) == L'-') {
            end = text.find(L'\n', i);
            end = end == std::wstring::npos ? n : end;
            blank();
        } else if (c == L'/' && at(i + 1) == L'*') {
            end = text.find(L"*/", i + 2);
            end = end == std::wstring::npos ? n : end + 2;
            blank();
        } else if (c == L'\'') {
            end = quoted_end(text, i, "a literal without its closing quote");
            out.push_back({kind::literal, text.substr(i, end - i)});
        } else if (c == L'"') {
            end = quoted_end(text, i, "a name without its closing quote");
            out.push_back({kind::quoted, undoubled(text.substr(i + 1, end - i - 2), L'"')});
        } else if (is_name_start(c)) {
            while (end < n && is_name_char(text[end])) ++end;
            const std::wstring word = text.substr(i, end - i);
            // q'[...]' holds quotes of its own that the plain literal rule would misread.
            if (at(end) == L'\'' && (upper(word) == L"Q" || upper(word) == L"NQ"))
                refuse(L"Oracle's q'...' quoting");
            out.push_back({kind::word, word});
        } else if (std::iswdigit(static_cast<wint_t>(c)) ||
                   (c == L'.' && std::iswdigit(static_cast<wint_t>(at(i + 1))))) {
            while (end < n && (std::iswalnum(static_cast<wint_t>(text[end])) || text[end] == L'.' ||
                               ((text[end] == L'+' || text[end] == L'-') &&
                                (text[end - 1] == L'e' || text[end - 1] == L'E'))))
                ++end;
            out.push_back({kind::number, text.substr(i, end - i)});
        } else if (c == L'|' && at(i + 1) == L'|') {
            end = i + 2;
            out.push_back({kind::concat, L"||"});
        } else {
            out.push_back({kind::punct, std::wstring(1, c)});
        }
        i = end;
    }
    return out;
}

bool is_punct(const token& t, const wchar_t* text) {
    return t.type == kind::punct && t.text == text;
}

bool is_word(const token& t, const wchar_t* word) {
    return t.type == kind::word && upper(t.text) == word;
}

std::size_t next_sig(const tokens& t, std::size_t from) {
    for (std::size_t k = from + 1; k < t.size(); ++k)
        if (t[k].type != kind::blank) return k;
    return k_none;
}

std::size_t prev_sig(const tokens& t, std::size_t from) {
    for (std::size_t k = from; k-- > 0;)
        if (t[k].type != kind::blank) return k;
    return k_none;
}

// The parenthesis that closes (step 1) or opens (step -1) the one at `from`.
std::size_t matching(const tokens& t, std::size_t from, int step) {
    const wchar_t* open = step > 0 ? L"(" : L")";
    const wchar_t* close = step > 0 ? L")" : L"(";
    int depth = 0;
    for (std::size_t k = from; k < t.size(); k += static_cast<std::size_t>(step)) {
        if (is_punct(t[k], open)) ++depth;
        if (is_punct(t[k], close) && --depth == 0) return k;
    }
    malformed("a parenthesis without its pair");
}

// Oracle calls whose MySQL namesake is the same function under another name.
std::optional<std::wstring> renamed_call(const std::wstring& name) {
    if (name == L"NVL") return std::wstring(L"IFNULL");
    // Oracle counts characters, MySQL's LENGTH bytes.
    if (name == L"LENGTH") return std::wstring(L"CHAR_LENGTH");
    return std::nullopt;
}

bool is_missing_call(const std::wstring& name) {
    static const wchar_t* const missing[] = {
        L"NVL2",           L"TO_CHAR", L"TO_DATE",     L"TO_NUMBER", L"TO_TIMESTAMP", L"ADD_MONTHS",
        L"MONTHS_BETWEEN", L"TRUNC",   L"SYS_CONTEXT", L"LISTAGG",   L"USERENV"};
    for (const wchar_t* m : missing)
        if (name == m) return true;
    return false;
}

// Words MySQL cannot take as an operand of CONCAT: a || next to one of them is not a simple
// concatenation of two values.
bool is_clause_word(const token& t) {
    static const wchar_t* const words[] = {
        L"SELECT", L"FROM", L"WHERE", L"AND", L"OR", L"NOT", L"CASE", L"WHEN", L"THEN",
        L"ELSE",   L"END",  L"AS",    L"BY",  L"ON", L"IN",  L"IS",   L"LIKE", L"DISTINCT"};
    if (t.type != kind::word) return false;
    const std::wstring name = upper(t.text);
    for (const wchar_t* w : words)
        if (name == w) return true;
    return false;
}

bool is_value(const token& t) {
    return (t.type == kind::word && !is_clause_word(t)) || t.type == kind::quoted ||
           t.type == kind::literal || t.type == kind::number || t.type == kind::group;
}

[[noreturn]] void refuse_mixed_concat() {
    throw tk_exception(
        std::string("the view's || joins more than plain values; MySQL's CONCAT needs them in "
                    "parentheses"),
        0);
}

// The last token of the operand that starts at `s`.
std::size_t operand_end(const tokens& t, std::size_t s) {
    if (s == k_none) refuse_mixed_concat();
    if (is_punct(t[s], L"(")) return matching(t, s, 1);
    if (!is_value(t[s])) refuse_mixed_concat();
    std::size_t e = s;
    if (t[s].type != kind::word && t[s].type != kind::quoted) return e;
    for (std::size_t dot = next_sig(t, e); dot != k_none && is_punct(t[dot], L".");
         dot = next_sig(t, e)) {
        const std::size_t member = next_sig(t, dot);
        if (member == k_none) refuse_mixed_concat();
        e = member;
    }
    const std::size_t call = next_sig(t, e);
    return call != k_none && is_punct(t[call], L"(") ? matching(t, call, 1) : e;
}

// The first token of the operand that ends at `e`.
std::size_t operand_start(const tokens& t, std::size_t e) {
    if (e == k_none) refuse_mixed_concat();
    if (is_punct(t[e], L")")) {
        const std::size_t open = matching(t, e, -1);
        const std::size_t name = prev_sig(t, open);
        return name != k_none && t[name].type == kind::word && !is_clause_word(t[name]) ? name
                                                                                        : open;
    }
    if (!is_value(t[e])) refuse_mixed_concat();
    std::size_t s = e;
    for (std::size_t dot = prev_sig(t, s); dot != k_none && is_punct(t[dot], L".");
         dot = prev_sig(t, s)) {
        const std::size_t owner = prev_sig(t, dot);
        if (owner == k_none) refuse_mixed_concat();
        s = owner;
    }
    return s;
}

bool is_arithmetic(const tokens& t, std::size_t k) {
    if (k == k_none || t[k].type != kind::punct) return false;
    const wchar_t c = t[k].text[0];
    return c == L'+' || c == L'-' || c == L'*' || c == L'/' || c == L'%';
}

std::wstring joined(const tokens& t, std::size_t from, std::size_t to) {
    std::wstring out;
    for (std::size_t k = from; k <= to; ++k) out += t[k].text;
    return out;
}

bool is_decode(const tokens& t, std::size_t k) {
    const std::size_t open = next_sig(t, k);
    return is_word(t[k], L"DECODE") && open != k_none && is_punct(t[open], L"(");
}

// The DECODE call or || nested deepest in parentheses, leftmost first and a DECODE before a ||
// beside it, so that whatever one of them takes as its arguments is already MySQL text; npos
// when none is left.
std::size_t innermost_form(const tokens& t) {
    std::size_t found = k_none;
    int found_depth = -1;
    int depth = 0;
    for (std::size_t k = 0; k < t.size(); ++k) {
        if (is_punct(t[k], L"(")) ++depth;
        if (is_punct(t[k], L")")) --depth;
        const bool decode = is_decode(t, k);
        if (!decode && t[k].type != kind::concat) continue;
        const bool deeper = depth > found_depth;
        const bool decode_first = depth == found_depth && decode && t[found].type == kind::concat;
        if (deeper || decode_first) {
            found = k;
            found_depth = depth;
        }
    }
    return found;
}

void replace_range(tokens& t, std::size_t start, std::size_t end, std::wstring text) {
    t[start] = {kind::group, std::move(text)};
    t.erase(t.begin() + static_cast<std::ptrdiff_t>(start) + 1,
            t.begin() + static_cast<std::ptrdiff_t>(end) + 1);
}

// Oracle's a || b || c, which skips NULLs and gives NULL for an empty result (Oracle's empty
// text is NULL), as the MySQL expression with the same values.
void fold_concatenation(tokens& t, std::size_t k) {
    const std::size_t start = operand_start(t, prev_sig(t, k));
    std::wstring operands = joined(t, start, operand_end(t, start));
    std::size_t end = k_none;
    for (std::size_t op = k; op != k_none && t[op].type == kind::concat; op = next_sig(t, end)) {
        const std::size_t right = next_sig(t, op);
        end = operand_end(t, right);
        operands += L", " + joined(t, right, end);
    }
    if (is_arithmetic(t, prev_sig(t, start)) || is_arithmetic(t, next_sig(t, end)))
        refuse_mixed_concat();
    replace_range(t, start, end, L"NULLIF(CONCAT_WS('', " + operands + L"), '')");
}

std::wstring trimmed(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// DECODE(e, s1, r1, ..., default) as CASE: Oracle's DECODE finds a NULL equal to a NULL, as <=>
// does.
void fold_decode(tokens& t, std::size_t k) {
    const std::size_t open = next_sig(t, k);
    const std::size_t close = matching(t, open, 1);
    std::vector<std::wstring> args(1);
    int depth = 0;
    for (std::size_t j = open + 1; j < close; ++j) {
        if (is_punct(t[j], L"(")) ++depth;
        if (is_punct(t[j], L")")) --depth;
        if (depth == 0 && is_punct(t[j], L",")) {
            args.emplace_back();
            continue;
        }
        args.back() += t[j].text;
    }
    for (std::wstring& arg : args) arg = trimmed(arg);
    if (args.size() < 3) malformed("a DECODE with fewer than three arguments");
    std::wstring text = L"CASE";
    for (std::size_t a = 1; a + 1 < args.size(); a += 2)
        text += L" WHEN (" + args[0] + L") <=> (" + args[a] + L") THEN " + args[a + 1];
    if (args.size() % 2 == 0) text += L" ELSE " + args.back();
    replace_range(t, k, close, text + L" END");
}

void fold_forms(tokens& t) {
    for (std::size_t k = innermost_form(t); k != k_none; k = innermost_form(t)) {
        if (t[k].type == kind::concat)
            fold_concatenation(t, k);
        else
            fold_decode(t, k);
    }
}

// MySQL reads a backslash in a literal as an escape; Oracle as itself.
std::wstring literal_text(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\\') out += L'\\';
        out += c;
    }
    return out;
}

// Where the view's own column list (the outermost SELECT's) stands, and where its current
// item began in the output.
class select_list {
public:
    // `names`: the view's column names in order, which its own list's items take (none: the
    // items keep their names).
    explicit select_list(const std::vector<std::wstring>& names) : m_names(names) {}

    // Names the item that the input token `t` ends (a comma or FROM of the view's own list), as
    // the view calls that column; an item "*" ends the naming.
    void before(const token& t, tokens& out) {
        if (!m_inside || !m_first || m_depth != 0) return;
        if (!is_punct(t, L",") && !is_word(t, L"FROM")) return;
        if (m_item >= m_names.size()) return;
        const std::size_t last = prev_sig(out, out.size());
        if (last == k_none || last < m_begin) return;
        const std::size_t before_last = prev_sig(out, last);
        const bool first_of_item = before_last == k_none || before_last < m_begin;
        if (is_punct(out[last], L"*")) {
            m_item = m_names.size();
            return;
        }
        const token name{kind::quoted, backticked(m_names[m_item++])};
        const bool aliased =
            !first_of_item && (out[last].type == kind::word || out[last].type == kind::quoted) &&
            !is_clause_word(out[last]) &&
            (is_word(out[before_last], L"AS") || is_value(out[before_last]) ||
             is_punct(out[before_last], L")") || is_word(out[before_last], L"END"));
        if (aliased) {
            out[last] = name;
            return;
        }
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(last) + 1,
                   {{kind::blank, L" "}, {kind::word, L"AS"}, {kind::blank, L" "}, name});
    }
    // True while the items take the view's column names.
    bool names_items() const { return !m_names.empty(); }

    // Follows a token of the input once its output is in `out`.
    void see(const token& t, const tokens& out) {
        if (is_punct(t, L"(")) ++m_depth;
        if (is_punct(t, L")")) --m_depth;
        if (m_depth != 0) return;
        if (is_word(t, L"SELECT")) {
            m_inside = true;
            m_begin = out.size();
        } else if (is_word(t, L"FROM")) {
            m_first = m_first && !m_inside;
            m_inside = false;
        } else if (m_inside && is_punct(t, L",")) {
            m_begin = out.size();
        } else if ((is_word(t, L"DISTINCT") || is_word(t, L"ALL") || is_word(t, L"UNIQUE")) &&
                   m_inside && significant_since(out) == 1) {
            m_begin = out.size();
        }
    }
    // True at the start of an item: Oracle's SELECT UNIQUE is MySQL's SELECT DISTINCT.
    bool at_item_start(const tokens& out) const {
        return m_inside && m_depth == 0 && significant_since(out) == 0;
    }
    // True when the item so far is only the qualifiers of a name ("c." or nothing).
    bool bare_item(const tokens& out) const {
        if (!m_inside || m_depth != 0 || m_begin > out.size()) return false;
        bool want_name = true;
        for (std::size_t k = m_begin; k < out.size(); ++k) {
            if (out[k].type == kind::blank) continue;
            const bool name = out[k].type == kind::word || out[k].type == kind::quoted;
            if (want_name ? !name : !is_punct(out[k], L".")) return false;
            want_name = !want_name;
        }
        return want_name;
    }

private:
    std::size_t significant_since(const tokens& out) const {
        std::size_t count = 0;
        for (std::size_t k = m_begin; k < out.size(); ++k) count += out[k].type != kind::blank;
        return count;
    }

    const std::vector<std::wstring>& m_names;
    std::size_t m_item = 0;
    int m_depth = 0;
    bool m_inside = false;
    // Until the first list ends: the names of a view's columns are those of its first SELECT.
    bool m_first = true;
    std::size_t m_begin = 0;
};

// Where the FROM clauses stand, one level of parentheses each: a name read where a table must
// stand (after FROM, JOIN or a comma of the list) names a table or a view.
class from_clause {
public:
    // Follows the input token at `i`.
    void see(const tokens& in, std::size_t i) {
        const token& t = in[i];
        if (is_punct(t, L"(")) {
            if (m_state.back() == state::table) m_state.back() = state::listed;
            m_state.push_back(state::none);
            return;
        }
        if (is_punct(t, L")")) {
            if (m_state.size() > 1) m_state.pop_back();
            return;
        }
        state& here = m_state.back();
        if (is_word(t, L"FROM") || is_word(t, L"JOIN")) {
            here = state::table;
        } else if (is_punct(t, L",") && here == state::listed) {
            here = state::table;
        } else if (t.type == kind::word && ends_list(upper(t.text))) {
            here = state::none;
        } else if ((t.type == kind::word || t.type == kind::quoted) && here == state::table) {
            // A qualifier ("OWNER.") keeps the place for the name after it.
            const std::size_t after = next_sig(in, i);
            if (after == k_none || !is_punct(in[after], L".")) here = state::listed;
        }
    }
    bool at_table() const { return m_state.back() == state::table; }

private:
    enum class state { none, table, listed };

    static bool ends_list(const std::wstring& word) {
        static const wchar_t* const words[] = {L"WHERE",  L"GROUP",     L"ORDER",   L"HAVING",
                                               L"ON",     L"USING",     L"UNION",   L"MINUS",
                                               L"EXCEPT", L"INTERSECT", L"CONNECT", L"START"};
        for (const wchar_t* w : words)
            if (word == w) return true;
        return false;
    }

    std::vector<state> m_state{state::none};
};

// The MySQL text of an Oracle word that is no name: a pseudo-column or an operator MySQL
// spells otherwise; null for every other word.
const wchar_t* mysql_form(const std::wstring& word, bool at_item_start) {
    if (word == L"SYSDATE") return L"SYSDATE()";
    if (word == L"SYSTIMESTAMP") return L"CURRENT_TIMESTAMP(6)";
    if (word == L"MINUS") return L"EXCEPT";
    if (word == L"UNIQUE" && at_item_start) return L"DISTINCT";
    return nullptr;
}

// The last token of Oracle's closing restriction that starts at `i` and that MySQL has no form
// for ("WITH READ ONLY", a restriction's "CONSTRAINT name"), or npos.  MySQL's own WITH CHECK
// OPTION stays.
std::size_t restriction_end(const tokens& in, std::size_t i, const tokens& out) {
    std::size_t end = k_none;
    if (is_word(in[i], L"WITH")) {
        const std::size_t read = next_sig(in, i);
        const std::size_t only = read == k_none ? k_none : next_sig(in, read);
        if (only == k_none || !is_word(in[read], L"READ") || !is_word(in[only], L"ONLY"))
            return k_none;
        end = only;
    } else if (is_word(in[i], L"CONSTRAINT")) {
        const std::size_t before = prev_sig(out, out.size());
        if (before == k_none || !is_word(out[before], L"OPTION")) return k_none;
        end = i - 1;
    } else {
        return k_none;
    }
    const std::size_t constraint = next_sig(in, end);
    const std::size_t name = constraint == k_none ? k_none : next_sig(in, constraint);
    if (name != k_none && is_word(in[constraint], L"CONSTRAINT")) end = name;
    return end;
}

struct name_lookups {
    const view_translator::table_lookup& tables;
    const view_translator::column_lookup& columns;
    const std::wstring& owner;
    std::vector<std::wstring>* unknown_tables;
};

// Writes the output of the name (or word) at `i` of the input; gives the index of the last
// input token it took.
std::size_t translate_name(const name_lookups& names, const tokens& in, std::size_t i, tokens& out,
                           const select_list& list, const from_clause& from) {
    const token& t = in[i];
    const bool quoted = t.type == kind::quoted;
    // Oracle folds an unquoted name to upper case; a quoted one is taken as it stands.
    const std::wstring name = quoted ? t.text : upper(t.text);
    const std::size_t after = next_sig(in, i);
    const std::size_t before = prev_sig(out, out.size());
    const bool member = before != k_none && is_punct(out[before], L".");
    const bool qualifier = after != k_none && is_punct(in[after], L".");
    if (!quoted && after != k_none && is_punct(in[after], L"(")) {
        if (is_missing_call(name)) refuse(L"Oracle's " + name + L" function");
        out.push_back({kind::word, renamed_call(name).value_or(t.text)});
        return i;
    }
    if (before != k_none && is_word(out[before], L"AS")) {
        out.push_back(quoted ? token{kind::quoted, backticked(name)} : t);
        return i;
    }
    if (!quoted) {
        if (name == L"ROWNUM" || name == L"ROWID" || name == L"LEVEL" || name == L"PRIOR" ||
            (name == L"OBJECT" && after != k_none && is_word(in[after], L"IDENTIFIER")) ||
            (name == L"CONNECT" && after != k_none && is_word(in[after], L"BY")))
            refuse(L"Oracle's " + name);
        if (const wchar_t* same = mysql_form(name, list.at_item_start(out))) {
            out.push_back({kind::group, same});
            return i;
        }
    }
    if (!member && qualifier && name == names.owner) return after;
    const std::wstring table = member ? std::wstring() : names.tables(name);
    const std::wstring column = table.empty() ? names.columns(name) : std::wstring();
    // MySQL knows Oracle's one-row table by the same name.
    const bool dual = !quoted && name == L"DUAL";
    if (from.at_table() && !qualifier && !dual && table.empty() && names.unknown_tables)
        names.unknown_tables->push_back(name);
    if (!table.empty()) {
        out.push_back({kind::quoted, backticked(table)});
    } else if (!column.empty()) {
        // A renamed column alone in the view's own column list keeps the view's column name.
        const bool alone =
            !list.names_items() && list.bare_item(out) &&
            (after == k_none || is_punct(in[after], L",") || is_word(in[after], L"FROM"));
        out.push_back({kind::quoted,
                       backticked(column) + (alone ? L" AS " + backticked(name) : std::wstring())});
    } else if (quoted || name == L"TIME") {
        // A bare TIME is a column in Oracle, where MySQL's view rewriting would read CURTIME.
        out.push_back({kind::quoted, backticked(quoted ? name : t.text)});
    } else {
        out.push_back(t);
    }
    return i;
}

}  // namespace

view_translator::view_translator(table_lookup tables, column_lookup columns,
                                 const std::wstring& owner)
    : m_tables(std::move(tables)), m_columns(std::move(columns)), m_owner(upper(owner)) {}

std::wstring view_translator::translate(const std::wstring& text,
                                        std::vector<std::wstring>* unknown_tables,
                                        const std::vector<std::wstring>& column_names) const {
    tk_wlog(2, L"view_translator::translate(%s)", text.c_str());
    const tokens in = lex(text);
    tokens out;
    select_list list(column_names);
    from_clause from;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const token& t = in[i];
        if (const std::size_t end = restriction_end(in, i, out); end != k_none) {
            i = end;
            continue;
        }
        list.before(t, out);
        if (t.type == kind::literal) {
            out.push_back({kind::literal, literal_text(t.text)});
        } else if (t.type == kind::word || t.type == kind::quoted) {
            const std::size_t taken = translate_name({m_tables, m_columns, m_owner, unknown_tables},
                                                     in, i, out, list, from);
            // The owner's prefix is gone, with its point: the name after it takes its place.
            if (taken != i) {
                i = taken;
                continue;
            }
        } else {
            const std::size_t plus = next_sig(in, i);
            const std::size_t close = plus == k_none ? k_none : next_sig(in, plus);
            if (is_punct(t, L"(") && close != k_none && is_punct(in[plus], L"+") &&
                is_punct(in[close], L")"))
                refuse(L"Oracle's (+) outer join");
            out.push_back(t);
        }
        list.see(t, out);
        from.see(in, i);
    }
    fold_forms(out);
    std::size_t first = 0;
    while (first < out.size() && out[first].type == kind::blank) ++first;
    std::size_t last = out.size();
    while (last > first && out[last - 1].type == kind::blank) --last;
    return last > first ? joined(out, first, last - 1) : std::wstring();
}
