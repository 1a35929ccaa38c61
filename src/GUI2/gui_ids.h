// The numbers the wizard's windows are known by: the sheet's own buttons, the poll timer, the
// help topics and the common dialog buttons.  Every control carries its id as its objectName, so
// code, tests and screenshots find it by the same number.
// Thread-safety: constants only.
#pragma once

// Buttons of every dialog.
inline constexpr int k_id_ok = 1;
inline constexpr int k_id_cancel = 2;
inline constexpr int k_id_help = 9;

// Buttons of the sheet (Cancel and Help share the dialog ids above).
inline constexpr int k_id_back = 0x3023;
inline constexpr int k_id_next = 0x3024;
inline constexpr int k_id_finish = 0x3025;

// Wizard button set of a page: added together.
inline constexpr int k_wiz_back = 1;
inline constexpr int k_wiz_next = 2;
inline constexpr int k_wiz_finish = 4;

// Page flags: the page has Help; the page hides the header (welcome and closing pages).
inline constexpr int k_page_has_help = 0x20;
inline constexpr int k_page_hide_header = 0x800;

// The run's poll timer of the sheet, forwarded to the current page.
inline constexpr int k_sheet_timer_id = 0x10000;

// question(): No is the default button.
inline constexpr int k_default_no = 0x100;

// Help topics.
inline constexpr int k_topic_mysql_page = 1011;
inline constexpr int k_topic_oracle_page = 1012;
inline constexpr int k_topic_destination = 1013;
inline constexpr int k_topic_welcome = 1014;
inline constexpr int k_topic_overwrite = 1016;
inline constexpr int k_topic_tables = 1017;
inline constexpr int k_topic_connection = 1018;
inline constexpr int k_topic_dump_options = 1022;
inline constexpr int k_topic_views = 1024;
inline constexpr int k_topic_types_map = 1025;

// Controls.  A number means one control within its window; windows reuse numbers.
// Shared by several windows.
inline constexpr int k_ctl_page_text = 1337;
inline constexpr int k_ctl_log_box = 1016;
inline constexpr int k_ctl_message = 1320;

// Welcome page.
inline constexpr int k_ctl_load_settings = 1115;
inline constexpr int k_ctl_to_server = 1329;
inline constexpr int k_ctl_to_dump = 1330;

// Selection pages (tables, views).
inline constexpr int k_ctl_available_label = 1334;
inline constexpr int k_ctl_selected_label = 1312;
inline constexpr int k_ctl_available_list = 1317;
inline constexpr int k_ctl_selected_list = 1318;
inline constexpr int k_ctl_add = 1101;
inline constexpr int k_ctl_add_all = 1102;
inline constexpr int k_ctl_remove = 1111;
inline constexpr int k_ctl_remove_all = 1110;
inline constexpr int k_ctl_add_query = 1114;
inline constexpr int k_ctl_up = 1117;
inline constexpr int k_ctl_down = 1118;

// Oracle connection page.
inline constexpr int k_ctl_ora_host = 1003;
inline constexpr int k_ctl_ora_database = 1014;
inline constexpr int k_ctl_ora_port_label = 1307;
inline constexpr int k_ctl_ora_port = 1004;
inline constexpr int k_ctl_ora_user = 1012;
inline constexpr int k_ctl_ora_password = 1013;

// MySQL connection page.
inline constexpr int k_ctl_mysql_local = 1329;
inline constexpr int k_ctl_mysql_remote = 1330;
inline constexpr int k_ctl_mysql_user = 1012;
inline constexpr int k_ctl_mysql_password = 1013;
inline constexpr int k_ctl_mysql_host = 1014;
inline constexpr int k_ctl_mysql_port = 1015;

// Destination page.
inline constexpr int k_ctl_destination_label = 1312;
inline constexpr int k_ctl_destination = 1004;
inline constexpr int k_ctl_browse_dump = 1104;
inline constexpr int k_ctl_log_file = 1005;
inline constexpr int k_ctl_browse_log = 1105;
inline constexpr int k_ctl_charsets = 1303;
inline constexpr int k_ctl_engines = 1304;
inline constexpr int k_ctl_definitions_only = 1228;
inline constexpr int k_ctl_skip_indexes = 1226;
inline constexpr int k_ctl_case_sensitive = 1202;
inline constexpr int k_ctl_owned_by_user = 1203;

// Dump options page.
inline constexpr int k_ctl_dump_new_version = 1329;
inline constexpr int k_ctl_dump_old_version = 1330;
inline constexpr int k_ctl_dump_windows_eol = 1331;
inline constexpr int k_ctl_dump_unix_eol = 1332;
inline constexpr int k_ctl_dump_lock_tables = 1202;
inline constexpr int k_ctl_dump_create_db = 1203;
inline constexpr int k_ctl_dump_create_tables = 1204;
inline constexpr int k_ctl_dump_comments = 1205;

// Progress page.
inline constexpr int k_ctl_progress_bar = 1321;
inline constexpr int k_ctl_progress_table = 1323;

// Closing page.
inline constexpr int k_ctl_finish_title = 1313;
inline constexpr int k_ctl_finish_text = 1314;
inline constexpr int k_ctl_save_settings = 1116;

// Overwrite dialog: one choice per mode.
inline constexpr int k_ctl_overwrite_database = 1329;
inline constexpr int k_ctl_overwrite_tables = 1330;
inline constexpr int k_ctl_skip_tables = 1331;
inline constexpr int k_ctl_merge = 1332;
inline constexpr int k_ctl_synchronize = 1339;

// Query dialog.
inline constexpr int k_ctl_query_name = 1019;
inline constexpr int k_ctl_query_text = 1020;
inline constexpr int k_ctl_test_query = 129;

// Type-mapping dialog.
inline constexpr int k_ctl_map_list = 1316;
inline constexpr int k_ctl_map_table = 1003;
inline constexpr int k_ctl_map_field = 1004;
inline constexpr int k_ctl_map_types = 1302;
inline constexpr int k_ctl_map_default = 1005;
inline constexpr int k_ctl_map_length = 1006;
inline constexpr int k_ctl_map_precision = 1007;
inline constexpr int k_ctl_map_scale = 1008;
inline constexpr int k_ctl_map_length_label = 1340;
inline constexpr int k_ctl_map_precision_label = 1341;
inline constexpr int k_ctl_map_scale_label = 1342;

// Busy animation and error dialogs.
inline constexpr int k_ctl_animation = 1301;
inline constexpr int k_ctl_dont_show_again = 1222;
inline constexpr int k_ctl_send_bug = 1112;
inline constexpr int k_ctl_copy = 1108;
