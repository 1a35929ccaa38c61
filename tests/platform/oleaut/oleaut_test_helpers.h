// Small builders shared by the automation-layer tests.
#pragma once

#include <string>

#include "platform/oleaut/oleaut.h"

// The wide text of a BSTR, embedded NULs included; the BSTR is released.
inline std::wstring take_bstr(BSTR text) {
    std::wstring out(text ? text : L"", SysStringLen(text));
    SysFreeString(text);
    return out;
}

inline DECIMAL dec_of(const wchar_t* text) {
    DECIMAL d{};
    HRESULT hr = VarDecFromStr(text, OLE_LCID_ENGLISH_US, 0, &d);
    if (FAILED(hr)) d.scale = 0xFF;  // marks the failure for the caller's expectation
    return d;
}

inline std::wstring dec_text(const DECIMAL& d) {
    BSTR out = nullptr;
    if (FAILED(VarBstrFromDec(&d, OLE_LCID_ENGLISH_US, 0, &out))) return L"<fail>";
    return take_bstr(out);
}

inline VARIANT bstr_variant(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}
