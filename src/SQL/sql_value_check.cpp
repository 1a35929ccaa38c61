#include "SQL/sql_value_check.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cwctype>
#include <vector>

#include "SQL/sql_errors.h"
#include "SQL/sql_util.h"
#include "TK/tk_utils.h"
#include "UDB/t_ftd.h"
#include "platform/win/win_codepage.h"

namespace {

constexpr unsigned int k_cannot_be_null = k_mysql_bad_null;
constexpr unsigned int k_out_of_range = k_mysql_out_of_range;
constexpr unsigned int k_truncated = k_mysql_data_truncated;
constexpr unsigned int k_incorrect_value = k_mysql_incorrect_value;
// The bytes of a bad character the server shows in its message, at most.
constexpr std::size_t k_shown_bytes = 6;
// TIMESTAMP holds the seconds from 1970-01-01 00:00:01 to 2038-01-19 03:14:07 UTC.
constexpr long long k_timestamp_last = 2147483647LL;

struct charset_page {
    const wchar_t* name;
    unsigned int code_page;
};

// The byte sets a column may be created in, by the code page that holds the same characters.
// The Unicode sets hold everything; a set not listed is not checked rather than guessed.
constexpr charset_page k_charset_pages[] = {
    {L"latin1", 1252},  {L"latin2", 28592}, {L"latin5", 28599}, {L"greek", 28597},
    {L"hebrew", 28598}, {L"ascii", 20127},  {L"cp1250", 1250},  {L"cp1251", 1251},
    {L"cp1256", 1256},  {L"cp1257", 1257},  {L"cp850", 850},    {L"cp852", 852},
    {L"cp866", 866},    {L"sjis", 932},     {L"cp932", 932},    {L"gbk", 936},
    {L"gb2312", 936},   {L"big5", 950},     {L"euckr", 949},
};

unsigned int code_page_of(const std::wstring& charset) {
    std::wstring lower;
    for (wchar_t c : charset) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
    for (const auto& entry : k_charset_pages)
        if (lower == entry.name) return entry.code_page;
    return 0;
}

// A hexadecimal digit's value; the writer gives only digits and capitals or small letters.
unsigned hex_digit(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return 0;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A number written as digits with an optional sign and decimal point and no exponent: the form
// the writer gives every NUMBER, DATE part and key.  Read here without the C library's long
// double reading and printing, which cost more than the rest of a cell.
struct plain_number {
    bool negative = false;
    std::string_view whole;  // leading zeros dropped
    std::string_view fraction;
};

bool read_plain(std::string_view text, plain_number& out) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '-' || text[i] == '+')) out.negative = text[i++] == '-';
    std::size_t whole = i;
    while (i < n && is_digit(text[i])) ++i;
    const std::size_t whole_end = i;
    std::size_t fraction = i;
    if (i < n && text[i] == '.') {
        fraction = ++i;
        while (i < n && is_digit(text[i])) ++i;
    }
    if (i != n || (whole_end == whole && i == fraction)) return false;
    while (whole < whole_end && text[whole] == '0') ++whole;
    out.whole = text.substr(whole, whole_end - whole);
    out.fraction = text.substr(fraction, i - fraction);
    return true;
}

// A plain number followed by a decimal exponent ("3.5e+05"), the form of every DOUBLE.
bool read_plain_exponent(std::string_view text) {
    const std::size_t e = text.find_first_of("eE");
    if (e == std::string_view::npos) return false;
    plain_number mantissa;
    if (!read_plain(text.substr(0, e), mantissa)) return false;
    std::size_t i = e + 1;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (!is_digit(text[i])) return false;
    return true;
}

// Digits that fit a long long (at most 18).
long long digits_value(std::string_view digits) {
    long long value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    return value;
}

// Two digits at `at`, or -1.
int two_digits(std::string_view text, std::size_t at) {
    if (!is_digit(text[at]) || !is_digit(text[at + 1])) return -1;
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// Days from 1970-01-01 to a day of the proleptic Gregorian calendar; a day past its month's
// end runs on into the next, as timegm counts it.
long long days_from_civil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long of_era = year - era * 400;
    const long long of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long long days = of_era * 365 + of_era / 4 - of_era / 100 + of_year;
    return era * 146097 + days - 719468;
}

// The literal's value: `text` decoded, `quoted` for a string or hex literal; false for NULL.
bool decode(std::string_view literal, std::string& text, bool& quoted) {
    text.clear();
    quoted = false;
    if (literal == "NULL") return false;
    if (literal.size() >= 2 && literal[0] == '0' && (literal[1] == 'x' || literal[1] == 'X')) {
        quoted = true;
        text.reserve(literal.size() / 2);
        for (std::size_t i = 2; i + 1 < literal.size(); i += 2)
            text.push_back(
                static_cast<char>(hex_digit(literal[i]) << 4 | hex_digit(literal[i + 1])));
        return true;
    }
    if (literal.size() >= 2 && (literal[0] == '\'' || literal[0] == '"') &&
        literal.back() == literal[0]) {
        quoted = true;
        const char quote = literal[0];
        const std::size_t last = literal.size() - 1;
        // The runs between escapes go over whole: most texts have no escape at all.
        for (std::size_t i = 1; i < last; ++i) {
            std::size_t plain = i;
            while (plain < last && literal[plain] != '\\' && literal[plain] != quote) ++plain;
            text.append(literal.data() + i, plain - i);
            if (plain == last) break;
            i = plain;
            char c = literal[i];
            if (c == '\\' && i + 2 < literal.size()) {
                c = literal[++i];
                switch (c) {
                    case '0':
                        c = '\0';
                        break;
                    case 'n':
                        c = '\n';
                        break;
                    case 'r':
                        c = '\r';
                        break;
                    case 't':
                        c = '\t';
                        break;
                    case 'b':
                        c = '\b';
                        break;
                    case 'Z':
                        c = '\x1A';
                        break;
                    default:
                        break;
                }
            } else if (c == quote && i + 2 < literal.size() && literal[i + 1] == c) {
                ++i;
            }
            text.push_back(c);
        }
        return true;
    }
    text.assign(literal);
    return true;
}

std::size_t utf8_chars(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

// The first `chars` characters of UTF-8 text.
std::string utf8_prefix(const std::string& text, std::size_t chars) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == chars)
            return text.substr(0, i);
    }
    return text;
}

}  // namespace

sql_value_check::sql_value_check(const std::wstring& table, const t_ftd& column,
                                 const std::wstring& charset, bool not_null)
    : m_table(tk_to_utf8(table)),
      m_column(tk_to_utf8(column.name)),
      m_not_null(not_null && !column.b_auto_increment),
      m_code_page(code_page_of(charset)) {
    std::wstring type =
        column.native_type.empty() ? get_sql_native_type(column, false) : column.native_type;
    for (wchar_t& c : type) c = static_cast<wchar_t>(std::towupper(c));
    m_unsigned = type.find(L"UNSIGNED") != std::wstring::npos;
    const std::size_t open = type.find(L'(');
    std::wstring name = type.substr(0, std::min(open, type.find(L' ')));
    int first = 0, second = 0;
    if (open != std::wstring::npos) std::swscanf(type.c_str() + open, L"(%d,%d", &first, &second);

    struct integer_range {
        const wchar_t* name;
        long double min, max, umax;
    };
    static const integer_range integers[] = {
        {L"TINYINT", -128.0L, 127.0L, 255.0L},
        {L"SMALLINT", -32768.0L, 32767.0L, 65535.0L},
        {L"MEDIUMINT", -8388608.0L, 8388607.0L, 16777215.0L},
        {L"INT", -2147483648.0L, 2147483647.0L, 4294967295.0L},
        {L"INTEGER", -2147483648.0L, 2147483647.0L, 4294967295.0L},
        {L"BIGINT", -9223372036854775808.0L, 9223372036854775807.0L, 18446744073709551615.0L},
    };
    for (const auto& range : integers) {
        if (name != range.name) continue;
        m_kind = kind::integer;
        m_min = m_unsigned ? 0 : range.min;
        m_max = m_unsigned ? range.umax : range.max;
        return;
    }
    struct sized {
        const wchar_t* name;
        kind k;
        unsigned long long limit;
    };
    static const sized sizes[] = {
        {L"CHAR", kind::chars, 1},
        {L"VARCHAR", kind::chars, 0},
        {L"TINYTEXT", kind::text_bytes, 255},
        {L"TEXT", kind::text_bytes, 65535},
        {L"MEDIUMTEXT", kind::text_bytes, 16777215},
        {L"LONGTEXT", kind::text_bytes, 4294967295ULL},
        {L"BINARY", kind::binary, 1},
        {L"VARBINARY", kind::binary, 0},
        {L"TINYBLOB", kind::binary, 255},
        {L"BLOB", kind::binary, 65535},
        {L"MEDIUMBLOB", kind::binary, 16777215},
        {L"LONGBLOB", kind::binary, 4294967295ULL},
    };
    for (const auto& entry : sizes) {
        if (name != entry.name) continue;
        m_kind = entry.k;
        m_limit = open != std::wstring::npos ? static_cast<unsigned long long>(first) : entry.limit;
        return;
    }
    if (name == L"DECIMAL" || name == L"NUMERIC" || name == L"DEC") {
        m_kind = kind::decimal;
        m_precision = open != std::wstring::npos ? first : 10;
        m_scale = open != std::wstring::npos ? second : 0;
    } else if (name == L"FLOAT") {
        m_kind = kind::single;
    } else if (name == L"DOUBLE" || name == L"REAL") {
        m_kind = kind::real;
    } else if (name == L"DATE") {
        m_kind = kind::date;
    } else if (name == L"DATETIME") {
        m_kind = kind::datetime;
    } else if (name == L"TIMESTAMP") {
        m_kind = kind::timestamp;
    }
}

sql_value_check::verdict sql_value_check::truncated() const {
    return {k_truncated, "Data truncated for column '" + m_column + "'"};
}

sql_value_check::verdict sql_value_check::out_of_range() const {
    return {k_out_of_range, "Out of range value for column '" + m_column + "'"};
}

sql_value_check::verdict sql_value_check::incorrect(const char* what,
                                                    const std::string& text) const {
    return {k_incorrect_value, std::string("Incorrect ") + what + " value: '" + text +
                                   "' for column `" + m_table + "`.`" + m_column + "`"};
}

sql_value_check::verdict sql_value_check::check_hex(std::size_t bytes) const {
    if (m_kind != kind::binary) return {};
    return bytes <= m_limit ? verdict{} : truncated();
}

sql_value_check::verdict sql_value_check::check(std::string_view literal) const {
    std::string scratch;
    return check(literal, scratch);
}

sql_value_check::verdict sql_value_check::check(std::string_view literal, std::string& text) const {
    if (m_kind == kind::other && !m_not_null) return {};
    // A quoted text or binary no longer than the limit in bytes, in a set that holds every
    // character, fits whatever its characters: decoding only makes it shorter.
    if ((m_kind == kind::chars || m_kind == kind::text_bytes || m_kind == kind::binary) &&
        (m_code_page == 0 || m_kind == kind::binary) && literal.size() >= 2 &&
        literal.size() - 2 <= m_limit &&
        ((literal[0] == '\'' || literal[0] == '"') && literal.back() == literal[0]))
        return {};
    // A hex literal into a binary column is checked by its length alone, without decoding a
    // value that may run to megabytes.
    if (m_kind == kind::binary && literal.size() >= 2 && literal[0] == '0' &&
        (literal[1] == 'x' || literal[1] == 'X')) {
        return check_hex((literal.size() - 2) / 2);
    }
    bool quoted = false;
    if (!decode(literal, text, quoted)) return cannot_be_null();
    switch (m_kind) {
        case kind::integer:
        case kind::decimal:
        case kind::single:
        case kind::real:
            return check_number(text, quoted);
        case kind::date:
        case kind::datetime:
        case kind::timestamp:
            return check_date(text);
        case kind::chars:
        case kind::text_bytes:
        case kind::binary:
            return check_text(text);
        case kind::other:
            break;
    }
    return {};
}

sql_value_check::verdict sql_value_check::cannot_be_null() const {
    return m_not_null ? verdict{k_cannot_be_null, "Column '" + m_column + "' cannot be null"}
                      : verdict{};
}

sql_value_check::verdict sql_value_check::check(std::string_view literal,
                                                const sql_literal_facts& facts,
                                                std::string& scratch) const {
    using form = sql_literal_facts::form;
    if (m_kind == kind::other && !m_not_null) return {};
    const bool number_kind = m_kind == kind::integer || m_kind == kind::decimal ||
                             m_kind == kind::single || m_kind == kind::real;
    const bool date_kind =
        m_kind == kind::date || m_kind == kind::datetime || m_kind == kind::timestamp;
    const bool text_kind =
        m_kind == kind::chars || m_kind == kind::text_bytes || m_kind == kind::binary;
    switch (facts.what) {
        case form::null:
            return cannot_be_null();
        case form::number:
            if (number_kind) {
                std::string_view whole = literal.substr(facts.negative ? 1 : 0, facts.whole);
                while (!whole.empty() && whole[0] == '0') whole.remove_prefix(1);
                const std::string_view fraction =
                    literal.substr(literal.size() - facts.fraction, facts.fraction);
                bool decided = false;
                verdict v = check_plain_number(facts.negative, whole, fraction, decided);
                if (decided) return v;
            }
            break;
        case form::exponent:
            // A DOUBLE takes any number.
            if (m_kind == kind::real) return {};
            break;
        case form::date:
            if (date_kind)
                return check_date_fields(facts.year, facts.month, facts.day, facts.hour,
                                         facts.minute, facts.second, facts.time);
            break;
        case form::text:
            // Without escapes the text is the literal's inside.
            if (date_kind && facts.bytes + 2 == literal.size())
                return check_date(literal.substr(1, facts.bytes));
            if (text_kind) {
                // Characters beyond ASCII in a set that lacks some are for the general reading.
                if (m_kind != kind::binary && m_code_page != 0 && facts.chars != facts.bytes) break;
                if ((m_kind == kind::chars ? facts.chars : facts.bytes) <= m_limit) return {};
            }
            break;
        case form::unknown:
            break;
    }
    return check(literal, scratch);
}

sql_value_check::verdict sql_value_check::check_plain_number(bool negative, std::string_view whole,
                                                             std::string_view fraction,
                                                             bool& decided) const {
    decided = true;
    switch (m_kind) {
        case kind::integer:
            if (!fraction.empty() || whole.size() > 18) break;
            {
                const long double digits = static_cast<long double>(digits_value(whole));
                const long double value = negative ? -digits : digits;
                if (value < m_min || value > m_max) return out_of_range();
            }
            return {};
        case kind::decimal:
            return check_plain_decimal(negative, whole, fraction);
        case kind::single:
            // Fewer than 39 whole digits stay below FLT_MAX.
            if (whole.size() > 38) break;
            return {};
        default:
            return {};
    }
    decided = false;
    return {};
}

sql_value_check::verdict sql_value_check::check_number(const std::string& text, bool quoted) const {
    const char* what = m_kind == kind::integer   ? "integer"
                       : m_kind == kind::decimal ? "decimal"
                                                 : "double";
    const char* start = text.c_str();
    while (*start == ' ') ++start;
    const std::string_view number =
        std::string_view(text).substr(static_cast<std::size_t>(start - text.c_str()));
    // A DOUBLE takes any number: what matters is that it is one.
    if (m_kind == kind::real && read_plain_exponent(number)) return {};
    plain_number plain;
    if (read_plain(number, plain)) {
        bool decided = false;
        verdict v = check_plain_number(plain.negative, plain.whole, plain.fraction, decided);
        if (decided) return v;
    }
    char* end = nullptr;
    const long double value = std::strtold(start, &end);
    // strtold reads "inf" and "nan", which the server takes for no number at all.
    const bool letters =
        *start &&
        (std::isalpha(static_cast<unsigned char>(*start)) ||
         ((*start == '-' || *start == '+') && std::isalpha(static_cast<unsigned char>(start[1]))));
    if (end == start || letters) return incorrect(what, text);
    if (*end != '\0') return quoted ? truncated() : incorrect(what, text);
    switch (m_kind) {
        case kind::integer: {
            const long double rounded = std::round(value);
            if (rounded < m_min || rounded > m_max) return out_of_range();
            return {};
        }
        case kind::decimal: {
            if (text.find_first_of("eE") != std::string::npos) {
                const long double unit = std::pow(10.0L, static_cast<long double>(m_scale));
                const long double rounded = std::round(value * unit) / unit;
                if (std::fabs(rounded) >= std::pow(10.0L, m_precision - m_scale) ||
                    (m_unsigned && rounded < 0))
                    return out_of_range();
                return rounded != value ? truncated() : verdict{};
            }
            return check_decimal_digits(start);
        }
        case kind::single:
            if (std::fabs(value) > FLT_MAX) return out_of_range();
            return {};
        default:
            return {};
    }
}

sql_value_check::verdict sql_value_check::check_decimal_digits(const char* number) const {
    // Counted on the digits: a long double cannot tell 20 nines from 10^20.
    std::string text(number);
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.erase(0, 1);
    const std::size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    const std::size_t scale = static_cast<std::size_t>(m_scale);
    const bool rounds_up = fraction.size() > scale && fraction[scale] >= '5';
    const bool cut =
        fraction.find_first_not_of('0', std::min(scale, fraction.size())) != std::string::npos;
    fraction.resize(scale, '0');
    std::string digits = whole + fraction;
    if (rounds_up) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[i - 1];
    }
    const std::size_t whole_digits = digits.size() - scale;
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    if (whole_digits > static_cast<std::size_t>(std::max(m_precision - m_scale, 0)) ||
        (m_unsigned && negative && !zero))
        return out_of_range();
    return cut ? truncated() : verdict{};
}

sql_value_check::verdict sql_value_check::check_plain_decimal(bool negative, std::string_view whole,
                                                              std::string_view fraction) const {
    // As check_decimal_digits, on the digits in place.
    const std::size_t scale = static_cast<std::size_t>(m_scale);
    const std::size_t kept = std::min(scale, fraction.size());
    const bool rounds_up = fraction.size() > scale && fraction[scale] >= '5';
    const bool cut = fraction.find_first_not_of('0', kept) != std::string_view::npos;
    // Rounding up carries into a new first digit only when every digit kept is a nine (the
    // scale's padding zeros are never reached: rounding needs more digits than the scale).
    bool all_nines = true;
    for (const char c : whole) all_nines = all_nines && c == '9';
    for (std::size_t i = 0; i < kept; ++i) all_nines = all_nines && fraction[i] == '9';
    const std::size_t whole_digits = whole.size() + (rounds_up && all_nines ? 1 : 0);
    bool zero = !rounds_up && whole.empty();
    for (std::size_t i = 0; i < kept && zero; ++i) zero = fraction[i] == '0';
    if (whole_digits > static_cast<std::size_t>(std::max(m_precision - m_scale, 0)) ||
        (m_unsigned && negative && !zero))
        return out_of_range();
    return cut ? truncated() : verdict{};
}

sql_value_check::verdict sql_value_check::check_date_fields(long long year, unsigned month,
                                                            unsigned day, unsigned hour,
                                                            unsigned minute, unsigned second,
                                                            bool time) const {
    if (month > 12 || day > 31) return m_kind == kind::timestamp ? out_of_range() : truncated();
    if (m_kind == kind::timestamp) {
        const long long seconds = days_from_civil(year, month ? month : 1, day ? day : 1) * 86400 +
                                  hour * 3600LL + minute * 60LL + second;
        if (seconds < 1 || seconds > k_timestamp_last) return out_of_range();
        return {};
    }
    if (m_kind == kind::date && time && (hour || minute || second)) return truncated();
    return {};
}

sql_value_check::verdict sql_value_check::check_date(std::string_view text) const {
    long long year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int parts = 0;
    // "YYYY-MM-DD", alone or with "HH:MM:SS" and anything but a digit after: how the writer
    // gives every date, read without sscanf.
    const bool plain_date = text.size() >= 10 && is_digit(text[0]) && is_digit(text[1]) &&
                            is_digit(text[2]) && is_digit(text[3]) && text[4] == '-' &&
                            two_digits(text, 5) >= 0 && text[7] == '-' && two_digits(text, 8) >= 0;
    const bool plain_time = plain_date && text.size() >= 19 && text[10] == ' ' &&
                            two_digits(text, 11) >= 0 && text[13] == ':' &&
                            two_digits(text, 14) >= 0 && text[16] == ':' &&
                            two_digits(text, 17) >= 0 && (text.size() == 19 || !is_digit(text[19]));
    if (plain_date && (text.size() == 10 || plain_time)) {
        year = digits_value(text.substr(0, 4));
        month = static_cast<unsigned>(two_digits(text, 5));
        day = static_cast<unsigned>(two_digits(text, 8));
        if (plain_time) {
            hour = static_cast<unsigned>(two_digits(text, 11));
            minute = static_cast<unsigned>(two_digits(text, 14));
            second = static_cast<unsigned>(two_digits(text, 17));
        }
        return check_date_fields(year, month, day, hour, minute, second, plain_time);
    }
    int used = 0;
    const std::string whole(text);
    parts = std::sscanf(whole.c_str(), "%lld-%u-%u%n %u:%u:%u", &year, &month, &day, &used, &hour,
                        &minute, &second);
    const std::size_t year_digits = text.find('-');
    if (parts < 3 || text[0] == '-' || year_digits > 4 || month > 12 || day > 31)
        return m_kind == kind::timestamp ? out_of_range() : truncated();
    if (m_kind == kind::timestamp) {
        std::tm parts{};
        parts.tm_year = static_cast<int>(year) - 1900;
        parts.tm_mon = static_cast<int>(month ? month : 1) - 1;
        parts.tm_mday = static_cast<int>(day ? day : 1);
        parts.tm_hour = static_cast<int>(hour);
        parts.tm_min = static_cast<int>(minute);
        parts.tm_sec = static_cast<int>(second);
        const long long seconds = static_cast<long long>(timegm(&parts));
        if (seconds < 1 || seconds > k_timestamp_last) return out_of_range();
        return {};
    }
    if (m_kind == kind::date && parts > 3 && (hour || minute || second)) return truncated();
    return {};
}

sql_value_check::verdict sql_value_check::check_text(const std::string& text) const {
    std::size_t length = m_kind == kind::chars ? utf8_chars(text) : text.size();
    if (m_kind != kind::binary && m_code_page != 0) {
        bool plain = true;
        for (unsigned char c : text) plain = plain && c < 0x80;
        if (!plain) {
            const std::wstring wide = tk_to_unicode(text);
            std::size_t bad = 0;
            for (; bad < wide.size(); ++bad) {
                BOOL lost = FALSE;
                const int n =
                    WideCharToMultiByte(m_code_page, 0, &wide[bad], 1, nullptr, 0, nullptr, &lost);
                if (n == 0) return {};  // the system knows no such set: nothing to tell
                if (lost) break;
            }
            if (bad < wide.size()) {
                const std::string tail = tk_to_utf8(wide.substr(bad));
                std::string shown;
                char hex[8];
                for (std::size_t i = 0; i < tail.size() && i < k_shown_bytes; ++i) {
                    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(tail[i]));
                    shown += hex;
                }
                return incorrect("string", shown);
            }
            if (m_kind == kind::text_bytes) {
                BOOL lost = FALSE;
                length = static_cast<std::size_t>(WideCharToMultiByte(m_code_page, 0, wide.data(),
                                                                      static_cast<int>(wide.size()),
                                                                      nullptr, 0, nullptr, &lost));
            }
        }
    }
    if (length <= m_limit) return {};
    // Blanks past a CHAR or VARCHAR length are dropped without a word.
    if (m_kind == kind::chars &&
        text.find_first_not_of(' ', utf8_prefix(text, m_limit).size()) == std::string::npos)
        return {};
    return truncated();
}

std::string sql_value_check::stored_form(std::string_view literal) const {
    std::string text;
    bool quoted = false;
    if (!decode(literal, text, quoted)) return std::string();
    plain_number plain;
    if ((m_kind == kind::integer || m_kind == kind::decimal) && read_plain(text, plain)) {
        // Within 18 digits, rounding to the scale and printing leave the digits as written:
        // only the sign, leading zeros and padding of the fraction change.  A negative zero
        // keeps its sign, as the print of the long double does.
        const std::size_t scale = m_kind == kind::decimal ? static_cast<std::size_t>(m_scale) : 0;
        if (plain.fraction.size() <= scale && plain.whole.size() + scale <= 18) {
            std::string form;
            form.reserve(plain.whole.size() + scale + 3);
            if (plain.negative) form += '-';
            if (plain.whole.empty())
                form += '0';
            else
                form += plain.whole;
            if (scale) {
                form += '.';
                form += plain.fraction;
                form.append(scale - plain.fraction.size(), '0');
            }
            return form;
        }
    }
    char buffer[64];
    switch (m_kind) {
        case kind::integer:
            std::snprintf(buffer, sizeof buffer, "%.0Lf",
                          std::round(std::strtold(text.c_str(), nullptr)));
            return buffer;
        case kind::decimal: {
            const long double unit = std::pow(10.0L, static_cast<long double>(m_scale));
            std::snprintf(buffer, sizeof buffer, "%.*Lf", m_scale,
                          std::round(std::strtold(text.c_str(), nullptr) * unit) / unit);
            return buffer;
        }
        case kind::single:
        case kind::real:
            std::snprintf(buffer, sizeof buffer, "%.17Lg", std::strtold(text.c_str(), nullptr));
            return buffer;
        case kind::chars:
            return "s" + in_charset(utf8_prefix(text, m_limit));
        case kind::text_bytes:
            return "s" + in_charset(text);
        default:
            return "s" + text;
    }
}

bool sql_value_check::append_stored_form(std::string_view literal, const sql_literal_facts& facts,
                                         std::string& out) const {
    using form = sql_literal_facts::form;
    if (facts.what == form::null) return false;
    if (facts.what == form::number && (m_kind == kind::integer || m_kind == kind::decimal)) {
        // A rendered number has no leading zeros and no negative zero: as stored_form shows
        // it but for the padding of the fraction to the scale.
        const std::size_t scale = m_kind == kind::decimal ? static_cast<std::size_t>(m_scale) : 0;
        if (facts.fraction <= scale && facts.whole + scale <= 18) {
            out += literal;
            if (scale) {
                if (facts.fraction == 0) out += '.';
                out.append(scale - facts.fraction, '0');
            }
            return true;
        }
    }
    // A quoted text without escapes, all ASCII, or in a set that holds every character, is
    // kept as it is, cut to a CHAR or VARCHAR length.
    const bool inside =
        (facts.what == form::text && facts.bytes + 2 == literal.size()) || facts.what == form::date;
    const bool kept = m_code_page == 0 ||
                      (facts.what == form::text && facts.chars == facts.bytes) ||
                      facts.what == form::date;
    const bool texts = m_kind == kind::chars || m_kind == kind::text_bytes;
    if (inside && m_kind != kind::integer && m_kind != kind::decimal && m_kind != kind::single &&
        m_kind != kind::real && (!texts || kept) &&
        (m_kind != kind::chars || (facts.what == form::text && facts.chars <= m_limit))) {
        out += 's';
        out += literal.substr(1, literal.size() - 2);
        return true;
    }
    const std::string stored = stored_form(literal);
    if (stored.empty()) return false;
    out += stored;
    return true;
}

std::string sql_value_check::in_charset(const std::string& text) const {
    if (m_code_page == 0) return text;
    bool plain = true;
    for (unsigned char c : text) plain = plain && c < 0x80;
    if (plain) return text;
    // Characters the set lacks are stored as '?': two texts that differ only there are equal.
    const std::wstring wide = tk_to_unicode(text);
    const int size = WideCharToMultiByte(m_code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    if (size <= 0) return text;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(m_code_page, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(),
                        size, nullptr, nullptr);
    return bytes;
}
