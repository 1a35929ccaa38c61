#include "ORA/ora_number.h"

#include <cerrno>
#include <climits>
#include <cwchar>

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_logger.h"

namespace {

// Reads a whole decimal integer; false when the text is not one or leaves the 64-bit range.
bool parse_integer(const std::wstring& text, long long& value) {
    if (text.empty()) return false;
    errno = 0;
    wchar_t* end = nullptr;
    value = std::wcstoll(text.c_str(), &end, 10);
    if (errno == ERANGE || end == text.c_str()) return false;
    while (*end == L' ') ++end;
    return *end == 0;
}

}  // namespace

ora_number::ora_number(OCIParam* param) : ora_type(param) {
    tk_log(1, "ora_number::ctor");
    ora_engine& eng = ora_engine::instance();
    sb2 precision = 0;
    sb1 scale = 0;
    eng.check_err(eng.oci().AttrGet(param, OCI_DTYPE_PARAM, &precision, nullptr, OCI_ATTR_PRECISION,
                                    eng.err()));
    eng.check_err(
        eng.oci().AttrGet(param, OCI_DTYPE_PARAM, &scale, nullptr, OCI_ATTR_SCALE, eng.err()));
    m_data_type = SQLT_NUM;
    // Scale -127 marks a binary FLOAT (and an unconstrained NUMBER): its precision counts binary
    // digits, so FLOAT(10) holding 2.25 must not be refined into an integer.
    m_precision = scale == -127 ? 0 : precision;
    m_scale = scale < 0 ? 0 : scale;
    tk_log(1, "Prec=%d, scale=%d", m_precision, m_scale);
    m_vartype = get_refined_num_type(m_precision, m_scale, eng.b_int64_numbers);
}

int ora_number::get_vartype() const {
    return m_vartype;
}

std::shared_ptr<t_ftd> ora_number::get_ftd() const {
    tk_log(1, "ora_number::get_ftd");
    tk_wlog(1, L"Got field '%s', type=%d, lenght=%d, nullable=%d", m_name.c_str(), m_data_type,
            static_cast<int>(m_size), static_cast<int>(m_nullable));
    int reserved = m_vartype == VT_DECIMAL ? m_precision * 256 + m_scale : 0;
    return std::make_shared<t_ftd>(m_size, m_name, m_vartype, m_nullable == 0, false, ole_variant(),
                                   reserved, std::wstring());
}

void ora_number::define(OCIStmt* stmt, int pos) {
    tk_log(1, "ora_number::define(%d)", pos);
    ora_engine& eng = ora_engine::instance();
    eng.check_err(eng.oci().DefineByPos(stmt, &m_define, eng.err(), static_cast<ub4>(pos), m_buf,
                                        sizeof m_buf, SQLT_STR, &m_null_ind, &m_ret_len,
                                        &m_ret_code, OCI_DEFAULT));
}

void ora_number::to_variant(ole_variant& out) {
    ora_from_utf16(m_buf, sizeof m_buf / sizeof m_buf[0], m_text);
    const std::wstring& text = m_text;
    tk_wlog(1, L"ora_number::to_variant(buf=%s)", text.c_str());
    long long min = 0, max = 0;
    switch (m_vartype) {
        case VT_I1:
            min = SCHAR_MIN, max = SCHAR_MAX;
            break;
        case VT_I2:
            min = SHRT_MIN, max = SHRT_MAX;
            break;
        case VT_I4:
            min = INT_MIN, max = INT_MAX;
            break;
        case VT_I8:
            min = LLONG_MIN, max = LLONG_MAX;
            break;
        default:
            break;
    }
    if (min != max) {
        long long value = 0;
        if (!parse_integer(text, value) || value < min || value > max)
            raise_value_error(text, "does not fit the column's integer type");
    }
    out = ole_variant::from_wstring(text, static_cast<VARTYPE>(m_vartype));
    if (out.is_empty() && !text.empty())
        raise_value_error(text, "cannot be represented in the column's type");
}

std::wstring ora_number::fetched_text() const {
    return ora_from_utf16(m_buf, sizeof m_buf / sizeof m_buf[0]);
}
