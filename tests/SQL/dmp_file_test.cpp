// A dump replaces its destination only when it is whole: a full disk, a run ended early, a signal
// or a second run at the same path must leave the previous file as it was.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "SQL/dmp_database.h"
#include "SQL/dmp_file.h"
#include "SQL/dmp_recordset.h"
#include "SQL/sql_test_env.h"
#include "TK/tk_exception.h"
#include "TK/tk_signal_cleanup.h"
#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* k_previous = "the previous dump, whole\n";

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A filesystem of a few pages of its own, so that a dump really runs out of room.
class small_filesystem {
public:
    small_filesystem() {
        char pattern[] = "/tmp/tw-small-fs-XXXXXX";
        if (!::mkdtemp(pattern)) return;
        m_dir = pattern;
        if (::mount("tmpfs", m_dir.c_str(), "tmpfs", 0, "size=64k") == 0)
            m_mounted = true;
        else
            m_reason = std::string("cannot mount a small tmpfs: ") + std::strerror(errno);
    }
    ~small_filesystem() {
        if (m_mounted) ::umount(m_dir.c_str());
        if (!m_dir.empty()) fs::remove_all(m_dir);
    }
    bool mounted() const { return m_mounted; }
    const std::string& reason() const { return m_reason; }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }

private:
    std::string m_dir;
    std::string m_reason = "no temporary directory";
    bool m_mounted = false;
};

class dmp_file_test : public sql_engine_test {
protected:
    void SetUp() override {
        sql_engine_test::SetUp();
        options.comments = false;
        emp.add_field(make_column(L"ID", VT_I4, 4));
        emp.add_field(make_column(L"NAME", VT_BSTR, 40));
    }

    std::unique_ptr<dmp_database> open_dump(const std::string& path) {
        return engine->create_dump(std::wstring(path.begin(), path.end()), options);
    }

    std::string refusal(const std::string& path) {
        try {
            open_dump(path);
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 1);
            return e.what();
        }
        ADD_FAILURE() << "the dump of " << path << " was not refused";
        return std::string();
    }

    dump_options options;
    udb_schema emp;
};

TEST_F(dmp_file_test, AWholeDumpReplacesThePreviousFileAndSaysItIsComplete) {
    const std::string path = test_file_path("whole.sql");
    write_text(path, k_previous);
    ::chmod(path.c_str(), 0600);
    {
        auto db = open_dump(path);
        auto table = db->create_table(L"EMP", emp, udb_indexes());
        append_id_name(*table, 1, L"Smith");
        // Until the dump is whole, the destination keeps the previous one.
        EXPECT_EQ(read_file(path), k_previous);
        EXPECT_TRUE(fs::exists(path + ".part"));
        table.reset();
        db->close();
    }
    const std::string text = read_file(path);
    EXPECT_NE(text.find("VALUES(1, 'Smith')"), std::string::npos);
    EXPECT_EQ(text.rfind("-- Dump completed on ", text.size()), text.rfind("\r\n-- ") + 2);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_FALSE(fs::exists(path + ".part"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "a private dump must stay private";
}

TEST_F(dmp_file_test, ARunEndedEarlyLeavesThePreviousFile) {
    const std::string path = test_file_path("abandoned.sql");
    write_text(path, k_previous);
    auto db = open_dump(path);
    auto table = db->create_table(L"EMP", emp, udb_indexes());
    append_id_name(*table, 1, L"Smith");
    table.reset();
    db->abandon();
    EXPECT_THROW(db->write("more"), tk_exception);
    db.reset();
    EXPECT_EQ(read_file(path), k_previous);
    EXPECT_FALSE(fs::exists(path + ".part"));
}

TEST_F(dmp_file_test, AFullDiskIsAnErrorAndTheDestinationStaysAsItWas) {
    small_filesystem small;
    if (!small.mounted()) GTEST_SKIP() << small.reason();
    const std::string path = small.path("full.sql");
    write_text(path, k_previous);
    auto db = open_dump(path);
    auto table = db->create_table(L"EMP", emp, udb_indexes());
    try {
        for (int i = 0; i < 20000; ++i) append_id_name(*table, i, L"a row that fills the disk");
        table->flush();
        db->close();
        ADD_FAILURE() << "writing to a full disk was reported as success";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos);
    }
    // The last statement of a released table cannot raise; closing the file does, again.
    table.reset();
    EXPECT_THROW(db->close(), tk_exception);
    db.reset();
    EXPECT_EQ(read_file(path), k_previous);
    EXPECT_FALSE(fs::exists(path + ".part"));
}

// Rows of three values are rendered on the table's own thread: the write that fails there is
// raised by a later call of the run's, and never taken for success.
TEST_F(dmp_file_test, AFullDiskUnderRowsRenderedApartIsRaisedToTheRun) {
    small_filesystem small;
    if (!small.mounted()) GTEST_SKIP() << small.reason();
    const std::string path = small.path("full.sql");
    write_text(path, k_previous);
    udb_schema three = emp;
    three.add_field(make_column(L"N", VT_I4, 4));
    auto db = open_dump(path);
    auto table = db->create_table(L"EMP3", three, udb_indexes());
    int appended = 0;
    try {
        for (int i = 1; i <= 200000; ++i) {
            udb_record row;
            row.add_field(udb_field(L"ID", 4, ole_variant(i)));
            row.add_field(udb_field(L"NAME", 40, ole_variant(L"a row that fills the disk")));
            row.add_field(udb_field(L"N", 4, ole_variant(-i)));
            table->append_record(row, i);
            appended = i;
        }
        table->flush();
        ADD_FAILURE() << "writing to a full disk was reported as success";
    } catch (const tk_exception& e) {
        EXPECT_EQ(e.level(), 1);
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos) << e.what();
    }
    // Raised well before the last row: the rows after the failure are not taken.
    EXPECT_LT(appended, 200000);
    table.reset();
    EXPECT_THROW(db->close(), tk_exception);
    db.reset();
    EXPECT_EQ(read_file(path), k_previous);
    EXPECT_FALSE(fs::exists(path + ".part"));
}

// Pieces of every size, the long ones written from where they stand and the short ones gathered,
// must reach the file in the order they were taken, whole.
TEST_F(dmp_file_test, TextOfEverySizeArrivesInItsOrder) {
    const std::string path = test_file_path("pieces.sql");
    std::string expected;
    {
        dmp_file file(path);
        for (std::size_t i = 0; i < 400; ++i) {
            const std::size_t size = i % 97 == 0 ? (std::size_t{1} << 20) + i : i * 131 % 9000;
            const std::string piece(size, static_cast<char>('a' + i % 26));
            file.write(piece);
            expected += piece;
        }
        file.commit();
    }
    EXPECT_TRUE(read_file(path) == expected) << "the file differs from the text written";
}

TEST_F(dmp_file_test, ALongTextOnAFullDiskIsAnErrorAtOnce) {
    small_filesystem small;
    if (!small.mounted()) GTEST_SKIP() << small.reason();
    const std::string path = small.path("long.sql");
    write_text(path, k_previous);
    dmp_file file(path);
    try {
        file.write(std::string(std::size_t{2} << 20, 'x'));
        ADD_FAILURE() << "a text longer than the disk was taken as written";
    } catch (const tk_exception& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOSPC)), std::string::npos) << e.what();
    }
    EXPECT_THROW(file.write("more"), tk_exception);
    EXPECT_THROW(file.commit(), tk_exception);
    EXPECT_EQ(read_file(path), k_previous);
    EXPECT_FALSE(fs::exists(path + ".part"));
}

TEST_F(dmp_file_test, OnlyARegularFileIsReplaced) {
    EXPECT_NE(refusal("/dev/full").find("not a regular file"), std::string::npos);
    EXPECT_TRUE(fs::exists("/dev/full"));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));

    const std::string dir = test_file_path("a-directory.sql");
    fs::create_directories(dir);
    EXPECT_NE(refusal(dir).find("not a regular file"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir));

    const std::string socket_path = test_file_path("sock.sql");
    fs::remove(socket_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socket_path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_NE(refusal(socket_path).find("not a regular file"), std::string::npos);
    ::close(fd);
    EXPECT_TRUE(fs::is_socket(socket_path));
    fs::remove(socket_path);

    const std::string to_device = test_file_path("to-null.sql");
    fs::remove(to_device);
    fs::create_symlink("/dev/null", to_device);
    EXPECT_NE(refusal(to_device).find("not a regular file"), std::string::npos);
    EXPECT_TRUE(fs::is_symlink(to_device));
    fs::remove(to_device);

    // A link to a regular file has its target replaced; the link stays a link.
    const std::string target = test_file_path("target.sql");
    const std::string link = test_file_path("link.sql");
    write_text(target, k_previous);
    fs::remove(link);
    fs::create_symlink(target, link);
    open_dump(link)->close();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(read_file(target).find("-- Dump completed on "), std::string::npos);
    fs::remove(link);
}

TEST_F(dmp_file_test, AFolderThatTakesNoFileIsRefusedWithTheSystemsReason) {
    const std::string text = refusal("/proc/tw-dump.sql");
    EXPECT_NE(text.find("'/proc/tw-dump.sql'"), std::string::npos) << text;
    EXPECT_EQ(text.find("successfully"), std::string::npos) << text;
    EXPECT_EQ(text.find("unknown error"), std::string::npos) << text;
}

TEST_F(dmp_file_test, ASecondRunAtTheSamePathIsRefusedWhileTheFirstWrites) {
    const std::string path = test_file_path("twice.sql");
    write_text(path, k_previous);
    auto first = open_dump(path);
    auto table = first->create_table(L"EMP", emp, udb_indexes());
    append_id_name(*table, 1, L"first");
    EXPECT_NE(refusal(path).find("another run is writing it"), std::string::npos);
    table.reset();
    first->close();
    EXPECT_NE(read_file(path).find("'first'"), std::string::npos);
    // Once the first is done, the path is free again.
    open_dump(path)->close();
    EXPECT_EQ(read_file(path).find("'first'"), std::string::npos);
}

TEST_F(dmp_file_test, ATerminationSignalRemovesTheUnfinishedDump) {
    const std::string path = test_file_path("signalled.sql");
    write_text(path, k_previous);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        tk_install_signal_cleanup();
        dmp_file file(path);
        file.write("CREATE TABLE half (");
        file.flush();
        ::raise(SIGTERM);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the process must end by the signal it was sent";
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(read_file(path), k_previous);
    EXPECT_FALSE(fs::exists(path + ".part"));
}

}  // namespace
