#include <cstdio>
#include <cstring>

#include "client/oci_api.h"
#include "client/oci_text.h"
#include "lite_errors.h"

const char* oci_message(int ora_code) {
    switch (ora_code) {
        case ora_err::internal_error:
            return "internal error code";
        case ora_err::fetch_out_of_sequence:
            return "fetch out of sequence";
        case ora_err::variable_not_in_select_list:
            return "variable not in select list";
        case ora_err::not_all_variables_bound:
            return "not all variables bound";
        case ora_err::illegal_variable_name:
            return "illegal variable name/number";
        case ora_err::invalid_logon:
            return "invalid username/password; logon denied";
        case ora_err::null_fetched:
            return "fetched column value is NULL";
        case ora_err::value_truncated:
            return "fetched column value was truncated";
        case ora_err::integer_overflow:
            return "converting column overflows integer datatype";
        case ora_err::invalid_number:
            return "invalid number";
        case ora_err::datetime_internal_error:
            return "Datetime/Interval internal error";
        case ora_err::not_connected:
            return "not connected to ORACLE";
        case ora_err::unsupported_datatype:
            return "unsupported network datatype or representation";
        case ora_err::out_of_process_memory:
            return "out of process memory";
        case ora_err::inconsistent_datatypes:
            return "inconsistent datatypes";
        case ora_err::invalid_lob_locator:
            return "invalid LOB locator specified";
        case ora_err::lob_row_not_locked:
            return "row containing the LOB value is not locked";
        case ora_err::already_connected:
            return "already connected to server";
        case ora_err::already_authenticated:
            return "user already authenticated";
        case ora_err::illegal_attribute_type:
            return "illegal attribute type";
        case ora_err::explicit_attach_needed:
            return "need explicit attach before authenticating a user";
        case ora_err::zero_iteration_count:
            return "zero iteration count";
        case ora_err::statement_not_prepared:
            return "statement handle not prepared";
        case ora_err::statement_not_executed:
            return "statement handle not executed";
        case ora_err::truncation_or_null_fetch:
            return "A Truncation or null fetch error occurred";
        case ora_err::illegal_lob_parameter:
            return "illegal parameter value in OCI lob function";
        case ora_err::ucs2_conversion_failed:
            return "character set conversion to or from UCS2 failed";
        case ora_err::end_of_file_on_channel:
            return "end-of-file on communication channel";
        default:
            return "error";
    }
}

sword oci_fail(OCIError* err, int code, const std::string& text) {
    if (err != nullptr) err->set(code, text.empty() ? std::string(oci_message(code)) : text);
    return OCI_ERROR;
}

sword oci_info(OCIError* err, int code) {
    if (err != nullptr) err->set(code, oci_message(code));
    return OCI_SUCCESS_WITH_INFO;
}

std::string oci_in_text(const void* text, sb4 len) {
    if (text == nullptr) return std::string();
    size_t bytes =
        len < 0 ? oci_text::utf16_strlen_bytes(text, SIZE_MAX) : static_cast<size_t>(len);
    return oci_text::utf16_to_utf8(text, bytes);
}

extern "C" sword lite_OCIErrorGet(void* hndlp, ub4 recordno, OraText* /*sqlstate*/, sb4* errcodep,
                                  OraText* bufp, ub4 bufsiz, ub4 type) {
    OCIError* err = nullptr;
    if (type == OCI_HTYPE_ERROR) {
        err = oci_find<OCIError>(hndlp, OCI_HTYPE_ERROR);
    } else if (type == OCI_HTYPE_ENV) {
        // The environment keeps no records of its own in this implementation.
        if (oci_find<OCIEnv>(hndlp, OCI_HTYPE_ENV) == nullptr) return OCI_INVALID_HANDLE;
        return OCI_NO_DATA;
    }
    if (err == nullptr) return OCI_INVALID_HANDLE;
    if (recordno != 1 || err->code == 0) return OCI_NO_DATA;
    if (errcodep != nullptr) *errcodep = err->code;
    if (bufp != nullptr && bufsiz >= 2) {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", err->code);
        std::string full = prefix + err->text;
        size_t needed = 0;
        const size_t cap_units = bufsiz / 2 - 1;  // one unit for the terminator
        const size_t n = oci_text::utf8_to_utf16_into(full, bufp, cap_units, &needed);
        const char16_t zero = 0;
        std::memcpy(bufp + 2 * n, &zero, sizeof zero);
    }
    return OCI_SUCCESS;
}
