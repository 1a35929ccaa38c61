// Changing a number into a narrower integer type: the same number, or a refusal; never the low
// bits of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "variant/ole_cast_exception.h"
#include "variant/ole_variant.h"

namespace {

using wide = __int128;

struct int_type {
    VARTYPE vt;
    const char* name;
    wide min;
    wide max;
};

const std::vector<int_type>& integer_types() {
    static const std::vector<int_type> types = {
        {VT_I1, "I1", INT8_MIN, INT8_MAX},     {VT_UI1, "UI1", 0, UINT8_MAX},
        {VT_I2, "I2", INT16_MIN, INT16_MAX},   {VT_UI2, "UI2", 0, UINT16_MAX},
        {VT_I4, "I4", INT32_MIN, INT32_MAX},   {VT_UI4, "UI4", 0, UINT32_MAX},
        {VT_INT, "INT", INT32_MIN, INT32_MAX}, {VT_UINT, "UINT", 0, UINT32_MAX},
        {VT_I8, "I8", INT64_MIN, INT64_MAX},   {VT_UI8, "UI8", 0, UINT64_MAX},
    };
    return types;
}

// A value of an integer type.
ole_variant make(VARTYPE vt, wide n) {
    switch (vt) {
        case VT_I8:
            return ole_variant(static_cast<std::int64_t>(n));
        case VT_UI8:
            return ole_variant(static_cast<std::uint64_t>(n));
        case VT_I1:
            return ole_variant(static_cast<char>(n));
        case VT_UI1:
            return ole_variant(static_cast<unsigned char>(n));
        case VT_I2:
            return ole_variant(static_cast<short>(n));
        case VT_UI2:
            return ole_variant(static_cast<unsigned short>(n));
        case VT_I4:
            return ole_variant(static_cast<int>(n));
        case VT_UI4:
            return ole_variant(static_cast<unsigned int>(n));
        default: {
            // VT_INT and VT_UINT have no constructor: the generic change makes them.
            ole_variant out(static_cast<std::int64_t>(n));
            out.change_type(vt);
            return out;
        }
    }
}

// The number an integer-typed value holds.
wide value_of(const ole_variant& v) {
    const VARIANT& var = v.variant();
    switch (v.vt()) {
        case VT_I1:
            return static_cast<signed char>(var.cVal);
        case VT_UI1:
            return var.bVal;
        case VT_I2:
            return var.iVal;
        case VT_UI2:
            return var.uiVal;
        case VT_I4:
            return var.lVal;
        case VT_UI4:
            return var.ulVal;
        case VT_INT:
            return var.intVal;
        case VT_UINT:
            return var.uintVal;
        case VT_I8:
            return v.i8();
        case VT_UI8:
            return v.ui8();
        default:
            ADD_FAILURE() << "not an integer type: " << v.vt();
            return 0;
    }
}

std::string text(wide n) {
    if (n == 0) return "0";
    const bool negative = n < 0;
    unsigned __int128 m =
        negative ? static_cast<unsigned __int128>(-(n + 1)) + 1 : static_cast<unsigned __int128>(n);
    std::string digits;
    while (m) {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
        m /= 10;
    }
    return negative ? "-" + digits : digits;
}

std::vector<wide> edges_of(const int_type& t) {
    std::vector<wide> edges = {t.min, t.max, 0, 1, t.max - 1};
    if (t.min < 0) edges.insert(edges.end(), {-1, t.min + 1});
    return edges;
}

}  // namespace

TEST(OleVariantNarrowing, EveryIntegerPairKeepsTheNumberOrRefusesIt) {
    for (const int_type& from : integer_types()) {
        for (const wide n : edges_of(from)) {
            for (const int_type& to : integer_types()) {
                SCOPED_TRACE(std::string(from.name) + " " + text(n) + " -> " + to.name);
                ole_variant v = make(from.vt, n);
                ASSERT_EQ(value_of(v), n);
                if (n >= to.min && n <= to.max) {
                    ASSERT_NO_THROW(v.change_type(to.vt));
                    EXPECT_EQ(text(value_of(v)), text(n));
                } else {
                    EXPECT_THROW(v.change_type(to.vt), ole_cast_exception);
                }
            }
        }
    }
}

TEST(OleVariantNarrowing, ValuesOfTheMappingReportKeepTheirNumberOrAreRefused) {
    ole_variant big(static_cast<std::int64_t>(5000000000LL));
    EXPECT_THROW(big.change_type(VT_I4), ole_cast_exception);
    EXPECT_EQ(big.vt(), VT_I8);  // refused before anything changed
    EXPECT_EQ(big.i8(), 5000000000LL);
    EXPECT_THROW(ole_variant(3e9).change_type(VT_I4), ole_cast_exception);
    EXPECT_THROW(ole_variant(static_cast<std::int64_t>(-1)).change_type(VT_UI4),
                 ole_cast_exception);
    EXPECT_THROW(ole_variant(static_cast<std::int64_t>(-1)).change_type(VT_UI8),
                 ole_cast_exception);
    EXPECT_THROW(ole_variant(-3).change_type(VT_UI8), ole_cast_exception);
}

TEST(OleVariantNarrowing, RealsKeepTheirRoundingRuleAndTheRange) {
    struct real_case {
        double r;
        VARTYPE vt;
        wide expected;
    };
    // Half away from zero into 16 and 32 bits, toward zero into 64, half to even into 8.
    const real_case held[] = {
        {2147483647.4, VT_I4, 2147483647},
        {-2147483648.4, VT_I4, INT32_MIN},
        {4294967295.0, VT_UI4, UINT32_MAX},
        {-0.4, VT_UI4, 0},
        {32767.49, VT_I2, 32767},
        {65534.5, VT_UI2, 65535},
        {2.5, VT_I4, 3},
        {-2.5, VT_I2, -3},
        {2.9, VT_I8, 2},
        {-2.9, VT_I8, -2},
        {2.5, VT_I1, 2},
        {254.5, VT_UI1, 254},
        {-128.0, VT_I1, -128},
        {2147483647.0, VT_INT, INT32_MAX},
    };
    for (const real_case& c : held) {
        SCOPED_TRACE(std::to_string(c.r) + " -> " + std::to_string(c.vt));
        for (const bool single : {false, true}) {
            if (single && static_cast<double>(static_cast<float>(c.r)) != c.r) continue;
            ole_variant v = single ? ole_variant(static_cast<float>(c.r)) : ole_variant(c.r);
            ASSERT_NO_THROW(v.change_type(c.vt));
            EXPECT_EQ(text(value_of(v)), text(c.expected));
        }
    }
    const real_case refused[] = {
        {2147483647.5, VT_I4, 0}, {-2147483648.5, VT_I4, 0}, {3e9, VT_I4, 0},
        {-0.5, VT_UI4, 0},        {-1.0, VT_UI2, 0},         {65535.5, VT_UI2, 0},
        {32767.5, VT_I2, 0},      {4294967295.5, VT_UI4, 0}, {1e19, VT_I8, 0},
        {128.0, VT_I1, 0},        {256.0, VT_UI1, 0},        {3e9, VT_INT, 0},
        {-1.0, VT_UINT, 0},
    };
    for (const real_case& c : refused) {
        SCOPED_TRACE(std::to_string(c.r) + " -> " + std::to_string(c.vt));
        EXPECT_THROW(ole_variant(c.r).change_type(c.vt), ole_cast_exception);
    }
    EXPECT_THROW(ole_variant(3e9f).change_type(VT_I4), ole_cast_exception);
}

TEST(OleVariantNarrowing, CurrencyIntoASmallIntegerMustFit) {
    CY cy;
    cy.int64 = 70000LL * 10000;
    EXPECT_THROW(ole_variant(cy).change_type(VT_I2), ole_cast_exception);
    cy.int64 = 32767LL * 10000;
    ole_variant held(cy);
    ASSERT_NO_THROW(held.change_type(VT_I2));
    EXPECT_EQ(held.to_string(), "32767");
}
