#include "ORA/ora_utils.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "TK/tk_exception.h"
#include "platform/oci/oci.h"
#include "TK/tk_logger.h"
#include "UDB/t_ftd.h"
#include "variant/ole_variant.h"
#include "platform/oleaut/oleaut.h"

std::wstring ora_simplify_name(const std::wstring& name) {
    tk_wlog(1, L"ora_simplify_name(%s)", name.c_str());
    std::wstring out;
    out.reserve(name.size());
    for (wchar_t c : name)
        if (c != L'"') out.push_back(c);
    return out;
}

std::pair<std::wstring, std::wstring> ora_split_name(const std::wstring& name) {
    tk_wlog(1, L"ora_split_name(%s)", name.c_str());
    std::wstring text = name;
    std::wstring separator = L".";
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
        tk_wlog(1, L"Quoted name, separator is \".\"");
        text = text.substr(1, text.size() - 2);
        separator = L"\".\"";
    } else {
        tk_wlog(1, L"Plain name, separator is '.'");
    }
    std::size_t pos = text.find(separator);
    if (pos == std::wstring::npos) {
        tk_wlog(1, L"Prepare default schema for simple name (table only)");
        return {std::wstring(), text};
    }
    tk_wlog(1, L"Getting schema for composed name");
    std::pair<std::wstring, std::wstring> result(text.substr(0, pos),
                                                 text.substr(pos + separator.size()));
    tk_wlog(1, L"schema=%s", result.first.c_str());
    return result;
}

std::wstring remove_comments(const std::wstring& text) {
    tk_wlog(1, L"remove_comments(%s)", text.c_str());
    std::wstring out = text;
    if (out.size() < 2) return out;
    bool in_literal = false;
    bool in_comment = false;
    std::size_t comment_start = 0;
    std::size_t pos = 0;
    while (pos + 1 < out.size()) {
        wchar_t c = out[pos];
        // An apostrophe inside a comment is prose, not a literal: letting it open a literal would
        // hide the comment's line end and erase the code after it.
        if (c == L'\'' && !in_comment) {
            in_literal = !in_literal;
            ++pos;
            continue;
        }
        if (in_literal) {
            ++pos;
            continue;
        }
        if (c == L'-' && out[pos + 1] == L'-') {
            comment_start = pos;
            in_comment = true;
            tk_wlog(1, L"Got comment at pos=%d", static_cast<int>(pos));
            pos += 2;
            continue;
        }
        if (c == L'\n' && in_comment) {
            tk_wlog(1, L"Gonna cut string from %d to %d", static_cast<int>(comment_start),
                    static_cast<int>(pos));
            out.erase(comment_start, pos - comment_start);
            in_comment = false;
            pos = comment_start + 1;
            continue;
        }
        ++pos;
    }
    if (in_comment) {
        // A final line feed closes the last line and stays; otherwise the comment runs to the end.
        std::size_t end = out.back() == L'\n' ? out.size() - 1 : out.size();
        tk_wlog(1, L"Gonna cut string from %d to %d", static_cast<int>(comment_start),
                static_cast<int>(end));
        out.erase(comment_start, end - comment_start);
    }
    return out;
}

std::wstring ora_trim(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n\f\v";
    std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::wstring::npos) return std::wstring();
    std::size_t end = text.find_last_not_of(blanks);
    return text.substr(begin, end - begin + 1);
}

std::wstring ora_quote_literal(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + 2);
    for (wchar_t c : text) {
        out.push_back(c);
        if (c == L'\'') out.push_back(c);
    }
    return out;
}

namespace {
constexpr int k_max_decimal_scale = 30;
}  // namespace

int get_refined_num_type(int& precision, int scale, bool int64_numbers) {
    tk_wlog(1, L"get_refined_num_type(prec=%d,scale=%d)", precision, scale);
    // A negative scale rounds to tens, hundreds...: NUMBER(8,-3) holds eleven integer digits.
    if (precision > 0 && scale < 0) {
        precision -= scale;
        scale = 0;
    }
    if (precision != 0 && scale > 0) {
        // MySQL refuses a scale above the precision (NUMBER(3,5) holds 0.00123) and one above 30.
        if (scale > k_max_decimal_scale) return VT_R8;
        if (scale > precision)
            precision = scale;
        else if (precision == scale)
            ++precision;
        return VT_DECIMAL;
    }
    if (precision >= 1 && precision <= 38 && scale == 0) {
        tk_wlog(1, L"Refine type mapping for int (prec=%d)", precision);
        if (precision < 3) return VT_I1;
        if (precision < 5) return VT_I2;
        // Ten digits reach 9,999,999,999, beyond a 32-bit integer.
        if (precision < 10) return VT_I4;
        if (precision <= 18) return VT_I8;
        // Nineteen digits pass the 64-bit range: such a column keeps every digit as a decimal,
        // unless the user asked for 64-bit integers (values beyond them are then record errors).
        if (precision > 20 && int64_numbers) return VT_I8;
        return VT_DECIMAL;
    }
    return int64_numbers ? VT_I8 : VT_R8;
}

std::u16string ora_to_utf16(const std::wstring& text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<std::uint32_t>(wc);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else if (c > 0x10FFFF) {
            out.push_back(u'\uFFFD');
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::wstring ora_from_utf16(const char16_t* text, std::size_t count) {
    std::wstring out;
    ora_from_utf16(text, count, out);
    return out;
}

void ora_from_utf16(const char16_t* text, std::size_t count, std::wstring& out) {
    std::size_t length = 0;
    if (text)
        while (length < count && text[length] != 0) ++length;
    ora_from_utf16_counted(text, length, out);
}

bool ora_from_utf16_counted(const char16_t* text, std::size_t count, std::wstring& out) {
    bool lone_surrogate = false;
    out.clear();
    if (!text) return false;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
            lone_surrogate = true;
        }
        out.push_back(static_cast<wchar_t>(c));
    }
    return lone_surrogate;
}

std::string ora_to_utf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        auto c = static_cast<std::uint32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

namespace {

// The bits a UTF-8 lead byte carries, the continuation bytes that follow it and the least code
// point that needs that many; false for a byte that starts no sequence.
bool utf8_lead(unsigned char b, std::uint32_t& bits, std::size_t& extra, std::uint32_t& min) {
    if ((b & 0xE0) == 0xC0) {
        bits = b & 0x1F, extra = 1, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        bits = b & 0x0F, extra = 2, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        bits = b & 0x07, extra = 3, min = 0x10000;
    } else {
        return false;
    }
    return true;
}

// The surrogate unit that three UTF-8 bytes at `s` encode; false for anything else.
bool encoded_surrogate(const unsigned char* s, std::size_t count, std::uint32_t& unit) {
    if (count < 3 || s[0] != 0xED || (s[1] & 0xE0) != 0xA0 || (s[2] & 0xC0) != 0x80) return false;
    unit = 0xD000 | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
    return true;
}

// The ASCII bytes at the start of `count` bytes.
std::size_t ascii_prefix(const unsigned char* s, std::size_t count) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; count - i >= 16; i += 16) {
        const auto high = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))));
        if (high != 0) return i + static_cast<std::size_t>(__builtin_ctz(high));
    }
    if (i != 0 && i != count) {
        // The last bytes in one load over some already seen, which are ASCII.
        const auto high = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + count - 16))));
        return high == 0 ? count : count - 16 + static_cast<std::size_t>(__builtin_ctz(high));
    }
#endif
    for (; count - i >= 8; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s + i, sizeof word);
        if ((word & 0x8080808080808080ull) != 0) break;
    }
    while (i < count && s[i] < 0x80) ++i;
    return i;
}

// The continuation bytes (10xxxxxx) among `count` bytes.
std::size_t continuation_bytes(const unsigned char* s, std::size_t count) {
    std::size_t found = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    // As signed bytes the continuation bytes are exactly those below -64.
    const __m128i limit = _mm_set1_epi8(-64);
    const auto continuations = [&](const unsigned char* at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(block, limit)));
    };
    for (; count - i >= 16; i += 16)
        found += static_cast<std::size_t>(__builtin_popcount(continuations(s + i)));
    if (i != 0 && i != count) {
        // The last bytes in one load, of which only those not yet counted are.
        const std::size_t rest = count - i;
        found += static_cast<std::size_t>(
            __builtin_popcount(continuations(s + count - 16) >> (16 - rest)));
        return found;
    }
#endif
    for (; i < count; ++i) found += (s[i] & 0xC0) == 0x80;
    return found;
}

// Widens the ASCII bytes at the start of the sixteen at `s` to `out` and gives their count.
// Only those are written: `out` may have room for no more.
std::size_t ascii_run(const unsigned char* s, wchar_t* out) {
#if defined(__SSE2__)
    static_assert(sizeof(wchar_t) == sizeof(std::uint32_t));
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const auto high = static_cast<unsigned>(_mm_movemask_epi8(block));
    if (high == 0) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i low_half = _mm_unpacklo_epi8(block, zero);
        const __m128i high_half = _mm_unpackhi_epi8(block, zero);
        auto* to = reinterpret_cast<__m128i*>(out);
        _mm_storeu_si128(to, _mm_unpacklo_epi16(low_half, zero));
        _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(low_half, zero));
        _mm_storeu_si128(to + 2, _mm_unpacklo_epi16(high_half, zero));
        _mm_storeu_si128(to + 3, _mm_unpackhi_epi16(high_half, zero));
        return 16;
    }
    const auto ascii = static_cast<std::size_t>(__builtin_ctz(high));
#else
    std::size_t ascii = 0;
    while (ascii < 16 && s[ascii] < 0x80) ++ascii;
#endif
    for (std::size_t k = 0; k < ascii; ++k) out[k] = static_cast<wchar_t>(s[k]);
    return ascii;
}

}  // namespace

std::size_t ora_utf16_units(const char* bytes, std::size_t count) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        units += ((b & 0xC0) != 0x80) + (b >= 0xF0);
    }
    return units;
}

std::size_t ora_text_length(const char* text, std::size_t capacity) {
    const void* zero = std::memchr(text, 0, capacity);
    return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : capacity;
}

std::wstring ora_from_utf8(const char* bytes, std::size_t count) {
    std::wstring out;
    ora_from_utf8(bytes, count, out);
    return out;
}

bool ora_from_utf8(const char* bytes, std::size_t count, std::wstring& out) {
    bool lone_surrogate = false;
    out.clear();
    out.reserve(count);
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < count) {
        unsigned char b = s[i];
        std::uint32_t c;
        std::size_t extra;
        std::uint32_t min;
        if (b < 0x80) {
            out.push_back(static_cast<wchar_t>(b));
            ++i;
            continue;
        }
        if (!utf8_lead(b, c, extra, min)) {
            out.push_back(L'\uFFFD');
            ++i;
            continue;
        }
        std::size_t j = 1;
        for (; j <= extra && i + j < count && (s[i + j] & 0xC0) == 0x80; ++j)
            c = (c << 6) | (s[i + j] & 0x3F);
        if (j > extra && c >= 0xD800 && c <= 0xDFFF) {
            // A surrogate written as a character of its own: two of them in order are one
            // character (as a database in the older UTF-8 form stores it); one alone is no
            // character at all.
            std::uint32_t low = 0;
            if (c <= 0xDBFF && encoded_surrogate(s + i + j, count - i - j, low) && low >= 0xDC00) {
                out.push_back(
                    static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00)));
                i += j + 3;
                continue;
            }
            lone_surrogate = true;
        }
        if (j <= extra || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(L'\uFFFD');
            i += j;
            continue;
        }
        out.push_back(static_cast<wchar_t>(c));
        i += j;
    }
    return lone_surrogate;
}

bool ora_decode_utf8(const char* bytes, std::size_t count, ole_variant& value) {
    if (count && !bytes) return false;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    // Most texts are ASCII throughout: they widen in one loop the compiler vectorizes.
    const std::size_t ascii = ascii_prefix(s, count);
    if (ascii == count) {
        wchar_t* out = value.text_buffer(count);
        for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<wchar_t>(s[i]);
        return true;
    }
    // Every character of well-formed text starts with one byte that is no continuation byte.
    const std::size_t length = count - continuation_bytes(s + ascii, count - ascii);
    wchar_t* out = value.text_buffer(length);
    wchar_t* const end = out + length;
    for (std::size_t i = 0; i < ascii; ++i) *out++ = static_cast<wchar_t>(s[i]);
    std::size_t i = ascii;
    while (i < count) {
        // The ASCII bytes before the next character of several, sixteen at a time: the bulk of
        // most texts, written without a test a byte.
        if (count - i >= 16) {
            const std::size_t ascii = ascii_run(s + i, out);
            out += ascii;
            i += ascii;
            if (ascii == 16) continue;
        }
        const unsigned char b = s[i];
        if (b < 0x80) {
            *out++ = static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        std::uint32_t c;
        std::size_t extra;
        std::uint32_t min;
        if (!utf8_lead(b, c, extra, min)) return false;
        if (count - i <= extra) return false;
        for (std::size_t j = 1; j <= extra; ++j) {
            if ((s[i + j] & 0xC0) != 0x80) return false;
            c = (c << 6) | (s[i + j] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        *out++ = static_cast<wchar_t>(c);
        i += extra + 1;
    }
    return out == end;
}

std::wstring get_ora_native_type(const t_ftd& field, bool with_sizes) {
    tk_log(1, "get_ora_native_type [Oracle]");
    tk_log(1, "vt=%d, size=%d, dw_reserved=%d", field.vartype, static_cast<int>(field.size),
           field.dw_reserved);
    wchar_t buf[64];
    switch (field.vartype) {
        case VT_I2:
        case VT_UI1:
            return with_sizes ? L"NUMBER(5,0)" : L"NUMBER";
        case VT_I4:
        case VT_UI2:
        case VT_INT:
            return with_sizes ? L"NUMBER(10,0)" : L"NUMBER";
        case VT_BOOL:
        case VT_I1:
            return with_sizes ? L"NUMBER(3,0)" : L"NUMBER";
        case VT_DECIMAL: {
            if (!with_sizes) return L"NUMBER";
            int precision = (field.dw_reserved >> 8) & 0xFF;
            int scale = field.dw_reserved & 0xFF;
            if (precision != 0 && precision >= scale) {
                std::swprintf(buf, sizeof buf / sizeof buf[0], L"NUMBER(%d,%d)", precision, scale);
                tk_wlog(1, L"VT_DECIMAL->%s", buf);
                return buf;
            }
            tk_log(1, "VT_DECIMAL with invalid prec/scale");
            return L"NUMBER";
        }
        // The binary reals hold every value of their kind, which NUMBER does not (1e300).
        case VT_R4:
            return L"BINARY_FLOAT";
        case VT_R8:
            return L"BINARY_DOUBLE";
        // An unconstrained NUMBER reads back as a double, which holds no 64-bit integer above
        // 2^53: the integers keep the digits they may take.
        case VT_UI4:
        case VT_UINT:
            return with_sizes ? L"NUMBER(10,0)" : L"NUMBER";
        case VT_I8:
            return with_sizes ? L"NUMBER(19,0)" : L"NUMBER";
        case VT_UI8:
            return with_sizes ? L"NUMBER(20,0)" : L"NUMBER";
        case VT_CY:
            return L"NUMBER";
        case VT_DATE: {
            // A DATE holds the time to the second; only fractions of a second need a time stamp,
            // whose digits ride above the date kind.
            const int digits = ora_fraction_digits(field);
            if (digits == 0) return L"DATE";
            return L"TIMESTAMP(" + std::to_wstring(digits > 9 ? 9 : digits) + L")";
        }
        case VT_BSTR:
            tk_log(1, "process as text");
            if (field.size >= 1 && field.size <= 2000) {
                if (!with_sizes) return L"NVARCHAR2";
                std::swprintf(buf, sizeof buf / sizeof buf[0], L"NVARCHAR2(%d) ",
                              static_cast<int>(field.size));
                return buf;
            }
            return field.dw_reserved == 10 ? L"LONG" : L"CLOB";
        case VT_BLOB:
            tk_log(1, "process as binary(size=%d)", static_cast<int>(field.size));
            if (field.size == 0 || field.size > 2000) return L"BLOB";
            if (!with_sizes) return L"RAW";
            std::swprintf(buf, sizeof buf / sizeof buf[0], L"RAW(%d)",
                          static_cast<int>(field.size));
            return buf;
        default:
            throw tk_mail_assertion("ora_util", 199);
    }
}

namespace {

// Wide text by pointer; the automation layer has no name for it.
constexpr VARTYPE k_vt_lpwstr = 31;

bool is_lob_field(const t_ftd& field) {
    bool text_or_binary =
        field.vartype == VT_BSTR || field.vartype == VT_BLOB || field.vartype == VT_BYTE_ARRAY;
    return text_or_binary && (field.size == 0 || field.size > 2000);
}

}  // namespace

int ora_fraction_digits(const t_ftd& field) {
    constexpr int k_shift = 8;  // the digits ride above the date kind
    constexpr int k_mask = 0xFF;
    return field.vartype == VT_DATE ? (field.dw_reserved >> k_shift) & k_mask : 0;
}

bool ora_binds_as_int(int vartype) {
    return ole_is_int_type(static_cast<VARTYPE>(vartype));
}

int get_ora_type(const t_ftd& field) {
    tk_log(1, "get_ora_type");
    if (ora_binds_as_int(field.vartype)) return SQLT_INT;
    switch (field.vartype) {
        case VT_R4:
            return SQLT_FLT;
        case VT_R8:
        case VT_I8:
        case VT_UI8:
            return SQLT_BDOUBLE;
        case VT_CY:
        case VT_BSTR:
        case k_vt_lpwstr:
        case VT_DECIMAL:
        case VT_BLOB:
            return SQLT_STR;
        case VT_DATE:
            return SQLT_ODT;
        default:
            return 0;
    }
}

int get_ora_len(const t_ftd& field) {
    tk_log(1, "get_ora_len");
    if (is_lob_field(field)) return 0;
    if (ora_binds_as_int(field.vartype)) return 4;
    switch (field.vartype) {
        case VT_R4:
            return 4;
        case VT_R8:
        case VT_I8:
        case VT_UI8:
        case VT_DATE:
            return 8;
        case VT_CY:
            return 48;
        case VT_BSTR:
        case k_vt_lpwstr:
            return static_cast<int>(field.size) * 2 + 2;
        case VT_DECIMAL: {
            int precision = field.get_precision();
            return precision * 2 + 6 > 60 ? precision * 2 + 6 : 60;
        }
        default:
            return 0;
    }
}
