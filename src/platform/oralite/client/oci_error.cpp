#include <cstdio>
#include <cstring>

#include "client/oci_api.h"
#include "client/oci_text.h"

const char* oci_message(int ora_code) {
    switch (ora_code) {
        case 600:
            return "internal error code";
        case 1002:
            return "fetch out of sequence";
        case 1007:
            return "variable not in select list";
        case 1008:
            return "not all variables bound";
        case 1036:
            return "illegal variable name/number";
        case 1017:
            return "invalid username/password; logon denied";
        case 1405:
            return "fetched column value is NULL";
        case 1406:
            return "fetched column value was truncated";
        case 1455:
            return "converting column overflows integer datatype";
        case 1482:
            return "unsupported character set";
        case 1722:
            return "invalid number";
        case 1878:
            return "specified field not found in datetime or interval";
        case 1891:
            return "Datetime/Interval internal error";
        case 3114:
            return "not connected to ORACLE";
        case 3115:
            return "unsupported network datatype or representation";
        case 4030:
            return "out of process memory";
        case 932:
            return "inconsistent datatypes";
        case 22275:
            return "invalid LOB locator specified";
        case 22831:
            return "Offset or offset+amount does not land on character boundary";
        case 22920:
            return "row containing the LOB value is not locked";
        case 24309:
            return "already connected to server";
        case 24313:
            return "user already authenticated";
        case 24315:
            return "illegal attribute type";
        case 24327:
            return "need explicit attach before authenticating a user";
        case 24333:
            return "zero iteration count";
        case 24337:
            return "statement handle not prepared";
        case 24338:
            return "statement handle not executed";
        case 24345:
            return "A Truncation or null fetch error occurred";
        case 24801:
            return "illegal parameter value in OCI lob function";
        case 24812:
            return "character set conversion to or from UCS2 failed";
        case 3113:
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
