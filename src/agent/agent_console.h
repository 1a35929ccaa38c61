// The console agent's side of a conversion: where its output goes, how it reports errors and
// ends, its command line and its table-list file.  Everything runs on the one main thread.
//
// Exit statuses (agent_status): 0 the run ended and reported no error; 1 the run reported record
// or table errors (the rest was converted); 2 the work stopped before or outside the run (a
// refused connection, a destination that cannot be prepared); 255 (-1) the usage text, a refused
// option, a missing table-list file, a serious or internal error.
#pragma once

#include <string>

#include "converter/error_handler.h"
#include "converter/run_front_end.h"

enum agent_status { agent_ok = 0, agent_run_errors = 1, agent_not_run = 2, agent_fatal = -1 };

// The run's lines on standard output, its notices on standard error, unless silent.
class console_front_end : public run_front_end {
public:
    void start_timer(int period_ms) override;
    void write_log(const std::wstring& line) override;
    void error(const std::string& text) override;
    bool selects_all_when_empty() const override { return true; }
    bool skips_missing_tables() const override { return true; }
    void missing_table(const std::wstring& name) override;
    bool keeps_batching() const override { return true; }

    // Standard-library failures the run reported.
    int failures = 0;
    // Selected tables the source lacks.
    int missing = 0;
};

// Errors on standard output: level 0 lets the work go on, level 1 and 2 end the process with -1.
class console_error_handler : public error_handler {
public:
    console_error_handler();
    void handle(const tk_exception& e, bool stop) override;

    // Level-0 errors reported so far.
    int reported = 0;
};

// Logs the text, writes it to standard error unless the converter is silent, and ends the
// process with -1 at once.
[[noreturn]] void fatal_console_message(const std::string& text);

// Reads the command line into the converter; false when an argument matched no option.  Ends the
// process itself for --help, a wrong --mode=, a missing required value or a missing list file.
bool parse_cmd_line(int argc, char** argv);

// Replaces the converter's table selection with the names of the file, one a line (UTF-8 when
// the first non-empty line starts with a byte-order mark, else the ANSI code page).
void process_tab_file(const std::string& path);

// The usage text, without its final line end.
extern const char k_usage_text[];

// The agent: parse, connect, check the destination, run; answers the exit status.
int agent_main(int argc, char** argv);
