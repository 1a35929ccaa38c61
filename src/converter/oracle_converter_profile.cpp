#include "TK/tk_logger.h"
#include "UDB/udb_profile.h"
#include "converter/oracle_converter_impl.h"
#include "converter/profile_text.h"

namespace {

struct oracle_key {
    const wchar_t* key;
    std::wstring oracle_converter_impl::*member;
};

// In the order the profile lists them.
const oracle_key k_oracle_keys[] = {{L"host", &oracle_converter_impl::oracle_host},
                                    {L"password", &oracle_converter_impl::oracle_password},
                                    {L"port", &oracle_converter_impl::oracle_port},
                                    {L"user", &oracle_converter_impl::oracle_user}};

}  // namespace

bool oracle_converter_impl::store_profile(udb_profile& profile) const {
    tk_log(2, "oracle_converter_impl::store_profile");
    for (const oracle_key& k : k_oracle_keys) {
        const std::wstring& value = this->*k.member;
        if (!value.empty()) profile.set_value(k_oracle_settings, k.key, value);
    }
    return true;
}

bool oracle_converter_impl::load_profile(udb_profile& profile) {
    tk_log(2, "oracle_converter_impl::load_profile");
    for (const oracle_key& k : k_oracle_keys) {
        const std::wstring value = profile.get_value(k_oracle_settings, k.key);
        if (!value.empty()) this->*k.member = value;
    }
    return true;
}
