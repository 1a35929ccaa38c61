// The wizard program: builds the process-wide objects (trace logger, error handler, converter),
// checks the window library, loads a profile named on the command line, builds the shell and the
// pages, runs the sheet and tears everything down in reverse order.
//
// Without a command line the sheet holds every page; with one, the profile is loaded, Oracle (and
// MySQL in the server scenario) connected and the destination prepared first, and the sheet holds
// only the progress and closing pages, so that the conversion starts at once.  A profile that
// does not load, a connection or a destination check that fails: the error is shown and the
// wizard ends without a conversion.  Errors during start-up and the sheet end the program with
// status 0 after the error was shown; an old window library with -1.
//
// Thread-safety: the window thread; an application object must exist.
#pragma once

#include <memory>
#include <string>
#include <vector>

class tk_logger;
class tabshift_convertor;
class wizard_error_handler;
class wizard_shell;
class wizard_page_base;

class wizard_program {
public:
    // Steps up to the sheet: the objects, the checks, the profile, the shell and the pages.
    explicit wizard_program(const std::string& command_line);
    // Pages, shell, converter (settings stored), error handler and logger, in that order.
    ~wizard_program();
    wizard_program(const wizard_program&) = delete;
    wizard_program& operator=(const wizard_program&) = delete;

    // Runs the sheet modally when the start-up succeeded; answers the exit status.
    int run();

    // False when the start-up ended the wizard (then run() shows nothing).
    bool ready() const noexcept { return m_ready; }
    wizard_shell* shell() const noexcept { return m_shell.get(); }
    tabshift_convertor* converter() const noexcept { return m_conv.get(); }
    const std::vector<std::unique_ptr<wizard_page_base>>& pages() const noexcept { return m_pages; }

private:
    void start(const std::string& command_line);
    void build_pages(bool from_profile);

    std::unique_ptr<tk_logger> m_logger;
    std::unique_ptr<wizard_error_handler> m_handler;
    std::unique_ptr<tabshift_convertor> m_conv;
    std::unique_ptr<wizard_shell> m_shell;
    std::vector<std::unique_ptr<wizard_page_base>> m_pages;
    bool m_ready = false;
    int m_status = 0;
};

// The program's main routine with the command line (everything after the program's name).
int run_wizard(const std::string& command_line);

// The success and error texts of the closing page.
extern const wchar_t k_finish_success_text[];
extern const wchar_t k_finish_error_text[];
// The extension of the wizard's profiles.
extern const wchar_t k_profile_ext[];
