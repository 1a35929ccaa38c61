#include "variant/ole_date.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "variant/ole_codepage.h"
#include "variant/ole_variant.h"

namespace {

// The digit count of the n-th run of digits in the text (0 when there are fewer runs).
std::size_t digit_run_length(const std::string& text, int n) {
    std::size_t i = 0;
    for (int run = 0; i < text.size(); ++run) {
        while (i < text.size() && !std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        if (run == n) return i - start;
    }
    return 0;
}

// True when nothing but blanks follows position `at` of the text.
bool only_blanks_from(const std::string& text, int at) {
    if (at < 0) return false;
    for (std::size_t i = static_cast<std::size_t>(at); i < text.size(); ++i)
        if (!std::isspace(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

// The ISO form's 'T' between a date and its time read as the blank of the other forms.
std::string with_blank_before_time(std::string text) {
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if ((text[i] == 'T' || text[i] == 't') &&
            std::isdigit(static_cast<unsigned char>(text[i - 1])) &&
            std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
            text[i] = ' ';
            break;
        }
    }
    return text;
}

WORD window_year(const SYSTEMTIME& t) {
    return static_cast<WORD>(t.wYear < 50 ? 2000 + t.wYear : 1900 + t.wYear);
}

}  // namespace

ole_date::ole_date(const SYSTEMTIME& time) {
    tk_log(1, "ole_date::ole_date(SYSTEMTIME)");
    m_kind = date_time;
    m_time = time;
    refine_type();
}

ole_date::ole_date(const std::string& text) {
    tk_log(1, "ole_date::ole_date('%s')", text.c_str());
    parse(text);
}

ole_date::ole_date(const char* text) : ole_date(std::string(text ? text : "")) {}

ole_date::ole_date(const std::wstring& text) {
    std::string narrow;
    if (!ole_narrow(text.data(), text.size(), CP_THREAD_ACP, narrow)) narrow.clear();
    tk_log(1, "ole_date::ole_date('%s')", narrow.c_str());
    parse(narrow);
}

void ole_date::parse(const std::string& text) {
    m_kind = invalid;
    m_time = SYSTEMTIME{};
    m_short_year = false;
    m_exact = true;
    std::string buf = with_blank_before_time(tk_trim(text));
    tk_log(1, "After tk_trim: %s", buf.c_str());
    for (const char* marker : {"AM", "PM", "am", "pm"}) {
        std::size_t pos = buf.find(marker);
        if (pos != std::string::npos) {
            buf = tk_trim(buf.substr(0, pos));
            break;
        }
    }
    tk_log(1, "Again buf1=%s", buf.c_str());
    if (buf.size() <= 4) {
        tk_log(2, "Invalid date/time format: '%s'", buf.c_str());
        return;
    }
    import_from_string(buf);
    if (m_kind == date_time || m_kind == date_only) {
        if (m_time.wDay > 31 && m_time.wYear < 32) {
            std::swap(m_time.wDay, m_time.wYear);
            m_short_year = digit_run_length(buf, 2) <= 2;
        }
    }
    if (m_kind != invalid &&
        (text.find("PM") != std::string::npos || text.find("pm") != std::string::npos) &&
        m_time.wHour <= 11)
        m_time.wHour = static_cast<WORD>(m_time.wHour + 12);
}

bool ole_date::import_from_string(const std::string& text) {
    tk_log(1, "ole_date::import_from_string");
    const char* s = text.c_str();
    if (text.size() == 14) {
        tk_log(1, "Trying timestamp format (1)...");
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
        if (std::sscanf(s, "%4d%02d%02d%02d%02d%02d", &y, &mo, &d, &h, &mi, &se) == 6) {
            m_time.wYear = static_cast<WORD>(y);
            m_time.wMonth = static_cast<WORD>(mo);
            m_time.wDay = static_cast<WORD>(d);
            m_time.wHour = static_cast<WORD>(h);
            m_time.wMinute = static_cast<WORD>(mi);
            m_time.wSecond = static_cast<WORD>(se);
            m_kind = date_time;
            if (is_valid()) return true;
        }
        m_time = SYSTEMTIME{};
    }
    if (text.size() == 8) {
        tk_log(1, "Trying timestamp format (2)...");
        int y = 0, mo = 0, d = 0;
        if (std::sscanf(s, "%4d%02d%02d", &y, &mo, &d) == 3) {
            m_time.wYear = static_cast<WORD>(y);
            m_time.wMonth = static_cast<WORD>(mo);
            m_time.wDay = static_cast<WORD>(d);
            m_kind = date_only;
            if (is_valid()) return true;
        }
        m_time = SYSTEMTIME{};
    }

    // The seconds text can be as long as the whole text; a date cell's text fits the stack.
    char small[64];
    std::vector<char> large;
    char* rest = small;
    if (text.size() >= sizeof small) {
        large.resize(text.size() + 1);
        rest = large.data();
    }
    {
        tk_log(1, "Trying pure time format...");
        short h = 0, mi = 0;
        int end = -1;
        int items = std::sscanf(s, "%hd:%hd:%s%n", &h, &mi, rest, &end);
        if (items == 3 || items == 2) {
            m_time.wHour = static_cast<WORD>(h);
            m_time.wMinute = static_cast<WORD>(mi);
            m_kind = time_only;
            if (items == 3) {
                m_exact = only_blanks_from(text, end);
                if (is_valid()) process_milliseconds(rest);
                return true;
            }
            end = -1;
            std::sscanf(s, "%*d:%*d%n", &end);
            m_exact = only_blanks_from(text, end);
            if (is_valid()) return true;
            m_exact = true;
        }
        m_time = SYSTEMTIME{};
    }

    static const char* const forms[] = {"%hd-%hd-%hd %hd:%hd:%s%n", "%hd/%hd/%hd %hd:%hd:%s%n",
                                        "%hd.%hd.%hd %hd:%hd:%s%n"};
    static const char* const date_forms[] = {"%*d-%*d-%*d%n", "%*d/%*d/%*d%n", "%*d.%*d.%*d%n"};
    for (int i = 0; i < 3; ++i) {
        tk_log(1, "Trying datetime format #%d", i);
        short y = 0, mo = 0, d = 0, h = 0, mi = 0;
        rest[0] = '\0';
        int end = -1;
        int items = std::sscanf(s, forms[i], &y, &mo, &d, &h, &mi, rest, &end);
        if (items == 3) {
            end = -1;
            std::sscanf(s, date_forms[i], &end);
        }
        m_exact = only_blanks_from(text, end);
        if (items == 3 || items == 6) {
            m_time.wYear = static_cast<WORD>(y);
            m_time.wMonth = static_cast<WORD>(mo);
            m_time.wDay = static_cast<WORD>(d);
            // The two-digit-year window of printing belongs to years written with two digits.
            m_short_year = digit_run_length(text, 0) <= 2;
            if (items == 3) {
                m_kind = date_only;
                if (is_valid()) {
                    tk_log(1, "Format #%d succeeded (3 items)", i);
                    return true;
                }
            } else {
                m_time.wHour = static_cast<WORD>(h);
                m_time.wMinute = static_cast<WORD>(mi);
                m_kind = date_time;
                // An invalid match ("1/31/2024 10:20:30" read year first) is left to the
                // later forms, as a three-item match is, instead of ending the parse invalid.
                if (is_valid()) {
                    process_milliseconds(rest);
                    refine_type();
                    tk_log(1, "Format #%d succeeded (6 items)", i);
                    return true;
                }
            }
        }
        m_time = SYSTEMTIME{};
        m_short_year = false;
        m_exact = true;
    }

    bool ok = false;
    std::wstring wide;
    if (ole_widen(text.data(), text.size(), CP_ACP, wide)) {
        DATE date = 0;
        // The neutral locale: month first, '.' decimal point.
        if (SUCCEEDED(VarDateFromStr(wide.c_str(), OLE_LCID_ENGLISH_US, 0, &date)) &&
            VariantTimeToSystemTime(date, &m_time)) {
            m_time.wDayOfWeek = 0;
            m_kind = date_time;
            refine_type();
            tk_log(1, "Got datetime using Microsoft API");
            ok = true;
        }
    }
    if (!ok) {
        m_time = SYSTEMTIME{};
        m_kind = invalid;
        tk_log(2, "Invalid date/time format: '%s'", text.c_str());
    }
    return ok;
}

void ole_date::process_milliseconds(const char* seconds) {
    tk_log(1, "ole_date::process_milliseconds");
    if (!seconds) throw tk_mail_assertion("ole_date", 422);
    tk_log(1, "Got row sec: '%s'", seconds);
    // The whole part and the first three fraction digits, read from the text itself: a round
    // trip through a binary real would turn ".29" into 289 milliseconds.
    const char* p = seconds;
    while (*p == ' ' || *p == '\t') ++p;
    bool neg = false;
    if (*p == '+' || *p == '-') neg = *p++ == '-';
    long whole = 0;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        if (whole < 100000) whole = whole * 10 + (*p - '0');
        ++p;
    }
    int ms = 0;
    if (*p == '.') {
        ++p;
        for (int i = 0; i < 3; ++i) {
            ms *= 10;
            if (std::isdigit(static_cast<unsigned char>(*p))) ms += *p++ - '0';
        }
        // Digits beyond the milliseconds are read past; a value keeps them only when zero.
        for (; std::isdigit(static_cast<unsigned char>(*p)); ++p)
            if (*p != '0') m_exact = false;
    }
    if (*p != '\0') m_exact = false;
    if (neg) {
        whole = -whole;
        ms = -ms;
    }
    m_time.wSecond = static_cast<WORD>(whole);
    m_time.wMilliseconds = static_cast<WORD>(ms);
    tk_log(1, "Got sec: %d", static_cast<int>(m_time.wSecond));
    tk_log(1, "Got msec: %d", static_cast<int>(m_time.wMilliseconds));
}

void ole_date::refine_type() {
    const SYSTEMTIME& t = m_time;
    tk_log(1, "ole_date::refine_type(%d,%d,%d,%d,%d,%d)", t.wYear, t.wMonth, t.wDay, t.wHour,
           t.wMinute, t.wSecond);
    if (t.wDay == 0 && t.wMonth == 0 && t.wYear == 0)
        m_kind = time_only;
    else if (t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0 && t.wMilliseconds == 0 && t.wDay &&
             t.wMonth && t.wYear)
        m_kind = date_only;
}

bool ole_date::is_valid() const {
    tk_log(1, "ole_date::is_valid");
    if (m_kind == invalid) return false;
    const SYSTEMTIME& t = m_time;
    if (t.wDay == 0 && t.wMonth == 0 && t.wYear == 0) {
        tk_log(1, "DATETIME is a pute time");
    } else {
        if (t.wMonth < 1 || t.wMonth > 12) {
            tk_log(1, "Invalid month");
            return false;
        }
        if (t.wDay == 0 || t.wYear == 0 || (t.wDay > 31 && t.wYear > 31)) {
            tk_log(1, "Invalid day and/or year");
            return false;
        }
    }
    if (t.wHour > 60 || t.wMinute > 60 || t.wSecond > 60) {
        tk_log(1, "Invalid time");
        return false;
    }
    return true;
}

SYSTEMTIME ole_date::effective_systemtime() const {
    SYSTEMTIME t = m_time;
    if (m_short_year && t.wYear < 100 && t.wMonth && t.wDay) t.wYear = window_year(t);
    return t;
}

ole_variant ole_date::to_variant() const {
    tk_log(1, "ole_date::to_variant");
    return ole_variant(effective_systemtime());
}

std::string ole_date::format(bool allow_milliseconds, bool narrow) const {
    const SYSTEMTIME t = effective_systemtime();
    char buf[64];
    switch (m_kind) {
        case date_time:
            tk_log(1, "printing datetime...");
            // A fraction of a second past midnight is a time of day still.
            if (t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0 &&
                (t.wMilliseconds == 0 || !allow_milliseconds) && m_midnight_as_date) {
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
            } else if (t.wMilliseconds != 0 && allow_milliseconds) {
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear,
                              t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
            } else {
                std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth,
                              t.wDay, t.wHour, t.wMinute, t.wSecond);
            }
            return buf;
        case date_only:
            tk_log(1, "printing date...");
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
            return buf;
        case time_only: {
            tk_log(1, "printing time...");
            int n = std::snprintf(buf, sizeof buf,
                                  narrow ? "0000-00-00 %02d:%02d:%02d" : "%02d:%02d:%02d", t.wHour,
                                  t.wMinute, t.wSecond);
            if (t.wMilliseconds != 0)
                std::snprintf(buf + n, sizeof buf - static_cast<std::size_t>(n), ".%03d",
                              t.wMilliseconds);
            return buf;
        }
        default:
            return std::string();
    }
}

std::wstring ole_date::to_wstring(bool allow_milliseconds) const {
    tk_log(1, "ole_date::to_wstring");
    std::string text = format(allow_milliseconds, false);
    return std::wstring(text.begin(), text.end());
}

std::string ole_date::to_string(bool allow_milliseconds) const {
    tk_log(1, "ole_date::to_string");
    return format(allow_milliseconds, true);
}
