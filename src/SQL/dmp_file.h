// dmp_file: the file a dump is written into.  The text goes to "<destination>.part" beside the
// destination and is renamed over it only when the run has written everything, so a run that is
// interrupted (a signal, a crash, a full disk, an error that ends it) leaves the previous file, if
// any, untouched.  The temporary file is held under an exclusive lock for the whole run: a second
// run writing the same destination is refused instead of destroying the first one's work.
//
// Only a regular file is ever replaced: a device, a directory, a socket or a link to one of them
// is refused.  A symbolic link to a regular file has its target replaced, as writing through it
// would.  Failures raise tk_exception at level 1 naming the destination and the system's reason.
//
// The text is written on a thread of the file's own, a piece at a time, while the run goes on
// converting the next rows; the disk is asked to take the written pieces as they come, so that
// the final flush to the disk finds little left to do.  A failed write is raised by the next call
// (write, flush or commit), and every later one.
// Thread-safety: the public methods are called by one thread at a time, handed over under a lock;
// the writing thread is the object's own.
#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

class dmp_file {
public:
    // The path that a dump of `destination` replaces (a link's target); raises when `destination`
    // names something other than a regular file or nothing.
    static std::string check_destination(const std::string& destination);

    // Creates and locks the temporary file; raises when another run holds it, when it cannot be
    // created, or when the destination cannot be replaced.
    explicit dmp_file(const std::string& destination);
    dmp_file(const dmp_file&) = delete;
    dmp_file& operator=(const dmp_file&) = delete;
    // Abandons a file that was not committed.
    ~dmp_file();

    // False once committed or abandoned.
    bool is_open() const noexcept { return m_fd >= 0; }
    // Takes `text` to be written after everything taken before.  Raises (and abandons the file)
    // when this or an earlier write failed.
    void write(std::string_view text);
    // Returns once everything taken is written to the file (not yet to the disk); raises (and
    // abandons the file) when a write failed.
    void flush();
    // Flushes the text to the disk and renames it over the destination.  On failure the
    // temporary file is removed and tk_exception (level 1) raised; the destination is untouched.
    void commit();
    // Closes and removes the temporary file; the destination is untouched.
    void abandon() noexcept;

    // The system's error of the first write that failed, or 0.
    int failure() noexcept;

    const std::string& destination() const noexcept { return m_destination; }
    const std::string& temporary() const noexcept { return m_temporary; }

private:
    [[noreturn]] void fail(const char* what, int error) const;
    // Abandons the file and raises for the first failed write.
    [[noreturn]] void break_file();
    // Hands the taken text to the writing thread, once it has written the previous piece.
    void hand_over();
    // Waits until the writing thread has written everything handed to it; false on a failure.
    bool wait_idle();
    // Writes `text` whole at the end of the file; the system's error, or 0.
    int write_all(std::string_view text);
    void run_writer();
    void stop_writer() noexcept;

    std::string m_destination;
    std::string m_temporary;
    int m_fd = -1;
    std::string m_taken;  // the run's side: text not yet handed over

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_writing;  // the writing thread's piece
    bool m_busy = false;    // m_writing holds text still to write
    bool m_stopping = false;
    int m_error = 0;      // the first failed write's error
    off_t m_written = 0;  // the writing thread's: bytes in the file
    off_t m_handed_to_disk = 0;
    std::thread m_writer;
};
