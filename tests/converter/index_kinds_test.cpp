// Index kinds and materialized views of the source on the destination: a bitmap index arrives as
// an index, one on an expression or with a DESC key is left out whole and the run says so, and a
// materialized view arrives as the table of its rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "converter/converter_test_support.h"

namespace {

const std::vector<std::string> k_schema = {
    "CREATE TABLE KINDS (ID NUMBER(6) PRIMARY KEY, A NUMBER(6), B VARCHAR2(8))",
    "INSERT INTO KINDS VALUES (1, 1, 'x')",
    "INSERT INTO KINDS VALUES (2, 1, 'y')",
    "INSERT INTO KINDS VALUES (3, 2, 'y')",
    "CREATE BITMAP INDEX KINDS_B ON KINDS (B)",
    "CREATE INDEX KINDS_UB ON KINDS (UPPER(B))",
    "CREATE UNIQUE INDEX KINDS_AB ON KINDS (A, B DESC)",
    "CREATE MATERIALIZED VIEW KINDS_MV REFRESH COMPLETE ON DEMAND AS SELECT B, COUNT(*) AS N, "
    "MAX(ID) AS TOP FROM KINDS GROUP BY B",
};

class index_kinds_test : public conversion_test {
protected:
    static void SetUpTestSuite() {
        s_inst = std::make_unique<ora_test_instance>();
        s_inst->add_user("IK", "ik");
        s_inst->run("IK", "ik", k_schema);
    }
    static void TearDownTestSuite() { s_inst.reset(); }

    std::string keys(const std::string& db, const std::string& table) {
        std::string out;
        EXPECT_EQ(run_client_sql("select group_concat(k order by k separator ' | ') from (select "
                                 "concat(if(index_name='PRIMARY','PRIMARY',if(non_unique=0,"
                                 "'UNIQUE','INDEX')), ':', group_concat(column_name order by "
                                 "seq_in_index)) k from information_schema.statistics where "
                                 "table_schema='" +
                                     db + "' and table_name='" + table +
                                     "' group by index_name, non_unique) x",
                                 out),
                  0)
            << out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};

}  // namespace

TEST_F(index_kinds_test, indexes_the_destination_cannot_rebuild_are_named_and_views_arrive) {
    REQUIRE_TEST_SERVER();
    connect_source(*s_inst, L"IK", L"ik");
    conv->selected_tables = conv->get_all_tables();
    ASSERT_EQ(conv->selected_tables.size(), 2u);
    const std::string live = database("ik_live");
    run_to_server(live);
    std::vector<std::string> told;
    for (const auto& e : handler->errors) told.push_back(e.text);
    std::sort(told.begin(), told.end());
    ASSERT_EQ(told.size(), 2u);
    EXPECT_NE(told[0].find("index 'KINDS_AB' has the key 'SYS_NC00005$'"), std::string::npos)
        << told[0];
    EXPECT_NE(told[1].find("index 'KINDS_UB' has the key 'SYS_NC00004$'"), std::string::npos)
        << told[1];
    EXPECT_EQ(keys(live, "KINDS"), "INDEX:B | PRIMARY:ID");
    for (const char* table : {"KINDS", "KINDS_MV"}) {
        SCOPED_TRACE(table);
        EXPECT_TRUE(expect_same_table(*s_inst, "IK", "ik", table, live, table).empty());
    }
    EXPECT_EQ(server_count(live, "KINDS_MV"), 2);
}
