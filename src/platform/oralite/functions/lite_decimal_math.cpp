// The transcendental functions of a NUMBER. Each is worked out to k_work digits, half again
// what a NUMBER keeps, and rounded once at the end, so that the digits kept are the true
// value's: a double would give fifteen right digits and twenty-five invented ones. A double
// gives the first guess, Newton steps double the right digits each time, and e^x is a Taylor
// series of x halved until the series is short, squared back.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "functions/lite_decimal.h"

namespace {

constexpr int k_work = 60;
// e^x overflows a NUMBER from about x = 290.2 on and is below its smallest from about -299.4.
constexpr double k_exp_limit = 300.0;

void to_work(lite_decimal& d) {
    if (static_cast<int>(d.digits.size()) > k_work) lite_decimal_round(d, k_work - d.exponent);
}

lite_decimal mul(const lite_decimal& a, const lite_decimal& b) {
    lite_decimal r = lite_decimal_mul(a, b);
    to_work(r);
    return r;
}

lite_decimal div(const lite_decimal& a, const lite_decimal& b) {
    lite_decimal r;
    lite_decimal_div_digits(a, b, k_work, r);
    return r;
}

// a / n for a small positive n, by short division: the Taylor series divides by its term's
// index at every step, where a long division would cost the most.
lite_decimal div_small(const lite_decimal& a, unsigned n) {
    lite_decimal q;
    if (a.is_zero()) return q;
    std::string out;
    unsigned rest = 0;
    size_t lead = std::string::npos;
    for (size_t i = 0; i < a.digits.size() || (rest != 0 && out.size() - lead < k_work + 2); ++i) {
        const unsigned cur =
            rest * 10 + (i < a.digits.size() ? static_cast<unsigned>(a.digits[i] - '0') : 0);
        out += static_cast<char>('0' + cur / n);
        rest = cur % n;
        if (lead == std::string::npos && cur / n != 0) lead = out.size() - 1;
        if (lead == std::string::npos && i >= a.digits.size() + k_work) break;
    }
    if (lead == std::string::npos) return q;
    const size_t last = out.find_last_not_of('0');
    q.digits = out.substr(lead, last - lead + 1);
    q.exponent = a.exponent - static_cast<int>(lead);
    q.negative = a.negative;
    to_work(q);
    return q;
}

lite_decimal one() {
    return lite_decimal_from_int(1);
}

lite_decimal half() {
    lite_decimal h;
    h.digits = "5";
    return h;
}

// The value near enough for a first guess; a NUMBER's range is well inside a double's.
double approx(const lite_decimal& d) {
    if (d.is_zero()) return 0;
    std::string t = d.negative ? "-0." : "0.";
    t += d.digits.substr(0, 20);
    t += "e" + std::to_string(d.exponent);
    return std::strtod(t.c_str(), nullptr);
}

lite_decimal from_double(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.17g", v);
    lite_decimal d;
    lite_decimal_parse(b, d);
    return d;
}

// A step too small to change the first k_work digits of `of`.
bool negligible(const lite_decimal& step, const lite_decimal& of) {
    return step.is_zero() || (!of.is_zero() && step.exponent < of.exponent - k_work + 2);
}

// e^x to k_work digits for |x| below k_exp_limit.
lite_decimal exp_work(const lite_decimal& x) {
    lite_decimal r = x;
    const lite_decimal thousandth = [] {
        lite_decimal t;
        t.digits = "1";
        t.exponent = -2;
        return t;
    }();
    int halvings = 0;
    const auto magnitude = [](lite_decimal v) {
        v.negative = false;
        return v;
    };
    while (lite_decimal_compare(magnitude(r), thousandth) > 0) {
        r = mul(r, half());
        ++halvings;
    }
    lite_decimal sum = one(), term = one();
    for (int n = 1; n < 200; ++n) {
        term = div_small(mul(term, r), static_cast<unsigned>(n));
        if (negligible(term, sum)) break;
        sum = lite_decimal_add(sum, term);
        to_work(sum);
    }
    for (int k = 0; k < halvings; ++k) sum = mul(sum, sum);
    return sum;
}

// ln(m) to k_work digits for m above zero: Newton's steps on e^y = m. Each step doubles the
// right digits, so a step below half of them leaves the next one nothing to change.
lite_decimal ln_newton(const lite_decimal& m) {
    lite_decimal y = from_double(std::log(approx(m)));
    for (int k = 0; k < 8; ++k) {
        lite_decimal y_neg = y;
        if (!y_neg.is_zero()) y_neg.negative = !y_neg.negative;
        // y + m / e^y - 1, the product kept exact so that a result near zero keeps its digits.
        lite_decimal step = lite_decimal_sub(lite_decimal_mul(m, exp_work(y_neg)), one());
        to_work(step);
        y = lite_decimal_add(y, step);
        to_work(y);
        if (step.is_zero() || (!y.is_zero() && step.exponent < y.exponent - k_work / 2 - 2)) break;
    }
    return y;
}

// ln(x) for x above zero: x = m * 10^k with m in [0.1, 1), so that the series only ever sees
// small arguments, and ln(10) is worked out once.
lite_decimal ln_work(const lite_decimal& x) {
    static const lite_decimal ln10 = ln_newton(lite_decimal_from_int(10));
    // Near one the logarithm is near zero and is worked out directly: adding k * ln(10) would
    // cancel its digits away.
    const double a = approx(x);
    if (x.exponent == 0 || (a >= 0.5 && a <= 2)) return ln_newton(x);
    lite_decimal m = x;
    m.exponent = 0;
    lite_decimal y = ln_newton(m);
    y = lite_decimal_add(y, lite_decimal_mul(ln10, lite_decimal_from_int(x.exponent)));
    to_work(y);
    return y;
}

bool finish(lite_decimal r, lite_decimal& out) {
    out = std::move(r);
    return lite_decimal_fit(out);
}

// e^x once x is known: overflow above the limit, zero below it.
bool exp_of(const lite_decimal& x, lite_decimal& out) {
    const double a = approx(x);
    if (a >= k_exp_limit) return false;
    if (a <= -k_exp_limit) {
        out = lite_decimal{};
        return true;
    }
    return finish(exp_work(x), out);
}

}  // namespace

void lite_decimal_sqrt(const lite_decimal& d, lite_decimal& out) {
    if (d.is_zero()) {
        out = lite_decimal{};
        return;
    }
    lite_decimal y = from_double(std::sqrt(approx(d)));
    for (int k = 0; k < 8; ++k) {
        lite_decimal next = mul(lite_decimal_add(y, div(d, y)), half());
        const bool done = negligible(lite_decimal_sub(next, y), next);
        y = std::move(next);
        if (done) break;
    }
    finish(y, out);
}

bool lite_decimal_exp(const lite_decimal& d, lite_decimal& out) {
    return exp_of(d, out);
}

bool lite_decimal_ln(const lite_decimal& d, lite_decimal& out) {
    return finish(ln_work(d), out);
}

bool lite_decimal_log(const lite_decimal& base, const lite_decimal& d, lite_decimal& out) {
    return finish(div(ln_work(d), ln_work(base)), out);
}

bool lite_decimal_pow(const lite_decimal& base, const lite_decimal& power, lite_decimal& out) {
    if (base.is_zero()) {
        out = lite_decimal{};
        return true;
    }
    lite_decimal x = lite_decimal_mul(power, ln_work(base));
    to_work(x);
    return exp_of(x, out);
}
