#include "ORA/ora_number.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
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

// The values of the signed integer types a NUMBER column is read into; false for the others.
bool integer_range(int vartype, long long& min, long long& max) {
    switch (vartype) {
        case VT_I1:
            min = SCHAR_MIN, max = SCHAR_MAX;
            return true;
        case VT_I2:
            min = SHRT_MIN, max = SHRT_MAX;
            return true;
        case VT_I4:
            min = INT_MIN, max = INT_MAX;
            return true;
        case VT_I8:
            min = LLONG_MIN, max = LLONG_MAX;
            return true;
        default:
            return false;
    }
}

// The most digits a 96-bit variant decimal holds for every value (29 only below 7.9e28).
constexpr int k_variant_decimal_digits = 28;

// Digits a plain decimal text needs: the integer digits after leading zeros and the fraction up
// to its last non-zero digit; -1 when the text is not sign, digits and one point.
int decimal_digits(const std::wstring& text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) ++i;
    int integer = 0, fraction = 0, pending_zeros = 0, seen = 0;
    bool point = false, leading = true;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'.' || c == L',') {
            if (point) return -1;
            point = true;
            continue;
        }
        if (c < L'0' || c > L'9') return -1;
        ++seen;
        if (!point) {
            if (leading && c == L'0') continue;
            leading = false;
            ++integer;
        } else if (c == L'0') {
            ++pending_zeros;
        } else {
            fraction += pending_zeros + 1;
            pending_zeros = 0;
        }
    }
    return seen == 0 ? -1 : integer + fraction;
}

// A decimal number as its significant digits and the power of ten of the first one, so that
// "00120.50", "1.205e2" and "120.5" compare equal; false when the text is no number.
struct decimal_form {
    bool negative = false;
    int exponent = 0;
    int count = 0;
    char digits[64] = {};

    template <class C>
    bool read(const C* p, const C* end) {
        count = 0;
        negative = p < end && *p == C('-');
        if (p < end && (*p == C('-') || *p == C('+'))) ++p;
        int point_at = -1, position = 0, first = -1, seen = 0;
        for (; p < end; ++p) {
            if (*p == C('.') || *p == C(',')) {
                if (point_at >= 0) return false;
                point_at = position;
                continue;
            }
            if (*p < C('0') || *p > C('9')) break;
            ++seen;
            if (*p != C('0') && first < 0) first = position;
            if (first >= 0) {
                if (count == static_cast<int>(sizeof digits)) return false;
                digits[count++] = static_cast<char>(*p);
            }
            ++position;
        }
        if (seen == 0) return false;
        int power = 0;
        if (p < end && (*p == C('e') || *p == C('E'))) {
            ++p;
            bool minus = p < end && *p == C('-');
            if (p < end && (*p == C('-') || *p == C('+'))) ++p;
            if (p == end) return false;
            for (; p < end && *p >= C('0') && *p <= C('9'); ++p) power = power * 10 + (*p - C('0'));
            if (minus) power = -power;
        }
        while (p < end && *p == C(' ')) ++p;
        if (p != end) return false;
        while (count > 0 && digits[count - 1] == '0') --count;
        if (count == 0) {
            negative = false;
            exponent = 0;
            return true;
        }
        if (point_at < 0) point_at = position;
        exponent = point_at - first - 1 + power;
        return true;
    }

    bool operator==(const decimal_form& o) const {
        if (negative != o.negative || count != o.count) return false;
        if (count == 0) return true;
        return exponent == o.exponent && std::equal(digits, digits + count, o.digits);
    }
};

// The text of the common numbers, read from the fetched bytes up to their terminator:
// an optional minus, at most 18 digits (so that the value fits 64 bits and the variant decimal
// whole) and at most one point or comma among them.
struct plain_number {
    bool negative = false;
    bool point = false;
    int fraction = 0;
    unsigned long long magnitude = 0;

    bool read(const char* p, const char* end) {
        if (p < end && *p == '-') {
            negative = true;
            ++p;
        }
        // The integer digits, then those after the point: a digit costs a compare and a
        // multiply-add. Past 18 digits the magnitude may wrap, and the text is refused below.
        const auto digits_from = [&](const char* from) {
            while (p < end && static_cast<unsigned char>(*p - '0') < 10)
                magnitude = magnitude * 10 + static_cast<unsigned>(*p++ - '0');
            return static_cast<int>(p - from);
        };
        int digits = digits_from(p);
        if (p < end && (*p == '.' || *p == ',')) {
            point = true;
            ++p;
            fraction = digits_from(p);
            digits += fraction;
        }
        return (p == end || *p == 0) && digits > 0 && digits <= 18;
    }
};

// True when the real holds exactly the value of the decimal text: its shortest round-trip
// digits are the text's digits.
bool real_holds(const std::wstring& text, double value) {
    char buffer[40];
    auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
    decimal_form exact, held;
    if (!exact.read(text.data(), text.data() + text.size())) return true;
    if (!held.read(buffer, res.ptr)) return false;
    return exact == held;
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
    const int declared_scale = scale == -127 ? 0 : scale;
    m_scale = scale < 0 ? 0 : scale;
    tk_log(1, "Prec=%d, scale=%d", m_precision, m_scale);
    m_vartype = get_refined_num_type(m_precision, declared_scale, eng.b_int64_numbers);
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
    set_define_charset(k_utf8_charset);
}

void ora_number::to_variant(ole_variant& out) {
    // The common texts are read from the buffer itself, traced or not, so that the trace shows
    // the conversion that runs untraced.
    if (store_plain(out)) {
        tk_log(1, "ora_number::to_variant(buf=%s)", m_buf);
        return;
    }
    ora_from_utf8(m_buf, ora_text_length(m_buf, sizeof m_buf), m_text);
    const std::wstring& text = m_text;
    tk_wlog(1, L"ora_number::to_variant(buf=%s)", text.c_str());
    long long min = 0, max = 0;
    if (integer_range(m_vartype, min, max)) {
        long long value = 0;
        if (!parse_integer(text, value) || value < min || value > max)
            raise_value_error(text, "does not fit the column's integer type");
        switch (m_vartype) {
            case VT_I1:
                out = ole_variant(static_cast<char>(value));
                return;
            case VT_I2:
                out = ole_variant(static_cast<short>(value));
                return;
            case VT_I4:
                out = ole_variant(static_cast<int>(value));
                return;
            default:
                out = ole_variant(value);
                return;
        }
    }
    if (m_vartype == VT_DECIMAL) {
        const int digits = decimal_digits(text);
        if (digits > k_variant_decimal_digits) {
            // More digits than a variant decimal holds: the text itself travels, untouched but
            // for the decimal point, into the DECIMAL(p,s) column.
            for (wchar_t& c : m_text)
                if (c == L',') c = L'.';
            out.attach_wstring(m_text);
            return;
        }
        if (digits >= 0 && store_decimal(out)) return;
    }
    out = ole_variant::from_wstring(text, static_cast<VARTYPE>(m_vartype));
    if (out.is_empty() && !text.empty())
        raise_value_error(text, "cannot be represented in the column's type");
    if ((m_vartype == VT_R8 || m_vartype == VT_R4) && !real_holds(text, out.to_double())) {
        if (store_for_destination(out)) return;
        refuse_for_real(text);
    }
}

void ora_number::set_destination(const t_ftd& destination) {
    if (m_vartype != VT_R8 && m_vartype != VT_R4) return;
    m_destination = VT_EMPTY;
    if (destination.vartype == VT_DECIMAL) {
        m_destination = VT_DECIMAL;
        m_destination_precision = static_cast<int>((destination.dw_reserved >> 8) & 0xFF);
        m_destination_scale = static_cast<int>(destination.dw_reserved & 0xFF);
    } else if (destination.vartype == VT_BSTR || destination.vartype == VT_I8) {
        m_destination = destination.vartype;
    }
}

bool ora_number::store_for_destination(ole_variant& out) {
    if (m_destination == VT_EMPTY) return false;
    decimal_form form;
    if (!form.read(m_text.data(), m_text.data() + m_text.size())) return false;
    std::wstring dotted = m_text;
    for (wchar_t& c : dotted)
        if (c == L',') c = L'.';
    if (m_destination == VT_BSTR) {
        out.attach_wstring(dotted);
        return true;
    }
    if (m_destination == VT_I8) {
        long long value = 0;
        if (!parse_integer(m_text, value)) return false;
        out = ole_variant(value);
        return true;
    }
    const int integer = std::max(0, form.exponent + 1);
    const int fraction = std::max(0, form.count - integer);
    if (integer > m_destination_precision - m_destination_scale || fraction > m_destination_scale)
        return false;
    // Beyond a variant decimal's digits the text travels, as for a wide DECIMAL source column.
    if (form.count > k_variant_decimal_digits) {
        out.attach_wstring(dotted);
        return true;
    }
    out = ole_variant::from_wstring(dotted, VT_DECIMAL);
    return out.vt() == VT_DECIMAL;
}

void ora_number::refuse_for_real(const std::wstring& text) const {
    decimal_form form;
    int integer = 0, fraction = 0;
    if (form.read(text.data(), text.data() + text.size())) {
        integer = std::max(0, form.exponent + 1);
        fraction = std::max(0, form.count - integer);
    }
    // The narrowest usual DECIMAL that holds the value, or its text where no DECIMAL does.
    std::string holder;
    if (integer + fraction <= 38)
        holder = "DECIMAL(38," + std::to_string(fraction) + ")";
    else if (integer + fraction <= 65 && fraction <= 30)
        holder = "DECIMAL(65," + std::to_string(fraction) + ")";
    else
        holder = "VARCHAR(" + std::to_string(text.size()) + ")";
    std::string why = "has more digits than the column's floating-point type holds";
    if (m_destination == VT_I8) why = "is no integer the mapped 64-bit type holds";
    if (m_destination == VT_DECIMAL)
        why = "does not fit the mapped DECIMAL(" + std::to_string(m_destination_precision) + "," +
              std::to_string(m_destination_scale) + ")";
    raise_value_error(text, (why + "; map the column to " + holder +
                             " (in the type mapping or a profile) to carry it exactly")
                                .c_str());
}

bool ora_number::store_plain(ole_variant& out) {
    plain_number number;
    if (!number.read(m_buf, m_buf + sizeof m_buf)) return false;
    const long long value = number.negative ? -static_cast<long long>(number.magnitude)
                                            : static_cast<long long>(number.magnitude);
    switch (m_vartype) {
        case VT_I1:
        case VT_I2:
        case VT_I4:
        case VT_I8: {
            // A point, or a value outside the type, takes the general way, which tells why.
            if (number.point) return false;
            long long min = 0, max = 0;
            integer_range(m_vartype, min, max);
            if (value < min || value > max) return false;
            out.assign_integer(static_cast<VARTYPE>(m_vartype), value);
            return true;
        }
        case VT_DECIMAL: {
            // What the automation layer reads from such a text: every digit written, the scale
            // as many as follow the point, no sign on a zero.
            DECIMAL decimal{};
            decimal.scale = static_cast<std::uint8_t>(number.fraction);
            decimal.sign = number.negative && number.magnitude != 0 ? DECIMAL_NEG : 0;
            decimal.Lo64 = number.magnitude;
            out.assign_decimal(decimal);
            return true;
        }
        default:
            return false;
    }
}

bool ora_number::store_decimal(ole_variant& out) {
    // The text is sign, digits and one point or comma: the automation layer reads it with a
    // point, as the general conversion hands it over.
    const wchar_t* text = m_text.c_str();
    if (m_text.find(L',') != std::wstring::npos) {
        m_dotted = m_text;
        for (wchar_t& c : m_dotted)
            if (c == L',') c = L'.';
        text = m_dotted.c_str();
    }
    DECIMAL value{};
    // A text the automation layer refuses takes the general way, which tells why.
    if (FAILED(VarDecFromStr(text, OLE_LCID_ENGLISH_US, 0, &value))) return false;
    out = ole_variant(value);
    return true;
}

std::wstring ora_number::fetched_text() const {
    return ora_from_utf8(m_buf, ora_text_length(m_buf, sizeof m_buf));
}
