// Input binds (by position, by name, dynamic) and the ROWID a RETURNING clause hands back.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "client/oci_api.h"
#include "client/oci_text.h"
#include "lite_errors.h"

namespace {

std::string upper_name(std::string name) {
    if (!name.empty() && name.front() == ':') name.erase(0, 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// The bound text as UTF-8: a view of the caller's UTF-8 bytes, or of the bind's scratch string
// holding the UTF-16 text converted (reused from row to row of an array execute).
std::string_view bound_text(OCIBind& b, const unsigned char* p, size_t len) {
    const bool terminated = b.dty == SQLT_STR || b.dty == SQLT_AVC;
    if (oci_is_utf8_charset(b.charset_id)) {
        size_t n = len;
        if (terminated) n = strnlen(reinterpret_cast<const char*>(p), len);
        return std::string_view(reinterpret_cast<const char*>(p), n);
    }
    const size_t bytes = terminated ? oci_text::utf16_strlen_bytes(p, len) : (len & ~size_t{1});
    b.text_scratch.clear();
    oci_text::append_utf16_as_utf8(p, bytes, b.text_scratch);
    return b.text_scratch;
}

int64_t bound_integer(const unsigned char* p, size_t len, bool is_unsigned) {
    switch (len) {
        case 1:
            return is_unsigned ? int64_t{p[0]} : int64_t{static_cast<int8_t>(p[0])};
        case 2: {
            uint16_t u;
            std::memcpy(&u, p, 2);
            return is_unsigned ? int64_t{u} : int64_t{static_cast<int16_t>(u)};
        }
        case 4: {
            uint32_t u;
            std::memcpy(&u, p, 4);
            return is_unsigned ? int64_t{u} : int64_t{static_cast<int32_t>(u)};
        }
        case 8: {
            int64_t v;
            std::memcpy(&v, p, 8);
            return v;
        }
        default:
            throw lite_error(ora_err::unsupported_datatype,
                             oci_message(ora_err::unsupported_datatype));
    }
}

// Sets one placeholder from a value in the caller's memory.
void set_value(lite_statement& ls, int pos, OCIBind& b, const unsigned char* p, size_t len) {
    switch (b.dty) {
        case SQLT_STR:
        case SQLT_AVC:
        case SQLT_CHR:
        case SQLT_AFC:
        case SQLT_LNG:
            ls.bind_text(pos, bound_text(b, p, len));
            return;
        case SQLT_INT:
        case SQLT_UIN:
            ls.bind_int64(pos, bound_integer(p, len, b.dty == SQLT_UIN));
            return;
        case SQLT_FLT:
        case SQLT_BFLOAT:
        case SQLT_BDOUBLE:
            if (len == 4) {
                float f;
                std::memcpy(&f, p, 4);
                ls.bind_double(pos, f);
            } else if (len == 8) {
                double d;
                std::memcpy(&d, p, 8);
                ls.bind_double(pos, d);
            } else {
                throw lite_error(ora_err::unsupported_datatype,
                                 oci_message(ora_err::unsupported_datatype));
            }
            return;
        case SQLT_BIN:
        case SQLT_LBI:
            ls.bind_bytes(pos, std::span<const unsigned char>(p, len));
            return;
        case SQLT_ODT:
        case SQLT_DAT: {
            if (len < 7)
                throw lite_error(ora_err::unsupported_datatype,
                                 oci_message(ora_err::unsupported_datatype));
            lite_datetime v;
            if (b.dty == SQLT_ODT) {
                sb2 year;
                std::memcpy(&year, p, 2);
                v.year = year, v.month = p[2], v.day = p[3];
                v.hour = p[4], v.minute = p[5], v.second = p[6];
            } else {
                v.year = (p[0] - 100) * 100 + (p[1] - 100);
                v.month = p[2], v.day = p[3];
                v.hour = p[4] - 1, v.minute = p[5] - 1, v.second = p[6] - 1;
            }
            ls.bind_datetime(pos, v, false);
            return;
        }
        case SQLT_TIMESTAMP:
        case SQLT_TIMESTAMP_TZ:
        case SQLT_TIMESTAMP_LTZ:
        case SQLT_DATE: {
            void* d = nullptr;
            std::memcpy(&d, p, sizeof d);
            OCIDateTime* dt = oci_find_datetime(d);
            if (dt == nullptr)
                throw lite_error(ora_err::datetime_internal_error,
                                 oci_message(ora_err::datetime_internal_error));
            if (!dt->has_value) {
                ls.bind_null(pos);
            } else {
                ls.bind_datetime(pos, dt->value, true);
            }
            return;
        }
        case SQLT_CLOB:
        case SQLT_BLOB: {
            void* d = nullptr;
            std::memcpy(&d, p, sizeof d);
            auto* lob = oci_find<OCILobLocator>(d, OCI_DTYPE_LOB);
            if (lob == nullptr)
                throw lite_error(ora_err::invalid_lob_locator,
                                 oci_message(ora_err::invalid_lob_locator));
            if (!lob->has_value) {
                ls.bind_null(pos);
            } else if (lob->binary || b.dty == SQLT_BLOB) {
                ls.bind_bytes(pos, std::span<const unsigned char>(
                                       reinterpret_cast<const unsigned char*>(lob->data.data()),
                                       lob->data.size()));
            } else {
                ls.bind_text(pos, lob->data);
            }
            return;
        }
        default:
            throw lite_error(ora_err::unsupported_datatype,
                             oci_message(ora_err::unsupported_datatype));
    }
}

void set_bind(lite_statement& ls, int pos, OCIBind& b, ub4 iter) {
    if ((b.mode & OCI_DATA_AT_EXEC) != 0) {
        if (b.in_cb == nullptr) {
            ls.bind_null(pos);
            return;
        }
        void* buf = nullptr;
        ub4 alen = 0;
        ub1 piece = OCI_ONE_PIECE;
        void* ind = nullptr;
        if (b.in_cb(b.in_ctx, &b, iter, 0, &buf, &alen, &piece, &ind) != OCI_CONTINUE) {
            throw lite_error(ora_err::user_requested_cancel,
                             "user requested cancel of current operation");
        }
        sb2 indicator = 0;
        if (ind != nullptr) std::memcpy(&indicator, ind, sizeof indicator);
        if (buf == nullptr || indicator == OCI_IND_NULL) {
            ls.bind_null(pos);
        } else {
            set_value(ls, pos, b, static_cast<const unsigned char*>(buf), alen);
        }
        return;
    }
    if (b.valuep == nullptr || (b.indp != nullptr && b.indp[iter] == OCI_IND_NULL)) {
        ls.bind_null(pos);
        return;
    }
    const size_t stride = oci_is_descriptor_type(b.dty)
                              ? sizeof(void*)
                              : static_cast<size_t>(std::max<sb4>(b.value_sz, 0));
    const auto* p = static_cast<const unsigned char*>(b.valuep) + iter * stride;
    size_t len = oci_is_descriptor_type(b.dty) ? sizeof(void*) : stride;
    if (b.alenp != nullptr && !oci_is_descriptor_type(b.dty))
        len = std::min<size_t>(b.alenp[iter], len);
    set_value(ls, pos, b, p, len);
}

// The placeholder position a bind addresses, or 0.
int position_of(const lite_statement& ls, const OCIBind& b) {
    if (b.position != 0) return static_cast<int>(b.position);
    return ls.bind_index(b.name);
}

// True when the bind is the output of "RETURNING ROWID INTO :n".
bool is_returning(const lite_statement& ls, const OCIBind& b) {
    const std::string& ret = ls.returning_bind();
    if (ret.empty()) return false;
    if (b.position == 0) return b.name == upper_name(ret);
    const int idx = ls.bind_index(ret);
    return static_cast<int>(b.position) == (idx != 0 ? idx : ls.bind_count() + 1);
}

// Writes the ROWID text in the bind's representation; returns the bytes written (no terminator).
size_t write_rowid(const OCIBind& b, unsigned char* out, size_t cap, const std::string& rowid) {
    if (oci_is_utf8_charset(b.charset_id) || b.dty == SQLT_BIN) {
        const size_t n = std::min(rowid.size(), cap > 0 ? cap - 1 : 0);
        std::memcpy(out, rowid.data(), n);
        if (cap > 0) out[n] = 0;
        return n;
    }
    const size_t cap_units = cap / 2 > 0 ? cap / 2 - 1 : 0;
    const size_t n = oci_text::utf8_to_utf16_into(rowid, out, cap_units, nullptr);
    if (cap >= 2) {
        const char16_t zero = 0;
        std::memcpy(out + 2 * n, &zero, 2);
    }
    return n * 2;
}

}  // namespace

void oci_apply_binds(OCIStmt* st, ub4 iter) {
    lite_statement& ls = *st->compiled;
    const int n = ls.bind_count();
    std::vector<char>& bound = st->bound_scratch;
    bound.assign(static_cast<size_t>(n) + 1, 0);
    ls.clear_binds();
    for (OCIBind* b : st->binds) {
        if (is_returning(ls, *b)) {
            const int pos = position_of(ls, *b);
            if (pos >= 1 && pos <= n) {
                ls.bind_null(pos);
                bound[pos] = 1;
            }
            continue;
        }
        const int pos = position_of(ls, *b);
        if (pos < 1 || pos > n)
            throw lite_error(ora_err::illegal_variable_name,
                             oci_message(ora_err::illegal_variable_name));
        set_bind(ls, pos, *b, iter);
        bound[pos] = 1;
    }
    for (int pos = 1; pos <= n; ++pos) {
        if (bound[pos] == 0)
            throw lite_error(ora_err::not_all_variables_bound,
                             oci_message(ora_err::not_all_variables_bound));
    }
}

void oci_return_binds(OCIStmt* st, ub4 iter) {
    lite_statement& ls = *st->compiled;
    if (ls.returning_bind().empty()) return;
    const std::string& rowid = ls.returned_rowid();
    for (OCIBind* b : st->binds) {
        if (!is_returning(ls, *b)) continue;
        if ((b->mode & OCI_DATA_AT_EXEC) != 0) {
            if (b->out_cb == nullptr) continue;
            void* buf = nullptr;
            ub4* alenp = nullptr;
            ub1 piece = OCI_ONE_PIECE;
            void* indp = nullptr;
            ub2* rcodep = nullptr;
            if (b->out_cb(b->out_ctx, b, iter, 0, &buf, &alenp, &piece, &indp, &rcodep) !=
                OCI_CONTINUE) {
                throw lite_error(ora_err::user_requested_cancel,
                                 "user requested cancel of current operation");
            }
            if (buf == nullptr) continue;
            size_t cap = b->value_sz > 0 ? static_cast<size_t>(b->value_sz) : 0;
            if (cap == 0 && alenp != nullptr) cap = *alenp;
            const size_t n = write_rowid(*b, static_cast<unsigned char*>(buf), cap, rowid);
            if (alenp != nullptr) *alenp = static_cast<ub4>(n);
            if (indp != nullptr) {
                const sb2 zero = 0;
                std::memcpy(indp, &zero, sizeof zero);
            }
            if (rcodep != nullptr) *rcodep = 0;
            continue;
        }
        if (b->valuep == nullptr || b->value_sz <= 0) continue;
        auto* out =
            static_cast<unsigned char*>(b->valuep) + iter * static_cast<size_t>(b->value_sz);
        const size_t n = write_rowid(*b, out, static_cast<size_t>(b->value_sz), rowid);
        if (b->alenp != nullptr) b->alenp[iter] = static_cast<ub2>(n);
        if (b->indp != nullptr) b->indp[iter] = 0;
    }
}

namespace {

sword make_bind(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                const std::string* name, void* valuep, sb4 value_sz, ub2 dty, void* indp,
                ub2* alenp, ub2* rcodep, ub4 mode) {
    OCIError* err = oci_begin(errhp);
    auto* st = oci_find<OCIStmt>(stmtp, OCI_HTYPE_STMT);
    if (err == nullptr || st == nullptr || bindp == nullptr) return OCI_INVALID_HANDLE;
    return oci_guard(err, [&]() -> sword {
        if (!st->prepared) return oci_fail(err, ora_err::statement_not_prepared);
        if (!oci_is_supported_type(dty)) return oci_fail(err, ora_err::unsupported_datatype);
        if (name == nullptr && position == 0) return oci_fail(err, ora_err::illegal_variable_name);
        if (name != nullptr && name->empty()) return oci_fail(err, ora_err::illegal_variable_name);
        // Binding the same placeholder again replaces the earlier bind.
        OCIBind* b = nullptr;
        for (OCIBind* x : st->binds) {
            if ((name == nullptr && x->position == position) ||
                (name != nullptr && x->position == 0 && x->name == *name)) {
                b = x;
            }
        }
        if (b == nullptr) {
            b = new OCIBind(st->env, st);
            st->binds.push_back(b);
        }
        b->position = name == nullptr ? position : 0;
        b->name = name == nullptr ? std::string() : *name;
        b->valuep = valuep;
        b->value_sz = value_sz;
        b->dty = dty;
        b->indp = static_cast<sb2*>(indp);
        b->alenp = alenp;
        b->rcodep = rcodep;
        b->mode = mode;
        *bindp = b;
        return OCI_SUCCESS;
    });
}

}  // namespace

extern "C" sword lite_OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position,
                                   void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                   ub2* rcodep, ub4 /*maxarr_len*/, ub4* /*curelep*/, ub4 mode) {
    return make_bind(stmtp, bindp, errhp, position, nullptr, valuep, value_sz, dty, indp, alenp,
                     rcodep, mode);
}

extern "C" sword lite_OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp,
                                    const OraText* placeholder, sb4 placeh_len, void* valuep,
                                    sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,
                                    ub4 /*maxarr_len*/, ub4* /*curelep*/, ub4 mode) {
    if (placeholder == nullptr) {
        OCIError* err = oci_begin(errhp);
        if (err == nullptr) return OCI_INVALID_HANDLE;
        return oci_fail(err, ora_err::illegal_variable_name);
    }
    const std::string name = upper_name(oci_in_text(placeholder, placeh_len));
    return make_bind(stmtp, bindp, errhp, 0, &name, valuep, value_sz, dty, indp, alenp, rcodep,
                     mode);
}

extern "C" sword lite_OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp,
                                     OCICallbackInBind icbfp, void* octxp,
                                     OCICallbackOutBind ocbfp) {
    OCIError* err = oci_begin(errhp);
    auto* b = oci_find<OCIBind>(bindp, OCI_HTYPE_BIND);
    if (err == nullptr || b == nullptr) return OCI_INVALID_HANDLE;
    b->in_ctx = ictxp;
    b->in_cb = icbfp;
    b->out_ctx = octxp;
    b->out_cb = ocbfp;
    return OCI_SUCCESS;
}
