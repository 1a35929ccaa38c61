// tk_converter: the runnable base of every converter, holding the settings all converters share
// (source and destination names, the log file) and the finish flag that a front end polls.
//
// The run (operator(), overridden by the converter) writes the finish flag on its own thread
// while the window thread reads it, so the flag is atomic; the names are set before a run starts
// and only read during it.
#pragma once

#include <atomic>
#include <string>

#include "TK/tk_thread_functor.h"

class tk_converter : public tk_thread_functor {
public:
    tk_converter();
    ~tk_converter() override;

    // Sets the silent flag.
    virtual void set_silent(bool silent);
    // Checks a log-file path given by the user and switches the logger on with it.  Raises
    // tk_exception level 1 when the path is an existing directory, a read-only file, or lies in a
    // missing directory (tested in that order); an empty path only logs.
    void set_logfile(const std::string& path);

    std::atomic<bool> m_finished{false};
    bool m_silent = false;
    std::wstring m_source_name;
    std::wstring m_destination_name;
    std::string m_log_file;
};
