// The type zoo: every Oracle column type the reader distinguishes, described, defined and fetched
// the way the Oracle side does it.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>

#include "client/oci_lite.h"
#include "platform/oci/oci.h"
#include "platform/oci/oci_test_helpers.h"

namespace {

struct described {
    ub2 type = 0;
    ub2 size = 0;
    sb2 precision = 0;
    sb1 scale = 0;
    ub1 is_null = 0;
    ub1 form = 0;
    std::string name;
};

class TypeZoo : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        instance_ = std::make_unique<scratch_instance>("ZOO", "zoo");
        oci_conn c;
        ASSERT_EQ(c.logon(instance_->dir(), "ZOO", "zoo"), OCI_SUCCESS) << c.error_text();
        for (const auto& sql :
             read_script(TW_SOURCE_DIR "/tests/platform/oralite/data/type_zoo.sql")) {
            if (sql == "COMMIT") continue;
            ASSERT_EQ(c.run(sql), OCI_SUCCESS) << sql << "\n" << c.error_text();
        }
        // Zoned timestamps and intervals, kept out of the shared script.
        c.must_run(
            {"INSERT INTO ZOO_TIME (ID, TSTZ, TSLTZ, IYM, IDS) VALUES (4, TIMESTAMP "
             "'2020-06-30 10:11:12.5 +02:00', TIMESTAMP '2020-06-30 10:11:12', '+01-02', "
             "'+03 04:05:06.500000')",
             // A row id, a universal row id and an XML document that are not NULL.
             "INSERT INTO ZOO_MISC (ID, X) VALUES (2, '<zoo kind=\"misc\">Ω</zoo>')",
             "UPDATE ZOO_MISC SET RID = (SELECT ROWID FROM ZOO_MISC WHERE ID = 1), URID = "
             "(SELECT ROWID FROM ZOO_MISC WHERE ID = 2) WHERE ID = 2"});
    }
    static void TearDownTestSuite() { instance_.reset(); }

    void SetUp() override {
        ASSERT_EQ(conn_.logon(instance_->dir(), "ZOO", "zoo"), OCI_SUCCESS) << conn_.error_text();
    }

    // Executes a query with iters 0 and reads the describe of every select-list item.
    std::vector<described> describe(const std::string& sql, OCIStmt** out = nullptr) {
        OCIStmt* st = conn_.new_stmt(sql);
        EXPECT_EQ(
            lite_OCIStmtExecute(conn_.svc, st, conn_.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS)
            << conn_.error_text();
        ub4 count = 0;
        EXPECT_EQ(
            lite_OCIAttrGet(st, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, conn_.err),
            OCI_SUCCESS);
        std::vector<described> cols;
        for (ub4 i = 1; i <= count; ++i) {
            void* p = nullptr;
            EXPECT_EQ(lite_OCIParamGet(st, OCI_HTYPE_STMT, conn_.err, &p, i), OCI_SUCCESS);
            described d;
            OraText* name = nullptr;
            ub4 name_len = 0;
            lite_OCIAttrGet(p, OCI_DTYPE_PARAM, &d.type, nullptr, OCI_ATTR_DATA_TYPE, conn_.err);
            lite_OCIAttrGet(p, OCI_DTYPE_PARAM, &d.size, nullptr, OCI_ATTR_DATA_SIZE, conn_.err);
            lite_OCIAttrGet(p, OCI_DTYPE_PARAM, &d.precision, nullptr, OCI_ATTR_PRECISION,
                            conn_.err);
            lite_OCIAttrGet(p, OCI_DTYPE_PARAM, &d.scale, nullptr, OCI_ATTR_SCALE, conn_.err);
            lite_OCIAttrGet(p, OCI_DTYPE_PARAM, &d.is_null, nullptr, OCI_ATTR_IS_NULL, conn_.err);
            lite_OCIAttrGet(p, OCI_DTYPE_PARAM, &d.form, nullptr, OCI_ATTR_CHARSET_FORM, conn_.err);
            EXPECT_EQ(
                lite_OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &name_len, OCI_ATTR_NAME, conn_.err),
                OCI_SUCCESS);
            // The name is counted in bytes, two per character.
            std::vector<char16_t> copy(name_len / 2 + 1, 0);
            std::memcpy(copy.data(), name, name_len);
            d.name = from_u16(copy.data(), copy.size() * 2);
            cols.push_back(d);
        }
        if (out != nullptr) *out = st;
        return cols;
    }

    static std::unique_ptr<scratch_instance> instance_;
    oci_conn conn_;
};

std::unique_ptr<scratch_instance> TypeZoo::instance_;

TEST_F(TypeZoo, TextColumnsDescribeWithByteSizesAndForms) {
    const auto cols = describe("SELECT * FROM ZOO_TEXT");
    ASSERT_EQ(cols.size(), 7u);
    EXPECT_EQ(cols[0].name, "ID");
    EXPECT_EQ(cols[0].is_null, 0) << "NOT NULL column";
    EXPECT_EQ(cols[1].name, "V");
    EXPECT_EQ(cols[1].type, SQLT_CHR);
    EXPECT_EQ(cols[1].size, 20);
    EXPECT_EQ(cols[1].is_null, 1);
    EXPECT_EQ(cols[1].form, SQLCS_IMPLICIT);
    EXPECT_EQ(cols[2].type, SQLT_CHR);
    EXPECT_GE(cols[2].size, 10) << "10 characters need at least 10 bytes";
    EXPECT_EQ(cols[3].type, SQLT_AFC);
    EXPECT_EQ(cols[3].size, 5);
    EXPECT_EQ(cols[4].type, SQLT_CHR);
    EXPECT_EQ(cols[4].size, 40) << "NVARCHAR2 reports two bytes per character";
    EXPECT_EQ(cols[4].form, SQLCS_NCHAR);
    EXPECT_EQ(cols[5].type, SQLT_AFC);
    EXPECT_EQ(cols[5].size, 8);
    EXPECT_EQ(cols[5].form, SQLCS_NCHAR);
    EXPECT_EQ(cols[6].type, SQLT_LNG);
}

TEST_F(TypeZoo, NumbersDescribeWithPrecisionAndScale) {
    const auto c = describe("SELECT * FROM ZOO_NUM");
    ASSERT_EQ(c.size(), 14u);
    struct expect {
        const char* name;
        ub2 type;
        sb2 precision;
        sb1 scale;
    };
    const expect e[] = {
        {"ID", SQLT_NUM, 4, 0},     {"N", SQLT_NUM, 0, -127},    {"N2", SQLT_NUM, 2, 0},
        {"N3", SQLT_NUM, 3, 0},     {"N10", SQLT_NUM, 10, 0},    {"N19", SQLT_NUM, 19, 0},
        {"N25", SQLT_NUM, 25, 0},   {"D102", SQLT_NUM, 10, 2},   {"D55", SQLT_NUM, 5, 5},
        {"NNEG", SQLT_NUM, 5, -2},  {"F", SQLT_NUM, 126, -127},  {"F10", SQLT_NUM, 10, -127},
        {"BF", SQLT_IBFLOAT, 0, 0}, {"BD", SQLT_IBDOUBLE, 0, 0},
    };
    for (size_t i = 0; i < c.size(); ++i) {
        SCOPED_TRACE(e[i].name);
        EXPECT_EQ(c[i].name, e[i].name);
        EXPECT_EQ(c[i].type, e[i].type);
        if (e[i].type == SQLT_NUM) {
            EXPECT_EQ(c[i].precision, e[i].precision);
            EXPECT_EQ(c[i].scale, e[i].scale);
            EXPECT_EQ(c[i].size, 22);
        }
    }
}

TEST_F(TypeZoo, OtherTypesDescribeWithTheirClientCodes) {
    auto t = describe("SELECT * FROM ZOO_TIME");
    ASSERT_EQ(t.size(), 8u);
    EXPECT_EQ(t[1].type, SQLT_DAT);
    EXPECT_EQ(t[2].type, SQLT_TIMESTAMP);
    EXPECT_EQ(t[3].type, SQLT_TIMESTAMP);
    EXPECT_EQ(t[4].type, SQLT_TIMESTAMP_TZ);
    EXPECT_EQ(t[5].type, SQLT_TIMESTAMP_LTZ);
    EXPECT_EQ(t[6].type, SQLT_INTERVAL_YM);
    EXPECT_EQ(t[7].type, SQLT_INTERVAL_DS);
    auto b = describe("SELECT * FROM ZOO_BIN");
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[1].type, SQLT_BIN);
    EXPECT_EQ(b[1].size, 16);
    EXPECT_EQ(b[2].type, SQLT_LBI);
    auto l = describe("SELECT * FROM ZOO_LOB");
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[1].type, SQLT_CLOB);
    EXPECT_EQ(l[1].form, SQLCS_IMPLICIT);
    EXPECT_EQ(l[2].type, SQLT_CLOB);
    EXPECT_EQ(l[2].form, SQLCS_NCHAR);
    EXPECT_EQ(l[3].type, SQLT_BLOB);
    auto m = describe("SELECT * FROM ZOO_MISC");
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[1].type, SQLT_RDD);
    EXPECT_EQ(m[2].type, SQLT_RDD);
    EXPECT_EQ(m[3].type, SQLT_NTY);
    EXPECT_EQ(m[4].type, SQLT_BFILEE);
}

// Text the way the reader defines it: SQLT_STR into (size + 1) * 2 bytes, UTF-16.
TEST_F(TypeZoo, CurrentTimesDescribeWithTheirClientCodes) {
    auto t = describe("SELECT SYSTIMESTAMP, CURRENT_TIMESTAMP, LOCALTIMESTAMP, SYSDATE FROM DUAL");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[0].type, SQLT_TIMESTAMP_TZ);
    EXPECT_EQ(t[0].scale, 6);
    EXPECT_EQ(t[1].type, SQLT_TIMESTAMP_TZ);
    EXPECT_EQ(t[2].type, SQLT_TIMESTAMP);
    EXPECT_EQ(t[2].scale, 6);
    EXPECT_EQ(t[3].type, SQLT_DAT);
}

TEST_F(TypeZoo, TextFetchesAsUtf16WithNullIndicators) {
    const auto rows = conn_.rows("SELECT V, VC, C, NV, NC, L FROM ZOO_TEXT ORDER BY ID");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"plain", "ten chars!", "abcde", "wide", "nnnn",
                                                 "long text"}));
    for (const auto& v : rows[1]) EXPECT_EQ(v, "<NULL>") << "NULL stays NULL";
    for (const auto& v : rows[2]) EXPECT_EQ(v, "<NULL>") << "an empty string is NULL";
    EXPECT_EQ(rows[3], (std::vector<std::string>{"Grüße €", "żółć日本", "é€", "Ωμέγα", "ßßßß",
                                                 "Ünïcödé 😀"}));
    EXPECT_EQ(rows[4][0], "00123") << "text that looks like a number keeps its zeros";
    EXPECT_EQ(rows[4][1], "  x  ");
}

TEST_F(TypeZoo, NumbersFetchAsOracleText) {
    const auto rows = conn_.rows(
        "SELECT N, N2, N3, N10, N19, N25, D102, D55, NNEG, F, F10 FROM ZOO_NUM ORDER BY ID");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "99", "999", "9999999999",
                                                 "9999999999999999999", "1234567890123456789012345",
                                                 "12345678.91", ".12345", "1200", "1.5", "2.25"}));
    EXPECT_EQ(rows[1],
              (std::vector<std::string>{"100000000000000000000", "-99", "-999", "-9999999999",
                                        "-9999999999999999999", "-1234567890123456789012345",
                                        "-12345678.91", "-.99999", "-9900", "-.5", "0"}));
    EXPECT_EQ(rows[2][0], ".5");
    EXPECT_EQ(rows[2][1], "<NULL>");
    EXPECT_EQ(rows[3][0], "-.5");
}

TEST_F(TypeZoo, NumbersConvertIntoIntegerAndFloatingDefines) {
    OCIStmt* st = conn_.new_stmt("SELECT N10, D102, BD, N19 FROM ZOO_NUM WHERE ID = 1");
    int64_t n10 = 0;
    double d102 = 0, bd = 0;
    int32_t n19 = 0;
    sb2 ind[4] = {};
    OCIDefine* def[4] = {};
    ASSERT_EQ(lite_OCIDefineByPos(st, &def[0], conn_.err, 1, &n10, 8, SQLT_INT, &ind[0], nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIDefineByPos(st, &def[1], conn_.err, 2, &d102, 8, SQLT_FLT, &ind[1], nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIDefineByPos(st, &def[2], conn_.err, 3, &bd, 8, SQLT_BDOUBLE, &ind[2], nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIDefineByPos(st, &def[3], conn_.err, 4, &n19, 4, SQLT_INT, &ind[3], nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    // 19 nines do not fit in 4 bytes: the fetch fails rather than wrapping around.
    EXPECT_EQ(lite_OCIStmtExecute(conn_.svc, st, conn_.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 1455);
    EXPECT_EQ(n10, 9999999999LL);
    EXPECT_DOUBLE_EQ(d102, 12345678.91);
    EXPECT_DOUBLE_EQ(bd, 2.5);
}

TEST_F(TypeZoo, DatesAndTimestampsArriveThroughDescriptors) {
    OCIStmt* st = conn_.new_stmt("SELECT D, TS, TS3 FROM ZOO_TIME WHERE ID <= 3 ORDER BY ID");
    void* desc[3] = {};
    sb2 ind[3] = {};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(lite_OCIDescriptorAlloc(conn_.env, &desc[i], OCI_DTYPE_TIMESTAMP, 0, nullptr),
                  OCI_SUCCESS);
        OCIDefine* def = nullptr;
        ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, i + 1, &desc[i], 4, SQLT_TIMESTAMP,
                                      &ind[i], nullptr, nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
    }
    struct parts {
        int y, mo, d, h, mi, s;
        ub4 ns;
    };
    auto read = [&](int i) {
        parts p{};
        sb2 y;
        ub1 mo, d, h, mi, s;
        ub4 ns;
        EXPECT_EQ(lite_OCIDateTimeGetDate(conn_.env, conn_.err, static_cast<OCIDateTime*>(desc[i]),
                                          &y, &mo, &d),
                  OCI_SUCCESS);
        EXPECT_EQ(lite_OCIDateTimeGetTime(conn_.env, conn_.err, static_cast<OCIDateTime*>(desc[i]),
                                          &h, &mi, &s, &ns),
                  OCI_SUCCESS);
        p = {y, mo, d, h, mi, s, ns};
        return p;
    };
    // iters 1 fills the first row at once.
    ASSERT_EQ(lite_OCIStmtExecute(conn_.svc, st, conn_.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << conn_.error_text();
    parts p = read(0);
    EXPECT_EQ((std::vector<int>{p.y, p.mo, p.d, p.h, p.mi, p.s}),
              (std::vector<int>{2024, 2, 29, 13, 45, 59}));
    EXPECT_EQ(p.ns, 0u);
    p = read(1);
    EXPECT_EQ(p.s, 59);
    // TS is a TIMESTAMP(6): the nine digits written keep six, rounded.
    EXPECT_EQ(p.ns, 123457000u) << "fraction in nanoseconds";
    p = read(2);
    EXPECT_EQ((std::vector<int>{p.y, p.mo, p.d, p.h, p.mi, p.s}),
              (std::vector<int>{1999, 12, 31, 23, 59, 59}));
    EXPECT_EQ(p.ns, 999000000u);

    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    p = read(0);
    EXPECT_EQ((std::vector<int>{p.y, p.mo, p.d}), (std::vector<int>{1, 1, 1})) << "year 0001";
    p = read(1);
    EXPECT_EQ(p.y, 1);
    EXPECT_EQ(p.ns, 1000u);
    p = read(2);
    EXPECT_EQ(p.y, 9999);
    EXPECT_EQ(p.ns, 500000000u);

    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(ind[0], -1);
    EXPECT_EQ(ind[1], -1);
    sb2 y;
    ub1 mo, d;
    EXPECT_EQ(lite_OCIDateTimeGetDate(conn_.env, conn_.err, static_cast<OCIDateTime*>(desc[0]), &y,
                                      &mo, &d),
              OCI_ERROR)
        << "a NULL leaves no date to read";
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
    for (void* p2 : desc) EXPECT_EQ(lite_OCIDescriptorFree(p2, OCI_DTYPE_TIMESTAMP), OCI_SUCCESS);
}

TEST_F(TypeZoo, ZonedTimestampsAndIntervals) {
    OCIStmt* st = conn_.new_stmt("SELECT TSTZ, TSLTZ, IYM, IDS FROM ZOO_TIME WHERE ID = 4");
    void* desc[2] = {};
    char16_t text[2][33];
    sb2 ind[4] = {};
    OCIDefine* def = nullptr;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(lite_OCIDescriptorAlloc(conn_.env, &desc[i],
                                          i == 0 ? OCI_DTYPE_TIMESTAMP_TZ : OCI_DTYPE_TIMESTAMP_LTZ,
                                          0, nullptr),
                  OCI_SUCCESS);
        ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, i + 1, &desc[i], 4, SQLT_TIMESTAMP,
                                      &ind[i], nullptr, nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
        // Intervals are read as text.
        ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, i + 3, text[i], sizeof text[i], SQLT_STR,
                                      &ind[i + 2], nullptr, nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
    }
    ASSERT_EQ(lite_OCIStmtExecute(conn_.svc, st, conn_.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << conn_.error_text();
    ub1 h = 0, mi = 0, s = 0;
    ub4 ns = 0;
    ASSERT_EQ(lite_OCIDateTimeGetTime(conn_.env, conn_.err, static_cast<OCIDateTime*>(desc[0]), &h,
                                      &mi, &s, &ns),
              OCI_SUCCESS);
    EXPECT_EQ((std::vector<int>{h, mi, s}), (std::vector<int>{10, 11, 12})) << "local time kept";
    EXPECT_EQ(ns, 500000000u);
    ASSERT_EQ(lite_OCIDateTimeGetTime(conn_.env, conn_.err, static_cast<OCIDateTime*>(desc[1]), &h,
                                      &mi, &s, &ns),
              OCI_SUCCESS);
    EXPECT_EQ(h, 10);
    EXPECT_EQ(from_u16(text[0], sizeof text[0]), "+01-02");
    EXPECT_EQ(from_u16(text[1], sizeof text[1]), "+03 04:05:06.500000");
    EXPECT_EQ(lite_OCIDescriptorFree(desc[0], OCI_DTYPE_TIMESTAMP), OCI_INVALID_HANDLE)
        << "freed as the kind it was made";
    EXPECT_EQ(lite_OCIDescriptorFree(desc[0], OCI_DTYPE_TIMESTAMP_TZ), OCI_SUCCESS);
    EXPECT_EQ(lite_OCIDescriptorFree(desc[1], OCI_DTYPE_TIMESTAMP_LTZ), OCI_SUCCESS);
}

TEST_F(TypeZoo, DateIntoTheSevenByteClientDate) {
    OCIStmt* st = conn_.new_stmt("SELECT D FROM ZOO_TIME WHERE ID = 1");
    OCIDate date{};
    sb2 ind = 0;
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, &date, sizeof date, SQLT_ODT, &ind,
                                  nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIStmtExecute(conn_.svc, st, conn_.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    EXPECT_EQ(date.OCIDateYYYY, 2024);
    EXPECT_EQ(date.OCIDateMM, 2);
    EXPECT_EQ(date.OCIDateDD, 29);
    EXPECT_EQ(date.OCIDateTime.OCITimeHH, 13);
    EXPECT_EQ(date.OCIDateTime.OCITimeSS, 59);
}

TEST_F(TypeZoo, RawReturnsItsOwnLengthAndLongRawItsHexText) {
    OCIStmt* st = conn_.new_stmt("SELECT R, LR FROM ZOO_BIN ORDER BY ID");
    unsigned char raw[16];
    std::vector<unsigned char> hex(2 * 1000 * 2 + 2);
    sb2 ind[2] = {};
    ub2 len[2] = {};
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, raw, sizeof raw, SQLT_BIN, &ind[0],
                                  &len[0], nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 2, hex.data(), static_cast<sb4>(hex.size()),
                                  SQLT_STR, &ind[1], &len[1], nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIStmtExecute(conn_.svc, st, conn_.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(ind[0], 0);
    ASSERT_EQ(len[0], 3) << "a RAW(16) holding 3 bytes returns 3";
    EXPECT_EQ(std::vector<unsigned char>(raw, raw + 3), (std::vector<unsigned char>{10, 11, 12}));
    EXPECT_EQ(from_u16(hex.data(), hex.size()), "DEADBEEF");
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(ind[0], -1);
    EXPECT_EQ(ind[1], -1);
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(len[0], 16);
    EXPECT_EQ(raw[0], 0x00);
    EXPECT_EQ(raw[15], 0xFF);
    EXPECT_EQ(from_u16(hex.data(), hex.size()), "00");
}

// Reads a LOB in 32768-byte chunks from offset 1 until a read returns 0.
std::string read_lob(oci_conn& c, void* lob, int* reads) {
    std::string out;
    std::vector<char> chunk(32768 + 1);
    ub4 offset = 1;
    *reads = 0;
    for (;;) {
        ub4 amount = 0;
        EXPECT_EQ(lite_OCILobRead(c.svc, c.err, static_cast<OCILobLocator*>(lob), &amount, offset,
                                  chunk.data(), 32768, nullptr, nullptr, 0, SQLCS_IMPLICIT),
                  OCI_SUCCESS);
        ++*reads;
        if (amount == 0 || *reads > 100) break;
        out.append(chunk.data(), amount);
        offset += amount;
    }
    return out;
}

TEST_F(TypeZoo, LobsReadInChunksThatConcatenate) {
    // A 100 KB row, written through binds: multi-byte text so chunks split characters.
    std::string big_text;
    while (big_text.size() < 100 * 1024) big_text += "Ωμέγα-" + std::to_string(big_text.size());
    std::vector<unsigned char> big_bin(100 * 1024);
    for (size_t i = 0; i < big_bin.size(); ++i) big_bin[i] = static_cast<unsigned char>(i * 7);
    {
        OCIStmt* ins = conn_.new_stmt("INSERT INTO ZOO_LOB (ID, C, NC, B) VALUES (4, :1, :2, :3)");
        const std::u16string wide = u16(big_text);
        OCIBind* b = nullptr;
        ASSERT_EQ(lite_OCIBindByPos(ins, &b, conn_.err, 1, const_cast<char16_t*>(wide.data()),
                                    static_cast<sb4>(wide.size() * 2), SQLT_LNG, nullptr, nullptr,
                                    nullptr, 0, nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
        ASSERT_EQ(lite_OCIBindByPos(ins, &b, conn_.err, 2, const_cast<char16_t*>(wide.data()),
                                    static_cast<sb4>(wide.size() * 2), SQLT_LNG, nullptr, nullptr,
                                    nullptr, 0, nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
        ASSERT_EQ(lite_OCIBindByPos(ins, &b, conn_.err, 3, big_bin.data(),
                                    static_cast<sb4>(big_bin.size()), SQLT_LBI, nullptr, nullptr,
                                    nullptr, 0, nullptr, OCI_DEFAULT),
                  OCI_SUCCESS);
        ASSERT_EQ(lite_OCIStmtExecute(conn_.svc, ins, conn_.err, 1, 0, nullptr, nullptr,
                                      OCI_COMMIT_ON_SUCCESS),
                  OCI_SUCCESS)
            << conn_.error_text();
    }
    OCIStmt* st = conn_.new_stmt("SELECT C, NC, B FROM ZOO_LOB ORDER BY ID");
    void* lob[3] = {};
    sb2 ind[3] = {};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(lite_OCIDescriptorAlloc(conn_.env, &lob[i], OCI_DTYPE_LOB, 0, nullptr),
                  OCI_SUCCESS);
        OCIDefine* def = nullptr;
        ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, i + 1, &lob[i], -1,
                                      i < 2 ? SQLT_CLOB : SQLT_BLOB, &ind[i], nullptr, nullptr,
                                      OCI_DEFAULT),
                  OCI_SUCCESS);
    }
    ASSERT_EQ(lite_OCIStmtExecute(conn_.svc, st, conn_.err, 0, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ub1 form = 0;
    int reads = 0;

    // Row 1: empty LOBs are values of no bytes, not NULL.
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ind[i], 0) << i;
        EXPECT_EQ(read_lob(conn_, lob[i], &reads), "");
        EXPECT_EQ(reads, 1);
    }
    ASSERT_EQ(
        lite_OCILobCharSetForm(conn_.env, conn_.err, static_cast<OCILobLocator*>(lob[0]), &form),
        OCI_SUCCESS);
    EXPECT_EQ(form, SQLCS_IMPLICIT);
    ASSERT_EQ(
        lite_OCILobCharSetForm(conn_.env, conn_.err, static_cast<OCILobLocator*>(lob[1]), &form),
        OCI_SUCCESS);
    EXPECT_EQ(form, SQLCS_NCHAR);

    // Row 2: three bytes each.
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(read_lob(conn_, lob[0], &reads), "abc");
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(read_lob(conn_, lob[1], &reads), "xyz");
    EXPECT_EQ(read_lob(conn_, lob[2], &reads), std::string("\x01\x02\x03", 3));

    // Row 3: NULL.
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ind[i], -1);

    // Row 4: 100 KB in four chunks, as UTF-8 bytes with byte offsets.
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS);
    EXPECT_EQ(read_lob(conn_, lob[0], &reads), big_text);
    EXPECT_EQ(reads, static_cast<int>((big_text.size() + 32767) / 32768) + 1);
    EXPECT_EQ(read_lob(conn_, lob[1], &reads), big_text);
    const std::string bin = read_lob(conn_, lob[2], &reads);
    EXPECT_EQ(bin, std::string(big_bin.begin(), big_bin.end()));
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
    for (void* p : lob) EXPECT_EQ(lite_OCIDescriptorFree(p, OCI_DTYPE_LOB), OCI_SUCCESS);
}

TEST_F(TypeZoo, FewerDefinesThanColumnsLeaveTheRestAlone) {
    // The reader leaves BINARY_FLOAT, BINARY_DOUBLE, BFILE and named types undefined.
    OCIStmt* st = conn_.new_stmt("SELECT ID, RID, URID, X, BF FROM ZOO_MISC WHERE ID = 1");
    char16_t id[8] = {};
    sb2 ind = 0;
    OCIDefine* def = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, id, sizeof id, SQLT_STR, &ind, nullptr,
                                  nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIStmtExecute(conn_.svc, st, conn_.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ(from_u16(id, sizeof id), "1");
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
}

TEST_F(TypeZoo, RowIdsAndNamedTypesReadAsText) {
    // As the reader reads them: SQLT_STR into 255 characters for row ids and a million for
    // named types, the define told to deliver UTF-16.
    const auto rowid = conn_.rows("SELECT ROWID FROM ZOO_MISC WHERE ID = 1");
    ASSERT_EQ(rowid.size(), 1u);
    ASSERT_FALSE(rowid[0][0].empty());
    OCIStmt* st = conn_.new_stmt("SELECT RID, URID, X FROM ZOO_MISC ORDER BY ID");
    std::vector<unsigned char> rid(255 * 2), urid(255 * 2), xml(1000000 * 2);
    unsigned char* bufs[] = {rid.data(), urid.data(), xml.data()};
    const size_t sizes[] = {rid.size(), urid.size(), xml.size()};
    sb2 ind[3] = {};
    for (int i = 0; i < 3; ++i) {
        OCIDefine* def = nullptr;
        ASSERT_EQ(
            lite_OCIDefineByPos(st, &def, conn_.err, i + 1, bufs[i], static_cast<sb4>(sizes[i]),
                                SQLT_STR, &ind[i], nullptr, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
        ub2 utf16 = OCI_UTF16ID;
        ASSERT_EQ(lite_OCIAttrSet(def, OCI_HTYPE_DEFINE, &utf16, 0, OCI_ATTR_CHARSET_ID, conn_.err),
                  OCI_SUCCESS);
    }
    ASSERT_EQ(lite_OCIStmtExecute(conn_.svc, st, conn_.err, 1, 0, nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ((std::vector<int>{ind[0], ind[1], ind[2]}), (std::vector<int>{-1, -1, -1}));
    ASSERT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS)
        << conn_.error_text();
    EXPECT_EQ(from_u16(rid.data(), rid.size()), rowid[0][0]);
    EXPECT_FALSE(from_u16(urid.data(), urid.size()).empty());
    EXPECT_NE(from_u16(urid.data(), urid.size()), rowid[0][0]);
    EXPECT_EQ(from_u16(xml.data(), xml.size()), "<zoo kind=\"misc\">Ω</zoo>");
    EXPECT_EQ(lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
}

TEST_F(TypeZoo, DictionaryTypeTextsAsTheReaderLooksThemUp) {
    // The reader keeps or skips a column by this exact text.
    std::map<std::string, std::string> types;
    for (const auto& r : conn_.rows("SELECT COLUMN_NAME, DATA_TYPE FROM USER_TAB_COLUMNS WHERE "
                                    "table_name = 'ZOO_TIME'")) {
        types[r[0]] = r[1];
    }
    EXPECT_EQ(types,
              (std::map<std::string, std::string>{{"ID", "NUMBER"},
                                                  {"D", "DATE"},
                                                  {"TS", "TIMESTAMP(6)"},
                                                  {"TS3", "TIMESTAMP(3)"},
                                                  {"TSTZ", "TIMESTAMP(6) WITH TIME ZONE"},
                                                  {"TSLTZ", "TIMESTAMP(6) WITH LOCAL TIME ZONE"},
                                                  {"IYM", "INTERVAL YEAR(2) TO MONTH"},
                                                  {"IDS", "INTERVAL DAY(2) TO SECOND(6)"}}));
    std::vector<std::string> names;
    for (const char* t : {"ZOO_TEXT", "ZOO_NUM", "ZOO_BIN", "ZOO_LOB", "ZOO_MISC"}) {
        for (const auto& r : conn_.rows(std::string("SELECT DATA_TYPE FROM USER_TAB_COLUMNS WHERE "
                                                    "table_name = '") +
                                        t + "'")) {
            names.push_back(r[0]);
        }
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{
                  "NUMBER", "VARCHAR2",     "VARCHAR2",      "CHAR",   "NVARCHAR2", "NCHAR",
                  "LONG",   "NUMBER",       "NUMBER",        "NUMBER", "NUMBER",    "NUMBER",
                  "NUMBER", "NUMBER",       "NUMBER",        "NUMBER", "NUMBER",    "FLOAT",
                  "FLOAT",  "BINARY_FLOAT", "BINARY_DOUBLE", "NUMBER", "RAW",       "LONG RAW",
                  "NUMBER", "CLOB",         "NCLOB",         "BLOB",   "NUMBER",    "ROWID",
                  "UROWID", "XMLTYPE",      "BFILE"}));
}

}  // namespace
