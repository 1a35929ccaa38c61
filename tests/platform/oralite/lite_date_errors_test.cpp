// A text that does not make a date by its mask fails with the ORA number Oracle gives for the
// field that is wrong.
#include <gtest/gtest.h>

#include "lite_test_helpers.h"

namespace {

TEST(LiteDateErrors, EachMisfitHasOraclesNumber) {
    lite_scratch inst;
    auto s = inst.logon();
    auto fails = [&](const std::string& text, const std::string& mask) {
        return lite_fails_with(*s, "SELECT TO_DATE('" + text + "', '" + mask + "') FROM dual");
    };
    EXPECT_EQ(fails("31-04-2020", "DD-MM-YYYY"), 1839);
    EXPECT_EQ(fails("29-02-2023", "DD-MM-YYYY"), 1839);
    EXPECT_EQ(fails("01-13-2020", "DD-MM-YYYY"), 1843);
    EXPECT_EQ(fails("01-FOO-2020", "DD-MON-YYYY"), 1843);
    EXPECT_EQ(fails("32-01-2020", "DD-MM-YYYY"), 1847);
    EXPECT_EQ(fails("01-01-2020 extra", "DD-MM-YYYY"), 1830);
    EXPECT_EQ(fails("01-01-2020 25:00", "DD-MM-YYYY HH24:MI"), 1850);
    EXPECT_EQ(fails("01-01-2020 13:00 PM", "DD-MM-YYYY HH:MI AM"), 1849);
    EXPECT_EQ(fails("29-02-2024", "DD-MM-YYYY"), 0);
    EXPECT_EQ(lite_cell(*s,
                        "SELECT TO_CHAR(TO_DATE('31-01-2020', 'DD-MM-YYYY'), 'YYYY-MM-DD') "
                        "FROM dual"),
              "2020-01-31");
    try {
        s->execute("SELECT TO_DATE('31-APR-2020', 'DD-MON-YYYY') FROM dual");
        ADD_FAILURE() << "31 April made a date";
    } catch (const lite_error& e) {
        EXPECT_STREQ(e.what(), "ORA-01839: date not valid for month specified");
    }
}

}  // namespace
