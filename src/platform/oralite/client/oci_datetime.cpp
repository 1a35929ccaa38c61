// Date and time parts of datetime descriptors.
#include "client/oci_api.h"
#include "lite_errors.h"

namespace {

// Datetime calls take the environment or a session as their context.
bool valid_context(void* hndl) {
    const ub4 kind = oci_registry::kind_of(hndl);
    return kind == OCI_HTYPE_ENV || kind == OCI_HTYPE_SESSION;
}

}  // namespace

extern "C" sword lite_OCIDateTimeGetDate(void* hndl, OCIError* err, const OCIDateTime* date,
                                         sb2* yr, ub1* mnth, ub1* dy) {
    OCIError* e = oci_begin(err);
    OCIDateTime* dt = oci_find_datetime(date);
    if (e == nullptr || dt == nullptr || !valid_context(hndl)) return OCI_INVALID_HANDLE;
    if (!dt->has_value) return oci_fail(e, ora_err::datetime_internal_error);
    if (yr != nullptr) *yr = static_cast<sb2>(dt->value.year);
    if (mnth != nullptr) *mnth = static_cast<ub1>(dt->value.month);
    if (dy != nullptr) *dy = static_cast<ub1>(dt->value.day);
    return OCI_SUCCESS;
}

extern "C" sword lite_OCIDateTimeGetTime(void* hndl, OCIError* err, OCIDateTime* datetime, ub1* hr,
                                         ub1* mm, ub1* ss, ub4* fsec) {
    OCIError* e = oci_begin(err);
    OCIDateTime* dt = oci_find_datetime(datetime);
    if (e == nullptr || dt == nullptr || !valid_context(hndl)) return OCI_INVALID_HANDLE;
    if (!dt->has_value) return oci_fail(e, ora_err::datetime_internal_error);
    if (hr != nullptr) *hr = static_cast<ub1>(dt->value.hour);
    if (mm != nullptr) *mm = static_cast<ub1>(dt->value.minute);
    if (ss != nullptr) *ss = static_cast<ub1>(dt->value.second);
    // A DATE descriptor has no fraction of a second.
    if (fsec != nullptr) *fsec = dt->kind == OCI_DTYPE_DATE ? 0 : dt->value.nanosecond;
    return OCI_SUCCESS;
}

extern "C" sword lite_OCIDateTimeGetTimeZoneOffset(void* hndl, OCIError* err,
                                                   const OCIDateTime* datetime, sb1* hr, sb1* mm) {
    OCIError* e = oci_begin(err);
    OCIDateTime* dt = oci_find_datetime(const_cast<OCIDateTime*>(datetime));
    if (e == nullptr || dt == nullptr || !valid_context(hndl)) return OCI_INVALID_HANDLE;
    if (!dt->has_value) return oci_fail(e, ora_err::datetime_internal_error);
    const int minutes = dt->value.tz_minutes;
    if (hr != nullptr) *hr = static_cast<sb1>(minutes / 60);
    if (mm != nullptr) *mm = static_cast<sb1>(minutes % 60);
    return OCI_SUCCESS;
}
