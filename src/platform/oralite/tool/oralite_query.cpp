#include "tool/oralite_query.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "client/oci_lite.h"
#include "platform/oci/oci.h"
#include "client/oci_text.h"

namespace {

// A wide (UTF-16) copy of a UTF-8 argument, as the interface takes text.
struct wide_arg {
    explicit wide_arg(const char* s) : text(oci_text::utf8_to_utf16(s)) {}
    const OraText* data() const { return reinterpret_cast<const OraText*>(text.data()); }
    ub4 bytes() const { return static_cast<ub4>(text.size() * 2); }
    std::u16string text;
};

// The handles of one connection, released in the order the client library expects.
class connection {
public:
    ~connection() {
        if (stmt != nullptr) lite_OCIHandleFree(stmt, OCI_HTYPE_STMT);
        if (begun) lite_OCISessionEnd(svc, err, ses, OCI_DEFAULT);
        if (attached) lite_OCIServerDetach(srv, err, OCI_DEFAULT);
        if (env != nullptr) lite_OCIHandleFree(env, OCI_HTYPE_ENV);
    }
    // Prints the error record of a failed call and returns false.
    bool check(sword status) {
        if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO || status == OCI_NO_DATA) {
            return true;
        }
        print_record(status);
        return false;
    }
    // Prints the error handle's record as "ORA-nnnnn: text".
    void print_record(sword status) {
        unsigned char buf[1024] = {};
        sb4 code = 0;
        if (err != nullptr && lite_OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf,
                                               OCI_HTYPE_ERROR) == OCI_SUCCESS) {
            const size_t n = oci_text::utf16_strlen_bytes(buf, sizeof buf);
            std::fprintf(stderr, "%s\n", oci_text::utf16_to_utf8(buf, n).c_str());
        } else {
            std::fprintf(stderr, "oralite: OCI call failed with status %d\n", status);
        }
    }

    OCIEnv* env = nullptr;
    OCIError* err = nullptr;
    OCIServer* srv = nullptr;
    OCISession* ses = nullptr;
    OCISvcCtx* svc = nullptr;
    OCIStmt* stmt = nullptr;
    bool attached = false;
    bool begun = false;
};

enum class out_kind { text, datetime, date, raw, clob, blob };

// One select-list column: its output definition and the buffer it is fetched into.
struct column_out {
    out_kind kind = out_kind::text;
    std::vector<unsigned char> buf;
    sb2 ind = 0;
    ub2 rlen = 0;
    void* desc = nullptr;  // datetime descriptor or LOB locator
    OCIDefine* def = nullptr;
};

void put_escaped(const std::string& s, std::string& line) {
    for (char c : s) {
        switch (c) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\n':
                line += "\\n";
                break;
            case '\r':
                line += "\\r";
                break;
            default:
                line.push_back(c);
        }
    }
}

void put_hex(const unsigned char* p, size_t n, std::string& line) {
    static const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < n; ++i) {
        line.push_back(digits[p[i] >> 4]);
        line.push_back(digits[p[i] & 15]);
    }
}

// Reads a whole LOB into `out` by chunks of `chunk`'s size (both kept from row to row): the bytes
// of a BLOB, the UTF-8 of a CLOB, which is read as UTF-16 with offsets and amounts in characters.
bool read_lob(connection& c, OCILobLocator* lob, bool text, std::vector<unsigned char>& chunk,
              std::string& out) {
    out.clear();
    const auto room = static_cast<ub4>(chunk.size());
    ub4 offset = 1;
    for (;;) {
        ub4 amount = text ? room / 2 : room;
        if (!c.check(lite_OCILobRead(c.svc, c.err, lob, &amount, offset, chunk.data(), room,
                                     nullptr, nullptr, 0, 0))) {
            return false;
        }
        if (amount == 0) return true;
        if (text) {
            // A chunk that ends on the first half of a pair leaves it to the next chunk, which
            // then begins with the whole character.
            char16_t last = 0;
            std::memcpy(&last, chunk.data() + (size_t{amount} - 1) * 2, sizeof last);
            if (amount > 1 && last >= 0xD800 && last <= 0xDBFF) --amount;
            oci_text::append_utf16_as_utf8(chunk.data(), size_t{amount} * 2, out);
        } else {
            out.append(reinterpret_cast<const char*>(chunk.data()), amount);
        }
        offset += amount;
    }
}

int run_query(connection& c, std::FILE* out) {
    ub4 count = 0;
    if (!c.check(lite_OCIAttrGet(c.stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT,
                                 c.err))) {
        return 1;
    }
    std::vector<column_out> cols(count);
    for (ub4 i = 0; i < count; ++i) {
        void* param = nullptr;
        ub2 type = 0;
        ub2 size = 0;
        if (!c.check(lite_OCIParamGet(c.stmt, OCI_HTYPE_STMT, c.err, &param, i + 1)) ||
            !c.check(lite_OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE,
                                     c.err)) ||
            !c.check(lite_OCIAttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE,
                                     c.err))) {
            return 1;
        }
        column_out& col = cols[i];
        sword status = OCI_SUCCESS;
        switch (type) {
            case SQLT_DAT:
            case SQLT_TIMESTAMP:
            case SQLT_TIMESTAMP_TZ:
            case SQLT_TIMESTAMP_LTZ:
                col.kind = type == SQLT_DAT ? out_kind::date : out_kind::datetime;
                lite_OCIDescriptorAlloc(c.env, &col.desc, OCI_DTYPE_TIMESTAMP, 0, nullptr);
                status =
                    lite_OCIDefineByPos(c.stmt, &col.def, c.err, i + 1, &col.desc, sizeof(void*),
                                        SQLT_TIMESTAMP, &col.ind, nullptr, nullptr, OCI_DEFAULT);
                break;
            case SQLT_CLOB:
            case SQLT_BLOB:
                col.kind = type == SQLT_CLOB ? out_kind::clob : out_kind::blob;
                lite_OCIDescriptorAlloc(c.env, &col.desc, OCI_DTYPE_LOB, 0, nullptr);
                status =
                    lite_OCIDefineByPos(c.stmt, &col.def, c.err, i + 1, &col.desc, sizeof(void*),
                                        type, &col.ind, nullptr, nullptr, OCI_DEFAULT);
                break;
            case SQLT_BIN:
                col.kind = out_kind::raw;
                col.buf.resize(std::max<size_t>(size, 1));
                status = lite_OCIDefineByPos(c.stmt, &col.def, c.err, i + 1, col.buf.data(),
                                             static_cast<sb4>(col.buf.size()), SQLT_BIN, &col.ind,
                                             &col.rlen, nullptr, OCI_DEFAULT);
                break;
            default: {
                col.kind = out_kind::text;
                // LONG RAW arrives as its hexadecimal text: its length would not fit a ub2.
                size_t chars = type == SQLT_LNG   ? 1000000
                               : type == SQLT_LBI ? 2000000
                                                  : std::max<size_t>(size, 64);
                col.buf.resize((chars + 1) * 2);
                status = lite_OCIDefineByPos(c.stmt, &col.def, c.err, i + 1, col.buf.data(),
                                             static_cast<sb4>(col.buf.size()), SQLT_STR, &col.ind,
                                             &col.rlen, nullptr, OCI_DEFAULT);
                break;
            }
        }
        if (!c.check(status)) return 1;
    }

    std::string line;
    std::string lob;
    std::vector<unsigned char> chunk(32768);
    size_t row = 0;
    for (;;) {
        const sword status = lite_OCIStmtFetch(c.stmt, c.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        if (status == OCI_NO_DATA) break;
        if (!c.check(status)) return 1;
        ++row;
        if (status == OCI_SUCCESS_WITH_INFO) {
            std::fprintf(stderr, "oralite: row %zu: a value was cut to its buffer\n", row);
            c.print_record(status);
        }
        line.clear();
        for (ub4 i = 0; i < count; ++i) {
            if (i > 0) line.push_back('\t');
            column_out& col = cols[i];
            if (col.ind == -1) continue;
            switch (col.kind) {
                case out_kind::text: {
                    const size_t n = oci_text::utf16_strlen_bytes(col.buf.data(), col.buf.size());
                    const size_t start = line.size();
                    oci_text::append_utf16_as_utf8(col.buf.data(), n, line);
                    if (line.find_first_of("\\\t\n\r", start) != std::string::npos) {
                        std::string value = line.substr(start);
                        line.resize(start);
                        put_escaped(value, line);
                    }
                    break;
                }
                case out_kind::raw:
                    put_hex(col.buf.data(), col.rlen, line);
                    break;
                case out_kind::date:
                case out_kind::datetime: {
                    sb2 y = 0;
                    ub1 mo = 0, d = 0, h = 0, mi = 0, s = 0;
                    ub4 ns = 0;
                    auto* dt = static_cast<OCIDateTime*>(col.desc);
                    if (!c.check(lite_OCIDateTimeGetDate(c.env, c.err, dt, &y, &mo, &d)) ||
                        !c.check(lite_OCIDateTimeGetTime(c.env, c.err, dt, &h, &mi, &s, &ns))) {
                        return 1;
                    }
                    char text[48];
                    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h,
                                  mi, s);
                    line += text;
                    if (col.kind == out_kind::datetime && ns != 0) {
                        std::snprintf(text, sizeof text, ".%09u", ns);
                        std::string frac(text);
                        while (frac.back() == '0') frac.pop_back();
                        line += frac;
                    }
                    break;
                }
                case out_kind::clob:
                case out_kind::blob:
                    if (!read_lob(c, static_cast<OCILobLocator*>(col.desc),
                                  col.kind == out_kind::clob, chunk, lob)) {
                        return 1;
                    }
                    if (col.kind == out_kind::clob) {
                        put_escaped(lob, line);
                    } else {
                        put_hex(reinterpret_cast<const unsigned char*>(lob.data()), lob.size(),
                                line);
                    }
                    break;
            }
        }
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), out);
    }
    for (column_out& col : cols) {
        if (col.desc != nullptr) {
            lite_OCIDescriptorFree(col.desc,
                                   col.kind == out_kind::clob || col.kind == out_kind::blob
                                       ? OCI_DTYPE_LOB
                                       : OCI_DTYPE_TIMESTAMP);
        }
    }
    return 0;
}

}  // namespace

int oralite_query(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: oralite query DIR USER PASSWORD \"SQL\"\n");
        return 2;
    }
    connection c;
    if (lite_OCIEnvNlsCreate(&c.env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                             OCI_UTF16ID, OCI_UTF16ID) != OCI_SUCCESS) {
        std::fprintf(stderr, "oralite: cannot create the OCI environment\n");
        return 1;
    }
    lite_OCIHandleAlloc(c.env, reinterpret_cast<void**>(&c.err), OCI_HTYPE_ERROR, 0, nullptr);
    lite_OCIHandleAlloc(c.env, reinterpret_cast<void**>(&c.srv), OCI_HTYPE_SERVER, 0, nullptr);
    lite_OCIHandleAlloc(c.env, reinterpret_cast<void**>(&c.ses), OCI_HTYPE_SESSION, 0, nullptr);
    lite_OCIHandleAlloc(c.env, reinterpret_cast<void**>(&c.svc), OCI_HTYPE_SVCCTX, 0, nullptr);
    lite_OCIHandleAlloc(c.env, reinterpret_cast<void**>(&c.stmt), OCI_HTYPE_STMT, 0, nullptr);

    const wide_arg dir(argv[1]), user(argv[2]), password(argv[3]), sql(argv[4]);
    if (!c.check(lite_OCIServerAttach(c.srv, c.err, dir.data(), static_cast<sb4>(dir.bytes()),
                                      OCI_DEFAULT))) {
        return 1;
    }
    c.attached = true;
    lite_OCIAttrSet(c.svc, OCI_HTYPE_SVCCTX, c.srv, 0, OCI_ATTR_SERVER, c.err);
    lite_OCIAttrSet(c.ses, OCI_HTYPE_SESSION, const_cast<OraText*>(user.data()), user.bytes(),
                    OCI_ATTR_USERNAME, c.err);
    lite_OCIAttrSet(c.ses, OCI_HTYPE_SESSION, const_cast<OraText*>(password.data()),
                    password.bytes(), OCI_ATTR_PASSWORD, c.err);
    if (!c.check(lite_OCISessionBegin(c.svc, c.err, c.ses, OCI_CRED_RDBMS, OCI_DEFAULT))) return 1;
    c.begun = true;
    lite_OCIAttrSet(c.svc, OCI_HTYPE_SVCCTX, c.ses, 0, OCI_ATTR_SESSION, c.err);

    if (!c.check(lite_OCIStmtPrepare(c.stmt, c.err, sql.data(), sql.bytes(), OCI_NTV_SYNTAX,
                                     OCI_DEFAULT))) {
        return 1;
    }
    ub2 type = 0;
    lite_OCIAttrGet(c.stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, c.err);
    const bool query = type == OCI_STMT_SELECT;
    if (!c.check(lite_OCIStmtExecute(c.svc, c.stmt, c.err, query ? 0 : 1, 0, nullptr, nullptr,
                                     query ? OCI_DEFAULT : OCI_COMMIT_ON_SUCCESS))) {
        return 1;
    }
    const int rc = query ? run_query(c, stdout) : 0;
    std::fflush(stdout);
    return rc;
}
