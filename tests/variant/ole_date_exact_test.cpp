// A text read as a date keeps every part it gives, or says that it did not.
#include <gtest/gtest.h>

#include "variant/ole_cast_exception.h"
#include "variant/ole_date.h"
#include "variant/ole_variant.h"

TEST(OleDateExact, TheIsoSeparatorKeepsTheTime) {
    ole_date d("2024-01-31T10:20:30");
    ASSERT_TRUE(d.is_valid());
    EXPECT_TRUE(d.is_exact());
    EXPECT_EQ(d.kind(), ole_date::date_time);
    EXPECT_EQ(d.to_string(true), "2024-01-31 10:20:30");
    EXPECT_EQ(ole_date("2024-01-31t10:20:30.250").to_string(true), "2024-01-31 10:20:30.250");
}

TEST(OleDateExact, AFractionPastMidnightIsKept) {
    ole_date d("0001-01-01 00:00:00.5");
    ASSERT_TRUE(d.is_valid());
    EXPECT_TRUE(d.is_exact());
    EXPECT_EQ(d.kind(), ole_date::date_time);
    EXPECT_EQ(d.systemtime().wMilliseconds, 500);
    EXPECT_EQ(d.to_string(true), "0001-01-01 00:00:00.500");
    // Without milliseconds allowed the midnight prints as the date, as it always did.
    EXPECT_EQ(d.to_string(false), "0001-01-01");
}

TEST(OleDateExact, WhatTheValueCannotHoldIsSaid) {
    for (const char* text :
         {"2024-01-31 no time", "2024-01-31 10:20:30 +02:00", "2024-01-31 10:20:30.123456",
          "10:20:30x", "10:20 later", "2024-01-31 10:20:30.5x"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ole_date(text).is_exact());
    }
    for (const char* text :
         {"2024-01-31", "2024-01-31 10:20:30", "2024-01-31 10:20:30.123000", "10:20", "10:20:30.5",
          "20240131", "20240131102030", "2024/01/31 10:20:30 ", "Jan 31, 2024 10:20"}) {
        SCOPED_TRACE(text);
        ole_date d(text);
        EXPECT_TRUE(d.is_valid());
        EXPECT_TRUE(d.is_exact());
    }
}

TEST(OleDateExact, TextChangedIntoADateMustKeepEveryPart) {
    ole_variant kept(L"2024-01-31T10:20:30");
    kept.change_type(VT_DATE);
    EXPECT_EQ(kept.to_string(), "2024-01-31 10:20:30");
    ole_variant fraction(L"0001-01-01 00:00:00.5");
    fraction.change_type(VT_DATE);
    EXPECT_EQ(fraction.to_string(), "0001-01-01 00:00:00.500");
    for (const wchar_t* text : {L"2024-01-31 no time", L"2024-01-31 10:20:30.123456"}) {
        ole_variant cut(text);
        EXPECT_THROW(cut.change_type(VT_DATE), ole_cast_exception);
        EXPECT_EQ(cut.vt(), VT_BSTR);
    }
}
