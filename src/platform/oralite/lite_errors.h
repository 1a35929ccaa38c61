// The Oracle error numbers the engine raises, by name. Each keeps Oracle's number; the texts
// stay at the places that raise them, since most carry the names of the objects involved.
//
// Thread-safety: constants only.
#ifndef TW_PLATFORM_ORALITE_LITE_ERRORS_H
#define TW_PLATFORM_ORALITE_LITE_ERRORS_H

namespace ora_err {

inline constexpr int unique_violated = 1;
inline constexpr int resource_busy = 54;
inline constexpr int feature_not_enabled = 439;
inline constexpr int internal_error = 600;
inline constexpr int invalid_sql_statement = 900;
inline constexpr int invalid_create_command = 901;
inline constexpr int invalid_datatype = 902;
inline constexpr int invalid_table_name = 903;
inline constexpr int invalid_identifier = 904;
inline constexpr int missing_keyword = 905;
inline constexpr int missing_left_parenthesis = 906;
inline constexpr int missing_right_parenthesis = 907;
inline constexpr int missing_null_keyword = 908;
inline constexpr int invalid_argument_count = 909;
inline constexpr int length_too_long = 910;
inline constexpr int invalid_character = 911;
inline constexpr int too_many_values = 913;
inline constexpr int missing_comma = 917;
inline constexpr int column_ambiguous = 918;
inline constexpr int unexpected_end_of_command = 921;
inline constexpr int invalid_option = 922;
inline constexpr int from_keyword_not_found = 923;
inline constexpr int missing_into_keyword = 925;
inline constexpr int missing_values_keyword = 926;
inline constexpr int missing_equal_sign = 927;
inline constexpr int missing_select_keyword = 928;
inline constexpr int inconsistent_datatypes = 932;
inline constexpr int command_not_properly_ended = 933;
inline constexpr int missing_expression = 936;
inline constexpr int not_single_group_function = 937;
inline constexpr int not_enough_arguments = 938;
inline constexpr int table_not_found = 942;
inline constexpr int not_enough_values = 947;
inline constexpr int name_in_use = 955;
inline constexpr int duplicate_column_name = 957;
inline constexpr int tablespace_not_found = 959;
inline constexpr int missing_on_keyword = 969;
inline constexpr int missing_set_keyword = 971;
inline constexpr int identifier_too_long = 972;
inline constexpr int date_plus_date = 975;
inline constexpr int not_group_by_expression = 979;
inline constexpr int invalid_password = 988;
inline constexpr int fetch_out_of_sequence = 1002;
inline constexpr int variable_not_in_select_list = 1007;
inline constexpr int not_all_variables_bound = 1008;
inline constexpr int not_logged_on = 1012;
inline constexpr int user_requested_cancel = 1013;
inline constexpr int invalid_logon = 1017;
inline constexpr int insufficient_privileges = 1031;
inline constexpr int oracle_not_available = 1034;
inline constexpr int illegal_variable_name = 1036;
inline constexpr int savepoint_not_established = 1086;
inline constexpr int io_error_reading_block = 1115;
inline constexpr int cannot_create_database_file = 1119;
inline constexpr int cannot_insert_null = 1400;
inline constexpr int no_data_found = 1403;
inline constexpr int null_fetched = 1405;
inline constexpr int value_truncated = 1406;
inline constexpr int cannot_update_to_null = 1407;
inline constexpr int column_list_indexed = 1408;
inline constexpr int two_tables_outer_joined = 1416;
inline constexpr int index_not_found = 1418;
inline constexpr int too_many_rows = 1422;
inline constexpr int numeric_overflow = 1426;
inline constexpr int subquery_many_rows = 1427;
inline constexpr int argument_out_of_range = 1428;
inline constexpr int column_exists = 1430;
inline constexpr int nesting_too_deep = 1436;
inline constexpr int precision_exceeded = 1438;
inline constexpr int cannot_modify_to_null = 1451;
inline constexpr int duplicate_keys_found = 1452;
inline constexpr int integer_overflow = 1455;
inline constexpr int invalid_hex_number = 1465;
inline constexpr int one_outer_joined_table_only = 1468;
inline constexpr int divisor_is_zero = 1476;
inline constexpr int invalid_number_format = 1481;
inline constexpr int unsupported_character_set = 1482;
inline constexpr int concatenation_too_long = 1489;
inline constexpr int create_database_failed = 1501;
inline constexpr int cannot_extend_table = 1653;
inline constexpr int outer_join_in_or = 1719;
inline constexpr int invalid_number = 1722;
inline constexpr int precision_out_of_range = 1727;
inline constexpr int missing_double_quote = 1740;
inline constexpr int zero_length_identifier = 1741;
inline constexpr int invalid_bind_name = 1745;
inline constexpr int unterminated_string = 1756;
inline constexpr int string_literal_required = 1780;
inline constexpr int set_operand_type_mismatch = 1790;
inline constexpr int format_ends_before_input = 1830;
inline constexpr int invalid_day_for_month = 1839;
inline constexpr int year_out_of_range = 1841;
inline constexpr int invalid_month = 1843;
inline constexpr int day_of_month_out_of_range = 1847;
inline constexpr int hour_12_out_of_range = 1849;
inline constexpr int hour_out_of_range = 1850;
inline constexpr int minutes_out_of_range = 1851;
inline constexpr int seconds_out_of_range = 1852;
inline constexpr int non_numeric_character = 1858;
inline constexpr int literal_format_mismatch = 1861;
inline constexpr int field_not_in_datetime = 1878;
inline constexpr int datetime_internal_error = 1891;
inline constexpr int user_not_found = 1918;
inline constexpr int user_name_conflict = 1920;
inline constexpr int missing_user_name = 1935;
inline constexpr int integer_required = 2017;
inline constexpr int remote_database_not_found = 2019;
inline constexpr int invalid_quota_clause = 2187;
inline constexpr int referencing_columns_mismatch = 2256;
inline constexpr int one_primary_key_only = 2260;
inline constexpr int key_exists = 2261;
inline constexpr int constraint_name_in_use = 2264;
inline constexpr int no_referenced_primary_key = 2268;
inline constexpr int no_matching_key = 2270;
inline constexpr int sequence_not_found = 2289;
inline constexpr int check_violated = 2290;
inline constexpr int parent_key_not_found = 2291;
inline constexpr int child_record_found = 2292;
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
inline constexpr int unimplemented_feature = 3001;
inline constexpr int end_of_file_on_channel = 3113;
inline constexpr int not_connected = 3114;
inline constexpr int unsupported_datatype = 3115;
inline constexpr int increment_not_nonzero = 4002;
inline constexpr int out_of_process_memory = 4030;
inline constexpr int missing_trigger_timing = 4071;
inline constexpr int invalid_trigger_type = 4072;
inline constexpr int invalid_trigger_definition = 4079;
inline constexpr int trigger_not_found = 4080;
inline constexpr int trigger_exists = 4081;
inline constexpr int plsql_compilation_error = 6550;
inline constexpr int currval_not_yet_defined = 8002;
inline constexpr int sequence_limit_exceeded = 8004;
inline constexpr int cannot_resolve_connect_identifier = 12154;
inline constexpr int service_not_known = 12514;
inline constexpr int value_too_large = 12899;
inline constexpr int invalid_lob_locator = 22275;
inline constexpr int not_on_character_boundary = 22831;
inline constexpr int lob_row_not_locked = 22920;
inline constexpr int already_connected = 24309;
inline constexpr int already_authenticated = 24313;
inline constexpr int illegal_attribute_type = 24315;
inline constexpr int explicit_attach_needed = 24327;
inline constexpr int zero_iteration_count = 24333;
inline constexpr int no_descriptor_at_position = 24334;
inline constexpr int statement_not_prepared = 24337;
inline constexpr int statement_not_executed = 24338;
inline constexpr int user_callback_error = 24343;
inline constexpr int truncation_or_null_fetch = 24345;
inline constexpr int define_not_done = 24374;
inline constexpr int invalid_fetch_operation = 24391;
inline constexpr int illegal_lob_parameter = 24801;
inline constexpr int ucs2_conversion_failed = 24812;
inline constexpr int data_value_out_of_range = 25137;
inline constexpr int old_outer_join_with_ansi = 25156;
inline constexpr int no_primary_key_found = 25175;
inline constexpr int account_locked = 28000;
inline constexpr int trim_set_one_character = 30001;
inline constexpr int invalid_wait_interval = 30005;
inline constexpr int invalid_extract_field = 30076;
inline constexpr int datetime_precision_out_of_range = 30088;
inline constexpr int distinct_not_allowed = 30482;
inline constexpr int window_function_not_allowed = 30483;
inline constexpr int missing_window_clause = 30484;
inline constexpr int not_identity_column = 30673;

}  // namespace ora_err

// The client errors of the script runner, by their SP2 number.
namespace sp2_err {

inline constexpr int procedures_nested_too_deep = 309;
inline constexpr int cannot_open_file = 310;
inline constexpr int unknown_command = 734;
inline constexpr int start_without_arguments = 1506;

}  // namespace sp2_err

#endif
