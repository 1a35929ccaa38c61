#include "platform/win/win_codepage.h"

#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>

#include "platform/win/win_error.h"

namespace {

// Encodes one code point; answers the byte count, 0 when UTF-8 cannot carry it.
int utf8_encode(std::uint32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c >= 0xD800 && c <= 0xDFFF) return 0;
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    if (c > 0x10FFFF) return 0;
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// Decodes one code point from s[0..n); answers the bytes used, 0 on an invalid sequence
// (overlong forms, surrogates and values above U+10FFFF included).
int utf8_decode(const unsigned char* s, int n, std::uint32_t& c) {
    unsigned char b = s[0];
    if (b < 0x80) {
        c = b;
        return 1;
    }
    int len;
    std::uint32_t min;
    if ((b & 0xE0) == 0xC0) {
        len = 2, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, c = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (n < len) return 0;
    for (int i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return len;
}

int fail(DWORD code) {
    SetLastError(code);
    return 0;
}

// The iconv name of a code page; empty when it means UTF-8.
std::string charset_of(UINT code_page) {
    if (code_page == CP_UTF8) return {};
    if (code_page == CP_ACP || code_page == CP_THREAD_ACP) {
        const char* set = nl_langinfo(CODESET);
        if (!set || !*set || strcasecmp(set, "UTF-8") == 0 || strcasecmp(set, "UTF8") == 0 ||
            strcmp(set, "ANSI_X3.4-1968") == 0) {
            return {};
        }
        return set;
    }
    if (code_page == 20127) return "ASCII";
    if (code_page >= 28591 && code_page <= 28599) {
        return "ISO-8859-" + std::to_string(code_page - 28590);
    }
    return "CP" + std::to_string(code_page);
}

// One iconv descriptor per thread and direction, reopened only when the character set changes.
struct iconv_slot {
    std::string from, to;
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    ~iconv_slot() {
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
    bool open(const std::string& f, const std::string& t) {
        if (cd != reinterpret_cast<iconv_t>(-1) && f == from && t == to) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            return true;
        }
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
        cd = iconv_open(t.c_str(), f.c_str());
        from = f;
        to = t;
        return cd != reinterpret_cast<iconv_t>(-1);
    }
};

thread_local iconv_slot t_to_bytes;
thread_local iconv_slot t_to_wide;

// Appends one output unit when there is room (or when only counting).
template <class C>
bool put(C* dst, int dst_size, int& count, const C* units, int n) {
    if (dst_size > 0) {
        if (count + n > dst_size) return false;
        std::memcpy(dst + count, units, n * sizeof(C));
    }
    count += n;
    return true;
}

int wide_to_utf8(const wchar_t* src, int len, char* dst, int dst_size) {
    int count = 0;
    char unit[4];
    for (int i = 0; i < len; ++i) {
        int n = utf8_encode(static_cast<std::uint32_t>(src[i]), unit);
        if (n == 0) return fail(ERROR_NO_UNICODE_TRANSLATION);
        if (!put(dst, dst_size, count, unit, n)) return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    return count;
}

int utf8_to_wide(const char* src, int len, wchar_t* dst, int dst_size) {
    int count = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(src);
    for (int i = 0; i < len;) {
        std::uint32_t c;
        int n = utf8_decode(s + i, len - i, c);
        if (n == 0) return fail(ERROR_NO_UNICODE_TRANSLATION);
        wchar_t w = static_cast<wchar_t>(c);
        if (!put(dst, dst_size, count, &w, 1)) return fail(ERROR_INSUFFICIENT_BUFFER);
        i += n;
    }
    return count;
}

int wide_to_charset(const std::string& set, const wchar_t* src, int len, char* dst, int dst_size,
                    const char* default_char, BOOL* used_default) {
    if (!t_to_bytes.open("WCHAR_T", set)) return fail(ERROR_INVALID_PARAMETER);
    int count = 0;
    const char def = default_char ? *default_char : '?';
    for (int i = 0; i < len; ++i) {
        char unit[16];
        char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(src + i));
        size_t in_left = sizeof(wchar_t);
        char* out = unit;
        size_t out_left = sizeof(unit);
        size_t r = iconv(t_to_bytes.cd, &in, &in_left, &out, &out_left);
        int n = static_cast<int>(out - unit);
        if (r == static_cast<size_t>(-1)) {
            iconv(t_to_bytes.cd, nullptr, nullptr, nullptr, nullptr);
            unit[0] = def;
            n = 1;
            if (used_default) *used_default = TRUE;
        }
        if (!put(dst, dst_size, count, unit, n)) return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    return count;
}

int charset_to_wide(const std::string& set, const char* src, int len, wchar_t* dst, int dst_size) {
    if (!t_to_wide.open(set, "WCHAR_T")) return fail(ERROR_INVALID_PARAMETER);
    int count = 0;
    char* in = const_cast<char*>(src);
    size_t in_left = static_cast<size_t>(len);
    while (in_left > 0) {
        wchar_t chunk[256];
        char* out = reinterpret_cast<char*>(chunk);
        size_t out_left = sizeof(chunk);
        size_t r = iconv(t_to_wide.cd, &in, &in_left, &out, &out_left);
        int n = static_cast<int>((out - reinterpret_cast<char*>(chunk)) / sizeof(wchar_t));
        if (!put(dst, dst_size, count, chunk, n)) return fail(ERROR_INSUFFICIENT_BUFFER);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            return fail(ERROR_NO_UNICODE_TRANSLATION);
        }
    }
    return count;
}

}  // namespace

bool win_acp_is_utf8() {
    return charset_of(CP_ACP).empty();
}

int WideCharToMultiByte(UINT code_page, DWORD /*flags*/, const wchar_t* src, int src_len, char* dst,
                        int dst_size, const char* default_char, BOOL* used_default_char) {
    if (used_default_char) *used_default_char = FALSE;
    if (!src || src_len == 0 || src_len < -1 || dst_size < 0 || (dst_size > 0 && !dst)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    int len = src_len == -1 ? static_cast<int>(std::wcslen(src)) + 1 : src_len;
    std::string set = charset_of(code_page);
    int n = set.empty()
                ? wide_to_utf8(src, len, dst, dst_size)
                : wide_to_charset(set, src, len, dst, dst_size, default_char, used_default_char);
    return n;
}

int MultiByteToWideChar(UINT code_page, DWORD /*flags*/, const char* src, int src_len, wchar_t* dst,
                        int dst_size) {
    if (!src || src_len == 0 || src_len < -1 || dst_size < 0 || (dst_size > 0 && !dst)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    int len = src_len == -1 ? static_cast<int>(std::strlen(src)) + 1 : src_len;
    std::string set = charset_of(code_page);
    int n = set.empty() ? utf8_to_wide(src, len, dst, dst_size)
                        : charset_to_wide(set, src, len, dst, dst_size);
    return n;
}
