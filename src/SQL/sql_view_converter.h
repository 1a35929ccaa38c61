// sql_view_converter: the test that decides whether a function call in a view's text may be
// renamed to its MySQL form (isnull to ifnull, dateadd to date_add): only calls of exactly two
// arguments are.  Pure functions; thread-safe.
#pragma once

#include <string>

class sql_view_converter {
public:
    // True when, counting from six characters after `pos`, the text up to the parenthesis that
    // closes the first one opened there holds exactly one comma.  False when no parenthesis
    // opens or none closes it.
    static bool check_isnull_for_replace(const std::wstring& text, std::size_t pos);
    // Position of `word` in `text` at or after `from`, ignoring ASCII case; npos when none.
    static std::size_t find_nocase(const std::wstring& text, const std::wstring& word,
                                   std::size_t from);
};
