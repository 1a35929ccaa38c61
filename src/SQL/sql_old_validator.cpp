#include "SQL/sql_old_validator.h"

#include "TK/tk_logger.h"
#include "UDB/udb_indexes.h"
#include "UDB/udb_record.h"
#include "UDB/udb_schema.h"
#include "platform/win/win_compare.h"

namespace {

bool is_name_char(wchar_t c) {
    return sql_is_alnum(c) || c == L'_' || c == L'$';
}

bool all_digits(const std::wstring& name) {
    for (wchar_t c : name)
        if (c < L'0' || c > L'9') return false;
    return true;
}

}  // namespace

bool sql_is_alnum(wchar_t c) {
    return IsCharAlphaNumericW(c) != 0;
}

const std::vector<std::wstring>& sql_old_validator::reserved_words() {
    // clang-format off
    static const std::vector<std::wstring> words = {
        L"add", L"all", L"alter", L"and", L"as", L"asc", L"between", L"bigint", L"binary", L"blob",
        L"both", L"by", L"cascade", L"case", L"char", L"character", L"change", L"column",
        L"columns", L"constraint", L"create", L"cross", L"current_date", L"current_time",
        L"current_timestamp", L"database", L"databases", L"day_hour", L"day_minute", L"day_second",
        L"dec", L"decimal", L"default", L"delayed", L"delete", L"desc", L"describe", L"distinct",
        L"distinctrow", L"double", L"drop", L"else", L"escaped", L"enclosed", L"explain", L"exists",
        L"fields", L"float", L"float4", L"float8", L"foreign", L"from", L"for", L"grant", L"group",
        L"having", L"high_priority", L"hour_minute", L"hour_second", L"ignore", L"in", L"index",
        L"infile", L"inner", L"insert", L"insert_id", L"int", L"int1", L"int2", L"int3", L"int4",
        L"int8", L"integer", L"interval", L"into", L"if", L"is", L"join", L"key", L"keys", L"kill",
        L"last_insert_id", L"leading", L"left", L"like", L"lines", L"limit", L"load", L"lock",
        L"long", L"longblob", L"longtext", L"low_priority", L"match", L"mediumblob", L"mediumtext",
        L"mediumint", L"middleint", L"minute_second", L"natural", L"numeric", L"not", L"null",
        L"on", L"optimize", L"option", L"optionally", L"or", L"order", L"outer", L"outfile",
        L"partial", L"precision", L"primary", L"procedure", L"privileges", L"read", L"real",
        L"regexp", L"rename", L"replace", L"restrict", L"returns", L"revoke", L"rlike", L"select",
        L"set", L"show", L"smallint", L"soname", L"sql_big_tables", L"sql_big_selects",
        L"sql_low_priority_updates", L"sql_log_off", L"sql_log_update", L"sql_select_limit",
        L"sql_small_result", L"sql_big_result", L"sql_warnings", L"straight_join", L"starting",
        L"table", L"tables", L"terminated", L"then", L"tinyblob", L"tinytext", L"tinyint",
        L"trailing", L"to", L"usage", L"use", L"using", L"unique", L"unlock", L"unsigned",
        L"update", L"values", L"varchar", L"varying", L"varbinary", L"with", L"write", L"when",
        L"where", L"year_month", L"zerofill"};
    // clang-format on
    return words;
}

sql_old_validator::sql_old_validator() : udb_validator(64) {
    tk_log(2, "sql_old_validator::ctor");
    for (const auto& word : reserved_words()) add_restricted_name(word);
}

bool sql_old_validator::is_acceptable(const std::wstring& name) {
    tk_wlog(2, L"sql_old_validator::is_acceptable(%s)", name.c_str());
    if (!udb_validator::is_acceptable(name)) return false;
    for (wchar_t c : name) {
        if (!is_name_char(c)) {
            tk_wlog(2, L"Name contains invalid symbol: '%c'", c);
            return false;
        }
    }
    if (all_digits(name)) {
        tk_log(2, "Name consists of digits only");
        return false;
    }
    return true;
}

std::wstring sql_old_validator::get_safe_name(const std::wstring& name) {
    tk_wlog(2, L"sql_old_validator::get_safe_name(%s)", name.c_str());
    std::wstring safe = name;
    for (wchar_t& c : safe)
        if (!is_name_char(c)) c = L'_';
    // An empty name has no first character to replace; it becomes '_' like a digit would.
    if (safe.empty())
        safe = L"_";
    else if (all_digits(safe))
        safe[0] = L'_';
    return udb_validator::get_safe_name(safe);
}

sql_old_tn_validator::sql_old_tn_validator(const std::vector<std::wstring>& selected,
                                           const std::vector<std::wstring>& existing) {
    tk_log(2, "sql_old_tn_validator::ctor");
    for (const auto& name : selected) add_existing_name(name);
    for (const auto& name : existing) add_existing_name(name);
}

sql_old_fn_validator::sql_old_fn_validator(const udb_schema& schema) {
    tk_log(2, "sql_old_fn_validator::ctor( const udb_schema& )");
    for (std::size_t i = 0; i < schema.size(); ++i) add_existing_name(schema[i].name);
}

sql_old_fn_validator::sql_old_fn_validator(const udb_record& record) {
    tk_log(2, "sql_old_fn_validator::ctor( const udb_schema& )");
    for (std::size_t i = 0; i < record.size(); ++i) add_existing_name(record[i].get_name());
}

sql_old_in_validator::sql_old_in_validator(const udb_indexes& indexes) {
    tk_log(2, "sql_old_in_validator::ctor");
    for (const auto& index : indexes) add_existing_name(index.name);
}

sql_old_dn_validator::sql_old_dn_validator() {
    tk_log(2, "sql_old_dn_validator::ctor");
}

bool sql_old_dn_validator::is_acceptable(const std::wstring& name) {
    tk_wlog(2, L"sql_old_dn_validator::is_acceptable(%s)", name.c_str());
    if (!sql_old_validator::is_acceptable(name)) return false;
    return !name.empty() && !(name[0] >= L'0' && name[0] <= L'9');
}
