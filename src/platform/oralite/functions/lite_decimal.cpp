#include "functions/lite_decimal.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// A NUMBER's range: below 1E-130 it is zero, from 1E+126 on it overflows.
constexpr int k_min_exponent = -129;
constexpr int k_max_exponent = 126;
// Digits a quotient is worked out to before it is rounded: past the 40 a NUMBER keeps, so the
// digit that decides the rounding is a true one.
constexpr int k_quotient_digits = 44;
// Aligning operands wider apart than this would only add digits a NUMBER cannot keep; values
// of a NUMBER's range never come near it.
constexpr long k_max_width = 4000;

// The value 0.raw * 10^point with raw's zeros at either end stripped.
lite_decimal make(bool negative, const std::string& raw, long point) {
    lite_decimal d;
    const size_t lead = raw.find_first_not_of('0');
    if (lead == std::string::npos) return d;
    const size_t last = raw.find_last_not_of('0');
    d.digits = raw.substr(lead, last - lead + 1);
    d.exponent = static_cast<int>(point - static_cast<long>(lead));
    d.negative = negative;
    return d;
}

// Both magnitudes as digit strings of one width, their first digit at 10^(hi-1).
void align(const lite_decimal& a, const lite_decimal& b, std::string& x, std::string& y, long& hi) {
    hi = std::max(a.exponent, b.exponent);
    const long lo = std::min(a.exponent - static_cast<long>(a.digits.size()),
                             b.exponent - static_cast<long>(b.digits.size()));
    const auto place = [&](const lite_decimal& d, std::string& out) {
        out.assign(static_cast<size_t>(hi - d.exponent), '0');
        out += d.digits;
        out.resize(static_cast<size_t>(hi - lo), '0');
    };
    place(a, x);
    place(b, y);
}

// |a| vs |b|.
int compare_magnitude(const lite_decimal& a, const lite_decimal& b) {
    if (a.is_zero() || b.is_zero()) return a.is_zero() ? (b.is_zero() ? 0 : -1) : 1;
    if (a.exponent != b.exponent) return a.exponent < b.exponent ? -1 : 1;
    const int c = a.digits.compare(b.digits);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// |a| + |b| or |a| - |b| (|a| >= |b| for the difference), with the given sign.
lite_decimal add_magnitudes(const lite_decimal& a, const lite_decimal& b, bool subtract,
                            bool negative) {
    const long gap = static_cast<long>(a.exponent) - b.exponent;
    if (gap > k_max_width || -gap > k_max_width) {
        // Far beyond any digit the result keeps: the larger operand is the answer.
        lite_decimal big = compare_magnitude(a, b) >= 0 ? a : b;
        big.negative = negative;
        return big;
    }
    std::string x, y;
    long hi = 0;
    align(a, b, x, y, hi);
    int carry = 0;
    for (size_t k = x.size(); k-- > 0;) {
        int v =
            subtract ? (x[k] - '0') - (y[k] - '0') - carry : (x[k] - '0') + (y[k] - '0') + carry;
        carry = 0;
        if (v < 0) {
            v += 10;
            carry = 1;
        } else if (v > 9) {
            v -= 10;
            carry = 1;
        }
        x[k] = static_cast<char>('0' + v);
    }
    if (carry && !subtract) return make(negative, "1" + x, hi + 1);
    return make(negative, x, hi);
}

// Digit strings of integers without leading zeros ("" for zero).
void strip_leading(std::string& s) {
    const size_t lead = s.find_first_not_of('0');
    s.erase(0, lead == std::string::npos ? s.size() : lead);
}

int compare_integers(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// a -= b for integers with a >= b.
void subtract_integer(std::string& a, const std::string& b) {
    int borrow = 0;
    size_t j = b.size();
    for (size_t k = a.size(); k-- > 0;) {
        int v = (a[k] - '0') - borrow - (j > 0 ? b[--j] - '0' : 0);
        borrow = v < 0;
        if (borrow) v += 10;
        a[k] = static_cast<char>('0' + v);
    }
    strip_leading(a);
}

// The integer quotient of two integers given by their digits (divisor not zero); `exact` tells
// whether nothing remained.
std::string divide_integers(const std::string& n, const std::string& d, bool* exact = nullptr) {
    std::string q, r;
    q.reserve(n.size());
    for (char c : n) {
        if (!r.empty() || c != '0') r += c;
        char digit = '0';
        while (compare_integers(r, d) >= 0) {
            subtract_integer(r, d);
            ++digit;
        }
        q += digit;
    }
    if (exact) *exact = r.empty();
    strip_leading(q);
    return q;
}

lite_decimal abs_of(lite_decimal d) {
    d.negative = false;
    return d;
}

}  // namespace

bool lite_decimal_parse(std::string_view t, lite_decimal& out) {
    size_t i = 0, end = t.size();
    while (i < end && t[i] == ' ') ++i;
    while (end > i && t[end - 1] == ' ') --end;
    bool negative = false;
    if (i < end && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    std::string all;
    int point = -1;
    for (; i < end; ++i) {
        const char c = t[i];
        if (c >= '0' && c <= '9') {
            all += c;
        } else if (c == '.' && point < 0) {
            point = static_cast<int>(all.size());
        } else {
            break;
        }
    }
    if (all.empty()) return false;
    long exp10 = 0;
    if (i < end && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool neg = false;
        if (i < end && (t[i] == '-' || t[i] == '+')) neg = t[i++] == '-';
        const size_t from = i;
        while (i < end && t[i] >= '0' && t[i] <= '9' && exp10 < 100000) {
            exp10 = exp10 * 10 + (t[i] - '0');
            ++i;
        }
        if (i == from) return false;
        if (neg) exp10 = -exp10;
    }
    if (i != end) return false;
    if (point < 0) point = static_cast<int>(all.size());
    out = make(negative, all, point + exp10);
    return true;
}

lite_decimal lite_decimal_from_int(int64_t v) {
    char b[24];
    const auto r = std::to_chars(b, b + sizeof b, v);
    const bool negative = v < 0;
    std::string raw(b + (negative ? 1 : 0), r.ptr);
    const long point = static_cast<long>(raw.size());
    return make(negative, raw, point);
}

bool lite_decimal_round(lite_decimal& d, int scale) {
    if (d.is_zero()) return false;
    const long keep = static_cast<long>(d.exponent) + scale;
    if (keep >= static_cast<long>(d.digits.size())) return false;
    if (keep < 0) {
        d = lite_decimal{};
        return true;
    }
    const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        size_t k = d.digits.size();
        while (k > 0 && d.digits[k - 1] == '9') d.digits[--k] = '0';
        if (k == 0) {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        } else {
            ++d.digits[k - 1];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.negative = false;
    return true;
}

bool lite_decimal_trunc(lite_decimal& d, int scale) {
    if (d.is_zero()) return false;
    const long keep = static_cast<long>(d.exponent) + scale;
    if (keep >= static_cast<long>(d.digits.size())) return false;
    if (keep <= 0) {
        d = lite_decimal{};
        return true;
    }
    d.digits.resize(static_cast<size_t>(keep));
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.negative = false;
    return true;
}

bool lite_decimal_fit(lite_decimal& d) {
    if (d.is_zero()) return true;
    const int keep = d.exponent % 2 == 0 ? 40 : 39;
    if (static_cast<int>(d.digits.size()) > keep) lite_decimal_round(d, keep - d.exponent);
    if (d.exponent < k_min_exponent) {
        d = lite_decimal{};
        return true;
    }
    return d.exponent <= k_max_exponent;
}

std::string lite_decimal_text(const lite_decimal& d) {
    if (d.is_zero()) return "0";
    std::string out = d.negative ? "-" : "";
    const int e = d.exponent;
    const auto n = static_cast<int>(d.digits.size());
    if (e > 40 || e < -129) {
        out += d.digits[0];
        if (n > 1) out += "." + d.digits.substr(1);
        char b[16];
        std::snprintf(b, sizeof b, "E%c%02d", e - 1 >= 0 ? '+' : '-', std::abs(e - 1));
        return out + b;
    }
    if (e <= 0) {
        out += "." + std::string(static_cast<size_t>(-e), '0') + d.digits;
    } else if (e >= n) {
        out += d.digits + std::string(static_cast<size_t>(e - n), '0');
    } else {
        out += d.digits.substr(0, static_cast<size_t>(e)) + "." +
               d.digits.substr(static_cast<size_t>(e));
    }
    return out;
}

bool lite_decimal_to_int64(const lite_decimal& d, int64_t& out) {
    if (d.is_zero()) {
        out = 0;
        return true;
    }
    if (!d.is_integer() || d.exponent > 19) return false;
    // Accumulated negative: INT64_MIN has no positive twin.
    int64_t v = 0;
    for (int k = 0; k < d.exponent; ++k) {
        const int digit =
            k < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(k)] - '0' : 0;
        if (__builtin_mul_overflow(v, int64_t{10}, &v) || __builtin_sub_overflow(v, digit, &v)) {
            return false;
        }
    }
    if (!d.negative) {
        if (v == INT64_MIN) return false;
        v = -v;
    }
    out = v;
    return true;
}

int lite_decimal_compare(const lite_decimal& a, const lite_decimal& b) {
    const int sa = a.is_zero() ? 0 : a.negative ? -1 : 1;
    const int sb = b.is_zero() ? 0 : b.negative ? -1 : 1;
    if (sa != sb) return sa < sb ? -1 : 1;
    const int m = compare_magnitude(a, b);
    return sa < 0 ? -m : m;
}

lite_decimal lite_decimal_add(const lite_decimal& a, const lite_decimal& b) {
    if (a.is_zero()) return b;
    if (b.is_zero()) return a;
    if (a.negative == b.negative) return add_magnitudes(a, b, false, a.negative);
    const int m = compare_magnitude(a, b);
    if (m == 0) return lite_decimal{};
    return m > 0 ? add_magnitudes(a, b, true, a.negative) : add_magnitudes(b, a, true, b.negative);
}

lite_decimal lite_decimal_sub(const lite_decimal& a, const lite_decimal& b) {
    lite_decimal nb = b;
    if (!nb.is_zero()) nb.negative = !nb.negative;
    return lite_decimal_add(a, nb);
}

lite_decimal lite_decimal_mul(const lite_decimal& a, const lite_decimal& b) {
    if (a.is_zero() || b.is_zero()) return lite_decimal{};
    const size_t la = a.digits.size(), lb = b.digits.size();
    std::vector<unsigned> acc(la + lb, 0);
    for (size_t i = la; i-- > 0;) {
        const unsigned x = static_cast<unsigned>(a.digits[i] - '0');
        for (size_t j = lb; j-- > 0;)
            acc[i + j + 1] += x * static_cast<unsigned>(b.digits[j] - '0');
        // Carries moved at each row keep every cell far below overflow.
        for (size_t k = la + lb; k-- > 1;) {
            acc[k - 1] += acc[k] / 10;
            acc[k] %= 10;
        }
    }
    std::string raw(la + lb, '0');
    for (size_t k = 0; k < raw.size(); ++k) raw[k] = static_cast<char>('0' + acc[k]);
    return make(a.negative != b.negative, raw, static_cast<long>(a.exponent) + b.exponent);
}

namespace {

// a / b (neither zero) truncated past `digits` significant digits: a truncated quotient rounds
// as the exact one does, so one rounding after this gives the right digits.
lite_decimal truncated_quotient(const lite_decimal& a, const lite_decimal& b, long digits) {
    const long la = static_cast<long>(a.digits.size()), lb = static_cast<long>(b.digits.size());
    const long extra = std::max(0L, digits - la + lb);
    std::string n = a.digits;
    n.append(static_cast<size_t>(extra), '0');
    const std::string q = divide_integers(n, b.digits);
    // |a / b| = q * 10^(lb - la - extra + ea - eb).
    const long shift = lb - la - extra + a.exponent - b.exponent;
    return make(a.negative != b.negative, q, static_cast<long>(q.size()) + shift);
}

}  // namespace

bool lite_decimal_div_digits(const lite_decimal& a, const lite_decimal& b, int digits,
                             lite_decimal& out) {
    if (b.is_zero()) return false;
    if (a.is_zero()) {
        out = lite_decimal{};
        return true;
    }
    out = truncated_quotient(a, b, digits + 2);
    if (static_cast<int>(out.digits.size()) > digits)
        lite_decimal_round(out, digits - out.exponent);
    return true;
}

bool lite_decimal_div(const lite_decimal& a, const lite_decimal& b, lite_decimal& out) {
    if (b.is_zero()) return false;
    if (a.is_zero()) {
        out = lite_decimal{};
        return true;
    }
    out = truncated_quotient(a, b, k_quotient_digits);
    return lite_decimal_fit(out);
}

lite_decimal lite_decimal_mod(const lite_decimal& a, const lite_decimal& b) {
    if (b.is_zero() || a.is_zero()) return a;
    if (compare_magnitude(a, b) < 0) return a;
    const long la = static_cast<long>(a.digits.size()), lb = static_cast<long>(b.digits.size());
    // |a| / |b| = A / B * 10^shift for the integers A and B of their digits.
    const long shift = lb - la + a.exponent - b.exponent;
    if (shift > k_max_width) return lite_decimal{};
    std::string n = a.digits, d = b.digits;
    if (shift >= 0) {
        n.append(static_cast<size_t>(shift), '0');
    } else {
        d.append(static_cast<size_t>(-shift), '0');
    }
    const std::string q = divide_integers(n, d);
    lite_decimal whole = make(false, q, static_cast<long>(q.size()));
    lite_decimal r = lite_decimal_sub(abs_of(a), lite_decimal_mul(abs_of(b), whole));
    if (!r.is_zero()) r.negative = a.negative;
    return r;
}

lite_decimal lite_decimal_floor(const lite_decimal& d) {
    lite_decimal t = d;
    if (lite_decimal_trunc(t, 0) && d.negative)
        return lite_decimal_sub(t, lite_decimal_from_int(1));
    return t;
}

lite_decimal lite_decimal_ceil(const lite_decimal& d) {
    lite_decimal t = d;
    if (lite_decimal_trunc(t, 0) && !d.negative)
        return lite_decimal_add(t, lite_decimal_from_int(1));
    return t;
}

bool lite_decimal_power(const lite_decimal& d, int64_t power, lite_decimal& out) {
    const bool inverse = power < 0;
    uint64_t m = inverse ? 0 - static_cast<uint64_t>(power) : static_cast<uint64_t>(power);
    lite_decimal result = lite_decimal_from_int(1), base = d;
    // Intermediate products keep more digits than the result, so that rounding them does not
    // reach the digits the result keeps.
    const auto keep = [](lite_decimal& v) {
        if (v.digits.size() > 60) lite_decimal_round(v, 60 - v.exponent);
    };
    while (m != 0) {
        if (m & 1) {
            result = lite_decimal_mul(result, base);
            keep(result);
        }
        m >>= 1;
        if (m == 0) break;
        base = lite_decimal_mul(base, base);
        keep(base);
        // Far outside the range: the rest of the powers cannot bring it back.
        if (base.exponent > 2 * k_max_width || base.exponent < -2 * k_max_width) {
            const bool huge = base.exponent > 0;
            if (huge == inverse) {
                out = lite_decimal{};
                return true;
            }
            return false;
        }
    }
    if (inverse) {
        if (result.is_zero()) return false;
        return lite_decimal_div(lite_decimal_from_int(1), result, out);
    }
    out = result;
    return lite_decimal_fit(out);
}

std::string lite_decimal_key(const lite_decimal& d) {
    if (d.is_zero()) return std::string(1, '\x80');
    const int e = std::max(-32000, std::min(32000, d.exponent)) + 32768;
    std::string k;
    k.reserve(d.digits.size() + 4);
    if (!d.negative) {
        k += '\xC0';
        k += static_cast<char>(e >> 8);
        k += static_cast<char>(e & 0xFF);
        k += d.digits;
        return k;
    }
    // Larger magnitudes first: exponent and digits complemented, and a terminator above every
    // digit so that a value whose digits continue sorts before it.
    const int ne = 0xFFFF - e;
    k += '\x40';
    k += static_cast<char>(ne >> 8);
    k += static_cast<char>(ne & 0xFF);
    for (char c : d.digits) k += static_cast<char>('9' - (c - '0'));
    k += '\xFF';
    return k;
}
