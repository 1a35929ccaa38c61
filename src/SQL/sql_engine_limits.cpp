// What the destination can hold: the limits of a new table's row and keys, and the collation of
// text keys.  A live server is asked; a dump, or an engine without a connection, answers for the
// server generation of the version word.
#include <cctype>
#include <cwctype>

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

// Servers whose InnoDB makes DYNAMIC rows by default: MySQL 5.7.9, MariaDB 10.2.2.
constexpr uint32_t k_mysql_dynamic_default = 0x50709;
constexpr uint32_t k_mariadb_first = 0x0A0000;
constexpr uint32_t k_mariadb_dynamic_default = 0x0A0202;
// Servers that name collations.
constexpr uint32_t k_collations_version = 0x40100;
// Servers that keep an old generation's limits: no character sets, short keys.
constexpr uint32_t k_last_old_version = 0x400FF;
constexpr unsigned long k_old_key_chars = 256;

bool dynamic_by_default(uint32_t version) {
    return version >= k_mariadb_first ? version >= k_mariadb_dynamic_default
                                      : version >= k_mysql_dynamic_default;
}

std::string lower_ascii(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool sql_engine::first_cell(const std::string& statement, std::string& cell) {
    if (mysql_real_query(&m_mysql, statement.data(), statement.size()) != 0) {
        tk_log(1, "%s: %s", statement.c_str(), mysql_error(&m_mysql));
        return false;
    }
    MYSQL_RES* result = mysql_store_result(&m_mysql);
    if (!result) return false;
    MYSQL_ROW row = mysql_fetch_row(result);
    const bool found = row && row[0];
    if (found) cell = row[0];
    mysql_free_result(result);
    return found;
}

sql_table_limits sql_engine::table_limits(const std::wstring& table_type) {
    if (version_word <= k_last_old_version) {
        sql_table_limits limits;
        limits.key_bytes = k_old_key_chars;
        limits.key_char_bytes = limits.row_char_bytes = 1;
        return limits;
    }
    const std::wstring charset = effective_charset();
    if (versioned_dump) {
        // A dump may be converted to the full UTF-8 where it is replayed; it asks for DYNAMIC
        // rows, which every server it is replayed into today makes, and which keep long keys.
        sql_table_limits limits = sql_server_limits(table_type, L"compact", true, charset);
        if (is_plain_utf8()) limits.key_char_bytes = limits.row_char_bytes = 4;
        return limits;
    }
    if (!connected) {
        const bool dynamic = dynamic_by_default(version_word);
        return sql_server_limits(table_type, dynamic ? L"dynamic" : L"compact", false, charset);
    }
    std::string format;
    bool dynamic_available = first_cell("SELECT @@innodb_default_row_format", format);
    if (!dynamic_available) {
        // Before the setting existed, long keys needed the Barracuda file format and the prefix.
        std::string prefix, file_format;
        dynamic_available = first_cell("SELECT @@innodb_large_prefix", prefix) &&
                            first_cell("SELECT @@innodb_file_format", file_format) &&
                            (prefix == "1" || lower_ascii(prefix) == "on") &&
                            lower_ascii(file_format) == "barracuda";
    }
    tk_log(1, "InnoDB default row format '%s', dynamic rows %d", format.c_str(),
           dynamic_available ? 1 : 0);
    return sql_server_limits(table_type, tk_to_unicode(format), dynamic_available, charset);
}

std::wstring sql_engine::key_collation(const std::wstring& charset) {
    if (version_word < k_collations_version || charset.empty()) return std::wstring();
    std::wstring padded = charset + L"_bin";
    if (versioned_dump || !connected) return padded;
    std::vector<std::wstring> candidates = {charset + L"_nopad_bin"};
    std::wstring lower;
    for (wchar_t c : charset) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
    if (lower == L"utf8mb4") candidates.push_back(L"utf8mb4_0900_bin");
    for (const std::wstring& candidate : candidates) {
        std::string found;
        if (first_cell("SHOW COLLATION LIKE '" + tk_to_utf8(candidate) + "'", found))
            return tk_to_unicode(found);
    }
    return padded;
}
