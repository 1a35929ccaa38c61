// The reader refills one record row after row and stores integers and decimals straight from the
// fetched text, one way whatever the trace level: the values, of their types, row after row,
// NULLs between values included, are the same with the trace on, and the trace shows each text.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "ORA/ora_database.h"
#include "ORA/ora_table.h"
#include "TK/tk_logger.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"

namespace {

const std::vector<std::string> k_schema = {
    "CREATE TABLE mix (id NUMBER(3), i2 NUMBER(2), i4 NUMBER(4), i9 NUMBER(9), i18 NUMBER(18), "
    "d NUMBER(12,2), w NUMBER(30,5), t VARCHAR2(40), dt DATE)",
    "INSERT INTO mix VALUES (1, -99, 9999, 123456789, 999999999999999999, 1.25, "
    "-1234567890123456789012345.12345, 'a rather longer text than the next', "
    "DATE '2024-03-01')",
    "INSERT INTO mix VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
    "INSERT INTO mix VALUES (3, 0, -9999, -123456789, -999999999999999999, -0.05, 0, 'short', "
    "TO_DATE('2024-03-01 12:34:56', 'YYYY-MM-DD HH24:MI:SS'))",
    "INSERT INTO mix VALUES (4, 7, 1, 0, 0, 0, 0.00001, '', NULL)",
    "INSERT INTO mix VALUES (5, 1, 2, 3, 4, 9999999999.99, 99999999999999999999999.99999, "
    "'caf\xc3\xa9 O''Neil', DATE '1999-12-31')",
};

class OraReadPaths : public ora_suite_test<OraReadPaths> {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("T", "t");
        s_inst->run("T", "t", k_schema);
    }

    void SetUp() override {
        connect(*s_inst, L"T", L"t");
        m_db->get_tables();
    }

    // Every row as the type and text of each value.
    std::vector<std::vector<std::wstring>> read_typed() {
        auto table = m_db->get_table(L"MIX", 1);
        std::vector<std::vector<std::wstring>> rows;
        table->reset();
        while (!table->is_eof()) {
            udb_record* record = table->get_item();
            std::vector<std::wstring> row;
            for (const auto& field : *record)
                row.push_back(std::to_wstring(field->vt()) + L":" + field->to_wstring());
            rows.push_back(row);
            table->next();
        }
        return rows;
    }
};

}  // namespace

TEST_F(OraReadPaths, OneWayTracedOrNot) {
    const auto direct = read_typed();
    ASSERT_EQ(direct.size(), 5u);
    const std::string log =
        ::testing::TempDir() + "ora_read_paths_" + std::to_string(::getpid()) + ".log";
    std::vector<std::vector<std::wstring>> traced;
    {
        tk_logger logger(log.c_str(), true, 1, false);
        traced = read_typed();
    }
    std::ifstream in(log, std::ios::binary);
    std::stringstream trace;
    trace << in.rdbuf();
    std::remove(log.c_str());
    EXPECT_EQ(direct, traced);
    const std::vector<std::vector<std::wstring>> expected = {
        {L"2:1", L"16:-99", L"2:9999", L"3:123456789", L"20:999999999999999999", L"14:1.25",
         L"8:-1234567890123456789012345.12345", L"8:a rather longer text than the next",
         L"7:2024-03-01"},
        {L"2:2", L"0:", L"0:", L"0:", L"0:", L"0:", L"0:", L"0:", L"0:"},
        {L"2:3", L"16:0", L"2:-9999", L"3:-123456789", L"20:-999999999999999999", L"14:-0.05",
         L"14:0", L"8:short", L"7:2024-03-01 12:34:56"},
        {L"2:4", L"16:7", L"2:1", L"3:0", L"20:0", L"14:0", L"14:0.00001", L"0:", L"0:"},
        {L"2:5", L"16:1", L"2:2", L"3:3", L"20:4", L"14:9999999999.99",
         L"14:99999999999999999999999.99999", L"8:caf\u00e9 O'Neil", L"7:1999-12-31"}};
    EXPECT_EQ(direct, expected);
    for (const char* line :
         {"ora_number::to_variant(buf=-1234567890123456789012345.12345)",
          "ora_number::to_variant(buf=999999999999999999)", "ora_number::to_variant(buf=-.05)"})
        EXPECT_NE(trace.str().find(line), std::string::npos) << line;
    // The NULL row between values is empty, and the values after it are whole: a text after a
    // NULL reuses the storage of the text before it, shorter or longer.
    for (std::size_t i = 1; i < direct[1].size(); ++i) EXPECT_EQ(direct[1][i], L"0:") << i;
    EXPECT_EQ(direct[2][7], L"8:short");
    EXPECT_EQ(direct[3][7], L"0:");
    EXPECT_EQ(direct[4][7], L"8:caf\u00e9 O'Neil");
    EXPECT_EQ(direct[2][5], L"14:-0.05");
}
