// The OLE Automation stand-in: VARIANT values, BSTR text, one-dimensional byte SAFEARRAYs, the
// exact CY and DECIMAL number formats, DATE values and the Var* conversions between them.
//
// Every call reports failure through its HRESULT (or a null result) and never raises.  Numbers
// are converted exactly: CY is a 64-bit integer scaled by 10,000 and DECIMAL a 96-bit unsigned
// mantissa with a scale of 0 to 28 and a sign; only the conversions to and from the real types
// (R4, R8, DATE) go through binary floating point.  Conversions to an integer type or to CY that
// drop digits round half to even ("banker's rounding"), and a value outside the target's range is
// DISP_E_OVERFLOW, never a truncated or wrapped number.  Text is read and written in the neutral
// form of locale 1033 ('.' decimal point, no thousands separators) whatever locale is passed.
//
// Thread-safety: no shared state; a value (VARIANT, BSTR, array) belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win/win_time.h"
#include "platform/win/win_types.h"

using HRESULT = std::int32_t;
using LCID = DWORD;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using OLECHAR = wchar_t;
using BSTR = OLECHAR*;
using DATE = double;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);

inline constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// The locale every numeric text of the system is read in: '.' is the decimal point.
inline constexpr LCID OLE_LCID_ENGLISH_US = 1033;
inline constexpr LCID OLE_LCID_USER_DEFAULT = 0x400;
inline constexpr LCID OLE_LCID_SYSTEM_DEFAULT = 0x800;

// VariantChangeType flag: booleans as "True"/"False" text instead of "-1"/"0".
inline constexpr std::uint16_t VARIANT_ALPHABOOL = 0x2;

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I2 = 2;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R4 = 4;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_CY = 6;
inline constexpr VARTYPE VT_DATE = 7;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_VARIANT = 12;
inline constexpr VARTYPE VT_UNKNOWN = 13;
inline constexpr VARTYPE VT_DECIMAL = 14;
inline constexpr VARTYPE VT_I1 = 16;
inline constexpr VARTYPE VT_UI1 = 17;
inline constexpr VARTYPE VT_UI2 = 18;
inline constexpr VARTYPE VT_UI4 = 19;
inline constexpr VARTYPE VT_I8 = 20;
inline constexpr VARTYPE VT_UI8 = 21;
inline constexpr VARTYPE VT_INT = 22;
inline constexpr VARTYPE VT_UINT = 23;
inline constexpr VARTYPE VT_SAFEARRAY = 27;
inline constexpr VARTYPE VT_BLOB = 65;
inline constexpr VARTYPE VT_BLOB_OBJECT = 70;
inline constexpr VARTYPE VT_ARRAY = 0x2000;
inline constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

// Currency: a signed 64-bit count of ten-thousandths.
union CY {
    struct {
        DWORD Lo;
        LONG Hi;
    };
    std::int64_t int64;
};

inline constexpr std::uint8_t DECIMAL_NEG = 0x80;
inline constexpr std::uint8_t DECIMAL_MAX_SCALE = 28;

// A 96-bit unsigned mantissa (Hi32:Lo64) divided by 10^scale, negative when sign is DECIMAL_NEG.
// It occupies the whole of a VARIANT: wReserved overlays the VARIANT's type word.
struct DECIMAL {
    WORD wReserved;
    std::uint8_t scale;
    std::uint8_t sign;
    DWORD Hi32;
    std::uint64_t Lo64;
};

struct SAFEARRAYBOUND {
    DWORD cElements;
    LONG lLbound;
};

// A one-dimensional array of one-byte elements (the only kind the system builds).
struct SAFEARRAY {
    WORD cDims;
    WORD fFeatures;
    DWORD cbElements;
    DWORD cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
};

// The tagged value.  The type word vt says which member is live; VT_ARRAY | VT_UI1 holds parray,
// VT_BSTR holds bstrVal, VT_DECIMAL uses the 16 bytes of decVal (vt overlaying its wReserved).
struct VARIANT {
    union {
        struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                std::int64_t llVal;
                std::uint64_t ullVal;
                LONG lVal;
                BYTE bVal;
                std::int16_t iVal;
                float fltVal;
                double dblVal;
                VARIANT_BOOL boolVal;
                HRESULT scode;
                CY cyVal;
                DATE date;
                BSTR bstrVal;
                SAFEARRAY* parray;
                char cVal;
                WORD uiVal;
                DWORD ulVal;
                int intVal;
                UINT uintVal;
                void* byref;
            };
        };
        DECIMAL decVal;
    };
};
using VARIANTARG = VARIANT;

static_assert(sizeof(DECIMAL) == 16, "DECIMAL must fill a VARIANT");
static_assert(sizeof(VARIANT) == 16, "VARIANT is two words");
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");

// ---- BSTR: length-prefixed wide text; embedded NULs are kept; always NUL-terminated. ----

// A copy of a NUL-terminated text; null for a null text or when memory runs out.
BSTR SysAllocString(const OLECHAR* text);
// A text of len characters copied from text (zero-filled when text is null);
// null when memory runs out.
BSTR SysAllocStringLen(const OLECHAR* text, UINT len);
// Releases the text; null is accepted.
void SysFreeString(BSTR text);
// Replaces *text with a copy of len characters of `chars` (which may lie inside *text), keeping
// the storage when it is large enough; FALSE, *text untouched, when memory runs out.
BOOL SysReAllocStringLen(BSTR* text, const OLECHAR* chars, UINT len);
// The character count (embedded NULs included); 0 for null.
UINT SysStringLen(BSTR text);
// The byte count of the characters; 0 for null.
UINT SysStringByteLen(BSTR text);

// ---- SAFEARRAY of one-byte elements (VT_UI1, VT_I1). ----

// A new zero-filled array; null for another element type, a dimension count other than 1, or
// when memory runs out.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds);
// The same with one dimension of count elements from lower_bound.
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lower_bound, DWORD count);
// Releases the array and its data; E_INVALIDARG for null, DISP_E_ARRAYISLOCKED when locked.
HRESULT SafeArrayDestroy(SAFEARRAY* array);
// Resizes the array in place to the new bound (new bytes are zero); DISP_E_ARRAYISLOCKED when
// its data is accessed, E_OUTOFMEMORY when memory runs out (the array is then unchanged).
HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* new_bound);
// A deep copy into *copy (null for a null array); E_OUTOFMEMORY when memory runs out.
HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** copy);
// The number of dimensions; 0 for null.
UINT SafeArrayGetDim(const SAFEARRAY* array);
// The size of one element; 0 for null.
UINT SafeArrayGetElemsize(const SAFEARRAY* array);
// The lower bound of dimension dim (1-based); DISP_E_BADINDEX for a wrong dimension.
HRESULT SafeArrayGetLBound(const SAFEARRAY* array, UINT dim, LONG* bound);
// The upper bound (lower bound + count - 1, so -1 for an empty array from 0).
HRESULT SafeArrayGetUBound(const SAFEARRAY* array, UINT dim, LONG* bound);
// Locks the array and gives its data pointer; E_INVALIDARG for null arguments.
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
// Undoes one SafeArrayAccessData; E_INVALIDARG when the array is not locked.
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);

// ---- VARIANT life cycle and generic conversion. ----

// Sets VT_EMPTY without releasing anything.
void VariantInit(VARIANT* value);
// Releases the BSTR or array the value owns and sets VT_EMPTY; DISP_E_BADVARTYPE for a type word
// this layer does not know (the value is then left alone).  VT_BLOB, VT_BLOB_OBJECT and
// VT_SAFEARRAY values hold a byte array in parray, like VT_ARRAY | VT_UI1.
HRESULT VariantClear(VARIANT* value);
// Deep copy of src into dest (dest is cleared first); E_OUTOFMEMORY leaves dest empty.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Converts src to the type vt into dest (dest may be src).  DISP_E_TYPEMISMATCH when the text or
// type cannot be read as the target, DISP_E_OVERFLOW when the value is out of the target's range,
// DISP_E_BADVARTYPE for an unknown target; on failure dest is unchanged.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, std::uint16_t flags, VARTYPE vt);
// The same; the locale is accepted for the caller's record and the neutral form is used.
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, std::uint16_t flags,
                            VARTYPE vt);

// ---- Text <-> CY, DECIMAL, DATE. ----

// Parses [spaces][sign]digits[.digits][E[sign]digits][spaces]; more than 28 fraction digits are
// rounded half to even.  DISP_E_TYPEMISMATCH for other text, DISP_E_OVERFLOW past 96 bits.
HRESULT VarDecFromStr(const OLECHAR* text, LCID lcid, DWORD flags, DECIMAL* result);
// The same text, rounded half to even to four decimals; DISP_E_OVERFLOW outside the CY range.
HRESULT VarCyFromStr(const OLECHAR* text, LCID lcid, DWORD flags, CY* result);
// The exact text: "-" when negative and not zero, the integer digits, then "." and exactly
// scale digits when the scale is not 0.  E_INVALIDARG for a scale above 28.
HRESULT VarBstrFromDec(const DECIMAL* value, LCID lcid, DWORD flags, BSTR* result);
// The exact text with trailing fraction zeros removed ("12.34", "5", "-0.0001").
HRESULT VarBstrFromCy(CY value, LCID lcid, DWORD flags, BSTR* result);
// Dates: "yyyy-mm-dd" (also with '/' or '.'), "m/d/yyyy" (month first unless the first number
// is above 12; also with '-' or '.'), English month names ("31 Jan 2024", "Jan 31, 2024",
// "31-JAN-24"), each optionally followed (or, for a time alone on 1899-12-30, replaced) by
// "h:mm[:ss[.fff]]" with an optional AM/PM; a 'T' may join date and time; a fraction of a second
// is dropped.  Two-digit years below 30 are 20xx, others 19xx.  DISP_E_TYPEMISMATCH otherwise.
HRESULT VarDateFromStr(const OLECHAR* text, LCID lcid, DWORD flags, DATE* result);

// ---- Exact numeric conversions; DISP_E_OVERFLOW when the value does not fit. ----

HRESULT VarR8FromDec(const DECIMAL* value, double* result);
HRESULT VarR8FromCy(CY value, double* result);
HRESULT VarI4FromCy(CY value, LONG* result);
HRESULT VarI8FromCy(CY value, std::int64_t* result);
HRESULT VarI2FromDec(const DECIMAL* value, std::int16_t* result);
HRESULT VarI4FromDec(const DECIMAL* value, LONG* result);
HRESULT VarUI2FromDec(const DECIMAL* value, WORD* result);
HRESULT VarUI4FromDec(const DECIMAL* value, DWORD* result);
HRESULT VarI8FromDec(const DECIMAL* value, std::int64_t* result);
HRESULT VarUI8FromDec(const DECIMAL* value, std::uint64_t* result);
HRESULT VarDecFromI8(std::int64_t value, DECIMAL* result);
HRESULT VarDecFromUI8(std::uint64_t value, DECIMAL* result);
HRESULT VarDecFromCy(CY value, DECIMAL* result);
// At most 15 significant digits, trailing zeros dropped; DISP_E_OVERFLOW for NaN, infinities and
// values beyond the 96-bit range.
HRESULT VarDecFromR8(double value, DECIMAL* result);
HRESULT VarCyFromDec(const DECIMAL* value, CY* result);
HRESULT VarCyFromR8(double value, CY* result);
HRESULT VarCyFromI8(std::int64_t value, CY* result);
// Compares two decimals by value: 0 less, 1 equal, 2 greater (VARCMP_LT/EQ/GT).
HRESULT VarDecCmp(const DECIMAL* left, const DECIMAL* right);
inline constexpr HRESULT VARCMP_LT = 0;
inline constexpr HRESULT VARCMP_EQ = 1;
inline constexpr HRESULT VARCMP_GT = 2;

// ---- DATE <-> SYSTEMTIME. ----

// Days since 1899-12-30 with the time of day as the fraction (whose sign follows the day part);
// milliseconds are ignored.  FALSE for a year outside 100-9999 or a field out of its range.
BOOL SystemTimeToVariantTime(const SYSTEMTIME* time, DATE* result);
// The broken-down form rounded to the second (milliseconds 0, day of week set); FALSE for a value
// outside years 100-9999 or not a number.
BOOL VariantTimeToSystemTime(DATE value, SYSTEMTIME* result);
