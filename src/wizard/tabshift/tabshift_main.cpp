// tabshift: the conversion wizard.  An optional argument names a profile to convert at once.
#include <QApplication>
#include <string>

#include "TK/tk_signal_cleanup.h"
#include "wizard/run_wizard.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tk_install_signal_cleanup();
    // The command line as one text: a profile path with blanks may arrive as several arguments.
    std::string command_line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) command_line += ' ';
        command_line += argv[i];
    }
    return run_wizard(command_line);
}
