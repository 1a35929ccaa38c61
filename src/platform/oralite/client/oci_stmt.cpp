// Statement prepare, execute, fetch and describe.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "lite_internal.h"
#include "client/oci_api.h"
#include "client/oci_text.h"
#include "lite_errors.h"

namespace {

// The statement type the client library reports, from the kind the engine's translator gives.
ub2 statement_type(const std::string& sql) {
    const std::string word = lite_statement_verb(sql);
    if (word == "SELECT" || word == "WITH") return OCI_STMT_SELECT;
    if (word == "UPDATE") return OCI_STMT_UPDATE;
    if (word == "DELETE") return OCI_STMT_DELETE;
    if (word == "INSERT") return OCI_STMT_INSERT;
    if (word == "CREATE") return OCI_STMT_CREATE;
    if (word == "DROP") return OCI_STMT_DROP;
    if (word == "ALTER") return OCI_STMT_ALTER;
    if (word == "BEGIN") return OCI_STMT_BEGIN;
    if (word == "DECLARE") return OCI_STMT_DECLARE;
    return OCI_STMT_UNKNOWN;
}

ub2 describe_code(int lite_code) {
    switch (lite_code) {
        case LITE_TIMESTAMP:
            return SQLT_TIMESTAMP;
        case LITE_TIMESTAMP_TZ:
            return SQLT_TIMESTAMP_TZ;
        case LITE_TIMESTAMP_LTZ:
            return SQLT_TIMESTAMP_LTZ;
        case LITE_INTERVAL_YM:
            return SQLT_INTERVAL_YM;
        case LITE_INTERVAL_DS:
            return SQLT_INTERVAL_DS;
        default:
            return static_cast<ub2>(lite_code);
    }
}

void fill_param(OCIParam* p, const lite_column& c) {
    p->data_type = describe_code(c.type_code);
    p->data_size = static_cast<ub2>(std::clamp(c.data_size, 0, 65535));
    p->precision = static_cast<sb2>(c.precision);
    p->scale = static_cast<sb1>(std::clamp(c.scale, -128, 127));
    // An unconstrained NUMBER (and any numeric expression) has no scale.
    if (c.type_code == LITE_NUMBER && c.precision == 0) p->scale = -127;
    p->is_null = c.nullable ? 1 : 0;
    p->charset_form = static_cast<ub1>(c.charset_form);
    p->name = oci_text::utf8_to_utf16(c.name);
    p->type_name =
        c.type_code == LITE_NAMED ? oci_text::utf8_to_utf16(c.type_text) : std::u16string();
}

// Makes the describe parameters match the compiled statement's select list; parameters keep
// their addresses while the list keeps its length.
void describe(OCIStmt* st) {
    const auto& cols = st->compiled->columns();
    if (st->params.size() != cols.size() ||
        std::find(st->params.begin(), st->params.end(), nullptr) != st->params.end()) {
        st->drop_params();
        st->params.reserve(cols.size());
        for (size_t i = 0; i < cols.size(); ++i) {
            auto* p = new OCIParam(st->env, st);
            st->params.push_back(p);
        }
    }
    for (size_t i = 0; i < cols.size(); ++i) fill_param(st->params[i], cols[i]);
    st->described = true;
}

// Fetches up to `nrows` rows into the defines; status as the client library reports it.
sword fetch_rows(OCIStmt* st, OCIError* err, ub4 nrows) {
    int worst = 0;
    ub4 got = 0;
    for (; got < nrows; ++got) {
        if (st->at_end) break;
        if (!st->compiled->next()) {
            st->at_end = true;
            break;
        }
        ++st->row_count;
        const int rc = oci_fill_row(st, got);
        if (rc != 0 && (worst == 0 || worst == ora_err::value_truncated)) worst = rc;
    }
    if (worst != 0 && worst != ora_err::value_truncated) return oci_fail(err, worst);
    // A truncation must be seen even in the last, short batch; the end then shows at the next
    // fetch.
    if (worst == ora_err::value_truncated) return oci_info(err, ora_err::truncation_or_null_fetch);
    if (got < nrows) return OCI_NO_DATA;
    return OCI_SUCCESS;
}

}  // namespace

extern "C" sword lite_OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt,
                                     ub4 stmt_len, ub4 /*language*/, ub4 /*mode*/) {
    OCIError* err = oci_begin(errhp);
    auto* st = oci_find<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    if (err == nullptr || st == nullptr) return OCI_INVALID_HANDLE;
    return oci_guard(err, [&]() -> sword {
        st->forget_compiled();
        st->drop_params();
        st->sql = stmt == nullptr ? std::string() : oci_text::utf16_to_utf8(stmt, stmt_len);
        st->stmt_type = statement_type(st->sql);
        st->row_count = 0;
        st->prepared = true;
        return OCI_SUCCESS;
    });
}

extern "C" sword lite_OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                     ub4 rowoff, const OCISnapshot* /*snap_in*/,
                                     OCISnapshot* /*snap_out*/, ub4 mode) {
    OCIError* err = oci_begin(errhp);
    auto* svc = oci_find<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    auto* st = oci_find<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    if (err == nullptr || svc == nullptr || st == nullptr) return OCI_INVALID_HANDLE;
    return oci_guard(err, [&]() -> sword {
        if (!st->prepared) return oci_fail(err, ora_err::statement_not_prepared);
        auto* ses = oci_find<OCISession>(svc->session, OCI_HTYPE_SESSION);
        if (ses == nullptr || !ses->lite) return oci_fail(err, ora_err::not_connected);
        st->executed = false;
        st->at_end = false;
        st->row_count = 0;
        if (!st->compiled || st->session != ses) {
            st->forget_compiled();
            st->drop_params();
            st->compiled = ses->lite->prepare(st->sql);
            st->session = ses;
            ses->statements.insert(st);
        }
        lite_statement& ls = *st->compiled;
        ls.set_read_ahead(static_cast<int>(std::min<ub4>(st->prefetch_rows, 1u << 16)));
        const bool is_query = ls.get_kind() == lite_statement::kind::query;
        if ((mode & (OCI_PARSE_ONLY | OCI_DESCRIBE_ONLY)) != 0) {
            if (is_query) {
                ls.describe_only();
                describe(st);
            }
            return OCI_SUCCESS;
        }
        if (is_query) {
            oci_apply_binds(st, rowoff);
            ls.execute();
            describe(st);
            st->executed = true;
            if (iters == 0) return OCI_SUCCESS;
            const sword s = fetch_rows(st, err, iters);
            if (s != OCI_ERROR && (mode & OCI_COMMIT_ON_SUCCESS) != 0) ses->lite->commit();
            return s;
        }
        if (iters == 0) return oci_fail(err, ora_err::zero_iteration_count);
        ub4 total = 0;
        for (ub4 i = 0; i < iters; ++i) {
            oci_apply_binds(st, rowoff + i);
            ls.execute();
            total += static_cast<ub4>(ls.rows_affected());
            st->row_count = total;
            oci_return_binds(st, rowoff + i);
        }
        if ((mode & OCI_COMMIT_ON_SUCCESS) != 0) ses->lite->commit();
        return OCI_SUCCESS;
    });
}

extern "C" sword lite_OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation,
                                   ub4 /*mode*/) {
    OCIError* err = oci_begin(errhp);
    auto* st = oci_find<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    if (err == nullptr || st == nullptr) return OCI_INVALID_HANDLE;
    return oci_guard(err, [&]() -> sword {
        if (!st->compiled || !st->executed)
            return oci_fail(err, st->prepared ? ora_err::statement_not_executed
                                              : ora_err::statement_not_prepared);
        // The cursor only moves forward.
        if (orientation != OCI_FETCH_NEXT && orientation != 0) {
            return oci_fail(err, ora_err::invalid_fetch_operation, "invalid fetch operation");
        }
        if (nrows == 0) {
            st->executed = false;  // cancels the cursor
            return OCI_SUCCESS;
        }
        return fetch_rows(st, err, nrows);
    });
}

extern "C" sword lite_OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                                  ub4 pos) {
    OCIError* err = oci_begin(errhp);
    if (err == nullptr || parmdpp == nullptr) return OCI_INVALID_HANDLE;
    *parmdpp = nullptr;
    if (htype != OCI_HTYPE_STMT) return OCI_INVALID_HANDLE;
    auto* st = oci_find<OCIStmt>(hndlp, OCI_HTYPE_STMT);
    if (st == nullptr) return OCI_INVALID_HANDLE;
    if (!st->described) return oci_fail(err, ora_err::statement_not_executed);
    if (pos < 1 || pos > st->params.size() || st->params[pos - 1] == nullptr) {
        return oci_fail(err, ora_err::no_descriptor_at_position, "no descriptor for this position");
    }
    *parmdpp = st->params[pos - 1];
    return OCI_SUCCESS;
}
