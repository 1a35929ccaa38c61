// The shipped files are found beside the program in a build tree and in share/tidewell in an
// installation laid out as PREFIX/bin and PREFIX/share/tidewell.
#include "TK/tk_data_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TK/tk_test_helpers.h"
#include "TK/tk_utils.h"

namespace {

TEST(tk_data_path, beside_the_program_then_the_installation_share_folder) {
    scratch_dir prefix;
    const std::string bin = prefix.file("bin") + "/";
    const std::string share = prefix.file("share/tidewell");
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(share + "/help");
    write_file(share + "/sql.map", "installed");

    // Installed: only the share folder holds the files, the help folder included.
    EXPECT_EQ(tk_data_path(bin, "sql.map"), share + "/sql.map");
    EXPECT_EQ(tk_data_path(bin, "help"), share + "/help");

    // A copy beside the program wins, as in the build tree.
    write_file(bin + "sql.map", "beside");
    EXPECT_EQ(tk_data_path(bin, "sql.map"), bin + "sql.map");

    // Found nowhere: the place beside the program, which an error then names.
    EXPECT_EQ(tk_data_path(bin, "sql.typ"), bin + "sql.typ");
    scratch_dir bare;
    EXPECT_EQ(tk_data_path(bare.path() + "/bin/", "sql.map"), bare.path() + "/bin/sql.map");
}

TEST(tk_data_path, the_running_program_looks_in_its_own_folder) {
    EXPECT_EQ(tk_data_path("no_such_shipped_file"), tk_get_module_dir() + "no_such_shipped_file");
}

}  // namespace
