// Internal to the variant module: the narrowing and widening between wide text and the ANSI code
// page that every text form of a value goes through.  Both work on explicit lengths, so embedded
// NULs survive; both answer false (out cleared) when the code page cannot carry the text.
#pragma once

#include <climits>
#include <cstddef>
#include <string>

#include "platform/win/win_codepage.h"

inline bool ole_narrow(const wchar_t* text, std::size_t len, UINT code_page, std::string& out) {
    out.clear();
    if (len == 0) return true;
    if (!text || len > static_cast<std::size_t>(INT_MAX / 4)) return false;
    int n = static_cast<int>(len);
    int need = WideCharToMultiByte(code_page, 0, text, n, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return false;
    out.resize(static_cast<std::size_t>(need));
    int got = WideCharToMultiByte(code_page, 0, text, n, out.data(), need, nullptr, nullptr);
    if (got <= 0) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(got));
    return true;
}

inline bool ole_widen(const char* text, std::size_t len, UINT code_page, std::wstring& out) {
    out.clear();
    if (len == 0) return true;
    if (!text || len > static_cast<std::size_t>(INT_MAX)) return false;
    int n = static_cast<int>(len);
    int need = MultiByteToWideChar(code_page, 0, text, n, nullptr, 0);
    if (need <= 0) return false;
    out.resize(static_cast<std::size_t>(need));
    int got = MultiByteToWideChar(code_page, 0, text, n, out.data(), need);
    if (got <= 0) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(got));
    return true;
}

inline std::string ole_narrow(const std::wstring& text, UINT code_page, bool& ok) {
    std::string out;
    ok = ole_narrow(text.data(), text.size(), code_page, out);
    return out;
}

inline std::wstring ole_widen(const std::string& text, UINT code_page, bool& ok) {
    std::wstring out;
    ok = ole_widen(text.data(), text.size(), code_page, out);
    return out;
}
