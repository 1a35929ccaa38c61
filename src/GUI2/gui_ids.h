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
