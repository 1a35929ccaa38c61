// The helpers that reach outside the process: library versions, clipboard and mail.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <cstdlib>
#include <sys/stat.h>

#include "TK/tk_logger.h"
#include "TK/tk_test_helpers.h"
#include "TK/tk_utils.h"
#include "platform/win/win_library.h"

namespace {

TEST(get_dll_version, libraries_without_the_query_answer_0) {
    EXPECT_EQ(get_dll_version("libno-such-library.so"), 0u);
    EXPECT_EQ(get_dll_version("libm.so.6"), 0u);
    HMODULE m = LoadLibraryA("libm.so.6");
    ASSERT_NE(m, nullptr);
    EXPECT_NE(GetProcAddress(m, "cos"), nullptr);
    EXPECT_EQ(GetProcAddress(m, "DllGetVersion"), nullptr);
    EXPECT_TRUE(FreeLibrary(m));
}

// Builds a shared library in dir whose DllGetVersion runs body; empty when no C compiler is found.
std::string build_versioned_library(const scratch_dir& dir, const std::string& name,
                                    const std::string& body) {
    std::string source = dir.file(name + ".c");
    std::string library = dir.file(name + ".so");
    write_file(source,
               "struct info { unsigned size, major, minor, build, platform; };\n"
               "int DllGetVersion(struct info* v) { " +
                   body + " }\n");
    std::string command = "cc -shared -fPIC -o '" + library + "' '" + source + "' 2>/dev/null";
    return std::system(command.c_str()) == 0 ? library : std::string();
}

TEST(get_dll_version, packs_major_and_minor_of_a_successful_query) {
    scratch_dir dir;
    std::string good = build_versioned_library(
        dir, "good",
        "if (v->size != 20) return -1; v->major = 6; v->minor = 10; v->build = 77; return 0;");
    if (good.empty()) GTEST_SKIP() << "no C compiler to build a test library";
    EXPECT_EQ(get_dll_version(good.c_str()), (6u << 16) | 10u);
    std::string failing = build_versioned_library(dir, "failing", "v->major = 9; return -1;");
    ASSERT_FALSE(failing.empty());
    EXPECT_EQ(get_dll_version(failing.c_str()), 0u);
}

// Runs f with PATH pointing only at dir.
template <class F>
void with_path(const std::string& dir, F f) {
    std::string saved = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", dir.c_str(), 1);
    f();
    setenv("PATH", saved.c_str(), 1);
}

TEST(tk_send_bug, without_a_mail_client_it_only_logs) {
    scratch_dir dir;
    std::string log = dir.file("run.log");
    tk_logger logger(log.c_str(), true, 2, false);
    with_path(dir.path(), [] { tk_send_bug("QUILLRUN", "it broke"); });
    std::string text = read_file(log);
    EXPECT_EQ(text.rfind("tk_send_bug(QUILLRUN|it broke)\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("\r\nFailed to locate MAPI32.DLL\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("lpfnMAPISendMail"), std::string::npos) << text;
}

TEST(tk_send_bug, mail_client_gets_subject_body_and_recipient_as_arguments) {
    scratch_dir dir;
    std::string client = dir.file("xdg-email");
    std::string args = dir.file("args");
    write_file(client,
               "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > '" + args + "'\n");
    chmod(client.c_str(), 0755);
    std::string log = dir.file("run.log");
    tk_logger logger(log.c_str(), true, 2, false);
    with_path(dir.path(), [] { tk_send_bug("tabshift", "line 1\n'quoted' $(not run)"); });
    EXPECT_EQ(read_file(args), std::string("--utf8|--subject|Bug report on tabshift|--body|"
                                           "line 1\n'quoted' $(not run)|") +
                                   tk_support_mailbox + "|");
    EXPECT_NE(read_file(log).find("lpfnMAPISendMail returns 0\r\n"), std::string::npos);
}

TEST(tk_copy_to_clipboard2, only_logs) {
    scratch_dir dir;
    std::string log = dir.file("run.log");
    tk_logger logger(log.c_str(), true, 2, false);
    tk_copy_to_clipboard2(L"report \u00e9");
    EXPECT_EQ(read_file(log), "tk_copy_to_clipboard2(report \xc3\xa9)\r\n");
}

}  // namespace
