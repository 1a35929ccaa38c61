#include "TK/tk_logger.h"
#include "UDB/udb_profile.h"
#include "converter/profile_text.h"
#include "converter/tabshift_convertor.h"

bool tabshift_convertor::store_profile_file(const std::wstring& path) const {
    udb_profile profile;
    store_profile(profile);
    store_to_profile(profile);
    // A name or value that the reader would take apart differently (an "=" in a name, a line
    // break in a password) would come back as another setting; such a profile is not written.
    std::wstring why;
    if (!profile_reads_back(profile, why)) {
        tk_wlog(3, L"The profile cannot keep %s; it was not saved", why.c_str());
        return false;
    }
    return profile.store(path);
}

bool tabshift_convertor::load_profile_file(const std::wstring& path) {
    udb_profile profile;
    try {
        if (!profile.load(path)) {
            if (profile.failed_line() == 0)
                throw tk_exception(L"The profile '" + path + L"' could not be opened.", 1);
            throw profile_fault(profile.failed_line(), profile.failed_text(),
                                profile.failed_expectation());
        }
        return load_profile(profile);
    } catch (const profile_fault& fault) {
        throw tk_exception(
            L"The profile '" + path + L"' could not be loaded: " + fault.description() + L".", 1);
    }
}

bool tabshift_convertor::store_profile(udb_profile& profile) const {
    // Queries are written without being taken out of the jobs: a second save (or a second run)
    // still has them.
    for (const auto& [name, text] : table_jobs) {
        if (!text.empty()) profile.set_value(k_selected_tables, name, sql_one_line(text));
    }
    udb_converter::store_profile(profile);
    oracle_converter_impl::store_profile(profile);
    mysql_converter_impl::store_profile(profile);
    profile.set_value(k_mysql_settings, L"direct mode", profile_flag(mysql_direct));
    profile.set_value(k_mysql_settings, L"case sensitive", profile_flag(case_sensitive));
    profile.set_value(k_generic_settings, L"view owned",
                      profile_flag(oracle_engine.b_owned_by_user));
    profile.set_value(k_generic_settings, L"character set", mysql_engine.character_set());
    profile.set_value(k_generic_settings, L"storage engine", mysql_engine.table_type());
    return true;
}

bool tabshift_convertor::load_profile(udb_profile& profile) {
    // The mapping is read whole before any setting is taken: a profile refused for one of its
    // lines leaves the converter as it was, never half of one and half of the other.
    sql_db_mutator mapping;
    mapping.load_from_profile(profile);
    if (!udb_converter::load_profile(profile) || !oracle_converter_impl::load_profile(profile) ||
        !mysql_converter_impl::load_profile(profile))
        return false;
    swap_mapping(mapping);
    std::wstring value = profile.get_value(k_mysql_settings, L"direct mode");
    if (!value.empty()) mysql_direct = value == L"1";
    value = profile.get_value(k_mysql_settings, L"case sensitive");
    if (!value.empty()) case_sensitive = value == L"1";
    value = profile.get_value(k_generic_settings, L"view owned");
    if (!value.empty()) oracle_engine.b_owned_by_user = value == L"1";
    value = profile.get_value(k_generic_settings, L"character set");
    if (!value.empty()) mysql_engine.set_character_set(value);
    value = profile.get_value(k_generic_settings, L"storage engine");
    if (!value.empty()) {
        mysql_engine.set_table_type(value);
        engine_chosen = true;
    }
    return true;
}
