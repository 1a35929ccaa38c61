// The in-place forms a reader refills its fields with give, field by field and byte by byte, the
// value an ordinary assignment of a new value gives, whatever the field held before.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "variant/ole_variant.h"
#include "ole_variant_test_helpers.h"

namespace {

void expect_same_state(const ole_variant& got, const ole_variant& want) {
    EXPECT_EQ(got.vt(), want.vt());
    EXPECT_EQ(got.i8(), want.i8());
    EXPECT_EQ(got.ui8(), want.ui8());
    EXPECT_EQ(std::memcmp(&got.systemtime(), &want.systemtime(), sizeof(SYSTEMTIME)), 0);
    if (want.vt() == VT_BSTR) {
        EXPECT_EQ(got.whole_text(), want.whole_text());
        return;
    }
    // Byte for byte: a stale word of an earlier value left in the union is what this looks for.
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
    EXPECT_EQ(std::memcmp(&got.variant(), &want.variant(), sizeof(VARIANT)), 0);
}

// What a field may hold before the next row's value arrives.
std::vector<ole_variant> earlier_values() {
    std::vector<ole_variant> values;
    values.emplace_back();
    values.emplace_back(std::wstring(L"a\0text", 6));
    values.emplace_back(std::vector<std::uint8_t>{1, 2, 3});
    values.emplace_back(-7);
    values.emplace_back(static_cast<long long>(LLONG_MIN));
    values.emplace_back(2.5);
    values.emplace_back(st(2024, 3, 1, 12, 34, 56));
    values.emplace_back(st(1, 1, 1));
    DECIMAL decimal{};
    decimal.scale = 2;
    decimal.Lo64 = 12345;
    values.emplace_back(decimal);
    return values;
}

void expect_like_assignment(const std::function<void(ole_variant&)>& in_place,
                            const ole_variant& want) {
    for (const ole_variant& before : earlier_values()) {
        ole_variant got(before);
        in_place(got);
        SCOPED_TRACE(before.to_string());
        expect_same_state(got, want);
    }
}

}  // namespace

TEST(OleVariantInPlace, IntegersOfEveryWidth) {
    for (long long value :
         {0LL, 1LL, -1LL, static_cast<long long>(SCHAR_MIN), static_cast<long long>(SCHAR_MAX)})
        expect_like_assignment([&](ole_variant& v) { v.assign_integer(VT_I1, value); },
                               ole_variant(static_cast<char>(value)));
    for (long long value : {static_cast<long long>(SHRT_MIN), static_cast<long long>(SHRT_MAX)})
        expect_like_assignment([&](ole_variant& v) { v.assign_integer(VT_I2, value); },
                               ole_variant(static_cast<short>(value)));
    for (long long value : {static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)})
        expect_like_assignment([&](ole_variant& v) { v.assign_integer(VT_I4, value); },
                               ole_variant(static_cast<int>(value)));
    for (long long value : {LLONG_MIN, LLONG_MAX, -123456789012345678LL})
        expect_like_assignment([&](ole_variant& v) { v.assign_integer(VT_I8, value); },
                               ole_variant(value));
}

TEST(OleVariantInPlace, Decimals) {
    DECIMAL negative{};
    negative.scale = 5;
    negative.sign = DECIMAL_NEG;
    negative.Lo64 = 1;
    DECIMAL wide{};
    wide.scale = 28;
    wide.Hi32 = 0xFFFFFFFF;
    wide.Lo64 = ~0ULL;
    for (const DECIMAL& value : {negative, wide, DECIMAL{}})
        expect_like_assignment([&](ole_variant& v) { v.assign_decimal(value); },
                               ole_variant(value));
}

TEST(OleVariantInPlace, DatesRepeatedChangedAndRefused) {
    for (const SYSTEMTIME& time : {st(2024, 3, 1, 12, 34, 56), st(2024, 3, 1, 12, 34, 57),
                                   st(1899, 12, 30), st(1, 1, 1), st(1850, 6, 15, 1, 2, 3, 4)}) {
        expect_like_assignment([&](ole_variant& v) { v.assign_date(time); }, ole_variant(time));
        // The same date again, as the next row of the column brings it.
        expect_like_assignment(
            [&](ole_variant& v) {
                v.assign_date(time);
                v.assign_date(time);
            },
            ole_variant(time));
    }
}

TEST(OleVariantInPlace, TextBuffersOfAnyLength) {
    const std::wstring texts[] = {L"", L"x", std::wstring(L"a\0b", 3), L"\U0001F600 four-byte"};
    for (const std::wstring& text : texts) {
        expect_like_assignment(
            [&](ole_variant& v) {
                wchar_t* out = v.text_buffer(text.size());
                std::copy(text.begin(), text.end(), out);
            },
            ole_variant(text));
        // A text assigned over another text, of the same length or not.
        const ole_variant source(text);
        expect_like_assignment([&](ole_variant& v) { v = source; }, source);
        for (const std::wstring& before : texts) {
            ole_variant field(before);
            field = source;
            EXPECT_EQ(field.whole_text(), text);
            EXPECT_EQ(field.variant().bstrVal[text.size()], L'\0');
        }
    }
}
