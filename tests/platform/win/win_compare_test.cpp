#include "platform/win/win_compare.h"

#include <gtest/gtest.h>

namespace {

TEST(win_compare, ignores_case_in_every_script) {
    EXPECT_EQ(win_compare_ignore_case(L"Emp_Name", L"EMP_NAME"), 0);
    EXPECT_EQ(win_compare_ignore_case(L"\u00c9t\u00e9", L"\u00e9T\u00c9"), 0);
    EXPECT_EQ(win_compare_ignore_case(L"\u0414\u043e\u043c", L"\u0434\u041e\u041c"), 0);
    EXPECT_EQ(win_compare_ignore_case(L"\u03a3\u03b9\u03b3\u03bc\u03b1",
                                      L"\u03c3\u0399\u0393\u039c\u0391"),
              0);
    EXPECT_TRUE(win_equal_ignore_case(L"abc", L"ABC"));
    EXPECT_FALSE(win_equal_ignore_case(L"abc", L"ABCD"));
    EXPECT_FALSE(win_equal_ignore_case(L"\u00e9", L"e"));
}

TEST(win_compare, orders_like_a_compare) {
    EXPECT_LT(win_compare_ignore_case(L"a", L"B"), 0);
    EXPECT_GT(win_compare_ignore_case(L"b", L"A"), 0);
    EXPECT_LT(win_compare_ignore_case(L"ab", L"ABC"), 0);
    EXPECT_GT(win_compare_ignore_case(L"ABC", L"ab"), 0);
    EXPECT_EQ(win_compare_ignore_case(L"", L""), 0);
    // Case never decides the order of names that differ in a letter.
    EXPECT_LT(win_compare_ignore_case(L"Zeta", L"zz"), 0);
    EXPECT_LT(win_compare_ignore_case(L"_", L"a"), win_compare_ignore_case(L"a", L"_") + 1);
}

TEST(win_compare, letter_and_digit_tests_cover_unicode) {
    EXPECT_TRUE(IsCharAlphaW(L'a'));
    EXPECT_TRUE(IsCharAlphaW(L'\u00e9'));
    EXPECT_TRUE(IsCharAlphaW(L'\u0416'));
    EXPECT_TRUE(IsCharAlphaW(L'\u65e5'));
    EXPECT_FALSE(IsCharAlphaW(L'1'));
    EXPECT_FALSE(IsCharAlphaW(L'_'));
    EXPECT_FALSE(IsCharAlphaW(L' '));
    EXPECT_TRUE(IsCharAlphaNumericW(L'7'));
    EXPECT_TRUE(IsCharAlphaNumericW(L'\u0663'));  // Arabic-Indic digit three
    EXPECT_TRUE(IsCharAlphaNumericW(L'\u00df'));
    EXPECT_FALSE(IsCharAlphaNumericW(L'$'));
    EXPECT_FALSE(IsCharAlphaNumericW(L'-'));
}

TEST(win_compare, case_mapping_of_single_characters) {
    EXPECT_EQ(win_to_upper(L'\u00e4'), L'\u00c4');
    EXPECT_EQ(win_to_lower(L'\u0130'), L'i');
    EXPECT_EQ(win_to_upper(L'1'), L'1');
    EXPECT_EQ(win_fold_case(L'\u00c4'), win_fold_case(L'\u00e4'));
}

}  // namespace
