// Statements: lazy compile, execute modes, defines, truncation, binds and RETURNING ROWID.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "client/oci_lite.h"
#include "platform/oci/oci.h"
#include "platform/oci/oci_test_helpers.h"

namespace {

class OciStmt : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(conn_.logon(inst_.dir(), "SCOTT", "tiger"), OCI_SUCCESS) << conn_.error_text();
        conn_.must_run(
            {"CREATE TABLE EMP (ID NUMBER(6) NOT NULL PRIMARY KEY, NAME VARCHAR2(30), "
             "SAL NUMBER(8,2), HIRED DATE, PHOTO BLOB, NOTES CLOB)",
             "INSERT INTO EMP (ID, NAME, SAL) VALUES (1, 'Ann', 1000.5)",
             "INSERT INTO EMP (ID, NAME, SAL) VALUES (2, 'Bob', 2000)",
             "INSERT INTO EMP (ID, NAME, SAL) VALUES (3, 'Carmen-Sylvia', NULL)"});
    }
    sword exec(OCIStmt* st, ub4 iters, ub4 mode = OCI_DEFAULT) {
        return lite_OCIStmtExecute(conn_.svc, st, conn_.err, iters, 0, nullptr, nullptr, mode);
    }

    scratch_instance inst_{"SCOTT", "tiger"};
    oci_conn conn_;
};

TEST_F(OciStmt, PrepareNeverFailsExecuteReportsOracleErrors) {
    struct bad {
        const char* sql;
        int code;
    };
    const bad cases[] = {
        {"SELECT * FROM NO_SUCH_TABLE", 942},
        {"SELECT NO_SUCH_COLUMN FROM EMP", 904},
        {"INSERT INTO EMP (ID) VALUES (1)", 1},
        {"INSERT INTO EMP (NAME) VALUES ('x')", 1400},
        {"CREATE TABLE EMP (A NUMBER)", 955},
        // What a reader asks of a table none of whose columns it can read.
        {"SELECT  FROM \"EMP\"", 936},
    };
    for (const auto& c : cases) {
        OCIStmt* st = conn_.new_stmt(c.sql);  // asserts nothing: prepare has nothing to say
        EXPECT_EQ(exec(st, 1), OCI_ERROR) << c.sql;
        EXPECT_EQ(conn_.error_code(), c.code) << c.sql << ": " << conn_.error_text();
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", c.code);
        EXPECT_EQ(conn_.error_text().rfind(prefix, 0), 0u) << conn_.error_text();
    }
    OCIStmt* st = conn_.new_stmt("SELEKT garbage FROM");
    EXPECT_EQ(exec(st, 0), OCI_ERROR);
    const int code = conn_.error_code();
    EXPECT_TRUE(code == 900 || code == 933 || code == 936) << conn_.error_text();
    OCIStmt* unprepared = nullptr;
    lite_OCIHandleAlloc(conn_.env, reinterpret_cast<void**>(&unprepared), OCI_HTYPE_STMT, 0,
                        nullptr);
    EXPECT_EQ(exec(unprepared, 1), OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 24337);
    lite_OCIHandleFree(unprepared, OCI_HTYPE_STMT);
}

TEST_F(OciStmt, LongErrorTextIsCutToTheReadersBuffer) {
    // The reader reads error texts into 512 bytes: 255 characters and the terminator.
    const std::string name(300, 'X');
    EXPECT_EQ(exec(conn_.new_stmt("SELECT " + name + " FROM EMP"), 1), OCI_ERROR);
    unsigned char buf[512 + 8];
    std::memset(buf, 0x7F, sizeof buf);
    sb4 code = 0;
    ASSERT_EQ(lite_OCIErrorGet(conn_.err, 1, nullptr, &code, buf, 512, OCI_HTYPE_ERROR),
              OCI_SUCCESS);
    EXPECT_EQ(code, 904);
    const std::string text = from_u16(buf, 512);
    EXPECT_EQ(text, ("ORA-00904: \"" + name).substr(0, 255));
    EXPECT_EQ(buf[510], 0);
    EXPECT_EQ(buf[511], 0);
    EXPECT_EQ(buf[512], 0x7F) << "nothing written past the buffer";
}

TEST_F(OciStmt, ParseOnlyCompilesWithoutRunning) {
    OCIStmt* ins = conn_.new_stmt("INSERT INTO EMP (ID, NAME) VALUES (9, 'Zed')");
    ASSERT_EQ(exec(ins, 1, OCI_PARSE_ONLY), OCI_SUCCESS) << conn_.error_text();
    EXPECT_EQ(conn_.rows("SELECT COUNT(*) FROM EMP"),
              (std::vector<std::vector<std::string>>{{"3"}}));
    OCIStmt* bad = conn_.new_stmt("SELECT NOPE FROM EMP");
    EXPECT_EQ(exec(bad, 1, OCI_PARSE_ONLY), OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 904);
    OCIStmt* q = conn_.new_stmt("SELECT ID, NAME FROM EMP");
    ASSERT_EQ(exec(q, 1, OCI_DESCRIBE_ONLY), OCI_SUCCESS);
    ub4 count = 0;
    ASSERT_EQ(lite_OCIAttrGet(q, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, conn_.err),
              OCI_SUCCESS);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(lite_OCIStmtFetch(q, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR)
        << "a described statement is not open for fetching";
}

TEST_F(OciStmt, CommitOnSuccessIsSeenByAnotherSession) {
    ASSERT_EQ(conn_.run("INSERT INTO EMP (ID, NAME) VALUES (4, 'Dan')", 1, OCI_DEFAULT),
              OCI_SUCCESS);
    oci_conn other;
    ASSERT_EQ(other.logon(inst_.dir(), "SCOTT", "tiger"), OCI_SUCCESS);
    EXPECT_EQ(other.rows("SELECT COUNT(*) FROM EMP"),
              (std::vector<std::vector<std::string>>{{"3"}}));
    ASSERT_EQ(conn_.run("INSERT INTO EMP (ID, NAME) VALUES (5, 'Eve')", 1, OCI_COMMIT_ON_SUCCESS),
              OCI_SUCCESS);
    EXPECT_EQ(other.rows("SELECT COUNT(*) FROM EMP"),
              (std::vector<std::vector<std::string>>{{"5"}}));
}

TEST_F(OciStmt, ExecuteWithOneIterationFillsTheFirstRow) {
    OCIStmt* st = conn_.new_stmt("SELECT COUNT(*) FROM EMP");
    int32_t n = -1;
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, &n, 4, SQLT_INT, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 1), OCI_SUCCESS) << conn_.error_text();
    EXPECT_EQ(n, 3);
    OCIStmt* none = conn_.new_stmt("SELECT ID FROM EMP WHERE ID < 0");
    ASSERT_EQ(lite_OCIDefineByPos(none, &def, conn_.err, 1, &n, 4, SQLT_INT, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(exec(none, 1), OCI_NO_DATA);
    // Executing again starts the cursor over.
    ASSERT_EQ(exec(st, 1), OCI_SUCCESS);
    EXPECT_EQ(n, 3);
    ub4 rows = 0;
    lite_OCIAttrGet(st, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, conn_.err);
    EXPECT_EQ(rows, 1u);
}

// A NUMBER past fifteen digits reaches the reader with every digit as text, as an int64 when it
// fits one and as the nearest double; one past an int64 is ORA-01455.
TEST_F(OciStmt, ExactNumbersReachEveryDefineType) {
    conn_.must_run({"CREATE TABLE W (ID NUMBER(2), N NUMBER)",
                    "INSERT INTO W VALUES (1, 12345678901234567890123456789012345678 - 1)",
                    "INSERT INTO W VALUES (2, 9223372036854775806 + 1)",
                    "INSERT INTO W VALUES (3, 1 / 3)"});
    EXPECT_EQ(
        conn_.rows("SELECT N FROM W ORDER BY ID"),
        (std::vector<std::vector<std::string>>{{"12345678901234567890123456789012345677"},
                                               {"9223372036854775807"},
                                               {".3333333333333333333333333333333333333333"}}));
    const auto fetch = [&](const char* sql, void* out, sb4 size, ub2 dty) {
        OCIStmt* st = conn_.new_stmt(sql);
        OCIDefine* def = nullptr;
        EXPECT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, out, size, dty, nullptr, nullptr,
                                      nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
        return exec(st, 1);
    };
    int64_t whole = 0;
    ASSERT_EQ(fetch("SELECT N FROM W WHERE ID = 2", &whole, 8, SQLT_INT), OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ(whole, INT64_MAX);
    EXPECT_EQ(fetch("SELECT N FROM W WHERE ID = 1", &whole, 8, SQLT_INT), OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 1455);
    double real = 0;
    ASSERT_EQ(fetch("SELECT N FROM W WHERE ID = 1", &real, 8, SQLT_BDOUBLE), OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ(real, 1.2345678901234568e37);
    ASSERT_EQ(fetch("SELECT N FROM W WHERE ID = 3", &real, 8, SQLT_FLT), OCI_SUCCESS);
    EXPECT_EQ(real, 1.0 / 3);
}

TEST_F(OciStmt, BinaryDoublesReachADoubleDefineAsTheyAreHeld) {
    conn_.must_run(
        {"CREATE TABLE R (ID NUMBER(2), D BINARY_DOUBLE)",
         "INSERT INTO R VALUES (1, 0.30000000000000004)", "INSERT INTO R VALUES (2, -2.5E-100)",
         "INSERT INTO R VALUES (3, 1.2345678901234567E125)", "INSERT INTO R VALUES (4, -0.5)",
         "INSERT INTO R VALUES (5, 355095.640625)", "INSERT INTO R VALUES (6, 3)"});
    const double held[] = {0.1 + 0.2, -2.5e-100, 1.2345678901234567e125, -0.5, 355095.640625, 3};
    OCIStmt* st = conn_.new_stmt("SELECT D FROM R ORDER BY ID");
    double real = 0;
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, &real, 8, SQLT_BDOUBLE, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 0), OCI_SUCCESS) << conn_.error_text();
    for (const double value : held) {
        ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS)
            << conn_.error_text();
        EXPECT_EQ(real, value);
    }
}

TEST_F(OciStmt, TruncatedTextIsReportedNotHidden) {
    OCIStmt* st = conn_.new_stmt("SELECT NAME FROM EMP ORDER BY ID");
    char16_t buf[6];  // five characters and the terminator
    std::memset(buf, 0x55, sizeof buf);
    sb2 ind = 0;
    ub2 len = 0;
    ub2 rcode = 0;
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, buf, sizeof buf, SQLT_STR, &ind, &len,
                                  &rcode, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 0), OCI_SUCCESS);
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(from_u16(buf, sizeof buf), "Ann");
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(len, 6);
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT),
              OCI_SUCCESS_WITH_INFO);
    EXPECT_EQ(conn_.error_code(), 24345);
    EXPECT_EQ(from_u16(buf, sizeof buf), "Carme") << "cut, and still terminated";
    EXPECT_EQ(ind, 26) << "the indicator holds the full length in bytes";
    EXPECT_EQ(rcode, 1406);
    EXPECT_EQ(len, 10);
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);

    // A value longer than an indicator can count sets it to -2.
    const std::u16string long_text = u16(std::string(20000, 'w'));
    OCIStmt* ins = conn_.new_stmt("UPDATE EMP SET NOTES = :1 WHERE ID = 1");
    OCIBind* b = nullptr;
    ASSERT_EQ(lite_OCIBindByPos(ins, &b, conn_.err, 1, const_cast<char16_t*>(long_text.data()),
                                static_cast<sb4>(long_text.size() * 2), SQLT_LNG, nullptr, nullptr,
                                nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(ins, 1), OCI_SUCCESS) << conn_.error_text();
    OCIStmt* notes = conn_.new_stmt("SELECT NOTES FROM EMP WHERE ID = 1");
    ASSERT_EQ(lite_OCIDefineByPos(notes, &def, conn_.err, 1, buf, sizeof buf, SQLT_STR, &ind, &len,
                                  &rcode, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(exec(notes, 1), OCI_SUCCESS_WITH_INFO);
    EXPECT_EQ(ind, -2) << "40000 bytes do not fit in the indicator";
    EXPECT_EQ(rcode, 1406);
    EXPECT_EQ(from_u16(buf, sizeof buf), "wwwww");
}

TEST_F(OciStmt, NullWithoutIndicatorIsAnError) {
    OCIStmt* st = conn_.new_stmt("SELECT SAL FROM EMP WHERE ID = 3");
    char16_t buf[32];
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, buf, sizeof buf, SQLT_STR, nullptr,
                                  nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(exec(st, 1), OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 1405);
}

TEST_F(OciStmt, RowsReadAheadFillUtf8DefinesAsAPlainFetchDoes) {
    // Text that stands ready in a row read ahead is copied by a way of its own: it must give
    // what the general way gives, cut text, NULL and a NULL without an indicator included.
    conn_.must_run({"INSERT INTO EMP (ID, NAME, SAL) VALUES (4, 'Dora', 123456.25)",
                    "INSERT INTO EMP (ID, NAME, SAL) VALUES (5, 'Ed-Emil-Egon-Erwin-Ernst', -.5)"});
    const auto fetch_all = [&](ub4 prefetch, bool indicators) {
        OCIStmt* st = conn_.new_stmt("SELECT NAME, SAL FROM EMP ORDER BY ID");
        EXPECT_EQ(
            lite_OCIAttrSet(st, OCI_HTYPE_STMT, &prefetch, 0, OCI_ATTR_PREFETCH_ROWS, conn_.err),
            OCI_SUCCESS);
        char name[7];
        char sal[24];
        sb2 ind[2] = {7, 7};
        ub2 len[2] = {0, 0};
        ub2 rcode[2] = {0, 0};
        char* bufs[2] = {name, sal};
        const sb4 sizes[2] = {sizeof name, sizeof sal};
        for (ub4 i = 0; i < 2; ++i) {
            OCIDefine* def = nullptr;
            EXPECT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, i + 1, bufs[i], sizes[i], SQLT_STR,
                                          indicators ? &ind[i] : nullptr, &len[i], &rcode[i],
                                          OCI_DEFAULT),
                      OCI_SUCCESS);
            ub2 utf8 = 871;
            EXPECT_EQ(
                lite_OCIAttrSet(def, OCI_HTYPE_DEFINE, &utf8, 0, OCI_ATTR_CHARSET_ID, conn_.err),
                OCI_SUCCESS);
        }
        EXPECT_EQ(exec(st, 0), OCI_SUCCESS);
        std::string seen;
        for (int row = 0; row < 6; ++row) {
            std::memset(name, 'x', sizeof name);
            std::memset(sal, 'x', sizeof sal);
            const sword rc = lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
            seen += std::to_string(rc) + " " +
                    std::to_string(rc == OCI_SUCCESS ? 0 : conn_.error_code());
            for (int i = 0; i < 2; ++i) {
                seen += " [" + std::string(bufs[i], strnlen(bufs[i], sizes[i])) + "] " +
                        std::to_string(ind[i]) + "/" + std::to_string(len[i]) + "/" +
                        std::to_string(rcode[i]);
            }
            seen += "\n";
        }
        return seen;
    };
    for (bool indicators : {true, false}) {
        const std::string plain = fetch_all(0, indicators);
        EXPECT_EQ(fetch_all(10, indicators), plain) << plain;
        EXPECT_NE(plain.find("Carmen"), std::string::npos);
    }
    EXPECT_NE(fetch_all(10, true).find("[Ed-Emi] 24/6/1406"), std::string::npos)
        << fetch_all(10, true);
}

TEST_F(OciStmt, DefinesAreCheckedAgainstTheSelectList) {
    OCIStmt* st = conn_.new_stmt("SELECT ID FROM EMP");
    ASSERT_EQ(exec(st, 0), OCI_SUCCESS);
    int32_t v = 0;
    OCIDefine* def = nullptr;
    EXPECT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 2, &v, 4, SQLT_INT, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 1007);
    EXPECT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, &v, 4, 9999, nullptr, nullptr, nullptr,
                                  OCI_DEFAULT),
              OCI_ERROR);
    EXPECT_EQ(lite_OCIDefineByPos(st, nullptr, conn_.err, 1, &v, 4, SQLT_INT, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_INVALID_HANDLE);
    // A define freed by its owner is simply no longer filled.
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, &v, 4, SQLT_INT, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIHandleFree(def, OCI_HTYPE_DEFINE), OCI_SUCCESS);
    v = -7;
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(v, -7);
    void* p = nullptr;
    EXPECT_EQ(lite_OCIParamGet(st, OCI_HTYPE_STMT, conn_.err, &p, 2), OCI_ERROR);
    EXPECT_EQ(lite_OCIParamGet(st, OCI_HTYPE_STMT, conn_.err, &p, 0), OCI_ERROR);
    ub2 junk = 0;
    ASSERT_EQ(lite_OCIParamGet(st, OCI_HTYPE_STMT, conn_.err, &p, 1), OCI_SUCCESS);
    EXPECT_EQ(lite_OCIAttrGet(p, OCI_DTYPE_PARAM, &junk, nullptr, OCI_ATTR_USERNAME, conn_.err),
              OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 24315);

    // Before its describe a statement takes no define past the longest possible select list.
    OCIStmt* fresh = conn_.new_stmt("SELECT ID FROM EMP");
    EXPECT_EQ(lite_OCIDefineByPos(fresh, &def, conn_.err, 0xFFFFFFF0u, &v, 4, SQLT_INT, nullptr,
                                  nullptr, nullptr, OCI_DEFAULT),
              OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 1007);
}

TEST_F(OciStmt, StatementTypeLooksPastLeadingComments) {
    const std::pair<const char*, ub2> cases[] = {
        {"  (SELECT 1 FROM DUAL)", OCI_STMT_SELECT},
        {"-- the names\nSELECT NAME FROM EMP", OCI_STMT_SELECT},
        {"/* count */ /*+ hint */ select count(*) from EMP", OCI_STMT_SELECT},
        {"/* unended SELECT", OCI_STMT_UNKNOWN},
        {"-- only a comment", OCI_STMT_UNKNOWN},
        {"/**/DELETE FROM EMP", OCI_STMT_DELETE},
    };
    for (const auto& [sql, type] : cases) {
        ub2 got = 99;
        ASSERT_EQ(lite_OCIAttrGet(conn_.new_stmt(sql), OCI_HTYPE_STMT, &got, nullptr,
                                  OCI_ATTR_STMT_TYPE, conn_.err),
                  OCI_SUCCESS);
        EXPECT_EQ(got, type) << sql;
    }
}

TEST_F(OciStmt, ArrayBindsRunOneExecutionPerIteration) {
    OCIStmt* st = conn_.new_stmt("INSERT INTO EMP (ID, NAME, SAL, HIRED) VALUES (:1, :2, :3, :4)");
    int32_t ids[3] = {10, 11, 12};
    char16_t names[3][8] = {};
    const std::u16string n0 = u16("Ola"), n1 = u16("Żaneta");
    std::memcpy(names[0], n0.data(), n0.size() * 2);
    std::memcpy(names[1], n1.data(), n1.size() * 2);
    double sal[3] = {1.25, 2.5, 0};
    sb2 sal_ind[3] = {0, 0, -1};
    sb2 name_ind[3] = {0, 0, -1};
    OCIDate hired[3] = {};
    hired[0].OCIDateYYYY = 2001;
    hired[0].OCIDateMM = 2;
    hired[0].OCIDateDD = 3;
    hired[0].OCIDateTime.OCITimeHH = 4;
    hired[1] = hired[0];
    hired[2] = hired[0];
    OCIBind* b = nullptr;
    ASSERT_EQ(lite_OCIBindByPos(st, &b, conn_.err, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr,
                                0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIBindByPos(st, &b, conn_.err, 2, names, sizeof names[0], SQLT_STR, name_ind,
                                nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIBindByPos(st, &b, conn_.err, 3, sal, 8, SQLT_BDOUBLE, sal_ind, nullptr,
                                nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIBindByPos(st, &b, conn_.err, 4, hired, 8, SQLT_ODT, nullptr, nullptr, nullptr,
                                0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 3, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << conn_.error_text();
    ub4 rows = 0;
    lite_OCIAttrGet(st, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, conn_.err);
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(conn_.rows("SELECT ID, NAME, SAL, TO_CHAR(HIRED, 'YYYY-MM-DD HH24') FROM EMP "
                         "WHERE ID >= 10 ORDER BY ID"),
              (std::vector<std::vector<std::string>>{{"10", "Ola", "1.25", "2001-02-03 04"},
                                                     {"11", "Żaneta", "2.5", "2001-02-03 04"},
                                                     {"12", "<NULL>", "<NULL>", "2001-02-03 04"}}));
}

TEST_F(OciStmt, BindsByNameAndTheirMistakes) {
    OCIStmt* st = conn_.new_stmt("SELECT NAME FROM EMP WHERE ID = :id AND NAME <> :skip");
    int32_t id = 2;
    const std::u16string skip = u16("x");
    OCIBind* b = nullptr;
    const std::u16string id_name = u16(":ID"), skip_name = u16("skip"), bad = u16(":nope");
    ASSERT_EQ(
        lite_OCIBindByName(st, &b, conn_.err, reinterpret_cast<const OraText*>(id_name.data()),
                           static_cast<sb4>(id_name.size() * 2), &id, 4, SQLT_INT, nullptr, nullptr,
                           nullptr, 0, nullptr, OCI_DEFAULT),
        OCI_SUCCESS);
    EXPECT_EQ(exec(st, 0), OCI_ERROR) << "one placeholder is still unbound";
    EXPECT_EQ(conn_.error_code(), 1008);
    ASSERT_EQ(
        lite_OCIBindByName(st, &b, conn_.err, reinterpret_cast<const OraText*>(skip_name.data()),
                           static_cast<sb4>(skip_name.size() * 2),
                           const_cast<char16_t*>(skip.data()), static_cast<sb4>(skip.size() * 2),
                           SQLT_CHR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
        OCI_SUCCESS);
    char16_t name[31];
    sb2 ind = 0;
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, name, sizeof name, SQLT_STR, &ind,
                                  nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 1), OCI_SUCCESS) << conn_.error_text();
    EXPECT_EQ(from_u16(name, sizeof name), "Bob");
    ASSERT_EQ(lite_OCIBindByName(st, &b, conn_.err, reinterpret_cast<const OraText*>(bad.data()),
                                 static_cast<sb4>(bad.size() * 2), &id, 4, SQLT_INT, nullptr,
                                 nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(exec(st, 1), OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 1036);
}

// The output callback of a dynamic bind receives the ROWID of the inserted row.
struct rowid_box {
    char16_t text[512];
    ub4 len = 0;
    sb2 ind = 0;
    int calls = 0;
};

sb4 no_data(void*, OCIBind*, ub4, ub4, void** bufpp, ub4* alenp, ub1* piecep, void** indp) {
    static sb2 null_ind = -1;
    *bufpp = nullptr;
    *alenp = 0;
    *piecep = OCI_ONE_PIECE;
    *indp = &null_ind;
    return OCI_CONTINUE;
}

sb4 get_data(void* ctx, OCIBind*, ub4, ub4, void** bufpp, ub4** alenpp, ub1* piecep, void** indpp,
             ub2** rcodepp) {
    auto* box = static_cast<rowid_box*>(ctx);
    ++box->calls;
    box->len = sizeof box->text;
    *bufpp = box->text;
    *alenpp = &box->len;
    *piecep = OCI_ONE_PIECE;
    *indpp = &box->ind;
    *rcodepp = nullptr;
    return OCI_CONTINUE;
}

TEST_F(OciStmt, UpdateReturnsTheRowidItTouchedAndItsLobIsWrittenThroughASubqueryQuery) {
    conn_.must_run({"UPDATE EMP SET NOTES = EMPTY_CLOB()"});
    OCIStmt* up = conn_.new_stmt(
        "UPDATE EMP SET SAL = SAL + 1 WHERE NAME = 'Bob' RETURNING ROWID "
        "INTO :1");
    rowid_box box;
    OCIBind* b = nullptr;
    const std::u16string ph = u16(":1");
    ASSERT_EQ(lite_OCIBindByName(up, &b, conn_.err, reinterpret_cast<const OraText*>(ph.data()),
                                 static_cast<sb4>(ph.size() * 2), nullptr, 512 * 2, SQLT_STR,
                                 nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIBindDynamic(b, conn_.err, nullptr, no_data, &box, get_data), OCI_SUCCESS);
    ASSERT_EQ(exec(up, 1), OCI_SUCCESS) << conn_.error_text();
    const std::string rowid = from_u16(box.text, box.len + 2);
    ASSERT_FALSE(rowid.empty());
    EXPECT_EQ(conn_.rows("SELECT NAME FROM EMP WHERE ROWID = '" + rowid + "'"),
              (std::vector<std::vector<std::string>>{{"Bob"}}));

    // A sub-query in the select list names another table before the locked one.
    OCIStmt* sel = conn_.new_stmt(
        "SELECT (SELECT COUNT(*) FROM EMP WHERE SAL > 0) N, E.NOTES FROM EMP E WHERE E.ROWID = '" +
        rowid + "' FOR UPDATE");
    void* lob = nullptr;
    ASSERT_EQ(lite_OCIDescriptorAlloc(conn_.env, &lob, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(sel, &def, conn_.err, 2, &lob, 0, SQLT_CLOB, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(sel, 1), OCI_SUCCESS) << conn_.error_text();
    const std::u16string text = u16("new notes");
    ub4 amount = static_cast<ub4>(text.size());
    EXPECT_EQ(
        lite_OCILobWrite(conn_.svc, conn_.err, static_cast<OCILobLocator*>(lob), &amount, 1,
                         const_cast<char16_t*>(text.data()), static_cast<ub4>(text.size() * 2),
                         OCI_ONE_PIECE, nullptr, nullptr, 0, 0),
        OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ(conn_.rows("SELECT ID, DBMS_LOB.GETLENGTH(NOTES) FROM EMP ORDER BY ID"),
              (std::vector<std::vector<std::string>>{{"1", "0"}, {"2", "9"}, {"3", "0"}}));
    lite_OCIDescriptorFree(lob, OCI_DTYPE_LOB);
}

TEST_F(OciStmt, ReturningRowidFeedsALobWriteForUpdate) {
    OCIStmt* ins = conn_.new_stmt(
        "INSERT INTO EMP (ID, NAME, PHOTO, NOTES) VALUES (20, 'Pic', EMPTY_BLOB(), EMPTY_CLOB()) "
        "RETURNING ROWID INTO :1");
    rowid_box box;
    OCIBind* b = nullptr;
    const std::u16string ph = u16(":1");
    ASSERT_EQ(lite_OCIBindByName(ins, &b, conn_.err, reinterpret_cast<const OraText*>(ph.data()),
                                 static_cast<sb4>(ph.size() * 2), nullptr, 512 * 2, SQLT_STR,
                                 nullptr, nullptr, nullptr, 0, nullptr, OCI_DATA_AT_EXEC),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIBindDynamic(b, conn_.err, nullptr, no_data, &box, get_data), OCI_SUCCESS);
    ASSERT_EQ(exec(ins, 1, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << conn_.error_text();
    EXPECT_EQ(box.calls, 1);
    ASSERT_GT(box.len, 0u);
    ASSERT_LT(box.len, 512u);
    const std::string rowid = from_u16(box.text, box.len + 2);
    ASSERT_FALSE(rowid.empty());

    OCIStmt* sel = conn_.new_stmt("SELECT \"PHOTO\", \"NOTES\" FROM \"EMP\" WHERE ROWID='" + rowid +
                                  "' FOR UPDATE");
    void* lob[2] = {};
    OCIDefine* def = nullptr;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(lite_OCIDescriptorAlloc(conn_.env, &lob[i], OCI_DTYPE_LOB, 0, nullptr),
                  OCI_SUCCESS);
        ASSERT_EQ(lite_OCIDefineByPos(sel, &def, conn_.err, i + 1, &lob[i], 0,
                                      i == 0 ? SQLT_BLOB : SQLT_CLOB, nullptr, nullptr, nullptr,
                                      OCI_DEFAULT),
                  OCI_SUCCESS);
    }
    ASSERT_EQ(exec(sel, 1), OCI_SUCCESS) << conn_.error_text();
    unsigned char bytes[3] = {0xCA, 0x00, 0xFE};
    ub4 amount = 3;
    ASSERT_EQ(lite_OCILobWrite(conn_.svc, conn_.err, static_cast<OCILobLocator*>(lob[0]), &amount,
                               1, bytes, 3, OCI_ONE_PIECE, nullptr, nullptr, 0, 0),
              OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ(amount, 3u);
    // Past the end: the gap reads as zero bytes.
    unsigned char tail = 0xAB;
    amount = 1;
    ASSERT_EQ(lite_OCILobWrite(conn_.svc, conn_.err, static_cast<OCILobLocator*>(lob[0]), &amount,
                               6, &tail, 1, OCI_ONE_PIECE, nullptr, nullptr, 0, 0),
              OCI_SUCCESS)
        << conn_.error_text();
    const std::u16string text = u16("Notizen über 😀");
    amount = static_cast<ub4>(text.size());
    ASSERT_EQ(
        lite_OCILobWrite(conn_.svc, conn_.err, static_cast<OCILobLocator*>(lob[1]), &amount, 1,
                         const_cast<char16_t*>(text.data()), static_cast<ub4>(text.size() * 2),
                         OCI_ONE_PIECE, nullptr, nullptr, 0, SQLCS_IMPLICIT),
        OCI_SUCCESS)
        << conn_.error_text();
    ASSERT_EQ(conn_.run("SELECT 1 FROM DUAL", 1, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
    EXPECT_EQ(conn_.rows("SELECT RAWTOHEX(PHOTO), NOTES FROM EMP WHERE ID = 20"),
              (std::vector<std::vector<std::string>>{{"CA00FE0000AB", "Notizen über 😀"}}));
    // A locator from a plain query cannot be written.
    OCIStmt* plain = conn_.new_stmt("SELECT PHOTO FROM EMP WHERE ID = 20");
    ASSERT_EQ(lite_OCIDefineByPos(plain, &def, conn_.err, 1, &lob[0], 0, SQLT_BLOB, nullptr,
                                  nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(plain, 1), OCI_SUCCESS);
    EXPECT_EQ(lite_OCILobWrite(conn_.svc, conn_.err, static_cast<OCILobLocator*>(lob[0]), &amount,
                               1, bytes, 3, OCI_ONE_PIECE, nullptr, nullptr, 0, 0),
              OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 22920);
}

TEST_F(OciStmt, ArrayInsertReturnsEachRowidIntoItsElement) {
    OCIStmt* st = conn_.new_stmt(
        "INSERT /*+ APPEND */ INTO \"EMP\" (\"ID\", \"NAME\") VALUES(:1, :2) RETURNING ROWID INTO "
        ":3");
    int32_t ids[2] = {30, 31};
    char16_t names[2][4] = {{u'a'}, {u'b'}};
    char16_t rowids[2][32] = {};
    OCIBind* b = nullptr;
    ASSERT_EQ(lite_OCIBindByPos(st, &b, conn_.err, 1, ids, 4, SQLT_INT, nullptr, nullptr, nullptr,
                                0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIBindByPos(st, &b, conn_.err, 2, names, sizeof names[0], SQLT_STR, nullptr,
                                nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIBindByPos(st, &b, conn_.err, 3, rowids, sizeof rowids[0], SQLT_STR, nullptr,
                                nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 2, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS) << conn_.error_text();
    const std::string r0 = from_u16(rowids[0], sizeof rowids[0]);
    const std::string r1 = from_u16(rowids[1], sizeof rowids[1]);
    EXPECT_FALSE(r0.empty());
    EXPECT_NE(r0, r1);
    EXPECT_EQ(conn_.rows("SELECT NAME FROM EMP WHERE ROWID = '" + r1 + "'"),
              (std::vector<std::vector<std::string>>{{"b"}}));
}

}  // namespace

namespace {

TEST_F(OciStmt, ArrayFetchAndFixedWidthText) {
    OCIStmt* st = conn_.new_stmt("SELECT ID, NAME FROM EMP ORDER BY ID");
    int32_t ids[2] = {};
    char16_t names[2][8];
    sb2 ind[2] = {};
    ub2 len[2] = {};
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, ids, 4, SQLT_INT, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    // Blank-padded, unterminated text: every element is exactly 8 characters.
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 2, names, sizeof names[0], SQLT_AFC, ind,
                                  len, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 0), OCI_SUCCESS);
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_CURRENT + 8, OCI_DEFAULT), OCI_ERROR)
        << "the cursor only moves forward";
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 2, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(std::u16string(names[0], 8), u"Ann     ");
    EXPECT_EQ(std::u16string(names[1], 8), u"Bob     ");
    EXPECT_EQ(len[0], 16);
    // Two rows asked, one left: the one arrives and the fetch reports the end.
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 2, OCI_FETCH_NEXT, OCI_DEFAULT),
              OCI_SUCCESS_WITH_INFO)
        << "Carmen-Sylvia does not fit in 8 characters";
    ub4 rows = 0;
    lite_OCIAttrGet(st, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, conn_.err);
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 2, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
}

TEST_F(OciStmt, TextDefinedAsUtf8WhenTheDefineAsksForIt) {
    OCIStmt* st = conn_.new_stmt("SELECT NAME FROM EMP WHERE ID = 1");
    char buf[16] = {};
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, buf, sizeof buf, SQLT_STR, nullptr,
                                  nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ub2 utf8 = 873;
    ASSERT_EQ(lite_OCIAttrSet(def, OCI_HTYPE_DEFINE, &utf8, 0, OCI_ATTR_CHARSET_ID, conn_.err),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 1), OCI_SUCCESS);
    EXPECT_STREQ(buf, "Ann");
}

struct pieces {
    std::string data;
    std::vector<int> kinds;
};

sb4 collect(void* ctx, const void* buf, ub4 len, ub1 piece) {
    auto* p = static_cast<pieces*>(ctx);
    p->data.append(static_cast<const char*>(buf), len);
    p->kinds.push_back(piece);
    return OCI_CONTINUE;
}

TEST_F(OciStmt, LobReadMisuseAndCallbackPieces) {
    void* lob = nullptr;
    ASSERT_EQ(lite_OCIDescriptorAlloc(conn_.env, &lob, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
    auto* loc = static_cast<OCILobLocator*>(lob);
    char buf[4];
    ub4 amount = 0;
    EXPECT_EQ(lite_OCILobRead(conn_.svc, conn_.err, loc, &amount, 1, buf, sizeof buf, nullptr,
                              nullptr, 0, 0),
              OCI_ERROR)
        << "a locator that was never filled";
    EXPECT_EQ(conn_.error_code(), 22275);
    EXPECT_EQ(lite_OCILobRead(conn_.svc, conn_.err, loc, nullptr, 1, buf, sizeof buf, nullptr,
                              nullptr, 0, 0),
              OCI_INVALID_HANDLE);
    ub4 length = 7;
    EXPECT_EQ(lite_OCILobGetLength(conn_.svc, conn_.err, loc, &length), OCI_ERROR)
        << "no length without a value";
    EXPECT_EQ(conn_.error_code(), 22275);
    EXPECT_EQ(lite_OCILobGetLength(conn_.svc, conn_.err, loc, nullptr), OCI_INVALID_HANDLE);

    conn_.must_run({"UPDATE EMP SET NOTES = 'abcdefghij' WHERE ID = 1"});
    OCIStmt* st = conn_.new_stmt("SELECT NOTES FROM EMP WHERE ID = 1");
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, &lob, 0, SQLT_CLOB, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(st, 1), OCI_SUCCESS) << conn_.error_text();
    EXPECT_EQ(lite_OCILobRead(conn_.svc, conn_.err, loc, &amount, 0, buf, sizeof buf, nullptr,
                              nullptr, 0, 0),
              OCI_ERROR)
        << "offsets start at 1";
    EXPECT_EQ(conn_.error_code(), 24801);
    amount = 3;
    ASSERT_EQ(lite_OCILobRead(conn_.svc, conn_.err, loc, &amount, 9, buf, sizeof buf, nullptr,
                              nullptr, 0, 0),
              OCI_SUCCESS);
    EXPECT_EQ(amount, 2u) << "only two characters are left from offset 9";
    EXPECT_EQ(from_u16(buf, 4), "ij") << "the environment's character set: UTF-16";
    amount = 3;
    ASSERT_EQ(lite_OCILobRead(conn_.svc, conn_.err, loc, &amount, 8, buf, sizeof buf, nullptr,
                              nullptr, 873, 0),
              OCI_SUCCESS);
    EXPECT_EQ(amount, 3u) << "UTF-8 is asked for by its id, and its amount out counts bytes";
    EXPECT_EQ(std::string(buf, 3), "hij");
    amount = 3;
    EXPECT_EQ(lite_OCILobRead(conn_.svc, conn_.err, loc, &amount, 1, buf, sizeof buf, nullptr,
                              nullptr, 31, 0),
              OCI_ERROR)
        << "a character set the implementation does not convert to";
    EXPECT_EQ(conn_.error_code(), 1482);
    pieces got;
    amount = 0;
    ASSERT_EQ(lite_OCILobRead(conn_.svc, conn_.err, loc, &amount, 1, buf, sizeof buf, &got, collect,
                              0, 0),
              OCI_SUCCESS);
    EXPECT_EQ(amount, 10u);
    EXPECT_EQ(from_u16(got.data.data(), got.data.size()), "abcdefghij");
    EXPECT_EQ(got.kinds, (std::vector<int>{OCI_FIRST_PIECE, OCI_NEXT_PIECE, OCI_NEXT_PIECE,
                                           OCI_NEXT_PIECE, OCI_LAST_PIECE}))
        << "two characters of UTF-16 to each piece of four bytes";
    EXPECT_EQ(lite_OCIDescriptorFree(lob, OCI_DTYPE_LOB), OCI_SUCCESS);
    // The define still points at the freed locator: the fetch reports it instead of writing.
    EXPECT_EQ(exec(st, 1), OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 22275);
}

}  // namespace

namespace {

TEST_F(OciStmt, LobWriteThroughABoundConditionWritesTheRowItCameFrom) {
    conn_.must_run({"UPDATE EMP SET PHOTO = EMPTY_BLOB()"});
    OCIStmt* sel = conn_.new_stmt("SELECT PHOTO FROM EMP WHERE ID = :1 FOR UPDATE");
    int32_t id = 1;
    OCIBind* b = nullptr;
    ASSERT_EQ(lite_OCIBindByPos(sel, &b, conn_.err, 1, &id, 4, SQLT_INT, nullptr, nullptr, nullptr,
                                0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    void* lob = nullptr;
    ASSERT_EQ(lite_OCIDescriptorAlloc(conn_.env, &lob, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(sel, &def, conn_.err, 1, &lob, 0, SQLT_BLOB, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(sel, 1), OCI_SUCCESS) << conn_.error_text();
    unsigned char bytes[2] = {1, 2};
    ub4 amount = 2;
    EXPECT_EQ(lite_OCILobWrite(conn_.svc, conn_.err, static_cast<OCILobLocator*>(lob), &amount, 1,
                               bytes, 2, OCI_ONE_PIECE, nullptr, nullptr, 0, 0),
              OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ(conn_.rows("SELECT ID, DBMS_LOB.GETLENGTH(PHOTO) FROM EMP ORDER BY ID"),
              (std::vector<std::vector<std::string>>{{"1", "2"}, {"2", "0"}, {"3", "0"}}))
        << "the locator's row only";
    lite_OCIDescriptorFree(lob, OCI_DTYPE_LOB);
}

TEST_F(OciStmt, ALobOfATableNamedInLowerCaseIsWrittenBackToIt) {
    conn_.must_run({"CREATE TABLE \"docs\" (\"id\" NUMBER, \"Body\" BLOB)",
                    "CREATE TABLE DOCS (ID NUMBER, BODY BLOB)",
                    "INSERT INTO \"docs\" VALUES (1, EMPTY_BLOB())",
                    "INSERT INTO DOCS VALUES (1, EMPTY_BLOB())"});
    OCIStmt* sel = conn_.new_stmt("SELECT \"Body\" FROM \"docs\" WHERE \"id\" = 1 FOR UPDATE");
    void* lob = nullptr;
    ASSERT_EQ(lite_OCIDescriptorAlloc(conn_.env, &lob, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(sel, &def, conn_.err, 1, &lob, 0, SQLT_BLOB, nullptr, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(exec(sel, 1), OCI_SUCCESS) << conn_.error_text();
    unsigned char bytes[3] = {1, 2, 3};
    ub4 amount = 3;
    EXPECT_EQ(lite_OCILobWrite(conn_.svc, conn_.err, static_cast<OCILobLocator*>(lob), &amount, 1,
                               bytes, 3, OCI_ONE_PIECE, nullptr, nullptr, 0, 0),
              OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ(conn_.rows("SELECT DBMS_LOB.GETLENGTH(\"Body\") FROM \"docs\""),
              (std::vector<std::vector<std::string>>{{"3"}}));
    EXPECT_EQ(conn_.rows("SELECT DBMS_LOB.GETLENGTH(BODY) FROM DOCS"),
              (std::vector<std::vector<std::string>>{{"0"}}))
        << "its upper-case twin is another table";
    lite_OCIDescriptorFree(lob, OCI_DTYPE_LOB);
}

}  // namespace
