// dmp_file: the file a dump is written into.  The text goes to "<destination>.part" beside the
// destination and is renamed over it only when the run has written everything, so a run that is
// interrupted (a signal, a crash, a full disk, an error that ends it) leaves the previous file, if
// any, untouched.  The temporary file is held under an exclusive lock for the whole run: a second
// run writing the same destination is refused instead of destroying the first one's work.
//
// Only a regular file is ever replaced: a device, a directory, a socket or a link to one of them
// is refused.  A symbolic link to a regular file has its target replaced, as writing through it
// would.  Failures raise tk_exception at level 1 naming the destination and the system's reason.
// Thread-safety: none; the run's thread.
#pragma once

#include <cstdio>
#include <string>

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

    // The stream to write to; null once committed or abandoned.
    std::FILE* stream() const noexcept { return m_stream; }
    // Flushes the text to the disk and renames it over the destination.  On failure the
    // temporary file is removed and tk_exception (level 1) raised; the destination is untouched.
    void commit();
    // Closes and removes the temporary file; the destination is untouched.
    void abandon() noexcept;

    const std::string& destination() const noexcept { return m_destination; }
    const std::string& temporary() const noexcept { return m_temporary; }

private:
    [[noreturn]] void fail(const char* what, int error) const;

    std::string m_destination;
    std::string m_temporary;
    std::FILE* m_stream = nullptr;
};
