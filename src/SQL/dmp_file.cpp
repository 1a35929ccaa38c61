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
    m_stream = ::fdopen(fd, "wb");
    if (!m_stream) {
        const int error = errno;
        ::close(fd);
        ::unlink(m_temporary.c_str());
        fail("Cannot create the dump file", error);
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

void dmp_file::commit() {
    if (!m_stream) fail("Cannot write the dump file", EBADF);
    errno = 0;
    int error = 0;
    if (std::fflush(m_stream) != 0 || std::ferror(m_stream)) error = errno ? errno : EIO;
    if (!error && ::fsync(::fileno(m_stream)) != 0) error = errno;
    // Renamed while the lock is still held, so no second run can take the name in between.
    if (!error && std::rename(m_temporary.c_str(), m_destination.c_str()) != 0) error = errno;
    if (error) {
        abandon();
        fail("Cannot write the dump file", error);
    }
    tk_forget_on_signal();
    std::FILE* stream = m_stream;
    m_stream = nullptr;
    // The text is on the disk already; a failing close cannot take it back.
    if (std::fclose(stream) != 0) tk_log(2, "closing the renamed dump file failed");
}

void dmp_file::abandon() noexcept {
    if (!m_stream) return;
    tk_forget_on_signal();
    ::unlink(m_temporary.c_str());
    std::fclose(m_stream);
    m_stream = nullptr;
}
