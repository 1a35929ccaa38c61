// How a profile file is written and opened: private to its owner, replaced whole, through a
// symbolic link, and read when an editor put a UTF-8 signature in front.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "UDB/udb_profile.h"
#include "udb_test_helpers.h"

namespace {

std::wstring wide(const std::filesystem::path& p) {
    return p.wstring();
}

unsigned mode_of(const std::filesystem::path& p) {
    struct stat st {};
    if (stat(p.c_str(), &st) != 0) return 0;
    return st.st_mode & 0777;
}

TEST(udb_profile_file, new_and_replaced_files_are_private) {
    scratch_dir dir;
    udb_profile p;
    p.set_value(L"MySQL settings", L"password", L"secret");
    ASSERT_TRUE(p.store(wide(dir.path("new.kvt"))));
    EXPECT_EQ(mode_of(dir.path("new.kvt")), 0600u);

    write_file_bytes(dir.path("old.kvt"), "old");
    chmod(dir.path("old.kvt").c_str(), 0644);
    ASSERT_TRUE(p.store(wide(dir.path("old.kvt"))));
    EXPECT_EQ(mode_of(dir.path("old.kvt")), 0600u);
    EXPECT_EQ(read_file_bytes(dir.path("old.kvt")), read_file_bytes(dir.path("new.kvt")));
}

TEST(udb_profile_file, failed_store_keeps_the_old_file_and_leaves_nothing_behind) {
    scratch_dir dir;
    write_file_bytes(dir.path("p.kvt"), "previous");
    // A text that has no UTF-8 form stops the write half-way.
    udb_profile p;
    p.set_value(L"Generic settings", L"src", L"ok");
    p.set_value(L"Selected Views", L"V", std::wstring(1, static_cast<wchar_t>(0xD800)));
    EXPECT_ANY_THROW(p.store(wide(dir.path("p.kvt"))));
    EXPECT_EQ(read_file_bytes(dir.path("p.kvt")), "previous");

    if (geteuid() != 0) {
        // A folder the user may not write to.
        chmod(dir.path("").c_str(), 0500);
        const bool stored = udb_profile().store(wide(dir.path("p.kvt")));
        chmod(dir.path("").c_str(), 0700);
        EXPECT_FALSE(stored);
        EXPECT_EQ(read_file_bytes(dir.path("p.kvt")), "previous");
    }
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path(""))) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(udb_profile_file, a_symbolic_link_keeps_naming_the_profile) {
    scratch_dir dir;
    write_file_bytes(dir.path("real.kvt"), "previous");
    std::filesystem::create_symlink(dir.path("real.kvt"), dir.path("link.kvt"));
    udb_profile p;
    ASSERT_TRUE(p.store(wide(dir.path("link.kvt"))));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.kvt")));
    EXPECT_NE(read_file_bytes(dir.path("real.kvt")), "previous");
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path(""))) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST(udb_profile_file, signature_in_front_is_skipped) {
    scratch_dir dir;
    write_file_bytes(dir.path("bom.kvt"),
                     "\xEF\xBB\xBF[Generic settings]\r\nsrc=XE\r\n[Type Mappings]\r\n  a\r\n");
    udb_profile p;
    ASSERT_TRUE(p.load(wide(dir.path("bom.kvt"))));
    EXPECT_EQ(p.get_value(L"Generic settings", L"src"), L"XE");
    EXPECT_EQ(p.get_list(L"Type Mappings"), (udb_profile::line_list{L"  a"}));
    // Only in front: a signature later in the file is text like any other.
    write_file_bytes(dir.path("mid.kvt"), "[S]\r\n\xEF\xBB\xBFk=v\r\n");
    udb_profile q;
    ASSERT_TRUE(q.load(wide(dir.path("mid.kvt"))));
    EXPECT_EQ(q.get_value(L"S", L"\uFEFFk"), L"v");
}

}  // namespace
