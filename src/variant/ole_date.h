// ole_date: one date-time parsed from the textual forms dates reach the system in, with its kind
// (0 invalid, 1 date-time, 2 date only, 3 time only), printed back in the MySQL forms.
//
// Parsing never raises: text that no form accepts is kind 0, invalid, and prints as the empty
// text.  A year below 100 printed with month and day set is read as a two-digit year (below 50
// 20xx, else 19xx) only when the parsed text wrote the year with at most two digits; a value
// built from a SYSTEMTIME, or parsed with a longer year, keeps its year.
//
// Thread-safety: a plain value; no shared state.
#pragma once

#include <string>

#include "platform/oleaut/oleaut.h"

class ole_variant;

class ole_date {
public:
    enum kind_t { invalid = 0, date_time = 1, date_only = 2, time_only = 3 };

    // Kind 1 with the time copied, then refined (kind 2 at midnight, kind 3 without a date).
    explicit ole_date(const SYSTEMTIME& time);
    // Parses the text (ANSI code page); kind 0 when no form accepts it.
    explicit ole_date(const std::string& text);
    explicit ole_date(const char* text);
    // The text narrowed to the ANSI code page, then parsed.
    explicit ole_date(const std::wstring& text);

    bool is_valid() const;
    // True when the parse read every part the text gave into the value: no text left over, no
    // fraction digits beyond the milliseconds a value keeps.  A value from a SYSTEMTIME is exact.
    bool is_exact() const noexcept { return m_exact; }
    // A VT_DATE value of the broken-down time.
    ole_variant to_variant() const;
    // "yyyy-mm-dd[ hh:mm:ss[.mmm]]", "yyyy-mm-dd" or the time ("hh:mm:ss" wide,
    // "0000-00-00 hh:mm:ss" narrow); the empty text when invalid.
    std::wstring to_wstring(bool allow_milliseconds) const;
    std::string to_string(bool allow_milliseconds) const;

    int kind() const noexcept { return m_kind; }
    const SYSTEMTIME& systemtime() const noexcept { return m_time; }
    bool midnight_as_date() const noexcept { return m_midnight_as_date; }
    void set_midnight_as_date(bool value) noexcept { m_midnight_as_date = value; }

    // Steps of the parse, public for the date statistics and tests.
    bool import_from_string(const std::string& text);
    // Seconds and milliseconds from the rest of a time text; null raises tk_mail_assertion
    // ("ole_date", 422).
    void process_milliseconds(const char* seconds);
    void refine_type();

private:
    void parse(const std::string& text);
    // The text printed with the two-digit-year window applied when the year was written short.
    std::string format(bool allow_milliseconds, bool narrow) const;
    // The broken-down time with that window applied.
    SYSTEMTIME effective_systemtime() const;

    bool m_midnight_as_date = true;
    int m_kind = invalid;
    SYSTEMTIME m_time{};
    bool m_short_year = false;
    bool m_exact = true;
};
