// Locale-neutral comparison of names ignoring case, and the letter and digit tests, over all of
// Unicode (not only ASCII): names of tables and columns may be written in any script.
//
// Case is folded with the Unicode simple case mappings of the C.UTF-8 locale, whatever the
// process's own locale is.  Ordering is by folded code point, which is stable but not a
// linguistic collation.  Thread-safe.
#pragma once

#include <string_view>

#include "platform/win/win_types.h"

// Compares ignoring case; answers <0, 0 or >0 like a compare.  Never fails.
int win_compare_ignore_case(std::wstring_view a, std::wstring_view b) noexcept;
// True when both texts are equal ignoring case.  Never fails.
bool win_equal_ignore_case(std::wstring_view a, std::wstring_view b) noexcept;
// The character folded for comparison (lower case of its upper case).  Never fails.
wchar_t win_fold_case(wchar_t c) noexcept;
// The upper case of a character (itself when it has none).  Never fails.
wchar_t win_to_upper(wchar_t c) noexcept;
// The lower case of a character (itself when it has none).  Never fails.
wchar_t win_to_lower(wchar_t c) noexcept;

// True when the character is a letter of any script.  Never fails.
BOOL IsCharAlphaW(wchar_t c) noexcept;
// True when the character is a letter or a digit of any script.  Never fails.
BOOL IsCharAlphaNumericW(wchar_t c) noexcept;
