// tk_wstring: a wide std::wstring with in-place replacement, splitting and upper-casing.  Not
// thread-safe (like the string).
#pragma once

#include <string>
#include <vector>

class tk_wstring : public std::wstring {
public:
    using std::wstring::wstring;
    tk_wstring() = default;
    tk_wstring(const std::wstring& s) : std::wstring(s) {}        // NOLINT: converts like the base
    tk_wstring(std::wstring&& s) : std::wstring(std::move(s)) {}  // NOLINT

    // Replaces every occurrence of what, left to right, never searching an inserted replacement
    // again; an empty what changes nothing.  Answers a copy of the result.  Never fails.
    tk_wstring replace_all(const std::wstring& what, const std::wstring& with);
    // Replaces tokens with tk_split of the string at separator; answers true.
    bool split(std::vector<std::wstring>& tokens, wchar_t separator) const;
    // Upper-cases the string itself (all of Unicode) and answers a copy.  Never fails.
    tk_wstring to_upper();
};
