#include "SQL/sql_table_fit.h"

#include <cwctype>

#include "SQL/sql_util.h"
#include "TK/tk_logger.h"

namespace {

// A VARCHAR keeps its length in one byte up to this many bytes, in two above.
constexpr unsigned long k_short_length_bytes = 255;
// What a TEXT or BLOB value takes in the row: its length and a pointer to the value.
constexpr unsigned long k_long_value_row_bytes = 12;
// What the case-sensitive setting puts after a text type.
const std::wstring k_binary_suffix = L" BINARY";
// A type the table below does not name.
constexpr unsigned long k_other_type_bytes = 8;
// The longest VARCHAR the text column of a key may become.
constexpr unsigned long k_varchar_row_bytes = sql_table_limits::k_row_bytes;

std::wstring lower(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) out.push_back(static_cast<wchar_t>(std::towlower(c)));
    return out;
}

// The type's name in capitals, and the first number between its parentheses (0 when none).
std::wstring type_name(const std::wstring& type_text, unsigned long* length = nullptr) {
    std::wstring name;
    std::size_t i = 0;
    for (; i < type_text.size() && type_text[i] != L'(' && type_text[i] != L' '; ++i)
        name.push_back(static_cast<wchar_t>(std::towupper(type_text[i])));
    if (length) {
        *length = 0;
        if (i < type_text.size() && type_text[i] == L'(')
            *length = std::wcstoul(type_text.c_str() + i + 1, nullptr, 10);
    }
    return name;
}

bool is_long_type(const std::wstring& name) {
    return name.find(L"TEXT") != std::wstring::npos || name.find(L"BLOB") != std::wstring::npos;
}

unsigned long fixed_bytes(const std::wstring& name, unsigned long length) {
    struct sized {
        const wchar_t* name;
        unsigned long bytes;
    };
    static const sized k_fixed[] = {
        {L"TINYINT", 1},   {L"SMALLINT", 2}, {L"MEDIUMINT", 3}, {L"INT", 4},  {L"BIGINT", 8},
        {L"FLOAT", 4},     {L"DOUBLE", 8},   {L"DATETIME", 8},  {L"DATE", 3}, {L"TIME", 6},
        {L"TIMESTAMP", 4}, {L"BIT", 8},      {L"YEAR", 1}};
    for (const sized& s : k_fixed)
        if (name == s.name) return s.bytes;
    // Nine digits take four bytes.
    if (name == L"DECIMAL") return length / 9 * 4 + 4;
    return k_other_type_bytes;
}

}  // namespace

unsigned sql_charset_char_bytes(const std::wstring& charset) {
    static const std::pair<const wchar_t*, unsigned> k_widths[] = {
        {L"utf8mb4", 4}, {L"utf16", 4}, {L"utf16le", 4}, {L"utf32", 4},
        {L"gb18030", 4}, {L"utf8", 3},  {L"utf8mb3", 3}, {L"ujis", 3},
        {L"eucjpms", 3}, {L"ucs2", 2},  {L"big5", 2},    {L"gbk", 2},
        {L"gb2312", 2},  {L"sjis", 2},  {L"cp932", 2},   {L"euckr", 2}};
    const std::wstring name = lower(charset);
    if (name.empty()) return 4;
    for (const auto& [known, bytes] : k_widths)
        if (name == known) return bytes;
    return 1;
}

sql_table_limits sql_server_limits(const std::wstring& table_type,
                                   const std::wstring& default_row_format, bool dynamic_available,
                                   const std::wstring& charset) {
    sql_table_limits limits;
    limits.key_char_bytes = limits.row_char_bytes = sql_charset_char_bytes(charset);
    const std::wstring type = lower(table_type);
    const std::wstring format = lower(default_row_format);
    if (type == L"myisam" || type == L"aria") {
        limits.key_bytes = sql_table_limits::k_myisam_key_bytes;
    } else if (format == L"dynamic" || format == L"compressed") {
        limits.key_bytes = sql_table_limits::k_dynamic_key_bytes;
    } else if (dynamic_available) {
        limits.key_bytes = sql_table_limits::k_dynamic_key_bytes;
        limits.dynamic_rows = type == L"innodb";
    } else {
        limits.key_bytes = sql_table_limits::k_compact_key_bytes;
    }
    return limits;
}

std::wstring sql_column_type_text(const t_ftd& column) {
    return column.native_type.empty() ? get_sql_native_type(column, false) : column.native_type;
}

bool sql_type_is_indexable(const std::wstring& type_text) {
    return !is_long_type(type_name(type_text));
}

unsigned long sql_key_bytes(const std::wstring& type_text, unsigned char_bytes) {
    unsigned long length = 0;
    const std::wstring name = type_name(type_text, &length);
    if (name == L"VARCHAR" || name == L"CHAR") return length * char_bytes;
    if (name == L"VARBINARY" || name == L"BINARY") return length;
    return fixed_bytes(name, length);
}

unsigned long sql_row_bytes(const std::wstring& type_text, unsigned char_bytes) {
    unsigned long length = 0;
    const std::wstring name = type_name(type_text, &length);
    if (is_long_type(name)) return k_long_value_row_bytes;
    const unsigned long bytes = sql_key_bytes(type_text, char_bytes);
    if (name == L"VARCHAR" || name == L"VARBINARY")
        return bytes + (bytes > k_short_length_bytes ? 2 : 1);
    return bytes;
}

sql_table_fit::sql_table_fit(const std::wstring& table, udb_schema& columns,
                             const udb_indexes& indexes, const t_names_map& column_map,
                             const sql_table_limits& limits)
    : m_table(table), m_columns(columns), m_limits(limits), m_in_key(columns.size(), false) {
    // Each type text once: the type rules may say on the console what they chose.
    for (std::size_t i = 0; i < columns.size(); ++i)
        m_types.push_back(sql_column_type_text(columns[i]));
    keep_keys_varchar(indexes, column_map);
    fit_row();
}

void sql_table_fit::keep_keys_varchar(const udb_indexes& indexes, const t_names_map& column_map) {
    for (const udb_index& index : indexes) {
        if (!index.unique && !index.primary) continue;
        std::vector<std::size_t> positions;
        for (const std::wstring& source : index.columns) {
            const int at = m_columns.get_field_idx(column_map.get_mapped_name(source, false));
            if (at >= 0) positions.push_back(static_cast<std::size_t>(at));
        }
        // A text key column the type rules would make TEXT can stay VARCHAR of its own length.
        std::vector<std::size_t> widened;
        unsigned long key = 0;
        bool holdable = positions.size() == index.columns.size();
        for (std::size_t at : positions) {
            const t_ftd& column = m_columns[at];
            std::wstring type = m_types[at];
            const bool widenable = column.native_type.empty() && column.vartype == VT_BSTR &&
                                   column.size > 0 &&
                                   column.size * m_limits.row_char_bytes < k_varchar_row_bytes;
            if (!sql_type_is_indexable(type) && widenable) {
                type = L"VARCHAR(" + std::to_wstring(column.size) + L")";
                widened.push_back(at);
            }
            if (!sql_type_is_indexable(type)) holdable = false;
            key += sql_key_bytes(type, m_limits.key_char_bytes);
        }
        if (!holdable || key > m_limits.key_bytes) continue;
        for (std::size_t at : positions) m_in_key[at] = true;
        for (std::size_t at : widened) {
            t_ftd& column = m_columns[at];
            column.native_type = L"VARCHAR(" + std::to_wstring(column.size) + L")";
            m_types[at] = column.native_type;
            tk_wlog(1, L"Key column '%s' stays %s", column.name.c_str(),
                    column.native_type.c_str());
        }
    }
}

unsigned long sql_table_fit::row_bytes() const {
    // One bit per column for NULL, rounded up to whole bytes.
    unsigned long total = (m_columns.size() + 7) / 8;
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        total += sql_row_bytes(m_types[i], m_limits.row_char_bytes);
    return total;
}

void sql_table_fit::fit_row() {
    for (unsigned long total = row_bytes(); total > m_limits.row_bytes; total = row_bytes()) {
        // The widest variable column goes first; key columns only when nothing else is left.
        std::size_t chosen = m_columns.size();
        unsigned long chosen_bytes = 0;
        bool chosen_in_key = true;
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            const std::wstring& type = m_types[i];
            const std::wstring name = type_name(type);
            if (name != L"VARCHAR" && name != L"VARBINARY") continue;
            const unsigned long bytes = sql_row_bytes(type, m_limits.row_char_bytes);
            const bool better = (chosen_in_key && !m_in_key[i]) ||
                                (chosen_in_key == m_in_key[i] && bytes > chosen_bytes);
            if (chosen == m_columns.size() || better) {
                chosen = i;
                chosen_bytes = bytes;
                chosen_in_key = m_in_key[i];
            }
        }
        if (chosen == m_columns.size()) return;
        t_ftd& column = m_columns[chosen];
        const std::wstring old_type = m_types[chosen];
        column.native_type = type_name(old_type) == L"VARCHAR" ? L"TEXT" : L"BLOB";
        // A case-sensitive text stays so.
        if (old_type.size() > k_binary_suffix.size() &&
            old_type.compare(old_type.size() - k_binary_suffix.size(), k_binary_suffix.size(),
                             k_binary_suffix) == 0)
            column.native_type += k_binary_suffix;
        m_types[chosen] = column.native_type;
        std::wstring line = L"Table '" + m_table + L"': column '" + column.name + L"' " + old_type +
                            L" -> " + column.native_type + L": the row would take " +
                            std::to_wstring(total) + L" bytes, more than the " +
                            std::to_wstring(m_limits.row_bytes) + L" the server allows";
        // Most servers refuse a DEFAULT on TEXT and BLOB.  The rows of a text or binary column
        // never take it from the definition: they carry their own values.
        const bool own_values = column.vartype == VT_BSTR || column.vartype == VT_BLOB ||
                                column.vartype == VT_BYTE_ARRAY;
        if (own_values && !column.default_value.is_empty()) {
            column.default_value = ole_variant();
            line += L"; its default is not kept";
        }
        m_changes.push_back(line + L".");
    }
}
