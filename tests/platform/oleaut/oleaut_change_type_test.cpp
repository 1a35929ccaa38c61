#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/oleaut/oleaut.h"
#include "platform/oleaut/oleaut_test_helpers.h"

namespace {

// Converts a copy of src and gives the result (VT_ERROR with the failure code in scode).
VARIANT change(const VARIANT& src, VARTYPE vt, std::uint16_t flags = 0) {
    VARIANT copy, out;
    VariantInit(&copy);
    VariantInit(&out);
    VariantCopy(&copy, &src);
    HRESULT hr = VariantChangeType(&out, &copy, flags, vt);
    VariantClear(&copy);
    if (FAILED(hr)) {
        VariantClear(&out);
        out.vt = VT_ERROR;
        out.scode = hr;
    }
    return out;
}

std::wstring text_of(const VARIANT& src, std::uint16_t flags = 0) {
    VARIANT out = change(src, VT_BSTR, flags);
    if (out.vt != VT_BSTR) return L"<fail>";
    return take_bstr(out.bstrVal);
}

VARIANT r8(double v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_R8;
    x.dblVal = v;
    return x;
}

VARIANT i4(LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

HRESULT failure(const VARIANT& v) {
    return v.vt == VT_ERROR ? v.scode : S_OK;
}

struct text_case {
    const wchar_t* text;
    VARTYPE vt;
};

}  // namespace

TEST(OleautChangeType, TextToNumbers) {
    VARIANT s = bstr_variant(L" 12 ");
    VARIANT out = change(s, VT_R8);
    ASSERT_EQ(out.vt, VT_R8);
    EXPECT_EQ(out.dblVal, 12.0);
    VariantClear(&s);

    s = bstr_variant(L"2.5");
    out = change(s, VT_I4);
    ASSERT_EQ(out.vt, VT_I4);
    EXPECT_EQ(out.lVal, 2);  // half to even
    out = change(s, VT_UI1);
    EXPECT_EQ(out.bVal, 2);
    out = change(s, VT_CY);
    EXPECT_EQ(out.cyVal.int64, 25000);
    out = change(s, VT_DECIMAL);
    ASSERT_EQ(out.vt, VT_DECIMAL);
    EXPECT_EQ(dec_text(out.decVal), L"2.5");
    VariantClear(&s);

    s = bstr_variant(L"-9223372036854775808");
    out = change(s, VT_I8);
    ASSERT_EQ(out.vt, VT_I8);
    EXPECT_EQ(out.llVal, std::numeric_limits<std::int64_t>::min());
    VariantClear(&s);
}

TEST(OleautChangeType, TextFailuresAreReported) {
    for (text_case c : {text_case{L"abc", VT_I4}, text_case{L"", VT_I4}, text_case{L"1,5", VT_R8},
                        text_case{L"inf", VT_R8}, text_case{L"maybe", VT_BOOL},
                        text_case{L"12abc", VT_CY}, text_case{L"tomorrow", VT_DATE}}) {
        VARIANT s = bstr_variant(c.text);
        EXPECT_EQ(failure(change(s, c.vt)), DISP_E_TYPEMISMATCH)
            << std::string(c.text, c.text + std::wcslen(c.text)) << " -> " << c.vt;
        VariantClear(&s);
    }
    for (text_case c :
         {text_case{L"1e10", VT_I4}, text_case{L"256", VT_UI1}, text_case{L"-1", VT_UI4},
          text_case{L"1e400", VT_R8}, text_case{L"1e39", VT_R4}, text_case{L"32767.5", VT_I2},
          text_case{L"18446744073709551616", VT_UI8}}) {
        VARIANT s = bstr_variant(c.text);
        EXPECT_EQ(failure(change(s, c.vt)), DISP_E_OVERFLOW)
            << std::string(c.text, c.text + std::wcslen(c.text)) << " -> " << c.vt;
        VariantClear(&s);
    }
}

TEST(OleautChangeType, FailureLeavesTheDestination) {
    VARIANT s = bstr_variant(L"abc");
    EXPECT_EQ(VariantChangeType(&s, &s, 0, VT_I4), DISP_E_TYPEMISMATCH);
    ASSERT_EQ(s.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(s.bstrVal), L"abc");
    // In place success releases the text.
    VARIANT n = bstr_variant(L"7");
    ASSERT_EQ(VariantChangeType(&n, &n, 0, VT_I2), S_OK);
    EXPECT_EQ(n.vt, VT_I2);
    EXPECT_EQ(n.iVal, 7);
    VariantClear(&s);
}

TEST(OleautChangeType, TextToBoolean) {
    for (const wchar_t* t : {L"True", L"TRUE", L"#TRUE#", L"2", L"-1", L"0.5"}) {
        VARIANT s = bstr_variant(t);
        VARIANT out = change(s, VT_BOOL);
        EXPECT_EQ(out.vt, VT_BOOL);
        EXPECT_EQ(out.boolVal, VARIANT_TRUE) << std::string(t, t + std::wcslen(t));
        VariantClear(&s);
    }
    for (const wchar_t* t : {L"false", L"0", L"0.000"}) {
        VARIANT s = bstr_variant(t);
        VARIANT out = change(s, VT_BOOL);
        EXPECT_EQ(out.vt, VT_BOOL);
        EXPECT_EQ(out.boolVal, VARIANT_FALSE);
        VariantClear(&s);
    }
}

TEST(OleautChangeType, NumbersToText) {
    EXPECT_EQ(text_of(i4(-42)), L"-42");
    EXPECT_EQ(text_of(r8(12.0)), L"12");
    EXPECT_EQ(text_of(r8(0.1)), L"0.1");
    EXPECT_EQ(text_of(r8(1e20)), L"1E+20");
    VARIANT f;
    VariantInit(&f);
    f.vt = VT_R4;
    f.fltVal = 0.1f;
    EXPECT_EQ(text_of(f), L"0.1");
    VARIANT b;
    VariantInit(&b);
    b.vt = VT_BOOL;
    b.boolVal = VARIANT_TRUE;
    EXPECT_EQ(text_of(b), L"-1");
    EXPECT_EQ(text_of(b, VARIANT_ALPHABOOL), L"True");
    VARIANT c;
    VariantInit(&c);
    c.vt = VT_CY;
    c.cyVal.int64 = 123400;
    EXPECT_EQ(text_of(c), L"12.34");
    VARIANT d;
    VariantInit(&d);
    d.decVal = dec_of(L"-0.0050");
    d.vt = VT_DECIMAL;
    EXPECT_EQ(text_of(d), L"-0.0050");
    VARIANT u8;
    VariantInit(&u8);
    u8.vt = VT_UI8;
    u8.ullVal = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(text_of(u8), L"18446744073709551615");
    VARIANT date;
    VariantInit(&date);
    date.vt = VT_DATE;
    date.date = 45322.5;
    EXPECT_EQ(text_of(date), L"2024-01-31 12:00:00");
    date.date = 0.25;
    EXPECT_EQ(text_of(date), L"06:00:00");
    VARIANT e;
    VariantInit(&e);
    EXPECT_EQ(text_of(e), L"");
}

TEST(OleautChangeType, NumbersToNumbers) {
    EXPECT_EQ(change(r8(2.5), VT_I2).iVal, 2);
    EXPECT_EQ(change(r8(-3.5), VT_I4).lVal, -4);
    EXPECT_EQ(failure(change(r8(1e10), VT_I4)), DISP_E_OVERFLOW);
    EXPECT_EQ(failure(change(r8(std::nan("")), VT_I4)), DISP_E_OVERFLOW);
    EXPECT_EQ(failure(change(r8(-0.6), VT_UI4)), DISP_E_OVERFLOW);
    EXPECT_EQ(change(r8(-0.4), VT_UI4).ulVal, 0u);
    EXPECT_EQ(failure(change(i4(-1), VT_UI2)), DISP_E_OVERFLOW);
    EXPECT_EQ(failure(change(i4(128), VT_I1)), DISP_E_OVERFLOW);
    EXPECT_EQ(change(i4(-128), VT_I1).cVal, static_cast<char>(-128));
    EXPECT_EQ(change(i4(5), VT_BOOL).boolVal, VARIANT_TRUE);
    EXPECT_EQ(change(i4(0), VT_BOOL).boolVal, VARIANT_FALSE);
    EXPECT_EQ(change(i4(7), VT_CY).cyVal.int64, 70000);
    EXPECT_EQ(change(r8(0.1), VT_CY).cyVal.int64, 1000);
    VARIANT d = change(r8(0.1), VT_DECIMAL);
    ASSERT_EQ(d.vt, VT_DECIMAL);
    EXPECT_EQ(dec_text(d.decVal), L"0.1");
    EXPECT_EQ(change(d, VT_R8).dblVal, 0.1);
    EXPECT_EQ(failure(change(r8(1e300), VT_R4)), DISP_E_OVERFLOW);
    EXPECT_EQ(failure(change(r8(1e300), VT_DATE)), DISP_E_OVERFLOW);
    VARIANT big;
    VariantInit(&big);
    big.vt = VT_UI8;
    big.ullVal = 1ull << 63;
    EXPECT_EQ(failure(change(big, VT_I8)), DISP_E_OVERFLOW);
    EXPECT_EQ(change(big, VT_DECIMAL).decVal.Lo64, 1ull << 63);
}

TEST(OleautChangeType, NullArraysAndUnknownTypes) {
    VARIANT n;
    VariantInit(&n);
    n.vt = VT_NULL;
    EXPECT_EQ(failure(change(n, VT_I4)), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(failure(change(n, VT_BSTR)), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(failure(change(i4(1), VT_NULL)), DISP_E_TYPEMISMATCH);
    VARIANT e;
    VariantInit(&e);
    EXPECT_EQ(change(e, VT_I4).lVal, 0);
    EXPECT_EQ(failure(change(i4(1), VT_ARRAY | VT_UI1)), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(failure(change(i4(1), 15)), DISP_E_BADVARTYPE);
    EXPECT_EQ(failure(change(i4(1), VT_ERROR)), DISP_E_BADVARTYPE);
}
