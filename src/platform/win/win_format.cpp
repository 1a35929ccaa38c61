#include "platform/win/win_format.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string_view>

#include "platform/win/win_codepage.h"

namespace {

enum class len_mod { none, hh, h, l, ll, j, z, t, L, i64, i32, ptr };

struct spec {
    bool left = false;
    bool zero = false;
    std::string flags;  // as written, for the numeric conversions
    int width = -1;
    int precision = -1;
    len_mod len = len_mod::none;
    char conv = 0;
};

void append_ascii(std::string& out, const char* s, size_t n) {
    out.append(s, n);
}
void append_ascii(std::wstring& out, const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) out.push_back(static_cast<unsigned char>(s[i]));
}

// Narrow source text into either output.
void append_narrow(std::string& out, const char* s, size_t n) {
    out.append(s, n);
}
void append_narrow(std::wstring& out, const char* s, size_t n) {
    if (n == 0) return;
    size_t base = out.size();
    out.resize(base + n);
    int got = MultiByteToWideChar(CP_ACP, 0, s, static_cast<int>(n), out.data() + base,
                                  static_cast<int>(n));
    if (got > 0) {
        out.resize(base + got);
        return;
    }
    for (size_t i = 0; i < n; ++i) out[base + i] = static_cast<unsigned char>(s[i]);
}

// Wide source text into either output.
void append_wide(std::wstring& out, const wchar_t* s, size_t n) {
    out.append(s, n);
}
void append_wide(std::string& out, const wchar_t* s, size_t n) {
    if (n == 0) return;
    size_t base = out.size();
    out.resize(base + 4 * n);
    int got = WideCharToMultiByte(CP_ACP, 0, s, static_cast<int>(n), out.data() + base,
                                  static_cast<int>(4 * n), nullptr, nullptr);
    if (got > 0) {
        out.resize(base + got);
        return;
    }
    out.resize(base);
    for (size_t i = 0; i < n; ++i) out.push_back(s[i] < 0x80 ? static_cast<char>(s[i]) : '?');
}

template <class Out>
void pad(Out& out, int count) {
    if (count > 0) out.append(static_cast<size_t>(count), ' ');
}

template <class Out, class Src>
void put_text(Out& out, const spec& sp, const Src* s) {
    static constexpr char null_text[] = "(null)";
    size_t n;
    if (!s) {
        n = 6;
        if (sp.precision >= 0 && static_cast<size_t>(sp.precision) < n) n = sp.precision;
    } else if constexpr (sizeof(Src) == 1) {
        n = sp.precision >= 0 ? strnlen(s, sp.precision) : std::strlen(s);
    } else {
        n = sp.precision >= 0 ? wcsnlen(s, sp.precision) : std::wcslen(s);
    }
    size_t before = out.size();
    if (!s) {
        append_ascii(out, null_text, n);
    } else if constexpr (sizeof(Src) == 1) {
        append_narrow(out, s, n);
    } else {
        append_wide(out, s, n);
    }
    int produced = static_cast<int>(out.size() - before);
    if (sp.width > produced) {
        if (sp.left) {
            pad(out, sp.width - produced);
        } else {
            out.insert(before, static_cast<size_t>(sp.width - produced), ' ');
        }
    }
}

// Formats one numeric value through the C library into the output.
template <class Out, class V>
void put_number(Out& out, const spec& sp, const char* length, V value) {
    char fmt[48];
    std::string_view flags(sp.flags);
    if (flags.size() > 8) flags = flags.substr(0, 8);
    int k = 0;
    fmt[k++] = '%';
    for (char f : flags) fmt[k++] = f;
    k += std::snprintf(fmt + k, sizeof(fmt) - k, "%s", "*.*");
    for (const char* p = length; *p; ++p) fmt[k++] = *p;
    fmt[k++] = sp.conv;
    fmt[k] = 0;
    char buf[512];
    int n = std::snprintf(buf, sizeof(buf), fmt, sp.width, sp.precision, value);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof(buf)) {
        append_ascii(out, buf, n);
        return;
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), fmt, sp.width, sp.precision, value);
    append_ascii(out, big.data(), n);
}

template <class C>
int parse_int(const C*& p) {
    long v = 0;
    while (*p >= '0' && *p <= '9') {
        if (v < 100000) v = v * 10 + (*p - '0');
        ++p;
    }
    return static_cast<int>(v);
}

template <class C>
void vformat(std::basic_string<C>& out, const C* f, va_list args) {
    constexpr bool wide_format = sizeof(C) != 1;
    if (!f) return;
    while (*f) {
        if (*f != '%') {
            const C* start = f;
            while (*f && *f != '%') ++f;
            out.append(start, f - start);
            continue;
        }
        const C* start = f++;
        spec sp;
        for (;; ++f) {
            if (*f == '-') {
                sp.left = true;
            } else if (*f == '0') {
                sp.zero = true;
            } else if (*f != '+' && *f != ' ' && *f != '#') {
                break;
            }
            sp.flags.push_back(static_cast<char>(*f));
        }
        if (*f == '*') {
            sp.width = va_arg(args, int);
            if (sp.width < 0) {
                sp.left = true;
                sp.flags.push_back('-');
                sp.width = -sp.width;
            }
            ++f;
        } else if (*f >= '0' && *f <= '9') {
            sp.width = parse_int(f);
        }
        if (*f == '.') {
            ++f;
            if (*f == '*') {
                sp.precision = va_arg(args, int);
                ++f;
            } else {
                sp.precision = parse_int(f);
            }
        }
        // Text sides: +1 names wide text, -1 narrow text, 0 the format's default.
        int text_side = 0;
        switch (*f) {
            case 'h':
                ++f;
                if (*f == 'h') {
                    ++f;
                    sp.len = len_mod::hh;
                } else {
                    sp.len = len_mod::h;
                }
                text_side = -1;
                break;
            case 'l':
                ++f;
                if (*f == 'l') {
                    ++f;
                    sp.len = len_mod::ll;
                } else {
                    sp.len = len_mod::l;
                }
                text_side = 1;
                break;
            case 'w':
                ++f;
                text_side = 1;
                break;
            case 'q':
            case 'L':
                ++f;
                sp.len = len_mod::L;
                break;
            case 'j':
                ++f;
                sp.len = len_mod::j;
                break;
            case 'z':
                ++f;
                sp.len = len_mod::z;
                break;
            case 't':
                ++f;
                sp.len = len_mod::t;
                break;
            case 'I':
                ++f;
                if (f[0] == '6' && f[1] == '4') {
                    f += 2;
                    sp.len = len_mod::i64;
                } else if (f[0] == '3' && f[1] == '2') {
                    f += 2;
                    sp.len = len_mod::i32;
                } else {
                    sp.len = len_mod::ptr;
                }
                break;
            default:
                break;
        }
        if (!*f) {
            out.append(start, f - start);
            break;
        }
        C conv = *f++;
        sp.conv = static_cast<char>(conv);
        switch (conv) {
            case 'd':
            case 'i': {
                long long v;
                switch (sp.len) {
                    case len_mod::hh:
                        v = static_cast<signed char>(va_arg(args, int));
                        break;
                    case len_mod::h:
                        v = static_cast<short>(va_arg(args, int));
                        break;
                    case len_mod::l:  // LONG: 32 bits where these formats come from
                        v = va_arg(args, int);
                        break;
                    case len_mod::ll:
                    case len_mod::L:
                    case len_mod::i64:
                        v = va_arg(args, long long);
                        break;
                    case len_mod::j:
                        v = va_arg(args, intmax_t);
                        break;
                    case len_mod::z:
                    case len_mod::t:
                    case len_mod::ptr:
                        v = va_arg(args, ptrdiff_t);
                        break;
                    default:
                        v = va_arg(args, int);
                        break;
                }
                put_number(out, sp, "ll", v);
                break;
            }
            case 'u':
            case 'o':
            case 'x':
            case 'X': {
                unsigned long long v;
                switch (sp.len) {
                    case len_mod::hh:
                        v = static_cast<unsigned char>(va_arg(args, unsigned int));
                        break;
                    case len_mod::h:
                        v = static_cast<unsigned short>(va_arg(args, unsigned int));
                        break;
                    case len_mod::l:
                        v = va_arg(args, unsigned int);
                        break;
                    case len_mod::ll:
                    case len_mod::L:
                    case len_mod::i64:
                        v = va_arg(args, unsigned long long);
                        break;
                    case len_mod::j:
                        v = va_arg(args, uintmax_t);
                        break;
                    case len_mod::z:
                    case len_mod::t:
                    case len_mod::ptr:
                        v = va_arg(args, size_t);
                        break;
                    default:
                        v = va_arg(args, unsigned int);
                        break;
                }
                put_number(out, sp, "ll", v);
                break;
            }
            case 'e':
            case 'E':
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                if (sp.len == len_mod::L) {
                    put_number(out, sp, "L", va_arg(args, long double));
                } else {
                    put_number(out, sp, "", va_arg(args, double));
                }
                break;
            case 'p': {
                // Pointers print as the system prints them: zero-padded upper-case hex digits.
                spec hex = sp;
                hex.conv = 'X';
                hex.flags = sp.left ? "-" : "0";
                hex.precision = -1;
                hex.width = static_cast<int>(2 * sizeof(void*));
                if (sp.width > hex.width) hex.width = sp.width;
                put_number(out, hex, "ll",
                           static_cast<unsigned long long>(
                               reinterpret_cast<uintptr_t>(va_arg(args, void*))));
                break;
            }
            case 'c':
            case 'C': {
                bool wide_char = (conv == 'c') == wide_format;
                if (text_side != 0) wide_char = text_side > 0;
                int v = va_arg(args, int);
                spec text = sp;
                text.precision = -1;
                if (wide_char) {
                    wchar_t s[2] = {static_cast<wchar_t>(v), 0};
                    put_text(out, text, s);
                } else {
                    char s[2] = {static_cast<char>(v), 0};
                    if (s[0] == 0) {
                        out.push_back(0);
                    } else {
                        put_text(out, text, s);
                    }
                }
                break;
            }
            case 's':
            case 'S': {
                bool wide_text = (conv == 's') == wide_format;
                if (text_side != 0) wide_text = text_side > 0;
                if (wide_text) {
                    put_text(out, sp, va_arg(args, const wchar_t*));
                } else {
                    put_text(out, sp, va_arg(args, const char*));
                }
                break;
            }
            case 'n':
                (void)va_arg(args, void*);
                break;
            case '%':
                out.push_back('%');
                break;
            default:
                out.append(start, f - start);
                break;
        }
    }
}

}  // namespace

void win_vformat(std::string& out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    vformat(out, format, copy);
    va_end(copy);
}

void win_vformat(std::wstring& out, const wchar_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    vformat(out, format, copy);
    va_end(copy);
}

std::string win_format(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    vformat(out, format, args);
    va_end(args);
    return out;
}

std::wstring win_format(const wchar_t* format, ...) {
    std::wstring out;
    va_list args;
    va_start(args, format);
    vformat(out, format, args);
    va_end(args);
    return out;
}
