// The converter's settings in the per-user store, its halves' checks, the destination checks,
// and the error handler's texts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "ORA/ora_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_reg_key.h"
#include "TK/tk_test_helpers.h"
#include "TK/tk_utils.h"
#include "UDB/udb_record.h"
#include "converter/converter_test_support.h"
#include "converter/dates_map.h"
#include "variant/ole_date.h"

namespace {

std::string registry_text(const std::string& dir) {
    std::ifstream in(dir + "/registry.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string tk_message(const std::function<void()>& f) {
    try {
        f();
    } catch (const tk_exception& e) {
        return std::to_string(e.level()) + ":" + e.message();
    }
    return "no error";
}

// A fresh folder removed with its content.
struct scratch_dir {
    scratch_dir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "conv_XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~scratch_dir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string path_;
};

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

using settings_test = conversion_test;

TEST_F(settings_test, first_start_writes_every_value_with_its_default) {
    conv.reset();
    const std::string text = registry_text(config_dir);
    const char* const names[] = {"char_set",       "tab_type",      "dmp_line_br", "dmp_new_ver",
                                 "dmp_loc_wri",    "dmp_ins_com",   "dmp_ins_db",  "dmp_ins_tab",
                                 "case sensitive", "convert_views", "dest",        "host",
                                 "log_file",       "mysql direct",  "oraclei",     "oraclep",
                                 "oracleu",        "port",          "port2",       "pswd",
                                 "skip_idx",       "src",           "tab_def",     "user",
                                 "use_schema",     "view_owned"};
    int found = 0;
    for (const char* name : names) {
        if (text.find(std::string("\"") + name + "\"=") != std::string::npos)
            ++found;
        else
            ADD_FAILURE() << name << " missing in\n" << text;
    }
    EXPECT_EQ(found, 26);
    EXPECT_NE(text.find("\"char_set\"=\"utf8\""), std::string::npos);
    EXPECT_NE(text.find("\"port\"=\"3306\""), std::string::npos);
    EXPECT_NE(text.find("\"port2\"=\"1521\""), std::string::npos);
    EXPECT_NE(text.find("\"mysql direct\"=dword:00000001"), std::string::npos);
    EXPECT_NE(text.find("\"dmp_ins_db\"=dword:00000000"), std::string::npos);
}

TEST_F(settings_test, settings_survive_a_restart_and_bad_values_keep_their_defaults) {
    conv->mode = 3;  // travels in profiles only
    conv->skip_idx = true;
    conv->mysql_direct = false;
    conv->m_destination_name = L"/tmp/d\u00e9mo.sql";
    conv->store_mysql_settings("db.example", "joe", "s3cret", "3307");
    conv->store_oracle_settings(L"orahost", L"SCOTT", L"tiger", L"1522");
    conv->mysql_engine.set_character_set(L"latin1");
    conv->dump.unix_eol = 1;
    conv.reset();

    conv = std::make_unique<tabshift_convertor>();
    EXPECT_EQ(conv->mode, 0);
    EXPECT_TRUE(conv->skip_idx);
    EXPECT_FALSE(conv->mysql_direct);
    EXPECT_EQ(conv->m_destination_name, L"/tmp/d\u00e9mo.sql");
    EXPECT_EQ(conv->mysql_host, "db.example");
    EXPECT_EQ(conv->mysql_password, "s3cret");
    EXPECT_EQ(conv->mysql_port, "3307");
    EXPECT_EQ(conv->oracle_user, L"SCOTT");
    EXPECT_EQ(conv->oracle_port, L"1522");
    EXPECT_EQ(conv->mysql_engine.character_set(), L"latin1");
    EXPECT_EQ(conv->dump.unix_eol, 1);
    conv.reset();

    // A value of the wrong type, a missing one, and a character set that is no identifier.
    {
        tk_reg_key key;
        ASSERT_EQ(key.create(HKEY_CURRENT_USER, k_settings_key), ERROR_SUCCESS);
        EXPECT_EQ(key.set_value("yes", "skip_idx"), ERROR_SUCCESS);
        EXPECT_EQ(RegDeleteValueA(key.handle(), "port"), ERROR_SUCCESS);
        EXPECT_EQ(key.set_value(L"utf8; drop table x", L"char_set"), ERROR_SUCCESS);
    }
    conv = std::make_unique<tabshift_convertor>();
    EXPECT_FALSE(conv->skip_idx);
    EXPECT_EQ(conv->mysql_port, "3306");
    EXPECT_EQ(conv->mysql_engine.character_set(), L"utf8");
    EXPECT_EQ(conv->mysql_host, "db.example");
    EXPECT_FALSE(conv->serialize(false));
}

TEST_F(settings_test, passwords_never_reach_the_trace_log) {
    ora_log_capture log("conv_passwords", 1);
    conv->store_mysql_settings(" host ", " user ", "MyS3cretPw", " ");
    conv->store_oracle_settings(L"h", L"u", L"OraS3cretPw", L"1521");
    const std::string text = log.finish();
    EXPECT_EQ(text.find("MyS3cretPw"), std::string::npos) << text;
    EXPECT_EQ(text.find("OraS3cretPw"), std::string::npos) << text;
    EXPECT_NE(text.find("store_mysql_settings( host , user ,********, )"), std::string::npos)
        << text;
    // Blanks are trimmed; an empty port is the default one.
    EXPECT_EQ(conv->mysql_host, "host");
    EXPECT_EQ(conv->mysql_port, "3306");
}

TEST_F(settings_test, port_must_be_a_number_before_any_connection) {
    conv->store_mysql_settings("127.0.0.1", "u", "p", "abc");
    EXPECT_EQ(conv->mysql_port, "abc");
    EXPECT_EQ(tk_message([&] { conv->connect_mysql_server(); }), "1:Invalid port number");
    conv->store_mysql_settings("127.0.0.1", "u", "p", "  3307  ");
    EXPECT_EQ(conv->mysql_port, "3307");
}

TEST_F(settings_test, database_names_are_checked_by_server_generation) {
    conv->mysql_engine.version_word = 0x040000;
    EXPECT_EQ(tk_message([&] { conv->check_mysql_db_name(L"123"); }),
              "1:Not a valid MySQL database name. It cannot consist only of numbers\nor start "
              "with a digit and must differ from any MySQL keyword. Use\nalphanumeric symbols "
              "(A-Z, a-z, 0-9), '_' and '$' to compose\nnew database name.");
    EXPECT_EQ(tk_message([&] { conv->check_mysql_db_name(L"shop"); }), "no error");
    conv->mysql_engine.version_word = 0x050700;
    EXPECT_EQ(tk_message([&] { conv->check_mysql_db_name(L"a/b"); }),
              "1:Not a valid MySQL database name. Use alphanumeric characters\r\n(A-Z, a-z, "
              "0-9), '_', '$' and spaces to compose new database name.");
}

TEST_F(settings_test, views_need_a_dump_or_a_server_after_5_0_0) {
    conv->mysql_direct = false;
    EXPECT_TRUE(conv->can_create_views());
    conv->mysql_direct = true;
    conv->mysql_engine.version_word = 0x050000;
    EXPECT_FALSE(conv->can_create_views());
    conv->mysql_engine.version_word = 0x050001;
    EXPECT_TRUE(conv->can_create_views());
    EXPECT_EQ(get_caption(), L"Tidewell 6.3");
}

TEST_F(settings_test, dump_destinations_are_checked_and_old_files_kept_until_replaced) {
    scratch_dir dir;
    EXPECT_EQ(tk_message([&] { common_check_dest(tk_to_unicode(dir.path())); }),
              "1:Destination name should specify a file, not folder.");
    EXPECT_EQ(tk_message([&] { common_check_dest(tk_to_unicode(dir.path() + "/no/x.sql")); }),
              "1:Destination path does not exist.\nPlease verify the correct path was given.");
    const std::string file = dir.file("old.sql");
    write_file(file, "old");
    if (getuid() != 0) {
        chmod(file.c_str(), 0444);
        EXPECT_EQ(tk_message([&] { common_check_dest(tk_to_unicode(file)); }),
                  "1:Destination name specifies an existing read-only file.");
        chmod(file.c_str(), 0644);
    }
    // The old file stays until a whole new dump replaces it; a device is never taken for one.
    conv->mysql_direct = false;
    conv->check_dest(tk_to_unicode(file));
    EXPECT_EQ(read_file(file), "old");
    EXPECT_NE(tk_message([&] { conv->check_dest(L"/dev/null"); }).find("not a regular file"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST_F(settings_test, source_lookups_without_a_source_are_internal_errors) {
    EXPECT_NE(internal_error_of([&] { conv->get_all_tables(); }), "");
    EXPECT_NE(internal_error_of([&] { conv->get_schema(L"EMP"); }), "");
    EXPECT_TRUE(conv->get_all_views().empty());
    // Opening fails for a source that does not exist: false, not an exception.
    conv->service_name = L"/nonexistent/instance";
    EXPECT_FALSE(conv->test_query(L"SELECT 1 FROM dual"));
}

TEST_F(settings_test, a_failed_connection_leaves_no_source) {
    ora_test_instance inst;
    inst.add_user("A", "a");
    inst.run("A", "a", {"CREATE TABLE T (X NUMBER(2))"});
    connect_source(inst, L"A", L"a");
    ASSERT_NE(conv->source(), nullptr);
    EXPECT_EQ(conv->get_all_tables(), std::vector<std::wstring>{L"T"});
    EXPECT_EQ(conv->get_schema(L"T").size(), 1u);
    EXPECT_TRUE(conv->test_query(L"SELECT X FROM T"));
    EXPECT_FALSE(conv->test_query(L"SELECT Y FROM T"));
    conv->store_oracle_settings(L"", L"A", L"wrong", L"");
    EXPECT_THROW(conv->connect_oracle_server(inst.wdir()), ora_exception);
    EXPECT_EQ(conv->source(), nullptr);
}

TEST(error_handler_texts, prefix_then_advice_or_own_message) {
    test_error_handler handler;
    tk_exception plain(std::string("Table is full"), 0);
    EXPECT_EQ(handler.compose_text(plain), "Table is full");
    handler.format_record_error(L"EMP", 7);
    EXPECT_EQ(handler.prefix, "EMP, record #7");
    struct coded : tk_exception {
        coded(int c) : tk_exception(std::string("Duplicate entry '1' for key 'PRIMARY'"), 0) {
            m_code = c;
        }
    };
    EXPECT_EQ(handler.compose_text(coded(0x400426)),
              "EMP, record #7: Duplicate entry '1' for key 'PRIMARY'\nDuplicate field values "
              "being used for an unique index were found.\nSee 'Troubleshooting' article of the "
              "product documentation\nfor solution.");
    EXPECT_EQ(handler.compose_text(coded(0x1003F9)),
              "EMP, record #7: Invalid user name or password.");
    handler.set_error_text(L"DEPT");
    EXPECT_EQ(handler.compose_text(plain), "DEPT: Table is full");
    handler.set_error_text(L"");
    EXPECT_EQ(handler.compose_text(plain), "Table is full");
}

TEST(error_handler_texts, long_names_are_shortened_visibly_within_the_buffer) {
    test_error_handler handler;
    const std::wstring name(300, L'N');
    handler.format_record_error(name, 123456);
    EXPECT_LE(handler.prefix.size(), 255u);
    EXPECT_NE(handler.prefix.find("..., record #123456"), std::string::npos) << handler.prefix;
    const std::wstring line = format_name_line(L"Converting table '%s' (%d records)\n", name, 5);
    EXPECT_LE(line.size(), 255u);
    EXPECT_EQ(line.substr(line.size() - 17), L"...' (5 records)\n");
    // Never half a surrogate pair.
    std::wstring emoji;
    for (int i = 0; i < 200; ++i) emoji += L"\U0001F600";
    EXPECT_NO_THROW(tk_to_utf8(format_name_line(L"%s #%d", emoji, 1)));
}

TEST(dates_statistics, verdicts_follow_the_values_seen) {
    udb_schema fields;
    fields.add_field(t_ftd(0, L"ID", VT_I4, false, false, ole_variant(), 0, L""));
    fields.add_field(
        t_ftd(8, L"D", VT_DATE, true, false, ole_variant(std::wstring(L"2000-01-01")), 0, L""));
    fields.add_field(t_ftd(8, L"T", VT_DATE, false, false, ole_variant(), 0, L""));
    dates_map dates(L"EMP", fields, true);
    ASSERT_EQ(dates.entries().size(), 2u);
    EXPECT_EQ(dates.entries()[0].field_index, 1);
    EXPECT_EQ(dates.entries()[0].initial_verdict, 1);

    auto feed = [&](const wchar_t* d, const wchar_t* t) {
        udb_record record;
        record.add_field(udb_field(L"ID", 4, ole_variant(1)));
        record.add_field(udb_field(L"D", 8, ole_variant(std::wstring(d))));
        record.add_field(udb_field(L"T", 8, ole_variant(std::wstring(t))));
        dates.add_rec_stat(record);
    };
    feed(L"2024-01-05", L"10:00:00");
    EXPECT_EQ(dates.entries()[0].verdict, 2);
    EXPECT_EQ(dates.entries()[1].verdict, 3);
    feed(L"2024-01-06 10:00:00", L"2024-01-05");
    EXPECT_EQ(dates.entries()[0].verdict, 1);
    EXPECT_EQ(dates.entries()[1].verdict, 0);

    // DATETIME equals the initial verdict: nothing to revise; CHAR(19) is queued once and the
    // queue is empty after it ran (the next table must not see it again).
    mysql_converter_impl half;
    half.date_post_process(fields, dates);
    ASSERT_EQ(half.refine_queue.size(), 1u);
    EXPECT_EQ(half.refine_queue[0], L"ALTER TABLE `EMP` MODIFY `T` CHAR(19)");
    dates.entries()[0].verdict = 2;
    half.refine_queue.clear();
    half.date_post_process(fields, dates);
    ASSERT_EQ(half.refine_queue.size(), 2u);
    EXPECT_EQ(half.refine_queue[0].rfind(L"ALTER TABLE `EMP` MODIFY `D` DATE NOT NULL DEFAULT ", 0),
              0u)
        << tk_to_utf8(half.refine_queue[0]);
}

TEST(dates_statistics, unseen_columns_are_never_revised) {
    udb_schema fields;
    fields.add_field(t_ftd(8, L"D", VT_DATE, false, false, ole_variant(), 0, L""));
    dates_map dates(L"T", fields, true);
    mysql_converter_impl half;
    half.date_post_process(fields, dates);
    EXPECT_TRUE(half.refine_queue.empty());
}

}  // namespace
