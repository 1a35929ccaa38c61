#include "SQL/sql_fk_parser.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `word` in `text` at or after `from` ignoring ASCII case, or npos.  Names in
// backticks and texts in quotes are skipped, so a name or a comment that reads like a keyword is
// never taken for one.
std::size_t find_keyword(const std::string& text, const char* word, std::size_t from = 0) {
    const std::string key(word);
    char quote = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == '\\' && quote == '\'') {
                ++i;
            } else if (c == quote) {
                quote = 0;
            }
            continue;
        }
        if (c == '`' || c == '\'') {
            quote = c;
            continue;
        }
        if (i + key.size() > text.size()) continue;
        std::size_t k = 0;
        while (k < key.size() && lower(text[i + k]) == lower(key[k])) ++k;
        if (k == key.size()) return i;
    }
    return std::string::npos;
}

std::wstring wide(const std::string& text) {
    return tk_to_unicode(text);
}

// Reads one name at `pos` (quoted with doubled backticks inside, or bare up to a blank, a point,
// a parenthesis or a comma) and moves `pos` past it.
std::string read_name(const std::string& text, std::size_t& pos) {
    std::string name;
    if (pos < text.size() && text[pos] == '`') {
        ++pos;
        while (pos < text.size()) {
            if (text[pos] == '`') {
                if (pos + 1 < text.size() && text[pos + 1] == '`') {
                    name += '`';
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            name += text[pos++];
        }
        return name;
    }
    while (pos < text.size() && text[pos] != ' ' && text[pos] != '.' && text[pos] != '(' &&
           text[pos] != ',' && text[pos] != ')') {
        name += text[pos++];
    }
    return name;
}

}  // namespace

sql_fk_parser::sql_fk_parser(const std::wstring& table, const std::string& ddl) : m_table(table) {
    tk_log(2, "sql_fk_parser::ctor(%s)", ddl.c_str());
    if (!ddl.empty()) m_lines = tk_split(ddl, '\n');
}

void sql_fk_parser::do_parse(udb_relationships& relationships) const {
    tk_log(2, "sql_fk_parser::do_parse");
    tk_log(1, "Got %d chunks", static_cast<int>(m_lines.size()));
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        tk_log(1, "Processing FK chunk #%d", static_cast<int>(i));
        const std::string line = tk_trim(m_lines[i]);
        const std::size_t constraint = find_keyword(line, "CONSTRAINT ");
        if (constraint == std::string::npos) {
            tk_log(1, "CONSTRAINT is not found");
            continue;
        }
        tk_log(1, "CONSTRAINT is found at position %d", static_cast<int>(constraint));
        const std::size_t foreign = find_keyword(line, " FOREIGN KEY", constraint + 11);
        if (foreign == std::string::npos) {
            tk_log(1, "FOREIGN KEY is not found");
            continue;
        }
        tk_log(1, "FOREIGN KEY is found at position %d", static_cast<int>(foreign));
        std::size_t at = constraint + 11;
        while (at < foreign && line[at] == ' ') ++at;
        const std::string name = tk_trim(read_name(line, at));
        tk_log(1, "Got FK name: %s", name.c_str());

        const std::size_t references = find_keyword(line, "REFERENCES ", foreign + 12);
        if (references == std::string::npos) {
            tk_log(1, "REFERENCES is not found");
            continue;
        }
        std::string child_columns = tk_trim(line.substr(foreign + 12, references - (foreign + 12)));
        // Bare names would otherwise carry the parentheses round the list.
        if (child_columns.size() >= 2 && child_columns.front() == '(' &&
            child_columns.back() == ')')
            child_columns = tk_trim(child_columns.substr(1, child_columns.size() - 2));
        tk_log(1, "Got FK columns: %s", child_columns.c_str());

        // The parent is the last part of a dotted name: `db`.`table` names the table.
        std::size_t pos = references + 11;
        while (pos < line.size() && line[pos] == ' ') ++pos;
        std::string parent = read_name(line, pos);
        while (pos < line.size() && line[pos] == '.') {
            ++pos;
            parent = read_name(line, pos);
        }
        parent = tk_trim(parent);
        tk_log(1, "Got PK table: %s", parent.c_str());

        const std::size_t open = line.find('(', pos);
        pos = open == std::string::npos ? line.size() : open + 1;
        // The closing parenthesis is the first one outside backticks.
        std::size_t close = pos;
        for (bool quoted = false; close < line.size(); ++close) {
            if (line[close] == '`') quoted = !quoted;
            if (!quoted && line[close] == ')') break;
        }
        const std::string parent_columns = tk_trim(line.substr(pos, close - pos));
        tk_log(1, "Got PK columns: %s", parent_columns.c_str());
        tk_log(1, "fk_info[length()-1]='%c'", line.empty() ? ' ' : line.back());
        pos = close < line.size() ? close + 1 : line.size();
        std::string rule = line.substr(pos);
        if (!rule.empty() && rule.back() == ',') rule.pop_back();
        rule = tk_trim(rule);
        tk_log(1, "Got FK rule: %s", rule.c_str());

        udb_relationship relationship;
        relationship.name = wide(name);
        relationship.child_table = m_table;
        relationship.parent_table = wide(parent);
        relationship.rule = wide(rule);
        get_columns(wide(child_columns), relationship.child_columns);
        get_columns(wide(parent_columns), relationship.parent_columns);
        relationships.push_back(relationship);
    }
}

void sql_fk_parser::get_columns(const std::wstring& text, std::vector<std::wstring>& names) {
    tk_log(1, "sql_fk_parser::get_columns");
    std::wstring name;
    bool quoted = false;
    bool was_quoted = false;
    const auto finish = [&] {
        const std::wstring found = was_quoted ? name : tk_trim(name);
        if (!found.empty()) {
            tk_wlog(1, L"GOT FK COLUMN: %s", found.c_str());
            names.push_back(found);
        }
        name.clear();
        was_quoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (quoted) {
            if (c == L'`' && i + 1 < text.size() && text[i + 1] == L'`') {
                name += L'`';
                ++i;
            } else if (c == L'`') {
                quoted = false;
            } else {
                name += c;
            }
        } else if (c == L'`') {
            if (!was_quoted) name.clear();
            quoted = was_quoted = true;
        } else if (c == L',') {
            finish();
        } else if (!was_quoted) {
            name += c;
        }
    }
    finish();
}
