#include "converter/udb_field_mutator.h"

#include "TK/tk_exception.h"
#include "SQL/sql_util.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "variant/ole_cast_exception.h"

namespace {

bool is_number_type(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
        case VT_I2:
        case VT_UI2:
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_I8:
        case VT_UI8:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL:
            return true;
        default:
            return false;
    }
}

// A text read strictly as a number of the type: the generic change of type keeps text that is
// no number as it is (and refuses some integer targets altogether), which would leave text in a
// numeric column or lose a value the user mapped.  Raises ole_cast_exception for anything that
// is not a plain decimal number or does not fit the type.
ole_variant number_from_text(const std::wstring& text, VARTYPE vt) {
    const std::string plain = tk_trim(tk_to_utf8(text));
    if (!sql_is_number_literal(plain)) throw ole_cast_exception();
    const bool real = vt == VT_R4 || vt == VT_R8;
    ole_variant value = ole_variant::from_string(plain, real ? VT_R8 : VT_DECIMAL);
    if (value.vt() != (real ? VT_R8 : VT_DECIMAL)) throw ole_cast_exception();
    value.change_type(vt);
    if (value.vt() != vt) throw ole_cast_exception();
    return value;
}

// A text read as a date must arrive whole in its column: a DATE keeps no time of day, a TIME no
// date, and neither a fraction of a second.  Raises ole_cast_exception for a date it would cut.
void require_kept_by(const std::wstring& type, const ole_variant& date) {
    const SYSTEMTIME& t = date.systemtime();
    const bool has_date = t.wYear != 0 || t.wMonth != 0 || t.wDay != 0;
    const bool has_time = t.wHour != 0 || t.wMinute != 0 || t.wSecond != 0;
    if (t.wMilliseconds != 0 || (type == L"DATE" && has_time) || (type == L"TIME" && has_date))
        throw ole_cast_exception();
}

// True for the mapped types whose values travel as text the server reads as a date and time.
bool is_date_time_text_type(const std::wstring& type) {
    return type == L"DATETIME" || type == L"TIMESTAMP";
}

// A text for a DATETIME or TIMESTAMP column, written as the server reads it whatever form the
// source gave it in.  A text that is no date, has no date, or has parts the column would not
// keep (a fraction of a second, anything the date leaves unread) raises ole_cast_exception.
std::wstring date_time_text(const std::wstring& text) {
    ole_variant date(text);
    date.change_type(VT_DATE);
    const SYSTEMTIME& t = date.systemtime();
    if (t.wYear == 0 && t.wMonth == 0 && t.wDay == 0) throw ole_cast_exception();
    require_kept_by(L"DATETIME", date);
    return date.to_wstring();
}

}  // namespace

udb_field_mutator::udb_field_mutator(const std::wstring& new_name,
                                     const sql_native_type& native_type, int status)
    : new_name(new_name), native_type(native_type), status(status) {}

udb_field_mutator::~udb_field_mutator() = default;

udb_properties::property_map& udb_field_mutator::store_properties() {
    properties.clear();
    properties[L"new_name"] = new_name;
    properties[L"type"] = native_type.type;
    properties[L"default_value"] = native_type.default_value;
    properties[L"character_set"] = native_type.character_set;
    properties[L"length"] = std::to_wstring(native_type.length);
    properties[L"scale"] = std::to_wstring(native_type.scale);
    properties[L"precision"] = std::to_wstring(native_type.precision);
    return properties;
}

udb_properties* udb_field_mutator::find_item(const std::wstring&) {
    return nullptr;
}

udb_properties* udb_field_mutator::find_by_new_name(const std::wstring&) {
    return nullptr;
}

std::shared_ptr<t_ftd> udb_field_mutator::clone(const t_ftd* field) const {
    if (!field) return nullptr;
    auto copy = std::make_shared<t_ftd>(*field);
    copy->native_type = native_type_text(native_type);
    return copy;
}

void udb_field_mutator::modify1(t_ftd& field) const {
    tk_log(1, "udb_field_mutator::modify1");
    // An empty name would leave the column unnamed in CREATE TABLE; the source name stays.
    if (!new_name.empty()) field.name = new_name;
    if (new_ole_type != VT_NULL) field.vartype = new_ole_type;
    field.native_type = native_type_text(native_type);
    tk_wlog(1, L"\tf.native_type=%s", field.native_type.c_str());
    field.size = static_cast<unsigned int>(native_type.length);
    tk_log(1, "\tf.size=%d", static_cast<int>(field.size));
    tk_log(2, "\told dw_reserved=%d, new dw_reserved=%d", field.dw_reserved,
           static_cast<int>(new_ole_flags));
    field.dw_reserved = new_ole_flags;
    // The mapping carries constants only: a source's expression, which it shows as no default,
    // stays as it is unless a constant replaces it.
    if (!native_type.default_value.empty() || !field.b_default_expression) {
        field.default_value = ole_variant(native_type.default_value);
        field.b_default_expression = false;
    }
    if (new_ole_type == VT_DECIMAL) {
        tk_log(1, "Setting new prec/scale for VT_DECIMAL");
        // Masked so that an out-of-range scale cannot spill into the precision byte.
        field.dw_reserved = ((native_type.precision & 0xFF) << 8) | (native_type.scale & 0xFF);
    }
}

void udb_field_mutator::modify2(udb_field& field) const {
    tk_log(1, "udb_field_mutator::modify2");
    // Same rule as modify1: the value must keep the name its column is created with.
    if (!new_name.empty()) field.set_name(new_name);
    // VT_NULL means "keep the source type"; converting to it would throw the value away.
    if (new_ole_type != VT_NULL) {
        try {
            const bool text = field.vt() == VT_BSTR;
            if (text && is_number_type(new_ole_type)) {
                static_cast<ole_variant&>(field) =
                    number_from_text(field.to_wstring(), new_ole_type);
            } else if (text && is_date_time_text_type(native_type.type)) {
                field.attach_wstring(date_time_text(field.to_wstring()));
            } else {
                field.change_type(new_ole_type);
                if (text && field.vt() == VT_DATE) require_kept_by(native_type.type, field);
            }
        } catch (const std::exception&) {
            // Level 0: only this record is lost, the run's handler may go on with the next one.
            // The column is named: a row of many mapped columns tells no other way which one.
            const std::wstring column = L" (column '" + field.get_name() + L"')";
            throw tk_exception(L"Data conversion is not supported for given type mapping" + column,
                               0);
        }
    }
    field.set_size(native_type.length);
}

std::unique_ptr<sql_field_mutator> new_sql_field_mutator(const std::wstring& new_name,
                                                         const sql_native_type& native_type,
                                                         int status) {
    return std::make_unique<sql_field_mutator>(new_name, native_type, status);
}
