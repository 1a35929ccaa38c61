#include "TK/tk_file_name.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TK/tk_exception.h"
#include "TK/tk_file_wname.h"
#include "TK/tk_temp_chdir.h"
#include "TK/tk_test_helpers.h"
#include "TK/tk_utils.h"

namespace {

std::string cwd() {
    char buf[4096];
    return getcwd(buf, sizeof(buf)) ? std::string(buf) : std::string();
}

TEST(tk_file_name, relative_name_splits_the_absolute_path) {
    scratch_dir dir;
    tk_temp_chdir into(dir.path());
    ASSERT_TRUE(into.ok());
    std::string here = cwd();
    tk_file_wname w(L"sub/../report.final.kvt");
    EXPECT_EQ(w.drive(), L"");
    EXPECT_EQ(w.dir(), tk_to_unicode(here + "/"));
    EXPECT_EQ(w.name(), L"report.final");
    EXPECT_EQ(w.ext(), L".kvt");
    EXPECT_EQ(w.make_path(), tk_to_unicode(here + "/report.final.kvt"));
    tk_file_name n("./x.log");
    EXPECT_EQ(n.dir(), here + "/");
    EXPECT_EQ(n.name(), "x");
    EXPECT_EQ(n.ext(), ".log");
}

TEST(tk_file_name, absolute_and_special_paths) {
    tk_file_name plain("/var/tmp/noext");
    EXPECT_EQ(plain.dir(), "/var/tmp/");
    EXPECT_EQ(plain.name(), "noext");
    EXPECT_EQ(plain.ext(), "");
    tk_file_name dir("/var/tmp/");
    EXPECT_EQ(dir.dir(), "/var/tmp/");
    EXPECT_EQ(dir.name(), "");
    tk_file_name root("/");
    EXPECT_EQ(root.dir(), "/");
    tk_file_name dotfile("/home/u/.profile");
    EXPECT_EQ(dotfile.name(), ".profile");
    EXPECT_EQ(dotfile.ext(), "");
    tk_file_wname wide(L"/d\u00e9j\u00e0/\u65e5\u672c.txt");
    EXPECT_EQ(wide.dir(), L"/d\u00e9j\u00e0/");
    EXPECT_EQ(wide.name(), L"\u65e5\u672c");
}

TEST(tk_file_name, empty_path_stands_for_the_program_directory) {
    tk_file_name n("");
    EXPECT_EQ(n.dir(), tk_get_module_dir());
    EXPECT_EQ(n.name(), "");
    EXPECT_EQ(n.ext(), "");
    tk_file_wname blank;
    EXPECT_EQ(blank.make_path(), L"");
    blank.set_dir(L"/a/");
    blank.set_name(L"b");
    blank.set_ext(L".c");
    EXPECT_EQ(blank.make_path(), L"/a/b.c");
}

TEST(tk_file_name, null_paths_are_internal_errors) {
    EXPECT_EQ(internal_error_of([&] { tk_file_name n(nullptr); }),
              make_err_meggase("tk_fname", 31));
    EXPECT_EQ(internal_error_of([&] { tk_file_wname w(nullptr); }),
              make_err_meggase("tk_fname", 83));
    std::wstring bad(L"/x");
    bad += static_cast<wchar_t>(0xD800);
    EXPECT_EQ(internal_error_of([&] { tk_file_wname w(bad.c_str()); }),
              make_err_meggase("tk_fname", 91));
}

TEST(tk_temp_chdir, changes_back_only_when_the_change_worked) {
    std::string before = cwd();
    scratch_dir dir;
    {
        tk_temp_chdir into(dir.path());
        EXPECT_TRUE(into.ok());
        EXPECT_NE(cwd(), before);
        {
            tk_temp_chdir nowhere(dir.file("missing"));
            EXPECT_FALSE(nowhere.ok());
        }
        EXPECT_TRUE(tk_is_path_exist(std::string(".")));
        EXPECT_EQ(cwd(), std::filesystem::canonical(dir.path()).string());
    }
    EXPECT_EQ(cwd(), before);
    {
        tk_temp_chdir program("");
        EXPECT_TRUE(program.ok());
        EXPECT_EQ(cwd() + "/", tk_get_module_dir());
    }
    EXPECT_EQ(cwd(), before);
}

}  // namespace
