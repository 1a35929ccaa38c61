// Server attach and detach, session begin and end.
#include "client/oci_api.h"
#include "client/oci_text.h"
#include "lite_errors.h"

extern "C" sword lite_OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink,
                                      sb4 dblink_len, ub4 /*mode*/) {
    OCIError* err = oci_begin(errhp);
    auto* srv = oci_find<OCIServer>(srvhp, OCI_HTYPE_SERVER);
    if (err == nullptr || srv == nullptr) return OCI_INVALID_HANDLE;
    return oci_guard(err, [&]() -> sword {
        if (srv->attached) return oci_fail(err, ora_err::already_connected);
        const std::string connect = dblink == nullptr
                                        ? std::string()
                                        : oci_in_text(dblink, dblink_len < 0 ? 0 : dblink_len);
        srv->directory = lite_instance::resolve(connect);
        srv->attached = true;
        return OCI_SUCCESS;
    });
}

extern "C" sword lite_OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 /*mode*/) {
    OCIError* err = oci_begin(errhp);
    auto* srv = oci_find<OCIServer>(srvhp, OCI_HTYPE_SERVER);
    if (err == nullptr || srv == nullptr) return OCI_INVALID_HANDLE;
    if (!srv->attached) return oci_fail(err, ora_err::not_connected);
    srv->detach();
    return OCI_SUCCESS;
}

extern "C" sword lite_OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp,
                                      ub4 credt, ub4 /*mode*/) {
    OCIError* err = oci_begin(errhp);
    auto* svc = oci_find<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    auto* ses = oci_find<OCISession>(usrhp, OCI_HTYPE_SESSION);
    if (err == nullptr || svc == nullptr || ses == nullptr) return OCI_INVALID_HANDLE;
    return oci_guard(err, [&]() -> sword {
        auto* srv = oci_find<OCIServer>(svc->server, OCI_HTYPE_SERVER);
        if (srv == nullptr || !srv->attached) return oci_fail(err, ora_err::explicit_attach_needed);
        if (ses->lite) return oci_fail(err, ora_err::already_authenticated);
        // External credentials stand for the operating system's word on who the user is: the
        // session's user name, which must be a user identified externally.
        if ((credt != OCI_CRED_RDBMS && credt != OCI_CRED_EXT) || ses->user.empty())
            return oci_fail(err, ora_err::invalid_logon);
        auto lite = std::make_unique<lite_session>();
        lite->logon_dir(srv->directory,
                        oci_text::utf16_to_utf8(ses->user.data(), ses->user.size() * 2),
                        oci_text::utf16_to_utf8(ses->password.data(), ses->password.size() * 2),
                        credt == OCI_CRED_EXT);
        ses->lite = std::move(lite);
        ses->server = srv;
        srv->sessions.insert(ses);
        svc->session = ses;
        return OCI_SUCCESS;
    });
}

extern "C" sword lite_OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp,
                                    ub4 /*mode*/) {
    OCIError* err = oci_begin(errhp);
    auto* svc = oci_find<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    if (err == nullptr || svc == nullptr) return OCI_INVALID_HANDLE;
    OCISession* ses = usrhp != nullptr ? oci_find<OCISession>(usrhp, OCI_HTYPE_SESSION)
                                       : oci_find<OCISession>(svc->session, OCI_HTYPE_SESSION);
    if (usrhp != nullptr && ses == nullptr) return OCI_INVALID_HANDLE;
    if (ses == nullptr || !ses->lite) return oci_fail(err, ora_err::not_connected);
    ses->end();
    return OCI_SUCCESS;
}
