#include "ORA/ora_type.h"

#include "ORA/ora_engine.h"
#include "ORA/ora_utils.h"
#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

ora_type::ora_type(OCIParam* param) {
    ora_engine& eng = ora_engine::instance();
    ub2 data_type = 0;
    eng.check_err(eng.oci().AttrGet(param, OCI_DTYPE_PARAM, &data_type, nullptr, OCI_ATTR_DATA_TYPE,
                                    eng.err()));
    m_data_type = data_type;
    tk_log(1, "ora_type::ctor(%d)", m_data_type);
    tk_log(1, "Step #1");
    OraText* name = nullptr;
    ub4 name_len = 0;
    eng.check_err(
        eng.oci().AttrGet(param, OCI_DTYPE_PARAM, &name, &name_len, OCI_ATTR_NAME, eng.err()));
    tk_log(1, "mypard5=%08X", static_cast<unsigned>(name_len));
    m_name = ora_from_utf16(reinterpret_cast<const char16_t*>(name), name_len / 2);
    tk_wlog(1, L"AS WCHAR*: %s", m_name.c_str());
    eng.check_err(eng.oci().AttrGet(param, OCI_DTYPE_PARAM, &m_nullable, nullptr, OCI_ATTR_IS_NULL,
                                    eng.err()));
    tk_log(1, "Step #3");
}

ora_type::~ora_type() {
    if (m_define) {
        if (ora_engine* eng = ora_engine::find_instance())
            eng->oci().HandleFree(m_define, OCI_HTYPE_DEFINE);
    }
}

void ora_type::set_define_charset(ub2 charset) {
    ora_engine& eng = ora_engine::instance();
    eng.check_err(
        eng.oci().AttrSet(m_define, OCI_HTYPE_DEFINE, &charset, 0, OCI_ATTR_CHARSET_ID, eng.err()));
}

unsigned ora_type::read_data_size(OCIParam* param) {
    ora_engine& eng = ora_engine::instance();
    ub2 size = 0;
    eng.check_err(
        eng.oci().AttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, eng.err()));
    return size;
}

int ora_type::get_vartype() const {
    tk_log(1, "ora_type::get_vartype(ctype=%d)", m_data_type);
    switch (m_data_type) {
        case SQLT_NUM:
        case SQLT_FLT:
        case SQLT_VNU:
        case SQLT_PDN:
            return VT_R8;
        case SQLT_INT:
            return VT_I4;
        case SQLT_DAT:
        case SQLT_TIMESTAMP:
        case SQLT_TIMESTAMP_TZ:
        case 231:
        case SQLT_TIMESTAMP_LTZ:
            return VT_DATE;
        case SQLT_BIN:
        case SQLT_LBI:
        case SQLT_BLOB:
        case SQLT_BFILE:
            return VT_BLOB;
        default:
            return VT_BSTR;
    }
}

std::shared_ptr<t_ftd> ora_type::get_ftd() const {
    tk_log(1, "ora_type::get_ftd");
    int vartype = get_vartype();
    tk_wlog(1, L"Got field '%s', type=%d, vartype=%d, lenght=%d, nullable=%d", m_name.c_str(),
            m_data_type, vartype, static_cast<int>(m_size), static_cast<int>(m_nullable));
    return std::make_shared<t_ftd>(m_size, m_name, vartype, m_nullable == 0, false, ole_variant(),
                                   vartype == VT_DATE ? 1 : 0, std::wstring());
}

namespace {

// The characters of a value that a record error shows.
constexpr std::size_t k_shown_chars = 64;

}  // namespace

void ora_type::raise_value_error(const std::wstring& value, const char* why) const {
    std::string text = "Table '" + ora_to_utf8(m_table) + "', column '" + ora_to_utf8(m_name) +
                       "': value '" + ora_to_utf8(value) + "' " + why;
    tk_log(3, "%s", text.c_str());
    throw tk_exception(text, 0);
}

bool ora_type::decode_utf8(const char* bytes, std::size_t count, std::wstring& text,
                           ole_variant& out) const {
    // Well-formed text, the common case, is decoded straight into the value.
    if (ora_decode_utf8(bytes, count, out)) return true;
    if (ora_from_utf8(bytes, count, text)) raise_lone_surrogate(text);
    return false;
}

void ora_type::raise_lone_surrogate(const std::wstring& text) const {
    raise_value_error(text.substr(0, k_shown_chars),
                      "holds a lone UTF-16 surrogate, which no MySQL text can store");
}

std::wstring ora_type::fetched_text() const {
    return std::wstring();
}

void ora_type::raise_cut_value() const {
    std::wstring shown = fetched_text();
    if (shown.size() > k_shown_chars) shown.resize(k_shown_chars);
    raise_value_error(shown + L"...", "is longer than the column's buffer");
}
