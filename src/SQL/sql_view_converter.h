// sql_view_converter: the rewriting of a view's text into its MySQL form, shared by the live
// database and the dump writer.  Words are replaced only where they stand as whole words outside
// quoted text and names ("time" in ORDER_TIME or in 'time' stays), and a function call is renamed
// to its MySQL form (isnull to ifnull, dateadd to date_add) only when it has exactly two
// arguments.  Pure functions; thread-safe.
#pragma once

#include <string>
#include <utility>
#include <vector>

class udb_names_map;
class udb_validator;

class sql_view_converter {
public:
    // True when, counting from six characters after `pos`, the text up to the parenthesis that
    // closes the first one opened there holds exactly one comma.  False when no parenthesis
    // opens or none closes it.
    static bool check_isnull_for_replace(const std::wstring& text, std::size_t pos);
    // Position of `word` in `text` at or after `from`, ignoring ASCII case; npos when none.
    static std::size_t find_nocase(const std::wstring& text, const std::wstring& word,
                                   std::size_t from);
    // Position of the next whole-word occurrence of `word` (ignoring ASCII case) at or after
    // `from` that is outside quotes and backticks; npos when none.
    static std::size_t find_word(const std::wstring& text, const std::wstring& word,
                                 std::size_t from);
    // Every run of blanks, tabs and line breaks outside quoted text becomes one blank.
    static std::wstring collapse_blanks(const std::wstring& text);
    // Every "[" and "]" outside quoted text becomes a backtick.
    static void brackets_to_backticks(std::wstring& text);
    // Replaces every whole word `from` by `to`; when `two_arguments` is set, only calls that
    // check_isnull_for_replace accepts.
    static void replace_word(std::wstring& text, const std::wstring& from, const std::wstring& to,
                             bool two_arguments);
    // After every "datediff(" removes the text up to and including the next ",".
    static void drop_datediff_unit(std::wstring& text);

    // The rewriting both destinations apply: blanks collapsed, repaired source names replaced
    // through the names map (in backticks), brackets to backticks, isnull, dateadd and getdate
    // renamed, the unit argument of datediff dropped.
    static std::wstring refine_common(const std::wstring& text, const udb_names_map& names);
    // The SELECT views of (name, text) pairs under names the table-name validator accepts; a
    // repaired name is logged with `generated_log` (one %s), taken, and recorded in the map.
    static std::vector<std::pair<std::wstring, std::wstring>> select_views(
        const std::vector<std::pair<std::wstring, std::wstring>>& views, udb_validator& validator,
        udb_names_map& names, const wchar_t* generated_log);
};
