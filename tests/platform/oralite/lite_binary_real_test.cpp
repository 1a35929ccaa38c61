// A BINARY_DOUBLE read as text gives back the very double the column holds, read row by row or
// read ahead; a BINARY_FLOAT the very float.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "lite_test_helpers.h"
#include "lite_value_text.h"

namespace {

TEST(LiteBinaryReal, TextOfABinaryDoubleReadsBackAsTheSameDouble) {
    lite_scratch inst;
    auto s = inst.logon();
    s->execute("CREATE TABLE r (id NUMBER, d BINARY_DOUBLE, f BINARY_FLOAT)");
    const double values[] = {0.1 + 0.2, 1.0 / 3, 1234567890.1234567, -2.5e-300, 1e22, 0.5, 3};
    auto st = s->prepare("INSERT INTO r (id, d) VALUES (:1, :2)");
    int id = 0;
    for (double v : values) {
        st->bind_int64(1, ++id);
        st->bind_double(2, v);
        st->execute();
    }
    s->execute("INSERT INTO r (id, f) VALUES (100, 0.1)");
    for (int read_ahead : {0, 16}) {
        auto q = s->prepare("SELECT d FROM r WHERE id < 100 ORDER BY id");
        q->set_read_ahead(read_ahead);
        q->execute();
        for (double v : values) {
            ASSERT_TRUE(q->next());
            const std::string text(q->text(0));
            EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
        }
        EXPECT_FALSE(q->next());
    }
    // Oracle's own forms: no leading zero, no trailing one, an exponent only when it must.
    EXPECT_EQ(lite_cell(*s, "SELECT d FROM r WHERE id = 1"), ".30000000000000004");
    EXPECT_EQ(lite_cell(*s, "SELECT d FROM r WHERE id = 2"), ".3333333333333333");
    EXPECT_EQ(lite_cell(*s, "SELECT d FROM r WHERE id = 6"), ".5");
    EXPECT_EQ(lite_cell(*s, "SELECT d FROM r WHERE id = 7"), "3");
    EXPECT_EQ(lite_cell(*s, "SELECT f FROM r WHERE id = 100"), ".1");
}

// The text of a binary real is the canonical form of its shortest digits, whichever form those
// digits take: values of every magnitude, the bounds where the digits gain an exponent among
// them, read row by row and read ahead alike.
TEST(LiteBinaryReal, TextIsTheCanonicalFormOfTheShortestDigits) {
    lite_scratch inst;
    auto s = inst.logon();
    s->execute("CREATE TABLE r (id NUMBER, d BINARY_DOUBLE, f BINARY_FLOAT)");
    std::vector<double> values = {1e-5,  1.5e-5, 9.999e-6, 1e16,   1e15,  123456789012345680.0,
                                  -1e21, 1e22,   -0.001,   0.0625, 65504, 3.4028234663852886e38,
                                  5e-324};
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 3000; ++i) {
        double v = 0;
        if (i % 2 == 0) {  // any finite double
            const uint64_t bits = random();
            std::memcpy(&v, &bits, sizeof v);
            if (!std::isfinite(v)) continue;
        } else {  // decimals of a few digits at magnitudes from 1e-12 to 1e24
            v = static_cast<double>(random() % 100000) *
                std::pow(10.0, static_cast<int>(random() % 37) - 16);
            if (i % 3 == 0) v = -v;
        }
        values.push_back(v);
    }
    // Integers and binary fractions, whose exact digits are their shortest when few enough:
    // every power of two a double's digits can show, sixty-fourths about a half-million, and
    // integers with trailing zeros, which to_chars writes in either form.
    for (int e = -60; e <= 60; ++e) {
        values.push_back(std::ldexp(1.0, e));
        values.push_back(-std::ldexp(3.0, e));
        values.push_back(std::ldexp(1023.0, e));
    }
    for (int i = 0; i < 2000; ++i) {
        values.push_back(static_cast<double>(random() % 100000000) / 64.0 - 500000);
        values.push_back(static_cast<double>(random() % 1000) * std::pow(10.0, i % 18));
        values.push_back(static_cast<double>(random() % (uint64_t{1} << 53)) /
                         std::ldexp(1.0, static_cast<int>(i % 20)));
    }
    // The floats: each double as a float, where it has one.
    std::vector<float> floats;
    auto st = s->prepare("INSERT INTO r VALUES (:1, :2, :3)");
    int id = 0;
    for (double v : values) {
        const auto f = static_cast<float>(v);
        floats.push_back(std::isfinite(f) ? f : 1.5f);
        st->bind_int64(1, ++id);
        st->bind_double(2, v);
        st->bind_double(3, static_cast<double>(floats.back()));
        st->execute();
    }
    const auto canonical = [](auto v) {
        if (v == 0) return std::string("0");
        char b[64];
        const auto res = std::to_chars(b, b + sizeof b, v);
        return lite_canonical_number(std::string_view(b, static_cast<size_t>(res.ptr - b)));
    };
    for (int read_ahead : {0, 64}) {
        auto q = s->prepare("SELECT d, f FROM r ORDER BY id");
        q->set_read_ahead(read_ahead);
        q->execute();
        for (size_t i = 0; i < values.size(); ++i) {
            ASSERT_TRUE(q->next());
            EXPECT_EQ(q->text(0), canonical(values[i])) << values[i];
            EXPECT_EQ(q->text(1), canonical(floats[i])) << floats[i];
        }
        EXPECT_FALSE(q->next());
    }
}

}  // namespace
