#include "SQL/sql_view_converter.h"

#include <cwctype>

#include "TK/tk_logger.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_validator.h"

bool sql_view_converter::check_isnull_for_replace(const std::wstring& text, std::size_t pos) {
    tk_wlog(1, L"sql_view_converter::check_isnull_for_replace(%s,%d)", text.c_str(),
            static_cast<int>(pos));
    const std::size_t start = pos + 6;
    if (start >= text.size()) return false;
    const std::size_t open = text.find(L'(', start);
    if (open == std::wstring::npos) return false;
    int depth = 0;
    int commas = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'(') ++depth;
        if (c == L')' && --depth == 0) return commas == 1;
        if (c == L',') ++commas;
    }
    return false;
}

std::size_t sql_view_converter::find_nocase(const std::wstring& text, const std::wstring& word,
                                            std::size_t from) {
    if (word.empty() || text.size() < word.size()) return std::wstring::npos;
    for (std::size_t i = from; i + word.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < word.size() && std::towlower(text[i + k]) == std::towlower(word[k])) ++k;
        if (k == word.size()) return i;
    }
    return std::wstring::npos;
}

namespace {

bool is_word_char(wchar_t c) {
    return std::iswalnum(static_cast<wint_t>(c)) || c == L'_' || c == L'$' || c == L'#';
}

bool opens_quote(wchar_t c) {
    return c == L'\'' || c == L'"' || c == L'`';
}

}  // namespace

std::size_t sql_view_converter::find_word(const std::wstring& text, const std::wstring& word,
                                          std::size_t from) {
    if (word.empty()) return std::wstring::npos;
    wchar_t quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (quote) {
            if (c == L'\\' && quote != L'`') {
                ++i;
            } else if (c == quote) {
                quote = 0;
            }
            continue;
        }
        if (opens_quote(c)) {
            quote = c;
            continue;
        }
        if (i < from || i + word.size() > text.size()) continue;
        if (i > 0 && is_word_char(text[i - 1])) continue;
        std::size_t k = 0;
        while (k < word.size() && std::towlower(text[i + k]) == std::towlower(word[k])) ++k;
        if (k != word.size()) continue;
        const std::size_t end = i + word.size();
        if (is_word_char(word.back()) && end < text.size() && is_word_char(text[end])) continue;
        return i;
    }
    return std::wstring::npos;
}

std::wstring sql_view_converter::collapse_blanks(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    wchar_t quote = 0;
    bool in_blank = false;
    for (wchar_t c : text) {
        if (quote) {
            out.push_back(c);
            if (c == quote) quote = 0;
            continue;
        }
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            if (!in_blank) out.push_back(L' ');
            in_blank = true;
            continue;
        }
        in_blank = false;
        if (c == L'\'' || c == L'"') quote = c;
        out.push_back(c);
    }
    return out;
}

void sql_view_converter::brackets_to_backticks(std::wstring& text) {
    wchar_t quote = 0;
    for (wchar_t& c : text) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == L'\'' || c == L'"') {
            quote = c;
        } else if (c == L'[' || c == L']') {
            c = L'`';
        }
    }
}

void sql_view_converter::replace_word(std::wstring& text, const std::wstring& from,
                                      const std::wstring& to, bool two_arguments) {
    std::size_t pos = 0;
    while ((pos = find_word(text, from, pos)) != std::wstring::npos) {
        if (!two_arguments || check_isnull_for_replace(text, pos)) {
            text.replace(pos, from.size(), to);
            pos += to.size();
        } else {
            pos += from.size();
        }
    }
}

void sql_view_converter::drop_datediff_unit(std::wstring& text) {
    std::size_t pos = 0;
    while ((pos = find_word(text, L"datediff(", pos)) != std::wstring::npos) {
        pos += 9;
        const std::size_t comma = text.find(L',', pos);
        if (comma == std::wstring::npos) break;
        tk_log(1, "Erase at pos=%d, len=%d", static_cast<int>(pos),
               static_cast<int>(comma - pos + 1));
        text.erase(pos, comma - pos + 1);
    }
}

std::wstring sql_view_converter::refine_common(const std::wstring& text,
                                               const udb_names_map& names) {
    std::wstring out = collapse_blanks(text);
    out = names.do_global_replace1(out, L"`", L"`");
    brackets_to_backticks(out);
    replace_word(out, L"isnull", L"ifnull", true);
    replace_word(out, L"getdate", L"curdate", false);
    drop_datediff_unit(out);
    replace_word(out, L"dateadd", L"date_add", true);
    return out;
}

std::vector<std::pair<std::wstring, std::wstring>> sql_view_converter::select_views(
    const std::vector<std::pair<std::wstring, std::wstring>>& views, udb_validator& validator,
    udb_names_map& names, const wchar_t* generated_log) {
    std::vector<std::pair<std::wstring, std::wstring>> out;
    for (const auto& view : views) {
        tk_wlog(1, L"Processing '%s'", view.first.c_str());
        tk_wlog(1, L"\t'%s'", view.second.c_str());
        if (find_nocase(view.second, L"select", 0) != 0) {
            tk_log(2, "Skip non-select query");
            continue;
        }
        std::wstring name = view.first;
        if (!validator.is_acceptable(name)) {
            name = validator.get_safe_name(view.first);
            names.add_tn_mapping(view.first, name);
            tk_wlog(2, generated_log, name.c_str());
            validator.add_existing_name(name);
        }
        out.emplace_back(name, view.second);
    }
    return out;
}
