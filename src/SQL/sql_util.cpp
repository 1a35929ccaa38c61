#include "SQL/sql_util.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <charconv>
#include <cmath>
#include <map>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "SQL/sql_engine.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/t_ftd.h"
#include "UDB/udb_properties.h"
#include "platform/win/win_compare.h"
#include "variant/ole_date.h"
#include "variant/ole_variant.h"

namespace {

template <class C>
bool is_digit(C c) {
    return c >= C('0') && c <= C('9');
}

template <class C>
bool is_hex_digit(C c) {
    return is_digit(c) || (c >= C('a') && c <= C('f')) || (c >= C('A') && c <= C('F'));
}

template <class S>
bool is_number_literal(const S& text) {
    using C = typename S::value_type;
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == C('+') || text[i] == C('-'))) ++i;
    std::size_t digits = 0;
    while (i < n && is_digit(text[i])) ++i, ++digits;
    if (i < n && text[i] == C('.')) {
        ++i;
        while (i < n && is_digit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == C('e') || text[i] == C('E'))) {
        ++i;
        if (i < n && (text[i] == C('+') || text[i] == C('-'))) ++i;
        std::size_t exp_digits = 0;
        while (i < n && is_digit(text[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    return i == n;
}

// A binary value written as text: 0x followed by hex digits, or decimal digits alone.
template <class S>
bool is_valid_binary_text(const S& text) {
    using C = typename S::value_type;
    if (text.size() < 2 || !is_digit(text[0])) return false;
    if ((text[1] == C('x') || text[1] == C('X')) && text[0] == C('0')) {
        if (text.size() < 3) return false;
        for (std::size_t i = 2; i < text.size(); ++i)
            if (!is_hex_digit(text[i])) return false;
        return true;
    }
    for (std::size_t i = 1; i < text.size(); ++i)
        if (!is_digit(text[i])) return false;
    return true;
}

// Appends the text with backslashes, quotes and zero characters escaped.  A client replaying a
// script drops a carriage return before a line feed, and stops at Ctrl-Z on some systems: both
// travel as escapes too.
template <class S>
void append_escaped(S& out, const S& text) {
    using C = typename S::value_type;
    for (C c : text) {
        C escape = 0;
        if (c == C('\\') || c == C('\''))
            escape = c;
        else if (c == C('\0'))
            escape = C('0');
        else if (c == C('\r'))
            escape = C('r');
        else if (c == C('\n'))
            escape = C('n');
        else if (c == C('\x1a'))
            escape = C('Z');
        if (escape) {
            out.push_back(C('\\'));
            out.push_back(escape);
        } else {
            out.push_back(c);
        }
    }
}

template <class S>
S escape_text(const S& text) {
    S out;
    out.reserve(text.size() + 8);
    append_escaped(out, text);
    return out;
}

// The text escaped between single quotes, built in one piece.
template <class S>
S quoted(const S& text) {
    using C = typename S::value_type;
    S out;
    out.reserve(text.size() + 10);
    out.push_back(C('\''));
    append_escaped(out, text);
    out.push_back(C('\''));
    return out;
}

template <class S>
S widen_ascii(const char* text) {
    S out;
    for (const char* p = text; *p; ++p) out.push_back(typename S::value_type(*p));
    return out;
}

template <class S>
bool is_bare_keyword(const S& text) {
    static const char* const k_words[] = {"true", "false", "null"};
    for (const char* word : k_words) {
        const std::size_t n = std::char_traits<char>::length(word);
        if (text.size() != n) continue;
        bool same = true;
        for (std::size_t i = 0; i < n && same; ++i) {
            const auto c = text[i];
            same = c == typename S::value_type(word[i]) ||
                   c == typename S::value_type(word[i] - 'a' + 'A');
        }
        if (same) return true;
    }
    return false;
}

std::string date_text(const std::string& text) {
    return ole_date(text).to_string(true);
}
std::wstring date_text(const std::wstring& text) {
    return ole_date(text).to_wstring(true);
}

template <class S>
S to_mysql_text(const S& text, VARTYPE vt) {
    if (vt == VT_NULL || vt == VT_EMPTY) {
        tk_log(1, "******* NULL VALUE ******");
        return widen_ascii<S>("NULL");
    }
    if (text.empty()) return widen_ascii<S>("\"\"");
    if (vt == VT_DATE) return quoted(date_text(text));
    // A text is never rewritten, whatever it looks like: the source has no GUID-typed values.
    if (ole_is_binary_type(vt)) {
        tk_log(1, "GOT BLOB");
        if (is_valid_binary_text(text)) {
            tk_log(1, "BLOB IS VALID");
            return text;
        }
        // Not a hex or digit literal: an ordinary text, escaped like any other.
        return quoted(text);
    }
    if (ole_is_quoted_type(vt)) return quoted(text);
    // Bare only what the server reads as a number or a truth keyword; anything else could end
    // the literal early.
    if (is_number_literal(text) || is_bare_keyword(text)) return text;
    return quoted(text);
}

// A character outside the Basic Multilingual Plane cannot reach a destination that only has
// the 3-byte utf8: the record is refused, naming the column, instead of arriving with '?'.
void check_four_byte_chars(std::wstring_view text, const t_ftd& column) {
    for (wchar_t c : text) {
        if (static_cast<std::uint32_t>(c) <= 0xFFFF) continue;
        if (sql_engine::get_instance().holds_four_byte_chars()) return;
        throw tk_exception("Column '" + tk_to_utf8(column.name) +
                               "': the value holds a character outside the Basic Multilingual "
                               "Plane, which the destination's character set '" +
                               tk_to_utf8(sql_engine::get_instance().character_set()) +
                               "' cannot hold",
                           0);
    }
}

bool is_empty_literal(const std::string& literal) {
    return literal.empty() || literal == "\"\"" || literal == "''";
}

bool iequal(const std::wstring& a, const wchar_t* b) {
    return win_equal_ignore_case(a, b);
}

}  // namespace

std::wstring sql_escape_text(const std::wstring& text) {
    return escape_text(text);
}

std::wstring sql_property(udb_properties* properties, const wchar_t* key) {
    if (!properties) return std::wstring();
    const auto& map = properties->get_properties();
    const auto it = map.find(key);
    return it == map.end() ? std::wstring() : it->second;
}

bool sql_is_number_literal(const std::string& text) {
    return is_number_literal(text);
}

std::string to_mysql_str(const std::string& text, VARTYPE vt) {
    tk_log(1, "to_mysql_str(%s)", text.c_str());
    return to_mysql_text(text, vt);
}

std::wstring to_mysql_wstr(const std::wstring& text, VARTYPE vt) {
    tk_wlog(1, L"to_mysql_wstr(%s)", text.c_str());
    return to_mysql_text(text, vt);
}

std::string to_mysql_str(const ole_variant& value) {
    tk_log(1, "to_mysql_str");
    const VARTYPE vt = value.vt();
    if (vt == VT_BYTE_ARRAY) {
        tk_log(1, "special processing for BLOBs");
        const std::uint8_t* bytes = nullptr;
        const std::size_t count = value.get_bytes1(bytes);
        // An empty value is not a missing one: EMPTY_BLOB() arrives empty.
        if (count == 0 || !bytes) return "''";
        static const char k_hex[] = "0123456789ABCDEF";
        std::string out;
        out.reserve(2 + count * 2);
        out += "0x";
        for (std::size_t i = 0; i < count; ++i) {
            out.push_back(k_hex[bytes[i] >> 4]);
            out.push_back(k_hex[bytes[i] & 0x0F]);
        }
        return out;
    }
    // Text values go out as UTF-8 whatever the process's ANSI code page is.
    if (vt == VT_BSTR) return to_mysql_text(tk_to_utf8(std::wstring(value.whole_text())), vt);
    return to_mysql_text(value.to_string(), vt);
}

namespace {

// Every value and column the direct renderings below leave aside.
std::string general_literal(const ole_variant* value, const t_ftd* column) {
    const VARTYPE value_vt = value->vt();
    const VARTYPE column_vt = static_cast<VARTYPE>(column->vartype);

    if (column_vt == VT_BSTR) {
        // A text's zero characters are data: the whole stored length goes out, as \0.
        const std::wstring text =
            value_vt == VT_BSTR ? std::wstring(value->whole_text()) : value->to_wstring();
        tk_wlog(1, L"Got BSTR value: %s", text.c_str());
        check_four_byte_chars(text, *column);
        return tk_to_utf8(to_mysql_text(text, value_vt));
    }

    if (value_vt == VT_BSTR) check_four_byte_chars(value->whole_text(), *column);
    std::string literal = to_mysql_str(*value);
    if (ole_is_numeric_type(column_vt) && !ole_is_numeric_type(value_vt))
        literal = to_mysql_text(value->to_string(), column_vt);
    tk_log(1, "Got field: %s, type=%08X", literal.c_str(), static_cast<unsigned>(value_vt));

    const bool empty = value_vt == VT_NULL || value_vt == VT_EMPTY || is_empty_literal(literal);
    if (!empty) return literal;
    if (column_vt == VT_BSTR || ole_is_binary_type(column_vt)) return literal;
    if (!column->b_not_null) {
        tk_log(1, "Put NULL-field");
        return "NULL";
    }
    tk_log(1, "Put default value");
    const std::string def = column->default_value.vt() == VT_BSTR
                                ? tk_to_utf8(column->default_value.to_wstring())
                                : column->default_value.to_string();
    if (!def.empty() && !column->b_default_expression) return to_mysql_text(def, column_vt);
    if (ole_is_numeric_type(value_vt)) return "0";
    return literal;
}

// The direct renderings: the literal of the common values written straight into the statement,
// with no text made on the way.  Each answers false, with nothing appended, for a value it
// leaves to general_literal; each writes exactly what general_literal writes.

constexpr char k_hex_digits[] = "0123456789ABCDEF";

// The two hex digits of every byte, so that a byte costs one look-up: LOB values run to
// megabytes.
struct hex_pairs {
    char digits[256][2];
    constexpr hex_pairs() : digits() {
        for (int b = 0; b < 256; ++b) {
            digits[b][0] = k_hex_digits[b >> 4];
            digits[b][1] = k_hex_digits[b & 0x0F];
        }
    }
};
constexpr hex_pairs k_hex_pairs;

// What may follow a value in its statement without making the buffer grow again: the row's and
// the statement's ends and a line end.
constexpr std::size_t k_closing_room = 64;

// The escape letter of each ASCII character that append_escaped escapes, 0 for the others.
struct ascii_escapes {
    char letter[128];
    constexpr ascii_escapes() : letter() {
        letter[static_cast<int>('\\')] = '\\';
        letter[static_cast<int>('\'')] = '\'';
        letter[0] = '0';
        letter[static_cast<int>('\r')] = 'r';
        letter[static_cast<int>('\n')] = 'n';
        letter[0x1a] = 'Z';
    }
};
constexpr ascii_escapes k_ascii_escapes;

// Narrows the sixteen characters at `in` to `out` and gives how many of them, from the first,
// need neither escape nor encoding: the bytes past those are to be written over.  A text with a
// character to encode now and then goes on in runs of sixteen right after it.
std::size_t narrow_plain_run(const wchar_t* in, char* out) {
    static_assert(sizeof(wchar_t) == sizeof(std::uint32_t));
#if defined(__SSE2__)
    __m128i lane[4];
    __m128i ascii[4];
    for (std::size_t k = 0; k < 4; ++k) {
        lane[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * k));
        // Below 0x80 (a negative wchar_t is not): such a character narrows by packing.
        ascii[k] =
            _mm_cmpeq_epi32(_mm_and_si128(lane[k], _mm_set1_epi32(~0x7F)), _mm_setzero_si128());
    }
    const __m128i bytes =
        _mm_packs_epi16(_mm_packs_epi32(lane[0], lane[1]), _mm_packs_epi32(lane[2], lane[3]));
    const __m128i plain =
        _mm_packs_epi16(_mm_packs_epi32(ascii[0], ascii[1]), _mm_packs_epi32(ascii[2], ascii[3]));
    __m128i escaped = _mm_cmpeq_epi8(bytes, _mm_setzero_si128());
    for (const char c : {'\\', '\'', '\r', '\n', '\x1a'})
        escaped = _mm_or_si128(escaped, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    const auto others =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(escaped, plain))) ^ 0xFFFFu;
    return others == 0 ? 16 : static_cast<std::size_t>(__builtin_ctz(others));
#else
    std::size_t k = 0;
    for (; k < 16; ++k) {
        const auto c = static_cast<std::uint32_t>(in[k]);
        if (c >= 0x80 || k_ascii_escapes.letter[c] != 0) break;
        out[k] = static_cast<char>(c);
    }
    return k;
#endif
}

// Narrows `count` (16 or 4) characters at `in` to `out` when none of them needs an escape or
// an encoding; false, with nothing written, when one does.
template <std::size_t count>
bool narrow_plain(const wchar_t* in, char* out) {
    static_assert(sizeof(wchar_t) == sizeof(std::uint32_t));
    static_assert(count == 16 || count == 4);
#if defined(__SSE2__)
    __m128i lane[4];
    for (std::size_t k = 0; k < count / 4; ++k)
        lane[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * k));
    __m128i any = lane[0];
    for (std::size_t k = 1; k < count / 4; ++k) any = _mm_or_si128(any, lane[k]);
    // Every character below 0x80 (a negative wchar_t is not): then they narrow by packing.
    const __m128i high = _mm_and_si128(any, _mm_set1_epi32(~0x7F));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(high, _mm_setzero_si128())) != 0xFFFF) return false;
    const __m128i bytes =
        count == 16
            ? _mm_packs_epi16(_mm_packs_epi32(lane[0], lane[1]), _mm_packs_epi32(lane[2], lane[3]))
            : _mm_packs_epi16(_mm_packs_epi32(lane[0], lane[0]), _mm_packs_epi32(lane[0], lane[0]));
    __m128i escaped = _mm_cmpeq_epi8(bytes, _mm_setzero_si128());
    for (const char c : {'\\', '\'', '\r', '\n', '\x1a'})
        escaped = _mm_or_si128(escaped, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)));
    if (_mm_movemask_epi8(escaped) != 0) return false;
    if constexpr (count == 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    } else {
        const int word = _mm_cvtsi128_si32(bytes);
        std::memcpy(out, &word, sizeof word);
    }
    return true;
#else
    for (std::size_t k = 0; k < count; ++k) {
        const auto c = static_cast<std::uint32_t>(in[k]);
        if (c >= 0x80 || k_ascii_escapes.letter[c] != 0) return false;
    }
    for (std::size_t k = 0; k < count; ++k) out[k] = static_cast<char>(in[k]);
    return true;
#endif
}

// A text between quotes, escaped as append_escaped does, in UTF-8.  Characters outside the
// Basic Multilingual Plane and lone surrogates go the general way: the destination's character
// set decides about the former, the latter cannot be written.
bool append_quoted_text(std::string& out, std::wstring_view text, sql_literal_facts& facts) {
    const std::size_t start = out.size();
    // The most one character takes: three bytes of UTF-8, or two of an escape.
    out.resize(start + 2 + 3 * text.size());
    char* p = out.data() + start;
    *p++ = '\'';
    const std::size_t n = text.size();
    std::size_t i = 0;
    std::size_t escapes = 0;
    while (i < n) {
        // Runs of characters that need neither escape nor encoding are checked and narrowed
        // together, sixteen (or, near the end, four) at a time; the one that stops a run goes
        // alone.
        if (n - i >= 16) {
            const std::size_t plain = narrow_plain_run(text.data() + i, p);
            p += plain;
            i += plain;
            if (plain == 16) continue;
        } else if (n - i >= 4 && narrow_plain<4>(text.data() + i, p)) {
            p += 4;
            i += 4;
            continue;
        }
        const auto c = static_cast<std::uint32_t>(text[i++]);
        // Printable ASCII other than a quote or a backslash stands as it is: told by comparing,
        // the common case waits on no table.
        if (c - 0x20 < 0x60 && c != '\'' && c != '\\') {
            *p++ = static_cast<char>(c);
            continue;
        }
        if (c < 0x80) {
            const char escape = k_ascii_escapes.letter[c];
            if (escape) {
                *p++ = '\\';
                *p++ = escape;
                ++escapes;
            } else {
                *p++ = static_cast<char>(c);
            }
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000 && (c < 0xD800 || c > 0xDFFF)) {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out.resize(start);
            return false;
        }
    }
    *p++ = '\'';
    const auto written = static_cast<std::size_t>(p - out.data());
    facts.what = sql_literal_facts::form::text;
    facts.chars = text.size();
    facts.bytes = written - start - 2 - escapes;
    out.resize(written);
    return true;
}

#if defined(__SSE2__)
// Narrows the sixteen characters at `in` to `out`; non-zero when one of them is not printable
// ASCII, or is a quote or a backslash.
unsigned narrow_printable(const wchar_t* in, char* out) {
    __m128i lane[4];
    __m128i printable[4];
    for (std::size_t k = 0; k < 4; ++k) {
        lane[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * k));
        // From a blank to a tilde; a negative wchar_t is below both.
        printable[k] = _mm_and_si128(_mm_cmpgt_epi32(lane[k], _mm_set1_epi32(0x1F)),
                                     _mm_cmplt_epi32(lane[k], _mm_set1_epi32(0x7F)));
    }
    const __m128i bytes =
        _mm_packs_epi16(_mm_packs_epi32(lane[0], lane[1]), _mm_packs_epi32(lane[2], lane[3]));
    const __m128i plain = _mm_packs_epi16(_mm_packs_epi32(printable[0], printable[1]),
                                          _mm_packs_epi32(printable[2], printable[3]));
    const __m128i quoting = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\'')),
                                         _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(quoting, plain))) ^ 0xFFFFu;
}
#endif

// A non-empty text of printable ASCII, neither quote nor backslash among it, between quotes.
bool append_plain_quoted(std::string& out, std::wstring_view text, sql_literal_facts& facts) {
    if (text.empty()) return false;
    const std::size_t start = out.size();
    out.resize(start + 2 + text.size());
    char* p = out.data() + start;
    *p++ = '\'';
    // Copied and checked in one pass, without a branch a character (sixteen at a time where
    // the machine can); taken back when it fails.
    unsigned others = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; text.size() - i >= 16 && others == 0; i += 16, p += 16)
        others = narrow_printable(text.data() + i, p);
#endif
    for (wchar_t wc : text.substr(i)) {
        const auto c = static_cast<std::uint32_t>(wc);
        others += static_cast<unsigned>(c - 0x20 >= 0x5F) + (c == '\'') + (c == '\\');
        *p++ = static_cast<char>(c);
    }
    if (others != 0) {
        out.resize(start);
        return false;
    }
    *p = '\'';
    facts.what = sql_literal_facts::form::text;
    facts.chars = text.size();
    facts.bytes = text.size();
    return true;
}

template <class T>
void append_number(std::string& out, T value, sql_literal_facts& facts) {
    char buffer[24];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
    const auto length = static_cast<std::size_t>(res.ptr - buffer);
    out.append(buffer, length);
    facts.what = sql_literal_facts::form::number;
    facts.negative = buffer[0] == '-';
    facts.whole = static_cast<std::uint8_t>(length - (facts.negative ? 1 : 0));
    facts.fraction = 0;
}

// A decimal as the automation layer prints it: "-" for a negative non-zero value, the digits,
// the point before the last `scale` of them.
bool append_decimal(std::string& out, const DECIMAL& value, sql_literal_facts& facts) {
    if (value.scale > DECIMAL_MAX_SCALE) return false;
    // The digits, first to last: a value of 64 bits, as nearly all are, printed two at a time.
    char digits[48];
    int n = 0;
    if (value.Hi32 == 0) {
        n = static_cast<int>(std::to_chars(digits, digits + sizeof digits, value.Lo64).ptr -
                             digits);
    } else {
        char reversed[48];
        int r = 0;
        unsigned __int128 m = (static_cast<unsigned __int128>(value.Hi32) << 64) | value.Lo64;
        do {
            reversed[r++] = static_cast<char>('0' + static_cast<int>(m % 10));
            m /= 10;
        } while (m != 0);
        while (r > 0) digits[n++] = reversed[--r];
    }
    const int scale = value.scale;
    // Made whole beside the statement, then appended once.
    char text[64];
    char* p = text;
    if ((value.sign & DECIMAL_NEG) != 0 && (value.Hi32 != 0 || value.Lo64 != 0)) *p++ = '-';
    int whole = n - scale;
    if (whole <= 0) {
        // A value below one: a zero before the point, and zeros after it up to the digits.
        *p++ = '0';
        *p++ = '.';
        std::memset(p, '0', static_cast<std::size_t>(-whole));
        p += -whole;
        std::memcpy(p, digits, static_cast<std::size_t>(n));
        p += n;
        whole = 1;
    } else {
        std::memcpy(p, digits, static_cast<std::size_t>(whole));
        p += whole;
        if (scale != 0) {
            *p++ = '.';
            std::memcpy(p, digits + whole, static_cast<std::size_t>(scale));
            p += scale;
        }
    }
    out.append(text, static_cast<std::size_t>(p - text));
    facts.what = sql_literal_facts::form::number;
    facts.negative = text[0] == '-';
    facts.whole = static_cast<std::uint8_t>(whole);
    facts.fraction = static_cast<std::uint8_t>(scale);
    return true;
}

void append_two(char*& p, unsigned value) {
    *p++ = static_cast<char>('0' + value / 10);
    *p++ = static_cast<char>('0' + value % 10);
}

// A date-time of four-digit year, valid month and day and a time of day: the form the dump's
// date rendering gives such a value ("YYYY-MM-DD" at midnight, else the time and any fraction).
bool append_date(std::string& out, const SYSTEMTIME& t, sql_literal_facts& facts) {
    if (t.wYear < 1000 || t.wYear > 9999 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > 31 || t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 || t.wMilliseconds > 999)
        return false;
    char buffer[32];
    char* p = buffer;
    *p++ = '\'';
    append_two(p, t.wYear / 100);
    append_two(p, t.wYear % 100);
    *p++ = '-';
    append_two(p, t.wMonth);
    *p++ = '-';
    append_two(p, t.wDay);
    if (t.wHour != 0 || t.wMinute != 0 || t.wSecond != 0 || t.wMilliseconds != 0) {
        *p++ = ' ';
        append_two(p, t.wHour);
        *p++ = ':';
        append_two(p, t.wMinute);
        *p++ = ':';
        append_two(p, t.wSecond);
        if (t.wMilliseconds != 0) {
            *p++ = '.';
            *p++ = static_cast<char>('0' + t.wMilliseconds / 100);
            append_two(p, t.wMilliseconds % 100);
        }
    }
    *p++ = '\'';
    out.append(buffer, static_cast<std::size_t>(p - buffer));
    facts.what = sql_literal_facts::form::date;
    facts.year = t.wYear;
    facts.month = static_cast<std::uint8_t>(t.wMonth);
    facts.day = static_cast<std::uint8_t>(t.wDay);
    facts.hour = static_cast<std::uint8_t>(t.wHour);
    facts.minute = static_cast<std::uint8_t>(t.wMinute);
    facts.second = static_cast<std::uint8_t>(t.wSecond);
    facts.time = buffer[11] == ' ';
    return true;
}

bool append_direct(std::string& out, const ole_variant& value, const t_ftd& column,
                   sql_literal_facts& facts) {
    const VARTYPE vt = value.vt();
    const auto column_vt = static_cast<VARTYPE>(column.vartype);
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
            // A NULL stays NULL unless the column is NOT NULL and takes a default instead.
            if (column_vt != VT_BSTR && column.b_not_null) return false;
            out += "NULL";
            facts.what = sql_literal_facts::form::null;
            return true;
        case VT_BSTR: {
            const std::wstring_view text = value.whole_text();
            // A TIMESTAMP with fractions arrives as its text: into a date column it goes quoted
            // as it is.  Texts that need an escape or an encoding, and the empty one, whose
            // column's NULL and default rules apply, are left to the general way.
            if (column_vt == VT_DATE) return append_plain_quoted(out, text, facts);
            if (column_vt != VT_BSTR) return false;
            if (text.empty()) {
                out += "\"\"";
                facts.what = sql_literal_facts::form::text;
                facts.chars = 0;
                facts.bytes = 0;
                return true;
            }
            return append_quoted_text(out, text, facts);
        }
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_UI8:
        case VT_UINT:
            if (column_vt == VT_BSTR) return false;
            switch (vt) {
                case VT_I1:
                    append_number(out,
                                  static_cast<int>(static_cast<signed char>(value.variant().cVal)),
                                  facts);
                    break;
                case VT_I2:
                    append_number(out, static_cast<int>(value.variant().iVal), facts);
                    break;
                case VT_I4:
                    append_number(out, value.variant().lVal, facts);
                    break;
                case VT_I8:
                    append_number(out, value.i8(), facts);
                    break;
                case VT_UI1:
                    append_number(out, static_cast<unsigned>(value.variant().bVal), facts);
                    break;
                case VT_UI2:
                    append_number(out, static_cast<unsigned>(value.variant().uiVal), facts);
                    break;
                case VT_UI4:
                    append_number(out, value.variant().ulVal, facts);
                    break;
                case VT_UI8:
                    append_number(out, value.ui8(), facts);
                    break;
                default:
                    append_number(out, value.variant().uintVal, facts);
                    break;
            }
            return true;
        case VT_DECIMAL:
            if (column_vt == VT_BSTR) return false;
            return append_decimal(out, value.variant().decVal, facts);
        case VT_R8: {
            // As the value prints itself: seventeen digits in exponent form.  Infinity and NaN,
            // no numbers to the server, go the general way.
            const double real = value.variant().dblVal;
            if (column_vt == VT_BSTR || !std::isfinite(real)) return false;
            char buffer[40];
            const auto res = std::to_chars(buffer, buffer + sizeof buffer, real,
                                           std::chars_format::scientific, 16);
            out.append(buffer, static_cast<std::size_t>(res.ptr - buffer));
            facts.what = sql_literal_facts::form::exponent;
            return true;
        }
        case VT_DATE:
            if (column_vt == VT_BSTR || ole_is_numeric_type(column_vt)) return false;
            return append_date(out, value.systemtime(), facts);
        case VT_BYTE_ARRAY: {
            if (!ole_is_binary_type(column_vt)) return false;
            const std::uint8_t* bytes = nullptr;
            const std::size_t count = value.get_bytes1(bytes);
            // An empty value is not a missing one: EMPTY_BLOB() arrives empty.
            if (count == 0 || !bytes) {
                out += "''";
                return true;
            }
            const std::size_t start = out.size();
            const std::size_t end = start + 2 + 2 * count;
            // Room for the statement's closing bytes too: growing by them would double a buffer
            // that a large value has just filled, and copy it.
            if (end + k_closing_room > out.capacity()) out.reserve(end + k_closing_room);
            out.resize(end);
            char* p = out.data() + start;
            *p++ = '0';
            *p++ = 'x';
            write_hex_digits(p, bytes, count);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

void write_hex_digits(char* out, const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, out += 2)
        std::memcpy(out, k_hex_pairs.digits[bytes[i]], 2);
}

bool hex_literal_bytes(const ole_variant& value, const t_ftd& column, const std::uint8_t*& bytes,
                       std::size_t& count) {
    // The case of append_direct that writes a hex literal.
    if (value.vt() != VT_BYTE_ARRAY || !ole_is_binary_type(static_cast<VARTYPE>(column.vartype)))
        return false;
    bytes = nullptr;
    count = value.get_bytes1(bytes);
    return count > 0 && bytes != nullptr;
}

void append_fld_str(std::string& out, const ole_variant* value, const t_ftd* column) {
    sql_literal_facts facts;
    append_fld_str(out, value, column, facts);
}

void append_fld_str(std::string& out, const ole_variant* value, const t_ftd* column,
                    sql_literal_facts& facts) {
    tk_log(1, "get_fld_append_str");
    facts.what = sql_literal_facts::form::unknown;
    if (!value) throw tk_mail_assertion("sql_util", 984);
    if (!column) throw tk_mail_assertion("sql_util", 985);
    // Traced or not, a value takes the same way; the trace records the literal it gave.
    const std::size_t start = out.size();
    if (append_direct(out, *value, *column, facts)) {
        tk_log(1, "Got field: %s, type=%08X", out.c_str() + start,
               static_cast<unsigned>(value->vt()));
        return;
    }
    out += general_literal(value, column);
}

std::string get_fld_append_str(const ole_variant* value, const t_ftd* column) {
    std::string out;
    append_fld_str(out, value, column);
    return out;
}

std::wstring make_mysql_def_val(const t_ftd* column) {
    if (!column) throw tk_mail_assertion("sql_util", 54);
    std::wstring def = column->default_value.to_wstring();
    tk_wlog(1, L"make_mysql_def_val(%d,%s)", column->vartype, def.c_str());
    if (def.empty()) {
        tk_log(1, "Got empty def value");
        return std::wstring();
    }
    // A source's expression (a sequence, a function) means nothing MySQL is known to share: no
    // DEFAULT rather than a made-up one.  The current time comes as the plain value "sysdate".
    if (column->b_default_expression) {
        tk_log(1, "The default is an expression: no DEFAULT clause");
        return std::wstring();
    }
    if (ole_is_int_type(static_cast<VARTYPE>(column->vartype))) {
        const int number = static_cast<int>(std::wcstol(def.c_str(), nullptr, 10));
        wchar_t buf[32];
        std::swprintf(buf, 32, L"%d", number);
        if (def == buf) {
            tk_log(1, "Int/long default value is correct");
            return def;
        }
        return std::wstring();
    }
    switch (column->vartype) {
        case VT_I8:
        case VT_UI8: {
            // NUMBER(10) and wider become 64-bit integers and keep their defaults.
            errno = 0;
            wchar_t* end = nullptr;
            const bool is_signed = column->vartype == VT_I8;
            if (def.empty() || def[0] == L' ' || def[0] == L'+' || (!is_signed && def[0] == L'-'))
                return std::wstring();
            if (is_signed)
                (void)std::wcstoll(def.c_str(), &end, 10);
            else
                (void)std::wcstoull(def.c_str(), &end, 10);
            if (errno == ERANGE || end == def.c_str() || *end != 0) return std::wstring();
            if (def.size() > 1 && (def[0] == L'0' || (def[0] == L'-' && def[1] == L'0')))
                return std::wstring();
            return def;
        }
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL: {
            // Only a well-formed number may stand bare in the CREATE TABLE statement.
            if (!is_number_literal(def)) return std::wstring();
            if (std::wcstod(def.c_str(), nullptr) != 0.0) return def;
            for (wchar_t c : def)
                if (std::wstring(L"+,-.0Ee").find(c) == std::wstring::npos) return std::wstring();
            return def;
        }
        case VT_DATE: {
            tk_log(1, "Got DATE def value");
            if (iequal(def, L"getdate()") || iequal(def, L"sysdate()") || iequal(def, L"sysdate")) {
                tk_log(1, "Special processing for getdate()");
                return L"CURRENT_TIMESTAMP";
            }
            const std::wstring text = ole_date(def).to_wstring(true);
            tk_wlog(1, L"After canonization: %s", text.c_str());
            return text.empty() ? text : L"\"" + text + L"\"";
        }
        case VT_BSTR:
            tk_wlog(1, L"Got BSTR def value: %s", def.c_str());
            return to_mysql_wstr(def, VT_BSTR);
        default:
            return std::wstring();
    }
}
