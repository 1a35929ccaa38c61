#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "TK/tk_cmd_line.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "agent/agent_console.h"
#include "converter/tabshift_convertor.h"

namespace {

enum option_id {
    opt_case_sense,
    opt_charset,
    opt_dest,
    opt_dump,
    opt_engine,
    opt_help,
    opt_logfile,
    opt_mode,
    opt_mysqlh,
    opt_mysqlu,
    opt_mysqlp,
    opt_myport,
    opt_oraclh,
    opt_oraclu,
    opt_oraclp,
    opt_oraport,
    opt_profile,
    opt_silent,
    opt_skip_idx,
    opt_src,
    opt_tab_def,
    opt_tab_file,
    opt_view_owned,
};

const tk_cmd_option k_options[] = {
    {opt_case_sense, "--case_sense"},
    {opt_charset, "--charset="},
    {opt_dest, "--dest="},
    {opt_dump, "--dump"},
    {opt_engine, "--engine="},
    {opt_help, "--help"},
    {opt_logfile, "--logfile="},
    {opt_mode, "--mode="},
    {opt_mysqlh, "--mysqlh="},
    {opt_mysqlu, "--mysqlu="},
    {opt_mysqlp, "--mysqlp="},
    {opt_myport, "--myport="},
    {opt_oraclh, "--oraclh="},
    {opt_oraclu, "--oraclu="},
    {opt_oraclp, "--oraclp="},
    {opt_oraport, "--oraport="},
    {opt_profile, "--profile="},
    {opt_silent, "--silent"},
    {opt_skip_idx, "--skip_idx"},
    {opt_src, "--src="},
    {opt_tab_def, "--tab_def"},
    {opt_tab_file, "--tab_file="},
    {opt_view_owned, "--view_owned"},
    {-1, ""},
};

// The arguments as the trace log shows them: the values of the password options are masked.
std::string logged_argument(const char* argument) {
    for (const char* secret : {"--oraclp=", "--mysqlp="}) {
        if (std::strncmp(argument, secret, std::strlen(secret)) == 0)
            return std::string(secret) + k_password_mask;
    }
    return argument;
}

// Overwrites a password in the process's own argument vector once it was read, so that other
// users cannot read it from the process list for the length of the run.
void hide_argument_value(const char* value) {
    std::memset(const_cast<char*>(value), '*', std::strlen(value));
}

// A wide value from the ANSI code page; false (and nothing set) when it does not convert.
bool widen(const char* value, std::wstring& out) {
    try {
        out = tk_ansi_to_unicode(value);
        return true;
    } catch (const tk_exception&) {
        return false;
    }
}

// The mode of "--mode=": digits that read back as themselves, 0 to 3.
bool read_mode(const char* value, int& mode) {
    char* end = nullptr;
    const long n = std::strtol(value, &end, 10);
    if (end == value || *end != '\0' || std::to_string(n) != value) return false;
    if (n < k_mode_overwrite_database || n > k_mode_merge) return false;
    mode = static_cast<int>(n);
    return true;
}

}  // namespace

bool parse_cmd_line(int argc, char** argv) {
    tk_log(2, "parse_cmd_line");
    for (int i = 0; i < argc; ++i)
        tk_log(1, "parameter #%d: %s", i, logged_argument(argv[i]).c_str());

    tabshift_convertor& conv = tabshift_convertor::get_instance();
    std::wstring ora_host = L"localhost", ora_user, ora_password, ora_port = L"1521";
    std::string my_host, my_user, my_password, my_port = "3306";
    bool profile_loaded = false;

    ansi_cmd_line line(argc, argv, k_options);
    for (; line.has_more(); line.next()) {
        const char* value = line.value();
        std::wstring wide;
        switch (line.id()) {
            case opt_case_sense:
                tk_log(2, "\tcase sensitive=true");
                conv.case_sensitive = true;
                break;
            case opt_charset:
                if (!widen(value, wide)) break;
                tk_wlog(1, L"parse_cmd_line - got charset '%s'", wide.c_str());
                conv.mysql_engine.set_character_set(wide);
                break;
            case opt_dest:
                if (!widen(value, wide)) break;
                tk_wlog(2, L"\tgot dest %s", wide.c_str());
                conv.m_destination_name = wide;
                break;
            case opt_dump:
                tk_log(2, "\tconvert into dump files");
                conv.mysql_direct = false;
                break;
            case opt_engine:
                if (!widen(value, wide)) break;
                tk_wlog(1, L"parse_cmd_line - got engine '%s'", wide.c_str());
                conv.mysql_engine.set_table_type(wide);
                conv.engine_chosen = true;
                break;
            case opt_help:
                fatal_console_message(k_usage_text);
            case opt_logfile:
                tk_log(1, "parse_cmd_line - got logfile %s", value);
                conv.set_logfile(value);
                break;
            case opt_mode: {
                int mode = 0;
                if (!read_mode(value, mode)) fatal_console_message("Invalid merge/overwrite mode");
                tk_log(2, "\tgot mode %d", mode);
                tk_log(1, "udb_converter::set_mode(%d)", mode);
                conv.mode = mode;
                conv.mode_chosen = true;
                break;
            }
            case opt_mysqlh:
                my_host = value;
                break;
            case opt_mysqlu:
                my_user = value;
                break;
            case opt_mysqlp:
                my_password = value;
                hide_argument_value(value);
                break;
            case opt_myport:
                my_port = value;
                break;
            case opt_oraclh:
                widen(value, ora_host);
                break;
            case opt_oraclu:
                widen(value, ora_user);
                break;
            case opt_oraclp:
                widen(value, ora_password);
                hide_argument_value(value);
                break;
            case opt_oraport:
                widen(value, ora_port);
                break;
            case opt_profile:
                if (!widen(value, wide)) break;
                tk_wlog(1, L"parse_cmd_line - got profile %s", wide.c_str());
                profile_loaded = conv.load_profile_file(wide);
                break;
            case opt_silent:
                tk_log(1, "parse_cmd_line - silent mode is ON");
                conv.set_silent(true);
                error_handler::instance().dont_show = true;
                break;
            case opt_skip_idx:
                tk_log(2, "\tskip converting indexes");
                conv.skip_idx = true;
                break;
            case opt_src:
                if (!widen(value, wide)) break;
                tk_wlog(2, L"\tgot src %s", wide.c_str());
                conv.m_source_name = wide;
                break;
            case opt_tab_def:
                tk_log(2, "\tconvert table definitions only");
                conv.tab_def = true;
                break;
            case opt_tab_file:
                tk_log(2, "\tparse_cmd_line - got tab_file %s", value);
                process_tab_file(value);
                break;
            case opt_view_owned:
                tk_log(2, "\tb_view_owned is ON");
                conv.oracle_engine.b_owned_by_user = true;
                break;
            default:
                break;
        }
    }
    if (line.unmatched_count() > 0) return false;

    if (!profile_loaded) {
        if (conv.m_source_name.empty())
            fatal_console_message("You should enter Oracle database name");
        if (conv.m_destination_name.empty())
            fatal_console_message("You should enter destination MySQL database or dump file name");
        if (ora_host.empty())
            fatal_console_message("You should enter network name or IP address of Oracle server");
        conv.store_oracle_settings(ora_host, ora_user, ora_password, ora_port);
        conv.store_mysql_settings(my_host, my_user, my_password, my_port);
    }
    return true;
}
