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
        L"DECODE",  L"NVL2",          L"TO_CHAR",        L"TO_DATE",     L"TO_NUMBER",
        L"TO_TIMESTAMP", L"ADD_MONTHS", L"MONTHS_BETWEEN", L"TRUNC",   L"SYS_CONTEXT",
        L"LISTAGG", L"USERENV"};
    for (const wchar_t* m : missing)
        if (name == m) return true;
    return false;
}

// Words MySQL cannot take as an operand of CONCAT: a || next to one of them is not a simple
// concatenation of two values.
bool is_clause_word(const token& t) {
    static const wchar_t* const words[] = {L"SELECT", L"FROM", L"WHERE", L"AND",  L"OR",
                                           L"NOT",    L"CASE", L"WHEN",  L"THEN", L"ELSE",
                                           L"END",    L"AS",   L"BY",    L"ON",   L"IN",
                                           L"IS",     L"LIKE", L"DISTINCT"};
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

// Oracle's a || b || c, which skips NULLs and gives NULL for an empty result (Oracle's empty
// text is NULL), as the MySQL expression with the same values.
// The || nested deepest in parentheses, leftmost first, so that an operand holds none; npos
// when there is none left.
std::size_t innermost_concat(const tokens& t) {
    std::size_t found = k_none;
    int found_depth = -1;
    int depth = 0;
    for (std::size_t k = 0; k < t.size(); ++k) {
        if (is_punct(t[k], L"(")) ++depth;
        if (is_punct(t[k], L")")) --depth;
        if (t[k].type == kind::concat && depth > found_depth) {
            found = k;
            found_depth = depth;
        }
    }
    return found;
}

void fold_concatenations(tokens& t) {
    for (std::size_t k = innermost_concat(t); k != k_none; k = innermost_concat(t)) {
        const std::size_t start = operand_start(t, prev_sig(t, k));
        std::wstring operands = joined(t, start, operand_end(t, start));
        std::size_t end = k_none;
        for (std::size_t op = k; op != k_none && t[op].type == kind::concat;
             op = next_sig(t, end)) {
            const std::size_t right = next_sig(t, op);
            end = operand_end(t, right);
            operands += L", " + joined(t, right, end);
        }
        if (is_arithmetic(t, prev_sig(t, start)) || is_arithmetic(t, next_sig(t, end)))
            refuse_mixed_concat();
        t[start] = {kind::group, L"NULLIF(CONCAT_WS('', " + operands + L"), '')"};
        t.erase(t.begin() + static_cast<std::ptrdiff_t>(start) + 1,
                t.begin() + static_cast<std::ptrdiff_t>(end) + 1);
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

}  // namespace

view_translator::view_translator(table_lookup tables, column_lookup columns, std::wstring owner)
    : m_tables(std::move(tables)), m_columns(std::move(columns)), m_owner(upper(owner)) {}

std::wstring view_translator::translate(const std::wstring& text) const {
    tk_wlog(2, L"view_translator::translate(%s)", text.c_str());
    const tokens in = lex(text);
    tokens out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const token& t = in[i];
        if (t.type == kind::literal) {
            out.push_back({kind::literal, literal_text(t.text)});
            continue;
        }
        if (t.type == kind::punct && t.text == L"(") {
            const std::size_t plus = next_sig(in, i);
            const std::size_t close = plus == k_none ? k_none : next_sig(in, plus);
            if (close != k_none && is_punct(in[plus], L"+") && is_punct(in[close], L")"))
                refuse(L"Oracle's (+) outer join");
        }
        if (t.type != kind::word && t.type != kind::quoted) {
            out.push_back(t);
            continue;
        }
        const bool quoted = t.type == kind::quoted;
        // Oracle folds an unquoted name to upper case; a quoted one is taken as it stands.
        const std::wstring name = quoted ? t.text : upper(t.text);
        const std::size_t after = next_sig(in, i);
        const std::size_t before = prev_sig(out, out.size());
        const bool member = before != k_none && is_punct(out[before], L".");
        const bool qualifier = after != k_none && is_punct(in[after], L".");
        const bool alias = before != k_none && is_word(out[before], L"AS");
        if (!quoted && after != k_none && is_punct(in[after], L"(")) {
            if (is_missing_call(name)) refuse(L"Oracle's " + name + L" function");
            out.push_back({kind::word, renamed_call(name).value_or(t.text)});
            continue;
        }
        if (alias) {
            out.push_back(quoted ? token{kind::quoted, backticked(name)} : t);
            continue;
        }
        if (!quoted) {
            if (name == L"ROWNUM" || name == L"ROWID" || name == L"LEVEL" || name == L"PRIOR" ||
                (name == L"CONNECT" && after != k_none && is_word(in[after], L"BY")))
                refuse(L"Oracle's " + name);
            if (name == L"SYSDATE") {
                out.push_back({kind::group, L"SYSDATE()"});
                continue;
            }
            if (name == L"SYSTIMESTAMP") {
                out.push_back({kind::group, L"CURRENT_TIMESTAMP(6)"});
                continue;
            }
            if (name == L"MINUS") {
                out.push_back({kind::word, L"EXCEPT"});
                continue;
            }
        }
        if (!member && qualifier && name == m_owner) {
            i = after;
            continue;
        }
        std::wstring destination = member ? std::wstring() : m_tables(name);
        if (destination.empty()) destination = m_columns(name);
        if (!destination.empty())
            out.push_back({kind::quoted, backticked(destination)});
        else
            out.push_back(quoted ? token{kind::quoted, backticked(name)} : t);
    }
    fold_concatenations(out);
    std::size_t first = 0;
    while (first < out.size() && out[first].type == kind::blank) ++first;
    std::size_t last = out.size();
    while (last > first && out[last - 1].type == kind::blank) --last;
    return last > first ? joined(out, first, last - 1) : std::wstring();
}
