#include "variant/ole_variant.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "variant/ole_codepage.h"
#include "variant/ole_date.h"

namespace {

// The hex form of a byte array is capped so one value can never ask for gigabytes of text.
constexpr std::size_t max_printed_bytes = 100000000;

template <class T>
std::string number_text(T value) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

// "%.Ne" without the process locale's say in the decimal point.
std::string exponent_text(double value, int decimals) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, decimals);
    return std::string(buf, res.ptr);
}

// The types whose VARIANT owns nothing: VariantClear only zeroes them, and a value is cleared
// many times per row.
bool owns_nothing(VARTYPE vt) {
    return vt != VT_BSTR && (vt <= VT_DECIMAL || (vt >= VT_I1 && vt <= VT_UINT));
}

bool same_time(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string narrow_dotted(BSTR text) {
    std::string out;
    if (!ole_narrow(text, SysStringLen(text), CP_ACP, out)) return std::string();
    for (char& c : out)
        if (c == ',') c = '.';
    return out;
}

}  // namespace

bool ole_is_numeric_type(VARTYPE vt) {
    return (vt >= VT_I2 && vt <= VT_CY) || vt == VT_BOOL || vt == VT_DECIMAL ||
           (vt >= VT_I1 && vt <= VT_UINT);
}

bool ole_is_self_contained_type(VARTYPE vt) {
    return vt == VT_EMPTY || vt == VT_NULL || vt == VT_DATE || ole_is_numeric_type(vt);
}

bool ole_is_integer_type(VARTYPE vt) {
    return vt == VT_I2 || vt == VT_I4 || (vt >= VT_I1 && vt <= VT_UINT);
}

bool ole_is_int_type(VARTYPE vt) {
    switch (vt) {
        case VT_I2:
        case VT_I4:
        case VT_BOOL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
            return true;
        default:
            return false;
    }
}

bool ole_is_binary_type(VARTYPE vt) {
    return vt == VT_BLOB || vt == VT_BLOB_OBJECT || vt == VT_BYTE_ARRAY;
}

bool ole_is_quoted_type(VARTYPE vt) {
    return vt == VT_BSTR || vt == VT_DATE;
}

// ---- construction ----

void ole_variant::initialize() {
    tk_log(1, "ole_variant::initialize");
    VariantInit(&m_var);
    tk_log(1, "src.vt=%d", m_var.vt);
}

ole_variant::ole_variant() {
    tk_log(1, "ole_variant::empty ctor");
    initialize();
}

ole_variant::ole_variant(const SYSTEMTIME& time) {
    tk_log(1, "Construct ole_variant from SYSTEMTIME");
    initialize();
    m_time = time;
    m_var.vt = VT_DATE;
    if (!SystemTimeToVariantTime(&time, &m_var.date)) {
        tk_log(2, "Failed to convert SYSTEMTIME->VARIANT");
        m_var.date = 0;
    }
}

ole_variant::ole_variant(const CY& value) {
    tk_log(1, "Construct ole_variant from CY");
    initialize();
    m_var.cyVal = value;
    m_var.vt = VT_CY;
}

ole_variant::ole_variant(const DECIMAL& value) {
    tk_log(1, "Construct ole_variant from DECIMAL");
    initialize();
    m_var.decVal = value;
    m_var.vt = VT_DECIMAL;
}

ole_variant::ole_variant(const wchar_t* text) {
    tk_log(1, "Construct ole_variant from BSTR");
    initialize();
    BSTR copy = SysAllocString(text ? text : L"");
    if (!copy) throw std::bad_alloc();
    m_var.bstrVal = copy;
    m_var.vt = VT_BSTR;
}

ole_variant::ole_variant(bool value) {
    tk_log(1, "ole_variant::ctor from bool (%d)", value ? 1 : 0);
    initialize();
    m_var.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    m_var.vt = VT_BOOL;
}

ole_variant::ole_variant(char value) {
    tk_log(1, "ole_variant::ctor from char(%d)", static_cast<int>(value));
    initialize();
    m_var.cVal = value;
    m_var.vt = VT_I1;
}

ole_variant::ole_variant(signed char value) : ole_variant(static_cast<char>(value)) {}

ole_variant::ole_variant(unsigned char value) {
    tk_log(1, "ole_variant::ctor from byte(%d)", static_cast<int>(value));
    initialize();
    m_var.bVal = value;
    m_var.vt = VT_UI1;
}

ole_variant::ole_variant(short value) {
    tk_log(1, "ole_variant::ctor from short(%d)", static_cast<int>(value));
    initialize();
    m_var.iVal = value;
    m_var.vt = VT_I2;
}

ole_variant::ole_variant(unsigned short value) {
    tk_log(1, "ole_variant::ctor from ushort(%d)", static_cast<int>(value));
    initialize();
    m_var.uiVal = value;
    m_var.vt = VT_UI2;
}

ole_variant::ole_variant(int value) {
    tk_log(1, "ole_variant::ctor from int(%d)", value);
    initialize();
    m_var.lVal = value;
    m_var.vt = VT_I4;
}

ole_variant::ole_variant(unsigned int value) {
    tk_log(1, "ole_variant::ctor from uint(%u)", value);
    initialize();
    m_var.ulVal = value;
    m_var.vt = VT_UI4;
}

ole_variant::ole_variant(long long value) {
    tk_log(1, "ole_variant::ctor(hyper, %I64d)", value);
    initialize();
    m_var.llVal = value;
    m_var.vt = VT_I8;
}

ole_variant::ole_variant(unsigned long long value) {
    tk_log(1, "ole_variant::ctor(uhyper, %I64u)", value);
    initialize();
    m_var.ullVal = value;
    m_var.vt = VT_UI8;
}

ole_variant::ole_variant(long value) : ole_variant(static_cast<long long>(value)) {}

ole_variant::ole_variant(unsigned long value)
    : ole_variant(static_cast<unsigned long long>(value)) {}

ole_variant::ole_variant(float value) {
    tk_log(1, "ole_variant::ctor from float(%f)", static_cast<double>(value));
    initialize();
    m_var.fltVal = value;
    m_var.vt = VT_R4;
}

ole_variant::ole_variant(double value) {
    tk_log(1, "ole_variant::ctor from double(%e)", value);
    initialize();
    m_var.dblVal = value;
    m_var.vt = VT_R8;
}

ole_variant::ole_variant(const char* text) : ole_variant(std::string(text ? text : "")) {}

ole_variant::ole_variant(const std::string& text) {
    tk_log(1, "ole_variant::ctor from string(%s)", text.c_str());
    initialize();
    attach_string(text);
}

ole_variant::ole_variant(const std::wstring& text) {
    tk_wlog(1, L"ole_variant::ctor from wstring(%s)", text.c_str());
    initialize();
    attach_wstring(text);
}

ole_variant::ole_variant(const std::vector<std::uint8_t>& bytes) {
    initialize();
    attach_binary(bytes);
}

ole_variant::ole_variant(std::size_t count, const std::uint8_t* bytes) {
    initialize();
    attach_binary(count, bytes);
}

ole_variant::ole_variant(const ole_variant& other) {
    tk_log(1, "ole_variant::copy ctor");
    initialize();
    if (FAILED(VariantCopy(&m_var, &other.m_var))) throw std::bad_alloc();
    if (other.m_var.vt == VT_DATE) {
        tk_log(1, "Special processing for VT_DATE");
        m_time = other.m_time;
        m_var.vt = VT_DATE;
    } else if (other.m_var.vt == VT_I8 || other.m_var.vt == VT_UI8) {
        tk_log(1, "Special processing for VT_(U)I8 type");
        m_var.vt = other.m_var.vt;
        m_var.llVal = other.m_var.llVal;
    }
}

ole_variant::ole_variant(ole_variant&& other) noexcept : m_time(other.m_time), m_var(other.m_var) {
    VariantInit(&other.m_var);
}

ole_variant::~ole_variant() {
    clear();
}

void ole_variant::clear() {
    if (owns_nothing(m_var.vt)) {
        std::memset(static_cast<void*>(&m_var), 0, sizeof m_var);
    } else {
        if (m_var.vt == VT_BYTE_ARRAY || m_var.vt == VT_SAFEARRAY) {
            if (m_var.parray) SafeArrayDestroy(m_var.parray);
            m_var.parray = nullptr;
            m_var.vt = VT_EMPTY;
        }
        VariantClear(&m_var);
        m_var.vt = VT_EMPTY;
    }
    m_time = SYSTEMTIME{};
}

void ole_variant::clear_whole() {
    clear();
    // A type the platform does not know is left with its bytes: a new value starts from zeros.
    std::memset(static_cast<void*>(&m_var), 0, sizeof m_var);
}

// ---- assignment ----

ole_variant& ole_variant::operator=(const ole_variant& other) {
    assign(other);
    return *this;
}

ole_variant& ole_variant::operator=(ole_variant&& other) noexcept {
    if (this != &other) {
        clear();
        m_time = other.m_time;
        m_var = other.m_var;
        VariantInit(&other.m_var);
    }
    return *this;
}

void ole_variant::assign(const ole_variant& other) {
    if (this == &other) return;
    if (m_var.vt == VT_BSTR && m_var.bstrVal && other.m_var.vt == VT_BSTR && other.m_var.bstrVal) {
        // A text replacing a text keeps its storage: a mapped column is copied into the same
        // output field row after row.
        BSTR text = m_var.bstrVal;
        const UINT length = SysStringLen(other.m_var.bstrVal);
        if (SysStringLen(text) == length) {
            std::memcpy(text, other.m_var.bstrVal, length * sizeof(OLECHAR));
        } else if (!SysReAllocStringLen(&text, other.m_var.bstrVal, length)) {
            clear();
            throw std::bad_alloc();
        }
        m_var = other.m_var;
        m_var.bstrVal = text;
        m_time = SYSTEMTIME{};
        return;
    }
    clear();
    switch (other.m_var.vt) {
        case VT_DATE: {
            const SYSTEMTIME& t = other.m_time;
            tk_log(1, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                   t.wMinute, t.wSecond);
            m_var.vt = VT_DATE;
            m_var.date = other.m_var.date;
            m_time = t;
            break;
        }
        case VT_I8:
        case VT_UI8:
            m_var.vt = other.m_var.vt;
            m_var.llVal = other.m_var.llVal;
            break;
        case VT_BYTE_ARRAY:
        case VT_SAFEARRAY: {
            if (!other.m_var.parray) break;
            SAFEARRAY* copy = nullptr;
            if (SUCCEEDED(SafeArrayCopy(other.m_var.parray, &copy)) && copy) {
                m_var.parray = copy;
                m_var.vt = VT_BYTE_ARRAY;
            } else {
                m_var.vt = VT_ERROR;
            }
            break;
        }
        default:
            // A number, a truth or nothing is its bits: rows copy many of them.
            if (ole_is_self_contained_type(other.m_var.vt)) {
                m_var = other.m_var;
                break;
            }
            if (FAILED(VariantCopy(&m_var, &other.m_var))) throw std::bad_alloc();
            break;
    }
}

ole_variant& ole_variant::operator=(const wchar_t* text) {
    tk_log(1, "ole_variant::operator = (const BSTR)");
    BSTR copy = SysAllocString(text ? text : L"");
    if (!copy) throw std::bad_alloc();
    clear();
    m_var.bstrVal = copy;
    m_var.vt = VT_BSTR;
    return *this;
}

// ---- text and bytes ----

void ole_variant::attach_string(const std::string& text) {
    tk_log(1, "ole_variant::attach_string('%s')", text.c_str());
    clear();
    std::wstring wide;
    if (!ole_widen(text.data(), text.size(), CP_THREAD_ACP, wide))
        throw tk_exception_ex("Cannot convert to UNICODE string: ", 0);
    BSTR copy = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!copy) throw tk_mail_assertion("ole_var", 1018);
    m_var.bstrVal = copy;
    m_var.vt = VT_BSTR;
}

void ole_variant::attach_wstring(const std::wstring& text) {
    tk_wlog(1, L"ole_variant::attach_wstring('%s')", text.c_str());
    if (m_var.vt == VT_BSTR && m_var.bstrVal && text.size() <= std::numeric_limits<UINT>::max()) {
        // A text replacing a text keeps its storage: a reader refills one field row after row.
        if (!SysReAllocStringLen(&m_var.bstrVal, text.data(), static_cast<UINT>(text.size())))
            throw tk_mail_assertion("ole_var", 1037);
        m_time = SYSTEMTIME{};
        return;
    }
    clear();
    BSTR copy = text.size() <= std::numeric_limits<UINT>::max()
                    ? SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))
                    : nullptr;
    if (!copy) throw tk_mail_assertion("ole_var", 1037);
    m_var.bstrVal = copy;
    m_var.vt = VT_BSTR;
}

void ole_variant::set_wstring(const std::wstring& text) {
    attach_wstring(text.c_str());
}

wchar_t* ole_variant::text_buffer(std::size_t length) {
    if (length > std::numeric_limits<UINT>::max()) throw tk_mail_assertion("ole_var", 1037);
    const UINT count = static_cast<UINT>(length);
    if (m_var.vt == VT_BSTR && m_var.bstrVal) {
        if (SysStringLen(m_var.bstrVal) != count &&
            !SysReAllocStringLen(&m_var.bstrVal, nullptr, count))
            throw tk_mail_assertion("ole_var", 1037);
        m_time = SYSTEMTIME{};
        return m_var.bstrVal;
    }
    clear();
    BSTR text = SysAllocStringLen(nullptr, count);
    if (!text) throw tk_mail_assertion("ole_var", 1037);
    m_var.bstrVal = text;
    m_var.vt = VT_BSTR;
    return text;
}

void ole_variant::assign_integer(VARTYPE vt, long long value) {
    clear_whole();
    switch (vt) {
        case VT_I1:
            tk_log(1, "ole_variant::ctor from char(%d)", static_cast<int>(value));
            m_var.cVal = static_cast<char>(value);
            break;
        case VT_I2:
            tk_log(1, "ole_variant::ctor from short(%d)", static_cast<int>(value));
            m_var.iVal = static_cast<short>(value);
            break;
        case VT_I4:
            tk_log(1, "ole_variant::ctor from int(%d)", static_cast<int>(value));
            m_var.lVal = static_cast<int>(value);
            break;
        default:
            tk_log(1, "ole_variant::ctor(hyper, %I64d)", value);
            vt = VT_I8;
            m_var.llVal = value;
            break;
    }
    m_var.vt = vt;
}

void ole_variant::assign_decimal(const DECIMAL& value) {
    tk_log(1, "Construct ole_variant from DECIMAL");
    clear_whole();
    m_var.decVal = value;
    m_var.vt = VT_DECIMAL;
}

void ole_variant::assign_date(const SYSTEMTIME& time) {
    tk_log(1, "Construct ole_variant from SYSTEMTIME");
    // A DATE of 0 may stand for a refused date, whose conversion is tried (and logged) again.
    if (m_var.vt == VT_DATE && m_var.date != 0 && same_time(m_time, time)) return;
    clear_whole();
    m_time = time;
    m_var.vt = VT_DATE;
    if (!SystemTimeToVariantTime(&time, &m_var.date)) {
        tk_log(2, "Failed to convert SYSTEMTIME->VARIANT");
        m_var.date = 0;
    }
}

void ole_variant::assign_parts(const VARIANT& value, const SYSTEMTIME& time) {
    const VARTYPE vt = value.vt;
    if (!ole_is_self_contained_type(vt)) throw tk_mail_assertion("ole_var", 1090);
    clear();
    m_var = value;
    if (vt == VT_DATE) m_time = time;
}

void ole_variant::attach_binary(std::size_t count, const std::uint8_t* bytes) {
    tk_log(1, "ole_variant::attach_binary(2)");
    if (!bytes) throw tk_mail_assertion("ole_var", 937);
    allocate_safe_array(count);
    if (count) std::memcpy(m_var.parray->pvData, bytes, count);
    tk_log(1, "ole_variant::attach_binary(2) - end");
}

void ole_variant::attach_binary(const std::vector<std::uint8_t>& bytes) {
    tk_log(1, "ole_variant::attach_binary(1)");
    allocate_safe_array(bytes.size());
    if (!bytes.empty()) std::memcpy(m_var.parray->pvData, bytes.data(), bytes.size());
    tk_log(1, "ole_variant::attach_binary(1) - end");
}

ole_variant& ole_variant::attach_binary_ex(const std::vector<std::uint8_t>& bytes) {
    attach_binary(bytes);
    return *this;
}

void ole_variant::allocate_safe_array(std::size_t count) {
    tk_log(1, "ole_variant::allocate_safe_array (size=%d)", static_cast<int>(count));
    if (count > std::numeric_limits<DWORD>::max()) throw tk_mail_assertion("ole_var", 970);
    if (m_var.vt == VT_BYTE_ARRAY && m_var.parray && SafeArrayGetDim(m_var.parray) == 1) {
        // An array of no elements (upper bound one below the lower) is resized like any other:
        // a reused field that held an empty value must take the next row's bytes.
        if (get_safe_array_size(m_var.parray) == count) return;
        LONG lower = 0;
        SafeArrayGetLBound(m_var.parray, 1, &lower);
        SAFEARRAYBOUND bound{static_cast<DWORD>(count), lower};
        if (FAILED(SafeArrayRedim(m_var.parray, &bound))) throw tk_mail_assertion("ole_var", 982);
        return;
    }
    clear();
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<DWORD>(count));
    if (!array) throw tk_mail_assertion("ole_var", 970);
    m_var.parray = array;
    m_var.vt = VT_BYTE_ARRAY;
}

std::uint8_t* ole_variant::allocate_bytes(std::size_t count) {
    allocate_safe_array(count);
    return static_cast<std::uint8_t*>(m_var.parray->pvData);
}

std::size_t ole_variant::get_safe_array_size(const SAFEARRAY* array) {
    tk_log(1, "get_safe_array_size");
    if (!array || array->cDims < 1) return 0;
    // The bounds are read in 64 bits: an array past 2^31 bytes has an upper bound no LONG holds.
    const std::int64_t lower = array->rgsabound[0].lLbound;
    const std::int64_t upper = lower + static_cast<std::int64_t>(array->rgsabound[0].cElements) - 1;
    tk_log(1, "lower=%I64d, upper=%I64d", lower, upper);
    if (upper < lower) return 0;
    return static_cast<std::size_t>(upper - lower + 1);
}

std::size_t ole_variant::get_bytes1(const std::uint8_t*& bytes) const {
    tk_log(2, "ole_variant::get_bytes1(%d)", m_var.vt);
    switch (m_var.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return 0;
        case VT_BLOB:
        case VT_BYTE_ARRAY:
            if (!m_var.parray) return 0;
            bytes = static_cast<const std::uint8_t*>(m_var.parray->pvData);
            return get_safe_array_size(m_var.parray);
        default:
            throw tk_mail_assertion("ole_var", 869);
    }
}

SYSTEMTIME* ole_variant::get_systemtime(SYSTEMTIME& time) const {
    if (m_var.vt == VT_DATE) {
        time = m_time;
        return &time;
    }
    time = SYSTEMTIME{};
    return nullptr;
}

// ---- numeric readers ----

std::int32_t ole_variant::to_long() const {
    tk_log(1, "ole_variant::to_long(vt=%08X)", m_var.vt);
    auto from_real = [](double r) -> std::int32_t {
        // Out-of-range and NaN values have no truncation; they clamp instead of being undefined.
        if (std::isnan(r)) return 0;
        if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
        if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
        return static_cast<std::int32_t>(r);
    };
    switch (m_var.vt) {
        case VT_I4:
            return m_var.lVal;
        case VT_UI4:
            return static_cast<std::int32_t>(m_var.ulVal);
        case VT_R4:
            return from_real(m_var.fltVal);
        case VT_R8:
            return from_real(m_var.dblVal);
        case VT_CY: {
            LONG res = 0;
            HRESULT hr = VarI4FromCy(m_var.cyVal, &res);
            if (FAILED(hr)) res = 0;
            tk_log(1, "from CURRECY: res=%d, hr=%08X", res, static_cast<unsigned>(hr));
            return res;
        }
        case VT_BOOL:
            tk_log(1, "src.boolVal=%d", m_var.boolVal);
            return m_var.boolVal == VARIANT_TRUE ? 1 : m_var.boolVal;
        case VT_I2:
            return m_var.iVal;
        case VT_DECIMAL: {
            LONG res = 0;
            HRESULT hr = VarI4FromDec(&m_var.decVal, &res);
            if (FAILED(hr)) res = 0;
            tk_log(1, "from DECIMAL: res=%d, hr=%08X", res, static_cast<unsigned>(hr));
            return res;
        }
        case VT_I1:
            return static_cast<signed char>(m_var.cVal);
        case VT_UI1:
            return m_var.bVal;
        case VT_UI2:
            return m_var.uiVal;
        case VT_I8:
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(m_var.llVal));
        case VT_UI8:
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(m_var.ullVal));
        default:
            return 0;
    }
}

double ole_variant::to_double() const {
    tk_log(1, "ole_variant::to_double(%08X)", m_var.vt);
    switch (m_var.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return 0;
        case VT_I4:
            return m_var.lVal;
        case VT_I2:
            return m_var.iVal;
        case VT_I1:
            return static_cast<signed char>(m_var.cVal);
        case VT_R4:
            return m_var.fltVal;
        case VT_R8:
            return m_var.dblVal;
        case VT_CY: {
            double res = 0;
            HRESULT hr = VarR8FromCy(m_var.cyVal, &res);
            if (FAILED(hr)) res = 0;
            tk_log(1, "from CURRECY: res=%lg, hr=%08X", res, static_cast<unsigned>(hr));
            return res;
        }
        case VT_DECIMAL: {
            double res = 0;
            HRESULT hr = VarR8FromDec(&m_var.decVal, &res);
            if (FAILED(hr)) res = 0;
            tk_log(1, "from DECIMAL: res=%lg, hr=%08X", res, static_cast<unsigned>(hr));
            return res;
        }
        case VT_BOOL:
            return m_var.boolVal == VARIANT_TRUE ? 1.0 : m_var.boolVal;
        case VT_UI1:
            return m_var.bVal;
        case VT_UI2:
            return m_var.uiVal;
        case VT_UI4:
            return m_var.ulVal;
        case VT_INT:
            return m_var.intVal;
        case VT_UINT:
            return m_var.uintVal;
        case VT_I8:
            return static_cast<double>(m_var.llVal);
        case VT_UI8:
            return static_cast<double>(m_var.ullVal);
        default:
            throw tk_mail_assertion("ole_var", 714);
    }
}

bool ole_variant::to_bool() const {
    tk_log(1, "ole_variant::to_bool(vt=%08X)", m_var.vt);
    switch (m_var.vt) {
        case VT_I2:
            return m_var.iVal != 0;
        case VT_UI2:
            return m_var.uiVal != 0;
        case VT_I4:
            return m_var.lVal != 0;
        case VT_UI4:
            return m_var.ulVal != 0;
        case VT_I1:
            return m_var.cVal != 0;
        case VT_UI1:
            return m_var.bVal != 0;
        case VT_R4:
            return m_var.fltVal != 0;
        case VT_R8:
            return m_var.dblVal != 0;
        case VT_CY:
        case VT_DECIMAL:
            return to_long() != 0;
        case VT_BOOL:
            return m_var.boolVal == VARIANT_TRUE;
        case VT_I8:
            return m_var.llVal != 0;
        case VT_UI8:
            return m_var.ullVal != 0;
        default:
            return false;
    }
}

// ---- text forms ----

std::string ole_variant::to_string() const {
    tk_log(1, "ole_variant::to_string (vt=%08X)", m_var.vt);
    switch (m_var.vt) {
        case VT_CY: {
            tk_log(1, "Converting VT_CY");
            VARIANT text;
            VariantInit(&text);
            if (FAILED(VariantChangeType(&text, &m_var, 0, VT_BSTR))) return std::string();
            std::string out = narrow_dotted(text.bstrVal);
            VariantClear(&text);
            return out;
        }
        case VT_DATE:
            tk_log(1, "Converting VT_DATE");
            return ole_date(m_time).to_string(true);
        case VT_BSTR: {
            tk_log(1, "Processing VT_BSTR");
            std::string out;
            const wchar_t* s = m_var.bstrVal ? m_var.bstrVal : L"";
            if (!ole_narrow(s, std::wcslen(s), CP_ACP, out)) return std::string();
            return out;
        }
        case VT_BOOL:
            tk_log(1, "to_string - bool: %d", m_var.boolVal);
            tk_log(1, "Mapping BOOL like ANSI!");
            return m_var.boolVal == VARIANT_TRUE ? "1" : "0";
        case VT_DECIMAL: {
            tk_log(1, "Converting VT_DECIMAL");
            BSTR text = nullptr;
            if (FAILED(VarBstrFromDec(&m_var.decVal, OLE_LCID_USER_DEFAULT, 0, &text)))
                return std::string();
            std::string out = narrow_dotted(text);
            SysFreeString(text);
            return out;
        }
        case VT_BYTE_ARRAY: {
            tk_log(1, "Converting VT_ARRAY");
            const SAFEARRAY* array = m_var.parray;
            if (!array || SafeArrayGetDim(array) != 1) return std::string();
            std::size_t n = get_safe_array_size(array);
            if (n == 0) return std::string();
            if (n > max_printed_bytes) n = max_printed_bytes;
            static constexpr char digits[] = "0123456789ABCDEF";
            std::string out;
            out.resize(2 + 2 * n);
            out[0] = '0';
            out[1] = 'x';
            const auto* p = static_cast<const std::uint8_t*>(array->pvData);
            for (std::size_t i = 0; i < n; ++i) {
                out[2 + 2 * i] = digits[p[i] >> 4];
                out[3 + 2 * i] = digits[p[i] & 15];
            }
            return out;
        }
        case VT_I2:
            return number_text(static_cast<int>(m_var.iVal));
        case VT_I1:
            return number_text(static_cast<int>(static_cast<signed char>(m_var.cVal)));
        case VT_I4:
            return number_text(m_var.lVal);
        case VT_R4:
            // The shortest digits that read back as the same single: six decimals in exponent
            // form lose the last digits of many of them.
            return number_text(m_var.fltVal);
        case VT_R8:
            return exponent_text(m_var.dblVal, 16);
        case VT_UI1:
            return number_text(static_cast<unsigned>(m_var.bVal));
        case VT_UI2:
            return number_text(static_cast<unsigned>(m_var.uiVal));
        case VT_UI4:
            return number_text(m_var.ulVal);
        case VT_UINT:
            return number_text(m_var.uintVal);
        case VT_I8:
            return number_text(static_cast<std::int64_t>(m_var.llVal));
        case VT_UI8:
            return number_text(static_cast<std::uint64_t>(m_var.ullVal));
        default:
            return std::string();
    }
}

std::wstring_view ole_variant::whole_text() const noexcept {
    if (m_var.vt != VT_BSTR || !m_var.bstrVal) return std::wstring_view();
    return std::wstring_view(m_var.bstrVal, SysStringLen(m_var.bstrVal));
}

std::wstring ole_variant::to_wstring() const {
    tk_log(1, "ole_variant::to_wstring (vt=%08X)", m_var.vt);
    if (m_var.vt == VT_BSTR) {
        tk_log(1, "Processing VT_BSTR");
        return std::wstring(m_var.bstrVal ? m_var.bstrVal : L"");
    }
    std::string narrow = to_string();
    std::wstring out;
    if (!ole_widen(narrow.data(), narrow.size(), CP_ACP, out)) return std::wstring();
    return out;
}
