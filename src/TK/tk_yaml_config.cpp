#include "TK/tk_yaml_config.h"

#include <fstream>

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

unsigned long utf16_key(wchar_t c) {
    const auto u = static_cast<unsigned long>(c);
    if (u >= 0xE000 && u <= 0xFFFF) return u + 0x200000;
    return u;
}

}  // namespace

bool tk_utf16_less::operator()(const std::wstring& a, const std::wstring& b) const noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) return utf16_key(a[i]) < utf16_key(b[i]);
    }
    return a.size() < b.size();
}

bool tk_yaml_config::load(const std::string& path, const std::set<std::wstring>& deny) {
    tk_log(2, "tk_yaml_config::load(%s)", path.c_str());
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;

    std::wstring key;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        tk_log(1, "Got text line: %s", line.c_str());
        const std::string trimmed = tk_trim(line);
        if (trimmed.empty()) {
            tk_log(1, "Skip empty line");
            continue;
        }
        if (trimmed.back() == ':') {
            key = tk_to_unicode(trimmed.substr(0, trimmed.size() - 1));
            continue;
        }
        if (trimmed.front() != '-') continue;
        const std::wstring item = tk_to_unicode(tk_trim(trimmed.substr(1)));
        if (deny.count(item) != 0) {
            tk_wlog(1, L"String '%s' has not passed the filter", item.c_str());
            continue;
        }
        (*this)[key].push_back(item);
        tk_wlog(1, L"String '%s' has been stored under key='%s'", item.c_str(), key.c_str());
    }
    // A path that opens but cannot be read (a directory, an I/O error) was not read to its end.
    return !in.bad();
}
