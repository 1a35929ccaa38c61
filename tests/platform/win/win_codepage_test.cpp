#include "platform/win/win_codepage.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win/win_error.h"

namespace {

TEST(win_codepage, size_query_then_conversion) {
    const wchar_t* text = L"\u00e9\u20ac";
    int needed = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(needed, 6);  // 2 + 3 + terminator
    std::string buf(needed, 'x');
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, buf.data(), needed, nullptr, nullptr), 6);
    EXPECT_EQ(buf, std::string("\xc3\xa9\xe2\x82\xac\0", 6));
    int wide_needed = MultiByteToWideChar(CP_UTF8, 0, buf.c_str(), -1, nullptr, 0);
    EXPECT_EQ(wide_needed, 3);
    std::wstring back(wide_needed, L'x');
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, buf.c_str(), -1, back.data(), wide_needed), 3);
    EXPECT_EQ(back, std::wstring(L"\u00e9\u20ac\0", 3));
}

TEST(win_codepage, too_small_buffer_fails_with_its_own_code) {
    char small[3];
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"\u20ac", -1, small, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    wchar_t wsmall[2];
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wsmall, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    std::string text;
    EXPECT_TRUE(win_error_text(ERROR_INSUFFICIENT_BUFFER, text));
    EXPECT_EQ(text, "The data area passed to a system call is too small.\n");
}

TEST(win_codepage, invalid_input_fails_instead_of_being_replaced) {
    const char* bad[] = {"\x80", "\xc3", "\xed\xa0\x80" /* surrogate */, "\xf4\x90\x80\x80",
                         "\xe0\x80\xaf" /* overlong */};
    for (const char* b : bad) {
        wchar_t out[8];
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, b, -1, out, 8), 0) << b;
        EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    }
    wchar_t surrogate[] = {L'a', static_cast<wchar_t>(0xDC00), 0};
    char out[16];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, surrogate, -1, out, 16, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(win_codepage, bad_arguments_fail_with_invalid_parameter) {
    char out[4];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, nullptr, -1, out, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"a", 0, out, 4, nullptr, nullptr), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", -1, nullptr, 4), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(123456, 0, "a", -1, nullptr, 0), 0);  // unknown code page
}

TEST(win_codepage, single_byte_code_page_uses_the_default_character) {
    char out[8];
    BOOL used = FALSE;
    int n = WideCharToMultiByte(1252, 0, L"\u00e9\u0416", 2, out, 8, nullptr, &used);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(std::string(out, 2), "\xe9?");
    EXPECT_TRUE(used);
    n = WideCharToMultiByte(28595, 0, L"\u0416", 1, out, 8, "#", &used);  // ISO-8859-5
    ASSERT_EQ(n, 1);
    EXPECT_EQ(out[0], '\xb6');
    wchar_t wide[4];
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "\x80", 1, wide, 4), 1);
    EXPECT_EQ(wide[0], L'\u20ac');
}

TEST(win_codepage, ansi_code_page_of_the_plain_c_locale_is_utf8) {
    // Test programs never call setlocale, so they run in the "C" locale.
    EXPECT_TRUE(win_acp_is_utf8());
    char out[8];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, L"\u00e9", 1, out, 8, nullptr, nullptr), 2);
    EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, L"\u00e9", 1, out, 8, nullptr, nullptr), 2);
}

TEST(win_error, texts_of_errno_and_own_codes) {
    std::string text;
    EXPECT_TRUE(win_error_text(0, text));
    EXPECT_EQ(text, "The operation completed successfully.\n");
    EXPECT_TRUE(win_error_text(ERROR_FILE_NOT_FOUND, text));
    EXPECT_EQ(text, "No such file or directory\n");
    EXPECT_TRUE(win_error_text(ERROR_NO_UNICODE_TRANSLATION, text));
    text = "unchanged";
    EXPECT_FALSE(win_error_text(3999, text));
    EXPECT_FALSE(win_error_text(WIN_OWN_ERROR_BIT | 1, text));
    EXPECT_EQ(text, "unchanged");
}

}  // namespace
