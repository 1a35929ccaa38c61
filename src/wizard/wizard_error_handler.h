// wizard_error_handler: how the wizard shows an error, by its level.  Level 0: the continue
// dialog (Continue goes on, Abort stops the caller's work, the check box silences later dialogs);
// level 1: an error box, then the caller's work stops; level 2: the internal-error dialog, then
// the process ends with -1.  Every text (up to 20) is also kept, on one line, in the shell's error
// list for the closing page.
//
// `stop` clear lets handle() end the caller's work by raising tk_final_exception; set, it only
// shows.  Once the run was asked to stop (Cancel), errors are only logged and listed and the run
// is told to stop: nobody is left to answer a dialog.
//
// Thread-safety: called on the run's or the connection's worker thread or on the window thread;
// the dialogs run on the window thread while the caller waits.
#pragma once

#include "converter/error_handler.h"

class wizard_error_handler : public error_handler {
public:
    // The Oracle and the MySQL advice texts.
    wizard_error_handler();
    void handle(const tk_exception& e, bool stop) override;
};

// Ends the process with status -1 at once (after an internal error was shown).
[[noreturn]] void end_process_after_internal_error();
