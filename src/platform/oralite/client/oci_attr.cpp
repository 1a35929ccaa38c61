// Attribute access on handles and describe parameters.
#include <cstring>

#include "client/oci_api.h"
#include "client/oci_text.h"
#include "lite_errors.h"

namespace {

template <class T>
sword put(void* attributep, ub4* sizep, T value) {
    if (attributep == nullptr) return OCI_ERROR;
    std::memcpy(attributep, &value, sizeof value);
    if (sizep != nullptr) *sizep = sizeof value;
    return OCI_SUCCESS;
}

// A text attribute: a pointer to UTF-16 owned by the handle, its length in bytes.
sword put_text(void* attributep, ub4* sizep, const std::u16string& text) {
    if (attributep == nullptr) return OCI_ERROR;
    const OraText* p = reinterpret_cast<const OraText*>(text.c_str());
    std::memcpy(attributep, &p, sizeof p);
    if (sizep != nullptr) *sizep = static_cast<ub4>(text.size() * 2);
    return OCI_SUCCESS;
}

template <class T>
T get_value(const void* attributep, ub4 size) {
    T v{};
    if (size == 0 || size >= sizeof v) {
        std::memcpy(&v, attributep, sizeof v);
    } else {
        std::memcpy(&v, attributep, size);
    }
    return v;
}

std::u16string text_attr(const void* attributep, ub4 size) {
    return oci_text::utf8_to_utf16(oci_text::utf16_to_utf8(attributep, size));
}

sword get_param(const OCIParam* p, void* attributep, ub4* sizep, ub4 attrtype, OCIError* err) {
    switch (attrtype) {
        case OCI_ATTR_DATA_TYPE:
            return put<ub2>(attributep, sizep, p->data_type);
        case OCI_ATTR_DATA_SIZE:
            return put<ub2>(attributep, sizep, p->data_size);
        case OCI_ATTR_DISP_SIZE:
            return put<ub2>(attributep, sizep, p->data_size);
        case OCI_ATTR_NAME:
            return put_text(attributep, sizep, p->name);
        case OCI_ATTR_TYPE_NAME:
            return put_text(attributep, sizep, p->type_name);
        case OCI_ATTR_PRECISION:
            return put<sb2>(attributep, sizep, p->precision);
        case OCI_ATTR_SCALE:
            return put<sb1>(attributep, sizep, p->scale);
        case OCI_ATTR_IS_NULL:
            return put<ub1>(attributep, sizep, p->is_null);
        case OCI_ATTR_CHARSET_FORM:
            return put<ub1>(attributep, sizep, p->charset_form);
        case OCI_ATTR_CHARSET_ID:
            return put<ub2>(attributep, sizep, p->charset_form == 0 ? 0 : OCI_UTF16ID);
        case OCI_ATTR_CHAR_USED:
            return put<ub1>(attributep, sizep, p->char_used);
        case OCI_ATTR_CHAR_SIZE:
            return put<ub2>(attributep, sizep, p->char_size);
        default:
            return oci_fail(err, ora_err::illegal_attribute_type);
    }
}

// The character-set attributes that defines and binds share.
template <class Transfer>
sword set_transfer(Transfer* t, void* attributep, ub4 size, ub4 attrtype, OCIError* err) {
    if (attributep == nullptr) return oci_fail(err, ora_err::illegal_attribute_type);
    switch (attrtype) {
        case OCI_ATTR_CHARSET_ID:
            t->charset_id = get_value<ub2>(attributep, size);
            return OCI_SUCCESS;
        case OCI_ATTR_CHARSET_FORM:
            t->charset_form = get_value<ub1>(attributep, size);
            return OCI_SUCCESS;
        case OCI_ATTR_MAXDATA_SIZE:
            return OCI_SUCCESS;
        default:
            return oci_fail(err, ora_err::illegal_attribute_type);
    }
}

template <class Transfer>
sword get_transfer(const Transfer* t, void* attributep, ub4* sizep, ub4 attrtype, OCIError* err) {
    switch (attrtype) {
        case OCI_ATTR_CHARSET_ID:
            return put<ub2>(attributep, sizep, t->charset_id);
        case OCI_ATTR_CHARSET_FORM:
            return put<ub1>(attributep, sizep, t->charset_form);
        default:
            return oci_fail(err, ora_err::illegal_attribute_type);
    }
}

}  // namespace

extern "C" sword lite_OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                                 ub4 attrtype, OCIError* errhp) {
    OCIError* err = oci_begin(errhp);
    oci_handle* h = oci_registry::find(trgthndlp, trghndltyp);
    if (err == nullptr || h == nullptr) return OCI_INVALID_HANDLE;
    return oci_guard(err, [&]() -> sword {
        switch (trghndltyp) {
            case OCI_HTYPE_SVCCTX: {
                auto* svc = static_cast<OCISvcCtx*>(h);
                if (attrtype == OCI_ATTR_SERVER) {
                    if (oci_find<OCIServer>(attributep, OCI_HTYPE_SERVER) == nullptr) {
                        return OCI_INVALID_HANDLE;
                    }
                    svc->server = static_cast<OCIServer*>(attributep);
                    return OCI_SUCCESS;
                }
                if (attrtype == OCI_ATTR_SESSION) {
                    if (oci_find<OCISession>(attributep, OCI_HTYPE_SESSION) == nullptr) {
                        return OCI_INVALID_HANDLE;
                    }
                    svc->session = static_cast<OCISession*>(attributep);
                    return OCI_SUCCESS;
                }
                break;
            }
            case OCI_HTYPE_SESSION: {
                auto* ses = static_cast<OCISession*>(h);
                if (attributep == nullptr && size != 0)
                    return oci_fail(err, ora_err::illegal_attribute_type);
                if (attrtype == OCI_ATTR_USERNAME) {
                    ses->user = text_attr(attributep, size);
                    return OCI_SUCCESS;
                }
                if (attrtype == OCI_ATTR_PASSWORD) {
                    ses->password = text_attr(attributep, size);
                    return OCI_SUCCESS;
                }
                break;
            }
            case OCI_HTYPE_DEFINE:
                return set_transfer(static_cast<OCIDefine*>(h), attributep, size, attrtype, err);
            case OCI_HTYPE_BIND:
                return set_transfer(static_cast<OCIBind*>(h), attributep, size, attrtype, err);
            case OCI_HTYPE_STMT:
                if (attrtype == OCI_ATTR_PREFETCH_ROWS) {
                    static_cast<OCIStmt*>(h)->prefetch_rows = get_value<ub4>(attributep, size);
                    return OCI_SUCCESS;
                }
                break;
            default:
                break;
        }
        return oci_fail(err, ora_err::illegal_attribute_type);
    });
}

extern "C" sword lite_OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep,
                                 ub4* sizep, ub4 attrtype, OCIError* errhp) {
    OCIError* err = oci_begin(errhp);
    oci_handle* h = oci_registry::find(trgthndlp, trghndltyp);
    if (err == nullptr || h == nullptr) return OCI_INVALID_HANDLE;
    if (attributep == nullptr) return oci_fail(err, ora_err::illegal_attribute_type);
    return oci_guard(err, [&]() -> sword {
        switch (trghndltyp) {
            case OCI_DTYPE_PARAM:
                return get_param(static_cast<OCIParam*>(h), attributep, sizep, attrtype, err);
            case OCI_HTYPE_STMT: {
                auto* st = static_cast<OCIStmt*>(h);
                if (attrtype == OCI_ATTR_PARAM_COUNT) {
                    if (!st->described) return oci_fail(err, ora_err::statement_not_executed);
                    return put<ub4>(attributep, sizep, static_cast<ub4>(st->params.size()));
                }
                if (attrtype == OCI_ATTR_ROW_COUNT || attrtype == OCI_ATTR_ROWS_RETURNED) {
                    return put<ub4>(attributep, sizep, st->row_count);
                }
                if (attrtype == OCI_ATTR_STMT_TYPE) {
                    return put<ub2>(attributep, sizep, st->stmt_type);
                }
                break;
            }
            case OCI_HTYPE_SVCCTX: {
                auto* svc = static_cast<OCISvcCtx*>(h);
                if (attrtype == OCI_ATTR_SERVER) return put<void*>(attributep, sizep, svc->server);
                if (attrtype == OCI_ATTR_SESSION)
                    return put<void*>(attributep, sizep, svc->session);
                break;
            }
            case OCI_HTYPE_SESSION: {
                auto* ses = static_cast<OCISession*>(h);
                if (attrtype == OCI_ATTR_USERNAME) return put_text(attributep, sizep, ses->user);
                break;
            }
            case OCI_HTYPE_DEFINE:
                return get_transfer(static_cast<OCIDefine*>(h), attributep, sizep, attrtype, err);
            case OCI_HTYPE_BIND:
                return get_transfer(static_cast<OCIBind*>(h), attributep, sizep, attrtype, err);
            case OCI_HTYPE_ENV:
                if (attrtype == OCI_ATTR_CHARSET_ID)
                    return put<ub2>(attributep, sizep, OCI_UTF16ID);
                break;
            default:
                break;
        }
        return oci_fail(err, ora_err::illegal_attribute_type);
    });
}
