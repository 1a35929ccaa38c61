#include "platform/win/win_format.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(win_format, wide_format_takes_wide_s_and_narrow_capital_s) {
    EXPECT_EQ(win_format(L"sql_engine::create_db (%s)", L"db\u00e9"),
              L"sql_engine::create_db (db\u00e9)");
    EXPECT_EQ(win_format(L"%S/%s", "n\xc3\xa4rrow", L"wide"), L"n\u00e4rrow/wide");
    EXPECT_EQ(win_format(L"%hs|%ls|%ws", "a", L"b", L"c"), L"a|b|c");
    EXPECT_EQ(win_format(L"[%5s][%-4s][%.2s]", L"ab", L"c", L"xyz"), L"[   ab][c   ][xy]");
    EXPECT_EQ(win_format(L"%s %S", static_cast<const wchar_t*>(nullptr),
                         static_cast<const char*>(nullptr)),
              L"(null) (null)");
}

TEST(win_format, narrow_format_takes_narrow_s_and_wide_capital_s) {
    EXPECT_EQ(win_format("%s=%S", "k", L"v\u00e9"), "k=v\xc3\xa9");
    EXPECT_EQ(win_format("%c%C", 'a', L'\u00e9'), "a\xc3\xa9");
}

TEST(win_format, characters) {
    EXPECT_EQ(win_format(L"tk_wstring::split(%c)", L','), L"tk_wstring::split(,)");
    EXPECT_EQ(win_format(L"%c%C", L'\u20ac', 'z'), L"\u20acz");
}

TEST(win_format, sixty_four_bit_integers) {
    EXPECT_EQ(win_format(L"%I64d", static_cast<std::int64_t>(-9223372036854775807LL - 1)),
              L"-9223372036854775808");
    EXPECT_EQ(win_format(L"%I64u", static_cast<std::uint64_t>(18446744073709551615ULL)),
              L"18446744073709551615");
    EXPECT_EQ(win_format(L"%I64x|%I64X", static_cast<std::uint64_t>(0xabcdef0123ULL),
                         static_cast<std::uint64_t>(0xabcdef0123ULL)),
              L"abcdef0123|ABCDEF0123");
    EXPECT_EQ(win_format("%I64d %lld %I32d", 5LL, 6LL, 7), "5 6 7");
    // An I64 argument followed by an int keeps both in place.
    EXPECT_EQ(win_format(L"%I64d,%d", static_cast<std::int64_t>(1) << 40, 3), L"1099511627776,3");
}

TEST(win_format, numbers_with_flags_width_and_precision) {
    EXPECT_EQ(win_format(L"%08X", 0xBEEFu), L"0000BEEF");
    EXPECT_EQ(win_format(L"%02d:%02d:%02d ", 9, 5, 0), L"09:05:00 ");
    EXPECT_EQ(win_format(L"%x %o %u", 255u, 8u, 4000000000u), L"ff 10 4000000000");
    EXPECT_EQ(win_format(L"%+d|% d|%-5d|%5d", 3, 4, 5, 6), L"+3| 4|5    |    6");
    EXPECT_EQ(win_format(L"%*d|%-*d|%.*f", 4, 1, 3, 2, 1, 2.25), L"   1|2  |2.2");
    EXPECT_EQ(win_format(L"%.16e", 0.1), L"1.0000000000000001e-01");
    EXPECT_EQ(win_format(L"%g %f %.3f %E", 1.5, 2.0, 3.14159, 1e10),
              L"1.5 2.000000 3.142 1.000000E+10");
    EXPECT_EQ(win_format(L"%Lf", 1.5L), L"1.500000");
    EXPECT_EQ(win_format(L"%hd %hhu", 70000, 300), L"4464 44");
    EXPECT_EQ(win_format(L"%ld|%lu|%lx", -7, 4000000000u, 255u), L"-7|4000000000|ff");
    EXPECT_EQ(win_format(L"%ld,%d", 12L, 3), L"12,3");
    EXPECT_EQ(win_format(L"%zu %Id", static_cast<size_t>(12), static_cast<ptrdiff_t>(-3)),
              L"12 -3");
}

TEST(win_format, percent_pointer_and_unknown_conversions) {
    EXPECT_EQ(win_format(L"100%%"), L"100%");
    EXPECT_EQ(win_format(L"%p", reinterpret_cast<void*>(0x1234)), L"0000000000001234");
    EXPECT_EQ(win_format(L"%k and %"), L"%k and %");
    int sink = 5;
    EXPECT_EQ(win_format(L"a%nb%d", &sink, 1), L"ab1");
    EXPECT_EQ(sink, 5);
}

TEST(win_format, appends_to_the_callers_string) {
    std::string out = "head:";
    auto fmt = [&out](const char* f, ...) {
        va_list args;
        va_start(args, f);
        win_vformat(out, f, args);
        va_end(args);
    };
    fmt("%d", 1);
    fmt("-%s", "two");
    EXPECT_EQ(out, "head:1-two");
}

TEST(win_format, huge_width_is_not_cut) {
    EXPECT_EQ(win_format("%1000d", 1).size(), 1000u);
    EXPECT_EQ(win_format(L"%700.600f", 1.0).size(), 700u);
}

}  // namespace
