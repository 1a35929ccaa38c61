#include "agent/agent_console.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "TK/tk_cmd_line.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "converter/tabshift_convertor.h"

namespace {

// Ends the process now, as a console tool that met a fatal condition: buffered output is written
// first, destructors do not run.
[[noreturn]] void end_process(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

// Silent only while a converter says so: a message that ends the process after the converter
// is gone must still be seen.
bool silent() {
    const tabshift_convertor* conv = tabshift_convertor::find_instance();
    return conv && conv->m_silent;
}

// Text for the console: the ANSI code page, or UTF-8 when the name cannot be held by it.
std::string console_text(const std::wstring& text) {
    try {
        return tk_to_ansi(text);
    } catch (const tk_exception&) {
        return tk_to_utf8(text);
    }
}

}  // namespace

void console_front_end::start_timer(int) {}

void console_front_end::write_log(const std::wstring& line) {
    if (silent()) return;
    std::fputs(console_text(line).c_str(), stdout);
    std::fflush(stdout);
}

void console_front_end::error(const std::string& text) {
    ++failures;
    tk_log(3, "ERROR:\n%s", text.c_str());
    if (silent()) return;
    std::fprintf(stderr, "%s\n", text.c_str());
}

void console_front_end::missing_table(const std::wstring& name) {
    // A table the user asked for and did not get is an error of the run, silent or not.
    ++missing;
    const std::string text = console_text(name);
    tk_log(3, "Table %s not exists", text.c_str());
    if (silent()) return;
    std::fprintf(stderr, "Table %s not exists\n", text.c_str());
}

console_error_handler::console_error_handler() : error_handler(12, oracle_error_texts) {
    load_err_map(k_mysql_error_text_count, mysql_error_texts);
}

void console_error_handler::handle(const tk_exception& e, bool) {
    tk_log(2, "error_handler::handle");
    if (e.level() >= 2) {
        tk_log(3, "Internal error:\n%s", e.what());
        std::printf("Internal error: %s\n", e.what());
        end_process(agent_fatal);
    }
    std::string text = compose_text(e);
    tk_log(3, "Error:\n%s", text.c_str());
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    if (!dont_show) {
        std::printf("Error:\n%s\n", text.c_str());
        std::fflush(stdout);
    }
    if (e.level() == 1) {
        tk_log(1, "Got 1-level error");
        end_process(agent_fatal);
    }
    tk_log(1, "Got 0-level error");
    ++reported;
}

void fatal_console_message(const std::string& text) {
    tk_log(3, "%s", text.c_str());
    if (!silent()) std::fprintf(stderr, "%s\n", text.c_str());
    end_process(agent_fatal);
}

void process_tab_file(const std::string& path) {
    tk_log(1, "process_tab_file(%s)", path.c_str());
    if (!tk_is_file_exist(path, 0x4000)) {
        fatal_console_message(
            "Table names file does not exist.\nPlease verify the correct path/name was given.");
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::wstring> names;
    bool decided = false;
    bool utf8 = false;
    // Lines are read whole, whatever their length: a name cut short would convert another table,
    // or none, in silence.
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!decided) {
            decided = true;
            utf8 = line.rfind("\xEF\xBB\xBF", 0) == 0;
            if (utf8) line.erase(0, 3);
            if (line.empty()) continue;
        }
        try {
            names.push_back(utf8 ? tk_to_unicode(line) : tk_ansi_to_unicode(line));
        } catch (const tk_exception&) {
            fatal_console_message("Table names file holds a line that is not valid text: " + line);
        }
    }
    tabshift_convertor::get_instance().selected_tables = std::move(names);
}
