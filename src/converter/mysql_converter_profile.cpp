#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"
#include "converter/mysql_converter_impl.h"
#include "converter/profile_text.h"

namespace {

struct dump_flag {
    const wchar_t* key;
    bool dump_options::*member;
};

const dump_flag k_dump_flags[] = {{L"dump new version", &dump_options::new_version},
                                  {L"dump add lock to insert", &dump_options::lock_tables},
                                  {L"dump insert comments", &dump_options::comments},
                                  {L"dump create database", &dump_options::create_db},
                                  {L"dump create table", &dump_options::structure}};

}  // namespace

bool mysql_converter_impl::store_profile(udb_profile& profile) const {
    tk_log(2, "mysql_converter_impl::store_profile");
    profile.set_value(k_mysql_settings, L"host", tk_ansi_to_unicode(mysql_host));
    profile.set_value(k_mysql_settings, L"user", tk_ansi_to_unicode(mysql_user));
    profile.set_value(k_mysql_settings, L"password", tk_ansi_to_unicode(mysql_password));
    profile.set_value(k_mysql_settings, L"port", tk_ansi_to_unicode(mysql_port));
    // Every line end other than 0 is "\n"; writing "0" for them would bring CR LF back.
    profile.set_value(k_mysql_settings, L"dump line break", profile_flag(dump.unix_eol != 0));
    for (const dump_flag& f : k_dump_flags)
        profile.set_value(k_mysql_settings, f.key, profile_flag(dump.*f.member));
    return true;
}

bool mysql_converter_impl::load_profile(udb_profile& profile) {
    tk_log(2, "mysql_converter_impl::load_profile");
    auto value = [&](const wchar_t* key) { return profile.get_value(k_mysql_settings, key); };
    mysql_host = tk_to_ansi(value(L"host"));
    if (const std::wstring user = value(L"user"); !user.empty()) mysql_user = tk_to_ansi(user);
    mysql_password = tk_to_ansi(value(L"password"));
    if (const std::wstring port = value(L"port"); !port.empty()) mysql_port = tk_to_ansi(port);
    if (const std::wstring eol = value(L"dump line break"); !eol.empty())
        dump.unix_eol = eol == L"1" ? 1 : 0;
    for (const dump_flag& f : k_dump_flags) {
        const std::wstring flag = value(f.key);
        if (!flag.empty()) dump.*f.member = flag == L"1";
    }
    return true;
}
