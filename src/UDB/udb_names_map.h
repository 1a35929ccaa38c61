// udb_names_map: the source and destination names of the tables and columns a run has written,
// kept by the destination database; used to look names up and to rename those names inside view
// and query texts (whole words, ignoring case).  Entries are only ever added.
// Thread-safety: none.
#pragma once

#include <map>
#include <string>

#include "UDB/t_names_map.h"

class udb_names_map {
public:
    using field_maps = std::map<std::wstring, t_names_map, udb_utf16_less>;

    // Records a table's destination name (the first mapping of a source name stays).
    void add_tn_mapping(const std::wstring& source, const std::wstring& destination);
    // Records a copy of a table's column map; an existing entry for the table is kept.
    void add_fn_map(const std::wstring& table, const t_names_map& columns);
    // The destination name of a source table, or the name unchanged.
    std::wstring get_tn_mapped_name(const std::wstring& table, bool exact) const;
    // The destination name of a table's source column, or the column unchanged.
    std::wstring get_fn_mapped_name(const std::wstring& table, const std::wstring& column,
                                    bool exact) const;
    // The source name of a table's destination column, or the column unchanged.
    std::wstring get_fn_orig_name(const std::wstring& table, const std::wstring& column,
                                  bool exact) const;
    // `text` with every whole-word occurrence (ignoring case) of a source name of `map` replaced
    // by its destination name wrapped in the quotes (a quote the name already has is not added
    // again).  Never raises beyond allocation.
    static std::wstring do_global_replace2(const std::wstring& text, const t_names_map& map,
                                           const std::wstring& open_quote,
                                           const std::wstring& close_quote);
    // do_global_replace2 with the table names, then with each table's column names in turn.
    std::wstring do_global_replace1(const std::wstring& text, const std::wstring& open_quote,
                                    const std::wstring& close_quote) const;

    const t_names_map& get_table_names() const noexcept { return m_tables; }
    const field_maps& get_field_names() const noexcept { return m_fields; }

private:
    // The column map of a table found by its exact name; null (logged) when there is none.
    const t_names_map* columns_of(const std::wstring& table) const;

    t_names_map m_tables;
    field_maps m_fields;
};
