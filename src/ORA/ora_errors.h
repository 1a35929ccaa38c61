// The Oracle error numbers (ORA-nnnnn) the program acts on, and the code form of the
// tk_exception family (the number's low 16 bits or-ed with 0x100000).
#pragma once

// The mark of an Oracle error in a tk_exception code.
inline constexpr int k_ora_code_mark = 0x100000;

// An ORA number as a tk_exception code.
constexpr int ora_error_code(int number) {
    return k_ora_code_mark | (number & 0xFFFF);
}

inline constexpr int k_ora_unique_constraint = 1;
inline constexpr int k_ora_name_in_use = 955;
inline constexpr int k_ora_invalid_identifier = 904;
inline constexpr int k_ora_too_many_values = 913;
inline constexpr int k_ora_no_such_table = 942;
inline constexpr int k_ora_not_enough_values = 947;
inline constexpr int k_ora_not_all_variables_bound = 1008;
inline constexpr int k_ora_invalid_login = 1017;
inline constexpr int k_ora_insufficient_privileges = 1031;
inline constexpr int k_ora_illegal_variable_name = 1036;
inline constexpr int k_ora_column_already_indexed = 1408;
inline constexpr int k_ora_no_space_in_tablespace = 1658;
inline constexpr int k_ora_no_tablespace_privileges = 1950;
inline constexpr int k_ora_key_already_exists = 2261;
inline constexpr int k_ora_parent_keys_missing = 2298;
inline constexpr int k_ora_not_connected = 3114;
inline constexpr int k_ora_unsupported_network_type = 3115;
inline constexpr int k_ora_unresolved_identifier = 12154;
inline constexpr int k_ora_listener_cannot_start = 12500;
inline constexpr int k_ora_unknown_sid = 12505;
inline constexpr int k_ora_unknown_service = 12514;
inline constexpr int k_ora_no_listener = 12541;
inline constexpr int k_ora_host_unreachable = 12545;
inline constexpr int k_ora_nls_parameters = 12705;
inline constexpr int k_ora_statement_not_executed = 24333;
inline constexpr int k_ora_account_locked = 28000;
// The range of the syntax errors of a statement (ORA-00900 to ORA-00936).
inline constexpr int k_ora_first_syntax_error = 900;
inline constexpr int k_ora_last_syntax_error = 936;
