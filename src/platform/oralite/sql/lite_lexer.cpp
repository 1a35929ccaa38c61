#include "sql/lite_lexer.h"

#include <cctype>

namespace {

bool is_ident_start(unsigned char c) {
    return std::isalpha(c) || c >= 0x80 || c == '_';
}
bool is_ident_char(unsigned char c) {
    return std::isalnum(c) || c >= 0x80 || c == '_' || c == '$' || c == '#';
}

// `text` between two `quote` characters, each quote inside it doubled.
std::string enclose(std::string_view text, char quote) {
    std::string r(1, quote);
    r.reserve(text.size() + 2);
    for (char c : text) {
        if (c == quote) r += quote;
        r += c;
    }
    r += quote;
    return r;
}

// Reads the body of a literal or quoted name that opened just before `k`, up to its closing
// `quote` (a doubled quote stands for one), into `out`; `k` ends past the closing quote. False
// when the text ends first.
bool read_doubled(std::string_view s, size_t& k, char quote, std::string& out) {
    const size_t n = s.size();
    while (k < n) {
        if (s[k] == quote) {
            if (k + 1 < n && s[k + 1] == quote) {
                out += quote;
                k += 2;
                continue;
            }
            ++k;
            return true;
        }
        out += s[k];
        ++k;
    }
    return false;
}

}  // namespace

char lite_q_closer(char open) {
    switch (open) {
        case '[':
            return ']';
        case '(':
            return ')';
        case '{':
            return '}';
        case '<':
            return '>';
        default:
            return open;
    }
}

std::string lite_upper(std::string_view s) {
    std::string r(s);
    for (char& c : r) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return r;
}

std::string lite_quote_name(std::string_view name) {
    return enclose(name, '"');
}

std::string lite_quote_text(std::string_view text) {
    return enclose(text, '\'');
}

std::vector<lite_token> lite_tokenize(std::string_view s) {
    std::vector<lite_token> out;
    size_t i = 0;
    int line = 1;
    const size_t n = s.size();
    auto count_lines = [&](size_t from, size_t to) {
        for (size_t k = from; k < to && k < n; ++k) {
            if (s[k] == '\n') ++line;
        }
    };
    // Ends token `tok` at `k` and moves on past it.
    auto finish = [&](lite_token& tok, size_t k) {
        count_lines(i, k);
        i = k;
        tok.end_pos = k;
        out.push_back(std::move(tok));
    };
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '\n') {
            ++line;
            ++i;
            continue;
        }
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (i < n && s[i] != '\n') ++i;
            continue;
        }
        if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            size_t e = s.find("*/", i + 2);
            size_t stop = e == std::string_view::npos ? n : e + 2;
            count_lines(i, stop);
            i = stop;
            continue;
        }
        lite_token t;
        t.begin = i;
        t.line = line;
        // National and quoting-mechanism literals: N'..', q'[..]', nq'[..]'.
        size_t lit = std::string_view::npos;
        bool qlit = false;
        if ((c == 'n' || c == 'N') && i + 1 < n && s[i + 1] == '\'') {
            lit = i + 1;
        } else if ((c == 'q' || c == 'Q') && i + 2 < n && s[i + 1] == '\'') {
            lit = i + 1;
            qlit = true;
        } else if ((c == 'n' || c == 'N') && i + 3 < n && (s[i + 1] == 'q' || s[i + 1] == 'Q') &&
                   s[i + 2] == '\'') {
            lit = i + 2;
            qlit = true;
        } else if (c == '\'') {
            lit = i;
        }
        if (lit != std::string_view::npos) {
            t.kind = lite_token::string;
            size_t k = lit + 1;
            if (qlit) {
                char close = lite_q_closer(s[k]);
                ++k;
                size_t start = k;
                bool done = false;
                while (k + 1 < n) {
                    if (s[k] == close && s[k + 1] == '\'') {
                        done = true;
                        break;
                    }
                    ++k;
                }
                if (done) {
                    t.text.assign(s.substr(start, k - start));
                    k += 2;
                } else {
                    t.text.assign(s.substr(start));
                    t.unterminated = true;
                    k = n;
                }
            } else {
                t.unterminated = !read_doubled(s, k, '\'', t.text);
            }
            finish(t, k);
            continue;
        }
        if (c == '"') {
            t.kind = lite_token::quoted;
            size_t k = i + 1;
            t.unterminated = !read_doubled(s, k, '"', t.text);
            finish(t, k);
            continue;
        }
        if (is_ident_start(c)) {
            size_t k = i;
            while (k < n && is_ident_char(static_cast<unsigned char>(s[k]))) ++k;
            t.kind = lite_token::ident;
            t.text = lite_upper(s.substr(i, k - i));
            finish(t, k);
            continue;
        }
        if (std::isdigit(c) ||
            (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            size_t k = i;
            while (k < n && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
            if (k < n && s[k] == '.' && !(k + 1 < n && s[k + 1] == '.')) {
                ++k;
                while (k < n && std::isdigit(static_cast<unsigned char>(s[k]))) ++k;
            }
            if (k < n && (s[k] == 'e' || s[k] == 'E')) {
                size_t m = k + 1;
                if (m < n && (s[m] == '+' || s[m] == '-')) ++m;
                if (m < n && std::isdigit(static_cast<unsigned char>(s[m]))) {
                    while (m < n && std::isdigit(static_cast<unsigned char>(s[m]))) ++m;
                    k = m;
                }
            }
            t.kind = lite_token::number;
            t.text.assign(s.substr(i, k - i));
            finish(t, k);
            continue;
        }
        if (c == ':' && i + 1 < n &&
            (is_ident_char(static_cast<unsigned char>(s[i + 1])) || s[i + 1] == '"')) {
            size_t k = i + 1;
            if (s[k] == '"') {
                size_t e = s.find('"', k + 1);
                t.text.assign(s.substr(k + 1, (e == std::string_view::npos ? n : e) - k - 1));
                k = e == std::string_view::npos ? n : e + 1;
            } else {
                while (k < n && is_ident_char(static_cast<unsigned char>(s[k]))) ++k;
                t.text = lite_upper(s.substr(i + 1, k - i - 1));
            }
            t.kind = lite_token::bind;
            finish(t, k);
            continue;
        }
        static const char* const two[] = {"||", "<=", ">=", "<>", "!=", "^=", ":=", "=>", ".."};
        t.kind = lite_token::op;
        bool matched = false;
        if (i + 1 < n) {
            for (const char* o : two) {
                if (s[i] == o[0] && s[i + 1] == o[1]) {
                    t.text.assign(o);
                    i += 2;
                    matched = true;
                    break;
                }
            }
        }
        if (!matched) {
            t.text.assign(1, static_cast<char>(c));
            ++i;
        }
        t.end_pos = i;
        out.push_back(std::move(t));
    }
    lite_token e;
    e.kind = lite_token::end;
    e.begin = e.end_pos = n;
    e.line = line;
    out.push_back(e);
    return out;
}
