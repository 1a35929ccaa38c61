// Handle life cycle, error records and misuse: nothing may crash, wrong handles are refused.
#include <gtest/gtest.h>

#include <cstring>

#include "client/oci_lite.h"
#include "platform/oci/oci.h"
#include "platform/oci/oci_test_helpers.h"

namespace {

OCIEnv* new_env() {
    OCIEnv* env = nullptr;
    EXPECT_EQ(lite_OCIEnvNlsCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0,
                                   nullptr, OCI_UTF16ID, OCI_UTF16ID),
              OCI_SUCCESS);
    return env;
}

TEST(OciHandles, EnvironmentIsUtf16Only) {
    OCIEnv* env = nullptr;
    EXPECT_EQ(lite_OCIEnvNlsCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0,
                                   nullptr, 871, 871),
              OCI_ERROR);
    EXPECT_EQ(env, nullptr);
    EXPECT_EQ(lite_OCIEnvNlsCreate(nullptr, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0,
                                   nullptr, OCI_UTF16ID, OCI_UTF16ID),
              OCI_INVALID_HANDLE);
    env = new_env();
    ub2 id = 0;
    OCIError* err = nullptr;
    ASSERT_EQ(lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr),
              OCI_SUCCESS);
    EXPECT_EQ(lite_OCIAttrGet(env, OCI_HTYPE_ENV, &id, nullptr, OCI_ATTR_CHARSET_ID, err),
              OCI_SUCCESS);
    EXPECT_EQ(id, OCI_UTF16ID);
    EXPECT_EQ(lite_OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
}

TEST(OciHandles, AllocatesEveryKindAndGivesExtraMemory) {
    OCIEnv* env = new_env();
    for (ub4 type :
         {OCI_HTYPE_ERROR, OCI_HTYPE_SERVER, OCI_HTYPE_SESSION, OCI_HTYPE_SVCCTX, OCI_HTYPE_STMT}) {
        void* h = nullptr;
        void* extra = nullptr;
        ASSERT_EQ(lite_OCIHandleAlloc(env, &h, type, 64, &extra), OCI_SUCCESS) << type;
        ASSERT_NE(h, nullptr);
        ASSERT_NE(extra, nullptr);
        std::memset(extra, 0xAB, 64);
        EXPECT_EQ(lite_OCIHandleFree(h, type), OCI_SUCCESS);
        EXPECT_EQ(lite_OCIHandleFree(h, type), OCI_INVALID_HANDLE) << "double free is refused";
    }
    // Defines and binds come from the define and bind calls only.
    void* h = reinterpret_cast<void*>(1);
    EXPECT_EQ(lite_OCIHandleAlloc(env, &h, OCI_HTYPE_DEFINE, 0, nullptr), OCI_INVALID_HANDLE);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(lite_OCIHandleAlloc(env, &h, 4242, 0, nullptr), OCI_INVALID_HANDLE);
    lite_OCIHandleFree(env, OCI_HTYPE_ENV);
}

TEST(OciHandles, WrongNullAndForeignPointersAreRefused) {
    OCIEnv* env = new_env();
    OCIError* err = nullptr;
    OCIStmt* st = nullptr;
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    char stack_bytes[256] = {};
    auto* fake = reinterpret_cast<OCIStmt*>(stack_bytes);
    const std::u16string sql = u16("select 1 from dual");
    const auto* text = reinterpret_cast<const OraText*>(sql.data());
    const ub4 len = static_cast<ub4>(sql.size() * 2);

    EXPECT_EQ(lite_OCIStmtPrepare(nullptr, err, text, len, OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIStmtPrepare(fake, err, text, len, OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIStmtPrepare(st, nullptr, text, len, OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    // A statement handle where an error handle belongs, and the other way round.
    EXPECT_EQ(lite_OCIStmtPrepare(st, reinterpret_cast<OCIError*>(st), text, len, OCI_NTV_SYNTAX,
                                  OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIStmtPrepare(reinterpret_cast<OCIStmt*>(err), err, text, len, OCI_NTV_SYNTAX,
                                  OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIStmtFetch(st, err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR)
        << "fetch before prepare";
    EXPECT_EQ(lite_OCIStmtExecute(nullptr, st, err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIHandleFree(fake, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIHandleFree(st, OCI_HTYPE_ERROR), OCI_INVALID_HANDLE) << "wrong kind";
    EXPECT_EQ(lite_OCIDescriptorFree(st, OCI_DTYPE_LOB), OCI_INVALID_HANDLE);
    void* param = nullptr;
    EXPECT_EQ(lite_OCIParamGet(st, OCI_HTYPE_STMT, err, &param, 1), OCI_ERROR) << "not executed";
    EXPECT_EQ(lite_OCIParamGet(st, OCI_HTYPE_ENV, err, &param, 1), OCI_INVALID_HANDLE);
    sb2 y;
    ub1 m, d;
    EXPECT_EQ(
        lite_OCIDateTimeGetDate(env, err, reinterpret_cast<OCIDateTime*>(stack_bytes), &y, &m, &d),
        OCI_INVALID_HANDLE);
    ub1 form = 9;
    EXPECT_EQ(lite_OCILobCharSetForm(env, err, reinterpret_cast<OCILobLocator*>(st), &form),
              OCI_INVALID_HANDLE);
    lite_OCIHandleFree(env, OCI_HTYPE_ENV);
}

TEST(OciHandles, FreeingTheEnvironmentFreesEverythingUnderIt) {
    OCIEnv* env = new_env();
    OCIError* err = nullptr;
    OCIStmt* st = nullptr;
    void* lob = nullptr;
    void* ts = nullptr;
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&st), OCI_HTYPE_STMT, 0, nullptr);
    ASSERT_EQ(lite_OCIDescriptorAlloc(env, &lob, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
    ASSERT_EQ(lite_OCIDescriptorAlloc(env, &ts, OCI_DTYPE_TIMESTAMP, 0, nullptr), OCI_SUCCESS);
    EXPECT_EQ(lite_OCIDescriptorAlloc(env, &ts, 12345, 0, nullptr), OCI_INVALID_HANDLE);
    ASSERT_EQ(lite_OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
    EXPECT_EQ(lite_OCIHandleFree(st, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIHandleFree(err, OCI_HTYPE_ERROR), OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIDescriptorFree(lob, OCI_DTYPE_LOB), OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCIHandleFree(env, OCI_HTYPE_ENV), OCI_INVALID_HANDLE);
}

TEST(OciHandles, ErrorRecordsReadAsOraTextCutToTheBuffer) {
    OCIEnv* env = new_env();
    OCIError* err = nullptr;
    OCISession* ses = nullptr;
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
    unsigned char buf[512];
    sb4 code = -5;
    EXPECT_EQ(lite_OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR),
              OCI_NO_DATA);
    EXPECT_EQ(lite_OCIErrorGet(nullptr, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR),
              OCI_INVALID_HANDLE);

    // An attribute the session does not have.
    ub4 dummy = 0;
    ASSERT_EQ(lite_OCIAttrSet(ses, OCI_HTYPE_SESSION, &dummy, 4, OCI_ATTR_PARAM_COUNT, err),
              OCI_ERROR);
    ASSERT_EQ(lite_OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR),
              OCI_SUCCESS);
    EXPECT_EQ(code, 24315);
    EXPECT_EQ(from_u16(buf, sizeof buf), "ORA-24315: illegal attribute type");
    EXPECT_EQ(lite_OCIErrorGet(err, 2, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR),
              OCI_NO_DATA);
    // The SQL state has no size to respect, so it is never written.
    OraText state[2] = {0x11, 0x22};
    ASSERT_EQ(lite_OCIErrorGet(err, 1, state, &code, buf, sizeof buf, OCI_HTYPE_ERROR),
              OCI_SUCCESS);
    EXPECT_EQ(state[0], 0x11);
    EXPECT_EQ(state[1], 0x22);

    // Cut to 12 bytes: 5 characters and the terminator.
    std::memset(buf, 0x7F, sizeof buf);
    ASSERT_EQ(lite_OCIErrorGet(err, 1, nullptr, &code, buf, 12, OCI_HTYPE_ERROR), OCI_SUCCESS);
    EXPECT_EQ(from_u16(buf, 12), "ORA-2");
    EXPECT_EQ(buf[12], 0x7F) << "nothing written past the buffer";
    // A buffer too small for any character still gets its terminator.
    ASSERT_EQ(lite_OCIErrorGet(err, 1, nullptr, &code, buf, 2, OCI_HTYPE_ERROR), OCI_SUCCESS);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], 0);

    // A successful call clears the record.
    const std::u16string user = u16("HR");
    ASSERT_EQ(lite_OCIAttrSet(ses, OCI_HTYPE_SESSION, const_cast<char16_t*>(user.data()), 4,
                              OCI_ATTR_USERNAME, err),
              OCI_SUCCESS);
    EXPECT_EQ(lite_OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR),
              OCI_NO_DATA);
    OraText* name = nullptr;
    ub4 size = 0;
    ASSERT_EQ(lite_OCIAttrGet(ses, OCI_HTYPE_SESSION, &name, &size, OCI_ATTR_USERNAME, err),
              OCI_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(from_u16(name, size + 2), "HR");
    lite_OCIHandleFree(env, OCI_HTYPE_ENV);
}

TEST(OciHandles, ServiceContextOnlyTakesLiveHandlesOfTheRightKind) {
    OCIEnv* env = new_env();
    OCIError* err = nullptr;
    OCISvcCtx* svc = nullptr;
    OCISession* ses = nullptr;
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
    lite_OCIHandleAlloc(env, reinterpret_cast<void**>(&ses), OCI_HTYPE_SESSION, 0, nullptr);
    EXPECT_EQ(lite_OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SERVER, err),
              OCI_INVALID_HANDLE);
    EXPECT_EQ(lite_OCISessionBegin(svc, err, ses, OCI_CRED_RDBMS, OCI_DEFAULT), OCI_ERROR);
    sb4 code = 0;
    unsigned char buf[256];
    lite_OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR);
    EXPECT_EQ(code, 24327) << "no server attached";
    lite_OCIHandleFree(env, OCI_HTYPE_ENV);
}

TEST(OciHandles, FunctionTableIsComplete) {
    const oci_function_table* t = oci_embedded_functions();
    ASSERT_NE(t, nullptr);
    const auto* slots = reinterpret_cast<void* const*>(t);
    for (size_t i = 0; i < sizeof(*t) / sizeof(void*); ++i) EXPECT_NE(slots[i], nullptr) << i;
    EXPECT_EQ(t->StmtFetch, &lite_OCIStmtFetch);
    EXPECT_EQ(t->BindDynamic, &lite_OCIBindDynamic);
}

}  // namespace
