#include "TK/tk_logger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "TK/tk_test_helpers.h"
#include "TK/tk_utils.h"
#include "platform/win/win_error.h"

namespace {

TEST(tk_logger, message_ending_in_line_feed_is_stored_with_crlf_after_it) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), true, 3, false);
    tk_log(3, "x\n");
    EXPECT_EQ(read_file(path), "x\n\r\n");
}

TEST(tk_logger, first_message_empties_the_file_even_below_the_threshold) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    write_file(path, "old content");
    tk_logger logger(path.c_str(), false, 3, false);
    EXPECT_EQ(read_file(path), "old content");  // disabled: the constructor leaves it alone
    logger.enable();
    tk_log(2, "entry %d", 5);
    EXPECT_EQ(read_file(path), "");
    EXPECT_TRUE(logger.truncated());
    tk_log(3, "kept");
    tk_log(1, "dropped");
    tk_log(3, "again");
    EXPECT_EQ(read_file(path), "kept\r\nagain\r\n");
}

// Threads that log from the moment the logger is enabled: whichever empties the file, no other
// thread's line may be written before that and then erased.
TEST(tk_logger, the_first_emptying_never_erases_lines_other_threads_wrote) {
    constexpr int k_rounds = 200, k_threads = 4, k_lines = 25;
    scratch_dir dir;
    const std::string path = dir.file("run.log");
    for (int round = 0; round < k_rounds; ++round) {
        write_file(path, "old content\r\n");
        tk_logger logger(path.c_str(), false, 3, false);
        logger.enable();
        std::vector<std::thread> threads;
        threads.reserve(k_threads);
        for (int t = 0; t < k_threads; ++t)
            threads.emplace_back([] {
                for (int i = 0; i < k_lines; ++i) tk_log(3, "line %d", i);
            });
        for (std::thread& thread : threads) thread.join();
        const std::string text = read_file(path);
        ASSERT_EQ(std::count(text.begin(), text.end(), '\n'), k_threads * k_lines)
            << "round " << round;
        ASSERT_EQ(text.find("old content"), std::string::npos);
    }
}

TEST(tk_logger, disabled_logger_writes_nothing_and_creates_no_file) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), false, 1, false);
    tk_log(3, "nothing");
    tk_wlog(3, L"nothing");
    EXPECT_FALSE(tk_is_file_exist(path, 0x4000));
}

TEST(tk_logger, no_logger_means_calls_do_nothing) {
    ASSERT_EQ(tk_logger::find_instance(), nullptr);
    tk_log(3, "x %s", "y");
    tk_wlog(3, L"x %s", L"y");
    EXPECT_THROW(tk_logger::instance(), tk_mail_assertion);
    EXPECT_THROW(tk_logger::get_instance(), tk_mail_assertion);
}

TEST(tk_logger, wide_message_is_utf8_without_terminator) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), true, 3, false);
    tk_wlog(3, L"T\u00e4ble %s of %S: %d", L"\u65e5\u672c", "owner", 7);
    EXPECT_EQ(read_file(path),
              "T\xc3\xa4"
              "ble \xe6\x97\xa5\xe6\x9c\xac of owner: 7\r\n");
}

TEST(tk_logger, wide_message_too_long_for_utf8_buffer_leaves_only_the_line_end) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), true, 3, false);
    // 4000 characters of three UTF-8 bytes each: 12000 bytes do not fit 10240.
    std::wstring text(4000, L'\u20ac');
    tk_wlog(3, L"%s", text.c_str());
    // 5000 ASCII characters fit.
    std::wstring fits(5000, L'a');
    tk_wlog(3, L"%s", fits.c_str());
    EXPECT_EQ(read_file(path), "\r\n" + std::string(5000, 'a') + "\r\n");
}

TEST(tk_logger, wide_message_filling_the_utf8_buffer_with_its_terminator_is_kept) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), true, 3, false);
    std::string euro = "\xe2\x82\xac";
    // 3413 characters of three bytes: 10239 bytes and the terminator make exactly 10240.
    tk_wlog(3, L"%s", std::wstring(3413, L'\u20ac').c_str());
    // One more no longer fits.
    tk_wlog(3, L"%s", std::wstring(3414, L'\u20ac').c_str());
    std::string expected;
    for (int i = 0; i < 3413; ++i) expected += euro;
    EXPECT_EQ(read_file(path), expected + "\r\n\r\n");
}

TEST(tk_logger, wide_message_is_cut_to_the_wide_buffer) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), true, 3, false);
    std::wstring text(20000, L'b');
    tk_wlog(3, L"%s", text.c_str());
    EXPECT_EQ(read_file(path), std::string(10239, 'b') + "\r\n");
}

TEST(tk_logger, narrow_message_is_written_byte_for_byte) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), true, 3, false);
    tk_log(3, "%s|%I64d|%08X", "\xff\xfe", static_cast<long long>(-5000000000LL), 0xBEEFu);
    EXPECT_EQ(read_file(path), "\xff\xfe|-5000000000|0000BEEF\r\n");
}

TEST(tk_logger, logging_keeps_the_last_error) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), true, 1, false);
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    std::wstring bad(1, static_cast<wchar_t>(0xD800));
    tk_log(3, "narrow %S", bad.c_str());  // its own conversion fails inside the formatter
    tk_wlog(3, L"wide %s", bad.c_str());
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    SetLastError(ERROR_FILE_NOT_FOUND);
    tk_log(3, "%S", bad.c_str());
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(tk_logger, time_stamp_precedes_each_record) {
    scratch_dir dir;
    std::string path = dir.file("run.log");
    tk_logger logger(path.c_str(), true, 3, true);
    tk_log(3, "m");
    std::string bytes = read_file(path);
    ASSERT_EQ(bytes.size(), 9u + 1 + 2);
    EXPECT_EQ(bytes[2], ':');
    EXPECT_EQ(bytes[5], ':');
    EXPECT_EQ(bytes.substr(8), " m\r\n");
}

TEST(tk_logger, second_logger_does_not_replace_the_first_but_clears_on_destruction) {
    scratch_dir dir;
    std::string first_path = dir.file("first.log");
    tk_logger first(first_path.c_str(), true, 3, false);
    {
        std::string second_path = dir.file("second.log");
        tk_logger second(second_path.c_str(), true, 3, false);
        EXPECT_EQ(&tk_logger::instance(), &first);
        tk_log(3, "one");
    }
    EXPECT_EQ(tk_logger::find_instance(), nullptr);
    tk_log(3, "two");
    EXPECT_EQ(read_file(first_path), "one\r\n");
}

TEST(tk_logger, a_second_logger_leaves_the_first_one_s_threshold_alone) {
    scratch_dir dir;
    std::string first_path = dir.file("first.log");
    tk_logger first(first_path.c_str(), true, 2, false);
    {
        tk_logger disabled(dir.file("second.log").c_str(), false, 3, false);
        tk_log(2, "while a disabled one lives");
        tk_logger quieter(dir.file("third.log").c_str(), true, 3, false);
        tk_log(2, "while a quieter one lives");
        tk_log(1, "below");
    }
    EXPECT_EQ(read_file(first_path), "while a disabled one lives\r\nwhile a quieter one lives\r\n");
}

TEST(tk_logger, null_file_name_raises_the_internal_error) {
    tk_logger logger(nullptr, false, 3, false);
    try {
        logger.set_file_name(nullptr);
        FAIL() << "no exception";
    } catch (const tk_mail_assertion& e) {
        EXPECT_EQ(std::string(e.what()), make_err_meggase("tk_logge", 82));
        EXPECT_EQ(e.level(), 2);
    }
}

TEST(tk_logger, default_file_name_is_the_program_path_with_log_extension) {
    tk_logger logger(nullptr, false, 3, false);
    EXPECT_EQ(logger.file_name(), tk_get_module_file_name() + ".log");
    EXPECT_EQ(tk_replace_extension("/a.b/prog.exe", "log"), "/a.b/prog.log");
    EXPECT_EQ(tk_replace_extension("/a.b/prog", ".log"), "/a.b/prog.log");
}

}  // namespace
