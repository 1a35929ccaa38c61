#include "sql_live_test_env.h"

#include <mysql.h>

void sql_live_test::SetUp() {
    sql_engine_test::SetUp();
    if (!get_test_server().available) return;
    const test_server& s = get_test_server();
    engine->connect(s.host, s.user, s.password, s.port);
    db_name = unique_db_name("live");
    std::string out;
    run_client_sql("drop database if exists `" + db_name + "`", out);
    db = engine->create_and_open_db(std::wstring(db_name.begin(), db_name.end()));
    live = dynamic_cast<sql_database*>(db.get());
}

void sql_live_test::TearDown() {
    db.reset();
    if (!db_name.empty()) {
        std::string out;
        run_client_sql("drop database if exists `" + db_name + "`", out);
    }
    sql_engine_test::TearDown();
}

void sql_live_test::exec(const std::string& sql) {
    MYSQL* h = engine->handle();
    ASSERT_EQ(mysql_real_query(h, sql.data(), sql.size()), 0) << sql << ": " << mysql_error(h);
    if (MYSQL_RES* r = mysql_store_result(h)) mysql_free_result(r);
}

std::string sql_live_test::scalar(const std::string& sql) {
    return query_scalar(engine->handle(), sql);
}

void sql_live_test::reopen(int flags) {
    db.reset();
    db = engine->open_db(std::wstring(db_name.begin(), db_name.end()), flags);
    live = dynamic_cast<sql_database*>(db.get());
}
