#include <gtest/gtest.h>

#include <cstring>

#include "platform/oleaut/oleaut.h"
#include "platform/oleaut/oleaut_test_helpers.h"

TEST(OleautBstr, KeepsEmbeddedNulsAndLength) {
    const wchar_t text[] = {L'a', L'\0', L'b'};
    BSTR s = SysAllocStringLen(text, 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(SysStringByteLen(s), 3u * sizeof(wchar_t));
    EXPECT_EQ(s[3], L'\0');
    EXPECT_EQ(take_bstr(s), std::wstring(text, 3));
}

TEST(OleautBstr, NullAndEmpty) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    BSTR e = SysAllocString(L"");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(SysStringLen(e), 0u);
    SysFreeString(e);
    BSTR z = SysAllocStringLen(nullptr, 2);  // zero-filled
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z[0], L'\0');
    EXPECT_EQ(SysStringLen(z), 2u);
    SysFreeString(z);
}

TEST(OleautBstr, ReallocationReplacesTheTextWhateverItsLength) {
    BSTR s = SysAllocString(L"a longer first text");
    ASSERT_TRUE(SysReAllocStringLen(&s, L"short", 5));
    EXPECT_EQ(SysStringLen(s), 5u);
    EXPECT_EQ(std::wstring(s), L"short");
    const std::wstring longer(300, L'x');
    ASSERT_TRUE(SysReAllocStringLen(&s, longer.c_str(), 300));
    EXPECT_EQ(std::wstring(s, SysStringLen(s)), longer);
    EXPECT_EQ(s[300], L'\0');
    // A part of the text itself.
    ASSERT_TRUE(SysReAllocStringLen(&s, s + 290, 10));
    EXPECT_EQ(std::wstring(s), std::wstring(10, L'x'));
    ASSERT_TRUE(SysReAllocStringLen(&s, nullptr, 2));
    EXPECT_EQ(SysStringLen(s), 2u);
    EXPECT_EQ(s[0], L'\0');
    SysFreeString(s);
    BSTR fresh = nullptr;
    ASSERT_TRUE(SysReAllocStringLen(&fresh, L"new", 3));
    EXPECT_EQ(take_bstr(fresh), L"new");
    EXPECT_FALSE(SysReAllocStringLen(nullptr, L"x", 1));
}

// A value read row after row reallocates one text to every length in turn: each must read back
// whole, terminated, with its own length, whether its block was kept or replaced.
TEST(OleautBstr, ATextReallocatedToEveryLengthInTurnReadsBackWhole) {
    BSTR s = SysAllocString(L"");
    std::wstring model;
    unsigned step = 0;
    for (const UINT len : {40u, 3u, 100u, 0u, 1u, 1023u, 1024u, 300000u, 2u, 5000u, 64u, 200u}) {
        model.assign(len, L'\0');
        for (UINT k = 0; k < len; ++k) model[k] = static_cast<wchar_t>(L'a' + (k + step) % 26);
        ++step;
        ASSERT_TRUE(SysReAllocStringLen(&s, model.data(), len));
        ASSERT_EQ(SysStringLen(s), len);
        EXPECT_EQ(s[len], L'\0');
        EXPECT_EQ(std::wstring(s, len), model) << "length " << len;
        // A text of no characters given is zeroed, at any length.
        ASSERT_TRUE(SysReAllocStringLen(&s, nullptr, len / 2));
        EXPECT_EQ(std::wstring(s, len / 2), std::wstring(len / 2, L'\0'));
        EXPECT_EQ(s[len / 2], L'\0');
    }
    SysFreeString(s);
}

TEST(OleautSafeArray, BoundsOfEmptyAndFilledArrays) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, 0);
    ASSERT_NE(a, nullptr);
    LONG lo = 7, hi = 7;
    EXPECT_EQ(SafeArrayGetLBound(a, 1, &lo), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(a, 1, &hi), S_OK);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, -1);
    EXPECT_NE(a->pvData, nullptr);  // never null, even empty
    EXPECT_EQ(SafeArrayGetUBound(a, 2, &hi), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetDim(a), 1u);
    EXPECT_EQ(SafeArrayDestroy(a), S_OK);

    EXPECT_EQ(SafeArrayCreateVector(VT_I4, 0, 4), nullptr);  // only byte arrays exist here
}

TEST(OleautSafeArray, RedimKeepsPrefixAndZeroesGrowth) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, 3);
    ASSERT_NE(a, nullptr);
    std::memcpy(a->pvData, "xyz", 3);
    SAFEARRAYBOUND grow{6, 0};
    ASSERT_EQ(SafeArrayRedim(a, &grow), S_OK);
    EXPECT_EQ(std::memcmp(a->pvData, "xyz\0\0\0", 6), 0);
    SAFEARRAYBOUND shrink{2, 0};
    ASSERT_EQ(SafeArrayRedim(a, &shrink), S_OK);
    LONG hi = 0;
    SafeArrayGetUBound(a, 1, &hi);
    EXPECT_EQ(hi, 1);
    SAFEARRAYBOUND none{0, 0};
    ASSERT_EQ(SafeArrayRedim(a, &none), S_OK);
    SafeArrayGetUBound(a, 1, &hi);
    EXPECT_EQ(hi, -1);
    SafeArrayDestroy(a);
}

TEST(OleautSafeArray, CopyIsDeepAndLockedArraysStay) {
    SAFEARRAY* a = SafeArrayCreateVector(VT_UI1, 0, 2);
    static_cast<BYTE*>(a->pvData)[0] = 1;
    SAFEARRAY* c = nullptr;
    ASSERT_EQ(SafeArrayCopy(a, &c), S_OK);
    static_cast<BYTE*>(a->pvData)[0] = 9;
    EXPECT_EQ(static_cast<BYTE*>(c->pvData)[0], 1);

    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(a, &data), S_OK);
    EXPECT_EQ(SafeArrayDestroy(a), DISP_E_ARRAYISLOCKED);
    SAFEARRAYBOUND b{5, 0};
    EXPECT_EQ(SafeArrayRedim(a, &b), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(a), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(a), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroy(a), S_OK);
    EXPECT_EQ(SafeArrayDestroy(c), S_OK);
}

TEST(OleautVariant, CopyIsDeepForTextAndArrays) {
    VARIANT text = bstr_variant(L"abc");
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &text), S_OK);
    EXPECT_NE(copy.bstrVal, text.bstrVal);
    text.bstrVal[0] = L'z';
    EXPECT_EQ(std::wstring(copy.bstrVal), L"abc");

    VARIANT bytes;
    VariantInit(&bytes);
    bytes.vt = VT_ARRAY | VT_UI1;
    bytes.parray = SafeArrayCreateVector(VT_UI1, 0, 1);
    ASSERT_EQ(VariantCopy(&copy, &bytes), S_OK);  // releases the text copy first
    EXPECT_EQ(copy.vt, VT_ARRAY | VT_UI1);
    EXPECT_NE(copy.parray, bytes.parray);

    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
    VariantClear(&bytes);
    VariantClear(&text);

    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 15;
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
}

TEST(OleautVariant, BinaryMarkersOwnTheirArrays) {
    for (VARTYPE vt : {VT_BLOB, VT_BLOB_OBJECT, VT_SAFEARRAY}) {
        VARIANT v, copy;
        VariantInit(&v);
        VariantInit(&copy);
        v.vt = vt;
        v.parray = SafeArrayCreateVector(VT_UI1, 0, 2);
        ASSERT_EQ(VariantCopy(&copy, &v), S_OK) << vt;
        EXPECT_NE(copy.parray, v.parray);
        EXPECT_EQ(VariantClear(&copy), S_OK);
        EXPECT_EQ(VariantClear(&v), S_OK);  // the sanitizer build sees a leak otherwise
    }
}
