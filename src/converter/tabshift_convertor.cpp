#include "converter/tabshift_convertor.h"

#include <cstdio>

#include "SQL/dmp_database.h"
#include "TK/tk_exception.h"
#include "TK/tk_file_wname.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"
#include "converter/error_handler.h"
#include "converter/run_front_end.h"
#include "platform/win/win_compare.h"
#include "platform/win/win_format.h"

namespace {

// One boolean setting: its value name, its default, and the member it fills.
struct bool_setting {
    const char* name;
    bool fallback;
    bool& value;
};

// A text setting that must pass the engine's identifier check (character set, table type).
template <class Setter>
bool exchange_identifier(tk_reg_key& key, const wchar_t* name, const std::wstring& current,
                         bool store, Setter set) {
    std::wstring text = current;
    if (!key.exchange(name, text, store)) return false;
    if (store) return true;
    try {
        set(text);
        return true;
    } catch (const tk_exception&) {
        // A value edited into something the server would not take keeps the default.
        return false;
    }
}

}  // namespace

tabshift_convertor::tabshift_convertor(converter_form form)
    : tk_serializer(k_settings_key), m_form(form) {
    tk_log(2, "tabshift_convertor::ctor");
    if (m_form == converter_form::wizard) {
        serialize(false);
        return;
    }
    serialize_agent();
    mysql_direct = true;
    case_sensitive = false;
    oracle_engine.b_owned_by_user = false;
}

tabshift_convertor::~tabshift_convertor() {
    tk_log(2, "tabshift_convertor::dtor");
    if (m_form != converter_form::wizard) return;
    try {
        serialize(true);
    } catch (...) {
        // Settings that cannot be kept are not worth ending the program over.
    }
}

bool tabshift_convertor::serialize_agent() {
    tk_log(1, "serialize( %d )", 0);
    if (open_key() != ERROR_SUCCESS) return false;
    const bool ok = exchange_format_settings(false);
    close_key();
    return ok;
}

bool tabshift_convertor::serialize(bool store) {
    tk_log(1, "serialize( %d )", store ? 1 : 0);
    if (open_key() != ERROR_SUCCESS) return false;
    tk_reg_key& key = m_key;
    bool ok = exchange_format_settings(store);
    auto exchange_flags = [&](std::initializer_list<bool_setting> settings) {
        for (const bool_setting& s : settings) {
            if (!store) s.value = s.fallback;
            ok &= key.exchange(s.name, s.value, store);
        }
    };
    auto exchange_wide = [&](const wchar_t* name, std::wstring& value, const wchar_t* fallback) {
        if (!store) value = fallback;
        ok &= key.exchange(name, value, store);
    };
    auto exchange_narrow = [&](const char* name, std::string& value, const char* fallback) {
        if (!store) value = fallback;
        ok &= key.exchange(name, value, store);
    };

    exchange_flags(
        {{"case sensitive", false, case_sensitive}, {"convert_views", true, convert_views}});
    exchange_wide(L"dest", m_destination_name, L"");
    exchange_narrow("host", mysql_host, "");
    exchange_narrow("log_file", m_log_file, "");
    exchange_flags({{"mysql direct", true, mysql_direct}});
    exchange_wide(L"oraclei", oracle_host, L"");
    exchange_wide(L"oraclep", oracle_password, L"");
    exchange_wide(L"oracleu", oracle_user, L"");
    exchange_narrow("port", mysql_port, "3306");
    exchange_wide(L"port2", oracle_port, L"1521");
    exchange_narrow("pswd", mysql_password, "");
    exchange_flags({{"skip_idx", false, skip_idx}});
    exchange_wide(L"src", m_source_name, L"");
    exchange_flags({{"tab_def", false, tab_def}});
    exchange_narrow("user", mysql_user, "");
    exchange_flags({{"use_schema", false, oracle_engine.use_schema},
                    {"view_owned", true, oracle_engine.b_owned_by_user}});
    close_key();
    return ok;
}

bool tabshift_convertor::exchange_format_settings(bool store) {
    tk_reg_key& key = m_key;
    bool ok = true;
    // The wizard's load starts from the defaults; the agent keeps what the engine was built with.
    const bool defaults = !store && m_form == converter_form::wizard;
    if (defaults) mysql_engine.set_character_set(L"utf8");
    ok &= exchange_identifier(key, L"char_set", mysql_engine.character_set(), store,
                              [&](const std::wstring& v) { mysql_engine.set_character_set(v); });
    if (defaults) mysql_engine.set_table_type(L"MyISAM");
    ok &= exchange_identifier(key, L"tab_type", mysql_engine.table_type(), store,
                              [&](const std::wstring& v) { mysql_engine.set_table_type(v); });
    unsigned long line_break = store ? static_cast<unsigned long>(dump.unix_eol) : 0;
    ok &= key.exchange("dmp_line_br", line_break, store);
    dump.unix_eol = static_cast<int>(line_break);
    for (const bool_setting& s : {bool_setting{"dmp_new_ver", true, dump.new_version},
                                  bool_setting{"dmp_loc_wri", true, dump.lock_tables},
                                  bool_setting{"dmp_ins_com", true, dump.comments},
                                  bool_setting{"dmp_ins_db", false, dump.create_db},
                                  bool_setting{"dmp_ins_tab", true, dump.structure}}) {
        if (!store) s.value = s.fallback;
        ok &= key.exchange(s.name, s.value, store);
    }
    return ok;
}

std::unique_ptr<udb_database> tabshift_convertor::get_dest_base() {
    tk_log(2, "tabshift_convertor::get_dest_base");
    m_destination_refused = false;
    if (mysql_direct) {
        tk_log(1, "mode=%08X", mode);
        int flags = mode == k_mode_overwrite_database
                        ? k_open_skip_views | k_open_destination | k_open_fresh
                        : k_open_destination | k_open_append;
        if (mode == k_mode_synchronize) {
            tk_log(1, "SYNC is ON");
            flags |= k_open_replace_rows;
        }
        try {
            check_server_db_name(m_destination_name);
            mysql_engine.lock_destination(m_destination_name);
            tk_wlog(2, L"mysql_converter_impl::is_mysql_base_exist( %s )",
                    m_destination_name.c_str());
            if (mysql_engine.is_db_exist(m_destination_name))
                return mysql_engine.open_db(m_destination_name, flags);
            return mysql_engine.create_and_open_db(m_destination_name);
        } catch (const tk_exception&) {
            // The server's own text (or its advice) does not say which database it refused.
            m_destination_refused = true;
            error_handler::instance().set_error_text(L"MySQL database '" + m_destination_name +
                                                     L"'");
            throw;
        }
    }
    dump.caption = tk_to_ansi(get_caption());
    return mysql_engine.create_dump(m_destination_name, dump);
}

void tabshift_convertor::check_dest(const std::wstring& name) {
    tk_wlog(1, L"tabshift_convertor::check_dest(%s)", name.c_str());
    tabshift_convertor::instance();
    if (!mysql_direct) {
        // The file is replaced only once the new dump is whole: nothing is deleted here.
        common_check_dest(name);
        return;
    }
    // A name the server cannot take is refused before anything is created or dropped, and no
    // other run may be writing into the database this one is about to drop or fill.
    check_server_db_name(name);
    mysql_engine.lock_destination(name);
    tk_wlog(2, L"mysql_converter_impl::is_mysql_base_exist( %s )", name.c_str());
    if (!mysql_engine.is_db_exist(name)) return;
    if (mode == k_mode_overwrite_database && !mode_chosen) {
        mode = k_mode_replace_tables;
        const std::wstring line = L"The MySQL database '" + name +
                                  L"' exists and no mode was chosen: it is kept, and the tables "
                                  L"this run converts are emptied and filled again.\n";
        tk_wlog(3, L"%s", line.c_str());
        if (run_front_end* front = run_front_end::find_instance()) front->write_log(line);
    }
    if (mode == k_mode_overwrite_database) del_mysql_base(name);
}

udb_schema tabshift_convertor::get_schema(const std::wstring& table) {
    tk_wlog(2, L"tabshift_convertor::get_schema(%s)", table.c_str());
    if (!source_db || !source_db->is_table_exist(table)) throw tk_mail_assertion("kvt_conv", 67);
    std::unique_ptr<udb_recordset> rs = source_db->get_table(table, 1);
    return rs->get_schema();
}

udb_database::name_list tabshift_convertor::get_all_tables() {
    tk_log(2, "tabshift_convertor::get_all_tables");
    if (!source_db) throw tk_mail_assertion("kvt_conv", 112);
    return source_db->get_tables();
}

udb_database::view_list tabshift_convertor::get_all_views() {
    tk_log(2, "tabshift_converter::get_all_views");
    if (!source_db) return {};
    return source_db->get_views();
}

bool tabshift_convertor::can_create_views() {
    tk_log(2, "tabshift_converter::can_create_views");
    if (!mysql_direct) return true;
    return mysql_engine.version_word > 0x50000;
}

bool tabshift_convertor::test_query(const std::wstring& query_text) {
    try {
        if (!source_db)
            source_db = oracle_engine.open_db(service_name, oracle_user, oracle_password);
        return source_db->test_query(query_text);
    } catch (const std::exception&) {
        return false;
    }
}

std::wstring get_caption() {
    // The third part of the caption is always empty; the blank before it is left out.
    return win_format(L"Tidewell %d.%d", 6, 3);
}

void common_check_dest(const std::wstring& name) {
    tk_wlog(1, L"common_check_dest(%s)", name.c_str());
    if (tk_is_path_exist(name))
        throw tk_exception(std::string("Destination name should specify a file, not folder."), 1);
    if (tk_is_file_exist(name, 0x4000) && !tk_is_file_exist(name, 1))
        throw tk_exception(std::string("Destination name specifies an existing read-only file."),
                           1);
    tk_file_wname parts(name.c_str());
    if (!tk_is_path_exist(parts.drive() + parts.dir()))
        throw tk_exception(std::string("Destination path does not exist.\nPlease verify the "
                                       "correct path was given."),
                           1);
    dmp_file::check_destination(tk_to_utf8(name));
}

int name_compare_nocase(const std::wstring& a, const std::wstring& b) {
    const int c = win_compare_ignore_case(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int name_compare_prefix(const std::wstring& text, const std::wstring& prefix) {
    return name_compare_nocase(text.substr(0, prefix.size()), prefix);
}
