#include "ORA/ora_tn_validator.h"

#include "ORA/ora_utils.h"
#include "TK/tk_logger.h"

ora_tn_validator::ora_tn_validator(const std::vector<std::wstring>& existing,
                                   const std::vector<std::wstring>& selected) {
    tk_log(2, "ora_tn_validator::ctor");
    for (const std::wstring& name : existing) add_existing_name(name);
    for (const std::wstring& name : selected) add_existing_name(name);
}

bool ora_tn_validator::is_acceptable(const std::wstring& name) {
    tk_wlog(1, L"ora_tn_validator::is_acceptable(%s)", name.c_str());
    std::pair<std::wstring, std::wstring> tname = ora_split_name(name);
    tk_wlog(1, L"tname.first=%s, tname.second=%s", tname.first.c_str(), tname.second.c_str());
    if (tname.first.empty()) return ora_validator::is_acceptable(name);
    return ora_validator::is_acceptable(tname.first) && ora_validator::is_acceptable(tname.second);
}

std::wstring ora_tn_validator::get_safe_name(const std::wstring& name) {
    tk_wlog(1, L"ora_tn_validator::get_safe_name(%s)", name.c_str());
    std::pair<std::wstring, std::wstring> tname = ora_split_name(name);
    tk_wlog(1, L"tname.first=%s, tname.second=%s", tname.first.c_str(), tname.second.c_str());
    if (tname.first.empty()) return ora_validator::get_safe_name(name);
    return L"\"" + ora_validator::get_safe_name(tname.first) + L"\".\"" +
           ora_validator::get_safe_name(tname.second) + L"\"";
}
