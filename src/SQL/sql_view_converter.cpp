#include "SQL/sql_view_converter.h"

#include <cwctype>

#include "TK/tk_logger.h"

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
