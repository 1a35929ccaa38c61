#include "script/lite_script.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <istream>
#include <map>

#include "sql/lite_lexer.h"
#include "lite_errors.h"

namespace {

std::string trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

std::string first_word(std::string_view line) {
    std::string t = trim(line);
    size_t e = 0;
    while (e < t.size() && !std::isspace(static_cast<unsigned char>(t[e])) && t[e] != ';') ++e;
    return lite_upper(t.substr(0, e));
}

bool is_client_command(const std::string& w) {
    static const char* const cmds[] = {
        "REM",      "REMARK",   "PROMPT",   "SET",     "SPOOL",     "SHOW",       "SHO",
        "DEFINE",   "DEF",      "UNDEFINE", "COLUMN",  "COL",       "TTITLE",     "BTITLE",
        "BREAK",    "COMPUTE",  "WHENEVER", "CONNECT", "CONN",      "DISCONNECT", "EXIT",
        "QUIT",     "PAUSE",    "ACCEPT",   "HOST",    "CLEAR",     "EXEC",       "EXECUTE",
        "START",    "VARIABLE", "VAR",      "PRINT",   "DESC",      "DESCRIBE",   "RUN",
        "SAVE",     "GET",      "EDIT",     "STORE",   "REPHEADER", "REPFOOTER",  "TIMING",
        "PASSWORD", "STARTUP",  "SHUTDOWN", "RECOVER", "ARCHIVE",   "APPEND",     "LIST",
        "INPUT",    "DEL",      "CHANGE",   "SQLPLUS", "ATTRIBUTE", "COPY",       "HELP",
        "PRO",      "SPO",      "ACC",      "UNDEF",   "CL",        "COMP",       "TTI",
        "BTI",      "STA",      "PRI",      "REPH",    "REPF",      "BRE",        "TIMI",
        "PAU",      "HO",       "DISC",     "R",       "ARGUMENT",  "XQUERY",     "/"};
    if (w.empty()) return false;
    if (w[0] == '@' || w[0] == '!') return true;
    for (const char* c : cmds) {
        if (w == c) return true;
    }
    return false;
}

// Whether a unit's text opens a PL/SQL unit, which only a '/' line ends.
bool is_plsql_start(std::string_view text) {
    std::vector<lite_token> t = lite_tokenize(text.substr(0, std::min<size_t>(text.size(), 400)));
    size_t i = 0;
    if (t[0].is("BEGIN") || t[0].is("DECLARE")) return true;
    if (!t[0].is("CREATE")) return false;
    ++i;
    if (t[i].is("OR") && t[i + 1].is("REPLACE")) i += 2;
    while (t[i].is("EDITIONABLE") || t[i].is("NONEDITIONABLE") || t[i].is("EDITIONING")) ++i;
    for (const char* k :
         {"PROCEDURE", "FUNCTION", "PACKAGE", "TRIGGER", "TYPE", "LIBRARY", "JAVA"}) {
        if (t[i].is(k)) return true;
    }
    return false;
}

// Whether the q at `k` opens q'...' or nq'...' rather than ending a name such as "seq".
bool q_literal_start(const std::string& line, size_t k) {
    auto name_char = [&](size_t at) {
        unsigned char c = static_cast<unsigned char>(line[at]);
        return std::isalnum(c) || c >= 0x80 || c == '_' || c == '$' || c == '#';
    };
    if (k == 0 || !name_char(k - 1)) return true;
    return (line[k - 1] == 'n' || line[k - 1] == 'N') && (k == 1 || !name_char(k - 2));
}

struct value {
    int type = 5;  // 1 integer, 2 double, 3 text, 4 bytes, 5 NULL
    int64_t i = 0;
    double d = 0;
    std::string s;
};

// Whether a line opens a client command. SET TRANSACTION, SET ROLE and SET CONSTRAINTS are SQL.
bool is_client_line(const std::string& line) {
    std::string w = first_word(line);
    if (!is_client_command(w)) return false;
    if (w != "SET") return true;
    std::string second = first_word(std::string_view(line).substr(3));
    return second != "TRANSACTION" && second != "ROLE" && second != "CONSTRAINT" &&
           second != "CONSTRAINTS";
}

// Whether a line opens a SQL statement or a PL/SQL block (after blanks).
bool is_sql_start(const std::string& line) {
    if (line[0] == '(' || line.rfind("<<", 0) == 0 || line.rfind("/*", 0) == 0) return true;
    size_t e = 0;
    while (e < line.size() && (std::isalnum(static_cast<unsigned char>(line[e])) ||
                               line[e] == '_' || line[e] == '$' || line[e] == '#')) {
        ++e;
    }
    static const char* const words[] = {
        "SELECT",       "INSERT",     "UPDATE", "DELETE",  "MERGE",    "CREATE",    "ALTER",
        "DROP",         "GRANT",      "REVOKE", "COMMENT", "TRUNCATE", "COMMIT",    "ROLLBACK",
        "SAVEPOINT",    "LOCK",       "RENAME", "AUDIT",   "NOAUDIT",  "ANALYZE",   "EXPLAIN",
        "WITH",         "CALL",       "BEGIN",  "DECLARE", "PURGE",    "FLASHBACK", "ASSOCIATE",
        "DISASSOCIATE", "ADMINISTER", "VALUES", "SET"};
    std::string w = lite_upper(line.substr(0, e));
    for (const char* k : words) {
        if (w == k) return true;
    }
    return false;
}

// Whether a line (trimmed) ends with the continuation hyphen. A comment, a remark or a line
// of dashes is not continued.
bool ends_continued(const std::string& line) {
    if (line.empty() || line.back() != '-') return false;
    if (line.size() >= 2 && line[line.size() - 2] == '-') return false;
    if (line.rfind("--", 0) == 0) return false;
    std::string w = first_word(line);
    return w != "REM" && w != "REMARK";
}
}  // namespace

void lite_script_splitter::emit(lite_script_unit::kind_t k, std::vector<lite_script_unit>& out,
                                bool held) {
    std::string t = trim(buf_);
    if (!t.empty()) out.push_back({k, t, buf_line_, held});
    buf_.clear();
    mode_ = none;
    in_string_ = in_comment_ = in_quoted_ = false;
    q_close_ = 0;
}

bool lite_script_splitter::start_unit(std::string& rest, std::vector<lite_script_unit>& out) {
    std::string tr = trim(rest);
    if (tr.empty() || tr == ".") return false;
    const int line = start_line_;
    if (tr == "/") {
        // Runs the unit a '.' line held, if any.
        out.push_back({lite_script_unit::client, tr, line});
        return false;
    }
    if (tr.rfind("--", 0) == 0) return false;
    if (is_client_line(tr)) {
        out.push_back({lite_script_unit::client, tr, line});
        return false;
    }
    if (!is_sql_start(tr)) {
        out.push_back({lite_script_unit::unknown, tr, line});
        return false;
    }
    mode_ = sql;
    buf_line_ = line;
    // Leading blanks are not part of the unit.
    size_t lead = rest.find_first_not_of(" \t");
    rest = rest.substr(lead == std::string::npos ? 0 : lead);
    return true;
}

void lite_script_splitter::feed(std::string_view raw, std::vector<lite_script_unit>& out) {
    ++line_no_;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    std::string rest;
    if (mode_ == none) {
        // Only a line that opens a unit is continued: inside a statement a trailing '-' is the
        // minus it looks like.
        rest = continued_ + std::string(raw);
        std::string tr = trim(rest);
        if (ends_continued(tr)) {
            if (continued_.empty()) continued_line_ = line_no_;
            continued_ = tr.substr(0, tr.size() - 1) + " ";
            return;
        }
        start_line_ = continued_.empty() ? line_no_ : continued_line_;
        continued_.clear();
    } else {
        rest.assign(raw);
    }
    while (true) {
        if (mode_ == none && !start_unit(rest, out)) break;
        if (mode_ == plsql) {
            std::string tr = trim(rest);
            if (tr == "/" || tr == ".") {
                emit(lite_script_unit::plsql, out, tr == ".");
                break;
            }
            buf_ += rest;
            buf_ += '\n';
            break;
        }
        // SQL: look for a terminator outside literals and comments.
        if (!in_string_ && !in_comment_ && !in_quoted_ && !q_close_) {
            std::string tr = trim(rest);
            if (tr == "/" || tr == ".") {
                emit(lite_script_unit::sql, out, tr == ".");
                break;
            }
        }
        size_t k = 0;
        bool terminated = false;
        for (; k < rest.size(); ++k) {
            char c = rest[k];
            char n = k + 1 < rest.size() ? rest[k + 1] : '\0';
            if (q_close_) {
                if (c == q_close_ && n == '\'') {
                    q_close_ = 0;
                    ++k;
                }
            } else if (in_comment_) {
                if (c == '*' && n == '/') {
                    in_comment_ = false;
                    ++k;
                }
            } else if (in_string_) {
                if (c == '\'') {
                    if (n == '\'') {
                        ++k;
                    } else {
                        in_string_ = false;
                    }
                }
            } else if (in_quoted_) {
                if (c == '"') in_quoted_ = false;
            } else if (c == '-' && n == '-') {
                k = rest.size();
                break;
            } else if (c == '/' && n == '*') {
                in_comment_ = true;
                ++k;
            } else if ((c == 'q' || c == 'Q') && n == '\'' && k + 2 < rest.size() &&
                       q_literal_start(rest, k)) {
                q_close_ = lite_q_closer(rest[k + 2]);
                k += 2;
            } else if (c == '\'') {
                in_string_ = true;
            } else if (c == '"') {
                in_quoted_ = true;
            } else if (c == ';') {
                terminated = true;
                break;
            }
        }
        if (!terminated) {
            buf_ += rest;
            buf_ += '\n';
            break;
        }
        buf_ += rest.substr(0, k);
        if (is_plsql_start(buf_)) {
            mode_ = plsql;
            buf_ += rest.substr(k);
            buf_ += '\n';
            break;
        }
        emit(lite_script_unit::sql, out);
        rest = rest.substr(k + 1);
        start_line_ = line_no_;
    }
}

void lite_script_splitter::finish(std::vector<lite_script_unit>& out) {
    if (mode_ == none && !continued_.empty()) {
        // A continued line at the very end stands as it is.
        std::string rest = continued_;
        continued_.clear();
        line_no_ = continued_line_ - 1;
        feed(rest, out);
    }
    if (mode_ == plsql) {
        emit(lite_script_unit::plsql, out);
    } else if (mode_ == sql) {
        emit(lite_script_unit::sql, out);
    }
}

// Hands each line of `script` (without its line feed; the last one even when empty) to `take`,
// stopping at the first that answers false.
template <class F>
static bool each_line(std::string_view script, F&& take) {
    size_t pos = 0;
    while (pos <= script.size()) {
        const size_t nl = script.find('\n', pos);
        if (nl == std::string_view::npos) return take(script.substr(pos));
        if (!take(script.substr(pos, nl - pos))) return false;
        pos = nl + 1;
    }
    return true;
}

std::vector<lite_script_unit> lite_split_script(std::string_view script) {
    std::vector<lite_script_unit> out;
    lite_script_splitter splitter;
    each_line(script, [&](std::string_view line) {
        splitter.feed(line, out);
        return true;
    });
    splitter.finish(out);
    return out;
}

lite_script_runner::lite_script_runner(lite_session& session,
                                       std::function<void(const std::string&)> warn,
                                       std::function<void(const lite_script_error&)> on_error)
    : s_(session), warn_(std::move(warn)), on_error_(std::move(on_error)) {}

void lite_script_runner::warn(const std::string& file, int line, const std::string& text) {
    if (warn_) warn_(file + ":" + std::to_string(line) + ": " + text);
}

namespace {

std::vector<std::string> words_of(const std::string& text) {
    std::vector<std::string> w;
    std::string cur;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == ';') {
            if (!cur.empty()) w.push_back(lite_upper(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) w.push_back(lite_upper(cur));
    return w;
}

}  // namespace

void lite_script_runner::exit_with(const std::vector<std::string>& w, size_t k, int sqlcode,
                                   bool commit) {
    int status = 0;
    if (k < w.size()) {
        const std::string& what = w[k];
        if (what == "SUCCESS") {
            ++k;
        } else if (what == "FAILURE") {
            status = 1;
            ++k;
        } else if (what == "WARNING") {
            status = 2;
            ++k;
        } else if (what == "SQL.SQLCODE") {
            status = sqlcode & 0xff;
            ++k;
        } else if (!what.empty() && std::isdigit(static_cast<unsigned char>(what[0]))) {
            status = std::atoi(what.c_str()) & 0xff;
            ++k;
        }
    }
    if (k < w.size() && w[k] == "COMMIT") commit = true;
    if (k < w.size() && w[k] == "ROLLBACK") commit = false;
    if (commit) {
        s_.commit();
    } else {
        s_.rollback();
    }
    exit_status_ = status;
}

namespace {

// The first `n` bytes of a text, not cutting a UTF-8 character.
std::string leading(const std::string& s, size_t n) {
    if (s.size() <= n) return s;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

// SQL*Plus's limit on scripts that run scripts.
constexpr int k_max_script_depth = 20;

}  // namespace

void lite_script_runner::client_failure(const std::string& file, int line, int code,
                                        const std::string& text) {
    ++failures_;
    lite_script_error failure(file, line, code, text);
    if (!on_error_) throw failure;
    on_error_(failure);
}

bool lite_script_runner::run(std::string_view script, const std::string& file) {
    lite_script_splitter splitter;
    std::vector<lite_script_unit> ready;
    auto drain = [&] {
        for (const lite_script_unit& u : ready) {
            if (!run_unit(u, file)) return false;
        }
        ready.clear();
        return true;
    };
    const bool whole = each_line(script, [&](std::string_view line) {
        splitter.feed(line, ready);
        return drain();
    });
    if (!whole) return false;
    splitter.finish(ready);
    return drain();
}

bool lite_script_runner::run(std::istream& in, const std::string& file) {
    lite_script_splitter splitter;
    std::vector<lite_script_unit> ready;
    auto drain = [&] {
        for (const lite_script_unit& u : ready) {
            if (!run_unit(u, file)) return false;
        }
        ready.clear();
        return true;
    };
    std::string line;
    while (std::getline(in, line)) {
        splitter.feed(line, ready);
        if (!drain()) return false;
    }
    splitter.finish(ready);
    return drain();
}

bool lite_script_runner::run_unit(const lite_script_unit& u, const std::string& file) {
    if (u.kind == lite_script_unit::unknown) {
        client_failure(file, u.line, sp2_err::unknown_command,
                       "SP2-0734: unknown command beginning \"" + leading(u.text, 10) +
                           "...\" - rest of line ignored.");
        return true;
    }
    if (u.held) {
        held_ = u;
        return true;
    }
    if (u.kind == lite_script_unit::client) return run_client(u, file);
    // A statement that runs takes the held one's place, as in SQL*Plus's buffer.
    held_.reset();
    try {
        if (u.kind == lite_script_unit::plsql && is_plsql_start(u.text)) {
            std::vector<lite_token> t = lite_tokenize(u.text);
            if (t[0].is("BEGIN") || t[0].is("DECLARE")) {
                run_block(u.text);
            } else {
                s_.execute(u.text);
            }
        } else {
            s_.execute(u.text);
        }
        for (const std::string& w : s_.take_warnings()) warn(file, u.line, w);
    } catch (const lite_script_error&) {
        throw;
    } catch (const lite_error& e) {
        s_.take_warnings();
        ++failures_;
        lite_script_error failure(file, u.line, e);
        if (!on_error_) throw failure;
        on_error_(failure);
        if (exit_on_error_) {
            exit_with(exit_words_, 3, e.code(), false);
            return false;
        }
    }
    return true;
}

bool lite_script_runner::run_client(const lite_script_unit& u, const std::string& file) {
    std::vector<std::string> w = words_of(u.text);
    const std::string& first = w[0];
    if (first == "/" || first == "RUN" || first == "R") {
        if (!held_) return true;
        lite_script_unit unit = std::move(*held_);
        held_.reset();
        unit.held = false;
        return run_unit(unit, file);
    }
    if (first == "EXIT" || first == "QUIT") {
        exit_with(w, 1, 0, true);
        return false;
    }
    if (first == "WHENEVER" && w.size() >= 3 && w[1] == "SQLERROR") {
        exit_on_error_ = w[2] == "EXIT";
        exit_words_ = w;
        return true;
    }
    if (first[0] == '@' || first == "START" || first == "STA") return run_nested(u, file);
    if (first == "CONNECT" || first == "CONN" || first == "EXEC" || first == "EXECUTE" ||
        first == "HOST" || first[0] == '!' || first == "DISCONNECT") {
        warn(file, u.line, "client command skipped: " + u.text);
    }
    return true;
}

bool lite_script_runner::run_nested(const lite_script_unit& u, const std::string& file) {
    const std::string& t = u.text;
    const bool beside_caller = t.rfind("@@", 0) == 0;
    size_t p = 0;
    if (t[0] == '@') {
        p = beside_caller ? 2 : 1;
    } else {
        while (p < t.size() && !std::isspace(static_cast<unsigned char>(t[p]))) ++p;
    }
    while (p < t.size() && std::isspace(static_cast<unsigned char>(t[p]))) ++p;
    // Arguments after the name are not substituted: the engine has no substitution variables.
    std::string name;
    if (p < t.size() && t[p] == '"') {
        size_t close = t.find('"', p + 1);
        name = t.substr(p + 1, close == std::string::npos ? std::string::npos : close - p - 1);
    } else {
        size_t e = p;
        while (e < t.size() && !std::isspace(static_cast<unsigned char>(t[e])) && t[e] != ';') {
            ++e;
        }
        name = t.substr(p, e - p);
    }
    if (name.empty()) {
        client_failure(file, u.line, sp2_err::start_without_arguments,
                       "SP2-1506: START, @ or @@ command has no arguments");
        return true;
    }
    std::filesystem::path path(name);
    if (!path.has_extension()) path += ".sql";
    if (beside_caller && path.is_relative()) {
        path = std::filesystem::path(file).parent_path() / path;
    }
    if (depth_ >= k_max_script_depth) {
        client_failure(file, u.line, sp2_err::procedures_nested_too_deep,
                       "SP2-0309: SQL*Plus command procedures may only be nested to a depth of " +
                           std::to_string(k_max_script_depth) + ".");
        return true;
    }
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, ec)) in.open(path, std::ios::binary);
    if (!in.is_open()) {
        client_failure(file, u.line, sp2_err::cannot_open_file,
                       "SP2-0310: unable to open file \"" + path.string() + "\"");
        return true;
    }
    struct depth_guard {
        int& d;
        explicit depth_guard(int& depth) : d(depth) { ++d; }
        ~depth_guard() { --d; }
    } guard(depth_);
    return run(in, path.string());
}

void lite_script_runner::run_block(const std::string& text) {
    std::vector<lite_token> t = lite_tokenize(text);
    std::map<std::string, value> vars;
    size_t i = 0;
    auto unsupported = [&](size_t at) {
        return lite_error(
            ora_err::plsql_compilation_error,
            "line " + std::to_string(t[at].line) +
                ": PLS-00103: statement not supported by the embedded engine: " + t[at].text);
    };
    auto stmt_end = [&](size_t from) {
        int depth = 0;
        size_t k = from;
        while (t[k].kind != lite_token::end && !(depth == 0 && t[k].is_op(";"))) {
            if (t[k].is_op("(")) ++depth;
            if (t[k].is_op(")")) --depth;
            ++k;
        }
        return k;
    };
    // Oracle SQL text of tokens [b, e) with variables turned into binds.
    auto sql_of = [&](size_t b, size_t e, std::vector<std::string>& used) {
        std::string out;
        for (size_t k = b; k < e; ++k) {
            const lite_token& x = t[k];
            bool var = x.kind == lite_token::ident && vars.count(x.text) &&
                       !(k > b && t[k - 1].is_op(".")) && !t[k + 1].is_op(".");
            if (!out.empty()) out += ' ';
            if (var) {
                out += ":" + x.text;
                used.push_back(x.text);
            } else {
                out += text.substr(x.begin, x.end_pos - x.begin);
            }
        }
        return out;
    };
    auto bind_all = [&](lite_statement& st, const std::vector<std::string>& used) {
        for (const std::string& n : used) {
            int p = st.bind_index(n);
            if (!p) continue;
            const value& v = vars[n];
            switch (v.type) {
                case 1:
                    st.bind_int64(p, v.i);
                    break;
                case 2:
                    st.bind_double(p, v.d);
                    break;
                case 3:
                    st.bind_text(p, v.s);
                    break;
                case 4:
                    st.bind_bytes(p,
                                  {reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size()});
                    break;
                default:
                    st.bind_null(p);
                    break;
            }
        }
    };
    auto read_value = [&](lite_statement& st, int col) {
        value v;
        v.type = st.storage_class(col);
        if (v.type == 1) v.i = st.as_int64(col);
        if (v.type == 2) v.d = st.as_double(col);
        if (v.type == 3 || v.type == 4) {
            auto b = st.bytes(col);
            v.s.assign(reinterpret_cast<const char*>(b.data()), b.size());
        }
        return v;
    };
    auto eval = [&](size_t b, size_t e) {
        std::vector<std::string> used;
        std::string sql = "SELECT " + sql_of(b, e, used) + " FROM DUAL";
        auto st = s_.prepare(sql);
        bind_all(*st, used);
        st->execute();
        if (!st->next()) return value{};
        return read_value(*st, 0);
    };

    if (t[i].is("DECLARE")) {
        ++i;
        while (t[i].kind != lite_token::end && !t[i].is("BEGIN")) {
            if (t[i].kind != lite_token::ident || t[i].is("CURSOR") || t[i].is("TYPE") ||
                t[i].is("PROCEDURE") || t[i].is("FUNCTION") || t[i].is("PRAGMA")) {
                throw unsupported(i);
            }
            std::string name = t[i].text;
            size_t e = stmt_end(i);
            size_t assign = e;
            for (size_t k = i + 1; k < e; ++k) {
                if (t[k].is_op(":=") || t[k].is("DEFAULT")) {
                    assign = k;
                    break;
                }
                if (t[k].is("EXCEPTION")) throw unsupported(k);
            }
            vars[name] = assign < e ? eval(assign + 1, e) : value{};
            i = std::min(e + 1, t.size() - 1);  // never past the end token
        }
    }
    if (!t[i].is("BEGIN"))
        throw lite_error(ora_err::plsql_compilation_error, "line 1: PLS-00103: BEGIN expected");
    ++i;
    while (true) {
        if (t[i].kind == lite_token::end)
            throw lite_error(ora_err::plsql_compilation_error, "PLS-00103: END expected");
        if (t[i].is("END")) break;
        size_t e = stmt_end(i);
        const lite_token& k = t[i];
        if (k.is("INSERT") || k.is("UPDATE") || k.is("DELETE")) {
            std::vector<std::string> used;
            auto st = s_.prepare(sql_of(i, e, used));
            bind_all(*st, used);
            st->execute();
        } else if (k.is("SELECT")) {
            size_t into = i;
            while (into < e && !t[into].is("INTO")) ++into;
            if (into == e) throw unsupported(i);
            size_t from = into + 1;
            std::vector<std::string> targets;
            while (from < e && !t[from].is("FROM")) {
                if (t[from].kind == lite_token::ident) targets.push_back(t[from].text);
                ++from;
            }
            std::vector<std::string> used;
            std::string sql = sql_of(i, into, used) + " " + sql_of(from, e, used);
            auto st = s_.prepare(sql);
            bind_all(*st, used);
            st->execute();
            if (!st->next()) throw lite_error(ora_err::no_data_found, "no data found");
            std::vector<value> got;
            for (size_t c = 0; c < targets.size() && c < st->columns().size(); ++c) {
                got.push_back(read_value(*st, static_cast<int>(c)));
            }
            if (st->next())
                throw lite_error(ora_err::too_many_rows,
                                 "exact fetch returns more than requested number of rows");
            for (size_t c = 0; c < got.size(); ++c) vars[targets[c]] = got[c];
        } else if (k.kind == lite_token::ident && t[i + 1].is_op(":=") && vars.count(k.text)) {
            vars[k.text] = eval(i + 2, e);
        } else if (k.is("COMMIT")) {
            s_.commit();
        } else if (k.is("ROLLBACK")) {
            s_.rollback();
        } else if (k.is("NULL") && e == i + 1) {
        } else if (k.is("DBMS_OUTPUT")) {
        } else if (k.is("DBMS_XMLSCHEMA")) {
            // No XML DB here, so no package of it: Oracle's answer where it is not installed.
            std::string called = k.text;
            if (t[i + 1].is_op(".") && t[i + 2].kind == lite_token::ident)
                called += "." + t[i + 2].text;
            throw lite_error(ora_err::plsql_compilation_error, "line " + std::to_string(k.line) +
                                                                   ": PLS-00201: identifier '" +
                                                                   called + "' must be declared");
        } else if (k.is("EXECUTE") && t[i + 1].is("IMMEDIATE") &&
                   t[i + 2].kind == lite_token::string && e == i + 3) {
            s_.execute(t[i + 2].text);
        } else {
            throw unsupported(i);
        }
        i = std::min(e + 1, t.size() - 1);  // never past the end token
    }
}
