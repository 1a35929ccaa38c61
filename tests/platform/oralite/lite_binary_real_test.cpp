// A BINARY_DOUBLE read as text gives back the very double the column holds, read row by row or
// read ahead; a BINARY_FLOAT the very float.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "lite_test_helpers.h"

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

}  // namespace
