#include "converter/error_handler.h"

#include "ORA/ora_errors.h"
#include "SQL/sql_errors.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/win/win_format.h"

namespace {

constexpr const char k_duplicate_text[] =
    "Duplicate field values being used for an unique index were found.\nSee 'Troubleshooting' "
    "article of the product documentation\nfor solution.";
constexpr const char k_overwrite_text[] =
    "Failed to overwrite MySQL database. It is being used by\nanother application. Specify a "
    "different destination name.";
constexpr const char k_cant_connect_text[] =
    "Can't connect to the MySQL server. Check to verify that MySQL server\nis launched and the "
    "correct host/port values were given.";
constexpr const char k_auth_text[] =
    "The program does not support authentication protocol requested by server.\nSee "
    "'Troubleshooting' article of the product documentation.";

// MySQL's duplicate-key error as the SQL side codes it.
constexpr int k_mysql_duplicate_key = mysql_error_code(k_mysql_duplicate_entry);
// A connection that is gone, or a server that does not answer: the cause is the server's state
// (stopped, restarted, frozen, unreachable), whatever statement was on its way.
constexpr const char k_server_gone_text[] =
    "The connection to the MySQL server was lost, or the server cannot be reached.\nCheck that "
    "the MySQL server is running and answering, then run the conversion again.";

// Room of the report buffers, terminator excluded.
constexpr std::size_t k_line_room = 255;

}  // namespace

const tk_error_pair oracle_error_texts[12] = {
    {ora_error_code(k_ora_unique_constraint), k_duplicate_text},
    {ora_error_code(k_ora_invalid_login), "Invalid user name or password."},
    {ora_error_code(k_ora_no_space_in_tablespace),
     "Not enough free contiguous space in the tablespace to create the object.\nUse ALTER "
     "TABLESPACE ADD DATAFILE to add additional space to the tablespace."},
    {ora_error_code(k_ora_no_tablespace_privileges),
     "User does not have the necessary privileges to create tables."},
    {ora_error_code(k_ora_parent_keys_missing),
     "There are orphaned records that prevent from creating foreign key. For more\ninformation "
     "see Troubleshooting article of the product documentation."},
    {ora_error_code(k_ora_unresolved_identifier),
     "Oracle data source does not exist. Check to verify the correct name was given."},
    {ora_error_code(k_ora_listener_cannot_start),
     "ORA-12500: the listener could not start a server process. For more information\nsee "
     "Troubleshooting article of the product documentation."},
    {ora_error_code(k_ora_unknown_sid),
     "ORA-12505: the program could not resolve service name. For more information\nsee "
     "Troubleshooting article of the product documentation."},
    {ora_error_code(k_ora_unknown_service),
     "Cannot resolve Oracle service name. Check to verify the correct name was given.\n"},
    {ora_error_code(k_ora_no_listener),
     "ORA-12541: no listener. For more information see Troubleshooting\narticle of the product "
     "documentation."},
    {ora_error_code(k_ora_host_unreachable),
     "ORA-12545: connect failed because target host or object does not exist.\nFor more "
     "information see Troubleshooting article of the product documentation."},
    {ora_error_code(k_ora_account_locked),
     "Wrong password was entered the maximum number of times or\nthe DBA has locked the "
     "account."},
};

const tk_error_pair mysql_error_texts[k_mysql_error_text_count] = {
    {mysql_error_code(k_mysql_db_access_denied),
     "Access denied. Ask your system administrator to grant you\nthe necessary privileges to "
     "write into the database."},
    {mysql_error_code(k_mysql_access_denied),
     "Access denied. Verify the user name and password are correct, and you have\nthe necessary "
     "privileges to connect to the target MySQL server."},
    {k_mysql_duplicate_key, k_duplicate_text},
    {mysql_error_code(k_mysql_key_too_long),
     "Primary key in the original database is too long.\nRestart the program with \"Skip "
     "converting indexes\"\ncheckbox selected in order to resolve the conflict.\n"},
    {mysql_error_code(k_mysql_cant_delete_file), k_overwrite_text},
    {mysql_error_code(k_mysql_host_not_privileged),
     "You are not allowed to connect to the destination MySQL server.\nAsk your system "
     "administrator to grant you necessary privileges\nto create new databases on target MySQL "
     "server."},
    {mysql_error_code(k_mysql_bad_table), k_overwrite_text},
    {mysql_error_code(k_mysql_connection_error), k_cant_connect_text},
    {mysql_error_code(k_mysql_unknown_host), k_cant_connect_text},
    {mysql_error_code(k_mysql_socket_error), k_server_gone_text},
    {mysql_error_code(k_mysql_server_gone), k_server_gone_text},
    {mysql_error_code(k_mysql_lost_connection), k_server_gone_text},
    {mysql_error_code(k_mysql_auth_protocol), k_auth_text},
    {mysql_error_code(k_mysql_auth_protocol_old), k_auth_text},
};

error_handler::error_handler(int count, const tk_error_pair* table) : texts(count, table) {
    tk_log(2, "error_handler::ctor");
}

error_handler::~error_handler() {
    help_topics.clear();
    prefix.clear();
}

void error_handler::load_err_map(int count, const tk_error_pair* table) {
    tk_log(2, "error_handler::load_err_map");
    texts.load_map(count, table);
}

void error_handler::set_error_text(const std::wstring& text) {
    try {
        prefix = tk_to_ansi(text);
    } catch (const tk_exception&) {
        prefix.clear();
    }
}

void error_handler::format_record_error(const std::wstring& table, int record) {
    set_error_text(format_name_line(L"%s, record #%d", table, record));
}

std::string error_handler::compose_text(const tk_exception& e) const {
    std::string text;
    if (!prefix.empty()) text = prefix + ": ";
    std::string advice = texts.convert(e.code());
    // The server's own words name the key and the value, which the advice cannot.
    if (!advice.empty() && e.code() == k_mysql_duplicate_key) text += e.message() + "\n";
    text += advice.empty() ? e.message() : advice;
    return text;
}

std::wstring format_name_line(const wchar_t* format, const std::wstring& name, int number) {
    std::wstring line = win_format(format, name.c_str(), number);
    if (line.size() <= k_line_room) return line;
    const std::size_t excess = line.size() - k_line_room;
    std::size_t keep = name.size() > excess + 3 ? name.size() - excess - 3 : 0;
    // Never half of a surrogate pair: the line must still convert to UTF-8.
    if (keep > 0 && name[keep - 1] >= 0xD800 && name[keep - 1] <= 0xDBFF) --keep;
    std::wstring shortened = name.substr(0, keep) + L"...";
    line = win_format(format, shortened.c_str(), number);
    if (line.size() > k_line_room) line.resize(k_line_room);
    return line;
}
