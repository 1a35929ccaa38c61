// Shared plumbing of the OCI entry points: error records and the guard that keeps every
// exception inside the C boundary.
//
// An entry point validates its handles first (OCI_INVALID_HANDLE, nothing touched), clears the
// error handle's record, and runs its body under `oci_guard`, which turns an engine error into
// OCI_ERROR with the ORA number and text, and any other exception into ORA-00600 or ORA-04030.
// Thread-safety: as the handles (one thread per handle).
#pragma once

#include <new>
#include <string>

#include "client/oci_handles.h"
#include "lite_errors.h"

// Oracle's texts for the errors the client layer raises itself.
const char* oci_message(int ora_code);

// Records ORA-`code` (with its standard text, or `text` when given) and returns OCI_ERROR.
sword oci_fail(OCIError* err, int code, const std::string& text = std::string());
// Records an information record (for OCI_SUCCESS_WITH_INFO) and returns that status.
sword oci_info(OCIError* err, int code);

template <class Body>
sword oci_guard(OCIError* err, Body&& body) {
    try {
        return body();
    } catch (const lite_error& e) {
        return oci_fail(err, e.code(), e.text());
    } catch (const std::bad_alloc&) {
        return oci_fail(err, ora_err::out_of_process_memory);
    } catch (const std::exception& e) {
        return oci_fail(err, ora_err::internal_error,
                        std::string("internal error code, arguments: [") + e.what() + "]");
    } catch (...) {
        return oci_fail(err, ora_err::internal_error);
    }
}

// The error handle of a call: live, and cleared of the previous call's record; null when invalid.
inline OCIError* oci_begin(OCIError* errhp) {
    auto* err = oci_find<OCIError>(errhp, OCI_HTYPE_ERROR);
    if (err != nullptr) err->clear();
    return err;
}

// UTF-16 text of a caller as UTF-8: `len` bytes, or up to the terminator when `len` is negative;
// null gives "".
std::string oci_in_text(const void* text, sb4 len);

// External types whose define or bind value is the address of a descriptor pointer (a datetime
// descriptor or a LOB locator).
bool oci_is_descriptor_type(ub2 dty);
// External types that a define or a bind accepts.
bool oci_is_supported_type(ub2 dty);
// Character set ids (UTF8, AL32UTF8) that ask for UTF-8 text instead of UTF-16.
bool oci_is_utf8_charset(ub2 id);

// Copies the engine's current row into the statement's defines at array index `row`; returns
// 0, or the worst ORA number met (1406 truncation, 1405 NULL without indicator, others).
int oci_fill_row(OCIStmt* st, ub4 row);
// Hands the bound values of array index `iter` to the compiled statement; raises lite_error
// (ORA-01008, ORA-01036, ORA-03115) when a placeholder is unbound or a bind is unusable.
void oci_apply_binds(OCIStmt* st, ub4 iter);
// Writes the ROWID a "RETURNING ROWID INTO :n" statement produced into its bind.
void oci_return_binds(OCIStmt* st, ub4 iter);
