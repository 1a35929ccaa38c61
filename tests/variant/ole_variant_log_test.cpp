// The trace lines a value writes are read by support staff: their wording is fixed.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "TK/tk_logger.h"
#include "variant/ole_date.h"
#include "variant/ole_variant.h"

namespace {

class OleVariantLog : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = ::testing::TempDir() + "ole_variant_log_" + std::to_string(::getpid()) + ".log";
    }
    void TearDown() override { std::remove(m_path.c_str()); }

    std::string contents() const {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string m_path;
};

}  // namespace

TEST_F(OleVariantLog, DetailLinesAtTheLowestThreshold) {
    {
        tk_logger logger(m_path.c_str(), true, 1, false);
        ole_variant::from_string("abc", VT_CY);
        ole_variant big(static_cast<long long>(-5));
        ole_variant wide(std::wstring(L"x\u00e9"));
        CY cy;
        cy.int64 = 25000;
        (void)ole_variant(cy).to_long();
        ole_date("1:2");
    }
    std::string log = contents();
    for (const char* line :
         {"ole_variant::from_string('abc', 0x00000006)\r\n", "GOT VT_CY\r\n",
          "VarCyFromStr failed: 80020005\r\n", "ole_variant::ctor(hyper, -5)\r\n",
          "ole_variant::initialize\r\n", "src.vt=0\r\n",
          "ole_variant::ctor from wstring(x\xc3\xa9)\r\n", "from CURRECY: res=2, hr=00000000\r\n",
          "Invalid date/time format: '1:2'\r\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

TEST_F(OleVariantLog, OnlyErrorsAtTheProgramsThreshold) {
    {
        tk_logger logger(m_path.c_str(), true, 3, false);
        ole_variant::from_string("abc", VT_CY);
        ole_variant::from_string("abc", VT_DECIMAL);
        ole_variant::from_string("12", VT_I4);
    }
    EXPECT_EQ(contents(), "VarCyFromStr failed: 80020005\r\n");
}
