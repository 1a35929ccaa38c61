#include "SQL/dmp_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_signal_cleanup.h"

namespace {

constexpr const char* k_temporary_suffix = ".part";
// A run that unlinks or renames the temporary file between our open and our lock leaves us
// holding a file no longer at that name; a few tries settle it.
constexpr int k_lock_tries = 5;
// The text the run gathers before the writing thread takes it: large enough that handing over
// costs nothing per row, small enough that two pieces are little memory.
constexpr std::size_t k_piece_bytes = std::size_t{1} << 20;
// How much written text may wait in the page cache before the disk is asked to take it.
constexpr off_t k_disk_step = off_t{8} << 20;

[[noreturn]] void refuse(const std::string& destination, const std::string& reason) {
    throw tk_exception("Cannot create the dump file '" + destination + "': " + reason, 1);
}

}  // namespace

std::string dmp_file::check_destination(const std::string& destination) {
    struct stat link_info {};
    if (::lstat(destination.c_str(), &link_info) != 0) {
        if (errno == ENOENT) return destination;
        refuse(destination, std::strerror(errno));
    }
    if (S_ISREG(link_info.st_mode)) return destination;
    struct stat target_info {};
    if (S_ISLNK(link_info.st_mode) && ::stat(destination.c_str(), &target_info) == 0 &&
        S_ISREG(target_info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(destination.c_str(), resolved)) return resolved;
        refuse(destination, std::strerror(errno));
    }
    refuse(destination, "it exists and is not a regular file; only a regular file is replaced");
}

dmp_file::dmp_file(const std::string& destination)
    : m_destination(check_destination(destination)),
      m_temporary(m_destination + k_temporary_suffix) {
    int fd = -1;
    for (int attempt = 0; attempt < k_lock_tries && fd < 0; ++attempt) {
        fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) fail("Cannot create the dump file", errno);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                refuse(m_destination, "another run is writing it (" + m_temporary + ")");
            fail("Cannot lock the dump file", error);
        }
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) != 0 || ::stat(m_temporary.c_str(), &named) != 0 ||
            held.st_ino != named.st_ino || held.st_dev != named.st_dev || !S_ISREG(held.st_mode)) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) fail("Cannot lock the dump file", EAGAIN);
    struct stat previous {};
    // The new file takes the old one's permissions: a dump kept private stays private.
    if (::stat(m_destination.c_str(), &previous) == 0) ::fchmod(fd, previous.st_mode & 07777);
    if (::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        fail("Cannot create the dump file", error);
    }
    m_fd = fd;
    m_taken.reserve(k_piece_bytes);
    try {
        m_writer = std::thread([this] { run_writer(); });
    } catch (...) {
        ::close(fd);
        m_fd = -1;
        ::unlink(m_temporary.c_str());
        throw;
    }
    tk_remove_on_signal(m_temporary);
}

dmp_file::~dmp_file() {
    abandon();
}

void dmp_file::fail(const char* what, int error) const {
    throw tk_exception(std::string(what) + " '" + m_destination +
                           "': " + (error ? std::strerror(error) : "unknown error"),
                       1);
}

int dmp_file::failure() noexcept {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

void dmp_file::write(std::string_view text) {
    if (m_fd < 0) fail("Cannot write the dump file", failure() ? failure() : EBADF);
    // Handed over before it would outgrow its room: the two pieces keep their first memory.
    if (m_taken.size() + text.size() > k_piece_bytes) hand_over();
    if (text.size() >= k_piece_bytes) {
        // A long text is written from where it stands, not copied: it would cost its size twice.
        if (!wait_idle()) break_file();
        if (const int error = write_all(text)) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_error = error;
            }
            break_file();
        }
        return;
    }
    m_taken.append(text);
}

void dmp_file::flush() {
    if (m_fd < 0) fail("Cannot write the dump file", failure() ? failure() : EBADF);
    hand_over();
    if (!wait_idle()) break_file();
}

void dmp_file::hand_over() {
    if (m_taken.empty()) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy || m_error; });
    if (m_error) {
        lock.unlock();
        break_file();
    }
    m_writing.swap(m_taken);
    m_busy = true;
    lock.unlock();
    m_changed.notify_all();
    m_taken.clear();
}

bool dmp_file::wait_idle() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy || m_error; });
    return m_error == 0;
}

int dmp_file::write_all(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(m_fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        text.remove_prefix(static_cast<std::size_t>(n));
        m_written += n;
    }
    // Started now, the disk's writing goes on beside the run instead of all at the commit.
    if (m_written - m_handed_to_disk >= k_disk_step) {
        ::sync_file_range(m_fd, m_handed_to_disk, m_written - m_handed_to_disk,
                          SYNC_FILE_RANGE_WRITE);
        m_handed_to_disk = m_written;
    }
    return 0;
}

void dmp_file::run_writer() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_stopping; });
        if (!m_busy) return;
        // After a failure the rest is not written: the file is abandoned anyway.
        const bool failed = m_error != 0;
        lock.unlock();
        const int error = failed ? 0 : write_all(m_writing);
        lock.lock();
        if (error && !m_error) m_error = error;
        m_writing.clear();
        m_busy = false;
        m_changed.notify_all();
    }
}

void dmp_file::stop_writer() noexcept {
    if (!m_writer.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_writer.join();
}

void dmp_file::break_file() {
    const int error = failure();
    abandon();
    fail("Cannot write the dump file", error ? error : EIO);
}

void dmp_file::commit() {
    if (m_fd < 0) fail("Cannot write the dump file", EBADF);
    flush();
    stop_writer();
    int error = 0;
    if (::fsync(m_fd) != 0) error = errno;
    // Renamed while the lock is still held, so no second run can take the name in between.
    if (!error && std::rename(m_temporary.c_str(), m_destination.c_str()) != 0) error = errno;
    if (error) {
        abandon();
        fail("Cannot write the dump file", error);
    }
    tk_forget_on_signal();
    const int fd = m_fd;
    m_fd = -1;
    // The text is on the disk already; a failing close cannot take it back.
    if (::close(fd) != 0) tk_log(2, "closing the renamed dump file failed");
}

void dmp_file::abandon() noexcept {
    // The writing thread may still be writing a piece: it finishes before the file goes.
    stop_writer();
    if (m_fd < 0) return;
    tk_forget_on_signal();
    ::unlink(m_temporary.c_str());
    ::close(m_fd);
    m_fd = -1;
}
