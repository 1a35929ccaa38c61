#include <gtest/gtest.h>

#include <string>

#include "SQL/sql_exception.h"
#include "UDB/udb_recordset.h"
#include "sql_live_test_env.h"

TEST_F(sql_live_test, ViewTextsAreRewrittenOnlyOnWholeWords) {
    REQUIRE_TEST_SERVER();
    EXPECT_EQ(live->refine_view_in(L"select  ORDER_TIME, time, 'time  len(x)', strlen(a),\n"
                                   L"len(b), isnull(c, 0), [T].d from [T] where e = getdate()"),
              L"select ORDER_TIME, curtime, 'time  len(x)', strlen(a), length(b), ifnull(c, 0), "
              L"`T`.d from `T` where e = curdate();");
    EXPECT_EQ(live->refine_view_in(L"select datediff(day, a, b), `time` from t"),
              L"select datediff( a, b), `time` from t;");
}

TEST_F(sql_live_test, ViewsAreCreatedAndReadBack) {
    REQUIRE_TEST_SERVER();
    exec("create table `" + db_name + "`.T (A int, B varchar(10))");
    reopen();
    std::vector<std::string> reported;
    live->set_error_reporter(
        [&](const std::string& object, const tk_exception&) { reported.push_back(object); });
    db->create_views({{L"V1", L"select A, isnull(B, 'x') as B from T"},
                      {L"V2", L"update T set A = 1"},
                      {L"bad/name", L"select A from T"},
                      {L"V3", L"select nothing from T"}});
    EXPECT_EQ(reported, std::vector<std::string>{"View 'V3'"});
    EXPECT_EQ(db->get_names_map().get_tn_mapped_name(L"bad/name", true), L"bad_name");
    reopen(0x28);
    ASSERT_EQ(db->get_views().size(), 2u);
    std::wstring v1;
    for (const auto& view : db->get_views())
        if (view.first == L"V1") v1 = view.second;
    // The database's own prefix is gone from the server's text.
    EXPECT_NE(v1.find(L"from `T`"), std::wstring::npos) << v1;
    EXPECT_EQ(v1.find(L"`" + std::wstring(db_name.begin(), db_name.end())), std::wstring::npos);
    EXPECT_EQ(live->refine_view_out(L"/* a */select `d`.`x` from `" +
                                    std::wstring(db_name.begin(), db_name.end()) + L"`.`T`"),
              L"select `d`.`x` from `T`");
    // The table list holds base tables only.
    EXPECT_EQ(db->get_tables(), std::vector<std::wstring>{L"T"});
    reopen(0x28 | 0x80);
    EXPECT_TRUE(db->get_views().empty());
}

TEST_F(sql_live_test, ReadOnlyDatabasesRefuseToWrite) {
    REQUIRE_TEST_SERVER();
    exec("create table `" + db_name + "`.T (A int)");
    reopen(0x01);
    EXPECT_THROW(db->create_table(L"U", udb_schema(), udb_indexes()), tk_mail_assertion);
    EXPECT_THROW(db->delete_tab(L"T"), tk_mail_assertion);
}
