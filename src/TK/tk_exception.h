// The exception family of the system.  Every error travels as a tk_exception (or a class derived
// from it) by value and is caught by reference; the handler decides by level() whether the work
// goes on: 0 the work may go on (one record, one table), 1 the current operation or run ends,
// 2 internal error, the program ends.
#pragma once

#include <exception>
#include <string>

class tk_exception : public std::exception {
public:
    // Message = msg, or "Unknown exception" when msg is empty; code 0.
    tk_exception(const std::string& msg, int level);
    // Message = msg in the ANSI code page; left empty when the conversion fails; code 0.
    tk_exception(const std::wstring& msg, int level);
    tk_exception(const tk_exception&) = default;
    tk_exception& operator=(const tk_exception&) = default;
    ~tk_exception() override = default;

    const char* what() const noexcept override { return m_message.c_str(); }
    const std::string& message() const noexcept { return m_message; }
    int code() const noexcept { return m_code; }
    int level() const noexcept { return m_level; }

protected:
    tk_exception() = default;

    std::string m_message;
    int m_code = 0;
    int m_level = 0;
};

// A failed operating-system call: the code is the calling thread's last error and the system's
// text for it follows the caller's prefix in the message.
class tk_exception_ex : public tk_exception {
public:
    tk_exception_ex();
    tk_exception_ex(const std::string& prefix, int level);
};

// The internal error raised by every consistency check: level 2, the message is
// "Internal error: \ncode=" followed by the hexadecimal digits of "source\line".
class tk_mail_assertion : public tk_exception {
public:
    tk_mail_assertion(const char* source, int line);
};

// Stops a run that the user chose to abort; carries nothing.
class tk_final_exception : public std::exception {
public:
    tk_final_exception();
};

// The internal-error text for a source name and a line.
std::string make_err_meggase(const char* source, int line);
