#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "SQL/sql_exception.h"
#include "SQL/sql_test_env.h"
#include "UDB/udb_database.h"
#include "UDB/udb_recordset.h"

namespace {

class sql_engine_live_test : public sql_engine_test {
protected:
    void connect() {
        const test_server& s = get_test_server();
        engine->connect(s.host, s.user, s.password, s.port);
    }

    // The first column of the first row of a query on the engine's connection.
    std::string scalar(const std::string& sql) { return query_scalar(engine->handle(), sql); }
};

}  // namespace

TEST_F(sql_engine_test, PickListsWithoutAServer) {
    const auto charsets = engine->get_charsets();
    ASSERT_EQ(charsets.size(), 36u);
    EXPECT_EQ(charsets[0], L"big5 - Big5 Traditional Chinese");
    EXPECT_EQ(charsets[21], L"utf8 - UTF-8 Unicode");
    EXPECT_EQ(charsets[35], L"eucjpms - UJIS for Windows Japanese");
    const auto engines = engine->get_storage_engines();
    ASSERT_EQ(engines.size(), 12u);
    EXPECT_EQ(engines[2], L"InnoDB");
    EXPECT_EQ(engines[11], L"ISAM");
}

TEST_F(sql_engine_test, DefaultsAndProperties) {
    EXPECT_EQ(engine->character_set(), L"utf8");
    EXPECT_EQ(engine->table_type(), L"MyISAM");
    EXPECT_TRUE(engine->fast_append_mode);
    EXPECT_FALSE(engine->connected);
    EXPECT_EQ(engine->version_word, 0u);
    EXPECT_EQ(&sql_engine::instance(), engine.get());
}

TEST(sql_engine_version_test, VersionTextsBecomeVersionWords) {
    EXPECT_EQ(sql_engine::parse_version("5.7.30-log"), 0x5071Eu);
    EXPECT_EQ(sql_engine::parse_version("4.1.0"), 0x40100u);
    EXPECT_EQ(sql_engine::parse_version("10.11.19-MariaDB-0+deb12u1"), 0x0A0B13u);
    EXPECT_THROW(sql_engine::parse_version("5.7"), tk_mail_assertion);
    EXPECT_THROW(sql_engine::parse_version("abc"), tk_mail_assertion);
}

TEST(sql_exception_test, NeedsTheEngine) {
    EXPECT_THROW({ const sql_exception without_engine; }, tk_mail_assertion);
    const sql_auth_not_supported_exception auth;
    EXPECT_EQ(auth.level(), 1);
    EXPECT_EQ(std::string(auth.what()).rfind("The program does not support authentication", 0), 0u);
}

TEST_F(sql_engine_live_test, ConnectsAndReadsTheVersionWord) {
    REQUIRE_TEST_SERVER();
    connect();
    EXPECT_TRUE(engine->connected);
    const char* info = mysql_get_server_info(engine->handle());
    int major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(info, "%d.%d.%d", &major, &minor, &patch), 3);
    EXPECT_EQ(engine->version_word, static_cast<uint32_t>(major * 65536 + minor * 256 + patch));
    EXPECT_EQ(scalar("select @@session.foreign_key_checks"), "0");
    // The default utf8 is the full set on a server that has it.
    EXPECT_EQ(scalar("select @@character_set_client"), "utf8mb4");
    // Connecting again starts from a fresh handle and works the same way.
    connect();
    EXPECT_TRUE(engine->connected);
    EXPECT_EQ(scalar("select 1"), "1");
}

TEST_F(sql_engine_live_test, Utf8mb4SessionWhenThatSetIsChosen) {
    REQUIRE_TEST_SERVER();
    engine->set_character_set(L"utf8mb4");
    connect();
    EXPECT_EQ(scalar("select @@character_set_client"), "utf8mb4");
    engine->set_character_set(L"utf8");
    EXPECT_EQ(scalar("select @@character_set_client"), "utf8mb4");
    engine->set_character_set(L"latin1");
    EXPECT_EQ(scalar("select @@character_set_client"), "utf8mb3");
}

TEST_F(sql_engine_live_test, SessionWorksInAKnownSqlMode) {
    REQUIRE_TEST_SERVER();
    // Whatever the server's global mode, the session's is the run's own: no ANSI_QUOTES, no
    // NO_BACKSLASH_ESCAPES, strict.
    connect();
    EXPECT_EQ(scalar("select @@session.sql_mode"), "NO_AUTO_VALUE_ON_ZERO,STRICT_ALL_TABLES");
    EXPECT_EQ(scalar("select 'a\\'b'"), "a'b");
}

TEST_F(sql_engine_live_test, WaitTimeoutIsRaisedToEightHours) {
    REQUIRE_TEST_SERVER();
    std::string out;
    ASSERT_EQ(run_client_sql("set global wait_timeout=100", out), 0) << out;
    connect();
    EXPECT_EQ(scalar("select @@session.wait_timeout"), "28800");
    ASSERT_EQ(run_client_sql("set global wait_timeout=50000", out), 0) << out;
    connect();
    EXPECT_EQ(scalar("select @@session.wait_timeout"), "50000");
    ASSERT_EQ(run_client_sql("set global wait_timeout=28800", out), 0) << out;
}

TEST_F(sql_engine_live_test, AccessDeniedIsAnSqlException) {
    REQUIRE_TEST_SERVER();
    const test_server& s = get_test_server();
    try {
        engine->connect(s.host, s.user, "not the password", s.port);
        FAIL() << "connected with a wrong password";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.code(), 0x400000 | 1045);
        EXPECT_EQ(e.level(), 0);
        EXPECT_NE(std::string(e.what()).find("Access denied"), std::string::npos);
    }
    EXPECT_FALSE(engine->connected);
}

TEST_F(sql_engine_live_test, CreateOpenTestAndDropDatabases) {
    REQUIRE_TEST_SERVER();
    connect();
    const std::string narrow = unique_db_name("db") + "_q`'x";
    const std::wstring name(narrow.begin(), narrow.end());
    EXPECT_FALSE(engine->is_db_exist(name));
    auto db = engine->create_and_open_db(name);
    ASSERT_NE(db, nullptr);
    EXPECT_TRUE(db->get_tables().empty());
    EXPECT_TRUE(engine->is_db_exist(name));
    EXPECT_EQ(scalar("select database()"), narrow);
    EXPECT_EQ(scalar("select default_character_set_name from information_schema.schemata "
                     "where schema_name = database()"),
              "utf8mb4");
    try {
        engine->create_db(name);
        FAIL() << "created the same database twice";
    } catch (const sql_exception& e) {
        EXPECT_EQ(e.code(), 0x400000 | 1007);
    }

    db->query(L"create table `T1` (id int)");
    db->query(L"insert into `T1` values (1), (2)");
    auto reopened = engine->open_db(name, 0x28);
    ASSERT_EQ(reopened->get_tables().size(), 1u);
    EXPECT_EQ(reopened->get_tables()[0], L"T1");
    EXPECT_TRUE(reopened->delete_tab(L"t1"));
    EXPECT_EQ(scalar("select count(*) from `T1`"), "0");
    EXPECT_TRUE(reopened->test_query(L"select 1"));
    EXPECT_FALSE(reopened->test_query(L"select from nowhere"));
    EXPECT_THROW(reopened->query(L"select from nowhere"), sql_exception);

    engine->db_delete(name);
    EXPECT_FALSE(engine->is_db_exist(name));
    EXPECT_THROW(engine->open_db(name, 0), sql_exception);
    EXPECT_THROW(engine->db_delete(name), sql_exception);
}

TEST_F(sql_engine_live_test, PickListsFromTheServerAreKept) {
    REQUIRE_TEST_SERVER();
    connect();
    const auto charsets = engine->get_charsets();
    ASSERT_GT(charsets.size(), 0u);
    bool mb4 = false;
    for (const auto& c : charsets) mb4 = mb4 || c.rfind(L"utf8mb4 - ", 0) == 0;
    EXPECT_TRUE(mb4);
    const auto engines = engine->get_storage_engines();
    bool innodb = false;
    for (const auto& e : engines) innodb = innodb || e == L"InnoDB";
    EXPECT_TRUE(innodb);
    // Not read again, even without a connection.
    engine.reset();
    engine = std::make_unique<sql_engine>();
    EXPECT_EQ(engine->get_charsets(), charsets);
    EXPECT_EQ(engine->get_storage_engines(), engines);
}
