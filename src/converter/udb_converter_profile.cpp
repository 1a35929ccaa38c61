#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"
#include "converter/profile_text.h"
#include "converter/udb_converter.h"

namespace {

bool contains(const udb_converter::name_list& names, const std::wstring& name) {
    for (const std::wstring& n : names) {
        if (n == name) return true;
    }
    return false;
}

}  // namespace

bool udb_converter::store_profile(udb_profile& profile) const {
    tk_log(2, "udb_converter::store_profile");
    for (const auto& [name, text] : available_queries) {
        tk_wlog(3, L"Available Query: (%s,%s)", name.c_str(), text.c_str());
        profile.set_value(k_available_queries, name, sql_one_line(text));
    }
    // Queries have been written by the converter; what stays are tables, whether they came as
    // jobs without text or as the selection itself.
    for (const auto& [name, text] : table_jobs) {
        if (!text.empty() || contains(selected_tables, name)) continue;
        tk_wlog(3, L"Selected Query: (%s,%s)", name.c_str(), text.c_str());
        profile.set_value(k_selected_tables, name, std::wstring());
    }
    for (const std::wstring& name : selected_tables) {
        tk_wlog(3, L"Selected Query: (%s,%s)", name.c_str(), L"");
        profile.set_value(k_selected_tables, name, std::wstring());
    }
    for (const auto& [name, text] : selected_views) {
        tk_wlog(3, L"Selected View: (%s,%s)", name.c_str(), text.c_str());
        profile.set_value(k_selected_views, name, sql_one_line(text));
    }
    profile.set_value(k_generic_settings, L"src", m_source_name);
    profile.set_value(k_generic_settings, L"dest", m_destination_name);
    profile.set_value(k_generic_settings, L"logfile", tk_ansi_to_unicode(m_log_file));
    profile.set_value(k_generic_settings, L"skip indexes", profile_flag(skip_idx));
    profile.set_value(k_generic_settings, L"only definitions", profile_flag(tab_def));
    // The default 0 that nobody chose is stored as the mode that only replaces the tables the
    // run converts: a profile read later marks its mode as chosen, and 0 would then drop the
    // whole database, tables added since included.
    const int stored_mode =
        mode == k_mode_overwrite_database && !mode_chosen ? k_mode_replace_tables : mode;
    profile.set_value(k_generic_settings, L"mode", std::to_wstring(stored_mode));
    return true;
}

bool udb_converter::load_profile(udb_profile& profile) {
    tk_log(1, "udb_converter::load_profile");
    // What may refuse the profile comes first, before anything of it is taken.
    const std::wstring mode_text = profile.get_value(k_generic_settings, L"mode");
    // A mode the run does not know would silently act as none of the five.
    if (mode_text.size() == 1 && (mode_text[0] < L'0' + k_mode_overwrite_database ||
                                  mode_text[0] > L'0' + k_mode_synchronize)) {
        throw profile_fault(profile.value_line_number(k_generic_settings, L"mode"),
                            L"mode=" + mode_text, L"a conversion mode digit from 0 to 4");
    }
    std::wstring value = profile.get_value(k_generic_settings, L"logfile");
    if (!value.empty()) {
        tk_wlog(1, L"Logfile=%s", value.c_str());
        set_logfile(tk_to_ansi(value));
    }
    for (const auto& [name, text] : profile.get_selected_tables()) {
        if (text.empty()) {
            tk_wlog(1, L"Push back table '%s'", name.c_str());
            selected_tables.push_back(name);
        } else {
            table_jobs.emplace_back(name, text);
        }
    }
    for (const auto& pair : profile.get_available_queries()) available_queries.push_back(pair);
    for (const auto& pair : profile.get_selected_views()) selected_views.push_back(pair);

    value = profile.get_value(k_generic_settings, L"src");
    if (!value.empty()) m_source_name = value;
    value = profile.get_value(k_generic_settings, L"dest");
    if (!value.empty()) m_destination_name = value;
    value = profile.get_value(k_generic_settings, L"only definitions");
    if (!value.empty()) tab_def = value != L"0";
    if (mode_text.size() == 1) {
        mode = mode_text[0] - L'0';
        mode_chosen = true;
    }
    value = profile.get_value(k_generic_settings, L"skip indexes");
    if (!value.empty()) skip_idx = value != L"0";
    return true;
}
