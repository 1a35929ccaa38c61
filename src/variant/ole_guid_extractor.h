// ole_guid_extractor: finds a GUID written after the word "guid" or "GUID" in a text and gives it
// braced (38 characters) or as its 32 hexadecimal digits.  Nothing raises: a text without a GUID
// gives the empty texts.  A plain value; no shared state.
#pragma once

#include <string>

class ole_guid_extractor {
public:
    explicit ole_guid_extractor(const std::wstring& text);
    // The text widened from the ANSI code page first.
    explicit ole_guid_extractor(const std::string& text);

    bool found() const noexcept { return m_found; }
    int start() const noexcept { return m_start; }
    // The 38 characters from the start ("{...}"), or the empty text.
    std::wstring get_wstring() const;
    // The same in the ANSI code page.
    std::string get_string() const;
    // The 32 hexadecimal digits without braces and dashes, or the empty text.
    std::wstring get_hex() const;

private:
    void locate();

    int m_start = -1;
    std::wstring m_text;
    bool m_found = false;
};
