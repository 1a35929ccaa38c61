#include "UDB/udb_names_map.h"

#include "TK/tk_logger.h"
#include "UDB/udb_compare.h"
#include "platform/win/win_compare.h"

void udb_names_map::add_tn_mapping(const std::wstring& source, const std::wstring& destination) {
    tk_wlog(2, L"udb_names_map::add_tn_mapping(%s,%s)", source.c_str(), destination.c_str());
    m_tables.add(source, destination);
}

void udb_names_map::add_fn_map(const std::wstring& table, const t_names_map& columns) {
    tk_wlog(2, L"udb_names_map::add_fn_map(%s)", table.c_str());
    m_fields.emplace(table, columns);
}

std::wstring udb_names_map::get_tn_mapped_name(const std::wstring& table, bool exact) const {
    tk_wlog(1, L"udb_names_map::get_tn_mapped_name(%s)", table.c_str());
    for (const auto& [source, destination] : m_tables) {
        tk_wlog(1, L"Comparing with (%s,%s)", source.c_str(), destination.c_str());
        if (exact ? source == table : udb_equal_nocase(source, table)) {
            tk_wlog(1, L"Got mapped name: %s", destination.c_str());
            return destination;
        }
    }
    return table;
}

const t_names_map* udb_names_map::columns_of(const std::wstring& table) const {
    auto it = m_fields.find(table);
    if (it != m_fields.end()) return &it->second;
    tk_wlog(2, L"Table '%s' not found", table.c_str());
    return nullptr;
}

std::wstring udb_names_map::get_fn_mapped_name(const std::wstring& table,
                                               const std::wstring& column, bool exact) const {
    tk_wlog(2, L"udb_names_map::get_fn_mapped_name(%s,%s)", table.c_str(), column.c_str());
    const t_names_map* columns = columns_of(table);
    return columns ? columns->get_mapped_name(column, exact) : column;
}

std::wstring udb_names_map::get_fn_orig_name(const std::wstring& table, const std::wstring& column,
                                             bool exact) const {
    tk_wlog(2, L"udb_names_map::get_fn_orig_name(%s,%s)", table.c_str(), column.c_str());
    const t_names_map* columns = columns_of(table);
    return columns ? columns->get_orig_name(column, exact) : column;
}

namespace {

bool starts_with(const std::wstring& s, const std::wstring& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::wstring& s, const std::wstring& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A character that continues a name: EMP inside EMP_ID or EMP$LOG is part of another name and
// must not be renamed with the table EMP.
bool is_name_char(wchar_t c) {
    return IsCharAlphaNumericW(c) || c == L'_' || c == L'$' || c == L'#';
}

// Position of the next occurrence of `word` in `text` at or after `from`, ignoring case; npos
// when there is none.
std::size_t find_nocase(const std::wstring& text, const std::wstring& word, std::size_t from) {
    const std::size_t n = word.size();
    if (n == 0 || text.size() < n) return std::wstring::npos;
    const wchar_t first = win_to_upper(word[0]);
    for (std::size_t p = from; p + n <= text.size(); ++p) {
        if (win_to_upper(text[p]) != first) continue;
        if (win_equal_ignore_case(std::wstring_view(text).substr(p, n), word)) return p;
    }
    return std::wstring::npos;
}

}  // namespace

std::wstring udb_names_map::do_global_replace2(const std::wstring& text, const t_names_map& map,
                                               const std::wstring& open_quote,
                                               const std::wstring& close_quote) {
    tk_wlog(2, L"udb_names_map::do_global_replace2(%s)", text.c_str());
    std::wstring result = text;
    for (const auto& [source, destination] : map) {
        if (source.empty()) continue;
        std::wstring replacement;
        if (!open_quote.empty() && !starts_with(destination, open_quote)) replacement = open_quote;
        replacement += destination;
        if (!close_quote.empty() && !ends_with(destination, close_quote)) {
            replacement += close_quote;
        }
        tk_wlog(1, L"Testing pair ('%s','%s')", source.c_str(), replacement.c_str());
        std::size_t p = find_nocase(result, source, 0);
        while (p != std::wstring::npos) {
            tk_wlog(1, L"'%s' was found at pos=%d", source.c_str(), static_cast<int>(p));
            const std::size_t after = p + source.size();
            const bool joined_before = p > 0 && is_name_char(result[p - 1]);
            const bool joined_after = after < result.size() && is_name_char(result[after]);
            if (joined_before || joined_after) {
                p = find_nocase(result, source, after);
                continue;
            }
            result.replace(p, source.size(), replacement);
            p = find_nocase(result, source, p + replacement.size());
        }
    }
    return result;
}

std::wstring udb_names_map::do_global_replace1(const std::wstring& text,
                                               const std::wstring& open_quote,
                                               const std::wstring& close_quote) const {
    tk_wlog(2, L"udb_names_map::do_global_replace1(%s)", text.c_str());
    std::wstring result = do_global_replace2(text, m_tables, open_quote, close_quote);
    for (const auto& [table, columns] : m_fields) {
        result = do_global_replace2(result, columns, open_quote, close_quote);
    }
    return result;
}
