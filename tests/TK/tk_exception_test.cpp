#include "TK/tk_exception.h"
#include "TK/tk_test_helpers.h"

#include <gtest/gtest.h>

#include "TK/tk_singleton.h"
#include "TK/tk_utils.h"
#include "platform/win/win_error.h"

namespace {

TEST(tk_exception, empty_narrow_message_reads_unknown_exception_but_empty_wide_stays_empty) {
    EXPECT_STREQ(tk_exception(std::string(), 1).what(), "Unknown exception");
    EXPECT_STREQ(tk_exception(std::wstring(), 1).what(), "");
    tk_exception e(std::wstring(L"caf\u00e9 \u65e5"), 0);
    EXPECT_STREQ(e.what(), "caf\xc3\xa9 \xe6\x97\xa5");
    EXPECT_EQ(e.code(), 0);
    EXPECT_EQ(e.level(), 0);
}

TEST(tk_exception, long_wide_message_in_a_wide_script_is_kept_whole) {
    std::wstring text(300, L'\u65e5');
    tk_exception e(text, 1);
    EXPECT_EQ(std::string(e.what()).size(), 900u);
}

TEST(tk_exception, ex_carries_the_prefix_and_the_system_text_of_the_last_error) {
    std::wstring bad(1, static_cast<wchar_t>(0xD800));
    try {
        tk_to_utf8(L"ok" + bad);
        FAIL() << "no exception";
    } catch (const tk_exception_ex& e) {
        std::string text;
        ASSERT_TRUE(win_error_text(ERROR_NO_UNICODE_TRANSLATION, text));
        EXPECT_EQ(std::string(e.what()), "Cannot convert to UTF8 string: " + text);
        EXPECT_EQ(e.code(), static_cast<int>(ERROR_NO_UNICODE_TRANSLATION));
        EXPECT_EQ(e.level(), 0);
    }
}

TEST(tk_exception, ex_without_system_text_stays_unknown_exception) {
    SetLastError(WIN_OWN_ERROR_BIT | 0xFFFF);
    tk_exception_ex e("prefix: ", 1);
    EXPECT_STREQ(e.what(), "Unknown exception");
    SetLastError(2);
    tk_exception_ex plain;
    EXPECT_EQ(std::string(plain.what()), "No such file or directory\n");
    EXPECT_EQ(plain.level(), 1);
    EXPECT_EQ(plain.code(), 2);
}

TEST(tk_exception, internal_error_text_is_the_hex_of_file_and_line) {
    EXPECT_EQ(make_err_meggase("ab", 7), "Internal error: \ncode=61625c37");
    tk_mail_assertion e("x", 64);
    EXPECT_STREQ(e.what(), "Internal error: \ncode=785c3634");
    EXPECT_EQ(e.level(), 2);
    EXPECT_EQ(e.code(), 0);
    // The copy is what is tested.
    tk_mail_assertion copy(e);  // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_STREQ(copy.what(), e.what());
    EXPECT_EQ(copy.level(), 2);
}

TEST(tk_exception, missing_singleton_is_an_internal_error_with_the_accessor_line) {
    struct lonely : tk_singleton<lonely> {};
    EXPECT_EQ(internal_error_of([&] { lonely::instance(); }), make_err_meggase("tk_singl", 64));
    EXPECT_EQ(internal_error_of([&] { lonely::get_instance(); }), make_err_meggase("tk_singl", 71));
    {
        lonely one;
        lonely two;
        EXPECT_EQ(&lonely::instance(), &one);
    }
    EXPECT_EQ(lonely::find_instance(), nullptr);
}

}  // namespace
