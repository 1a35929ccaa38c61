#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "TK/tk_yaml_config.h"
#include "udb_test_helpers.h"

namespace {

tk_yaml_config load_text(const scratch_dir& dir, const std::string& text,
                         const std::set<std::wstring>& deny = {}) {
    write_file_bytes(dir.path("types.map"), text);
    tk_yaml_config cfg;
    EXPECT_TRUE(cfg.load(dir.path("types.map").string(), deny));
    return cfg;
}

using items = std::vector<std::wstring>;

}  // namespace

TEST(tk_yaml_config, keys_and_items) {
    scratch_dir dir;
    auto cfg = load_text(dir,
                         "VARCHAR:\r\n"
                         "- TEXT\r\n"
                         "   -   CHAR   \n"
                         "-\n"
                         "INT:\n"
                         "-BIGINT\n"
                         "VARCHAR:\n"
                         "- TEXT\n");
    ASSERT_EQ(cfg.size(), 2u);
    EXPECT_EQ(cfg[L"VARCHAR"], (items{L"TEXT", L"CHAR", L"", L"TEXT"}));
    EXPECT_EQ(cfg[L"INT"], (items{L"BIGINT"}));
}

TEST(tk_yaml_config, keys_without_items_are_absent) {
    scratch_dir dir;
    auto cfg = load_text(dir, "A:\nB:\n\n   \n");
    EXPECT_TRUE(cfg.empty());
}

TEST(tk_yaml_config, what_counts_as_key_and_item) {
    scratch_dir dir;
    auto cfg = load_text(dir,
                         "- orphan\n"
                         "KEY :\n"
                         "- a\n"
                         "\t- tabbed\n"
                         "plain text\n"
                         "-dash key:\n"
                         "- b\n");
    EXPECT_EQ(cfg[L""], (items{L"orphan"}));
    EXPECT_EQ(cfg.count(L"KEY"), 0u);
    EXPECT_EQ(cfg[L"KEY "], (items{L"a"}));
    EXPECT_EQ(cfg[L"-dash key"], (items{L"b"}));
    EXPECT_EQ(cfg.size(), 3u);
}

TEST(tk_yaml_config, deny_set_filters_items) {
    scratch_dir dir;
    auto cfg = load_text(dir, "T:\n- GEOMETRY\n- TEXT\n- geometry\n", {L"GEOMETRY"});
    EXPECT_EQ(cfg[L"T"], (items{L"TEXT", L"geometry"}));
}

TEST(tk_yaml_config, loading_twice_doubles_lists) {
    scratch_dir dir;
    write_file_bytes(dir.path("t.map"), "T:\n- A\n");
    tk_yaml_config cfg;
    ASSERT_TRUE(cfg.load(dir.path("t.map").string(), {}));
    ASSERT_TRUE(cfg.load(dir.path("t.map").string(), {}));
    EXPECT_EQ(cfg[L"T"], (items{L"A", L"A"}));
}

TEST(tk_yaml_config, signature_bytes_stay_in_the_first_key) {
    scratch_dir dir;
    auto cfg = load_text(dir, "\xEF\xBB\xBFVARCHAR:\n- TEXT\n");
    EXPECT_EQ(cfg.count(L"VARCHAR"), 0u);
    EXPECT_EQ(cfg[L"\uFEFFVARCHAR"], (items{L"TEXT"}));
}

TEST(tk_yaml_config, utf8_and_long_lines) {
    scratch_dir dir;
    const std::string long_item(20000, 'z');
    auto cfg = load_text(dir, "Größe:\n- Ελληνικά\n- " + long_item + "\n- last-without-newline");
    EXPECT_EQ(cfg[L"Größe"],
              (items{L"Ελληνικά", std::wstring(20000, L'z'), L"last-without-newline"}));
}

TEST(tk_yaml_config, missing_file_changes_nothing) {
    scratch_dir dir;
    tk_yaml_config cfg;
    cfg[L"K"].push_back(L"v");
    EXPECT_FALSE(cfg.load(dir.path("none.map").string(), {}));
    EXPECT_EQ(cfg.size(), 1u);
}

TEST(tk_yaml_config, unreadable_path_is_not_read_to_its_end) {
    // A directory opens like a file here but yields nothing: that is no type file at all.
    scratch_dir dir;
    std::filesystem::create_directories(dir.path("sql.map"));
    tk_yaml_config cfg;
    EXPECT_FALSE(cfg.load(dir.path("sql.map").string(), {}));
    EXPECT_TRUE(cfg.empty());
}

TEST(tk_yaml_config, bytes_that_are_not_utf8_raise_a_conversion_error) {
    scratch_dir dir;
    write_file_bytes(dir.path("latin1.map"),
                     "T:\n- Gr\xF6\xDF"
                     "e\n");
    tk_yaml_config cfg;
    try {
        cfg.load(dir.path("latin1.map").string(), {});
        FAIL() << "no exception";
    } catch (const tk_exception_ex& e) {
        EXPECT_EQ(e.level(), 0);
    }
}
