#include "TK/tk_error_converter.h"

#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "TK/tk_test_helpers.h"

namespace {

TEST(tk_error_converter, first_pair_of_a_code_wins_and_unknown_codes_give_empty_text) {
    const tk_error_pair table[] = {{5, "a"}, {5, "b"}, {0x400426, "Duplicate"}};
    tk_error_converter converter(3, table);
    EXPECT_EQ(converter.convert(5), "a");
    EXPECT_EQ(converter.convert(6), "");
    EXPECT_EQ(converter.convert(0x400426), "Duplicate");
}

TEST(tk_error_converter, null_table_is_an_internal_error) {
    EXPECT_EQ(internal_error_of([&] { tk_error_converter converter(1, nullptr); }),
              make_err_meggase("tk_errco", 43));
}

}  // namespace
