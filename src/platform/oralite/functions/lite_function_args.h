// Helpers the implementations of the engine's SQL functions share: reading arguments as Oracle
// reads them ('' is NULL), setting results, UTF-8 counting and digit reading.
//
// Thread-safety: pure functions of their arguments.
#ifndef TW_PLATFORM_ORALITE_LITE_FUNCTION_ARGS_H
#define TW_PLATFORM_ORALITE_LITE_FUNCTION_ARGS_H

#include <sqlite3.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "functions/lite_function_table.h"

namespace lite_fn {

inline std::string text_arg(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t),
                           static_cast<size_t>(sqlite3_value_bytes(v)))
             : std::string();
}

// NULL, or the empty text Oracle does not tell from NULL.
inline bool is_null_value(sqlite3_value* v) {
    int t = sqlite3_value_type(v);
    return t == SQLITE_NULL || (t == SQLITE_TEXT && sqlite3_value_bytes(v) == 0);
}

inline void result_string(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

inline void fail(sqlite3_context* ctx, int code, const std::string& text) {
    lite_function_fail(ctx, code, text);
}

// Oracle compares a number with a text by turning the text into a number.
inline int compare_values(sqlite3_value* a, sqlite3_value* b) {
    int ta = sqlite3_value_numeric_type(a), tb = sqlite3_value_numeric_type(b);
    bool na = ta == SQLITE_INTEGER || ta == SQLITE_FLOAT;
    bool nb = tb == SQLITE_INTEGER || tb == SQLITE_FLOAT;
    if (na && nb) {
        if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER) {
            auto x = sqlite3_value_int64(a), y = sqlite3_value_int64(b);
            return x < y ? -1 : x > y ? 1 : 0;
        }
        double x = sqlite3_value_double(a), y = sqlite3_value_double(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    std::string x = text_arg(a), y = text_arg(b);
    return x.compare(y) < 0 ? -1 : x == y ? 0 : 1;
}

// Reads up to max digits at t[pos]; false when none.
inline bool read_int(std::string_view t, size_t& pos, int max, int& out, bool allow_sign = false) {
    bool neg = false;
    if (allow_sign && pos < t.size() && (t[pos] == '-' || t[pos] == '+')) {
        neg = t[pos] == '-';
        ++pos;
    }
    int v = 0, n = 0;
    while (pos < t.size() && n < max && t[pos] >= '0' && t[pos] <= '9') {
        v = v * 10 + (t[pos] - '0');
        ++pos;
        ++n;
    }
    out = neg ? -v : v;
    return n > 0;
}

// Characters of UTF-8 text (bytes that do not continue a sequence).
inline size_t utf8_count(std::string_view t) {
    size_t n = 0;
    for (char c : t) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// Bytes of the first `chars` characters of UTF-8 text.
inline size_t utf8_prefix(std::string_view t, size_t chars) {
    size_t seen = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if ((static_cast<unsigned char>(t[i]) & 0xC0) != 0x80 && seen++ == chars) return i;
    }
    return t.size();
}

inline int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace lite_fn

#endif
