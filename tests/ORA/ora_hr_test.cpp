// The human-resources sample schema, loaded from its own scripts into an embedded instance and
// read back through the Oracle side in both catalogue modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ORA/ora_database.h"
#include "ORA/ora_date_processor.h"
#include "ORA/ora_engine.h"
#include "UDB/udb_recordset.h"
#include "ora_test_support.h"

namespace {

const std::string k_hr_dir = std::string(TW_SHARED_DIR) + "/oracle-samples/human_resources";
const std::vector<std::wstring> k_tables = {L"COUNTRIES",   L"DEPARTMENTS", L"EMPLOYEES", L"JOBS",
                                            L"JOB_HISTORY", L"LOCATIONS",   L"REGIONS"};

class OraHr : public ora_suite_test<OraHr> {
protected:
    static void SetUpTestSuite() {
        if (!std::filesystem::exists(k_hr_dir + "/hr_create.sql")) return;
        s_inst = std::make_unique<ora_test_instance>(
            "Oracle Database 11g Enterprise Edition Release 11.2.0.1.0 - 64bit Production");
        s_inst->add_user("HR", "hr");
        s_inst->add_user("SCOTT", "tiger");
        s_inst->run_script("HR", "hr", k_hr_dir + "/hr_create.sql");
        s_inst->run_script("HR", "hr", k_hr_dir + "/hr_populate.sql");
        // SCOTT reads the one table HR lets it read.
        s_inst->run("HR", "hr", {"GRANT SELECT ON regions TO scott"});
    }
    void SetUp() override {
        if (!s_inst)
            GTEST_SKIP() << "sample schema not found in " << k_hr_dir
                         << " (the shared folder beside the checkout)";
        connect(*s_inst, L"HR", L"hr");
    }
};

TEST_F(OraHr, VersionAndTableLists) {
    EXPECT_EQ(m_engine->get_version(), 0x0B0200u);
    auto tables = m_db->get_tables();
    std::sort(tables.begin(), tables.end());
    EXPECT_EQ(tables, k_tables);

    m_engine->b_owned_by_user = false;
    auto all = m_db->get_tables();
    for (const std::wstring& t : k_tables)
        EXPECT_NE(std::find(all.begin(), all.end(), L"HR." + t), all.end());
    EXPECT_TRUE(m_db->is_table_exist(L"EMPLOYEES"));
    EXPECT_TRUE(m_db->is_table_exist(L"HR.EMPLOYEES"));
    EXPECT_TRUE(m_db->is_table_exist(L"\"HR\".\"EMPLOYEES\""));

    ASSERT_EQ(m_db->get_views().size(), 1u);
    EXPECT_EQ(m_db->get_views()[0].first, L"EMP_DETAILS_VIEW");
    EXPECT_EQ(m_db->get_views()[0].second.find(L"WITH READ ONLY"), std::wstring::npos);
}

TEST_F(OraHr, EmployeesSchema) {
    m_db->get_tables();
    auto t = m_db->get_table(L"EMPLOYEES", 1);
    const udb_schema& s = t->get_schema();
    ASSERT_EQ(s.size(), 11u);
    EXPECT_EQ(s[0].name, L"EMPLOYEE_ID");
    EXPECT_EQ(s[0].vartype, VT_I4);
    EXPECT_EQ(s.get_field2(L"FIRST_NAME").vartype, VT_BSTR);
    EXPECT_EQ(s.get_field2(L"FIRST_NAME").size, 20u);
    EXPECT_FALSE(s.get_field2(L"FIRST_NAME").b_not_null);
    EXPECT_TRUE(s.get_field2(L"LAST_NAME").b_not_null);
    EXPECT_TRUE(s.get_field2(L"EMAIL").b_not_null);
    EXPECT_EQ(s.get_field2(L"EMAIL").comment, L"Email id of the employee");
    EXPECT_EQ(s.get_field2(L"HIRE_DATE").vartype, VT_DATE);
    EXPECT_EQ(s.get_field2(L"HIRE_DATE").dw_reserved, 1);
    EXPECT_EQ(s.get_field2(L"SALARY").vartype, VT_DECIMAL);
    EXPECT_EQ(s.get_field2(L"SALARY").dw_reserved, 8 * 256 + 2);
    EXPECT_EQ(s.get_field2(L"COMMISSION_PCT").dw_reserved, 3 * 256 + 2);
    EXPECT_EQ(s.get_field2(L"DEPARTMENT_ID").vartype, VT_I2);
    EXPECT_EQ(t->get_record_count(), 107);

    const udb_indexes& idx = t->get_indexes();
    ASSERT_GE(idx.size(), 1u);
    EXPECT_EQ(idx[0].name, L"EMP_EMP_ID_PK");
    EXPECT_TRUE(idx[0].primary);
    EXPECT_EQ(idx[0].columns, std::vector<std::wstring>{L"EMPLOYEE_ID"});
    EXPECT_EQ(idx.size(), 6u);
    EXPECT_TRUE(idx.get_index(L"EMP_EMAIL_UK").unique);
    EXPECT_EQ(idx.get_index(L"EMP_NAME_IX").columns,
              (std::vector<std::wstring>{L"LAST_NAME", L"FIRST_NAME"}));
    int primaries = 0;
    for (const udb_index& i : idx) primaries += i.primary ? 1 : 0;
    EXPECT_EQ(primaries, 1);

    std::vector<std::wstring> fks;
    for (const udb_relationship& r : m_db->get_relationships()) {
        EXPECT_EQ(r.parent_table, L"EMPLOYEES");
        EXPECT_EQ(r.ref_key_name, L"EMP_EMP_ID_PK");
        EXPECT_EQ(r.parent_columns, std::vector<std::wstring>{L"EMPLOYEE_ID"});
        fks.push_back(r.name);
    }
    std::sort(fks.begin(), fks.end());
    EXPECT_EQ(fks, (std::vector<std::wstring>{L"DEPT_MGR_FK", L"EMP_MANAGER_FK", L"JHIST_EMP_FK"}));
}

TEST_F(OraHr, JobHistoryKeyHasBothColumns) {
    m_db->get_tables();
    auto t = m_db->get_table(L"JOB_HISTORY", 1);
    ASSERT_GE(t->get_indexes().size(), 1u);
    const udb_index& pk = t->get_indexes()[0];
    EXPECT_TRUE(pk.primary);
    EXPECT_EQ(pk.columns.size(), 2u);
}

TEST_F(OraHr, EveryTableReadsBackExactly) {
    ora_date_processor dates;
    for (bool owned : {true, false}) {
        m_engine->b_owned_by_user = owned;
        m_db->get_relationships().clear();
        m_db->get_tables();
        for (const std::wstring& name : k_tables) {
            std::wstring open_name = owned ? name : L"HR." + name;
            SCOPED_TRACE(std::string(open_name.begin(), open_name.end()));
            auto t = m_db->get_table(open_name, 1);
            EXPECT_FALSE(t->get_indexes().empty());
            ora_expect_same_rows(*s_inst, "HR", "hr",
                                 "SELECT * FROM " + std::string(name.begin(), name.end()), *t);
        }
    }
}

TEST_F(OraHr, OtherUserSeesTablesOnlyInAllSchemasMode) {
    auto db = m_engine->open_db(s_inst->wdir(), L"SCOTT", L"tiger");
    EXPECT_TRUE(db->get_tables().empty());
    m_engine->b_owned_by_user = false;
    auto& all = db->get_tables();
    EXPECT_NE(std::find(all.begin(), all.end(), L"HR.REGIONS"), all.end());
    EXPECT_EQ(std::find(all.begin(), all.end(), L"HR.EMPLOYEES"), all.end());
    auto t = db->get_table(L"HR.REGIONS", 1);
    EXPECT_EQ(t->get_record_count(), 5);
    EXPECT_EQ(ora_read_all(*t).size(), 5u);
}

}  // namespace
