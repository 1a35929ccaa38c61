// The Oracle error numbers the engine raises, by name. Each keeps Oracle's number; the texts
// stay at the places that raise them, since most carry the names of the objects involved.
//
// Thread-safety: constants only.
#ifndef TW_PLATFORM_ORALITE_LITE_ERRORS_H
#define TW_PLATFORM_ORALITE_LITE_ERRORS_H

namespace ora_err {

inline constexpr int unique_violated = 1;
inline constexpr int resource_busy = 54;
inline constexpr int internal_error = 600;
inline constexpr int invalid_sql_statement = 900;
inline constexpr int invalid_identifier = 904;
inline constexpr int table_not_found = 942;
inline constexpr int name_in_use = 955;
inline constexpr int variable_not_in_select_list = 1007;
inline constexpr int not_all_variables_bound = 1008;
inline constexpr int illegal_variable_name = 1036;
inline constexpr int cannot_insert_null = 1400;
inline constexpr int null_fetched = 1405;
inline constexpr int value_truncated = 1406;
inline constexpr int cannot_update_to_null = 1407;
inline constexpr int column_list_indexed = 1408;
inline constexpr int index_not_found = 1418;
inline constexpr int column_exists = 1430;
inline constexpr int cannot_modify_to_null = 1451;
inline constexpr int duplicate_keys_found = 1452;
inline constexpr int unsupported_character_set = 1482;
inline constexpr int field_not_in_datetime = 1878;
inline constexpr int user_not_found = 1918;
inline constexpr int user_name_conflict = 1920;
inline constexpr int referencing_columns_mismatch = 2256;
inline constexpr int one_primary_key_only = 2260;
inline constexpr int key_exists = 2261;
inline constexpr int constraint_name_in_use = 2264;
inline constexpr int no_referenced_primary_key = 2268;
inline constexpr int no_matching_key = 2270;
inline constexpr int sequence_not_found = 2289;
inline constexpr int check_violated = 2290;
inline constexpr int cannot_validate_check = 2293;
inline constexpr int cannot_enable_not_null = 2296;
inline constexpr int parent_keys_not_found = 2298;
inline constexpr int cannot_validate_unique = 2299;
inline constexpr int index_enforces_key = 2429;
inline constexpr int no_such_constraint = 2431;
inline constexpr int primary_key_not_defined = 2432;
inline constexpr int cannot_validate_primary_key = 2437;
inline constexpr int no_primary_key_to_drop = 2441;
inline constexpr int no_constraint_to_drop = 2443;
inline constexpr int referenced_by_foreign_keys = 2449;
inline constexpr int trigger_not_found = 4080;
inline constexpr int trigger_exists = 4081;
inline constexpr int not_on_character_boundary = 22831;
inline constexpr int statement_not_executed = 24338;
inline constexpr int truncation_or_null_fetch = 24345;
inline constexpr int lob_parameter_illegal = 24801;
inline constexpr int no_primary_key_found = 25175;
inline constexpr int not_identity_column = 30673;

}  // namespace ora_err

#endif
