// Defines made for a dynamic fetch: a value of any length handed over in pieces the caller sizes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/oci_lite.h"
#include "platform/oci/oci.h"
#include "platform/oci/oci_test_helpers.h"

namespace {

// Collects each value of a column from pieces of `piece` bytes.
struct collector {
    ub4 piece = 4;
    std::vector<std::string> values;
    std::vector<sb2> indicators;
    std::vector<ub1> asked;
    char buf[64] = {};
    ub4 length = 0;
    sb2 ind = 0;
    ub2 code = 0;
    bool fail = false;

    static sb4 callback(void* self, OCIDefine*, ub4, void** bufp, ub4** alenp, ub1* piecep,
                        void** indp, ub2** rcodep) {
        auto& c = *static_cast<collector*>(self);
        if (c.fail) return OCI_ERROR;
        // The length the previous call handed back belongs to the value being built.
        if (*piecep == OCI_FIRST_PIECE) {
            c.values.emplace_back();
            c.indicators.push_back(0);
        } else {
            c.values.back().append(c.buf, c.length);
        }
        c.asked.push_back(*piecep);
        c.length = c.piece;
        *bufp = c.buf;
        *alenp = &c.length;
        *indp = &c.ind;
        *rcodep = &c.code;
        return OCI_CONTINUE;
    }
    // The last value's last piece, once the fetch is done.
    void close() {
        values.back().append(buf, length);
        indicators.back() = ind;
    }
};

// The bytes of a text in UTF-16.
std::string utf16_bytes(const std::string& utf8) {
    const std::u16string wide = u16(utf8);
    return std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
}

class OciDynamicDefine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(conn_.logon(inst_.dir(), "SCOTT", "tiger"), OCI_SUCCESS) << conn_.error_text();
        conn_.must_run({"CREATE TABLE T (ID NUMBER(3), V VARCHAR2(40))",
                        "INSERT INTO T VALUES (1, 'Carmen-Sylvia')",
                        "INSERT INTO T VALUES (2, NULL)", "INSERT INTO T VALUES (3, '')",
                        "INSERT INTO T VALUES (4, 'abcd')",
                        "INSERT INTO T VALUES (5, '\xE2\x82\xAC!')"});
    }
    sword exec(OCIStmt* st, ub4 iters) {
        return lite_OCIStmtExecute(conn_.svc, st, conn_.err, iters, 0, nullptr, nullptr,
                                   OCI_DEFAULT);
    }

    scratch_instance inst_{"SCOTT", "tiger"};
    oci_conn conn_;
};

TEST_F(OciDynamicDefine, ValuesArriveInPiecesOfTheCallersSize) {
    for (const ub2 charset : {ub2{873}, ub2{OCI_UTF16ID}}) {
        SCOPED_TRACE(charset);
        OCIStmt* st = conn_.new_stmt("SELECT V FROM T ORDER BY ID");
        OCIDefine* def = nullptr;
        ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, nullptr, 0x7FFFFFFF, SQLT_LNG,
                                      nullptr, nullptr, nullptr, OCI_DYNAMIC_FETCH),
                  OCI_SUCCESS)
            << conn_.error_text();
        ub2 cs = charset;
        ASSERT_EQ(lite_OCIAttrSet(def, OCI_HTYPE_DEFINE, &cs, 0, OCI_ATTR_CHARSET_ID, conn_.err),
                  OCI_SUCCESS);
        collector c;
        ASSERT_EQ(lite_OCIDefineDynamic(def, conn_.err, &c, &collector::callback), OCI_SUCCESS);
        ASSERT_EQ(exec(st, 0), OCI_SUCCESS) << conn_.error_text();
        while (lite_OCIStmtFetch(st, conn_.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT) == OCI_SUCCESS)
            c.close();
        ASSERT_EQ(c.values.size(), 5u);
        if (charset == 873) {
            EXPECT_EQ(c.values[0], "Carmen-Sylvia");
            EXPECT_EQ(c.values[4], "\xE2\x82\xAC!");
            // 13 bytes in pieces of four take four calls; a NULL and each short value one.
            EXPECT_EQ(c.asked, (std::vector<ub1>{OCI_FIRST_PIECE, OCI_NEXT_PIECE, OCI_NEXT_PIECE,
                                                 OCI_NEXT_PIECE, OCI_FIRST_PIECE, OCI_FIRST_PIECE,
                                                 OCI_FIRST_PIECE, OCI_FIRST_PIECE}));
        } else {
            EXPECT_EQ(c.values[0], utf16_bytes("Carmen-Sylvia"));
        }
        EXPECT_EQ(c.indicators, (std::vector<sb2>{0, -1, -1, 0, 0}));
        EXPECT_EQ(c.values[1], "");
        EXPECT_EQ(c.values[3], charset == 873 ? std::string("abcd") : utf16_bytes("abcd"));
    }
}

TEST_F(OciDynamicDefine, MisuseIsRefused) {
    OCIStmt* st = conn_.new_stmt("SELECT ID, V FROM T ORDER BY ID");
    OCIDefine* def = nullptr;
    // Only text and bytes are fetched in pieces.
    EXPECT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, nullptr, 8, SQLT_INT, nullptr, nullptr,
                                  nullptr, OCI_DYNAMIC_FETCH),
              OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 3115);
    // A define of its own buffer takes no callback.
    char16_t buf[8];
    ASSERT_EQ(lite_OCIDefineByPos(st, &def, conn_.err, 1, buf, sizeof buf, SQLT_STR, nullptr,
                                  nullptr, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    collector c;
    EXPECT_EQ(lite_OCIDefineDynamic(def, conn_.err, &c, &collector::callback), OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 24343);
    // A callback that refuses fails the fetch.
    OCIDefine* text = nullptr;
    ASSERT_EQ(lite_OCIDefineByPos(st, &text, conn_.err, 2, nullptr, 100, SQLT_CHR, nullptr, nullptr,
                                  nullptr, OCI_DYNAMIC_FETCH),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIDefineDynamic(text, conn_.err, &c, &collector::callback), OCI_SUCCESS);
    c.fail = true;
    EXPECT_EQ(exec(st, 1), OCI_ERROR);
    EXPECT_EQ(conn_.error_code(), 24343);
}

}  // namespace
