#include "SQL/sql_new_validator.h"

#include <cstdint>

#include "TK/tk_logger.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"

namespace {

// The first 8 are forbidden in every name, the other 6 in table and database names as well.
const wchar_t k_forbidden[] = {L'`', L'"', L'\'', L'^', L'*', L'\\', L';',
                               L'+', L'|', L':',  L'<', L'>', L'?',  L'/'};

constexpr std::uint32_t k_last_bmp = 0xFFFF;

// Quoted MySQL names take the Basic Multilingual Plane.  A control character is refused as well:
// servers refuse it in table names, and a dump holding one in any name stops replaying there.
bool is_name_char(wchar_t c) {
    return !udb_is_control(c) && static_cast<std::uint32_t>(c) <= k_last_bmp;
}

std::wstring trim_blanks(const std::wstring& text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    const auto last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

sql_new_validator::sql_new_validator(bool all_chars) : udb_validator(64) {
    tk_log(2, "sql_new_validator::ctor");
    const int count = all_chars ? 14 : 8;
    for (int i = 0; i < count; ++i) add_illegal_char(k_forbidden[i]);
}

bool sql_new_validator::is_acceptable(const std::wstring& name) {
    tk_wlog(2, L"sql_new_validator::is_acceptable(%s)", name.c_str());
    if (name.empty() || name.size() > 64) {
        tk_log(1, "Invalid length");
        return false;
    }
    if (name.front() == L' ' || name.back() == L' ') {
        tk_log(1, "ID cannot starts or ends with ' '");
        return false;
    }
    for (wchar_t c : name) {
        if (udb_is_control(c)) {
            tk_log(1, "ID holds a control character");
            return false;
        }
        if (!is_name_char(c)) {
            tk_log(1, "ID holds a character outside the Basic Multilingual Plane");
            return false;
        }
    }
    return udb_validator::is_acceptable(name);
}

std::wstring sql_new_validator::get_safe_name(const std::wstring& name) {
    tk_wlog(2, L"sql_new_validator::get_safe_name(%s)", name.c_str());
    std::wstring trimmed = name;
    for (wchar_t& c : trimmed)
        if (!is_name_char(c)) c = L'_';
    trimmed = trim_blanks(trimmed);
    // A name of blanks alone has nothing left to repair; '_' keeps the numbering rule working.
    if (trimmed.empty()) trimmed = L"_";
    return udb_validator::get_safe_name(trimmed);
}

sql_new_tn_validator::sql_new_tn_validator(const std::vector<std::wstring>& selected,
                                           const std::vector<std::wstring>& existing)
    : sql_new_validator(true) {
    tk_log(2, "sql_new_tn_validator::ctor");
    for (const auto& name : selected) add_existing_name(name);
    for (const auto& name : existing) add_existing_name(name);
}

sql_new_fn_validator::sql_new_fn_validator(const udb_schema& schema) : sql_new_validator(false) {
    tk_log(2, "sql_new_fn_validator::ctor( const udb_schema& )");
    tk_log(1, "Schema size=%d", static_cast<int>(schema.size()));
    for (std::size_t i = 0; i < schema.size(); ++i) {
        tk_log(1, "Process schema[%d]", static_cast<int>(i));
        add_existing_name(schema[i].name);
    }
    tk_log(2, "sql_new_fn_validator::ctor - end");
}

sql_new_fn_validator::sql_new_fn_validator(const udb_record& record) : sql_new_validator(false) {
    tk_log(2, "sql_new_fn_validator::ctor( const udb_record& )");
    tk_log(1, "Record size=%d", static_cast<int>(record.size()));
    for (std::size_t i = 0; i < record.size(); ++i) {
        tk_log(1, "Process record[%d]", static_cast<int>(i));
        add_existing_name(record[i].get_name());
    }
}

sql_new_in_validator::sql_new_in_validator(const udb_indexes& indexes) : sql_new_validator(false) {
    tk_log(2, "sql_new_in_validator::ctor");
    // The server keeps this name for the primary key and refuses it for any other index.
    add_restricted_name(L"PRIMARY");
    for (const auto& index : indexes) add_existing_name(index.name);
}
