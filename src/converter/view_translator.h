// view_translator: an Oracle view's SELECT text in the form a MySQL server runs with the same
// rows.  Oracle folds unquoted names to upper case and compares them exactly, MySQL compares
// table names as the server's file system does; so every name that stands for a table, a view
// or a renamed column is written as its destination name in backticks.  Oracle's "name" quoting
// becomes backticks (MySQL would read a string), backslashes in literals are doubled (MySQL
// reads them as escapes), and the few Oracle forms with an exact MySQL equivalent are rewritten
// (NVL, SYSDATE, SYSTIMESTAMP, MINUS, the || concatenation).  A form MySQL has no equivalent
// for is refused with its name, never passed on to change what the view returns.
//
// Pure: the lookups are the caller's.  Thread-safety: as the lookups.
#pragma once

#include <functional>
#include <string>
#include <vector>

class view_translator {
public:
    // The destination name of the table or view Oracle calls `name` (exact, as the dictionary
    // spells it); empty when the run knows no such object.
    using table_lookup = std::function<std::wstring(const std::wstring& name)>;
    // The destination name of a column Oracle calls `name` when the run gave it another name;
    // empty when no table renamed a column of that name.
    using column_lookup = std::function<std::wstring(const std::wstring& name)>;

    // `owner`: the schema whose prefix ("OWNER.TABLE") is dropped, since the destination
    // database holds the owner's tables itself.
    view_translator(table_lookup tables, column_lookup columns, const std::wstring& owner);

    // The view's text in MySQL form, starting at its first word.  Raises tk_exception (level 0)
    // naming the Oracle form that MySQL lacks.  The names read where a table stands that the
    // lookup does not know are appended to `unknown_tables` when it is given.  The items of the
    // view's own column list are named `column_names` in order (up to an item "*"), so that the
    // view keeps Oracle's column names.
    std::wstring translate(const std::wstring& text,
                           std::vector<std::wstring>* unknown_tables = nullptr,
                           const std::vector<std::wstring>& column_names = {}) const;

private:
    table_lookup m_tables;
    column_lookup m_columns;
    std::wstring m_owner;
};
