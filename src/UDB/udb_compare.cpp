#include "UDB/udb_compare.h"

#include "platform/win/win_compare.h"

bool udb_equal_nocase(const std::wstring& a, const std::wstring& b) {
    return win_equal_ignore_case(a, b);
}

namespace {

// The sort key of one character in UTF-16 code-unit order.
unsigned long utf16_key(wchar_t c) {
    const auto u = static_cast<unsigned long>(c);
    if (u >= 0xE000 && u <= 0xFFFF) return u + 0x200000;
    return u;
}

}  // namespace

bool udb_utf16_less::operator()(const std::wstring& a, const std::wstring& b) const noexcept {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) return utf16_key(a[i]) < utf16_key(b[i]);
    }
    return a.size() < b.size();
}
