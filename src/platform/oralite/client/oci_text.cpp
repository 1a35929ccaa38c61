#include "client/oci_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace oci_text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

inline char16_t load_unit(const unsigned char* p) {
    char16_t u;
    std::memcpy(&u, p, sizeof u);
    return u;
}

inline void store_unit(unsigned char* p, char16_t u) {
    std::memcpy(p, &u, sizeof u);
}

inline void append_code_point(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one code point at s[i]; advances i. Malformed input yields U+FFFD and skips one byte.
inline char32_t next_code_point(std::string_view s, size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + len > s.size()) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // A surrogate stored as a character of its own comes out as its unit, as the database's own
    // conversion gives it: a pair so stored is its one character again, and a lone one is left
    // for the reader to judge rather than hidden as three replacement characters.
    if (cp < min || cp > 0x10FFFF) {
        ++i;
        return kReplacement;
    }
    i += len;
    return cp;
}

}  // namespace

void append_utf16_as_utf8(const void* utf16, size_t bytes, std::string& out) {
    const auto* p = static_cast<const unsigned char*>(utf16);
    const size_t n = bytes / 2;
    // ASCII runs are copied straight into the string's storage.
    size_t i = 0;
    {
        const size_t start = out.size();
        out.resize(start + n);
        char* dst = out.data() + start;
        for (; i < n; ++i) {
            const char16_t u = load_unit(p + 2 * i);
            if (u >= 0x80) break;
            dst[i] = static_cast<char>(u);
        }
        out.resize(start + i);
    }
    for (; i < n; ++i) {
        const char16_t u = load_unit(p + 2 * i);
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        char32_t cp = u;
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < n) {
                const char16_t lo = load_unit(p + 2 * (i + 1));
                if (lo >= 0xDC00 && lo <= 0xDFFF) {
                    cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (lo - 0xDC00);
                    ++i;
                } else {
                    cp = kReplacement;
                }
            } else {
                cp = kReplacement;
            }
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            cp = kReplacement;
        }
        append_code_point(cp, out);
    }
}

std::string utf16_to_utf8(const void* utf16, size_t bytes) {
    std::string out;
    out.reserve(bytes / 2);
    if (utf16 != nullptr) append_utf16_as_utf8(utf16, bytes, out);
    return out;
}

size_t utf16_strlen_bytes(const void* utf16, size_t max_bytes) {
    const auto* p = static_cast<const unsigned char*>(utf16);
    size_t i = 0;
    while (i + 1 < max_bytes && load_unit(p + i) != 0) i += 2;
    return i + 1 < max_bytes ? i : (max_bytes & ~size_t{1});
}

std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = next_code_point(utf8, i);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

size_t utf8_to_utf16_into(std::string_view utf8, void* out, size_t cap_units,
                          size_t* needed_units) {
    auto* p = static_cast<unsigned char*>(out);
    size_t written = 0;
    size_t needed = 0;
    size_t i = 0;
    // Fast path: ASCII needs no decoding, and eight bytes at a time are widened together.
    const size_t block_end = std::min(utf8.size(), cap_units);
    while (i + 8 <= block_end) {
        const auto* in = reinterpret_cast<const unsigned char*>(utf8.data()) + i;
        std::uint64_t word = 0;
        std::memcpy(&word, in, 8);
        if ((word & 0x8080808080808080ull) != 0) break;
        char16_t units[8];
        for (int k = 0; k < 8; ++k) units[k] = in[k];
        std::memcpy(p + 2 * i, units, sizeof units);
        i += 8;
    }
    written = needed = i;
    while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80) {
        if (written < cap_units) store_unit(p + 2 * written++, static_cast<char16_t>(utf8[i]));
        ++needed;
        ++i;
    }
    while (i < utf8.size()) {
        const char32_t cp = next_code_point(utf8, i);
        if (cp >= 0x10000) {
            if (written + 2 <= cap_units && written == needed) {
                store_unit(p + 2 * written++,
                           static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
                store_unit(p + 2 * written++,
                           static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            }
            needed += 2;
        } else {
            if (written < cap_units && written == needed) {
                store_unit(p + 2 * written++, static_cast<char16_t>(cp));
            }
            ++needed;
        }
    }
    if (needed_units != nullptr) *needed_units = needed;
    return written;
}

size_t utf16_units_of(std::string_view utf8) {
    size_t needed = 0;
    for (size_t i = 0; i < utf8.size();) {
        needed += next_code_point(utf8, i) >= 0x10000 ? 2 : 1;
    }
    return needed;
}

}  // namespace oci_text
