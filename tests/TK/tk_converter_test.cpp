#include "TK/tk_converter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_test_helpers.h"
#include "TK/tk_utils.h"

namespace {

std::string message_of(tk_converter& c, const std::string& path) {
    try {
        c.set_logfile(path);
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        return e.what();
    }
    return "";
}

TEST(tk_converter, set_logfile_rejects_directory_read_only_file_and_missing_directory) {
    scratch_dir dir;
    tk_logger logger(dir.file("unused.log").c_str(), false, 3, false);
    tk_converter c;
    EXPECT_EQ(message_of(c, dir.path()), "Logfile name specifies an existing path.");
    EXPECT_EQ(c.m_log_file, dir.path());  // the rejected path is kept
    EXPECT_FALSE(logger.enabled());
    // The running program cannot be opened for writing, whoever runs the test.
    EXPECT_EQ(message_of(c, tk_get_module_file_name()),
              "Logfile name specifies an existing read-only file.");
    EXPECT_EQ(message_of(c, dir.file("no/such/dir/run.log")),
              "Logfile path does not exist.\nPlease verify the correct path was given.");
    EXPECT_FALSE(logger.enabled());
}

TEST(tk_converter, empty_path_changes_nothing) {
    scratch_dir dir;
    tk_logger logger(dir.file("unused.log").c_str(), false, 3, false);
    tk_converter c;
    c.set_logfile("");
    EXPECT_FALSE(logger.enabled());
    EXPECT_EQ(logger.file_name(), dir.file("unused.log"));
}

TEST(tk_converter, accepted_path_enables_the_logger_and_first_message_truncates) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    write_file(path, "previous run");
    tk_logger logger(nullptr, false, 3, false);
    tk_converter c;
    c.set_logfile(path);
    EXPECT_TRUE(logger.enabled());
    EXPECT_EQ(logger.file_name(), path);
    EXPECT_EQ(read_file(path), "previous run");
    tk_log(2, "below the threshold");
    EXPECT_EQ(read_file(path), "");
    tk_log(3, "Converting table '%s' (%d records)\n", "EMP", 14);
    EXPECT_EQ(read_file(path), "Converting table 'EMP' (14 records)\n\r\n");
}

TEST(tk_converter, without_a_logger_nothing_is_checked) {
    tk_converter c;
    EXPECT_NO_THROW(c.set_logfile("/"));
    EXPECT_EQ(c.m_log_file, "");
    EXPECT_FALSE(c.m_finished);
    c.set_silent(true);
    EXPECT_TRUE(c.m_silent);
}

}  // namespace
