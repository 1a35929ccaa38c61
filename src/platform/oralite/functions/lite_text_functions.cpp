// Oracle's text, raw and LOB functions for the embedded engine, and the helpers the translator
// writes: NVL, DECODE, ||, SUBSTR, LPAD/RPAD, INSTR, LENGTH, TRIM, HEXTORAW, DBMS_LOB, LISTAGG,
// the conversion of values into RAW columns and the errors of foreign-key triggers.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "functions/lite_function_args.h"
#include "functions/lite_function_impls.h"
#include "lite_errors.h"
#include "lite_value_text.h"
#include "lite_errors.h"

namespace lite_fn {

// The most characters a built value may hold: well inside SQLite's limit of a value's bytes.
constexpr int64_t k_max_text_chars = 200000000;

void fn_nvl(sqlite3_context* ctx, int, sqlite3_value** v) {
    sqlite3_result_value(ctx, is_null_value(v[0]) ? v[1] : v[0]);
}
void fn_nvl2(sqlite3_context* ctx, int, sqlite3_value** v) {
    sqlite3_result_value(ctx, is_null_value(v[0]) ? v[2] : v[1]);
}
void fn_decode(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (argc < 3)
        return fail(ctx, ora_err::not_enough_arguments, "not enough arguments for function");
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        bool n0 = is_null_value(v[0]), ni = is_null_value(v[i]);
        if ((n0 && ni) || (!n0 && !ni && compare_values(v[0], v[i]) == 0)) {
            sqlite3_result_value(ctx, v[i + 1]);
            return;
        }
    }
    if (i < argc) {
        sqlite3_result_value(ctx, v[i]);
    } else {
        sqlite3_result_null(ctx);
    }
}
void fn_concat(sqlite3_context* ctx, int, sqlite3_value** v) {
    std::string r = text_arg(v[0]) + text_arg(v[1]);
    if (r.empty()) {
        sqlite3_result_null(ctx);
    } else {
        sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
    }
}
// Oracle's "||": NULL operands count as empty text, numbers print as Oracle prints them, and an
// empty result is NULL.
void fn_cat(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    std::string r;
    for (int i = 0; i < argc; ++i) {
        switch (sqlite3_value_type(v[i])) {
            case SQLITE_NULL:
                break;
            case SQLITE_INTEGER: {
                char b[32];
                r.append(b, lite_int_text(sqlite3_value_int64(v[i]), b));
                break;
            }
            case SQLITE_FLOAT:
                r += lite_number_text(sqlite3_value_double(v[i]));
                break;
            case SQLITE_BLOB: {
                static const char* hx = "0123456789ABCDEF";
                const unsigned char* p =
                    static_cast<const unsigned char*>(sqlite3_value_blob(v[i]));
                for (int k = 0; k < sqlite3_value_bytes(v[i]); ++k) {
                    r += hx[p[k] >> 4];
                    r += hx[p[k] & 15];
                }
                break;
            }
            default:
                r += text_arg(v[i]);
        }
    }
    if (r.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

void fn_greatest_least(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    bool greatest = lite_function_variant(ctx) != 0;
    if (argc < 1)
        return fail(ctx, ora_err::not_enough_arguments, "not enough arguments for function");
    int best = 0;
    for (int i = 0; i < argc; ++i) {
        if (is_null_value(v[i])) {
            sqlite3_result_null(ctx);
            return;
        }
        int c = compare_values(v[i], v[best]);
        if (greatest ? c > 0 : c < 0) best = i;
    }
    sqlite3_result_value(ctx, v[best]);
}

void put_utf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void fn_chr(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    int64_t n = sqlite3_value_int64(v[0]);
    if (n < 0 || n > 0x10FFFF) return fail(ctx, ora_err::invalid_number, "invalid number");
    std::string r;
    put_utf8(r, static_cast<uint32_t>(n));
    sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

void fn_empty_clob(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}
void fn_empty_blob(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_zeroblob(ctx, 0);
}

void fn_cast_to_raw(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const void* p = sqlite3_value_text(v[0]);
    int n = sqlite3_value_bytes(v[0]);
    if (n == 0) return sqlite3_result_null(ctx);
    sqlite3_result_blob(ctx, p, n, SQLITE_TRANSIENT);
}

void fn_hextoraw(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    if (t.size() % 2) t.insert(t.begin(), '0');
    std::string b;
    for (size_t i = 0; i < t.size(); i += 2) {
        int h = hex_digit(t[i]), l = hex_digit(t[i + 1]);
        if (h < 0 || l < 0) return fail(ctx, ora_err::invalid_hex_number, "invalid hex number");
        b += static_cast<char>(h * 16 + l);
    }
    sqlite3_result_blob(ctx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

void fn_rawtohex(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const unsigned char* p = static_cast<const unsigned char*>(sqlite3_value_blob(v[0]));
    int n = sqlite3_value_bytes(v[0]);
    static const char* hx = "0123456789ABCDEF";
    std::string r;
    for (int i = 0; i < n; ++i) {
        r += hx[p[i] >> 4];
        r += hx[p[i] & 15];
    }
    if (r.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
}

void fn_substr(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    std::vector<size_t> starts;
    for (size_t i = 0; i < t.size(); ++i) {
        if ((static_cast<unsigned char>(t[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    int64_t len = static_cast<int64_t>(starts.size());
    int64_t pos = sqlite3_value_int64(v[1]);
    if (pos == 0) pos = 1;
    if (pos < 0) pos = pos < -len ? 0 : len + pos + 1;
    if (pos < 1 || pos > len) return sqlite3_result_null(ctx);
    int64_t count = len - pos + 1;
    if (argc >= 3) {
        if (is_null_value(v[2])) return sqlite3_result_null(ctx);
        count = std::min<int64_t>(count, sqlite3_value_int64(v[2]));
    }
    if (count < 1) return sqlite3_result_null(ctx);
    size_t b = starts[static_cast<size_t>(pos - 1)];
    size_t e = pos - 1 + count < len ? starts[static_cast<size_t>(pos - 1 + count)] : t.size();
    sqlite3_result_text(ctx, t.data() + b, static_cast<int>(e - b), SQLITE_TRANSIENT);
}

void fn_pad(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    bool left = lite_function_variant(ctx) != 0;
    if (is_null_value(v[0]) || is_null_value(v[1])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    int64_t n = sqlite3_value_int64(v[1]);
    std::string pad = argc >= 3 ? text_arg(v[2]) : " ";
    if (n <= 0 || pad.empty()) return sqlite3_result_null(ctx);
    // Scripts build LOBs with RPAD far past 32,767 characters; only what SQLite cannot hold
    // fails, and it fails loudly.
    if (n > k_max_text_chars)
        return fail(ctx, ora_err::concatenation_too_long,
                    "result of string concatenation is too long");
    // Lengths count characters, so a multi-byte character is never cut in two.
    size_t have = utf8_count(t);
    if (have >= static_cast<size_t>(n)) {
        t.resize(utf8_prefix(t, static_cast<size_t>(n)));
        return result_string(ctx, t);
    }
    size_t want = static_cast<size_t>(n) - have;
    size_t pad_chars = utf8_count(pad);
    std::string fill;
    while (want >= pad_chars) {
        fill += pad;
        want -= pad_chars;
    }
    fill.append(pad, 0, utf8_prefix(pad, want));
    result_string(ctx, left ? fill + t : t + fill);
}

void fn_initcap(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    std::string t = text_arg(v[0]);
    bool start = true;
    for (char& c : t) {
        unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u)) {
            c = static_cast<char>(start ? std::toupper(u) : std::tolower(u));
            start = false;
        } else {
            start = true;
        }
    }
    result_string(ctx, t);
}

void fn_seq(sqlite3_context* ctx, int, sqlite3_value** v) {
    auto* s = static_cast<lite_session*>(sqlite3_user_data(ctx));
    try {
        int64_t r = s->sequence_value(text_arg(v[0]), text_arg(v[1]), text_arg(v[2]) == "NEXTVAL");
        sqlite3_result_int64(ctx, r);
    } catch (const lite_error& e) {
        fail(ctx, e.code(), e.text());
    }
}

}  // namespace lite_fn

namespace lite_fn {

namespace {

const char* const k_hex = "0123456789ABCDEF";

void result_bytes(sqlite3_context* ctx, const std::string& b) {
    sqlite3_result_blob(ctx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
}

// Text of a value as Oracle converts it to a character type: numbers in Oracle's form.
std::string char_of(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER: {
            char b[32];
            return std::string(b, lite_int_text(sqlite3_value_int64(v), b));
        }
        case SQLITE_FLOAT:
            return lite_number_text(sqlite3_value_double(v));
        default:
            return text_arg(v);
    }
}

// Bytes of a hex text, as HEXTORAW reads it; false when it holds other characters.
bool hex_bytes(std::string_view t, std::string& out) {
    out.clear();
    out.reserve(t.size() / 2 + 1);
    size_t i = 0;
    if (t.size() % 2) {
        int l = hex_digit(t[0]);
        if (l < 0) return false;
        out += static_cast<char>(l);
        i = 1;
    }
    for (; i < t.size(); i += 2) {
        int h = hex_digit(t[i]), l = hex_digit(t[i + 1]);
        if (h < 0 || l < 0) return false;
        out += static_cast<char>(h * 16 + l);
    }
    return true;
}

// Byte offsets of the characters of UTF-8 text, and one past the end.
std::vector<size_t> char_starts(std::string_view t) {
    std::vector<size_t> s;
    for (size_t i = 0; i < t.size(); ++i) {
        if ((static_cast<unsigned char>(t[i]) & 0xC0) != 0x80) s.push_back(i);
    }
    s.push_back(t.size());
    return s;
}

}  // namespace

// LENGTH counts characters over all bytes of the value, an embedded chr(0) included; LENGTHB
// (variant 1) counts bytes.
void fn_length(sqlite3_context* ctx, int, sqlite3_value** v) {
    int type = sqlite3_value_type(v[0]);
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    if (type == SQLITE_BLOB) return sqlite3_result_int64(ctx, sqlite3_value_bytes(v[0]));
    if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
        return sqlite3_result_int64(ctx, static_cast<int64_t>(char_of(v[0]).size()));
    }
    const unsigned char* p = sqlite3_value_text(v[0]);
    std::string_view t(reinterpret_cast<const char*>(p),
                       static_cast<size_t>(sqlite3_value_bytes(v[0])));
    if (lite_function_variant(ctx) == 1)
        return sqlite3_result_int64(ctx, static_cast<int64_t>(t.size()));
    sqlite3_result_int64(ctx, static_cast<int64_t>(utf8_count(t)));
}

// INSTR(text, sought[, start[, occurrence]]) in characters; a negative start searches backwards.
void fn_instr(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    for (int i = 0; i < argc; ++i) {
        if (is_null_value(v[i])) return sqlite3_result_null(ctx);
    }
    std::string t = char_of(v[0]), s = char_of(v[1]);
    int64_t start = argc >= 3 ? sqlite3_value_int64(v[2]) : 1;
    int64_t occ = argc >= 4 ? sqlite3_value_int64(v[3]) : 1;
    if (start == 0) return sqlite3_result_int64(ctx, 0);
    if (occ <= 0)
        return fail(ctx, ora_err::argument_out_of_range,
                    "argument '" + std::to_string(occ) + "' is out of range");
    std::vector<size_t> cs = char_starts(t);
    const int64_t len = static_cast<int64_t>(cs.size()) - 1;
    auto char_at = [&](size_t byte) {
        return static_cast<int64_t>(std::lower_bound(cs.begin(), cs.end(), byte) - cs.begin()) + 1;
    };
    if (start > 0) {
        if (start > len) return sqlite3_result_int64(ctx, 0);
        size_t from = cs[static_cast<size_t>(start - 1)];
        while (true) {
            size_t at = t.find(s, from);
            if (at == std::string::npos) return sqlite3_result_int64(ctx, 0);
            if (--occ == 0) return sqlite3_result_int64(ctx, char_at(at));
            from = at + 1;
        }
    }
    int64_t from_char = len + start + 1;  // the last character a match may start at
    if (from_char < 1) return sqlite3_result_int64(ctx, 0);
    size_t from = cs[static_cast<size_t>(from_char - 1)];
    while (true) {
        size_t at = t.rfind(s, from);
        if (at == std::string::npos) return sqlite3_result_int64(ctx, 0);
        if (--occ == 0) return sqlite3_result_int64(ctx, char_at(at));
        if (at == 0) return sqlite3_result_int64(ctx, 0);
        from = at - 1;
    }
}

// REPLACE(text, sought[, replacement]): no replacement removes what is sought.
void fn_replace(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    std::string t = char_of(v[0]);
    std::string from = is_null_value(v[1]) ? std::string() : char_of(v[1]);
    std::string to = argc >= 3 && !is_null_value(v[2]) ? char_of(v[2]) : std::string();
    if (from.empty()) return result_string(ctx, t);
    std::string r;
    size_t p = 0;
    for (size_t at; (at = t.find(from, p)) != std::string::npos; p = at + from.size()) {
        r.append(t, p, at - p);
        r += to;
    }
    r.append(t, p, std::string::npos);
    if (r.empty()) return sqlite3_result_null(ctx);
    result_string(ctx, r);
}

namespace {

// Strips characters of `set` from the ends of t: variant bit 1 the left, bit 2 the right.
std::string strip(const std::string& t, const std::string& set, int ends) {
    std::vector<size_t> cs = char_starts(t);
    std::vector<std::string_view> set_chars;
    std::vector<size_t> ss = char_starts(set);
    for (size_t k = 0; k + 1 < ss.size(); ++k) {
        set_chars.push_back(std::string_view(set).substr(ss[k], ss[k + 1] - ss[k]));
    }
    auto in_set = [&](size_t k) {
        std::string_view c = std::string_view(t).substr(cs[k], cs[k + 1] - cs[k]);
        return std::find(set_chars.begin(), set_chars.end(), c) != set_chars.end();
    };
    size_t b = 0, e = cs.size() - 1;
    if (ends & 1) {
        while (b < e && in_set(b)) ++b;
    }
    if (ends & 2) {
        while (e > b && in_set(e - 1)) --e;
    }
    return t.substr(cs[b], cs[e] - cs[b]);
}

}  // namespace

// LTRIM (variant 1) and RTRIM (variant 2) with a set of characters, blanks by default.
void fn_ltrim_rtrim(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[0]) || (argc >= 2 && is_null_value(v[1]))) return sqlite3_result_null(ctx);
    std::string r =
        strip(char_of(v[0]), argc >= 2 ? char_of(v[1]) : " ", lite_function_variant(ctx));
    if (r.empty()) return sqlite3_result_null(ctx);
    result_string(ctx, r);
}

// TRIM([LEADING|TRAILING|BOTH] [c FROM] text): LITE_TRIM(mode, text[, c]); c is one character.
void fn_trim(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (is_null_value(v[1]) || (argc >= 3 && is_null_value(v[2]))) return sqlite3_result_null(ctx);
    std::string c = argc >= 3 ? char_of(v[2]) : " ";
    if (utf8_count(c) != 1)
        return fail(ctx, ora_err::trim_set_one_character,
                    "trim set should have only one character");
    std::string mode = text_arg(v[0]);
    int ends = mode == "LEADING" ? 1 : mode == "TRAILING" ? 2 : 3;
    std::string r = strip(char_of(v[1]), c, ends);
    if (r.empty()) return sqlite3_result_null(ctx);
    result_string(ctx, r);
}

// A value written into a RAW or BLOB column: bytes stay, text is read as hex as Oracle's
// implicit HEXTORAW reads it.
void fn_to_raw(sqlite3_context* ctx, int, sqlite3_value** v) {
    switch (sqlite3_value_type(v[0])) {
        case SQLITE_NULL:
        case SQLITE_BLOB:
            return sqlite3_result_value(ctx, v[0]);
        case SQLITE_TEXT: {
            std::string b;
            if (!hex_bytes(text_arg(v[0]), b))
                return fail(ctx, ora_err::invalid_hex_number, "invalid hex number");
            if (b.empty()) return sqlite3_result_null(ctx);
            return result_bytes(ctx, b);
        }
        default:
            return fail(ctx, ora_err::inconsistent_datatypes,
                        "inconsistent datatypes: expected BINARY got NUMBER");
    }
}

void fn_to_clob(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(v[0]) == SQLITE_BLOB) {
        const unsigned char* p = static_cast<const unsigned char*>(sqlite3_value_blob(v[0]));
        std::string r;
        for (int k = 0; k < sqlite3_value_bytes(v[0]); ++k) {
            r += k_hex[p[k] >> 4];
            r += k_hex[p[k] & 15];
        }
        return result_string(ctx, r);
    }
    result_string(ctx, char_of(v[0]));
}

// DBMS_LOB.GETLENGTH: bytes of a BLOB, characters of a CLOB; an empty LOB has length 0.
void fn_lob_length(sqlite3_context* ctx, int, sqlite3_value** v) {
    int type = sqlite3_value_type(v[0]);
    if (type == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (type == SQLITE_BLOB) return sqlite3_result_int64(ctx, sqlite3_value_bytes(v[0]));
    std::string t = char_of(v[0]);
    sqlite3_result_int64(ctx, static_cast<int64_t>(utf8_count(t)));
}

// DBMS_LOB.SUBSTR(lob[, amount[, offset]]): bytes of a BLOB, characters of a CLOB.
void fn_lob_substr(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    int64_t amount = argc >= 2 ? sqlite3_value_int64(v[1]) : 32767;
    int64_t offset = argc >= 3 ? sqlite3_value_int64(v[2]) : 1;
    if ((argc >= 2 && is_null_value(v[1])) || (argc >= 3 && is_null_value(v[2])) || amount < 1 ||
        offset < 1) {
        return sqlite3_result_null(ctx);
    }
    if (sqlite3_value_type(v[0]) == SQLITE_BLOB) {
        const char* p = static_cast<const char*>(sqlite3_value_blob(v[0]));
        int64_t n = sqlite3_value_bytes(v[0]);
        if (offset > n) return sqlite3_result_null(ctx);
        int64_t take = std::min(amount, n - offset + 1);
        return sqlite3_result_blob(ctx, p + offset - 1, static_cast<int>(take), SQLITE_TRANSIENT);
    }
    std::string t = char_of(v[0]);
    std::vector<size_t> cs = char_starts(t);
    int64_t len = static_cast<int64_t>(cs.size()) - 1;
    if (offset > len) return sqlite3_result_null(ctx);
    int64_t end = std::min(len, offset - 1 + amount);
    size_t b = cs[static_cast<size_t>(offset - 1)], e = cs[static_cast<size_t>(end)];
    sqlite3_result_text(ctx, t.data() + b, static_cast<int>(e - b), SQLITE_TRANSIENT);
}

// UTL_RAW.CAST_TO_VARCHAR2: the bytes of a RAW as text.
void fn_raw_to_text(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (is_null_value(v[0])) return sqlite3_result_null(ctx);
    const void* p = sqlite3_value_blob(v[0]);
    int n = sqlite3_value_bytes(v[0]);
    sqlite3_result_text(ctx, static_cast<const char*>(p), n, SQLITE_TRANSIENT);
}

// LITE_RAISE(code, text): the error of a foreign-key trigger, raised as its number.
void fn_raise(sqlite3_context* ctx, int, sqlite3_value** v) {
    fail(ctx, sqlite3_value_int(v[0]), text_arg(v[1]));
}

// LITE_ONE(value): the one value a scalar sub-query yields, NULL for none; a second row is
// ORA-01427 at once, before the sub-query reads further.
namespace {
struct one_state {
    sqlite3_value* value;
    bool many;
};
}  // namespace

void one_step(sqlite3_context* ctx, int, sqlite3_value** v) {
    auto* st = static_cast<one_state*>(sqlite3_aggregate_context(ctx, sizeof(one_state)));
    if (!st) return sqlite3_result_error_nomem(ctx);
    if (st->many) return;
    if (st->value) {
        sqlite3_value_free(st->value);
        st->value = nullptr;
        st->many = true;
        return fail(ctx, ora_err::subquery_many_rows,
                    "single-row subquery returns more than one row");
    }
    st->value = sqlite3_value_dup(v[0]);
    if (!st->value) sqlite3_result_error_nomem(ctx);
}

void one_final(sqlite3_context* ctx) {
    auto* st = static_cast<one_state*>(sqlite3_aggregate_context(ctx, 0));
    if (!st || !st->value) return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, st->value);
    sqlite3_value_free(st->value);
    st->value = nullptr;
}

// LISTAGG: LITE_LISTAGG(value, separator, mode, filler, key, order, ...). Mode bit 1 and 2:
// ON OVERFLOW TRUNCATE with or without the count; bit 4: DISTINCT. Order bit 1: descending,
// bits 2-3: NULLS FIRST (1) or LAST (2). Also a window function (xValue/xInverse), so
// LISTAGG ... OVER (PARTITION BY ...) runs too.
namespace {

struct agg_value {
    int type = SQLITE_NULL;
    int64_t i = 0;
    double d = 0;
    std::string s;
};

agg_value keep(sqlite3_value* v) {
    agg_value a;
    a.type = sqlite3_value_type(v);
    if (a.type == SQLITE_INTEGER) a.i = sqlite3_value_int64(v);
    if (a.type == SQLITE_FLOAT) a.d = sqlite3_value_double(v);
    if (a.type == SQLITE_TEXT || a.type == SQLITE_BLOB) {
        a.s.assign(static_cast<const char*>(sqlite3_value_blob(v)),
                   static_cast<size_t>(sqlite3_value_bytes(v)));
        if (a.type == SQLITE_TEXT && a.s.empty()) a.type = SQLITE_NULL;
    }
    return a;
}

int compare(const agg_value& a, const agg_value& b) {
    bool na = a.type == SQLITE_INTEGER || a.type == SQLITE_FLOAT;
    bool nb = b.type == SQLITE_INTEGER || b.type == SQLITE_FLOAT;
    if (na && nb) {
        if (a.type == SQLITE_INTEGER && b.type == SQLITE_INTEGER) return a.i < b.i ? -1 : a.i > b.i;
        double x = a.type == SQLITE_INTEGER ? static_cast<double>(a.i) : a.d;
        double y = b.type == SQLITE_INTEGER ? static_cast<double>(b.i) : b.d;
        return x < y ? -1 : x > y;
    }
    if (na != nb) return na ? -1 : 1;
    int c = a.s.compare(b.s);
    return c < 0 ? -1 : c > 0;
}

struct listagg_row {
    std::string text;
    std::vector<agg_value> keys;
};

struct listagg_state {
    bool init = false;
    std::string separator;
    int mode = 0;
    std::string filler;
    std::vector<int> orders;
    std::vector<listagg_row> rows;
    size_t first = 0;  // rows before this left the window
};

listagg_state* listagg_of(sqlite3_context* ctx, bool create) {
    // The aggregate's context holds only a pointer to the state, which may grow.
    auto** slot = static_cast<listagg_state**>(sqlite3_aggregate_context(
        ctx,
        create ? static_cast<int>(sizeof(listagg_state*))  // NOLINT(bugprone-sizeof-expression)
               : 0));
    if (!slot) return nullptr;
    if (!*slot && create) *slot = new listagg_state;
    return *slot;
}

void listagg_result(sqlite3_context* ctx, listagg_state* st, bool final) {
    if (!st) return sqlite3_result_null(ctx);
    std::vector<const listagg_row*> rows;
    for (size_t k = st->first; k < st->rows.size(); ++k) rows.push_back(&st->rows[k]);
    std::stable_sort(rows.begin(), rows.end(), [&](const listagg_row* a, const listagg_row* b) {
        for (size_t k = 0; k < st->orders.size(); ++k) {
            const agg_value& x = a->keys[k];
            const agg_value& y = b->keys[k];
            bool desc = st->orders[k] & 1;
            int nulls = st->orders[k] >> 1;
            bool xn = x.type == SQLITE_NULL, yn = y.type == SQLITE_NULL;
            if (xn || yn) {
                if (xn && yn) continue;
                bool nulls_first = nulls == 1 || (nulls == 0 && desc);
                return xn ? nulls_first : !nulls_first;
            }
            int c = compare(x, y);
            if (c != 0) return desc ? c > 0 : c < 0;
        }
        return false;
    });
    std::string out;
    std::vector<std::string> seen;
    size_t count = 0, left_out = 0;
    // Oracle's limit of a VARCHAR2 result.
    const size_t limit = 32767;
    for (const listagg_row* r : rows) {
        if (st->mode & 4) {
            if (std::find(seen.begin(), seen.end(), r->text) != seen.end()) continue;
            seen.push_back(r->text);
        }
        std::string piece = (count ? st->separator : std::string()) + r->text;
        if (out.size() + piece.size() > limit && (st->mode & 3)) {
            ++left_out;
            continue;
        }
        out += piece;
        ++count;
    }
    if (out.size() > limit) {
        if (final) delete st;
        return fail(ctx, ora_err::concatenation_too_long,
                    "result of string concatenation is too long");
    }
    if (left_out) {
        out += st->separator + st->filler;
        if ((st->mode & 3) == 1) out += "(" + std::to_string(left_out) + ")";
    }
    if (final) delete st;
    if (out.empty()) return sqlite3_result_null(ctx);
    result_string(ctx, out);
}

}  // namespace

void listagg_step(sqlite3_context* ctx, int argc, sqlite3_value** v) {
    listagg_state* st = listagg_of(ctx, true);
    if (!st) return sqlite3_result_error_nomem(ctx);
    if (!st->init) {
        st->init = true;
        st->separator = is_null_value(v[1]) ? std::string() : char_of(v[1]);
        st->mode = sqlite3_value_int(v[2]);
        st->filler = text_arg(v[3]);
        for (int k = 5; k < argc; k += 2) st->orders.push_back(sqlite3_value_int(v[k]));
    }
    // A NULL value is no part of the list, but keeps its place (with empty text) so a window
    // drops rows in the order they came.
    listagg_row r;
    if (!is_null_value(v[0])) r.text = char_of(v[0]);
    for (int k = 4; k + 1 < argc; k += 2) r.keys.push_back(keep(v[k]));
    st->rows.push_back(std::move(r));
}

void listagg_final(sqlite3_context* ctx) {
    listagg_state* st = listagg_of(ctx, false);
    if (st) {
        // Rows of NULL values carry no text and are no part of the list.
        st->rows.erase(
            std::remove_if(st->rows.begin() + static_cast<std::ptrdiff_t>(st->first),
                           st->rows.end(), [](const listagg_row& r) { return r.text.empty(); }),
            st->rows.end());
    }
    listagg_result(ctx, st, true);
}

void listagg_value(sqlite3_context* ctx) {
    listagg_state* st = listagg_of(ctx, false);
    if (!st) return sqlite3_result_null(ctx);
    listagg_state view = *st;
    view.rows.erase(
        std::remove_if(view.rows.begin() + static_cast<std::ptrdiff_t>(view.first), view.rows.end(),
                       [](const listagg_row& r) { return r.text.empty(); }),
        view.rows.end());
    listagg_result(ctx, &view, false);
}

void listagg_inverse(sqlite3_context* ctx, int, sqlite3_value**) {
    listagg_state* st = listagg_of(ctx, false);
    if (st && st->first < st->rows.size()) ++st->first;
}

}  // namespace lite_fn
