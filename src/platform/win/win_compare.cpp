#include "platform/win/win_compare.h"

#include <locale.h>
#include <wctype.h>

namespace {

// The process's own locale may be "C", whose tables know only ASCII; the C.UTF-8 tables carry
// the Unicode classes and case mappings and are always installed with the C library.
locale_t unicode_locale() {
    static const locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        if (!l) l = newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(0));
        if (!l) l = duplocale(LC_GLOBAL_LOCALE);
        return l;
    }();
    return loc;
}

}  // namespace

wchar_t win_to_upper(wchar_t c) noexcept {
    if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), unicode_locale()));
}

wchar_t win_to_lower(wchar_t c) noexcept {
    if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
    return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), unicode_locale()));
}

wchar_t win_fold_case(wchar_t c) noexcept {
    return win_to_lower(win_to_upper(c));
}

int win_compare_ignore_case(std::wstring_view a, std::wstring_view b) noexcept {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        wchar_t fa = win_fold_case(a[i]);
        wchar_t fb = win_fold_case(b[i]);
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool win_equal_ignore_case(std::wstring_view a, std::wstring_view b) noexcept {
    return a.size() == b.size() && win_compare_ignore_case(a, b) == 0;
}

BOOL IsCharAlphaW(wchar_t c) noexcept {
    return iswalpha_l(static_cast<wint_t>(c), unicode_locale()) ? TRUE : FALSE;
}

BOOL IsCharAlphaNumericW(wchar_t c) noexcept {
    return iswalnum_l(static_cast<wint_t>(c), unicode_locale()) ? TRUE : FALSE;
}
