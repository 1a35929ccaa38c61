// Every call with every kind of wrong handle, in random order: nothing may crash, and every
// status must be one the interface defines. Run under the sanitizers this also proves that no
// call touches memory it does not own.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <map>
#include <set>

#include "client/oci_lite.h"
#include "platform/oci/oci.h"
#include "platform/oci/oci_test_helpers.h"

namespace {

TEST(OciMisuse, RandomCallsWithMixedUpHandlesNeverCrash) {
    scratch_instance inst("SCOTT", "tiger");
    oci_conn c;
    ASSERT_EQ(c.logon(inst.dir(), "SCOTT", "tiger"), OCI_SUCCESS) << c.error_text();
    c.must_run({"CREATE TABLE T (ID NUMBER(5), S VARCHAR2(10), D DATE, C CLOB, B BLOB)",
                "INSERT INTO T VALUES (1, 'one', SYSDATE, 'clob', HEXTORAW('01'))",
                "INSERT INTO T VALUES (2, NULL, NULL, NULL, NULL)"});

    OCIStmt* query = c.new_stmt("SELECT ID, S, D, C, B FROM T FOR UPDATE");
    OCIStmt* dml = c.new_stmt("UPDATE T SET S = :1 WHERE ID = :2");
    OCIStmt* empty = nullptr;
    lite_OCIHandleAlloc(c.env, reinterpret_cast<void**>(&empty), OCI_HTYPE_STMT, 0, nullptr);
    void* lob = nullptr;
    void* ts = nullptr;
    lite_OCIDescriptorAlloc(c.env, &lob, OCI_DTYPE_LOB, 0, nullptr);
    lite_OCIDescriptorAlloc(c.env, &ts, OCI_DTYPE_TIMESTAMP, 0, nullptr);
    lite_OCIStmtExecute(c.svc, query, c.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    void* param = nullptr;
    lite_OCIParamGet(query, OCI_HTYPE_STMT, c.err, &param, 1);
    void* freed = nullptr;
    lite_OCIHandleAlloc(c.env, &freed, OCI_HTYPE_STMT, 0, nullptr);
    lite_OCIHandleFree(freed, OCI_HTYPE_STMT);
    static unsigned char garbage[256];
    std::memset(garbage, 0xA5, sizeof garbage);

    std::vector<void*> pool = {c.env, c.err, c.srv, c.ses, c.svc, query,   dml,
                               empty, lob,   ts,    param, freed, garbage, nullptr};
    std::mt19937 rng(20261208);
    auto pick = [&]() { return pool[rng() % pool.size()]; };
    // Mostly the right kind of handle, so the calls get past their checks and into the work.
    auto maybe = [&](void* right) { return rng() % 4 ? right : pick(); };
    OCIStmt* stmts[] = {query, dml, empty};
    auto stmt = [&]() { return static_cast<OCIStmt*>(maybe(stmts[rng() % 3])); };
    auto small = [&](int n) { return static_cast<ub4>(rng() % n); };
    const ub4 kinds[] = {OCI_HTYPE_ENV,  OCI_HTYPE_ERROR,  OCI_HTYPE_SVCCTX,    OCI_HTYPE_STMT,
                         OCI_HTYPE_BIND, OCI_HTYPE_DEFINE, OCI_HTYPE_SERVER,    OCI_HTYPE_SESSION,
                         OCI_DTYPE_LOB,  OCI_DTYPE_PARAM,  OCI_DTYPE_TIMESTAMP, 77};
    auto kind = [&]() { return kinds[rng() % (sizeof kinds / sizeof kinds[0])]; };
    const ub2 types[] = {SQLT_STR,       SQLT_INT,  SQLT_FLT,  SQLT_BIN, SQLT_LNG, SQLT_ODT,
                         SQLT_TIMESTAMP, SQLT_CLOB, SQLT_BLOB, SQLT_AFC, SQLT_NUM, 999};
    auto type = [&]() { return types[rng() % (sizeof types / sizeof types[0])]; };

    // Buffers that defines and binds may point at for the rest of the test.
    static std::array<unsigned char, 4 * 256> values;
    static std::array<sb2, 4> inds;
    static std::array<ub2, 4> lens;
    static std::array<void*, 4> descs;
    const std::set<sword> allowed = {OCI_SUCCESS, OCI_SUCCESS_WITH_INFO, OCI_NO_DATA,
                                     OCI_ERROR,   OCI_INVALID_HANDLE,    OCI_NEED_DATA};
    const std::u16string sql = u16("SELECT ID, S FROM T WHERE ID > :1");
    const std::u16string name = u16(":1");
    std::map<sword, int> seen;

    for (int i = 0; i < 20000; ++i) {
        for (auto& d : descs) d = rng() % 2 ? (rng() % 2 ? lob : ts) : pick();
        values.fill(0x5A);
        const auto err = static_cast<OCIError*>(rng() % 4 == 0 ? pick() : c.err);
        sword s = OCI_SUCCESS;
        switch (rng() % 16) {
            case 0:
                s = lite_OCIStmtPrepare(stmt(), err, reinterpret_cast<const OraText*>(sql.data()),
                                        static_cast<ub4>(sql.size() * 2), OCI_NTV_SYNTAX,
                                        OCI_DEFAULT);
                break;
            case 1:
            case 2:
                s = lite_OCIStmtExecute(static_cast<OCISvcCtx*>(rng() % 3 ? c.svc : pick()), stmt(),
                                        err, small(3), small(2), nullptr, nullptr,
                                        (rng() % 2 ? OCI_COMMIT_ON_SUCCESS : 0) |
                                            (rng() % 5 == 0 ? OCI_PARSE_ONLY : 0));
                break;
            case 3:
            case 4:
                s = lite_OCIStmtFetch(stmt(), err, small(5),
                                      static_cast<ub2>(rng() % 3 ? OCI_FETCH_NEXT : small(64)),
                                      OCI_DEFAULT);
                break;
            case 5: {
                OCIDefine* def = nullptr;
                const ub2 t = type();
                const bool desc = t == SQLT_TIMESTAMP || t == SQLT_CLOB || t == SQLT_BLOB;
                s = lite_OCIDefineByPos(stmt(), &def, err, small(7),
                                        desc ? static_cast<void*>(descs.data()) : values.data(),
                                        static_cast<sb4>(small(257)), t,
                                        rng() % 3 ? inds.data() : nullptr,
                                        rng() % 2 ? lens.data() : nullptr, nullptr, OCI_DEFAULT);
                break;
            }
            case 6: {
                OCIBind* b = nullptr;
                const ub2 t = type();
                const bool desc = t == SQLT_TIMESTAMP || t == SQLT_CLOB || t == SQLT_BLOB;
                if (rng() % 2) {
                    s = lite_OCIBindByPos(stmt(), &b, err, small(4),
                                          desc ? static_cast<void*>(descs.data()) : values.data(),
                                          static_cast<sb4>(small(9)), t, inds.data(), nullptr,
                                          nullptr, 0, nullptr,
                                          rng() % 4 == 0 ? OCI_DATA_AT_EXEC : OCI_DEFAULT);
                } else {
                    s = lite_OCIBindByName(stmt(), &b, err,
                                           reinterpret_cast<const OraText*>(name.data()),
                                           static_cast<sb4>(name.size() * 2),
                                           desc ? static_cast<void*>(descs.data()) : values.data(),
                                           static_cast<sb4>(small(9)), t, nullptr, nullptr, nullptr,
                                           0, nullptr, OCI_DEFAULT);
                }
                if (s == OCI_SUCCESS && rng() % 2) {
                    EXPECT_TRUE(allowed.count(
                        lite_OCIBindDynamic(b, err, nullptr, nullptr, nullptr, nullptr)));
                }
                break;
            }
            case 7: {
                void* p = nullptr;
                s = lite_OCIParamGet(stmt(), rng() % 2 ? OCI_HTYPE_STMT : kind(), err, &p,
                                     small(7));
                break;
            }
            case 8: {
                ub4 size = 0;
                s = lite_OCIAttrGet(maybe(param), rng() % 2 ? OCI_DTYPE_PARAM : kind(),
                                    values.data(), &size, small(40), err);
                break;
            }
            case 9:
                s = lite_OCIAttrSet(pick(), kind(), values.data(), small(8), small(40), err);
                break;
            case 10: {
                sb4 code = 0;
                s = lite_OCIErrorGet(pick(), small(3), nullptr, &code, values.data(), small(64),
                                     kind());
                break;
            }
            case 11: {
                ub4 amount = small(8);
                s = lite_OCILobRead(static_cast<OCISvcCtx*>(rng() % 2 ? c.svc : pick()), err,
                                    static_cast<OCILobLocator*>(maybe(lob)), &amount, small(4),
                                    values.data(), small(16), nullptr, nullptr, 0, 0);
                break;
            }
            case 12: {
                ub4 amount = small(4);
                s = lite_OCILobWrite(static_cast<OCISvcCtx*>(rng() % 2 ? c.svc : pick()), err,
                                     static_cast<OCILobLocator*>(maybe(lob)), &amount, small(3),
                                     values.data(), small(8), static_cast<ub1>(small(4)), nullptr,
                                     nullptr, 0, 0);
                break;
            }
            case 13: {
                sb2 y;
                ub1 m, d, h, mi, sec;
                ub4 ns;
                s = lite_OCIDateTimeGetDate(maybe(c.env), err, static_cast<OCIDateTime*>(maybe(ts)),
                                            &y, &m, &d);
                EXPECT_TRUE(allowed.count(s));
                s = lite_OCIDateTimeGetTime(maybe(c.env), err, static_cast<OCIDateTime*>(maybe(ts)),
                                            &h, &mi, &sec, &ns);
                break;
            }
            case 14: {
                ub1 form = 0;
                s = lite_OCILobCharSetForm(static_cast<OCIEnv*>(pick()), err,
                                           static_cast<OCILobLocator*>(pick()), &form);
                break;
            }
            case 15:
                // Frees only what cannot take the test's own handles away.
                if (rng() % 2) {
                    s = lite_OCIHandleFree(rng() % 2 ? garbage : freed, kind());
                } else {
                    s = lite_OCIDescriptorFree(rng() % 2 ? garbage : freed, kind());
                }
                break;
        }
        ASSERT_TRUE(allowed.count(s)) << "call " << i << " returned " << s;
        ++seen[s];
    }
    // The mix reached real work as well as the handle checks.
    EXPECT_GT(seen[OCI_SUCCESS], 500);
    EXPECT_GT(seen[OCI_ERROR], 500);
    EXPECT_GT(seen[OCI_INVALID_HANDLE], 500);
    // The connection still works after all that.
    EXPECT_EQ(c.rows("SELECT COUNT(*) FROM T"), (std::vector<std::vector<std::string>>{{"2"}}));
}

}  // namespace
