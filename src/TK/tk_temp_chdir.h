// tk_temp_chdir: changes the process-wide working directory for its own lifetime and changes
// back on destruction when the change succeeded.  Nothing guards the working directory, so use
// it only where no other thread depends on it at that moment.
#pragma once

#include <string>

class tk_temp_chdir {
public:
    // Changes into path ("" = the program's directory); ok() tells whether it worked.
    explicit tk_temp_chdir(const std::string& path);
    // Changes back when the change succeeded.  Never raises.
    ~tk_temp_chdir();
    tk_temp_chdir(const tk_temp_chdir&) = delete;
    tk_temp_chdir& operator=(const tk_temp_chdir&) = delete;

    bool ok() const noexcept { return m_ok; }

private:
    void initialize(const std::string& path);

    bool m_ok = false;
    std::string m_saved;
};
