#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"
#include "udb_test_helpers.h"

namespace {

std::wstring wide(const std::filesystem::path& p) {
    return p.wstring();
}

}  // namespace

TEST(udb_profile, new_profile_is_stored_in_name_order) {
    scratch_dir dir;
    udb_profile p;
    ASSERT_TRUE(p.store(wide(dir.path("new.kvt"))));
    EXPECT_EQ(read_file_bytes(dir.path("new.kvt")),
              "[Available Queries]\r\n\r\n"
              "[Generic settings]\r\n\r\n"
              "[Selected Tables]\r\n\r\n"
              "[Selected Views]\r\n\r\n");
}

TEST(udb_profile, store_layout) {
    scratch_dir dir;
    udb_profile p;
    p.set_value(L"Selected Tables", L"EMP", L"");
    p.set_value(L"Selected Tables", L"DEPT", L"D2");
    p.set_value(L"Generic settings", L"empty", L"");
    p.set_value(L"Generic settings", L"mode", L"1");
    p.set_value(L"Generic settings", L"mode", L"2");
    p.add_list_item(L"Type Mappings", L"  EMP");
    p.add_list_item(L"Type Mappings", L"    ID ");
    ASSERT_TRUE(p.store(wide(dir.path("p.kvt"))));
    EXPECT_EQ(read_file_bytes(dir.path("p.kvt")),
              "[Available Queries]\r\n\r\n"
              "[Generic settings]\r\nempty=\r\nmode=1\r\nmode=2\r\n\r\n"
              "[Selected Tables]\r\nEMP\r\nDEPT=D2\r\n\r\n"
              "[Selected Views]\r\n\r\n"
              "[Type Mappings]\r\n  EMP\r\n    ID \r\n");
    EXPECT_EQ(p.get_value(L"Generic settings", L"mode"), L"1");
    EXPECT_EQ(p.get_value(L"Generic settings", L"none"), L"");
    EXPECT_EQ(p.get_value(L"No section", L"mode"), L"");
}

TEST(udb_profile, round_trip_of_every_section) {
    scratch_dir dir;
    const std::wstring long_query = L"SELECT " + std::wstring(100 * 1024, L'x') + L" FROM DUAL";
    udb_profile out;
    out.set_value(L"Available Queries", L"Q1", long_query);
    out.set_value(L"Available Queries", L"Q2", L"select a from b where c = 'd=e'");
    out.set_value(L"Generic settings", L"password", L"  leading spaces");
    out.set_value(L"Generic settings", L"Grüße", L"Ελληνικά 日本語 €");
    out.set_value(L"Selected Tables", L"EMP", L"");
    out.set_value(L"Selected Tables", L"DEPT", L"");
    out.set_value(L"Selected Views", L"V_EMP", L"");
    out.add_list_item(L"Type Mappings", L"  EMP");
    out.add_list_item(L"Type Mappings", L"    ID");
    ASSERT_TRUE(out.store(wide(dir.path("rt.kvt"))));

    udb_profile in;
    ASSERT_TRUE(in.load(wide(dir.path("rt.kvt"))));
    EXPECT_EQ(in.get_value(L"Available Queries", L"Q1"), long_query);
    EXPECT_EQ(in.get_value(L"Available Queries", L"Q2"), L"select a from b where c = 'd=e'");
    EXPECT_EQ(in.get_value(L"Generic settings", L"password"), L"  leading spaces");
    EXPECT_EQ(in.get_value(L"Generic settings", L"Grüße"), L"Ελληνικά 日本語 €");
    EXPECT_EQ(in.get_selected_tables(), (udb_profile::pair_list{{L"EMP", L""}, {L"DEPT", L""}}));
    EXPECT_EQ(in.get_selected_views(), (udb_profile::pair_list{{L"V_EMP", L""}}));
    EXPECT_EQ(in.get_available_queries().size(), 2u);
    EXPECT_EQ(in.get_list(L"Type Mappings"), (udb_profile::line_list{L"  EMP", L"    ID"}));
    // Bare lines are list lines and keys at once; table names reach the list form too.
    EXPECT_EQ(in.get_list(L"Selected Tables"), (udb_profile::line_list{L"EMP", L"DEPT"}));

    // What was read writes back the same, apart from the list forms that reading adds.
    ASSERT_TRUE(in.store(wide(dir.path("rt2.kvt"))));
    udb_profile again;
    ASSERT_TRUE(again.load(wide(dir.path("rt2.kvt"))));
    EXPECT_EQ(again.get_value(L"Available Queries", L"Q1"), long_query);
    EXPECT_EQ(again.get_value(L"Generic settings", L"Grüße"), L"Ελληνικά 日本語 €");
}

TEST(udb_profile, reading_rules) {
    scratch_dir dir;
    write_file_bytes(dir.path("r.kvt"),
                     "  [Generic settings]  \r\n"
                     "key = value \r\n"
                     "  list=line\n"
                     "\r\n"
                     "   \r\n"
                     "[Other]\r\n"
                     "  bare line\r\n"
                     "[Generic settings]\r\n"
                     "second=2\r\n"
                     "[Selected Tables]\r\n"
                     "EMP\r\n");
    udb_profile p;
    ASSERT_TRUE(p.load(wide(dir.path("r.kvt"))));
    const auto& gs = p.sections().at(L"Generic settings");
    ASSERT_EQ(gs.size(), 3u);
    EXPECT_EQ(gs[0], (std::pair<std::wstring, std::wstring>{L"key", L" value"}));
    EXPECT_EQ(gs[1], (std::pair<std::wstring, std::wstring>{L"list", L"line"}));
    EXPECT_EQ(gs[2], (std::pair<std::wstring, std::wstring>{L"second", L"2"}));
    EXPECT_EQ(p.list_sections().count(L"Generic settings"), 0u);
    EXPECT_EQ(p.get_list(L"Other"), (udb_profile::line_list{L"  bare line"}));
    EXPECT_EQ(p.get_value(L"Other", L"bare line"), L"");
    EXPECT_EQ(p.sections().at(L"Other").size(), 1u);
    EXPECT_EQ(p.get_selected_tables(), (udb_profile::pair_list{{L"EMP", L""}}));
}

TEST(udb_profile, section_with_pairs_and_bare_lines_is_written_twice) {
    scratch_dir dir;
    write_file_bytes(dir.path("in.kvt"), "[Mixed]\r\na=1\r\nbare\r\n");
    udb_profile p;
    ASSERT_TRUE(p.load(wide(dir.path("in.kvt"))));
    ASSERT_TRUE(p.store(wide(dir.path("out.kvt"))));
    const std::string text = read_file_bytes(dir.path("out.kvt"));
    EXPECT_NE(text.find("[Mixed]\r\na=1\r\nbare=\r\n\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Mixed]\r\nbare\r\n"), std::string::npos) << text;
}

TEST(udb_profile, lines_before_the_first_section_stop_loading) {
    scratch_dir dir;
    write_file_bytes(dir.path("bad.kvt"), "\r\nkey=value\r\n[Generic settings]\r\na=1\r\n");
    udb_profile p;
    EXPECT_FALSE(p.load(wide(dir.path("bad.kvt"))));
    EXPECT_EQ(p.get_value(L"Generic settings", L"a"), L"");

    write_file_bytes(dir.path("bare.kvt"), "bare\r\n[Generic settings]\r\na=1\r\n");
    udb_profile q;
    EXPECT_FALSE(q.load(wide(dir.path("bare.kvt"))));

    // What was read before the offending line stays.
    write_file_bytes(dir.path("late.kvt"), "[S]\r\na=1\r\n");
    udb_profile r;
    ASSERT_TRUE(r.load(wide(dir.path("late.kvt"))));
    EXPECT_EQ(r.get_value(L"S", L"a"), L"1");
}

TEST(udb_profile, missing_file_is_a_level_one_error) {
    scratch_dir dir;
    udb_profile p;
    try {
        p.load(wide(dir.path("none.kvt")));
        FAIL() << "no exception";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_STREQ(e.what(),
                     "Profile does not exist. Please verify the correct path/name was given.");
    }
}

TEST(udb_profile, unwritable_path_gives_false) {
    scratch_dir dir;
    udb_profile p;
    EXPECT_FALSE(p.store(wide(dir.path("no/such/dir/p.kvt"))));
}

TEST(udb_profile, failed_writes_are_not_reported_as_saved) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    udb_profile p;
    p.set_value(L"Available Queries", L"Q", std::wstring(64 * 1024, L'q'));
    EXPECT_FALSE(p.store(L"/dev/full"));
}

TEST(udb_profile, a_store_that_fails_leaves_the_previous_file_whole) {
    scratch_dir dir;
    const std::filesystem::path path = dir.path("keep.kvt");
    udb_profile before;
    before.set_value(L"Generic settings", L"mode", L"1");
    ASSERT_TRUE(before.store(wide(path)));
    const std::string saved = read_file_bytes(path);

    // A lone surrogate has no UTF-8 form: the conversion fails half way through the sections.
    udb_profile broken;
    broken.set_value(L"Generic settings", L"name", std::wstring(1, static_cast<wchar_t>(0xD800)));
    try {
        EXPECT_FALSE(broken.store(wide(path)));
    } catch (const tk_exception&) {
    }
    EXPECT_EQ(read_file_bytes(path), saved);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST(udb_profile, sections_and_lists) {
    udb_profile p;
    EXPECT_TRUE(p.get_available_queries().empty());
    p.add_section(L"Generic settings");
    EXPECT_EQ(p.sections().size(), 4u);
    p.add_section(L"Extra");
    EXPECT_EQ(p.sections().size(), 5u);
    EXPECT_TRUE(p.get_list(L"Type Mappings").empty());
    EXPECT_EQ(p.list_sections().size(), 1u);
}

TEST(udb_profile, sections_are_ordered_by_utf16_code_units) {
    scratch_dir dir;
    udb_profile p;
    p.set_value(L"\uE000 private", L"k", L"1");
    p.set_value(L"\U0001F600 emoji", L"k", L"2");
    p.set_value(L"Z", L"k", L"3");
    ASSERT_TRUE(p.store(wide(dir.path("o.kvt"))));
    const std::string text = read_file_bytes(dir.path("o.kvt"));
    const auto z = text.find("[Z]");
    const auto emoji = text.find("[\xF0\x9F\x98\x80 emoji]");
    const auto priv = text.find("[\xEE\x80\x80 private]");
    ASSERT_NE(emoji, std::string::npos);
    ASSERT_NE(priv, std::string::npos);
    EXPECT_LT(z, emoji);
    EXPECT_LT(emoji, priv);
}

TEST(udb_profile, non_ascii_paths) {
    scratch_dir dir;
    // The process runs in the "C" locale, whose file names the system takes as UTF-8.
    const std::string path = dir.path("profil\xC3\xA9 \xC3\xBC.kvt").string();
    const std::wstring wpath = tk_to_unicode(path);
    udb_profile out;
    out.set_value(L"Generic settings", L"src", L"scott");
    ASSERT_TRUE(out.store(wpath));
    EXPECT_TRUE(std::filesystem::exists(path));
    udb_profile in;
    ASSERT_TRUE(in.load(wpath));
    EXPECT_EQ(in.get_value(L"Generic settings", L"src"), L"scott");
}

TEST(udb_profile, a_file_that_cannot_be_read_is_an_internal_error) {
    // The process's own memory opens for reading but its first page is unmapped, so every read
    // fails: only such a file, not a long line, ends loading with the internal error.
    if (!tk_is_file_exist(std::string("/proc/self/mem"), 0x4000))
        GTEST_SKIP() << "no /proc/self/mem";
    udb_profile p;
    try {
        p.load(L"/proc/self/mem");
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(e.message(), make_err_meggase("udb_prof", 114));
    }
}
