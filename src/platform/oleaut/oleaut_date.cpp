// DATE: days since 1899-12-30 with the time of day as the fraction.  Before that day the
// fraction's sign follows the day part (-1.25 is 1899-12-29 06:00), so the time of day is always
// the absolute fraction.
#include <cmath>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/oleaut/oleaut.h"

namespace {

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civil_from_days(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool leap(unsigned y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned days_in_month(unsigned y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

const std::int64_t epoch = days_from_civil(1899, 12, 30);
// 0100-01-01 and the day after 9999-12-31, as DATE day numbers.
const double min_date = static_cast<double>(days_from_civil(100, 1, 1) - epoch);
const double max_date = static_cast<double>(days_from_civil(10000, 1, 1) - epoch);

bool encode(unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s, DATE* out) {
    if (y < 100 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > days_in_month(y, mo) || h > 23 ||
        mi > 59 || s > 59)
        return false;
    double days = static_cast<double>(days_from_civil(y, mo, d) - epoch);
    double t = (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    *out = days >= 0 ? days + t : days - t;
    return true;
}

// ---- VarDateFromStr ----

struct token {
    enum kind_t { number, word, sep } kind;
    std::wstring text;
    wchar_t sep_char = 0;
};

int month_of(const std::wstring& word) {
    static const wchar_t* names[] = {L"JANUARY",   L"FEBRUARY", L"MARCH",    L"APRIL",
                                     L"MAY",       L"JUNE",     L"JULY",     L"AUGUST",
                                     L"SEPTEMBER", L"OCTOBER",  L"NOVEMBER", L"DECEMBER"};
    if (word.size() < 3) return 0;
    for (int i = 0; i < 12; ++i) {
        std::wstring name = names[i];
        if (word.size() <= name.size() && name.compare(0, word.size(), word) == 0) return i + 1;
    }
    if (word == L"SEPT") return 9;
    return 0;
}

std::vector<token> tokenize(const wchar_t* text) {
    std::vector<token> out;
    for (const wchar_t* p = text; *p;) {
        wchar_t c = *p;
        if (c >= L'0' && c <= L'9') {
            token t{token::number, L""};
            while (*p >= L'0' && *p <= L'9') t.text.push_back(*p++);
            out.push_back(t);
        } else if (std::iswalpha(static_cast<wint_t>(c))) {
            token t{token::word, L""};
            while (std::iswalpha(static_cast<wint_t>(*p)))
                t.text.push_back(static_cast<wchar_t>(std::towupper(static_cast<wint_t>(*p++))));
            out.push_back(t);
        } else {
            token t{token::sep, L""};
            t.sep_char = c == L'\t' ? L' ' : c;
            out.push_back(t);
            ++p;
        }
    }
    return out;
}

bool small_number(const std::wstring& digits, unsigned& value) {
    if (digits.empty() || digits.size() > 5) return false;
    value = 0;
    for (wchar_t c : digits) value = value * 10 + static_cast<unsigned>(c - L'0');
    return true;
}

unsigned expand_year(const std::wstring& digits, unsigned year) {
    if (digits.size() <= 2) return year < 30 ? 2000 + year : 1900 + year;
    return year;
}

}  // namespace

BOOL SystemTimeToVariantTime(const SYSTEMTIME* time, DATE* result) {
    if (!time || !result) return FALSE;
    return encode(time->wYear, time->wMonth, time->wDay, time->wHour, time->wMinute, time->wSecond,
                  result)
               ? TRUE
               : FALSE;
}

BOOL VariantTimeToSystemTime(DATE value, SYSTEMTIME* result) {
    if (!result || !std::isfinite(value) || value < min_date || value >= max_date) return FALSE;
    double day_part = std::trunc(value);
    std::int64_t days = static_cast<std::int64_t>(day_part);
    std::int64_t secs = std::llround(std::fabs(value - day_part) * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        ++days;
    }
    std::int64_t z = days + epoch;
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    civil_from_days(z, y, m, d);
    if (y > 9999) return FALSE;
    result->wYear = static_cast<WORD>(y);
    result->wMonth = static_cast<WORD>(m);
    result->wDay = static_cast<WORD>(d);
    result->wDayOfWeek = static_cast<WORD>(z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6);
    result->wHour = static_cast<WORD>(secs / 3600);
    result->wMinute = static_cast<WORD>(secs / 60 % 60);
    result->wSecond = static_cast<WORD>(secs % 60);
    result->wMilliseconds = 0;
    return TRUE;
}

HRESULT VarDateFromStr(const OLECHAR* text, LCID, DWORD, DATE* result) {
    if (!text || !result) return E_INVALIDARG;
    std::vector<token> toks = tokenize(text);

    // The time: the numbers joined by ':' (and a '.' fraction after the seconds), then AM/PM.
    unsigned hour = 0, minute = 0, second = 0;
    bool have_time = false;
    int meridiem = 0;  // 1 AM, 2 PM
    std::vector<token> rest;
    for (std::size_t i = 0; i < toks.size(); ++i) {
        const token& t = toks[i];
        if (!have_time && t.kind == token::number && i + 2 < toks.size() &&
            toks[i + 1].kind == token::sep && toks[i + 1].sep_char == L':' &&
            toks[i + 2].kind == token::number) {
            if (!small_number(t.text, hour) || !small_number(toks[i + 2].text, minute))
                return DISP_E_TYPEMISMATCH;
            i += 2;
            if (i + 2 < toks.size() && toks[i + 1].kind == token::sep &&
                toks[i + 1].sep_char == L':' && toks[i + 2].kind == token::number) {
                if (!small_number(toks[i + 2].text, second)) return DISP_E_TYPEMISMATCH;
                i += 2;
                if (i + 2 < toks.size() && toks[i + 1].kind == token::sep &&
                    toks[i + 1].sep_char == L'.' && toks[i + 2].kind == token::number) {
                    i += 2;  // DATE keeps whole seconds; the fraction is dropped
                }
            }
            have_time = true;
            continue;
        }
        if (t.kind == token::word && (t.text == L"AM" || t.text == L"PM")) {
            if (!have_time || meridiem) return DISP_E_TYPEMISMATCH;
            meridiem = t.text == L"AM" ? 1 : 2;
            continue;
        }
        if (t.kind == token::word && t.text == L"T") continue;  // ISO joint of date and time
        rest.push_back(t);
    }
    if (meridiem) {
        if (hour < 1 || hour > 12) return DISP_E_TYPEMISMATCH;
        if (meridiem == 1 && hour == 12) hour = 0;
        if (meridiem == 2 && hour < 12) hour += 12;
    }

    // The date: three numbers, or two numbers and a month name.
    std::vector<std::wstring> numbers;
    int month_word = 0;
    bool month_first = false;
    for (const token& t : rest) {
        if (t.kind == token::number) {
            numbers.push_back(t.text);
        } else if (t.kind == token::word) {
            int m = month_of(t.text);
            if (!m || month_word) return DISP_E_TYPEMISMATCH;
            month_word = m;
            month_first = numbers.empty();
        } else if (t.sep_char != L' ' && t.sep_char != L'-' && t.sep_char != L'/' &&
                   t.sep_char != L'.' && t.sep_char != L',') {
            return DISP_E_TYPEMISMATCH;
        }
    }
    unsigned y = 1899, mo = 12, d = 30;
    if (numbers.empty() && !month_word) {
        if (!have_time) return DISP_E_TYPEMISMATCH;
    } else if (month_word) {
        if (numbers.size() != 2) return DISP_E_TYPEMISMATCH;
        unsigned a = 0, b = 0;
        if (!small_number(numbers[0], a) || !small_number(numbers[1], b))
            return DISP_E_TYPEMISMATCH;
        mo = static_cast<unsigned>(month_word);
        // "Jan 31 2024", "31 Jan 2024", "31-JAN-24": the day comes first among the numbers
        // unless that number is written as a year.
        if (numbers[0].size() >= 3 || (month_first && a > 31)) {
            y = expand_year(numbers[0], a);
            d = b;
        } else {
            d = a;
            y = expand_year(numbers[1], b);
        }
    } else {
        if (numbers.size() != 3) return DISP_E_TYPEMISMATCH;
        unsigned a = 0, b = 0, c = 0;
        if (!small_number(numbers[0], a) || !small_number(numbers[1], b) ||
            !small_number(numbers[2], c))
            return DISP_E_TYPEMISMATCH;
        if (numbers[0].size() >= 3) {  // year first
            y = a;
            mo = b;
            d = c;
        } else {  // month first; a first number above 12 can only be the day
            mo = a;
            d = b;
            if (mo > 12 && d <= 12) std::swap(mo, d);
            y = expand_year(numbers[2], c);
        }
    }
    DATE out = 0;
    if (!encode(y, mo, d, hour, minute, second, &out)) return DISP_E_TYPEMISMATCH;
    *result = out;
    return S_OK;
}
