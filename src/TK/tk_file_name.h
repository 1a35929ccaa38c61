// tk_file_name: a full path split into extension (with its dot), drive (always empty here),
// name without extension and directory (with its trailing '/').  The path is first made
// absolute against the working directory; an empty path stands for the running program's
// directory with an empty name.  Not thread-safe while the working directory changes.
#pragma once

#include <string>

class tk_file_name {
public:
    // Splits path; null raises tk_mail_assertion("tk_fname", 31), a path that cannot be made
    // absolute raises it with line 39.
    explicit tk_file_name(const char* path);

    const std::string& ext() const noexcept { return m_ext; }
    const std::string& drive() const noexcept { return m_drive; }
    const std::string& name() const noexcept { return m_name; }
    const std::string& dir() const noexcept { return m_dir; }
    // drive + dir + name + ext.  Never fails.
    std::string make_path() const { return m_drive + m_dir + m_name + m_ext; }

private:
    std::string m_ext;
    std::string m_drive;
    std::string m_name;
    std::string m_dir;
};
