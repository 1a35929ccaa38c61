// The HR sample schema, loaded unchanged, answers the catalogue statements the Oracle reader
// sends, with the rows its scripts declare.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "lite_test_helpers.h"
#include "script/lite_script.h"

namespace {

class LiteHr : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (lite_hr_dir().empty()) return;
        inst_ = new lite_scratch("HR", "hr");
        auto s = inst_->logon();
        lite_script_runner r(*s, [](const std::string& w) { code_warnings_.push_back(w); });
        std::string dir = lite_hr_dir();
        for (const char* f : {"hr_create.sql", "hr_populate.sql"}) {
            r.run(lite_read_file(dir + "/" + f), f);
            s->commit();
            load_warnings_ += static_cast<int>(code_warnings_.size());
            code_warnings_.clear();
        }
        r.run(lite_read_file(dir + "/hr_code.sql"), "hr_code.sql");
        s->commit();
    }
    static void TearDownTestSuite() {
        delete inst_;
        inst_ = nullptr;
    }
    void SetUp() override {
        if (!inst_) GTEST_SKIP() << "oracle-samples/human_resources not found beside the checkout";
        s_ = inst_->logon();
    }
    static lite_scratch* inst_;
    static std::vector<std::string> code_warnings_;
    static int load_warnings_;
    std::unique_ptr<lite_session> s_;
};

lite_scratch* LiteHr::inst_ = nullptr;
std::vector<std::string> LiteHr::code_warnings_;
int LiteHr::load_warnings_ = 0;

using rows = std::vector<std::vector<std::string>>;

TEST_F(LiteHr, LoadsWithoutWarningsAndCodeOnlyWarns) {
    EXPECT_EQ(load_warnings_, 0);
    // Two procedures and two triggers are stored, the trigger's ALTER is skipped.
    ASSERT_EQ(code_warnings_.size(), 5u);
    EXPECT_NE(code_warnings_[0].find("hr_code.sql:"), std::string::npos);
    EXPECT_NE(code_warnings_[0].find("SECURE_DML"), std::string::npos);
}

TEST_F(LiteHr, TableListOfBothServerGenerations) {
    rows v8 = lite_rows(*s_,
                        "select TABLE_NAME, IOT_TYPE from user_tables where TEMPORARY='N' and "
                        "NESTED='NO' and IOT_TYPE IS NULL OR IOT_TYPE='IOT'");
    ASSERT_EQ(v8.size(), 7u);
    EXPECT_EQ(lite_rows(*s_, "select TABLE_NAME from user_tables").size(), 7u);
    rows all = lite_rows(*s_,
                         "select OWNER, TABLE_NAME, IOT_TYPE from all_tables where "
                         "TEMPORARY='N' and NESTED='NO' and IOT_TYPE IS NULL OR IOT_TYPE='IOT'");
    ASSERT_EQ(all.size(), 7u);
    bool iot = false;
    for (auto& r : all) {
        EXPECT_EQ(r[0], "HR");
        if (r[1] == "COUNTRIES") iot = r[2] == "IOT";
    }
    EXPECT_TRUE(iot);
}

TEST_F(LiteHr, RowCountsAndValues) {
    EXPECT_EQ(lite_cell(*s_, "SELECT COUNT(*) FROM \"EMPLOYEES\""), "107");
    EXPECT_EQ(lite_cell(*s_, "SELECT COUNT(*) FROM \"HR\".\"EMPLOYEES\""), "107");
    EXPECT_EQ(lite_cell(*s_, "SELECT COUNT(*) FROM (select * from job_history)"), "10");
    EXPECT_EQ(lite_cell(*s_, "SELECT COUNT(*) FROM \"COUNTRIES\""), "25");
    EXPECT_EQ(lite_cell(*s_, "SELECT COUNT(*) FROM \"DEPARTMENTS\""), "27");
    EXPECT_EQ(lite_cell(*s_, "select hire_date from employees where employee_id = 100"),
              "2013-06-17 00:00:00");
    EXPECT_EQ(lite_cell(*s_, "select commission_pct from employees where employee_id = 145"), ".4");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from emp_details_view"), "106");
}

TEST_F(LiteHr, OldStyleOuterJoins) {
    EXPECT_EQ(lite_cell(*s_,
                        "select count(*) from employees e, departments d "
                        "where e.department_id = d.department_id(+)"),
              "107");
    rows grant = lite_rows(*s_,
                           "select e.last_name, d.department_name from employees e, "
                           "departments d where e.department_id = d.department_id(+) and "
                           "e.employee_id = 178");
    ASSERT_EQ(grant.size(), 1u);
    EXPECT_EQ(grant[0], (std::vector<std::string>{"Grant", "<null>"}));
    // A condition on the optional table's column joins, it does not filter.
    EXPECT_EQ(lite_cell(*s_,
                        "select count(*) from departments d, employees e where "
                        "d.department_id = e.department_id(+) and e.salary(+) > 20000 and "
                        "d.department_id > 50"),
              "22");
    EXPECT_EQ(lite_fails_with(*s_,
                              "select count(*) from employees e, departments d where "
                              "e.department_id = d.department_id(+) or 1 = 1"),
              1719);
}

TEST_F(LiteHr, ColumnsCommentsAndDefaults) {
    rows cols = lite_rows(*s_,
                          "SELECT COLUMN_NAME, DATA_TYPE FROM USER_TAB_COLUMNS WHERE "
                          "table_name = 'EMPLOYEES'");
    ASSERT_EQ(cols.size(), 11u);
    EXPECT_EQ(cols[0], (std::vector<std::string>{"EMPLOYEE_ID", "NUMBER"}));
    EXPECT_EQ(cols[5], (std::vector<std::string>{"HIRE_DATE", "DATE"}));
    EXPECT_EQ(
        lite_cell(*s_, "SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE table_name = 'EMPLOYEES'"),
        "11");
    EXPECT_EQ(lite_cell(*s_,
                        "SELECT COUNT(*) FROM ALL_TAB_COLUMNS WHERE "
                        "concat(owner,concat('.',table_name)) = 'HR.EMPLOYEES'"),
              "11");
    rows sal = lite_rows(*s_,
                         "select DATA_PRECISION, DATA_SCALE, NULLABLE, DATA_LENGTH from "
                         "user_tab_columns where table_name='EMPLOYEES' and column_name='SALARY'");
    EXPECT_EQ(sal[0], (std::vector<std::string>{"8", "2", "Y", "22"}));
    rows id = lite_rows(*s_,
                        "select DATA_PRECISION, DATA_SCALE, NULLABLE from user_tab_columns "
                        "where table_name='REGIONS' and column_name='REGION_ID'");
    EXPECT_EQ(id[0], (std::vector<std::string>{"<null>", "<null>", "N"}));
    rows c = lite_rows(*s_,
                       "select COLUMN_NAME, COMMENTS from USER_COL_COMMENTS where "
                       "table_name = 'REGIONS'");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0][1], "Primary key of regions table.");
    std::string multi = lite_cell(*s_,
                                  "select COMMENTS from USER_COL_COMMENTS where table_name = "
                                  "'LOCATIONS' and column_name = 'STREET_ADDRESS'");
    EXPECT_NE(multi.find("company.\nContains"), std::string::npos);
    rows d = lite_rows(*s_,
                       "select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from USER_TAB_COLUMNS "
                       "where table_name = 'JOBS'");
    EXPECT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0][1], "<null>");
}

TEST_F(LiteHr, PrimaryKeysAndIndexes) {
    EXPECT_EQ(lite_cell(*s_,
                        "SELECT count(*) FROM user_constraints WHERE table_name='JOB_HISTORY' "
                        "AND constraint_type='P'"),
              "1");
    rows pk = lite_rows(*s_,
                        "SELECT DISTINCT a.constraint_name, a.column_name FROM "
                        "user_cons_columns a, user_constraints b WHERE "
                        "a.table_name='JOB_HISTORY' AND a.constraint_name=b.constraint_name AND "
                        "b.constraint_type='P' ORDER BY a.constraint_name");
    ASSERT_EQ(pk.size(), 2u);
    EXPECT_EQ(pk[0], (std::vector<std::string>{"JHIST_EMP_ID_ST_DATE_PK", "EMPLOYEE_ID"}));
    EXPECT_EQ(pk[1][1], "START_DATE");
    rows all_pk = lite_rows(*s_,
                            "SELECT DISTINCT a.constraint_name, a.column_name FROM "
                            "all_cons_columns a, all_constraints b WHERE "
                            "concat(concat(a.owner,'.'),a.table_name)='HR.EMPLOYEES' AND "
                            "a.constraint_name=b.constraint_name AND b.constraint_type='P' "
                            "ORDER BY a.constraint_name");
    ASSERT_EQ(all_pk.size(), 1u);
    EXPECT_EQ(all_pk[0][0], "EMP_EMP_ID_PK");
    rows ix = lite_rows(
        *s_,
        "SELECT DISTINCT user_indexes.index_name, user_indexes.uniqueness, "
        "user_ind_columns.column_name FROM user_ind_columns, user_indexes where "
        "user_ind_columns.table_name = 'EMPLOYEES' AND user_indexes.generated='N' AND "
        "user_ind_columns.index_name = user_indexes.index_name AND user_ind_columns.table_name = "
        "user_indexes.table_name ORDER BY user_indexes.index_name");
    ASSERT_EQ(ix.size(), 7u);
    bool email_uk = false;
    for (auto& r : ix) {
        if (r[0] == "EMP_EMAIL_UK") email_uk = r[1] == "UNIQUE" && r[2] == "EMAIL";
    }
    EXPECT_TRUE(email_uk);
    // The two-column index keeps its column order.
    rows name_ix = lite_rows(*s_,
                             "select column_name, column_position from user_ind_columns "
                             "where index_name = 'EMP_NAME_IX'");
    ASSERT_EQ(name_ix.size(), 2u);
    EXPECT_EQ(name_ix[0], (std::vector<std::string>{"LAST_NAME", "1"}));
    rows v7 = lite_rows(
        *s_,
        "SELECT DISTINCT all_indexes.index_name, all_indexes.uniqueness, "
        "all_ind_columns.column_name "
        "FROM all_ind_columns, all_indexes where "
        "concat(all_ind_columns.table_owner,concat('.',all_ind_columns.table_name)) = "
        "'HR.COUNTRIES' AND all_ind_columns.index_name = all_indexes.index_name AND "
        "all_ind_columns.table_name = all_indexes.table_name ORDER BY all_indexes.index_name");
    ASSERT_EQ(v7.size(), 1u);
    EXPECT_EQ(v7[0][0], "COUNTRY_C_ID_PK");
    EXPECT_EQ(lite_cell(*s_,
                        "select index_type from user_indexes where index_name = "
                        "'COUNTRY_C_ID_PK'"),
              "IOT - TOP");
}

TEST_F(LiteHr, ForeignKeysThatReferenceATable) {
    EXPECT_EQ(lite_cell(*s_,
                        "select count(*) from USER_CONSTRAINTS where "
                        "R_CONSTRAINT_NAME='EMP_EMP_ID_PK' and CONSTRAINT_TYPE='R'"),
              "3");
    rows fk = lite_rows(*s_,
                        "select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM "
                        "USER_CONSTRAINTS a, USER_CONS_COLUMNS b WHERE "
                        "a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and a.CONSTRAINT_TYPE='R' and "
                        "a.R_CONSTRAINT_NAME='DEPT_ID_PK'");
    ASSERT_EQ(fk.size(), 2u);
    EXPECT_EQ(fk[0][2], "NO ACTION");
    rows all = lite_rows(*s_,
                         "select concat(concat(a.OWNER,'.'),a.TABLE_NAME),a.CONSTRAINT_NAME,"
                         "a.DELETE_RULE,b.COLUMN_NAME FROM ALL_CONSTRAINTS a, ALL_CONS_COLUMNS "
                         "b WHERE a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and a.CONSTRAINT_TYPE='R' "
                         "and a.R_CONSTRAINT_NAME='REG_ID_PK'");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0], (std::vector<std::string>{"HR.COUNTRIES", "COUNTR_REG_FK", "NO ACTION",
                                                "REGION_ID"}));
    EXPECT_EQ(
        lite_cell(*s_, "select status from user_constraints where constraint_name='DEPT_MGR_FK'"),
        "ENABLED");
}

// The statements of the all-schemas catalogue name tables OWNER.TABLE.
TEST_F(LiteHr, AllSchemasCatalogueStatements) {
    rows v7 = lite_rows(*s_, "select OWNER, TABLE_NAME from all_tables");
    ASSERT_EQ(v7.size(), 7u);
    EXPECT_EQ(v7[0][0], "HR");
    rows cols = lite_rows(*s_,
                          "SELECT COLUMN_NAME, DATA_TYPE FROM ALL_TAB_COLUMNS WHERE "
                          "concat(owner,concat('.',table_name)) = 'HR.JOBS'");
    ASSERT_EQ(cols.size(), 4u);
    EXPECT_EQ(cols[1], (std::vector<std::string>{"JOB_TITLE", "VARCHAR2"}));
    EXPECT_EQ(lite_rows(*s_,
                        "select COLUMN_NAME, DATA_DEFAULT, DATA_TYPE from ALL_TAB_COLUMNS where "
                        "concat(owner,concat('.',table_name)) = 'HR.JOBS'")
                  .size(),
              4u);
    EXPECT_EQ(lite_cell(*s_,
                        "SELECT count(*) FROM all_constraints WHERE "
                        "concat(concat(owner,'.'),table_name)='HR.JOB_HISTORY' AND "
                        "constraint_type='P'"),
              "1");
    rows ix = lite_rows(
        *s_,
        "SELECT DISTINCT all_indexes.index_name, all_indexes.uniqueness, "
        "all_ind_columns.column_name FROM all_ind_columns, all_indexes where "
        "concat(all_ind_columns.table_owner,concat('.',all_ind_columns.table_name)) = "
        "'HR.EMPLOYEES' AND all_indexes.generated='N' AND all_ind_columns.index_name = "
        "all_indexes.index_name AND all_ind_columns.table_name = all_indexes.table_name ORDER BY "
        "all_indexes.index_name");
    ASSERT_EQ(ix.size(), 7u);
    EXPECT_EQ(ix[0], (std::vector<std::string>{"EMP_DEPARTMENT_IX", "NONUNIQUE", "DEPARTMENT_ID"}));
    EXPECT_EQ(ix[1], (std::vector<std::string>{"EMP_EMAIL_UK", "UNIQUE", "EMAIL"}));
    EXPECT_EQ(lite_cell(*s_,
                        "select count(*) from ALL_CONSTRAINTS where "
                        "R_CONSTRAINT_NAME='EMP_EMP_ID_PK' and CONSTRAINT_TYPE='R'"),
              "3");
    // Comments are read from the user's view in both modes.
    EXPECT_EQ(lite_rows(*s_,
                        "select COLUMN_NAME, COMMENTS from USER_COL_COMMENTS where table_name = "
                        "'HR.EMPLOYEES'")
                  .size(),
              0u);
}

TEST_F(LiteHr, SequencesAsDeclared) {
    rows seq = lite_rows(*s_,
                         "select sequence_name, min_value, max_value, increment_by, last_number "
                         "from user_sequences order by sequence_name");
    ASSERT_EQ(seq.size(), 3u);
    EXPECT_EQ(seq[0], (std::vector<std::string>{"DEPARTMENTS_SEQ", "1", "9990", "10", "280"}));
    // The default maximum keeps all its 28 digits.
    EXPECT_EQ(seq[1], (std::vector<std::string>{"EMPLOYEES_SEQ", "1",
                                                "9999999999999999999999999999", "1", "207"}));
    auto q = s_->prepare("select max_value from user_sequences");
    q->execute();
    EXPECT_EQ(q->columns()[0].type_code, LITE_NUMBER);
}

TEST_F(LiteHr, ViewsVersionAndTheCheckConstraint) {
    rows v = lite_rows(*s_, "select VIEW_NAME, TEXT from SYS.USER_VIEWS");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0][0], "EMP_DETAILS_VIEW");
    EXPECT_EQ(v[0][1].rfind("SELECT\n  e.employee_id", 0), 0u);
    EXPECT_NE(v[0][1].find("WITH READ ONLY"), std::string::npos);
    EXPECT_NE(lite_cell(*s_, "select * from v$version").find("19.0.0.0.0"), std::string::npos);
    // The CHECK of the sample is enforced, and named in the error.
    try {
        s_->execute("update employees set salary = 0 where employee_id = 100");
        FAIL();
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 2290);
        EXPECT_NE(std::string(e.what()).find("HR.EMP_SALARY_MIN"), std::string::npos);
    }
    try {
        s_->execute(
            "insert into employees (employee_id, last_name, email, hire_date, job_id) "
            "values (1, 'X', 'SKING', sysdate, 'IT_PROG')");
        FAIL();
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 1);
        EXPECT_NE(std::string(e.what()).find("(HR.EMP_EMAIL_UK)"), std::string::npos);
    }
    s_->rollback();
}

TEST(LiteOraliteTool, RunReportsFileLineAndOracleText) {
    lite_scratch inst;
    std::string script = inst.dir() + "/bad.sql";
    {
        std::ofstream f(script);
        f << "REM first line\nCREATE TABLE t (a NUMBER);\n\nINSERT INTO missing VALUES (1);\n";
    }
    std::string out = inst.dir() + "/out.txt";
    std::string cmd = std::string(TW_BINARY_DIR) + "/bin/oralite run " + inst.dir() +
                      " APP secret " + script + " 2> " + out;
    int rc = std::system(cmd.c_str());
    EXPECT_NE(rc, 0);
    std::ifstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, script + ":4: ORA-00942: table or view does not exist");
    // A directory given as a script is no empty script.
    std::string dir_cmd = std::string(TW_BINARY_DIR) + "/bin/oralite run " + inst.dir() +
                          " APP secret " + inst.dir() + " 2> " + out;
    EXPECT_NE(std::system(dir_cmd.c_str()), 0);
}

}  // namespace
