// The MySQL and MariaDB error numbers the program acts on, as the server or the client library
// reports them, and the code form of the tk_exception family (the number or-ed with 0x400000).
#pragma once

// The mark of a MySQL error in a tk_exception code.
inline constexpr int k_mysql_code_mark = 0x400000;

// A MySQL error number as a tk_exception code.
constexpr int mysql_error_code(int number) {
    return k_mysql_code_mark | (number & 0xFFFF);
}

// ---- server errors ---------------------------------------------------------------------------
inline constexpr int k_mysql_cant_delete_file = 1011;
inline constexpr int k_mysql_table_read_only = 1036;
inline constexpr int k_mysql_db_access_denied = 1044;
inline constexpr int k_mysql_access_denied = 1045;
inline constexpr int k_mysql_bad_null = 1048;
inline constexpr int k_mysql_bad_table = 1051;
inline constexpr int k_mysql_server_shutdown = 1053;
inline constexpr int k_mysql_duplicate_entry = 1062;
inline constexpr int k_mysql_key_too_long = 1071;
inline constexpr int k_mysql_table_full = 1114;
inline constexpr int k_mysql_host_not_privileged = 1130;
inline constexpr int k_mysql_table_access_denied = 1142;
inline constexpr int k_mysql_column_access_denied = 1143;
inline constexpr int k_mysql_no_such_table = 1146;
// The two numbers under which servers refuse an authentication protocol the client lacks.
inline constexpr int k_mysql_auth_protocol = 1249;
inline constexpr int k_mysql_auth_protocol_old = 1250;
inline constexpr int k_mysql_null_to_not_null = 1263;
inline constexpr int k_mysql_out_of_range = 1264;
inline constexpr int k_mysql_data_truncated = 1265;
inline constexpr int k_mysql_read_only_server = 1290;
inline constexpr int k_mysql_truncated_wrong_value = 1292;
inline constexpr int k_mysql_invalid_character_string = 1300;
inline constexpr int k_mysql_incorrect_value = 1366;
inline constexpr int k_mysql_illegal_value = 1367;
inline constexpr int k_mysql_data_too_long = 1406;
inline constexpr int k_mysql_datetime_overflow = 1441;
inline constexpr int k_mysql_row_is_referenced = 1451;
inline constexpr int k_mysql_no_referenced_row = 1452;
inline constexpr int k_mysql_illegal_value_for_type = 1918;
inline constexpr int k_mysql_connection_killed = 1927;
inline constexpr int k_mysql_check_constraint = 3819;
inline constexpr int k_mariadb_constraint_failed = 4025;

// ---- client library errors -------------------------------------------------------------------
inline constexpr int k_mysql_socket_error = 2002;
inline constexpr int k_mysql_connection_error = 2003;
inline constexpr int k_mysql_unknown_host = 2005;
inline constexpr int k_mysql_server_gone = 2006;
inline constexpr int k_mysql_lost_connection = 2013;
inline constexpr int k_mysql_lost_connection_reading = 2055;
