#include "lite_cell_numbers.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "lite_value_text.h"

// Oracle's text of a double, as "%.15g" prints it in the C locale but with ".5" for "0.5", into
// `out` (64 bytes): its length, or 0 when the number needs an exponent (or is no number).
size_t lite_short_number_text(double v, char* out) {
    char b[64];
    const auto res = std::to_chars(b, b + sizeof b, v, std::chars_format::general, 15);
    if (res.ec != std::errc()) return 0;
    const char* end = res.ptr;
    for (const char* q = b; q < end; ++q) {
        if (*q == 'e' || *q == 'n' || *q == 'i') return 0;
    }
    const char* p = b;
    char* o = out;
    if (*p == '-') *o++ = *p++;
    // The digits are not zero-terminated, so "0" alone must not be looked past.
    if (end - p > 1 && p[0] == '0' && p[1] == '.') ++p;
    std::memcpy(o, p, static_cast<size_t>(end - p));
    o += end - p;
    if (o - out == 2 && out[0] == '-' && out[1] == '0') {  // no negative zero
        out[0] = '0';
        o = out + 1;
    }
    return static_cast<size_t>(o - out);
}

// The text lite_short_number_text gives the value `digits` / 10^scale, when it holds at most 15
// digits (so that %.15g prints them all and no more) and needs no exponent; 0 otherwise.
// Written from the digits, it spares the general conversion of a double.
size_t lite_scaled_number_text(int64_t digits, int scale, char* out) {
    if (digits == 0) {
        out[0] = '0';
        return 1;
    }
    uint64_t mag = digits < 0 ? 0 - static_cast<uint64_t>(digits) : static_cast<uint64_t>(digits);
    if (mag >= 1000000000000000ull || scale < 0 || scale > 15) return 0;
    // %.15g writes an exponent below 1e-4.
    const uint64_t unit = lite_powers_of_ten[scale];
    if (mag * 10000 < unit) return 0;
    char* o = out;
    if (digits < 0) *o++ = '-';
    const uint64_t whole = mag / unit;
    uint64_t fraction = mag % unit;
    if (whole != 0) o = std::to_chars(o, out + 64, whole).ptr;
    if (fraction != 0) {
        int places = scale;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --places;
        }
        *o++ = '.';
        char* const end = o + places;
        for (char* q = end; q > o;) {
            *--q = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        o = end;
    }
    return static_cast<size_t>(o - out);
}

// A BINARY_DOUBLE's (or BINARY_FLOAT's) text: the fewest digits that read back as the same
// value, up to 17 (9), so that a text fetch loses nothing of what the column holds.
std::string lite_binary_real_text(double v, bool single) {
    if (!std::isfinite(v) || v == 0) return lite_number_text(v);
    char b[64];
    const auto res = single ? std::to_chars(b, b + sizeof b, static_cast<float>(v))
                            : std::to_chars(b, b + sizeof b, v);
    if (res.ec != std::errc()) return lite_number_text(v);
    return lite_canonical_number(std::string_view(b, static_cast<size_t>(res.ptr - b)));
}

// The text lite_short_binary_real_text gives a double that is an integer or a binary fraction of
// few places (a half, a sixty-fourth), into `out`; 0 for any other. Such a value's exact
// decimal digits, when there are at most 15 of them, are the shortest that read back as it:
// a string of fewer digits lies further from it than half the distance to the next double.
// Their canonical text is the same whichever form std::to_chars would have chosen.
namespace {

size_t binary_fraction_text(double v, char* out) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0 || biased == 0x7FF) return 0;  // subnormal, infinite or no number
    uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
    int exponent = biased - 1075;
    const int zeros = std::countr_zero(mantissa);
    mantissa >>= zeros;
    exponent += zeros;
    uint64_t digits = 0;  // the value times 10^places
    int places = 0;
    if (exponent >= 0) {
        if (exponent > 50 || mantissa > (lite_powers_of_ten[15] >> exponent)) return 0;
        digits = mantissa << exponent;
    } else {
        // mantissa / 2^p is mantissa * 5^p / 10^p.
        places = -exponent;
        if (places > 15) return 0;
        uint64_t five = 1;
        for (int k = 0; k < places; ++k) five *= 5;
        if (mantissa > lite_powers_of_ten[15] / five) return 0;
        digits = mantissa * five;
    }
    if (digits >= lite_powers_of_ten[15]) return 0;
    char d[24];
    const size_t length = lite_int_text(static_cast<int64_t>(digits), d);
    const size_t whole = length > static_cast<size_t>(places) ? length - places : 0;
    char* o = out;
    if (v < 0) *o++ = '-';
    if (whole > 0) {
        std::memcpy(o, d, whole);
        o += whole;
        if (places > 0) {
            *o++ = '.';
            std::memcpy(o, d + whole, length - whole);
            o += length - whole;
        }
    } else {
        *o++ = '.';
        for (size_t k = length; k < static_cast<size_t>(places); ++k) *o++ = '0';
        std::memcpy(o, d, length);
        o += length;
    }
    return static_cast<size_t>(o - out);
}

}  // namespace

// lite_binary_real_text's text into `out` (64 bytes) when the shortest digits need no exponent: the
// canonical form of such digits is theirs without the zero before a point. 0 otherwise.
size_t lite_short_binary_real_text(double v, bool single, char* out) {
    if (!std::isfinite(v) || v == 0) return 0;
    // A float's shortest digits are a float's, not the double's it widens to.
    if (!single) {
        if (const size_t n = binary_fraction_text(v, out)) return n;
    }
    char b[64];
    const auto res = single ? std::to_chars(b, b + sizeof b, static_cast<float>(v))
                            : std::to_chars(b, b + sizeof b, v);
    if (res.ec != std::errc()) return 0;
    const char* p = b;
    const char* const end = res.ptr;
    if (std::memchr(p, 'e', static_cast<size_t>(end - p)) != nullptr) return 0;
    char* o = out;
    if (*p == '-') *o++ = *p++;
    if (end - p > 1 && p[0] == '0' && p[1] == '.') ++p;
    std::memcpy(o, p, static_cast<size_t>(end - p));
    return static_cast<size_t>(o - out + (end - p));
}
