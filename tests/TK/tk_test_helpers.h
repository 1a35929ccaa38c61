// Shared pieces of the toolkit tests: a scratch directory removed at the end, file reading, and
// the text of an internal error that a call raises.
#pragma once

#include <string>

#include "TK/tk_exception.h"

// A fresh directory under the system's temporary directory, removed with its content.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    const std::string& path() const { return m_path; }
    // The path of a file inside the directory.
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The bytes of a file; empty when it cannot be read.
std::string read_file(const std::string& path);
// Writes the bytes to a file, replacing it.
void write_file(const std::string& path, const std::string& bytes);

// The message of the tk_mail_assertion that f raises; empty when it raises none.
template <class F>
std::string internal_error_of(F f) {
    try {
        f();
    } catch (const tk_mail_assertion& e) {
        return e.what();
    }
    return "";
}
