#include "wizard/wizard_error_handler.h"

#include <QApplication>
#include <cstdlib>

#include "GUI2/dlg_error_continue.h"
#include "GUI2/dlg_error_ex.h"
#include "GUI2/window_thread.h"
#include "GUI2/wizard_shell.h"
#include "TK/tk_logger.h"
#include "converter/tabshift_convertor.h"

namespace {

// The list shows each error on one line.
std::string one_line(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += (text[i] == '\n' || text[i] == '\r') ? ' ' : text[i];
    }
    return out;
}

bool run_stop_requested() {
    const tabshift_convertor* conv = tabshift_convertor::find_instance();
    return conv && conv->stop_requested();
}

}  // namespace

wizard_error_handler::wizard_error_handler() : error_handler(12, oracle_error_texts) {
    load_err_map(k_mysql_error_text_count, mysql_error_texts);
}

void end_process_after_internal_error() {
    std::_Exit(-1);
}

void wizard_error_handler::handle(const tk_exception& e, bool stop) {
    tk_log(2, "error_handler::handle");
    if (e.level() >= 2) {
        tk_log(3, "Internal error:\n%s", e.what());
        on_window_thread([&] {
            dlg_error_ex dialog(widen_ansi(e.message()), QApplication::activeModalWidget());
            dialog.exec();
        });
        end_process_after_internal_error();
    }

    const std::string text = compose_text(e);
    tk_log(3, "Error:\n%s", text.c_str());
    const std::string listed = one_line(text);
    if (wizard_shell::find_instance()) {
        on_window_thread([&] {
            wizard_shell* shell = wizard_shell::find_instance();
            if (!shell) return;
            ++shell->errors_total;
            if (shell->error_list.size() < wizard_shell::k_max_errors)
                shell->error_list.push_back(listed);
        });
    }
    // After Cancel the run only has to end; it must not wait for an answer.
    if (!stop && run_stop_requested()) throw tk_final_exception();

    if (e.level() == 1) {
        tk_log(1, "Got 1-level error");
        if (!dont_show) {
            tk_log(1, "Step 1");
            wizard_shell::error(widen_ansi(text));
        }
        tk_log(1, "Step 2");
        if (wizard_shell* shell = wizard_shell::find_instance()) {
            const auto [first, last] = help_topics.equal_range(e.code());
            for (auto it = first; it != last; ++it) shell->display_help(it->second);
        }
        if (!stop) throw tk_final_exception();
        return;
    }

    tk_log(1, "Got 0-level error");
    if (dont_show) return;
    int answer = 2;
    unsigned char silence = 0;
    on_window_thread([&] {
        dlg_error_continue dialog(widen_ansi(text), QApplication::activeModalWidget());
        answer = dialog.exec();
        silence = dialog.dont_show;
    });
    if (answer == 1 && !stop) throw tk_final_exception();
    dont_show = silence != 0;
}
