// tk_file_wname: the wide form of tk_file_name, which also composes a path from its four parts.
// Not thread-safe while the working directory changes.
#pragma once

#include <string>

class tk_file_wname {
public:
    // Four empty parts.
    tk_file_wname() = default;
    // Splits path; null raises tk_mail_assertion("tk_fname", 83), a path that cannot be made
    // absolute (or converted) raises it with line 91.
    explicit tk_file_wname(const wchar_t* path);

    const std::wstring& ext() const noexcept { return m_ext; }
    const std::wstring& drive() const noexcept { return m_drive; }
    const std::wstring& name() const noexcept { return m_name; }
    const std::wstring& dir() const noexcept { return m_dir; }
    void set_ext(const std::wstring& ext) { m_ext = ext; }
    void set_drive(const std::wstring& drive) { m_drive = drive; }
    void set_name(const std::wstring& name) { m_name = name; }
    void set_dir(const std::wstring& dir) { m_dir = dir; }
    // drive + dir + name + ext.  Never fails.
    std::wstring make_path() const { return m_drive + m_dir + m_name + m_ext; }

private:
    void initialize(const wchar_t* path);

    std::wstring m_ext;
    std::wstring m_drive;
    std::wstring m_name;
    std::wstring m_dir;
};
