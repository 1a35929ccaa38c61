#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>

#include "SQL/dmp_database.h"
#include "SQL/dmp_recordset.h"
#include "SQL/sql_test_env.h"
#include "TK/tk_exception.h"
#include "UDB/udb_properties.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"

namespace {

// A property set as the type mapping builds it: settings plus nested sets by name.
class test_properties : public udb_properties {
public:
    test_properties& set(const std::wstring& key, const std::wstring& value) {
        properties[key] = value;
        return *this;
    }
    test_properties& item(const std::wstring& name) { return m_items[name]; }
    udb_properties* find_item(const std::wstring& name) override {
        const auto it = m_items.find(name);
        return it == m_items.end() ? nullptr : &it->second;
    }
    udb_properties* find_by_new_name(const std::wstring&) override { return nullptr; }

private:
    std::map<std::wstring, test_properties> m_items;
};

class dmp_database_test : public sql_engine_test {
protected:
    void SetUp() override {
        sql_engine_test::SetUp();
        options.caption = "Tidewell test";
        emp.add_field(make_column(L"ID", VT_I4, 4));
        emp.add_field(make_column(L"NAME", VT_BSTR, 20));
        emp_keys.push_back(udb_index(L"PK_EMP", false, true, {L"ID"}));
    }

    static void add_row(udb_recordset& table, int id, const std::wstring& name) {
        append_id_name(table, id, name);
    }

    // Writes EMP with its two rows and returns the file's text.
    std::string write_emp(const std::string& file_name) {
        path = test_file_path(file_name);
        {
            auto db = engine->create_dump(std::wstring(path.begin(), path.end()), options);
            auto table = db->create_table(L"EMP", emp, emp_keys);
            add_row(*table, 1, L"Smith");
            add_row(*table, 2, L"O'Neil");
        }
        return without_completion_line(read_file(path));
    }

    // Every whole dump ends with the line that says so; the rest is what the test compares.
    static std::string without_completion_line(const std::string& text) {
        const std::size_t last = text.rfind("-- Dump completed on ");
        EXPECT_NE(last, std::string::npos) << "the dump does not say it is complete";
        if (last == std::string::npos) return text;
        const std::size_t end = text.find('\n', last);
        EXPECT_EQ(end, text.size() - 1) << "the completion line is not the last";
        return text.substr(0, last);
    }

    std::string header(const std::string& eol) const {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char date[32];
        std::snprintf(date, sizeof date, "%02d/%02d/%04d", local.tm_mon + 1, local.tm_mday,
                      local.tm_year + 1900);
        return "# File name: " + path + eol + "# Creation date: " + date + eol +
               "# Created by Tidewell test" + eol + "# " + std::string(50, '-') + eol;
    }

    static std::string block(const std::string& title, const std::string& eol) {
        return eol + "#" + eol + "# " + title + " 'EMP'" + eol + "#" + eol + eol;
    }

    dump_options options;
    udb_schema emp;
    udb_indexes emp_keys;
    std::string path;
};

}  // namespace

TEST_F(dmp_database_test, DefaultOptionsWriteTheWholeScript) {
    const std::string text = write_emp("emp_default.sql");
    const std::string e = "\r\n";
    const std::string expected =
        header(e) + e + "SET NAMES utf8;" + e + "/*!50503 SET NAMES utf8mb4 */;" + e +
        "/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */;" + e +
        "/*!50002 SET SQL_MODE='NO_AUTO_VALUE_ON_ZERO,STRICT_ALL_TABLES' */;" + e +
        block("Table structure for table", e) + "DROP TABLE IF EXISTS `EMP` CASCADE;" + e +
        "CREATE TABLE `EMP` (" + e + "  `ID` INT NOT NULL," + e +
        "  `NAME` VARCHAR(20) CHARACTER SET utf8," + e + "  PRIMARY KEY (`ID`)" + e +
        ") ENGINE=MyISAM;" + e + "/*!50503 ALTER TABLE `EMP` CONVERT TO CHARACTER SET utf8mb4 */;" +
        e + block("Dumping data for table", e) + "LOCK TABLES `EMP` WRITE;" + e +
        "INSERT IGNORE INTO `EMP`(`ID`, `NAME`) VALUES(1, 'Smith'), (2, 'O\\'Neil');" + e +
        "UNLOCK TABLES;" + e + "/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;" + e;
    EXPECT_EQ(text, expected);
    EXPECT_EQ(engine->version_word, 0x40100u);
    EXPECT_FALSE(engine->lock_pending);
}

TEST_F(dmp_database_test, OldServerGeneration) {
    options.new_version = false;
    options.comments = false;
    const std::string text = write_emp("emp_old.sql");
    const std::string e = "\r\n";
    EXPECT_EQ(engine->version_word, 0x31401u);
    EXPECT_EQ(text,
              e + "SET NAMES utf8;" + e +
                  "/*!40101 SET @OLD_SQL_MODE=@@SQL_MODE, SQL_MODE='NO_AUTO_VALUE_ON_ZERO' */;" +
                  e + "/*!50002 SET SQL_MODE='NO_AUTO_VALUE_ON_ZERO,STRICT_ALL_TABLES' */;" + e +
                  "DROP TABLE IF EXISTS EMP CASCADE;" + e + "CREATE TABLE EMP (" + e +
                  "  ID INT NOT NULL," + e + "  NAME VARCHAR(20)," + e + "  PRIMARY KEY (`ID`)" +
                  e + ") TYPE=MyISAM;" + e + "LOCK TABLES EMP WRITE;" + e +
                  "INSERT IGNORE INTO EMP(ID, NAME) VALUES(1, 'Smith'), (2, 'O\\'Neil');" + e +
                  "UNLOCK TABLES;" + e + "/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;" + e);
}

TEST_F(dmp_database_test, OptionVariations) {
    options.unix_eol = 1;
    options.lock_tables = false;
    options.comments = false;
    options.create_db = true;
    options.database = "hr data";
    engine->set_table_type(L"InnoDB");
    std::string text = write_emp("emp_unix.sql");
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find("LOCK TABLES"), std::string::npos);
    EXPECT_EQ(text.find('#'), std::string::npos);
    EXPECT_NE(text.find("\nSET NAMES utf8;\n/*!50503 SET NAMES utf8mb4 */;\n"), std::string::npos);
    EXPECT_NE(text.find("SQL_MODE='NO_AUTO_VALUE_ON_ZERO,STRICT_ALL_TABLES' */;\n\n"
                        "DROP DATABASE IF EXISTS `hr data`;\n"
                        "CREATE DATABASE `hr data` character set utf8;\n"
                        "/*!50503 ALTER DATABASE `hr data` CHARACTER SET utf8mb4 */;\n"
                        "USE `hr data`;\n"),
              std::string::npos);
    EXPECT_NE(text.find(") ENGINE=InnoDB;\n"), std::string::npos);

    // The database name defaults to the file's name without directory and extension.
    options.database.clear();
    text = write_emp("emp_named.sql");
    const std::string stem = path.substr(path.rfind('/') + 1, path.size() - path.rfind('/') - 5);
    EXPECT_NE(text.find("USE `" + stem + "`;\n"), std::string::npos);

    options.structure = false;
    text = write_emp("emp_nostruct.sql");
    EXPECT_EQ(text.find("CREATE"), std::string::npos);
    EXPECT_EQ(text.find("DROP"), std::string::npos);
    EXPECT_NE(text.find("INSERT IGNORE INTO `EMP`(`ID`, `NAME`) VALUES(1, 'Smith')"),
              std::string::npos);
}

TEST_F(dmp_database_test, SetNamesNamesTheFileEncoding) {
    options.comments = false;
    engine->set_character_set(L"");
    EXPECT_EQ(write_emp("names_empty.sql").substr(0, 19), "\r\nSET NAMES UTF8;\r\n");
    engine->set_character_set(L"latin1");
    const std::string latin = write_emp("names_latin1.sql");
    EXPECT_EQ(latin.substr(0, 19), "\r\nSET NAMES utf8;\r\n");
    EXPECT_NE(latin.find("`NAME` VARCHAR(20) CHARACTER SET latin1"), std::string::npos);
    engine->set_character_set(L"utf8mb4");
    EXPECT_EQ(write_emp("names_mb4.sql").substr(0, 22), "\r\nSET NAMES utf8mb4;\r\n");
}

TEST_F(dmp_database_test, LargeTablesAreSplitIntoStatements) {
    options.comments = false;
    path = test_file_path("split.sql");
    const std::wstring filler(1000, L'x');
    udb_schema wide;
    wide.add_field(make_column(L"ID", VT_I4, 4));
    wide.add_field(make_column(L"NAME", VT_BSTR, 2000));
    {
        auto db = engine->create_dump(std::wstring(path.begin(), path.end()), options);
        auto table = db->create_table(L"EMP", wide, emp_keys);
        for (int i = 0; i < 2500; ++i) add_row(*table, i, filler);
        table.reset();
        auto empty = db->create_table(L"EMPTY", emp, udb_indexes());
    }
    const std::string text = without_completion_line(read_file(path));
    std::size_t statements = 0, pos = 0;
    while ((pos = text.find("INSERT IGNORE INTO", pos)) != std::string::npos) {
        const std::size_t end = text.find(";\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - pos, dmp_recordset::k_max_statement + 1100);
        EXPECT_EQ(text.compare(pos, 46, "INSERT IGNORE INTO `EMP`(`ID`, `NAME`) VALUES("), 0);
        ++statements;
        pos = end;
    }
    EXPECT_EQ(statements, 3u);
    // A table without rows writes no INSERT; the previous table is unlocked before it.
    EXPECT_NE(text.find("UNLOCK TABLES;\r\nDROP TABLE IF EXISTS `EMPTY` CASCADE;"),
              std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 85),
              "LOCK TABLES `EMPTY` WRITE;\r\nUNLOCK TABLES;\r\n"
              "/*!40101 SET SQL_MODE=@OLD_SQL_MODE */;\r\n");
}

TEST_F(dmp_database_test, StatementsAndMisuse) {
    options.comments = false;
    path = test_file_path("misuse.sql");
    {
        auto db = engine->create_dump(std::wstring(path.begin(), path.end()), options);
        auto table = db->create_table(L"EMP", emp, emp_keys);
        EXPECT_THROW(db->create_table(L"emp", emp, emp_keys), tk_mail_assertion);
        EXPECT_THROW(db->get_table(L"EMP", 0), tk_mail_assertion);
        EXPECT_EQ(db->get_query(L"Q", L"select 1", 0), nullptr);
        EXPECT_FALSE(db->test_query(L"select 1"));
        udb_record missing;
        missing.add_field(udb_field(L"ID", 4, ole_variant(1)));
        try {
            table->append_record(missing);
            ADD_FAILURE() << "a record without NAME was accepted";
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 0);
            EXPECT_EQ(
                std::string(e.what()).rfind("Generic error occurred while migrating the data.", 0),
                0u);
        }
        // Fields in another order still land under their own columns.
        udb_record swapped;
        swapped.add_field(udb_field(L"NAME", 20, ole_variant(std::wstring(L"Ann"))));
        swapped.add_field(udb_field(L"ID", 4, ole_variant(7)));
        table->append_record(swapped);
        table.reset();
        EXPECT_EQ(db->query(L"ALTER TABLE `EMP` ADD COLUMN X INT"), nullptr);
        EXPECT_EQ(db->created_tables().size(), 1u);
        EXPECT_TRUE(db->is_table_exist(L"emp"));
    }
    const std::string text = read_file(path);
    EXPECT_NE(text.find("VALUES(7, 'Ann');\r\nUNLOCK TABLES;\r\nALTER TABLE `EMP` ADD COLUMN X INT;"
                        "\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("UNLOCK TABLES;", text.find("ALTER TABLE `EMP` ADD")), std::string::npos);
}

TEST_F(dmp_database_test, ARefusedRecordLeavesTheStatementWhole) {
    options.comments = false;
    path = test_file_path("refused.sql");
    {
        auto db = engine->create_dump(std::wstring(path.begin(), path.end()), options);
        auto table = db->create_table(L"EMP", emp, emp_keys);
        add_row(*table, 1, L"Smith");
        udb_record missing;
        missing.add_field(udb_field(L"ID", 4, ole_variant(2)));
        EXPECT_THROW(table->append_record(missing), tk_exception);
        add_row(*table, 3, L"Ann");
    }
    EXPECT_NE(read_file(path).find("VALUES(1, 'Smith'), (3, 'Ann');\r\nUNLOCK TABLES;\r\n"),
              std::string::npos);
}

TEST_F(dmp_database_test, HostileNamesStayInsideTheirQuotes) {
    options.comments = true;
    path = test_file_path("hostile.sql");
    udb_schema columns;
    columns.add_field(make_column(L"a`b", VT_I4, 4));
    {
        auto db = engine->create_dump(std::wstring(path.begin(), path.end()), options);
        auto table = db->create_table(L"x`; DROP DATABASE y; --\r\nz", columns, udb_indexes());
        udb_record row;
        row.add_field(udb_field(L"a`b", 4, ole_variant(1)));
        table->append_record(row);
    }
    const std::string text = read_file(path);
    EXPECT_NE(text.find("CREATE TABLE `x``; DROP DATABASE y; --\r\nz` ("), std::string::npos);
    EXPECT_NE(text.find("# Table structure for table 'x`; DROP DATABASE y; --  z'"),
              std::string::npos);
    EXPECT_NE(text.find("`a_b` INT"), std::string::npos);
}

TEST_F(dmp_database_test, FilesThatCannotBeWrittenAreErrors) {
    try {
        engine->create_dump(L"/nonexistent-dir/x/dump.sql", options);
        ADD_FAILURE() << "no error for a file that cannot be created";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_NE(std::string(e.what()).find("/nonexistent-dir/x/dump.sql"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos);
    }
}

TEST_F(dmp_database_test, ViewsAreWrittenInMySqlForm) {
    options.comments = false;
    path = test_file_path("views.sql");
    {
        auto db = engine->create_dump(std::wstring(path.begin(), path.end()), options);
        db->create_views(
            {{L"V1", L"select  a,\n\t isnull(x, 0), 'a   b' from [T] where d = getdate()"},
             {L"V2", L"update x set a = 1"},
             {L"bad/name", L"SELECT datediff(day, a, b), dateadd(d, 1, c) from t"}});
        EXPECT_EQ(db->get_names_map().get_tn_mapped_name(L"bad/name", true), L"bad_name");
    }
    const std::string text = read_file(path);
    EXPECT_NE(text.find("CREATE OR REPLACE VIEW `V1` AS select a, ifnull(x, 0), 'a   b' from `T` "
                        "where d = curdate();\r\n"),
              std::string::npos);
    EXPECT_EQ(text.find("V2"), std::string::npos);
    EXPECT_NE(text.find("CREATE OR REPLACE VIEW `bad_name` AS SELECT datediff( a, b), "
                        "dateadd(d, 1, c) from t;\r\n"),
              std::string::npos);
}

TEST_F(dmp_database_test, PropertiesChooseEngineAndCharacterSets) {
    test_properties all;
    all.set(L"character set", L"latin1");
    engine->set_properties(&all);
    EXPECT_EQ(engine->table_type(), L"InnoDB");
    EXPECT_EQ(engine->character_set(), L"latin1");
    all.set(L"engine", L"Aria");
    engine->set_properties(&all);
    EXPECT_EQ(engine->table_type(), L"Aria");

    all.item(L"EMP").set(L"engine", L"MEMORY").set(L"character set", L"cp1251");
    all.item(L"EMP").item(L"NAME").set(L"character_set", L"ascii");
    options.comments = false;
    const std::string text = write_emp("properties.sql");
    EXPECT_NE(text.find("  `ID` INT NOT NULL,\r\n  `NAME` VARCHAR(20) CHARACTER SET ascii,\r\n"),
              std::string::npos);
    EXPECT_NE(text.find(") ENGINE=MEMORY character set cp1251;\r\n"), std::string::npos);

    // Names from settings are identifiers or nothing: they cannot carry statements in.
    all.item(L"EMP").set(L"engine", L"MEMORY; DROP DATABASE x");
    EXPECT_THROW(write_emp("bad_engine.sql"), tk_exception);
    all.item(L"EMP").set(L"engine", L"MEMORY");
    all.item(L"EMP").item(L"NAME").set(L"character_set", L"ascii COLLATE x");
    EXPECT_THROW(write_emp("bad_charset.sql"), tk_exception);
    all.set(L"engine", L"InnoDB`");
    try {
        engine->set_properties(&all);
        ADD_FAILURE() << "a storage engine name with a backtick was taken";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
    }
    EXPECT_EQ(engine->table_type(), L"Aria");
}
