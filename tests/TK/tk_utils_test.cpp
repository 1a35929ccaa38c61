#include "TK/tk_utils.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "TK/tk_exception.h"
#include "TK/tk_test_helpers.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_error.h"

namespace {

TEST(tk_utils_conversion, utf8_round_trip_over_all_widths) {
    EXPECT_EQ(tk_to_utf8(L""), "");
    EXPECT_EQ(tk_to_unicode(""), L"");
    std::wstring text = L"a\u00e9\u20ac\U0001F600z";
    std::string utf8 = tk_to_utf8(text);
    EXPECT_EQ(utf8, "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z");
    EXPECT_EQ(tk_to_unicode(utf8), text);
}

TEST(tk_utils_conversion, texts_of_widest_characters_fit_their_buffers) {
    std::wstring three(1000, L'\u20ac');
    EXPECT_EQ(tk_to_utf8(three).size(), 3000u);
    std::wstring four(1000, L'\U0001F600');
    EXPECT_EQ(tk_to_utf8(four).size(), 4000u);
    EXPECT_EQ(tk_to_ansi(four), tk_to_utf8(four));
}

TEST(tk_utils_conversion, result_stops_at_the_first_zero) {
    std::wstring with_zero(L"ab\0cd", 5);
    EXPECT_EQ(tk_to_utf8(with_zero), "ab");
    EXPECT_EQ(tk_to_unicode(std::string("xy\0z", 4)), L"xy");
}

TEST(tk_utils_conversion, failures_raise_level_0_with_their_own_texts) {
    std::string text;
    ASSERT_TRUE(win_error_text(ERROR_NO_UNICODE_TRANSLATION, text));
    try {
        tk_to_unicode("bad \xff byte");
        FAIL();
    } catch (const tk_exception_ex& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot convert to UNICODE string: " + text);
        EXPECT_EQ(e.level(), 0);
    }
    try {
        tk_to_ansi(std::wstring(1, static_cast<wchar_t>(0x110000)));
        FAIL();
    } catch (const tk_exception_ex& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot convert to ANSI string: " + text);
    }
    EXPECT_THROW(tk_ansi_to_unicode("\xc0\x80"), tk_exception_ex);  // overlong form
}

TEST(tk_utils_conversion, explicit_code_page_goes_through_the_named_character_set) {
    EXPECT_EQ(tk_to_ansi(L"caf\u00e9", 1252), "caf\xe9");
    // The system's default character stands in for what the set cannot hold.
    EXPECT_EQ(tk_to_ansi(L"\u65e5x", 1252), "?x");
    wchar_t buf[8];
    ASSERT_EQ(widen_to_buffer("caf\xe9", 1252, buf, 8), buf);
    EXPECT_EQ(std::wstring(buf), L"caf\u00e9");
}

TEST(tk_utils_conversion, zero_terminated_forms_answer_false_or_null) {
    std::unique_ptr<char[]> narrow;
    EXPECT_FALSE(tk_to_narrow(nullptr, narrow));
    ASSERT_TRUE(tk_to_narrow(L"\u00e9t\u00e9", narrow));
    EXPECT_STREQ(narrow.get(), "\xc3\xa9t\xc3\xa9");
    std::wstring bad(L"x");
    bad += static_cast<wchar_t>(0xDFFF);
    EXPECT_FALSE(tk_to_narrow(bad.c_str(), narrow));
    std::unique_ptr<wchar_t[]> wide;
    EXPECT_FALSE(tk_to_wide(nullptr, wide));
    ASSERT_TRUE(tk_to_wide("\xc3\xa9", wide));
    EXPECT_STREQ(wide.get(), L"\u00e9");
    EXPECT_FALSE(tk_to_wide("\xe2\x82", wide));
    wchar_t buf[4];
    EXPECT_EQ(widen_to_buffer(nullptr, CP_UTF8, buf, 4), nullptr);
    EXPECT_EQ(widen_to_buffer("abc", CP_UTF8, nullptr, 4), nullptr);
    EXPECT_EQ(widen_to_buffer("abcd", CP_UTF8, buf, 4), nullptr);  // no room for the terminator
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(widen_to_buffer("abc", CP_UTF8, buf, 4), buf);
    EXPECT_STREQ(buf, L"abc");
}

TEST(tk_utils_text, trims_count_only_the_blank) {
    EXPECT_EQ(tk_rtrim(std::string("   ")), "");
    EXPECT_EQ(tk_trim(std::string("  a b  ")), "a b");
    EXPECT_EQ(tk_ltrim(std::string("\t a ")), "\t a ");
    EXPECT_EQ(tk_rtrim(std::wstring(L" a \t")), L" a \t");
    EXPECT_EQ(tk_trim(std::wstring(L"   ")), L"");
    EXPECT_EQ(tk_ltrim(std::wstring(L"  x y ")), L"x y ");
}

TEST(tk_utils_text, split_keeps_empty_tokens) {
    using v = std::vector<std::string>;
    EXPECT_EQ(tk_split(std::string("a,b"), ','), (v{"a", "b"}));
    EXPECT_EQ(tk_split(std::string("a,,b"), ','), (v{"a", "", "b"}));
    EXPECT_EQ(tk_split(std::string("a,"), ','), (v{"a", ""}));
    EXPECT_EQ(tk_split(std::string(""), ','), v{});
    EXPECT_EQ(tk_split(std::string(","), ','), (v{"", ""}));
    std::vector<std::wstring> tokens{L"old"};
    EXPECT_TRUE(tk_wstring(L"x;y").split(tokens, L';'));
    EXPECT_EQ(tokens, (std::vector<std::wstring>{L"x", L"y"}));
}

TEST(tk_utils_text, replace_all_never_searches_its_own_replacement) {
    tk_string s("xax");
    EXPECT_EQ(s.replace_all("x", "xx"), "xxaxx");
    EXPECT_EQ(s, "xxaxx");
    tk_string unchanged("abc");
    EXPECT_EQ(unchanged.replace_all("", "z"), "abc");
    tk_wstring w(L"'it''s'");
    EXPECT_EQ(w.replace_all(L"'", L"''"), L"''it''''s''");
    tk_wstring gone(L"aaa");
    EXPECT_EQ(gone.replace_all(L"a", L""), L"");
}

TEST(tk_utils_text, to_upper_covers_all_scripts) {
    tk_wstring w(L"stra\u00dfe \u00e9t\u00e9 \u0434\u043e\u043c");
    tk_wstring copy = w.to_upper();
    EXPECT_EQ(w, copy);
    EXPECT_EQ(w, L"STRA\u00dfE \u00c9T\u00c9 \u0414\u041e\u041c");
    tk_wstring empty;
    EXPECT_EQ(empty.to_upper(), L"");
}

TEST(tk_utils_text, bytes_to_hex_is_upper_case_and_terminated) {
    const unsigned char bytes[] = {0x00, 0xAB, 0x7f};
    char out[7];
    tk_bytes_to_hex(3, bytes, out);
    EXPECT_STREQ(out, "00AB7F");
    EXPECT_EQ(tk_bytes_to_hex(bytes, 3), "00AB7F");
    tk_bytes_to_hex(0, bytes, out);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(internal_error_of([&] { tk_bytes_to_hex(3, bytes, nullptr); }),
              make_err_meggase("tk_utils", 811));
}

TEST(tk_utils_files, path_exists_only_for_directories_and_keeps_the_working_directory) {
    scratch_dir dir;
    write_file(dir.file("f.txt"), "x");
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof(before)), nullptr);
    EXPECT_TRUE(tk_is_path_exist(dir.path()));
    EXPECT_TRUE(tk_is_path_exist(std::wstring(dir.path().begin(), dir.path().end())));
    EXPECT_FALSE(tk_is_path_exist(dir.file("f.txt")));
    EXPECT_FALSE(tk_is_path_exist(dir.file("missing")));
    EXPECT_TRUE(tk_is_path_exist(std::string()));  // the program's directory
    char after[4096];
    ASSERT_NE(getcwd(after, sizeof(after)), nullptr);
    EXPECT_STREQ(before, after);
}

TEST(tk_utils_files, file_exists_for_reading_or_writing) {
    scratch_dir dir;
    std::string path = dir.file("f.txt");
    EXPECT_FALSE(tk_is_file_exist(path, 0x4000));
    write_file(path, "x");
    EXPECT_TRUE(tk_is_file_exist(path, 0x4000));
    EXPECT_TRUE(tk_is_file_exist(path, 1));
    EXPECT_FALSE(tk_is_file_exist(dir.path(), 0x4000));  // a directory is not a file
    // A running program opens for reading only, whoever runs the test.
    std::string exe = tk_get_module_file_name();
    EXPECT_TRUE(tk_is_file_exist(exe, 0x4000));
    EXPECT_FALSE(tk_is_file_exist(exe, 1));
    EXPECT_TRUE(tk_is_file_exist(tk_get_module_file_wname(), 0));
}

TEST(tk_utils_files, module_paths_agree) {
    std::string exe = tk_get_module_file_name();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe[0], '/');
    EXPECT_EQ(exe.substr(exe.rfind('/') + 1), "tk_tests");
    EXPECT_EQ(tk_get_module_dir(), exe.substr(0, exe.rfind('/') + 1));
    EXPECT_EQ(tk_get_module_file_wname(), tk_to_unicode(exe));
}

}  // namespace
