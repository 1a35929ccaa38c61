#include "platform/win/win_registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Points the store at a fresh directory for the life of a test.
class registry_test : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "win_registry_XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
        setenv("TIDEWELL_CONFIG_HOME", (m_dir + "/cfg").c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TIDEWELL_CONFIG_HOME");
        std::filesystem::remove_all(m_dir);
    }
    std::string store_text() {
        std::ifstream in(win_registry_file(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    HKEY open_product() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Corvalin\\Tidewell", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    std::string m_dir;
};

TEST_F(registry_test, store_location_follows_the_environment) {
    EXPECT_EQ(win_registry_file(), m_dir + "/cfg/registry.txt");
    unsetenv("TIDEWELL_CONFIG_HOME");
    setenv("XDG_CONFIG_HOME", "/x/y", 1);
    EXPECT_EQ(win_registry_file(), "/x/y/tidewell/registry.txt");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(win_registry_file(), std::string(getenv("HOME")) + "/.config/tidewell/registry.txt");
}

TEST_F(registry_test, create_when_missing_leaves_an_empty_key_behind) {
    DWORD disposition = 0;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Corvalin\\Tidewell", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    EXPECT_NE(store_text().find("[Software\\Corvalin\\Tidewell]"), std::string::npos);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\corvalin\\TIDEWELL\\", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    // The parent exists through its child; an unrelated key does not.
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Corvalin", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Other", 0, KEY_READ, &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST_F(registry_test, dword_and_text_values_round_trip_in_both_widths) {
    HKEY key = open_product();
    DWORD port = 3306;
    ASSERT_EQ(RegSetValueExA(key, "Port", 0, REG_DWORD, reinterpret_cast<BYTE*>(&port), 4),
              ERROR_SUCCESS);
    const char host[] = "db.example";
    ASSERT_EQ(
        RegSetValueExA(key, "Host", 0, REG_SZ, reinterpret_cast<const BYTE*>(host), sizeof(host)),
        ERROR_SUCCESS);
    const wchar_t user[] = L"J\u00fcrgen \"q\" \\ \u65e5";
    ASSERT_EQ(
        RegSetValueExW(key, L"User", 0, REG_SZ, reinterpret_cast<const BYTE*>(user), sizeof(user)),
        ERROR_SUCCESS);

    DWORD type = 0, size = 4, read = 0;
    EXPECT_EQ(RegQueryValueExA(key, "port", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read, 3306u);

    // Query the size, then read.
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Host", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof(host));
    char small[4];
    DWORD small_size = sizeof(small);
    EXPECT_EQ(
        RegQueryValueExA(key, "Host", nullptr, &type, reinterpret_cast<BYTE*>(small), &small_size),
        static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(small_size, sizeof(host));

    // Text written wide reads back narrow as UTF-8 and wide as it was.
    size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "User", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    std::string narrow(size, '\0');
    ASSERT_EQ(RegQueryValueExA(key, "User", nullptr, &type, reinterpret_cast<BYTE*>(narrow.data()),
                               &size),
              ERROR_SUCCESS);
    EXPECT_EQ(narrow, std::string("J\xc3\xbcrgen \"q\" \\ \xe6\x97\xa5") + '\0');
    size = 0;
    ASSERT_EQ(RegQueryValueExW(key, L"USER", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof(user));
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    ASSERT_EQ(
        RegQueryValueExW(key, L"User", nullptr, &type, reinterpret_cast<BYTE*>(wide.data()), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(wide, std::wstring(user, sizeof(user) / sizeof(wchar_t)));
    RegCloseKey(key);

    std::string text = store_text();
    EXPECT_NE(text.find("\"Port\"=dword:00000cea"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Host\"=\"db.example\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"User\"=\"J\xc3\xbcrgen \\\"q\\\" \\\\ \xe6\x97\xa5\""),
              std::string::npos)
        << text;
}

TEST_F(registry_test, missing_value_fails_and_replacing_keeps_one_value) {
    HKEY key = open_product();
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Nothing", nullptr, &type, nullptr, &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    DWORD one = 1, two = 2;
    RegSetValueExA(key, "Flag", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4);
    RegSetValueExA(key, "FLAG", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4);
    DWORD read = 0;
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "flag", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(read, 2u);
    std::string text = store_text();
    EXPECT_EQ(text.find("\"FLAG\""), std::string::npos);  // the first spelling stays
    EXPECT_EQ(RegDeleteValueA(key, "Flag"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, "Flag"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    RegCloseKey(key);
}

TEST_F(registry_test, a_value_set_as_it_stands_leaves_the_file_alone) {
    HKEY key = open_product();
    DWORD one = 1, two = 2;
    ASSERT_EQ(RegSetValueExA(key, "Flag", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_SUCCESS);
    // Every save writes a new file in the old one's place: the file's identity tells a save.
    struct stat before {};
    ASSERT_EQ(stat(win_registry_file().c_str(), &before), 0);
    ASSERT_EQ(RegSetValueExA(key, "FLAG", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_SUCCESS);
    struct stat same {};
    ASSERT_EQ(stat(win_registry_file().c_str(), &same), 0);
    EXPECT_EQ(same.st_ino, before.st_ino);
    // Another type or other bytes are a change, and are saved.
    ASSERT_EQ(RegSetValueExA(key, "Flag", 0, REG_BINARY, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_SUCCESS);
    struct stat retyped {};
    ASSERT_EQ(stat(win_registry_file().c_str(), &retyped), 0);
    EXPECT_NE(retyped.st_ino, before.st_ino);
    ASSERT_EQ(RegSetValueExA(key, "Flag", 0, REG_BINARY, reinterpret_cast<BYTE*>(&two), 4),
              ERROR_SUCCESS);
    DWORD type = 0, read = 0, size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "flag", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(read, 2u);
    RegCloseKey(key);
}

TEST_F(registry_test, unterminated_empty_and_binary_values_keep_their_bytes) {
    HKEY key = open_product();
    ASSERT_EQ(RegSetValueExA(key, "NoBytes", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 0),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab"), 2),
              ERROR_SUCCESS);
    const BYTE blob[] = {0x00, 0xff, 0x0a};
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
    const char lines[] = "a\nb\r\tc\x01";
    ASSERT_EQ(RegSetValueExA(key, "Lines", 0, REG_SZ, reinterpret_cast<const BYTE*>(lines),
                             sizeof(lines)),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "NoBytes", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(RegQueryValueExA(key, "Raw", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    BYTE out[8] = {};
    size = sizeof(out);
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, out, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(size, 3u);
    EXPECT_EQ(std::memcmp(out, blob, 3), 0);
    char text[16] = {};
    size = sizeof(text);
    EXPECT_EQ(RegQueryValueExA(key, "Lines", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof(lines));
    EXPECT_STREQ(text, lines);
    RegCloseKey(key);
    // Every value sits on its own line of the file.
    std::string file = store_text();
    EXPECT_NE(file.find("\"Lines\"=\"a\\nb\\r\\tc\\x01\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\"Raw\"=sz-unterminated:\"ab\"\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\"Blob\"=hex(3):00,ff,0a\n"), std::string::npos) << file;
}

TEST_F(registry_test, access_rights_and_bad_handles) {
    HKEY key = open_product();
    RegCloseKey(key);
    HKEY reader = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Corvalin\\Tidewell", 0, KEY_READ, &reader),
        ERROR_SUCCESS);
    DWORD v = 1;
    EXPECT_EQ(RegSetValueExA(reader, "X", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4),
              static_cast<LONG>(ERROR_ACCESS_DENIED));
    RegCloseKey(reader);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(nullptr, "X", nullptr, nullptr, nullptr, &size),
              static_cast<LONG>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RegCloseKey(nullptr), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST_F(registry_test, hand_edited_file_is_read_and_bad_lines_skipped) {
    std::filesystem::create_directories(m_dir + "/cfg");
    {
        std::ofstream out(win_registry_file(), std::ios::binary);
        out << "; comment\r\n[Software\\Corvalin\\Tidewell]\r\n\"Skip\"=dword:00000002\r\n"
               "garbage line\r\n\"Name\"=\"v\"\r\n";
    }
    HKEY key = open_product();
    DWORD type = 0, size = 4, read = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Skip", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(read, 2u);
    char text[4];
    size = sizeof(text);
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "v");
    RegCloseKey(key);
}

TEST_F(registry_test, concurrent_processes_lose_no_value) {
    constexpr int processes = 4;
    constexpr int values = 15;
    pid_t children[processes];
    for (int p = 0; p < processes; ++p) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            HKEY key = nullptr;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Corvalin\\Tidewell", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
                _exit(1);
            }
            for (DWORD i = 0; i < values; ++i) {
                std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
                if (RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&i),
                                   4) != ERROR_SUCCESS) {
                    _exit(2);
                }
            }
            RegCloseKey(key);
            _exit(0);
        }
        children[p] = pid;
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = open_product();
    for (int p = 0; p < processes; ++p) {
        for (DWORD i = 0; i < values; ++i) {
            std::string name = "p" + std::to_string(p) + "_" + std::to_string(i);
            DWORD read = 99, size = 4;
            EXPECT_EQ(RegQueryValueExA(key, name.c_str(), nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(&read), &size),
                      ERROR_SUCCESS)
                << name;
            EXPECT_EQ(read, i);
        }
    }
    RegCloseKey(key);
    // No temporary file is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(m_dir + "/cfg")) {
        EXPECT_EQ(entry.path().string().find(".tmp."), std::string::npos) << entry.path();
    }
}

}  // namespace

namespace {

TEST_F(registry_test, temporary_files_of_a_killed_writer_are_removed_by_the_next) {
    HKEY key = open_product();
    RegCloseKey(key);
    // What a writer killed between writing and renaming leaves behind.
    const std::string stale = win_registry_file() + ".tmp.99999999";
    std::ofstream(stale) << "[Half\\Written]\n";
    const std::string other = m_dir + "/cfg/unrelated.tmp.1";
    std::ofstream(other) << "x";
    key = open_product();
    const DWORD value = 7;
    ASSERT_EQ(RegSetValueExA(key, "Mode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof value),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_EQ(store_text().find("Half"), std::string::npos);
}

}  // namespace
