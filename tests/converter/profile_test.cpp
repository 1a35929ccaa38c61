// Profiles of a whole conversion: the file a converter writes, what a fresh converter reads back
// from it, hand-written and damaged profiles, and the one-line form of SQL text.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"
#include "converter/converter_test_support.h"
#include "converter/profile_text.h"

namespace {

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

const wchar_t k_emp_query[] = L"SELECT *\r\nFROM EMP -- all of them\r\nWHERE SAL > 10\n";
const char k_emp_query_line[] = "SELECT * FROM EMP /* all of them*/ WHERE SAL > 10";

// Every setting a profile carries, set away from its default.
void fill_everything(tabshift_convertor& c) {
    c.m_source_name = L"ORCL";
    c.m_destination_name = L"shop_copy";
    c.skip_idx = true;
    c.tab_def = true;
    c.mode = 3;
    c.oracle_engine.b_owned_by_user = false;
    c.mysql_engine.set_character_set(L"utf8mb4");
    c.mysql_engine.set_table_type(L"Aria");
    c.store_oracle_settings(L"ora.example", L"scott", L"tiger", L"1522");
    c.mysql_host = "db.example";
    c.mysql_user = "loader";
    c.mysql_password = "s3cret=x";
    c.mysql_port = "3307";
    c.dump.unix_eol = 1;
    c.dump.new_version = false;
    c.dump.lock_tables = false;
    c.dump.comments = true;
    c.dump.create_db = true;
    c.dump.structure = false;
    c.mysql_direct = false;
    c.case_sensitive = true;

    c.available_queries = {{L"Q_EMP", k_emp_query}, {L"Q_DEPT", L"SELECT * FROM DEPT"}};
    c.table_jobs = {{L"Q_EMP", k_emp_query}};
    c.selected_tables = {L"EMP", L"DEPT"};
    c.selected_views = {{L"V_EMP", L"SELECT ENAME\nFROM EMP"}};

    c.get_properties()[L"collation"] = L"utf8mb4_bin";
    sql_table_mutator& emp = c.get_table_mutator(L"EMP", L"EMPLOYEES");
    emp.update_field(L"ID", L"EMP_ID", native(L"BIGINT"));
    emp.update_field(L"NAME", L"FULL_NAME", native(L"VARCHAR", 60, 0, 0, L"nobody", L"latin1"));
    emp.update_field(L"SAL", L"SAL", native(L"DECIMAL", 0, 10, 2, L"0"));
    emp.update_field(L"NOTE", L"NOTE", native(L"TEXT")).status = udb_field_mutator::status_deleted;
    emp.get_properties()[L"engine"] = L"InnoDB";
    emp.get_properties()[L"comment"] = L"staff: all";
    sql_table_mutator& dept = c.get_table_mutator(L"DEPT", L"DEPT");
    dept.get_properties()[L"engine"] = L"MyISAM";
}

const char k_everything[] =
    "[Available Queries]\r\n"
    "Q_EMP=SELECT * FROM EMP /* all of them*/ WHERE SAL > 10\r\n"
    "Q_DEPT=SELECT * FROM DEPT\r\n"
    "\r\n"
    "[Generic settings]\r\n"
    "src=ORCL\r\n"
    "dest=shop_copy\r\n"
    "logfile=\r\n"
    "skip indexes=1\r\n"
    "only definitions=1\r\n"
    "mode=3\r\n"
    "view owned=0\r\n"
    "character set=utf8mb4\r\n"
    "storage engine=Aria\r\n"
    "\r\n"
    "[MySQL settings]\r\n"
    "host=db.example\r\n"
    "user=loader\r\n"
    "password=s3cret=x\r\n"
    "port=3307\r\n"
    "dump line break=1\r\n"
    "dump new version=0\r\n"
    "dump add lock to insert=0\r\n"
    "dump insert comments=1\r\n"
    "dump create database=1\r\n"
    "dump create table=0\r\n"
    "direct mode=0\r\n"
    "case sensitive=1\r\n"
    "\r\n"
    "[Oracle settings]\r\n"
    "host=ora.example\r\n"
    "password=tiger\r\n"
    "port=1522\r\n"
    "user=scott\r\n"
    "\r\n"
    "[Selected Tables]\r\n"
    "Q_EMP=SELECT * FROM EMP /* all of them*/ WHERE SAL > 10\r\n"
    "EMP\r\n"
    "DEPT\r\n"
    "\r\n"
    "[Selected Views]\r\n"
    "V_EMP=SELECT ENAME FROM EMP\r\n"
    "\r\n"
    "[Type Mappings]\r\n"
    "database:\r\n"
    "  collation: utf8mb4_bin\r\n"
    "tables:\r\n"
    "  - name: DEPT\r\n"
    "    new_name: DEPT\r\n"
    "    fields:\r\n"
    "    properties:\r\n"
    "        engine: MyISAM\r\n"
    "  - name: EMP\r\n"
    "    new_name: EMPLOYEES\r\n"
    "    fields:\r\n"
    "      - name:ID\r\n"
    "        new_name: EMP_ID\r\n"
    "        status: changed\r\n"
    "        type: BIGINT\r\n"
    "        default_value: \r\n"
    "        character_set: \r\n"
    "        length: 8\r\n"
    "        scale: 0\r\n"
    "        precision: 0\r\n"
    "      - name:NAME\r\n"
    "        new_name: FULL_NAME\r\n"
    "        status: changed\r\n"
    "        type: VARCHAR\r\n"
    "        default_value: nobody\r\n"
    "        character_set: latin1\r\n"
    "        length: 60\r\n"
    "        scale: 0\r\n"
    "        precision: 0\r\n"
    "      - name:NOTE\r\n"
    "        new_name: NOTE\r\n"
    "        status: deleted\r\n"
    "        type: TEXT\r\n"
    "        default_value: \r\n"
    "        character_set: \r\n"
    "        length: 0\r\n"
    "        scale: 0\r\n"
    "        precision: 0\r\n"
    "      - name:SAL\r\n"
    "        new_name: SAL\r\n"
    "        status: changed\r\n"
    "        type: DECIMAL\r\n"
    "        default_value: 0\r\n"
    "        character_set: \r\n"
    "        length: 0\r\n"
    "        scale: 2\r\n"
    "        precision: 10\r\n"
    "    properties:\r\n"
    "        comment: staff: all\r\n"
    "        engine: InnoDB\r\n";

// A minimal hand-written profile around the given sections' text.
std::string profile_with(const std::string& generic, const std::string& mysql,
                         const std::string& mappings) {
    return "[Generic settings]\r\n" + generic + "\r\n[MySQL settings]\r\n" + mysql +
           "\r\n[Type Mappings]\r\n" + mappings;
}

class profile_test : public conversion_test {
protected:
    std::wstring path(const char* name) const { return tk_to_unicode(config_dir + "/" + name); }
    std::string narrow(const char* name) const { return config_dir + "/" + name; }

    // Replaces the converter by one built over settings of its own, so nothing reaches it but
    // what the profile holds.
    void fresh_converter() {
        conv.reset();
        const std::string own = config_dir + "/fresh" + std::to_string(++m_fresh);
        std::filesystem::create_directories(own);
        setenv("TIDEWELL_CONFIG_HOME", own.c_str(), 1);
        conv = std::make_unique<tabshift_convertor>();
    }

    // Loads a hand-written profile into the converter.
    bool load_text(const std::string& text) {
        write_bytes(narrow("hand.kvt"), text);
        return conv->load_profile_file(path("hand.kvt"));
    }

private:
    int m_fresh = 0;
};

TEST_F(profile_test, file_holds_every_setting_in_its_place) {
    fill_everything(*conv);
    ASSERT_TRUE(conv->store_profile_file(path("all.kvt")));
    EXPECT_EQ(read_file(narrow("all.kvt")), k_everything);
}

TEST_F(profile_test, stored_loaded_and_stored_again_is_the_same_file) {
    tk_logger logger(narrow("unused.log").c_str(), false, 3, false);
    fill_everything(*conv);
    conv->m_log_file = narrow("trace.log");
    ASSERT_TRUE(conv->store_profile_file(path("first.kvt")));
    const std::string first = read_file(narrow("first.kvt"));

    // Saving does not take the queries out of the converter: a second save writes them again.
    EXPECT_EQ(conv->table_jobs.size(), 1u);
    ASSERT_TRUE(conv->store_profile_file(path("again.kvt")));
    EXPECT_EQ(read_file(narrow("again.kvt")), first);

    fresh_converter();
    ASSERT_TRUE(conv->load_profile_file(path("first.kvt")));
    ASSERT_TRUE(conv->store_profile_file(path("second.kvt")));
    EXPECT_EQ(read_file(narrow("second.kvt")), first);

    // What the fresh converter now holds, setting by setting.
    EXPECT_EQ(conv->m_source_name, L"ORCL");
    EXPECT_EQ(conv->m_log_file, narrow("trace.log"));
    EXPECT_EQ(conv->mode, 3);
    EXPECT_TRUE(conv->skip_idx);
    EXPECT_TRUE(conv->tab_def);
    EXPECT_FALSE(conv->oracle_engine.b_owned_by_user);
    EXPECT_EQ(conv->mysql_engine.character_set(), L"utf8mb4");
    EXPECT_EQ(conv->mysql_engine.table_type(), L"Aria");
    EXPECT_EQ(conv->oracle_user, L"scott");
    EXPECT_EQ(conv->oracle_port, L"1522");
    EXPECT_EQ(conv->mysql_password, "s3cret=x");
    EXPECT_EQ(conv->mysql_port, "3307");
    EXPECT_EQ(conv->dump.unix_eol, 1);
    EXPECT_FALSE(conv->dump.new_version);
    EXPECT_TRUE(conv->dump.create_db);
    EXPECT_FALSE(conv->dump.structure);
    EXPECT_FALSE(conv->mysql_direct);
    EXPECT_TRUE(conv->case_sensitive);
    EXPECT_EQ(conv->selected_tables, (udb_converter::name_list{L"EMP", L"DEPT"}));
    ASSERT_EQ(conv->table_jobs.size(), 1u);
    EXPECT_EQ(conv->table_jobs[0].second, tk_to_unicode(k_emp_query_line));
    EXPECT_EQ(conv->available_queries.size(), 2u);
    EXPECT_EQ(conv->selected_views,
              (udb_converter::text_pairs{{L"V_EMP", L"SELECT ENAME FROM EMP"}}));

    EXPECT_EQ(conv->get_properties()[L"collation"], L"utf8mb4_bin");
    sql_table_mutator* emp = conv->find_table_mutator(L"EMP");
    ASSERT_NE(emp, nullptr);
    EXPECT_EQ(emp->new_name, L"EMPLOYEES");
    EXPECT_EQ(conv->find_by_new_name(L"EMPLOYEES"), emp);
    EXPECT_EQ(emp->get_properties()[L"comment"], L"staff: all");
    ASSERT_NE(emp->find_field_mutator(L"NOTE"), nullptr);
    EXPECT_EQ(emp->find_field_mutator(L"NOTE")->status, udb_field_mutator::status_deleted);
    const sql_field_mutator* name = emp->find_field_mutator(L"NAME");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->status, udb_field_mutator::status_changed);
    EXPECT_EQ(name->new_name, L"FULL_NAME");
    EXPECT_EQ(name->native_type.character_set, L"latin1");
    EXPECT_EQ(name->new_ole_type, VT_BSTR);
    const sql_field_mutator* sal = emp->find_field_mutator(L"SAL");
    ASSERT_NE(sal, nullptr);
    EXPECT_EQ(sal->native_type.precision, 10);
    EXPECT_EQ(sal->native_type.scale, 2);
    EXPECT_EQ(sal->new_ole_type, VT_DECIMAL);
    ASSERT_NE(conv->find_table_mutator(L"DEPT"), nullptr);
    EXPECT_TRUE(conv->find_table_mutator(L"DEPT")->field_mutators().empty());
}

TEST_F(profile_test, file_is_private_and_replaced_whole) {
    fill_everything(*conv);
    ASSERT_TRUE(conv->store_profile_file(path("p.kvt")));
    struct stat st {};
    ASSERT_EQ(stat(narrow("p.kvt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string before = read_file(narrow("p.kvt"));

    // A failed save leaves the previous profile as it was, and no stray temporary file.
    conv->mysql_password = "line\nbreak";
    EXPECT_FALSE(conv->store_profile_file(path("p.kvt")));
    EXPECT_EQ(read_file(narrow("p.kvt")), before);
    conv->mysql_password = "ok";
    ASSERT_EQ(chmod(config_dir.c_str(), 0500), 0);
    const bool stored = conv->store_profile_file(path("p.kvt"));
    chmod(config_dir.c_str(), 0700);
    if (geteuid() != 0) {
        EXPECT_FALSE(stored);
        EXPECT_EQ(read_file(narrow("p.kvt")), before);
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(config_dir))
        files += entry.path().filename().string().rfind("p.kvt", 0) == 0;
    EXPECT_EQ(files, 1);
}

TEST_F(profile_test, names_and_values_that_would_read_back_differently_are_not_saved) {
    conv->selected_tables = {L"A=B"};
    EXPECT_FALSE(conv->store_profile_file(path("eq.kvt")));
    EXPECT_FALSE(std::filesystem::exists(narrow("eq.kvt")));
    conv->selected_tables = {L"[Generic settings]"};
    EXPECT_FALSE(conv->store_profile_file(path("eq.kvt")));
    conv->selected_tables = {L"EMP"};
    conv->get_table_mutator(L"EMP", L"EMP")
        .update_field(L"X", L"X", native(L"VARCHAR", 5, 0, 0, L"a=b"));
    EXPECT_FALSE(conv->store_profile_file(path("eq.kvt")));
    conv->clear();
    EXPECT_TRUE(conv->store_profile_file(path("eq.kvt")));
}

TEST_F(profile_test, empty_mapping_is_database_and_tables_only) {
    ASSERT_TRUE(conv->store_profile_file(path("empty.kvt")));
    const std::string text = read_file(narrow("empty.kvt"));
    const std::string tail = "[Type Mappings]\r\ndatabase:\r\ntables:\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    conv->get_table_mutator(L"OLD", L"OLD_COPY");
    ASSERT_TRUE(conv->load_profile_file(path("empty.kvt")));
    EXPECT_TRUE(conv->table_mutators().empty());
}

TEST_F(profile_test, mapping_read_by_hand) {
    const std::string mappings =
        "database:\r\n"
        "  a: b: c\r\n"
        "tables:\r\n"
        "\r\n"
        "  - name: EMP\r\n"
        "    fields:\r\n"
        "      - name:ID\r\n"
        "        type: INT\r\n"
        "        length: 12abc\r\n"
        "        status: deleted\r\n"
        "      - name: NAME\r\n"
        "        scale: -3\r\n"
        "        precision: x\r\n"
        "  - name: DEPT\r\n"
        "    new_name: DEPARTMENTS\r\n";
    ASSERT_TRUE(load_text(profile_with("", "", mappings)));
    EXPECT_EQ(conv->get_properties(), (udb_properties::property_map{{L"a", L"b: c"}}));
    sql_table_mutator* emp = conv->find_table_mutator(L"EMP");
    ASSERT_NE(emp, nullptr);
    EXPECT_EQ(emp->new_name, L"EMP");
    const sql_field_mutator* id = emp->find_field_mutator(L"ID");
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->status, udb_field_mutator::status_deleted);
    // INT has a fixed size, whatever the line said.
    EXPECT_EQ(id->native_type.length, 4);
    const sql_field_mutator* name = emp->find_field_mutator(L"NAME");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->new_name, L"NAME");
    EXPECT_EQ(name->native_type.scale, -3);
    EXPECT_EQ(name->native_type.precision, 0);
    // A table without fields keeps a destination name.
    ASSERT_NE(conv->find_table_mutator(L"DEPT"), nullptr);
    EXPECT_EQ(conv->find_table_mutator(L"DEPT")->new_name, L"DEPARTMENTS");
}

TEST_F(profile_test, absent_keys_leave_settings_but_mysql_host_and_password) {
    conv->mysql_host = "db.example";
    conv->mysql_password = "pw";
    conv->mysql_user = "u";
    conv->mysql_port = "3310";
    conv->oracle_host = L"ora";
    conv->m_source_name = L"ORCL";
    conv->mode = 2;
    conv->dump.create_db = true;
    ASSERT_TRUE(load_text(profile_with("src=\r\n", "", "")));
    EXPECT_EQ(conv->mysql_host, "");
    EXPECT_EQ(conv->mysql_password, "");
    EXPECT_EQ(conv->mysql_user, "u");
    EXPECT_EQ(conv->mysql_port, "3310");
    EXPECT_EQ(conv->oracle_host, L"ora");
    EXPECT_EQ(conv->m_source_name, L"ORCL");
    EXPECT_EQ(conv->mode, 2);
    EXPECT_TRUE(conv->dump.create_db);
}

TEST_F(profile_test, flag_and_mode_readings) {
    conv->mode = 2;
    conv->mysql_direct = true;
    ASSERT_TRUE(
        load_text(profile_with("skip indexes=yes\r\nonly definitions=0\r\nmode=14\r\n"
                               "view owned=yes\r\n",
                               "direct mode=yes\r\ndump line break=2\r\n", "")));
    EXPECT_TRUE(conv->skip_idx);
    EXPECT_FALSE(conv->tab_def);
    EXPECT_EQ(conv->mode, 2);
    EXPECT_FALSE(conv->oracle_engine.b_owned_by_user);
    EXPECT_FALSE(conv->mysql_direct);
    EXPECT_EQ(conv->dump.unix_eol, 0);

    ASSERT_TRUE(load_text(profile_with("mode=4\r\n", "", "")));
    EXPECT_EQ(conv->mode, 4);
    for (const char* bad : {"mode=7\r\n", "mode=x\r\n"}) {
        try {
            load_text(profile_with(bad, "", ""));
            ADD_FAILURE() << bad;
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 1);
            EXPECT_NE(std::string(e.what()).find("0 to 4"), std::string::npos);
        }
        EXPECT_EQ(conv->mode, 4);
    }
}

TEST_F(profile_test, dump_line_end_other_than_crlf_is_kept) {
    conv->dump.unix_eol = 2;
    ASSERT_TRUE(conv->store_profile_file(path("eol.kvt")));
    conv->dump.unix_eol = 0;
    ASSERT_TRUE(conv->load_profile_file(path("eol.kvt")));
    EXPECT_NE(conv->dump.unix_eol, 0);
}

TEST_F(profile_test, hand_written_profile_with_signature_and_crlf) {
    const std::string text =
        "\xEF\xBB\xBF[Selected Tables]\r\n"
        "EMP\r\n"
        "Q1=SELECT 1 FROM DUAL\r\n"
        "\r\n"
        "[Generic settings]\r\n"
        "src=XE\r\n"
        "mode=1\r\n"
        "[MySQL settings]\r\n"
        "host=localhost\r\n"
        "[Type Mappings]\r\n"
        "database:\r\n"
        "tables:\r\n"
        "  - name: EMP\r\n"
        "    new_name: STAFF\r\n"
        "    fields:\r\n";
    ASSERT_TRUE(load_text(text));
    EXPECT_EQ(conv->selected_tables, (udb_converter::name_list{L"EMP"}));
    EXPECT_EQ(conv->table_jobs, (udb_converter::text_pairs{{L"Q1", L"SELECT 1 FROM DUAL"}}));
    EXPECT_EQ(conv->m_source_name, L"XE");
    EXPECT_EQ(conv->mode, 1);
    EXPECT_EQ(conv->mysql_host, "localhost");
    ASSERT_NE(conv->find_table_mutator(L"EMP"), nullptr);
    EXPECT_EQ(conv->find_table_mutator(L"EMP")->new_name, L"STAFF");
}

TEST_F(profile_test, lists_are_appended_and_missing_file_is_reported) {
    conv->selected_tables = {L"A"};
    ASSERT_TRUE(load_text("[Selected Tables]\r\nB\r\n"));
    EXPECT_EQ(conv->selected_tables, (udb_converter::name_list{L"A", L"B"}));
    try {
        conv->load_profile_file(path("missing.kvt"));
        ADD_FAILURE();
    } catch (const tk_exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Profile does not exist. Please verify the correct path/name was given.");
        EXPECT_EQ(e.level(), 1);
    }
    EXPECT_THROW(load_text("src=before any section\r\n[Generic settings]\r\n"), tk_exception);
}

TEST(sql_one_line, line_breaks_become_blanks) {
    EXPECT_EQ(sql_one_line(L"SELECT A,\r\n  B\nFROM T\rWHERE 1=1\r\n"),
              L"SELECT A,   B FROM T WHERE 1=1");
    EXPECT_EQ(sql_one_line(L"SELECT 1 FROM DUAL"), L"SELECT 1 FROM DUAL");
}

TEST(sql_one_line, line_comments_stay_comments) {
    EXPECT_EQ(sql_one_line(L"SELECT A -- the key\nFROM T"), L"SELECT A /* the key*/ FROM T");
    // A comment text that would end the block comment early is defused.
    EXPECT_EQ(sql_one_line(L"SELECT A -- a */ b\nFROM T"), L"SELECT A /* a * / b*/ FROM T");
    // Hints keep their form.
    EXPECT_EQ(sql_one_line(L"SELECT --+ FULL(T)\nA FROM T"), L"SELECT /*+ FULL(T)*/ A FROM T");
    // A comment at the very end swallows nothing.
    EXPECT_EQ(sql_one_line(L"SELECT A FROM T -- done"), L"SELECT A FROM T -- done");
    // "--" inside literals, identifiers and block comments is no comment.
    EXPECT_EQ(sql_one_line(L"SELECT '--x', \"a--b\" /* --\n */ FROM T"),
              L"SELECT '--x', \"a--b\" /* --  */ FROM T");
}

TEST(sql_one_line, line_breaks_in_literals_keep_their_value) {
    EXPECT_EQ(sql_one_line(L"SELECT 'a\nb' FROM T"), L"SELECT ('a' || CHR(10) || 'b') FROM T");
    EXPECT_EQ(sql_one_line(L"SELECT 'it''s\r\n' FROM T"),
              L"SELECT ('it''s' || CHR(13) || CHR(10)) FROM T");
    EXPECT_EQ(sql_one_line(L"SELECT N'x\ry' FROM T"), L"SELECT (N'x' || CHR(13) || N'y') FROM T");
    EXPECT_EQ(sql_one_line(L"SELECT q'[it's\n]' FROM T"), L"SELECT (q'[it's]' || CHR(10)) FROM T");
    EXPECT_EQ(sql_one_line(L"SELECT nq'!a\nb!' FROM T"),
              L"SELECT (nq'!a!' || CHR(10) || nq'!b!') FROM T");
    // A name ending in q before a quote is no q-literal.
    EXPECT_EQ(sql_one_line(L"SELECT xq'a\nb' FROM T"), L"SELECT xq('a' || CHR(10) || 'b') FROM T");
    // White space is no q-literal delimiter.
    EXPECT_EQ(sql_one_line(L"SELECT q'\na\n' FROM T"),
              L"SELECT q(CHR(10) || 'a' || CHR(10)) FROM T");
    // Unterminated text is only flattened.
    EXPECT_EQ(sql_one_line(L"SELECT 'a\nb"), L"SELECT 'a b");
    EXPECT_EQ(sql_one_line(L"SELECT q'"), L"SELECT q'");
}

TEST(sql_one_line, is_stable_under_repetition) {
    const std::wstring texts[] = {L"SELECT 'a\nb' -- c\n, q'<x\n>' FROM T -- end", L"SELECT 1 \n\n",
                                  L"--\n--\n", L"'\n'\n'"};
    for (const std::wstring& t : texts) {
        const std::wstring once = sql_one_line(t);
        EXPECT_EQ(once.find_first_of(L"\r\n"), std::wstring::npos);
        EXPECT_EQ(sql_one_line(once), once);
    }
}

}  // namespace
