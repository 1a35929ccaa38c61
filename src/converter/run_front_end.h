// run_front_end: what a conversion run needs of the program that hosts it.  The wizard's shell
// shows the run's lines in its progress page and polls the run on a timer; the console agent
// prints the lines, converts every source table when nothing was chosen, and reports tables the
// source lacks instead of failing on them.  The run itself is one body of code; only these
// differences are asked here.
//
// One instance per process (tk_singleton): the front end registers itself while it exists.  A run
// without one fails with the internal error of a missing one-instance object.  Called on the run's
// thread; an implementation that touches windows must hand the work to the window thread.
#pragma once

#include <string>

#include "TK/tk_singleton.h"

class run_front_end : public tk_singleton<run_front_end> {
public:
    run_front_end() = default;
    ~run_front_end() override = default;

    // Starts polling the run every `period_ms` milliseconds (a console has nothing to poll).
    virtual void start_timer(int period_ms) = 0;
    // Shows one progress line ("Converting table ...\n"), line end included.
    virtual void write_log(const std::wstring& line) = 0;
    // Shows the text of a standard-library failure that ended the run.
    virtual void error(const std::string& text) = 0;

    // True: a run with nothing selected converts every table of the source.
    virtual bool selects_all_when_empty() const { return false; }
    // True: a selected table the source lacks is skipped after missing_table(); false: it is
    // opened like any other and fails as a table error.
    virtual bool skips_missing_tables() const { return false; }
    // Tells that the selected table `name` does not exist in the source.
    virtual void missing_table(const std::wstring& name) { (void)name; }
    // True: the run leaves the MySQL engine's row-batching switch as it is; false: rows reach a
    // live server one statement each.
    virtual bool keeps_batching() const { return false; }
};
